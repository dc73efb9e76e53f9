#pragma once
// The application object: the title, the frame, the hidden forms, the
// message loop, and the end of OLE on the one thread (which starts it on
// first use).
#include <memory>

#include "shell/About.h"
#include "shell/MainForm.h"

namespace vesko {

class Tfrm_BMEdit;
class Tfrm_Option;

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    void SetTitle(const std::wstring& title);
    TMainForm& CreateMainForm(MainFormOptions options = {});
    // The forms that exist, hidden, from start to end: the bookmark editor,
    // the options dialog and the About box, in that order.
    void CreateHiddenForms();
    // Runs the message loop until the frame has closed; returns the exit code.
    int Run();
    // One message through the frame's translation and on to its window.
    void ProcessMessage(MSG& msg);

    TMainForm* MainForm() const { return mainForm_.get(); }

private:
    FrameModel model_;  // the frame's state, shown by the frame
    std::unique_ptr<TMainForm> mainForm_;
    std::unique_ptr<Tfrm_BMEdit> bookmarkEditor_;
    std::unique_ptr<Tfrm_Option> optionDialog_;
    std::unique_ptr<TAboutBox> aboutBox_;
};

}  // namespace vesko
