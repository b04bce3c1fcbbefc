#include "traffic/stands/static_aircraft.h"

#include "foundation/log_file.h"
#include "foundation/program_clock.h"

namespace skyloom {

std::string_view gf_withoutTrailingStar(std::string_view text) noexcept {
    if (!text.empty() && text.back() == '*') {
        text.remove_suffix(1);
    }
    return text;
}

std::string lf_determineStaticCallsign(const StaticParkRequest& request) {
    const std::string& preferred = request.preferFirst != 0 ? request.callsign : request.callsign2;
    const std::string& other = request.preferFirst != 0 ? request.callsign2 : request.callsign;
    std::string chosen = preferred.empty() ? other : preferred;
    if (chosen.empty()) {
        LogFile::write("lf_determineStaticCallsign callsign is empty..");
        return {};
    }
    while (!chosen.empty() && chosen.back() == '_') {
        chosen.pop_back();
    }
    if (chosen.empty() || chosen.back() != '*') {
        chosen += '*';
    }
    return chosen;
}

std::int32_t gf_staticParkedAge(std::int32_t parkedDay, std::int32_t parkedSlot,
                                std::uint64_t nowDaySlot) noexcept {
    const DaySlotParts now = gf_unpackDaySlot(nowDaySlot);
    const auto validDay = [](std::int32_t day) { return day >= 1 && day <= 7; };
    if (!validDay(parkedDay) || !validDay(now.weekday)) {
        return 0;
    }
    std::int32_t age = (now.weekday - parkedDay) * 48 - parkedSlot + now.slot;
    if (age < 0) {
        age += kSlotsPerWeek;
    }
    return age;
}

} // namespace skyloom
