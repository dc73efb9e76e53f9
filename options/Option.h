#pragma once
// Tfrm_Option: the options dialog, where the user switches the Gecko
// engine on or off and names the folder the Mozilla control lives in. It
// edits two settings the frame keeps, and switches the frame's Gecko menu
// item the moment its check box changes.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/Form.h"
#include "common/ModelessDialogs.h"
#include "common/Window.h"
#include "options/SHBFFEX.h"

namespace vesko {
namespace test {
struct Access;
}

class Tfrm_Option final : public ModelessForm {
public:
    // The settings the dialog edits: whether Gecko is used, and where the
    // Mozilla control lives.
    struct Values {
        bool mozilla = false;
        std::wstring mozPath;
    };
    // What the dialog needs of the frame.
    struct Frame {
        HWND window = nullptr;  // owns the dialog
        std::function<Values()> readValues;
        // Raises when the settings cannot be written.
        std::function<void(const Values&)> writeValues;
        std::function<void(bool enabled)> setGeckoItemEnabled;
    };

    // Creates the dialog, runs FormCreate and shows it modeless. The window
    // frees the object when it is destroyed, which happens when the dialog
    // closes or its owner goes.
    static Tfrm_Option* Create(Frame frame);
    // The dialog of program start, which nothing ever shows: it gets no
    // window, and creating it only applies the Gecko switch to the frame.
    static std::unique_ptr<Tfrm_Option> CreateHidden(Frame frame);

    void chkMozClick();
    void BitBtn1Click();
    void Button1Click();
    void Button2Click();

    struct ControlHandles {
        HWND Button1, txtMozPath, BitBtn1, Button2, chkMoz;
    };
    const ControlHandles& Controls() const { return controls_; }

private:
    friend struct test::Access;

    explicit Tfrm_Option(Frame frame);
    void OnCreate() override;
    LRESULT FormMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    void CreateControls();
    void FormCreate();
    void SetChecked(bool checked);
    bool IsChecked() const;
    void Close();
    void Show();

    Frame frame_;
    ControlHandles controls_{};
    UniqueFont font_;
    UniqueBitmap glyph_;
    TSHBrowseForFolderEx selectFolder_;
    int chkMozTag_ = 0;                           // chkMoz's Tag: 1 while the box is ticked, 0 while it is not
    int txtMozPathColor_ = COLOR_INACTIVEBORDER;  // system colour index of txtMozPath's background
};

}  // namespace vesko
