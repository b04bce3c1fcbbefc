#include "tests/gui/support/gui_test_support.h"

#include <fstream>
#include <latch>
#include <thread>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "gui/gui_layout.h"
#include "gui/gui_messages.h"
#include "gui/tblo_notice.h"
#include "platform/winui/debug_output.h"
#include "platform/winui/dpi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"

namespace skyloom {

void PrintTo(const GuiRedrawFlags& flags, std::ostream* os) {
    *os << "GuiRedrawFlags(" << static_cast<int>(flags.bits()) << ")";
}

void PrintTo(const GuiState& s, std::ostream* os) {
    *os << fmt::format(
        "{{compact {} status '{}' error '{}' name '{}' publisher '{}' quality '{}' sim '{}' "
        "source '{}' stand '{}' park '{}' staticFit {} liveFit {} live {} simaddon {} thirdp "
        "{} liveries {} parkedLive {} static {} stands {} maxPct {} maxCount {} nextUpdate {} "
        "expiryArmed {} expiry {} updates {} plan {} qnh {} inHg {} handmade {} feedPending {} "
        "fileLoaded {} simConnected {} wingspanKnown {} fitHidden {} timeShift {} traffic {} "
        "weather {} weight {} heldUntil {} waiting '{}'}}",
        s.compact, s.statusLine, s.errorLine, s.parkAirportName, s.publisher, s.qualityText,
        s.simulatorText, s.dataSourceText, s.userStand, s.parkAirport, s.staticFit, s.liveFit,
        s.liveAircraftCount, s.simaddonCount, s.thirdpCount, s.liveriesCount, s.parkedLiveCount,
        s.staticCount, s.standCount, s.maxParkedPercentage, s.maxParkedCount,
        s.minutesToNextParkingUpdate, s.statusExpiryArmed,
        s.statusExpiry.time_since_epoch().count(), s.airportFileUpdates, s.staticPlanCount,
        s.qnhHpa, s.qnhInHg, s.airportFileHandmade, s.feedStatusPending, s.airportFileLoaded,
        s.simulatorConnected, s.userWingspanKnown, s.staticFitHidden, s.timeShiftEnabled,
        gf_readerStateText(s.trafficReaderState), gf_readerStateText(s.weatherReaderState),
        static_cast<int>(s.statusWeight), s.statusHeldUntil.time_since_epoch().count(),
        s.waitingStatus);
}

void PrintTo(const GuiUpdate& update, std::ostream* os) {
    if (update.payload.valueless_by_exception()) {
        *os << "GuiUpdate(valueless)";
        return;
    }
    *os << "GuiUpdate(" << static_cast<int>(update.kind()) << " "
        << gf_guiUpdateKindText(update.kind()) << ")";
}

namespace testing {
namespace {

struct WindowHost {
    Gui* gui = nullptr;
    TestWindowJournal* journal = nullptr;
};

winui::LRESULT lf_testMainWindowProc(winui::HWND hwnd, winui::UINT message, winui::WPARAM wParam,
                                     winui::LPARAM lParam) {
    if (message == winui::WM_NCCREATE) {
        const auto* create = reinterpret_cast<const winui::CREATESTRUCTW*>(lParam);
        winui::SetWindowLongPtrW(hwnd, winui::GWLP_USERDATA,
                                 reinterpret_cast<winui::LONG_PTR>(create->lpCreateParams));
    }
    auto* host =
        reinterpret_cast<WindowHost*>(winui::GetWindowLongPtrW(hwnd, winui::GWLP_USERDATA));
    if (host != nullptr && host->gui != nullptr) {
        switch (message) {
        case MSG_GUI_UPDATE:
            ++host->journal->guiUpdateMessages;
            host->journal->drains.push_back(host->gui->drainUpdateQueue());
            return 0;
        case winui::WM_PAINT: {
            winui::PAINTSTRUCT paint;
            winui::BeginPaint(hwnd, &paint);
            ++host->journal->paints;
            host->journal->paintRects.push_back(paint.rcPaint);
            winui::EndPaint(hwnd, &paint);
            return 0;
        }
        case winui::WM_ERASEBKGND:
            return 1;
        case winui::WM_DESTROY:
            ++host->journal->destroys;
            host->gui->stopUpdates();
            host->gui = nullptr;
            return 0;
        default:
            break;
        }
    }
    return winui::DefWindowProcW(hwnd, message, wParam, lParam);
}

constexpr const char16_t* kClassName = u"SkyloomGuiTestWindow";

// The host of the test's main window; tests run one at a time.
WindowHost g_host;

} // namespace

void GuiTest::SetUp() {
    gf_setClock(&clock_);
    LogFile::openIn(dir_.path());
    backend_ = winui::headless::installHeadlessBackend();
    winui::setMonitors({});
    winui::setSystemDpi(96);
    winui::setPostMessageLimit(10000);
    winui::setPostMessageFault(false);
    gf_setTbloNoticePending(false);
    winui::takeDebugOutput();

    winui::WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &lf_testMainWindowProc;
    windowClass.lpszClassName = kClassName;
    ASSERT_NE(winui::RegisterClassExW(&windowClass), 0);
}

void GuiTest::TearDown() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if (winui::IsWindow(*it) != winui::FALSE) {
            winui::DestroyWindow(*it);
        }
    }
    winui::pumpWaitingMessages();
    winui::UnregisterClassW(kClassName, nullptr);
    g_host = WindowHost{};
    winui::setPostMessageFault(false);
    gf_setTbloNoticePending(false);
    LogFile::close();
    gf_setClock(nullptr);
}

winui::HWND GuiTest::createMainWindow(Gui& gui) {
    gui.recordGuiThread();
    g_host = WindowHost{&gui, &journal_};
    const winui::UINT dpi = winui::GetDpiForSystem();
    const winui::SIZE size = gf_windowSizeForClient(kLayoutHeightExpanded, dpi);
    const winui::HWND window =
        winui::CreateWindowExW(0, kClassName, u"Skyloom", kMainWindowStyle | winui::WS_VISIBLE, 400,
                               20, size.cx, size.cy, nullptr, nullptr, nullptr, &g_host);
    EXPECT_NE(window, nullptr);
    windows_.push_back(window);
    gui.setWindow(window);
    gui.setDpi(winui::GetDpiForWindow(window));
    return window;
}

winui::HWND GuiTest::createChild(winui::HWND parent, int id) {
    const winui::HWND child = winui::CreateWindowExW(
        0, u"BUTTON", u"", winui::WS_CHILD | winui::WS_VISIBLE, 10, 10, 14, 14, parent,
        reinterpret_cast<winui::HMENU>(static_cast<winui::UINT_PTR>(id)), nullptr, nullptr);
    EXPECT_NE(child, nullptr);
    return child;
}

std::size_t GuiTest::pump() {
    return winui::pumpWaitingMessages();
}

std::vector<std::string> GuiTest::logLines() const {
    LogFile::flush();
    std::ifstream in(dir_ / "Log.txt", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (header) {
            header = false;
            continue;
        }
        lines.push_back(line);
    }
    return lines;
}

void runOnThreads(std::size_t threads, const std::function<void(std::size_t)>& work) {
    std::latch start(static_cast<std::ptrdiff_t>(threads));
    std::vector<std::thread> running;
    running.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) {
        running.emplace_back([&, i] {
            start.arrive_and_wait();
            work(i);
        });
    }
    for (auto& thread : running) {
        thread.join();
    }
}

} // namespace testing
} // namespace skyloom
