#pragma once
// What a browser child window needs of the frame it lives in: the MDI area
// it is made in, and the model it reports to.
#include <windows.h>

#include "browser/FrameModel.h"

namespace vesko {

class BrowserFrame {
public:
    virtual HWND MdiClient() const = 0;
    virtual FrameModel& Model() = 0;

protected:
    ~BrowserFrame() = default;
};

}  // namespace vesko
