// The handlers of the messages of the main connection: the check of the running simulator
// (OPEN), its exceptions, QUIT, the system events, removed objects, new flights, frames, data
// replies and assigned object ids. Each message is checked against the size its record needs
// before a field is read.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/user_related_exception.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"
#include "sim/sim_client.h"
#include "sim/sim_client_work.h"
#include "sim/sim_event_filters.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"

namespace skyloom {
namespace {

constexpr std::string_view kMsfs2020ApplicationName = "KittyHawk";
constexpr std::string_view kMsfs2024ApplicationName = "SunRise";

// The code of the exception that names a simulator other than the selected one; the dispatch
// turns it into the mismatch flags.
constexpr int kSimMismatchCode = 2024;
constexpr int kNotMsfsCode = 77;
constexpr int kVersionMismatchCode = 95;

template <typename Record> Record lf_record(const SIMCONNECT_RECV& message) {
    Record record;
    std::memcpy(&record, &message, sizeof(Record));
    return record;
}

// Letters, digits and white space as the C locale classifies them.
bool lf_keptInName(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
           c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string lf_comparableName(std::string_view name) {
    std::string kept;
    for (char c : name) {
        if (lf_keptInName(c)) {
            kept.push_back(c);
        }
    }
    return kept;
}

} // namespace

bool SimClient::checkPayload(DWORD size, std::size_t minimum, std::string_view name) const {
    if (size >= minimum) {
        return true;
    }
    LogFile::writeImportant(
        fmt::format("SimConnect {} payload too small: {} < {} bytes", name, size, minimum));
    return false;
}

void SimClient::handleMessage(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, sizeof(SIMCONNECT_RECV), "RECV")) {
        return;
    }
    switch (message.dwID) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        onException(message, size);
        break;
    case SIMCONNECT_RECV_ID_OPEN:
        try {
            onOpen(message, size);
            g_simChoiceSwitched.store(false);
        } catch (const UserRelatedException& e) {
            if (!std::string_view(e.what()).starts_with("2024")) {
                throw;
            }
            dispatch_.flags.stopDispatch = 1;
            dispatch_.flags.simMismatch = 1;
        }
        break;
    case SIMCONNECT_RECV_ID_QUIT:
        onQuit();
        break;
    case SIMCONNECT_RECV_ID_EVENT:
        onEvent(message, size);
        break;
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        onObjectAddRemove(message, size);
        break;
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        onFlightFile();
        break;
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        onFrame();
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        onSimObjectData(message, size);
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        onSimObjectDataByType(message, size);
        break;
    case SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID:
        onAssignedObjectId(message, size);
        break;
    case SIMCONNECT_RECV_ID_CLIENT_DATA:
    case SIMCONNECT_RECV_ID_EVENT_EX1:
        break;
    default:
        LogFile::write(fmt::format("! Unknown Dispatch dwID {}", message.dwID));
        break;
    }
}

void SimClient::onOpen(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, sizeof(SIMCONNECT_RECV_OPEN), "OPEN")) {
        return;
    }
    const auto open = lf_record<SIMCONNECT_RECV_OPEN>(message);
    const char* field = open.szApplicationName;
    const void* nul = std::memchr(field, 0, sizeof(open.szApplicationName));
    const std::string name(field, nul != nullptr ? static_cast<const char*>(nul) - field
                                                 : sizeof(open.szApplicationName));
    if (name.empty()) {
        LogFile::write("! Simulator name empty?");
        return;
    }
    const std::string comparable = lf_comparableName(name);
    const bool is2020 = comparable == kMsfs2020ApplicationName;
    const bool is2024 = comparable == kMsfs2024ApplicationName;
    if ((is2020 && !context_.msfs2020) || (is2024 && context_.msfs2020)) {
        throw UserRelatedException(kSimMismatchCode, name);
    }
    if (!is2020 && !is2024) {
        throw UserRelatedException(
            kNotMsfsCode,
            fmt::format("'{}' not being MSFS 2020 or MSFS 2024 connects ... ?", name));
    }
    const std::string simulator = fmt::format(
        "{} ({}.{}.{}.{})", is2020 ? "MSFS 2020" : "MSFS 2024", open.dwApplicationVersionMajor,
        open.dwApplicationVersionMinor, open.dwApplicationBuildMajor, open.dwApplicationBuildMinor);
    LogFile::write(fmt::format("{} connected", simulator));
    context_.run.window.enqueueUpdate(GuiUpdate::SimulatorText{simulator});
    // Clearing the status shows the scan-archive notice instead while it is pending.
    context_.run.window.clearStatusText();
    setConnectionState(SimConnectionState::connected);
}

