// GDI objects and device-context state: deletion rules, stale and stock handles, saved
// states, and the mapping from logical to device units.
#include <gtest/gtest.h>

#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/image.h"

namespace skyloom::winui {
namespace {

// A memory context with a bitmap of the given size, freed at the end.
class MemoryDc {
public:
    MemoryDc(int width, int height)
        : hdc_(CreateCompatibleDC(nullptr)), bitmap_(CreateCompatibleBitmap(hdc_, width, height)) {
        old_ = SelectObject(hdc_, bitmap_);
    }
    ~MemoryDc() {
        SelectObject(hdc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(hdc_);
    }
    HDC get() const { return hdc_; }

private:
    HDC hdc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

TEST(GdiObjectsTest, AnObjectSelectedIntoAContextCannotBeDeleted) {
    const std::size_t before = gdiObjectCount();
    {
        MemoryDc dc(10, 10);
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        HGDIOBJ old = SelectObject(dc.get(), brush);
        ASSERT_NE(old, nullptr);
        EXPECT_FALSE(DeleteObject(brush));
        EXPECT_EQ(SelectObject(dc.get(), old), brush);
        EXPECT_TRUE(DeleteObject(brush));
        // Gone: a second delete and a select with it fail.
        EXPECT_FALSE(DeleteObject(brush));
        EXPECT_EQ(SelectObject(dc.get(), brush), nullptr);
        EXPECT_EQ(GetObjectType(brush), 0u);
    }
    EXPECT_EQ(gdiObjectCount(), before);
}

TEST(GdiObjectsTest, StockObjectsSurviveDeletionAndCountNothing) {
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetObjectType(black), OBJ_BRUSH);
    EXPECT_EQ(GetObjectType(GetStockObject(DC_PEN)), OBJ_PEN);
    EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), OBJ_FONT);
    EXPECT_EQ(GetStockObject(99), nullptr);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetObjectType(GetSysColorBrush(COLOR_3DFACE)), OBJ_BRUSH);
}

TEST(GdiObjectsTest, ABitmapLivesInOneMemoryContextAtATime) {
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(first, 4, 4);
    HGDIOBJ old = SelectObject(first, bitmap);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    BITMAP info;
    ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 4);
    SelectObject(first, old);
    EXPECT_NE(SelectObject(second, bitmap), nullptr);
    DeleteDC(second); // deleting the context releases the bitmap
    EXPECT_TRUE(DeleteObject(bitmap));
    DeleteDC(first);
}

TEST(GdiObjectsTest, FontsKeepTheirLogFont) {
    HFONT font =
        CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, u"Segoe UI");
    LOGFONTW logFont;
    ASSERT_EQ(GetObjectW(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    EXPECT_EQ(logFont.lfHeight, -24);
    EXPECT_EQ(logFont.lfWeight, FW_BOLD);
    EXPECT_EQ(std::u16string(logFont.lfFaceName), u"Segoe UI");
    EXPECT_EQ(GetObjectW(font, 4, &logFont), 0);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(GdiObjectsTest, SaveAndRestoreBringBackColoursModesAndObjects) {
    MemoryDc dc(10, 10);
    SetTextColor(dc.get(), RGB(1, 1, 1));
    SetBkMode(dc.get(), OPAQUE);
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(9, 9, 9));
    EXPECT_EQ(SaveDC(dc.get()), 1);
    HGDIOBJ before = SelectObject(dc.get(), pen);
    SetTextColor(dc.get(), RGB(2, 2, 2));
    SetBkMode(dc.get(), TRANSPARENT);
    EXPECT_EQ(SaveDC(dc.get()), 2);
    SetTextColor(dc.get(), RGB(3, 3, 3));

    ASSERT_TRUE(RestoreDC(dc.get(), -1));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(2, 2, 2));
    ASSERT_TRUE(RestoreDC(dc.get(), 1));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(1, 1, 1));
    EXPECT_EQ(GetBkMode(dc.get()), OPAQUE);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_PEN), before);
    EXPECT_TRUE(DeleteObject(pen));       // no longer selected after the restore
    EXPECT_FALSE(RestoreDC(dc.get(), 1)); // that state was used up
    EXPECT_FALSE(RestoreDC(dc.get(), 0));
}

