#pragma once
// The test seam of the program's windows: state they keep for themselves,
// which no user sees directly but tests check, and parts tests replace.
#include "options/Option.h"

namespace vesko::test {

struct Access {
    static int chkMozTag(const Tfrm_Option& dialog) { return dialog.chkMozTag_; }
    static int TxtMozPathColor(const Tfrm_Option& dialog) { return dialog.txtMozPathColor_; }
    static TSHBrowseForFolderEx& selectFolder(Tfrm_Option& dialog) { return dialog.selectFolder_; }
};

}  // namespace vesko::test
