#pragma once
// Tfrm_SiteRules: the modeless dialog in which the user edits the site
// rules of sites.xml, which say the engine that opens each site.
//
// The site box and the engine choice show the selected rule, and the
// engine choice changes it at once. Typing a site other than the selected
// rule's leaves the selection: the box and the choice then describe a new
// rule, which "追加" adds (or, for a site that has a rule already, gives
// that rule the engine) and selects. "削除" removes the selected rule. OK
// saves the file and closes; Cancel and the close box close unsaved.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "common/AtomicFile.h"
#include "common/Form.h"
#include "common/ModelessDialogs.h"
#include "common/Handles.h"
#include "common/Window.h"
#include "sites/SiteList.h"

namespace vesko {

class Tfrm_SiteRules final : public ModelessForm {
public:
    // Reads the file at `path` (none: no rules) and shows the dialog
    // modeless, owned by `owner`. The window frees itself when it closes.
    // A file that cannot be read or is no site list raises AppError naming
    // it and why; then there is no dialog and the file is untouched.
    // `saved`, when given, runs after OK has written the file, before the
    // dialog closes: whoever keeps the rules reads them again.
    static Tfrm_SiteRules* Create(const std::wstring& path, HWND owner, std::function<void()> saved = nullptr);

    void lvSitesChange();
    void txtSiteChange();
    void cmbEngineChange();
    void btnAddClick();
    void btnDelClick();
    void btnOKClick();
    void btnCancelClick();

    struct ControlHandles {
        HWND lvSites, btnAdd, btnDel, lblSite, txtSite, lblEngine, cmbEngine, btnOK, btnCancel;
    };
    const ControlHandles& Controls() const { return controls_; }
    // The rules as edited so far.
    const SiteList& Rules() const { return list_; }

    // The names the engine choice and the list show, in the choice's order.
    static const wchar_t* EngineName(SiteEngine engine);

private:
    Tfrm_SiteRules(std::wstring path, SiteList list, std::optional<FileFingerprint> read, std::function<void()> saved);
    void OnCreate() override;
    LRESULT FormMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnCommand(WORD id, WORD code);

    void CreateControls();
    void AddColumns();
    void FillList();
    void InsertRow(std::size_t index);
    void ShowRow(std::size_t index);
    std::optional<std::size_t> SelectedRow() const;
    void SelectRow(std::optional<std::size_t> index);
    SiteEngine ChosenEngine() const;
    void Choose(SiteEngine engine);
    void SetSiteText(const std::u16string& text);
    void UpdateButtons();
    bool ChangedSinceRead(std::optional<FileFingerprint>& now) const;
    bool AskOverwrite();

    std::wstring path_;
    SiteList list_;
    // The file as this dialog read it (none: there was no file).
    std::optional<FileFingerprint> baseline_;
    std::function<void()> saved_;
    ControlHandles controls_{};
    UniqueFont font_;
    bool filling_ = false;  // the program, not the user, is setting controls
};

}  // namespace vesko
