#pragma once
// Pictures cut from the program's glyph strip (16 x 16 each, magenta as
// the transparent colour).
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace vesko {

inline constexpr int kGlyphSize = 16;
inline constexpr COLORREF kGlyphTransparent = RGB(255, 0, 255);

// A 32-bit bitmap with alpha of one glyph, as menus want it. The caller
// owns it (DeleteObject). Null when the resource cannot be loaded.
HBITMAP CreateGlyphBitmap(int bitmapId, int index);

// An image list of the chosen glyphs, in the order given. The caller owns
// it (ImageList_Destroy).
HIMAGELIST CreateGlyphImageList(int bitmapId, std::initializer_list<int> indices);

}  // namespace vesko
