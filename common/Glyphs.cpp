#include "common/Glyphs.h"

#include <vector>

namespace vesko {
namespace {

// The strip's pixels as top-down 32-bit BGRA, and its width.
bool LoadStrip(int bitmapId, std::vector<DWORD>& pixels, int& width) {
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!strip) return false;
    BITMAP info{};
    GetObjectW(strip, sizeof info, &info);
    width = info.bmWidth;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -kGlyphSize;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(info.bmWidth) * kGlyphSize, 0);
    HDC dc = GetDC(nullptr);
    const int lines = GetDIBits(dc, strip, 0, kGlyphSize, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(strip);
    return lines == kGlyphSize;
}

HBITMAP MakeGlyph(const std::vector<DWORD>& strip, int stripWidth, int index, bool withAlpha) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kGlyphSize;
    bi.bmiHeader.biHeight = -kGlyphSize;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP glyph = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!glyph) return nullptr;
    auto* out = static_cast<DWORD*>(bits);
    const DWORD key = 0x00FF00FF;  // magenta in BGRA
    for (int y = 0; y < kGlyphSize; ++y) {
        for (int x = 0; x < kGlyphSize; ++x) {
            const int sx = index * kGlyphSize + x;
            DWORD pixel = sx < stripWidth ? strip[static_cast<size_t>(y) * stripWidth + sx] & 0x00FFFFFF : key;
            if (withAlpha) pixel = pixel == key ? 0 : pixel | 0xFF000000;
            out[y * kGlyphSize + x] = pixel;
        }
    }
    return glyph;
}

}  // namespace

HBITMAP CreateGlyphBitmap(int bitmapId, int index) {
    std::vector<DWORD> strip;
    int width = 0;
    if (!LoadStrip(bitmapId, strip, width)) return nullptr;
    return MakeGlyph(strip, width, index, true);
}

HIMAGELIST CreateGlyphImageList(int bitmapId, std::initializer_list<int> indices) {
    std::vector<DWORD> strip;
    int width = 0;
    if (!LoadStrip(bitmapId, strip, width)) return nullptr;
    HIMAGELIST list = ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR32 | ILC_MASK,
                                       static_cast<int>(indices.size()), 0);
    for (int index : indices) {
        HBITMAP glyph = MakeGlyph(strip, width, index, false);
        ImageList_AddMasked(list, glyph, kGlyphTransparent);
        DeleteObject(glyph);
    }
    return list;
}

}  // namespace vesko
