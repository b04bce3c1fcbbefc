// Text: the face the program asks for is drawn with Open Sans, glyphs land inside the
// measured extent below and right of the reference point, and opaque text fills its extent
// with the background colour. Glyph pixels are only checked for being inside or outside a
// box, never for their anti-aliased colours.
#include <gtest/gtest.h>

#include "platform/winui/gdi.h"
#include "platform/winui/text_renderer.h"

namespace skyloom::winui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

LOGFONTW lf_logFont(const char16_t* face, int height) {
    LOGFONTW font;
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    std::u16string name(face);
    std::copy(name.begin(), name.end(), font.lfFaceName);
    return font;
}

TEST(TextTest, SegoeUiIsDrawnWithOpenSans) {
    const LOGFONTW segoe = lf_logFont(u"Segoe UI", -16);
    EXPECT_EQ(detail::drawnFace(segoe), "Open Sans");
    // Fails when the fonts-open-sans package is missing (scripts/setup installs it).
    EXPECT_EQ(detail::resolvedFamily(segoe), "Open Sans");
    EXPECT_EQ(detail::drawnFace(lf_logFont(u"DejaVu Sans", -16)), "DejaVu Sans");
}

TEST(TextTest, HeightsAreCharacterHeightsWhenNegativeAndCellHeightsWhenPositive) {
    // A character height of Segoe UI: Open Sans at Segoe UI's x-height.
    constexpr double kSegoeToOpenSans = 1024.0 / 1096.0;
    EXPECT_DOUBLE_EQ(detail::fontPixelSize(lf_logFont(u"Segoe UI", -16), 1.0),
                     16.0 * kSegoeToOpenSans);
    EXPECT_DOUBLE_EQ(detail::fontPixelSize(lf_logFont(u"Segoe UI", -16), 1.5),
                     24.0 * kSegoeToOpenSans);
    EXPECT_DOUBLE_EQ(detail::fontPixelSize(lf_logFont(u"Segoe UI", 0), 1.0),
                     12.0 * kSegoeToOpenSans);
    EXPECT_DOUBLE_EQ(detail::fontPixelSize(lf_logFont(u"Tahoma", -16), 1.0), 16.0);
    EXPECT_DOUBLE_EQ(detail::fontPixelSize(lf_logFont(u"DejaVu Sans", -16), 2.0), 32.0);
    // A cell of 22 pixels holds a smaller em.
    const double em = detail::fontPixelSize(lf_logFont(u"Segoe UI", 22), 1.0);
    EXPECT_LT(em, 22.0);
    EXPECT_GT(em, 12.0);
    const auto metrics = detail::fontMetrics(lf_logFont(u"Segoe UI", 22), 1.0);
    EXPECT_NEAR(metrics.height, 22, 1);
}

class TextCanvas : public ::testing::Test {
protected:
    void SetUp() override {
        hdc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(hdc_, 200, 60);
        oldBitmap_ = SelectObject(hdc_, bitmap_);
        RECT all{0, 0, 200, 60};
        FillRect(hdc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        font_ =
            CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Segoe UI");
        oldFont_ = SelectObject(hdc_, font_);
    }
    void TearDown() override {
        SelectObject(hdc_, oldFont_);
        SelectObject(hdc_, oldBitmap_);
        DeleteObject(font_);
        DeleteObject(bitmap_);
        DeleteDC(hdc_);
    }

    HDC hdc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
};

TEST_F(TextCanvas, GlyphsLandInsideTheExtentBelowAndRightOfThePoint) {
    SetBkMode(hdc_, TRANSPARENT);
    SetTextColor(hdc_, RGB(0, 0, 0));
    SIZE extent;
    ASSERT_TRUE(GetTextExtentPoint32W(hdc_, u"Agy", 3, &extent));
    ASSERT_TRUE(TextOutW(hdc_, 20, 10, u"Agy", 3));
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (GetPixel(hdc_, x, y) == kWhite) {
                continue;
            }
            const bool in = x >= 20 && x < 20 + extent.cx && y >= 10 && y < 10 + extent.cy;
            (in ? inside : outside) += 1;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

TEST_F(TextCanvas, OpaqueTextFillsItsExtentWithTheBackgroundColour) {
    SetBkMode(hdc_, OPAQUE);
    SetBkColor(hdc_, RGB(255, 204, 153));
    SIZE extent;
    ASSERT_TRUE(GetTextExtentPoint32W(hdc_, u"  ", 2, &extent));
    TextOutW(hdc_, 5, 5, u"  ", 2);
    EXPECT_EQ(GetPixel(hdc_, 5, 5), RGB(255, 204, 153));
    EXPECT_EQ(GetPixel(hdc_, 5 + extent.cx - 1, 5 + extent.cy - 1), RGB(255, 204, 153));
    EXPECT_EQ(GetPixel(hdc_, 5 + extent.cx, 5), kWhite);
    EXPECT_EQ(GetPixel(hdc_, 4, 5), kWhite);
}

} // namespace
} // namespace skyloom::winui
