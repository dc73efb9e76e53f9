#pragma once
// Pictures cut from the program's glyph strip: 16 x 16 each, 32 bits with
// straight (not premultiplied) alpha.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace vesko {

inline constexpr int kGlyphSize = 16;

enum class GlyphLook {
    Normal,
    Disabled,  // grey, for commands that cannot be used now
};

// An image list of the chosen glyphs, in the order given: 32 bits with
// alpha, and a mask for the places that draw without alpha. The caller owns
// it (ImageList_Destroy). Null when the resource cannot be loaded.
HIMAGELIST CreateGlyphImageList(int bitmapId, std::initializer_list<int> indices, GlyphLook look = GlyphLook::Normal);

}  // namespace vesko