TEST(GdiObjectsTest, ColourAndModeSettersReturnThePreviousValue) {
    MemoryDc dc(4, 4);
    EXPECT_EQ(SetDCBrushColor(dc.get(), RGB(10, 20, 30)), RGB(255, 255, 255));
    EXPECT_EQ(GetDCBrushColor(dc.get()), RGB(10, 20, 30));
    EXPECT_EQ(SetBkColor(dc.get(), 0xFFCC99), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(dc.get(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc.get(), 3), 0);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
}

TEST(GdiObjectsTest, AnisotropicMappingScalesAndRoundsHalvesAwayFromZero) {
    MemoryDc dc(1350, 1152);
    // Extents are ignored until the mapping mode allows them.
    EXPECT_TRUE(SetWindowExtEx(dc.get(), 900, 768, nullptr));
    POINT p{3, 3};
    LPtoDP(dc.get(), &p, 1);
    EXPECT_EQ(p, (POINT{3, 3}));

    EXPECT_EQ(SetMapMode(dc.get(), MM_ANISOTROPIC), MM_TEXT);
    SetWindowExtEx(dc.get(), 900, 768, nullptr);
    SetViewportExtEx(dc.get(), 1350, 1152, nullptr);
    POINT points[] = {{0, 0}, {1, 1}, {3, 7}, {900, 768}, {-1, -3}};
    LPtoDP(dc.get(), points, 5);
    EXPECT_EQ(points[0], (POINT{0, 0}));
    EXPECT_EQ(points[1], (POINT{2, 2}));  // 1.5 -> 2
    EXPECT_EQ(points[2], (POINT{5, 11})); // 4.5 -> 5, 10.5 -> 11
    EXPECT_EQ(points[3], (POINT{1350, 1152}));
    EXPECT_EQ(points[4], (POINT{-2, -5})); // -1.5 -> -2, -4.5 -> -5
    POINT back{1350, 1152};
    DPtoLP(dc.get(), &back, 1);
    EXPECT_EQ(back, (POINT{900, 768}));

    EXPECT_FALSE(SetWindowExtEx(dc.get(), 0, 768, nullptr));
    SetMapMode(dc.get(), MM_TEXT);
    POINT reset{7, 7};
    LPtoDP(dc.get(), &reset, 1);
    EXPECT_EQ(reset, (POINT{7, 7}));
}

TEST(GdiObjectsTest, IsotropicMappingKeepsTheAspect) {
    MemoryDc dc(200, 100);
    SetMapMode(dc.get(), MM_ISOTROPIC);
    SetWindowExtEx(dc.get(), 100, 100, nullptr);
    SetViewportExtEx(dc.get(), 200, 100, nullptr);
    POINT p{100, 100};
    LPtoDP(dc.get(), &p, 1);
    EXPECT_EQ(p, (POINT{100, 100}));
}

TEST(GdiObjectsTest, TextExtentsAreInLogicalUnits) {
    MemoryDc dc(2000, 200);
    HFONT font =
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Segoe UI");
    HGDIOBJ old = SelectObject(dc.get(), font);
    SIZE plain;
    ASSERT_TRUE(GetTextExtentPoint32W(dc.get(), u"Version 0.1.0", 13, &plain));
    EXPECT_GT(plain.cx, 40);
    EXPECT_GE(plain.cy, 16);
    SIZE empty;
    ASSERT_TRUE(GetTextExtentPoint32W(dc.get(), u"", 0, &empty));
    EXPECT_EQ(empty.cx, 0);

    // Scaled by 1.5, the same text measures (nearly) the same in logical units.
    SetMapMode(dc.get(), MM_ANISOTROPIC);
    SetWindowExtEx(dc.get(), 900, 768, nullptr);
    SetViewportExtEx(dc.get(), 1350, 1152, nullptr);
    SIZE scaled;
    ASSERT_TRUE(GetTextExtentPoint32W(dc.get(), u"Version 0.1.0", 13, &scaled));
    EXPECT_NEAR(scaled.cx, plain.cx, 2);
    EXPECT_NEAR(scaled.cy, plain.cy, 1);
    TEXTMETRICW metrics;
    ASSERT_TRUE(GetTextMetricsW(dc.get(), &metrics));
    EXPECT_NEAR(metrics.tmAscent + metrics.tmDescent, metrics.tmHeight, 1);
    SelectObject(dc.get(), old);
    DeleteObject(font);
}

} // namespace
} // namespace skyloom::winui
