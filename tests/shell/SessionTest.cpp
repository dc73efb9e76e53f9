// The session: windows written to session.xml as they change, brought back
// after a kill or a normal close, closed windows reopened.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "browser/BrowserChild.h"
#include "res/resource.h"
#include "session/Session.h"
#include "shell/Settings.h"
#include "tests/support/BoxAnswer.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

class SessionTest : public FrameTest {
protected:
    std::wstring SessionPath() const { return dir_ + L"session.xml"; }
    Session Saved() { return ReadSessionFile(ReadFileBytes(SessionPath())); }
    // A run that opened an IE window and a Gecko one (active), then was
    // killed: the file as it left it.
    void WriteKilledRun() {
        Session killed;
        killed.running = true;
        killed.windows = {SessionWindow{SessionEngine::IE, u"記事 😀", u"http://a.example/", WindowShow::Normal,
                                        WindowRect{10, 20, 410, 320}},
                          SessionWindow{SessionEngine::Gecko, u"Café", u"http://b.example/", WindowShow::Normal,
                                        WindowRect{30, 40, 530, 440}}};
        killed.active = 1;
        WriteFileBytes(SessionPath(), WriteSessionFile(killed));
    }
    BrowserChild* OpenIn(EngineKind engine, const std::wstring& caption, const std::wstring& address) {
        engine == EngineKind::IE ? Frame().IE_ItemClick() : Frame().Moz_ItemClick();
        Frame().OpenPage(caption, address);
        return Frame().ActiveChild();
    }
    static RECT NormalRect(HWND window) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        return placement.rcNormalPosition;
    }
};

TEST_F(SessionTest, AfterAKillYesBringsBackEveryWindowInItsEngineAndPlace) {
    WriteConfig(kSectionOption, kKeyMozilla, L"2");
    WriteKilledRun();
    BoxAnswer answer(IDYES);
    Frame();
    EXPECT_EQ(answer.text, L"前回は正常に終了しませんでした。開いていたウィンドウを復元しますか？");
    EXPECT_EQ(answer.defaultButton, IDYES);
    const std::vector<BrowserChild*> children = Frame().Children();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(ClassOf(children[0]), L"Tfrm_IE");
    EXPECT_EQ(ClassOf(children[1]), L"Tfrm_MZ");
    EXPECT_EQ(children[0]->Caption(), L"記事 😀");
    EXPECT_EQ(engines_->Record(0).navigated, std::vector<std::wstring>{L"http://a.example/"});
    EXPECT_EQ(engines_->Record(1).navigated, std::vector<std::wstring>{L"http://b.example/"});
    EXPECT_EQ(Frame().ActiveChild(), children[1]);
    const RECT r = NormalRect(children[0]->Handle());
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 410);
    EXPECT_EQ(r.bottom, 320);
    // This run is marked as going, with the windows it has.
    const Session now = Saved();
    EXPECT_TRUE(now.running);
    EXPECT_EQ(now.windows.size(), 2u);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SessionTest, AfterAKillNoOpensNothingAndTheWindowsCanStillBeReopened) {
    WriteKilledRun();
    {
        BoxAnswer answer(IDNO);
        Frame();
        EXPECT_TRUE(answer.shown);
    }
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_TRUE(MenuEnables(Frame().Handle(), IDM_WINDOW_REOPEN_CLOSED));
    // Gecko cannot be had (its switch is off): the window opens in IE, and
    // the status line says so.
    EXPECT_TRUE(PressCtrl(Frame(), Frame().Controls().txtAddress, 'T', true));
    ASSERT_EQ(Frame().ChildCount(), 1);
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_IE");
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"Café");
    EXPECT_NE(Frame().StatusText().find(L"Internet Explorer"), std::wstring::npos);
}

