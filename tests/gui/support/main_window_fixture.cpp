#include "tests/gui/support/main_window_fixture.h"

#include <cstdlib>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "platform/winui/dpi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/monitors.h"
#include "platform/winui/painting.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_geometry.h"

namespace skyloom::testing {
namespace {

constexpr const char* kWorkDirVariable = "SKYLOOM_WORKDIR";

std::string lf_colour(winui::COLORREF colour) {
    return fmt::format("#{:02X}{:02X}{:02X}", winui::GetRValue(colour), winui::GetGValue(colour),
                       winui::GetBValue(colour));
}

} // namespace

MainWindowTest::MainWindowTest() : parameters_(&store_, &cell_) {}

void MainWindowTest::SetUp() {
    GuiTest::SetUp();
    // Nothing an earlier test left for this thread (a quit) reaches this one.
    winui::MSG left;
    while (winui::PeekMessageW(&left, nullptr, 0, 0, winui::PM_REMOVE) != winui::FALSE) {
    }
    if (const char* old = std::getenv(kWorkDirVariable)) {
        previousWorkDir_ = old;
    }
    ::setenv(kWorkDirVariable, dir_.path().c_str(), 1);
    store_.load(dir_ / "parameters.xml", parameters_.persisted());
    parameters_.publishAll();
    facts_.versionText = "0.1.0";
    facts_.settings = std::make_shared<const ParamsSnapshot>(parameters_.snapshot());
    gui_.setPaintFactsSource([this] { return facts_; });
}

void MainWindowTest::TearDown() {
    window_.reset();
    winui::pumpWaitingMessages();
    if (previousWorkDir_) {
        ::setenv(kWorkDirVariable, previousWorkDir_->c_str(), 1);
    } else {
        ::unsetenv(kWorkDirVariable);
    }
    GuiTest::TearDown();
}

void MainWindowTest::useScreenAt(winui::UINT dpi) {
    const int scale = static_cast<int>(dpi);
    const winui::RECT area{0, 0, winui::MulDiv(1920, scale, 96), winui::MulDiv(1080, scale, 96)};
    winui::RECT work = area;
    work.bottom -= winui::MulDiv(40, scale, 96);
    winui::setMonitors({winui::MonitorSetup{area, work, dpi}});
    winui::setSystemDpi(dpi);
}

winui::HWND MainWindowTest::open(MainWindow::ControlsBuilder controls) {
    window_ = std::make_unique<MainWindow>(gui_, parameters_, run_, std::move(controls));
    window_->setParametersFile(dir_ / "parameters.xml");
    const winui::HWND window = window_->create();
    pump();
    return window;
}

std::vector<std::string> MainWindowTest::recordPaint() {
    auto log = std::make_shared<winui::RecordingLog>();
    winui::recordWindowPaints(window_->window(), log);
    winui::InvalidateRect(window_->window(), nullptr, winui::FALSE);
    winui::UpdateWindow(window_->window());
    winui::recordWindowPaints(window_->window(), nullptr);
    return log->calls();
}

std::vector<std::string> MainWindowTest::recordPaintOf(winui::HWND window) {
    auto log = std::make_shared<winui::RecordingLog>();
    winui::recordWindowPaints(window, log);
    winui::RedrawWindow(window, nullptr, nullptr, winui::RDW_INVALIDATE | winui::RDW_UPDATENOW);
    winui::recordWindowPaints(window, nullptr);
    return log->calls();
}

std::vector<std::string> MainWindowTest::paintAfter(bool compact,
                                                    const std::vector<GuiUpdate>& updates) {
    if (open([](winui::HWND) { return true; }) == nullptr) {
        ADD_FAILURE() << "the main window could not be made";
        return {};
    }
    gui_.enqueueUpdate(GuiUpdate::SetCompact{compact});
    for (GuiUpdate update : updates) {
        gui_.enqueueUpdate(std::move(update));
    }
    return recordPaint();
}

void gf_expectNoLineWith(const std::vector<std::string>& calls,
                         const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        for (const std::string& call : calls) {
            EXPECT_EQ(call.find(part), std::string::npos) << "drawn: " << call;
        }
    }
}

std::optional<std::string> MainWindowTest::savedValue(const std::string& name) const {
    pugi::xml_document document;
    if (!document.load_file((dir_ / "parameters.xml").c_str())) {
        return std::nullopt;
    }
    const pugi::xml_node parameter =
        document.select_node(fmt::format("//parameter[@name='{}']", name).c_str()).node();
    if (!parameter) {
        return std::nullopt;
    }
    return std::string(parameter.attribute("value").value());
}

winui::SIZE MainWindowTest::clientSize() const {
    winui::RECT client{};
    winui::GetClientRect(window_->window(), &client);
    return winui::SIZE{client.right, client.bottom};
}

winui::RECT MainWindowTest::windowRect() const {
    winui::RECT rect{};
    winui::GetWindowRect(window_->window(), &rect);
    return rect;
}

std::string gf_recordedText(int x, int y, const std::string& text, winui::COLORREF colour,
                            bool bold) {
    return fmt::format("TextOutW({},{}) \"{}\" font=\"Segoe UI\"/-16/{} color={} bk=transparent", x,
                       y - 3, text, bold ? 700 : 400, lf_colour(colour));
}

std::string gf_recordedFill(int left, int top, int right, int bottom, winui::COLORREF colour) {
    return fmt::format("FillRect({},{},{},{}) brush={}", left, top, right, bottom,
                       lf_colour(colour));
}

std::string gf_recordedLine(int x1, int y1, int x2, int y2, winui::COLORREF colour) {
    return fmt::format("LineTo({},{},{},{}) pen={}/1", x1, y1, x2, y2, lf_colour(colour));
}

} // namespace skyloom::testing
