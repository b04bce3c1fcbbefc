// The facility connection "PARKING_DATA_RDR": the simulator link's second SimConnect
// connection, which reads stands (definition 1001, request 2001) and runways (definition 1002,
// request 2002) synchronously on the calling thread, apart from the SimClient's main
// connection. It opens on the first read and adds definition 1001 at once; definition 1002 is
// added on the first runway read of each opened connection. It stays open across reads until
// the airport scan closes it or a failed stand read does. Only one thread at a time uses it
// (the main worker); the SimClient thread never touches it.
//
// The wait for a reply dispatches this connection every millisecond on the program's clock
// (gf_clock) until the read is done, a dispatch fails, its deadline passes or the stop request
// it is given ends the run.
#pragma once

#include <chrono>

#include "platform/simconnect/simconnect.h"

namespace skyloom {

class StopControl;

enum FacilityId : DWORD {
    PARKING_FACILITY_DEFINITION = 1001,
    RUNWAY_FACILITY_DEFINITION = 1002,
    PARKING_FACILITY_REQUEST = 2001,
    RUNWAY_FACILITY_REQUEST = 2002,
};

inline constexpr const char* kFacilityConnectionName = "PARKING_DATA_RDR";
inline constexpr std::chrono::milliseconds kFacilityDispatchSleep{1};

// True when the connection is open (at once when it already was). A refused open logs
// "SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x{:08X}"; a refused field of definition 1001
// logs "SimConnect facility definition initialization failed" and closes it again.
bool gf_openFacilityConnection();
// Closes an open connection ("SimConnect (PARKING_DATA_RDR) closed") and forgets both
// definitions; nothing when it is not open.
void gf_closeFacilityConnection();

bool gf_isFacilityConnectionOpen() noexcept;
HANDLE gf_facilityConnectionHandle() noexcept;
// Whether definition 1002 was added on the open connection.
bool gf_runwayDefinitionAdded() noexcept;
void gf_markRunwayDefinitionAdded() noexcept;

// How a wait for facility data ended.
enum class FacilityWaitEnd { done, dispatchFailed, timedOut, stopped };
struct FacilityWaitResult {
    FacilityWaitEnd end = FacilityWaitEnd::done;
    HRESULT dispatchResult = S_OK; // the failed dispatch's result
};

// Dispatches the connection to `dispatch` with `context` until `done` turns true (the
// callback sets it), a dispatch fails, the clock passes `timeout` from now, or `stop` ends the
// run; sleeps 1 ms between dispatches and holds the 1 ms timer period meanwhile.
FacilityWaitResult gf_waitForFacilityData(const StopControl& stop, DispatchProc dispatch,
                                          void* context, const bool& done,
                                          std::chrono::milliseconds timeout);

} // namespace skyloom
