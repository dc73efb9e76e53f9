#include "common/Glyphs.h"

#include <vector>

#include "common/Handles.h"

namespace vesko {
namespace {

// Opaque enough to belong to the picture where only a mask can be drawn.
constexpr BYTE kMaskThreshold = 128;

BITMAPINFO GlyphInfo(int width) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -kGlyphSize;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The strip's pixels as top-down BGRA, and its width. The resource's own
// bits are read, not converted through a device context: conversions may
// drop the alpha byte.
bool LoadStrip(int bitmapId, std::vector<DWORD>& pixels, int& width) {
    const UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return false;
    DIBSECTION dib{};
    const bool ok = GetObjectW(strip.get(), sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits &&
                    dib.dsBm.bmBitsPixel == 32 && dib.dsBm.bmHeight == kGlyphSize;
    if (ok) {
        width = dib.dsBm.bmWidth;
        pixels.resize(static_cast<size_t>(width) * kGlyphSize);
        const auto* bits = static_cast<const BYTE*>(dib.dsBm.bmBits);
        const bool bottomUp = dib.dsBmih.biHeight > 0;
        for (int y = 0; y < kGlyphSize; ++y) {
            const auto* row = reinterpret_cast<const DWORD*>(
                bits + static_cast<size_t>(bottomUp ? kGlyphSize - 1 - y : y) * dib.dsBm.bmWidthBytes);
            std::copy(row, row + width, pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
        }
    }
    return ok;
}

DWORD Greyed(DWORD pixel) {
    // Luminance squeezed into a light grey band: still legible on a button
    // face, clearly not the live picture.
    const DWORD b = pixel & 0xFF, g = (pixel >> 8) & 0xFF, r = (pixel >> 16) & 0xFF;
    const DWORD luminance = (r * 77 + g * 150 + b * 29) >> 8;
    const DWORD grey = 80 + luminance * 150 / 255;
    return (pixel & 0xFF000000) | (grey << 16) | (grey << 8) | grey;
}

}  // namespace

HIMAGELIST CreateGlyphImageList(int bitmapId, std::initializer_list<int> indices, GlyphLook look) {
    std::vector<DWORD> strip;
    int stripWidth = 0;
    if (!LoadStrip(bitmapId, strip, stripWidth)) return nullptr;

    // All chosen glyphs side by side, with a mask where alpha is high.
    const int count = static_cast<int>(indices.size());
    const int width = count * kGlyphSize;
    BITMAPINFO bi = GlyphInfo(width);
    void* bits = nullptr;
    const UniqueBitmap colour(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour) return nullptr;
    const int maskStride = ((width + 15) / 16) * 2;  // monochrome rows are word-aligned
    std::vector<BYTE> maskBits(static_cast<size_t>(maskStride) * kGlyphSize, 0);
    auto* out = static_cast<DWORD*>(bits);
    int slot = 0;
    for (int index : indices) {
        for (int y = 0; y < kGlyphSize; ++y) {
            for (int x = 0; x < kGlyphSize; ++x) {
                const int sx = index * kGlyphSize + x;
                DWORD pixel = index >= 0 && sx < stripWidth ? strip[static_cast<size_t>(y) * stripWidth + sx] : 0;
                if (look == GlyphLook::Disabled) pixel = Greyed(pixel);
                const int dx = slot * kGlyphSize + x;
                out[static_cast<size_t>(y) * width + dx] = pixel;
                if ((pixel >> 24) < kMaskThreshold)
                    maskBits[static_cast<size_t>(y) * maskStride + dx / 8] |= static_cast<BYTE>(0x80 >> (dx % 8));
            }
        }
        ++slot;
    }
    const UniqueBitmap mask(CreateBitmap(width, kGlyphSize, 1, 1, maskBits.data()));
    UniqueImageList list(ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR32 | ILC_MASK, count, 0));
    // The list keeps copies of the pictures; the bitmaps go with this call.
    if (list && mask && ImageList_Add(list.get(), colour.get(), mask.get()) < 0) list.reset();
    return list.release();
}

}  // namespace vesko
