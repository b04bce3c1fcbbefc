#include "sim/facility_connection.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "platform/os/timer_period.h"
#include "runtime/stop_request.h"

namespace skyloom {

namespace {

// The connection's state; used by one thread at a time (see the header).
struct FacilityConnection {
    HANDLE handle = nullptr;
    bool open = false;
    bool runwayDefinitionAdded = false;
};

FacilityConnection g_facility;

constexpr std::array<std::string_view, 30> kParkingFields{"OPEN AIRPORT",
                                                          "LATITUDE",
                                                          "LONGITUDE",
                                                          "ALTITUDE",
                                                          "NAME",
                                                          "N_HELIPADS",
                                                          "N_TAXI_PARKINGS",
                                                          "OPEN TAXI_PARKING",
                                                          "TYPE",
                                                          "TAXI_POINT_TYPE",
                                                          "NAME",
                                                          "SUFFIX",
                                                          "NUMBER",
                                                          "ORIENTATION",
                                                          "HEADING",
                                                          "RADIUS",
                                                          "BIAS_X",
                                                          "BIAS_Z",
                                                          "CLOSE TAXI_PARKING",
                                                          "OPEN HELIPAD",
                                                          "LATITUDE",
                                                          "LONGITUDE",
                                                          "ALTITUDE",
                                                          "HEADING",
                                                          "LENGTH",
                                                          "WIDTH",
                                                          "SURFACE",
                                                          "TYPE",
                                                          "CLOSE HELIPAD",
                                                          "CLOSE AIRPORT"};

std::uint32_t lf_hex(HRESULT hr) {
    return static_cast<std::uint32_t>(hr);
}

bool lf_defineParkingFacility(HANDLE handle) {
    for (std::string_view field : kParkingFields) {
        if (SimConnect_AddToFacilityDefinition(handle, PARKING_FACILITY_DEFINITION,
                                               std::string(field).c_str()) < 0) {
            return false;
        }
    }
    return true;
}

} // namespace

bool gf_openFacilityConnection() {
    if (g_facility.open) {
        return true;
    }
    HANDLE handle = nullptr;
    const HRESULT hr = SimConnect_Open(&handle, kFacilityConnectionName, nullptr, 0, nullptr, 0);
    if (hr < 0) {
        LogFile::writeImportant(
            fmt::format("SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x{:08X}", lf_hex(hr)));
        return false;
    }
    if (!lf_defineParkingFacility(handle)) {
        LogFile::writeImportant("SimConnect facility definition initialization failed");
        SimConnect_Close(handle);
        return false;
    }
    g_facility.handle = handle;
    g_facility.open = true;
    return true;
}

void gf_closeFacilityConnection() {
    if (!g_facility.open) {
        return;
    }
    if (SimConnect_Close(g_facility.handle) < 0) {
        LogFile::writeImportant("Closing SimConnect failed?!");
    } else {
        LogFile::write("SimConnect closed ok");
    }
    g_facility = FacilityConnection{};
    LogFile::write("SimConnect (PARKING_DATA_RDR) closed");
}

bool gf_isFacilityConnectionOpen() noexcept {
    return g_facility.open;
}

HANDLE gf_facilityConnectionHandle() noexcept {
    return g_facility.handle;
}

bool gf_runwayDefinitionAdded() noexcept {
    return g_facility.runwayDefinitionAdded;
}

void gf_markRunwayDefinitionAdded() noexcept {
    g_facility.runwayDefinitionAdded = true;
}

FacilityWaitResult gf_waitForFacilityData(const StopControl& stop, DispatchProc dispatch,
                                          void* context, const bool& done,
                                          std::chrono::milliseconds timeout) {
    const os::TimerPeriod period(1);
    Clock& clock = gf_clock();
    const Clock::SteadyTime deadline = clock.steadyNow() + timeout;
    while (stop.keepRunning() && !done) {
        const HRESULT hr = SimConnect_CallDispatch(g_facility.handle, dispatch, context);
        if (hr < 0) {
            return FacilityWaitResult{FacilityWaitEnd::dispatchFailed, hr};
        }
        if (done) {
            break; // a reply that completes just at the deadline is not late
        }
        if (clock.steadyNow() > deadline) {
            return FacilityWaitResult{FacilityWaitEnd::timedOut, S_OK};
        }
        clock.sleepFor(kFacilityDispatchSleep);
    }
    return FacilityWaitResult{done ? FacilityWaitEnd::done : FacilityWaitEnd::stopped, S_OK};
}

} // namespace skyloom
