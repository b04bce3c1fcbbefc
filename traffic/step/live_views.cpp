#include "traffic/step/live_views.h"

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "refdata/code_table.h"

namespace skyloom {

namespace {

std::string_view lf_orNull(const std::string& text) {
    return text.empty() ? std::string_view("null") : std::string_view(text);
}

} // namespace

std::vector<std::string> lf_objectIdLines(const TrafficState& state) {
    std::vector<std::string> lines;
    lines.reserve(state.liveAircraft.size() + 1);
    for (const LiveAircraft& a : state.liveAircraft) {
        if (a.simState != SimState::active) {
            continue;
        }
        lines.push_back(fmt::format("{};{};{};{};{};{};{}", gf_hexidText(a.objectId),
                                    a.base.callsign, a.base.registration,
                                    gf_airlineCode(a.base.key.airline),
                                    gf_modelCode(a.base.key.model),
                                    a.motion.onGround != 0 ? "GND" : "AIR",
                                    a.phase.phase == FlightPhase::parked ? "PARKED" : ""));
    }
    return lines;
}

bool lf_writeObjectIdList(const TrafficState& state, const std::filesystem::path& target) {
    // The safe save writes beside the file and puts it in place whole; a failure names the file
    // itself where the user is told of it.
    const bool written = gf_writeLinesToFile(target, lf_objectIdLines(state));
    if (!written) {
        LogFile::writeImportant(fmt::format("Failed to write {}", target.string()));
    }
    return written;
}

std::vector<std::string> gf_liveAircraftList(const TrafficState& state, AirGroundSelector selector) {
    std::vector<std::string> list;
    for (const LiveAircraft& a : state.liveAircraft) {
        const bool onGround = a.motion.onGround != 0;
        if (a.simState != SimState::active ||
            (selector == AirGroundSelector::airborne && onGround) ||
            (selector == AirGroundSelector::ground && !onGround)) {
            continue;
        }
        list.push_back(fmt::format("{}, oid={}",
                                   fmt::format("{}, {}, {:x}", lf_orNull(a.base.callsign),
                                               lf_orNull(a.base.registration), a.base.hexid),
                                   gf_hexidText(a.objectId)));
    }
    return list;
}

} // namespace skyloom
