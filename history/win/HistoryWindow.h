#pragma once
// Tfrm_History: the modeless window "履歴", where the user searches the
// pages visited, opens one, and removes some or all of them.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Form.h"
#include "common/ModelessDialogs.h"
#include "common/Handles.h"
#include "common/Window.h"
#include "history/win/HistoryKeeper.h"

namespace vesko {

class Tfrm_History final : public ModelessForm {
public:
    using OpenPage = std::function<void(const std::wstring& address)>;

    // The window of `owner`'s thread if one is open (brought to the front),
    // else a new one, shown modeless; it frees itself when it closes.
    static Tfrm_History* Show(HistoryKeeper& history, HWND owner, OpenPage open);

    void txtSearchChange();
    void OpenSelected();
    void DeleteSelected();
    void btnClearClick();

    struct ControlHandles {
        HWND txtSearch, lvHistory, btnClear;
    };
    const ControlHandles& Controls() const { return controls_; }

private:
    Tfrm_History(HistoryKeeper& history, OpenPage open) : history_(history), open_(std::move(open)) {}
    void OnCreate() override;
    LRESULT FormMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnListNotify(NMHDR& header);
    void CreateControls();
    void Fill();
    void GetCellText(NMLVDISPINFOW& info);
    std::vector<std::wstring> Selected() const;

    HistoryKeeper& history_;
    OpenPage open_;
    ControlHandles controls_{};
    UniqueFont font_;
    std::vector<HistoryStore::Id> rows_;  // the list's rows, in order
    std::wstring cell_;                   // the text last given to the list
};

}  // namespace vesko
