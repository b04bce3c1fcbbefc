#include "tests/app/support/app_test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "foundation/text.h"
#include "gui/gui_messages.h"
#include "gui/parking_interval.h"
#include "platform/winui/gdi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "refdata/data_set.h"
#include "runtime/current_day_slot.h"
#include "runtime/user_aircraft.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

constexpr const char16_t* kRecordingClass = u"SkyloomAppTestWindow";

struct RecordingHost {
    Gui* gui = nullptr;
    std::vector<winui::UINT>* posted = nullptr;
};

RecordingHost g_recordingHost;

winui::LRESULT lf_recordingWindowProc(winui::HWND hwnd, winui::UINT message, winui::WPARAM wParam,
                                      winui::LPARAM lParam) {
    switch (message) {
    case MSG_GUI_UPDATE:
        if (g_recordingHost.gui != nullptr) {
            g_recordingHost.gui->drainUpdateQueue();
        }
        return 0;
    case MSG_START:
    case MSG_EXIT:
        if (g_recordingHost.posted != nullptr) {
            g_recordingHost.posted->push_back(message);
        }
        return 0;
    default:
        return winui::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

EnvOverride::EnvOverride(const char* name, const std::optional<fs::path>& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        old_ = old;
    }
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

EnvOverride::~EnvOverride() {
    if (old_) {
        ::setenv(name_, old_->c_str(), 1);
    } else {
        ::unsetenv(name_);
    }
}

ProgramFolders::ProgramFolders(const fs::path& dir)
    : runtime_("XDG_RUNTIME_DIR", dir / "run"), work_("SKYLOOM_WORKDIR", dir / "work"),
      roaming_("SKYLOOM_APPDATA", dir / "roaming"), local_("SKYLOOM_LOCALAPPDATA", dir / "local") {
    fs::create_directories(dir / "run");
    fs::create_directories(dir / "work");
}

namespace {

constexpr const char* kRtApiTestLicence = "AAA-BBB-CCC-DDD";

} // namespace

AppTest::AppTest()
    : workDir_("SKYLOOM_WORKDIR", dir_ / "work"), roaming_("SKYLOOM_APPDATA", dir_ / "roaming"),
      local_("SKYLOOM_LOCALAPPDATA", dir_ / "local"), runtime_("XDG_RUNTIME_DIR", dir_ / "run") {}

void AppTest::SetUp() {
    fs::create_directories(workFolder() / "docs");
    fs::create_directories(dir_ / "run");
    fs::create_directories(packagesRoot() / "Community");
    // The Microsoft Store build of MSFS 2024 (the default choice) names its packages folder.
    writeTextFile(dir_ / "local" / "Packages" / "Microsoft.Limitless_8wekyb3d8bbwe" / "LocalCache" /
                      "UserCfg.opt",
                  "InstalledPackagesPath \"" + packagesRoot().string() + "\"\n");
    writeTextFile(inputFolder() / "dbase.xml", dbaseText("2026.1.0", "A320,B738"));
    writeTextFile(inputFolder() / "airports.xml", airportsText("2026.1.0"));
    // One AI package with one livery, so that the start-up's livery scan finds something.
    writeTextFile(packagesRoot() / "Community" / "aig-aitraffic-oci-test" / "SimObjects" /
                      "Airplanes" / "A320" / "aircraft.cfg",
                  "[General]\nicao_type_designator=A320\n[fltsim.0]\ntitle=Test A320 DLH\n"
                  "icao_airline=DLH\n");
    rtApi_.addLicence(kRtApiTestLicence, tools::StandInLicence::professional);

    gf_setClock(&clock_);
    backend_ = winui::headless::installHeadlessBackend();
    LogFile::openIn(workFolder());
    gf_takeParkingIntervalMinutes();
    g_timeShiftActive.store(false);
    gf_clearCurrentDaySlot();
    // A start-up run by an earlier test with MSFS 2024 chosen leaves object ids in decimal.
    gf_setHexidHexadecimal(true);
    // Updates sent from the test thread are applied at once, and recorded.
    gui_.recordGuiThread();
    gui_.setAppliedUpdateObserver([this](const GuiUpdate& update, GuiRedrawFlags) {
        applied_.push_back(update);
        if (onApplied_) {
            onApplied_(update);
        }
    });
}

void AppTest::TearDown() {
    if (window_ != nullptr && winui::IsWindow(window_) != winui::FALSE) {
        winui::DestroyWindow(window_);
    }
    winui::pumpWaitingMessages();
    gui_.setWindow(nullptr);
    winui::UnregisterClassW(kRecordingClass, nullptr);
    g_recordingHost = RecordingHost{};
    LogFile::close();
    gf_setClock(nullptr);
}

MainRunContext AppTest::context() {
    // The user's RealTraffic.lic for the default road (RT Direct), unless the test put a file
    // where the Roaming AppData folder should be.
    std::error_code ec;
    if (!fs::exists(roamingFolder(), ec) || fs::is_directory(roamingFolder(), ec)) {
        writeTextFile(roamingFolder() / "InsideSystems" / "RealTraffic.lic",
                      fmt::format(R"({{"License":"{}"}})", kRtApiTestLicence));
    }
    return MainRunContext{clock_, gui_, stop_, requests_, user_, stands_};
}

void AppTest::createRecordingWindow() {
    gui_.recordGuiThread();
    winui::WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &lf_recordingWindowProc;
    windowClass.lpszClassName = kRecordingClass;
    ASSERT_NE(winui::RegisterClassExW(&windowClass), 0);
    g_recordingHost = RecordingHost{&gui_, &posted_};
    window_ = winui::CreateWindowExW(0, kRecordingClass, u"Skyloom", winui::WS_CAPTION, 0, 0, 300,
                                     200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    gui_.setWindow(window_);
}

bool AppTest::windowPaints(std::string_view text) {
    if (window_ == nullptr) {
        createRecordingWindow();
    }
    auto log = std::make_shared<winui::RecordingLog>();
    const winui::HDC dc = winui::createRecordingDc(log, winui::SIZE{900, 768});
    gui_.paint(dc);
    winui::DeleteDC(dc);
    const std::string quoted = fmt::format(" \"{}\" ", text);
    const std::vector<std::string> calls = log->calls();
    return std::any_of(calls.begin(), calls.end(), [&quoted](const std::string& call) {
        return call.starts_with("TextOutW(") && call.find(quoted) != std::string::npos;
    });
}

std::vector<winui::UINT> AppTest::pumpPosted() {
    posted_.clear();
    winui::pumpWaitingMessages();
    return posted_;
}

std::vector<std::string> AppTest::statusTexts() const {
    std::vector<std::string> texts;
    for (const GuiUpdate& update : applied_) {
        if (const auto* status = update.get<GuiUpdate::StatusText>()) {
            texts.push_back(status->text);
        }
    }
    return texts;
}

std::size_t AppTest::appliedCount(GuiUpdateKind kind) const {
    std::size_t count = 0;
    for (const GuiUpdate& update : applied_) {
        count += update.kind() == kind ? 1 : 0;
    }
    return count;
}

std::string AppTest::logText() const {
    LogFile::flush();
    return readTextFile(workFolder() / "Log.txt");
}

fs::path AppTest::parametersFile() const {
    return roamingFolder() / "Skyloom" / "parameters.xml";
}

std::function<void(MainLoop&)> stopAfterCycles(StopControl& stop, std::uint64_t cycles,
                                               StopRequest request) {
    return [&stop, cycles, request](MainLoop& loop) {
        if (loop.counters().cycles == cycles) {
            stop.request(request.reason, request.detail);
        }
    };
}

std::string dataSetText(std::string_view name, std::string_view version, std::string_view body) {
    pugi::xml_document document;
    pugi::xml_node root = gf_startDataSetDocument(document, name, version);
    const std::string elements(body);
    if (!elements.empty()) {
        const pugi::xml_parse_result parsed = root.append_buffer(elements.data(), elements.size());
        if (!parsed) {
            throw std::runtime_error(fmt::format("bad data-set body: {}", parsed.description()));
        }
    }
    std::ostringstream text;
    document.save(text);
    return text.str();
}

std::string dbaseText(std::string_view version, std::string_view models) {
    std::string body = "<models>";
    std::size_t start = 0;
    while (start <= models.size()) {
        const std::size_t end = std::min(models.find(',', start), models.size());
        body += fmt::format("<m c=\"{}\"/>", models.substr(start, end - start));
        start = end + 1;
    }
    body += "</models><ICAO_airlines a=\"DLH\"/>";
    return dataSetText("dbase", version, body);
}

std::string airportsText(std::string_view version) {
    return dataSetText("airports", version,
                       R"(<airports><ap i="EDDF" a="FRA" la="50.026706" lo="8.558350" al="364"/>)"
                       "</airports>");
}

void writeTextFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string readTextFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace skyloom::testing