TEST_F(SessionTest, ANormalCloseRestoresWithoutAskingOnlyWhenTheOptionIsOn) {
    OpenIn(EngineKind::IE, L"one", L"http://one.example/");
    OpenIn(EngineKind::IE, L"two", L"http://two.example/");
    Pump();
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_WINDOW_REOPEN_CLOSED));
    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_RESTORE_SESSION, 0);
    EXPECT_EQ(ReadConfig(kSectionGeneral, L"RestoreSession"), L"1");
    SendMessageW(Frame().Handle(), WM_CLOSE, 0, 0);
    frame_.reset();
    EXPECT_FALSE(Saved().running);
    EXPECT_EQ(Saved().windows.size(), 2u);
    {
        BoxAnswer none(IDNO);
        Frame();
        EXPECT_FALSE(none.shown);
    }
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_EQ(Frame().ActiveChild()->Caption(), L"two");

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_RESTORE_SESSION, 0);
    EXPECT_EQ(ReadConfig(kSectionGeneral, L"RestoreSession"), L"0");
    SendMessageW(Frame().Handle(), WM_CLOSE, 0, 0);
    frame_.reset();
    EXPECT_EQ(Frame().ChildCount(), 0);
    EXPECT_TRUE(MenuEnables(Frame().Handle(), IDM_WINDOW_REOPEN_CLOSED));
}

TEST_F(SessionTest, TheFileFollowsEveryChangeAndAClosedWindowReopensAsItWas) {
    WriteConfig(kSectionOption, kKeyMozilla, L"2");
    OpenIn(EngineKind::IE, L"first", L"http://first.example/");
    BrowserChild* second = OpenIn(EngineKind::Gecko, L"second", L"http://second.example/");
    engines_->Record(1).locationURL = L"http://second.example/next";
    engines_->FireDocumentComplete(1);
    SetWindowPos(second->Handle(), nullptr, 5, 6, 300, 200, SWP_NOZORDER);
    Pump();
    Session saved = Saved();
    ASSERT_EQ(saved.windows.size(), 2u);
    EXPECT_EQ(saved.windows[1].address, u"http://second.example/next");
    EXPECT_EQ(saved.windows[1].rect, (WindowRect{5, 6, 305, 206}));
    EXPECT_EQ(saved.active, 1u);

    // Nothing changes, nothing is written.
    const std::string before = ReadFileBytes(SessionPath());
    DeleteFileW(SessionPath().c_str());
    SendMessageW(Frame().Handle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second->Handle()), 0);
    Pump();
    EXPECT_FALSE(FileExists(SessionPath()));
    WriteFileBytes(SessionPath(), before);

    SendMessageW(second->Handle(), WM_CLOSE, 0, 0);
    Pump();
    saved = Saved();
    EXPECT_EQ(saved.windows.size(), 1u);
    ASSERT_EQ(saved.closed.size(), 1u);
    EXPECT_EQ(saved.closed[0].address, u"http://second.example/next");

    SendMessageW(Frame().Handle(), WM_COMMAND, IDM_WINDOW_REOPEN_CLOSED, 0);
    ASSERT_EQ(Frame().ChildCount(), 2);
    EXPECT_EQ(ClassOf(Frame().ActiveChild()), L"Tfrm_MZ");
    EXPECT_EQ(engines_->Last().navigated, std::vector<std::wstring>{L"http://second.example/next"});
    const RECT r = NormalRect(Frame().ActiveChild()->Handle());
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.bottom, 206);
    EXPECT_FALSE(MenuEnables(Frame().Handle(), IDM_WINDOW_REOPEN_CLOSED));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SessionTest, AnUnreadableFileIsNamedKeptBesideAndNoWindowOpens) {
    WriteFileBytes(SessionPath(), "<session><window engine=\"ie\">");
    Frame();
    EXPECT_EQ(Frame().ChildCount(), 0);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find(SessionPath()), std::wstring::npos);
    EXPECT_EQ(ReadFileBytes(SessionPath() + L".bak"), "<session><window engine=\"ie\">");
    EXPECT_TRUE(Saved().running);
}

}  // namespace
}  // namespace vesko::test
