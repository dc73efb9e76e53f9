#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <vector>

#include "bookmarks/BookMark.h"
#include "res/resource.h"
#include "tests/bookmarks/BookmarkTestSupport.h"
#include "tests/support/FrameFixture.h"

namespace vesko::test {
namespace {

constexpr int kSize = 16;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDark = RGB(32, 32, 40);

// A 32-bit drawing surface filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<DWORD*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        const DWORD pixel = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
        for (int i = 0; i < width * height; ++i) bits_[i] = pixel;
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int width_;
    HBITMAP bitmap_;
    DWORD* bits_ = nullptr;
    HDC dc_;
    HGDIOBJ old_;
};

// The strip's alpha, read from the art itself: 0 where a glyph leaves its
// background untouched.
std::vector<BYTE> StripAlpha(int& width) {
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_GLYPHS), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION dib{};
    GetObjectW(strip, sizeof dib, &dib);
    width = dib.dsBm.bmWidth;
    std::vector<BYTE> alpha(static_cast<size_t>(width) * kSize);
    for (int y = 0; y < kSize; ++y) {
        const int row = dib.dsBmih.biHeight > 0 ? kSize - 1 - y : y;
        const auto* pixels =
            reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(dib.dsBm.bmBits) + row * dib.dsBm.bmWidthBytes);
        for (int x = 0; x < width; ++x) alpha[static_cast<size_t>(y) * width + x] = pixels[x] >> 24;
    }
    DeleteObject(strip);
    return alpha;
}

bool NearMagenta(COLORREF c) { return GetRValue(c) > 180 && GetBValue(c) > 180 && GetGValue(c) < 100; }
bool IsGrey(COLORREF c) {
    return std::abs(GetRValue(c) - GetGValue(c)) <= 10 && std::abs(GetGValue(c) - GetBValue(c)) <= 10;
}

class PictureTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        alpha_ = StripAlpha(stripWidth_);
        ASSERT_EQ(stripWidth_, 13 * kSize);
    }

    // Checks a picture drawn at (left, top) of `canvas` over `background`:
    // glyph `glyph` of the strip, without a pixel near magenta, with its
    // transparent pixels untouched and something drawn. Returns the pixels.
    std::vector<COLORREF> Check(const Canvas& canvas, int left, int top, int glyph, COLORREF background,
                                const char* what) {
        std::vector<COLORREF> pixels;
        int drawn = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const COLORREF c = canvas.At(left + x, top + y);
                pixels.push_back(c);
                EXPECT_FALSE(NearMagenta(c)) << what << " glyph " << glyph << " at " << x << "," << y;
                if (alpha_[static_cast<size_t>(y) * stripWidth_ + glyph * kSize + x] == 0) {
                    EXPECT_EQ(c, background) << what << " glyph " << glyph << " at " << x << "," << y;
                }
                drawn += c != background;
            }
        }
        EXPECT_GT(drawn, 10) << what << " glyph " << glyph << " shows";
        return pixels;
    }

    std::vector<BYTE> alpha_;
    int stripWidth_ = 0;
};

TEST_F(PictureTest, EveryPictureHasCleanEdgesOnAnyBackground) {
    WriteFileBytes(dir_ + L"bookmark.xml", kSampleFile);
    HWND toolBar = Frame().Controls().toolBar2;
    auto normal = reinterpret_cast<HIMAGELIST>(SendMessageW(toolBar, TB_GETIMAGELIST, 0, 0));
    auto disabled = reinterpret_cast<HIMAGELIST>(SendMessageW(toolBar, TB_GETDISABLEDIMAGELIST, 0, 0));
    ASSERT_EQ(ImageList_GetImageCount(normal), 13);
    ASSERT_EQ(ImageList_GetImageCount(disabled), 13);
    Tfrm_BMEdit* editor = Tfrm_BMEdit::Create(dir_ + L"bookmark.xml", Frame().Handle());
    auto tree = TreeView_GetImageList(editor->Controls().treeView1, TVSIL_NORMAL);
    ASSERT_EQ(ImageList_GetImageCount(tree), 2);
    HMENU menu = Frame().BookmarkMenu();
    SendMessageW(Frame().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);

    for (COLORREF background : {kWhite, kDark, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_HIGHLIGHT)}) {
        for (int glyph = 0; glyph < 13; ++glyph) {
            Canvas canvas(kSize, kSize, background);
            ASSERT_TRUE(ImageList_Draw(normal, glyph, canvas.Dc(), 0, 0, ILD_TRANSPARENT));
            Check(canvas, 0, 0, glyph, background, "tool bar");

            Canvas grey(kSize, kSize, background);
            ASSERT_TRUE(ImageList_Draw(disabled, glyph, grey.Dc(), 0, 0, ILD_TRANSPARENT));
            int dark = 0;
            for (COLORREF c : Check(grey, 0, 0, glyph, background, "disabled")) {
                // Grey itself, and so grey wherever it blends with grey.
                EXPECT_TRUE(IsGrey(c) || !IsGrey(background)) << "disabled glyph " << glyph;
                dark += GetRValue(c) < 170;
            }
            if (background == kWhite) {
                EXPECT_GE(dark, 5) << "disabled glyph " << glyph << " is legible";
            }
        }
        for (int image = 0; image < 2; ++image) {
            Canvas canvas(kSize, kSize, background);
            ASSERT_TRUE(ImageList_Draw(tree, image, canvas.Dc(), 0, 0, ILD_TRANSPARENT));
            Check(canvas, 0, 0, 11 + image, background, "tree");
        }
        // The menu's Tools (a folder) and Start (a page), its last two
        // items, plain and highlighted, drawn as the menu asks the frame to.
        const UINT start = static_cast<UINT>(GetMenuItemCount(menu) - 1);
        for (UINT position : {start - 1, start}) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_BITMAP | MIIM_DATA | MIIM_ID;
            ASSERT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &mii));
            ASSERT_EQ(mii.hbmpItem, HBMMENU_CALLBACK);
            MEASUREITEMSTRUCT measure{ODT_MENU, 0, mii.wID, 0, 0, mii.dwItemData};
            ASSERT_TRUE(SendMessageW(Frame().Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
            ASSERT_GE(measure.itemWidth, static_cast<UINT>(kSize));
            ASSERT_GE(measure.itemHeight, static_cast<UINT>(kSize));
            const int width = static_cast<int>(measure.itemWidth), height = static_cast<int>(measure.itemHeight) + 4;
            for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED)}) {
                Canvas canvas(width, height, background);
                DRAWITEMSTRUCT draw{ODT_MENU,      0,
                                    mii.wID,       ODA_DRAWENTIRE,
                                    state,         reinterpret_cast<HWND>(menu),
                                    canvas.Dc(),   {0, 0, width, height},
                                    mii.dwItemData};
                SendMessageW(Frame().Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
                Check(canvas, 0, (height - kSize) / 2, position == start ? 12 : 11, background, "menu");
            }
        }
    }
    DestroyWindow(editor->Handle());
}

}  // namespace
}  // namespace vesko::test
