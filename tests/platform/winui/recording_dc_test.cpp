// The recording context: every drawing call of a small scene, in the logical units the
// caller used, with the pen, brush, font and colours in force.
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/gdi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

HFONT lf_font(int weight) {
    return CreateFontW(-16, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       u"Segoe UI");
}

// Part of a header: a double-buffered paint in a 900-unit layout mapped onto 1350 pixels.
void lf_paintScene(HDC hdc) {
    HDC memory = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, 1350, 144);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    SaveDC(memory);
    SetMapMode(memory, MM_ANISOTROPIC);
    SetWindowExtEx(memory, 900, 96, nullptr);
    SetViewportExtEx(memory, 1350, 144, nullptr);

    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    RECT header{0, 0, 900, 32};
    FillRect(memory, &header, black);
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(memory, white);
    MoveToEx(memory, 0, 32, nullptr);
    LineTo(memory, 900, 32);
    HGDIOBJ oldBrush = SelectObject(memory, GetStockObject(HOLLOW_BRUSH));
    Rectangle(memory, 765, 4, 855, 30);
    SelectObject(memory, oldBrush);

    HFONT font = lf_font(FW_NORMAL);
    HGDIOBJ oldFont = SelectObject(memory, font);
    SetTextColor(memory, RGB(50, 210, 50));
    SetBkMode(memory, TRANSPARENT);
    TextOutW(memory, 3, 7 - 3, u"Version 0.1.0", 13);
    SelectObject(memory, oldFont);

    SetDCBrushColor(memory, RGB(153, 204, 255));
    RECT options{0, 96, 900, 640};
    FillRect(memory, &options, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    HPEN tick = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    SelectObject(memory, tick);
    const POINT points[] = {{2, 7}, {5, 10}, {11, 4}};
    Polyline(memory, points, 3);
    SelectObject(memory, oldPen);

    RestoreDC(memory, -1);
    BitBlt(hdc, 0, 0, 1350, 144, memory, 0, 0, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    DeleteObject(font);
    DeleteObject(white);
    DeleteObject(tick);
    DeleteObject(black);
}

const std::vector<std::string> kSceneCalls = {
    "FillRect(0,0,900,32) brush=#000000",
    "LineTo(0,32,900,32) pen=#FFFFFF/1",
    "Rectangle(765,4,855,30) pen=#FFFFFF/1 brush=none",
    "TextOutW(3,4) \"Version 0.1.0\" font=\"Segoe UI\"/-16/400 color=#32D232 bk=transparent",
    "FillRect(0,96,900,640) brush=#99CCFF",
    "Polyline(2,7 5,10 11,4) pen=#000000/2",
    "BitBlt(0,0,1350,144) from=0,0 rop=SRCCOPY",
};

TEST(RecordingDcTest, RecordsASmallSceneInLogicalUnits) {
    auto log = std::make_shared<RecordingLog>();
    HDC hdc = createRecordingDc(log, SIZE{1350, 144}, 144);
    ASSERT_NE(hdc, nullptr);
    const std::size_t objectsBefore = gdiObjectCount();
    lf_paintScene(hdc);
    EXPECT_EQ(log->calls(), kSceneCalls);
    EXPECT_EQ(gdiObjectCount(), objectsBefore); // the scene frees what it made
    EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSX), 144);
    EXPECT_TRUE(DeleteDC(hdc));
    EXPECT_EQ(createRecordingDc(nullptr, SIZE{1, 1}), nullptr);
}

TEST(RecordingDcTest, OpaqueTextShowsItsBackgroundAndTheDefaultFont) {
    auto log = std::make_shared<RecordingLog>();
    HDC hdc = createRecordingDc(log, SIZE{100, 100});
    SetBkColor(hdc, 0xFFCC99);
    TextOutW(hdc, 1, 2, u"qnh:", -1);
    SetDCPenColor(hdc, RGB(1, 2, 3));
    SelectObject(hdc, GetStockObject(DC_PEN));
    SelectObject(hdc, GetStockObject(NULL_BRUSH));
    Rectangle(hdc, 10, 10, 5, 5); // corners in any order
    SelectObject(hdc, GetStockObject(NULL_PEN));
    MoveToEx(hdc, 0, 0, nullptr);
    LineTo(hdc, 3, 3);
    EXPECT_THAT(log->calls(),
                ElementsAre("TextOutW(1,2) \"qnh:\" font=\"Segoe UI\"/-16/400 color=#000000 "
                            "bk=#99CCFF",
                            "Rectangle(5,5,10,10) pen=#010203/0 brush=none",
                            "LineTo(0,0,3,3) pen=none"));
    DeleteDC(hdc);
}

class RecordedWindowTest : public WinuiTest {};

TEST_F(RecordedWindowTest, AWindowsPaintCanBeRecorded) {
    Recorder recorder;
    recorder.setHandler([](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC hdc = BeginPaint(hwnd, &paint);
            lf_paintScene(hdc);
            EndPaint(hwnd, &paint);
            return 0;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 1350, 144});
    pumpWaitingMessages();
    auto log = std::make_shared<RecordingLog>();
    ASSERT_TRUE(recordWindowPaints(hwnd, log));
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(log->calls(), kSceneCalls);
    ASSERT_TRUE(recordWindowPaints(hwnd, nullptr));
    log->clear();
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_TRUE(log->calls().empty());
}

} // namespace
} // namespace skyloom::winui::testing