void SimClient::onException(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, sizeof(SIMCONNECT_RECV_EXCEPTION), "EXCEPTION")) {
        return;
    }
    const auto exception = lf_record<SIMCONNECT_RECV_EXCEPTION>(message);
    switch (exception.dwException) {
    case SIMCONNECT_EXCEPTION_VERSION_MISMATCH:
        throw UserRelatedException(
            kVersionMismatchCode,
            fmt::format("SimConnect Version Mismatch, dwIndex: {}", exception.dwIndex));
    case SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS:
        context_.work->onTooManyObjects(*this, exception.dwSendID);
        break;
    case SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE:
        LogFile::write("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE");
        break;
    case SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED:
        context_.work->onCreateObjectFailed(*this, exception.dwSendID);
        break;
    case SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED:
        LogFile::writeImportant("SimConnect exception: load flight plan failed");
        break;
    case SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE:
        LogFile::write("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
        break;
    default:
        LogFile::writeImportant(fmt::format("SIMCONNECT_EXCEPTION #{}", exception.dwException));
        break;
    }
}

void SimClient::onQuit() {
    if (g_simConnectionState.load() != SimConnectionState::requestError) {
        setConnectionState(SimConnectionState::notConnected);
        context_.run.window.enqueueUpdate(GuiUpdate::SimulatorConnected{false});
    }
    dispatch_.flags.stopDispatch = 1;
}

void SimClient::requestNewFlight() {
    gf_requestStop(context_.run.stop, StopReason::newFlight, kNewFlightRestartSeconds);
}

void SimClient::onEvent(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, sizeof(SIMCONNECT_RECV_EVENT), "EVENT")) {
        return;
    }
    const auto event = lf_record<SIMCONNECT_RECV_EVENT>(message);
    switch (event.uEventID) {
    case EVENT_SIM:
        if (g_simConnectionState.load() != SimConnectionState::requestError) {
            const bool running = event.dwData == 1;
            setConnectionState(running ? SimConnectionState::running
                                       : SimConnectionState::connected);
            context_.run.window.enqueueUpdate(GuiUpdate::SimulatorConnected{running});
        }
        break;
    case EVENT_FLIGHT_LOADED:
        LogFile::write("SimConnect: flight loaded event");
        context_.work->rememberUserStand(*this);
        requestNewFlight();
        break;
    default:
        break;
    }
}

void SimClient::onObjectAddRemove(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE),
                      "EVENT_OBJECT_ADDREMOVE")) {
        return;
    }
    const auto event = lf_record<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>(message);
    if (event.eObjType != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT ||
        event.uEventID != EVENT_OBJECT_REMOVED) {
        return;
    }
    context_.work->onObjectRemoved(*this, event.dwData);
    // Every removed aircraft, own or not: the traffic step passes over ids it does not know.
    SimEvent removed;
    removed.objectId = event.dwData;
    removed.kind = SimEventKind::objectRemoved;
    context_.events->post(removed);
}

void SimClient::onFlightFile() {
    LogFile::writeImportant("SimConnect: New file event");
    context_.work->rememberUserStand(*this);
    requestNewFlight();
}

void SimClient::onFrame() {
    // A frame that comes after the QUIT in the same dispatch has nobody left to write to.
    if (gf_simConnectHandle() == nullptr || g_simShutdownInProgress.load() ||
        dispatch_.flags.stopDispatch != 0) {
        return;
    }
    context_.work->doFrameWork(*this);
}

void SimClient::onSimObjectData(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE, "SIMOBJECT_DATA")) {
        return;
    }
    const auto& data = static_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA&>(message);
    switch (data.dwRequestID) {
    case AI_STATIC_CG_AND_PITCH:
        if (checkPayload(size, kStaticCgAndPitchBytes, "AI_STATIC_CG_AND_PITCH")) {
            if (const auto event = gf_staticCgAndPitchEvent(data, size)) {
                context_.events->post(*event);
            }
        }
        break;
    case USER_AC_TITLE:
    case USER_AC_MODEL:
    case USER_AC_ON_GROUND:
    case USER_AC_POSITION:
        context_.work->onUserAircraftData(*this, data, size);
        break;
    default:
        break;
    }
}

void SimClient::onSimObjectDataByType(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE, "SIMOBJECT_DATA_BYTYPE")) {
        return;
    }
    const auto& data = static_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA&>(message);
    if (data.dwRequestID != AI_POSITION ||
        !checkPayload(size, kAiPositionReportBytes, "AI_POSITION")) {
        return;
    }
    if (const auto event = gf_aiPositionReportEvent(data, size, g_userObjectId.load())) {
        context_.events->post(*event);
    }
}

void SimClient::onAssignedObjectId(const SIMCONNECT_RECV& message, DWORD size) {
    if (!checkPayload(size, sizeof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID), "ASSIGNED_OBJECT_ID")) {
        return;
    }
    const auto assigned = lf_record<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>(message);
    context_.work->onAssignedObjectId(*this, assigned.dwRequestID, assigned.dwObjectID);
}

} // namespace skyloom
