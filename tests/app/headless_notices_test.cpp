#include "app/headless_notices.h"

#include <gtest/gtest.h>

#include "gui/gui.h"
#include "platform/winui/dialogs.h"
#include "platform/winui/headless/headless_backend.h"

namespace skyloom {
namespace {

// Error lines and message boxes, not status lines, reach standard error; the boxes are still
// answered by the backend beneath.
TEST(HeadlessNoticesTest, ErrorLinesAndMessageBoxesAlsoGoToStandardError) {
    const auto headless = winui::headless::installHeadlessBackend();
    Gui gui;
    gui.recordGuiThread();
    gf_echoNoticesToStandardError(gui);
    ::testing::internal::CaptureStderr();
    gui.showErrorLine("No dbase found");
    gui.showStatusText("Waiting for MSFS 2020 ...", false);
    winui::MessageBoxW(nullptr, u"Open the folder?", u"Skyloom", winui::MB_YESNO);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "No dbase found\nOpen the folder?\n");
    EXPECT_EQ(headless->messageBoxes().size(), 1u);
    winui::headless::installHeadlessBackend();
}

} // namespace
} // namespace skyloom
