#include "tests/sim/support/sim_test_support.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include <pthread.h>

#include "foundation/log_file.h"
#include "gui/gui_messages.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "sim/sim_link_state.h"
#include "sim/user_aircraft_replies.h"

namespace skyloom::testing {
namespace {

constexpr const char16_t* kSwitchWindowClass = u"SkyloomSimTestWindow";

int* g_switchCounter = nullptr;

winui::LRESULT lf_switchWindowProc(winui::HWND hwnd, winui::UINT message, winui::WPARAM wParam,
                                   winui::LPARAM lParam) {
    if (message == MSG_SWITCH_SIM) {
        if (g_switchCounter != nullptr) {
            ++*g_switchCounter;
        }
        return 0;
    }
    return winui::DefWindowProcW(hwnd, message, wParam, lParam);
}

int g_switchCount = 0;

// What one test's client learned must not reach the next one's: a user position remembered
// from another test's world is a teleport to the next client, which asks for a new flight.
void lf_resetLinkState() {
    gf_resetUserReplyMemory();
    g_simConnectionState.store(SimConnectionState::notConnected);
    g_simChoiceSwitched.store(false);
    g_simShutdownInProgress.store(false);
    g_userObjectId.store(kUserObjectIdAtStart);
    gf_publishSimConnectHandle(nullptr);
}

} // namespace

// --- RecordingWork ---

void RecordingWork::forgetConnection() {
    ++connectionsForgotten;
    char name[32] = {};
    ::pthread_getname_np(::pthread_self(), name, sizeof(name));
    threadName = name;
}

void RecordingWork::doFrameWork(SimClient& client) {
    ++frames;
    if (g_simShutdownInProgress.load()) {
        ++framesDuringShutdown;
    }
    if (onFrame) {
        onFrame(client);
    }
}

void RecordingWork::onUserAircraftData(SimClient&, const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                       std::size_t) {
    userDataRequests.push_back(message.dwRequestID);
}

void RecordingWork::onAssignedObjectId(SimClient&, DWORD requestId, DWORD objectId) {
    assigned.emplace_back(requestId, objectId);
}

void RecordingWork::onCreateObjectFailed(SimClient&, DWORD packetId) {
    failedPackets.push_back(packetId);
}

void RecordingWork::onTooManyObjects(SimClient&, DWORD packetId) {
    tooManyObjectsPackets.push_back(packetId);
}

void RecordingWork::onObjectRemoved(SimClient&, DWORD objectId) {
    removed.push_back(objectId);
}

void RecordingWork::rememberUserStand(SimClient&) {
    ++standsRemembered;
    if (throwFromStand) {
        throwFromStand();
    }
}

void RecordingWork::startShutdownRemoval(SimClient& client) {
    ++shutdownStarts;
    if (onShutdown) {
        onShutdown(client);
    }
}

bool RecordingWork::shutdownRemovalPending() const {
    ++pendingAsked;
    return pendingAnswers < 0 || pendingAsked <= pendingAnswers;
}

// --- SimTest ---

SimTest::SimTest() {
    backend_ = winui::headless::installHeadlessBackend();
    LogFile::openIn(dir_.path());
    lf_resetLinkState();
    gui_.recordGuiThread();
    gui_.setAppliedUpdateObserver(
        [this](const GuiUpdate& update, GuiRedrawFlags) { applied_.push_back(update); });
}

SimTest::~SimTest() {
    if (window_ != nullptr && winui::IsWindow(window_) != winui::FALSE) {
        winui::DestroyWindow(window_);
        winui::pumpWaitingMessages();
        winui::UnregisterClassW(kSwitchWindowClass, nullptr);
    }
    g_switchCounter = nullptr;
    gui_.setWindow(nullptr);
    installation_.reset();
    LogFile::close();
    lf_resetLinkState();
}

simworld::World& SimTest::startWorld(simworld::WorldSetup setup) {
    world_ = std::make_shared<simworld::World>(std::move(setup), clock_);
    installation_.emplace(world_);
    return *world_;
}

simworld::WorldSetup SimTest::runningSetup() {
    simworld::WorldSetup setup;
    setup.simulator.flightRunning = true;
    setup.zuluStart = ManualClock::utcTime(2026, 1, 5, 12);
    return setup;
}

SimClientContext SimTest::context() {
    SimClientContext context{RunServices{clock_, stop_, gui_}, user_, stands_};
    context.work = &work_;
    context.events = &events_;
    context.msfs2020 = true;
    return context;
}

void SimTest::runClient(SimClientContext context, const std::function<bool(SimClient&)>& until) {
    std::stop_source source;
    context.passObserver = [&](SimClient& client) {
        if (until(client)) {
            source.request_stop();
        }
    };
    SimClient client(std::move(context));
    client.run(source.get_token());
}

void SimTest::runClientFor(double seconds) {
    runClient(context(), [&](SimClient&) { return worldSeconds() >= seconds; });
}

void SimTest::advance(double seconds) {
    clock_.advance(
        std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(seconds)));
}

