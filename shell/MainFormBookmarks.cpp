// The Bookmarks menu's commands beyond the editor: adding the page being
// looked at, and bookmarks in from and out to other browsers.
#include "shell/MainForm.h"

#include "bookmarks/AddBookmark.h"
#include "bookmarks/BookmarkTransfer.h"
#include "browser/BrowserChild.h"
#include "common/Error.h"
#include "common/ErrorReport.h"
#include "options/SHBFFEX.h"
#include "shell/OpenDialog.h"

namespace vesko {
namespace {

constexpr wchar_t kInterchangeFilter[] =
    L"ブックマーク ファイル (*.htm;*.html)|*.htm;*.html|すべてのファイル(*.*)|*.*";

void SayImported(HWND owner, const ImportCount& count) {
    MessageBoxW(owner, ImportMessage(count).c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace

void TMainForm::AddBookmark1Execute() {
    BrowserChild* child = ActiveChild();
    const ChildState* state = model_.ActiveState();
    if (!child || !state) return;
    const std::wstring url = child->LocationURL();
    const std::wstring name = state->caption.empty() ? (url.empty() ? state->address : url) : state->caption;
    Tfrm_AddBookmark::Show(BookmarkPath(), Handle(), name, url.empty() ? state->address : url);
}

void TMainForm::Import1Execute() {
    const std::wstring source = ExecuteOpenDialog(Handle(), kInterchangeFilter);
    if (source.empty()) return;
    SayImported(Handle(), ImportInterchangeFile(BookmarkPath(), source));
}

void TMainForm::ImportFavorites1Execute() {
    TSHBrowseForFolderEx picker(this, folderShell_ ? folderShell_ : SystemShellApi());
    picker.SetCaption(L"インポートするお気に入りのフォルダを選択してください。");
    picker.SetRootFolder(rfDesktop);
    picker.SetSelectFolder(sfFavorites);
    picker.SetOptions({sboReturnOnlyFSDirs});
    if (!picker.Execute()) return;
    // The shell's ANSI path turns a character the code page lacks into "?",
    // which no folder name holds: it would name another folder.
    const std::wstring& folder = picker.FolderPath();
    if (folder.find(L'?') != std::wstring::npos)
        throw AppError(folder + L"\nこのフォルダの名前は読み取れません。");
    SayImported(Handle(), ImportFavorites(BookmarkPath(), folder));
}

void TMainForm::Export1Execute() {
    const std::wstring target = ExecuteSaveDialog(Handle(), kInterchangeFilter, L"bookmarks.html", L"html");
    if (target.empty()) return;
    ExportBookmarks(BookmarkPath(), target);
}

}  // namespace vesko
