#include "traffic/decode/livery_failures.h"

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/user_related_exception.h"
#include "liveries/livery_matching_summary.h"
#include "refdata/code_table.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"
#include "traffic/step/aircraft_record.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

void gf_reportLiveryCreationFailure(TrafficState& state, const AircraftBase& aircraft) {
    if (state.services.stop.keepRunning()) {
        state.services.window.showStatusText(
            fmt::format("{} '{}' could not be created by your Sim!", aircraft.callsign,
                        aircraft.liveryTitle),
            true, StatusWeight::warning);
    }
    const std::size_t failed = gf_recordFailedLiveryTitle(
        aircraft.liveryTitle, fmt::format("{} {}", gf_modelCode(aircraft.key.model),
                                          gf_airlineCode(aircraft.key.airline)));
    if (failed >= kMaxFailedLiveryTitles) {
        const std::string message = "There are too many liveries that could not be created!";
        LogFile::write(fmt::format("\n{}Error 81, {}\n", "===> ", message));
        throw UserRelatedException(kTooManyFailedLiveriesCode,
                                   fmt::format("{}, see Log.txt", message));
    }
}

std::string gf_liveryKeyText(const LiveryKey& key) {
    return fmt::format("{}{:3}", gf_formatLiveryKey(key), key.cargo != 0 ? "(C)" : "");
}

std::string gf_aircraftKeyText(const AircraftBase& aircraft) {
    return fmt::format("{} {}", gf_liveryKeyText(aircraft.key), aircraft.registration);
}

} // namespace skyloom