double SimTest::worldSeconds() const {
    return world_->secondsSinceStart();
}

void SimTest::createSwitchWindow() {
    winui::WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &lf_switchWindowProc;
    windowClass.lpszClassName = kSwitchWindowClass;
    ASSERT_NE(winui::RegisterClassExW(&windowClass), 0);
    g_switchCount = 0;
    g_switchCounter = &g_switchCount;
    window_ = winui::CreateWindowExW(0, kSwitchWindowClass, u"Skyloom", winui::WS_CAPTION, 0, 0,
                                     300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    gui_.setWindow(window_);
}

int SimTest::switchMessages() {
    winui::pumpWaitingMessages();
    return g_switchCount;
}

std::vector<std::string> SimTest::logLines() const {
    LogFile::flush();
    std::ifstream in(dir_ / "Log.txt");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t SimTest::logCount(const std::string& line) const {
    std::size_t count = 0;
    for (const std::string& l : logLines()) {
        count += l == line ? 1 : 0;
    }
    return count;
}

std::vector<std::string> SimTest::journalCalls(std::string_view function) const {
    std::vector<std::string> calls;
    for (const simworld::JournalEntry& entry : world_->journal()) {
        if (entry.kind == simworld::JournalKind::call && entry.text.starts_with(function)) {
            calls.push_back(entry.text);
        }
    }
    return calls;
}

std::vector<std::string> SimTest::statusTexts() const {
    std::vector<std::string> texts;
    for (const GuiUpdate& update : applied_) {
        if (const auto* status = update.get<GuiUpdate::StatusText>()) {
            texts.push_back(status->text);
        }
    }
    return texts;
}

std::vector<std::string> SimTest::errorTexts() const {
    std::vector<std::string> texts;
    for (const GuiUpdate& update : applied_) {
        if (const auto* error = update.get<GuiUpdate::ErrorText>()) {
            texts.push_back(error->text);
        }
    }
    return texts;
}

std::vector<bool> SimTest::connectedUpdates() const {
    std::vector<bool> values;
    for (const GuiUpdate& update : applied_) {
        if (const auto* connected = update.get<GuiUpdate::SimulatorConnected>()) {
            values.push_back(connected->connected);
        }
    }
    return values;
}

std::vector<std::byte> gf_objectDataBytes(DWORD id, DWORD requestId, DWORD objectId,
                                          const std::vector<std::byte>& payload) {
    SIMCONNECT_RECV_SIMOBJECT_DATA header{};
    header.size = static_cast<DWORD>(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + payload.size());
    header.version = 4;
    header.dwID = id;
    header.dwRequestID = requestId;
    header.dwObjectID = objectId;
    header.entry = 1;
    header.entryCount = 1;
    header.itemCount = 1;
    // Room for the whole record even when the payload is shorter than its first data word.
    std::vector<std::byte> bytes(
        std::max(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + payload.size(),
                 sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA)));
    std::memcpy(bytes.data(), &header, SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE);
    if (!payload.empty()) {
        std::memcpy(bytes.data() + SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE, payload.data(),
                    payload.size());
    }
    return bytes;
}

} // namespace skyloom::testing
