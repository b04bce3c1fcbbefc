// Pixels drawn by the cairo context, checked at exact points: which edges a filled rectangle,
// a line and an outlined rectangle cover, the anisotropic scaling of the main window's bands
// at 144 DPI, and blits between memory contexts. Only shapes are checked; glyph pixels
// depend on anti-aliasing.
#include <gtest/gtest.h>

#include "platform/winui/gdi.h"
#include "platform/winui/image.h"

namespace skyloom::winui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class Canvas {
public:
    Canvas(int width, int height)
        : hdc_(CreateCompatibleDC(nullptr)), bitmap_(CreateCompatibleBitmap(hdc_, width, height)) {
        old_ = SelectObject(hdc_, bitmap_);
        HBRUSH white = CreateSolidBrush(kWhite);
        RECT all{0, 0, width, height};
        FillRect(hdc_, &all, white);
        DeleteObject(white);
    }
    ~Canvas() {
        SelectObject(hdc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(hdc_);
    }
    HDC get() const { return hdc_; }
    COLORREF at(int x, int y) const { return GetPixel(hdc_, x, y); }

    void fill(RECT rect, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(hdc_, &rect, brush);
        DeleteObject(brush);
    }

private:
    HDC hdc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

TEST(CairoDcTest, FillRectLeavesOutTheRightAndBottomEdges) {
    Canvas canvas(20, 20);
    canvas.fill(RECT{2, 3, 6, 8}, kRed);
    EXPECT_EQ(canvas.at(2, 3), kRed);
    EXPECT_EQ(canvas.at(5, 7), kRed);
    EXPECT_EQ(canvas.at(6, 7), kWhite);
    EXPECT_EQ(canvas.at(5, 8), kWhite);
    EXPECT_EQ(canvas.at(1, 3), kWhite);
    EXPECT_EQ(canvas.at(2, 2), kWhite);
    // An empty rectangle paints nothing.
    canvas.fill(RECT{10, 10, 10, 15}, kRed);
    EXPECT_EQ(canvas.at(10, 10), kWhite);
}

TEST(CairoDcTest, ALineLeavesOutItsEndPoint) {
    Canvas canvas(20, 20);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(canvas.get(), pen);
    MoveToEx(canvas.get(), 2, 10, nullptr);
    LineTo(canvas.get(), 12, 10);
    EXPECT_EQ(canvas.at(2, 10), kRed);
    EXPECT_EQ(canvas.at(11, 10), kRed);
    EXPECT_EQ(canvas.at(12, 10), kWhite);
    EXPECT_EQ(canvas.at(7, 9), kWhite);
    EXPECT_EQ(canvas.at(7, 11), kWhite);
    // Backwards and vertical: the start is drawn, the end is not.
    MoveToEx(canvas.get(), 15, 15, nullptr);
    LineTo(canvas.get(), 15, 12);
    EXPECT_EQ(canvas.at(15, 15), kRed);
    EXPECT_EQ(canvas.at(15, 13), kRed);
    EXPECT_EQ(canvas.at(15, 12), kWhite);
    // Diagonal.
    MoveToEx(canvas.get(), 0, 0, nullptr);
    LineTo(canvas.get(), 4, 4);
    EXPECT_EQ(canvas.at(0, 0), kRed);
    EXPECT_EQ(canvas.at(3, 3), kRed);
    EXPECT_EQ(canvas.at(4, 4), kWhite);
    SelectObject(canvas.get(), old);
    DeleteObject(pen);
}

TEST(CairoDcTest, RectangleOutlinesInsideItsBoundsAndFillsTheInside) {
    Canvas canvas(20, 20);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kBlue);
    HGDIOBJ oldPen = SelectObject(canvas.get(), pen);
    HGDIOBJ oldBrush = SelectObject(canvas.get(), brush);
    Rectangle(canvas.get(), 2, 2, 8, 6);
    EXPECT_EQ(canvas.at(2, 2), kRed);
    EXPECT_EQ(canvas.at(7, 5), kRed); // right - 1, bottom - 1
    EXPECT_EQ(canvas.at(8, 5), kWhite);
    EXPECT_EQ(canvas.at(7, 6), kWhite);
    EXPECT_EQ(canvas.at(3, 3), kBlue);
    EXPECT_EQ(canvas.at(6, 4), kBlue);

    // Without a pen the figure is one pixel smaller, all brush.
    SelectObject(canvas.get(), GetStockObject(NULL_PEN));
    Rectangle(canvas.get(), 10, 10, 14, 14);
    EXPECT_EQ(canvas.at(10, 10), kBlue);
    EXPECT_EQ(canvas.at(12, 12), kBlue);
    EXPECT_EQ(canvas.at(13, 12), kWhite);

    // A hollow brush leaves the inside as it was.
    SelectObject(canvas.get(), pen);
    SelectObject(canvas.get(), GetStockObject(HOLLOW_BRUSH));
    Rectangle(canvas.get(), 14, 2, 19, 7);
    EXPECT_EQ(canvas.at(14, 2), kRed);
    EXPECT_EQ(canvas.at(16, 4), kWhite);
    SelectObject(canvas.get(), oldPen);
    SelectObject(canvas.get(), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST(CairoDcTest, TheDcBrushTakesTheContextsColour) {
    Canvas canvas(10, 10);
    SetDCBrushColor(canvas.get(), RGB(153, 204, 255));
    RECT rect{0, 0, 5, 5};
    FillRect(canvas.get(), &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    EXPECT_EQ(canvas.at(4, 4), RGB(153, 204, 255));
    // A system colour given as its index + 1, as class backgrounds are.
    RECT second{5, 5, 10, 10};
    FillRect(canvas.get(), &second,
             reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_HIGHLIGHT + 1)));
    EXPECT_EQ(canvas.at(7, 7), RGB(0, 120, 215));
}

TEST(CairoDcTest, BandsOfA900UnitLayoutScaleByOneAndAHalfAt144Dpi) {
    Canvas canvas(1350, 1152);
    SetMapMode(canvas.get(), MM_ANISOTROPIC);
    SetWindowExtEx(canvas.get(), 900, 768, nullptr);
    SetViewportExtEx(canvas.get(), 1350, 1152, nullptr);
    canvas.fill(RECT{0, 0, 900, 32}, RGB(0, 0, 0));
    canvas.fill(RECT{0, 96, 900, 640}, RGB(153, 204, 255));
    canvas.fill(RECT{403, 34, 436, 96}, RGB(25, 150, 25));
    HPEN white = CreatePen(PS_SOLID, 1, kWhite);
    HGDIOBJ old = SelectObject(canvas.get(), white);
    MoveToEx(canvas.get(), 0, 97, nullptr);
    LineTo(canvas.get(), 900, 97);
    SelectObject(canvas.get(), old);
    DeleteObject(white);
    SetMapMode(canvas.get(), MM_TEXT);

    EXPECT_EQ(canvas.at(1349, 47), RGB(0, 0, 0)); // 32 * 1.5 = 48 rows of header
    EXPECT_EQ(canvas.at(1349, 48), kWhite);
    EXPECT_EQ(canvas.at(0, 144), RGB(153, 204, 255));
    EXPECT_EQ(canvas.at(0, 959), RGB(153, 204, 255));
    EXPECT_EQ(canvas.at(0, 960), kWhite);
    // 403 * 1.5 = 604.5 -> 605, 436 * 1.5 = 654; 34 * 1.5 = 51.
    EXPECT_EQ(canvas.at(604, 60), kWhite);
    EXPECT_EQ(canvas.at(605, 51), RGB(25, 150, 25));
    EXPECT_EQ(canvas.at(653, 143), RGB(25, 150, 25));
    EXPECT_EQ(canvas.at(654, 100), kWhite);
    // A one-unit pen is two pixels wide at this scale: 97 * 1.5 = 145.5 -> rows 146, 147.
    EXPECT_EQ(canvas.at(10, 146), kWhite);
    EXPECT_EQ(canvas.at(10, 147), kWhite);
    EXPECT_EQ(canvas.at(10, 145), RGB(153, 204, 255));
    EXPECT_EQ(canvas.at(10, 148), RGB(153, 204, 255));
}

TEST(CairoDcTest, BitBltCopiesBetweenMemoryContexts) {
    Canvas source(10, 10);
    source.fill(RECT{0, 0, 5, 5}, kRed);
    Canvas target(10, 10);
    ASSERT_TRUE(BitBlt(target.get(), 3, 3, 4, 4, source.get(), 2, 2, SRCCOPY));
    EXPECT_EQ(target.at(3, 3), kRed);   // from (2, 2)
    EXPECT_EQ(target.at(5, 5), kRed);   // from (4, 4)
    EXPECT_EQ(target.at(6, 6), kWhite); // from (5, 5), outside the red square
    EXPECT_EQ(target.at(7, 7), kWhite); // outside the copied area
    EXPECT_EQ(target.at(2, 2), kWhite);
    ASSERT_TRUE(BitBlt(target.get(), 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_EQ(target.at(1, 1), RGB(0, 0, 0));
    EXPECT_FALSE(BitBlt(target.get(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
}

TEST(CairoDcTest, PixelsOutsideTheBitmapAreInvalid) {
    Canvas canvas(4, 4);
    EXPECT_EQ(canvas.at(4, 0), CLR_INVALID);
    EXPECT_EQ(canvas.at(-1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(canvas.get(), 1, 1, kRed), kRed);
    EXPECT_EQ(canvas.at(1, 1), kRed);
}

} // namespace
} // namespace skyloom::winui
