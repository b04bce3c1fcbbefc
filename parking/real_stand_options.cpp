#include "parking/real_stand_options.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <exception>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "parking/apf_stand_reader.h"
#include "parking/parking_state.h"
#include "refdata/registrations.h"
#include "runtime/window_sink.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

namespace {

constexpr std::int32_t kSlotsPerDay = 48;
constexpr std::int32_t kSlotsPerWeek = 7 * kSlotsPerDay;

std::string_view lf_withoutTrailingUnderscore(std::string_view text) {
    if (text.ends_with('_')) {
        text.remove_suffix(1);
    }
    return text;
}

// Half hours from a to b, across day boundaries, within one week.
std::int32_t lf_slotDistance(std::uint64_t a, std::uint64_t b) {
    const DaySlotParts from = gf_unpackDaySlot(a);
    const DaySlotParts to = gf_unpackDaySlot(b);
    std::int32_t d = (to.weekday - from.weekday) * kSlotsPerDay - from.slot + to.slot;
    return d < 0 ? d + kSlotsPerWeek : d;
}

FlightOption* lf_optionWithSeq(std::vector<FlightOption>& options, std::uint32_t seq) {
    if (seq == 0) {
        return nullptr;
    }
    const auto found = std::find_if(options.begin(), options.end(),
                                    [&](const FlightOption& o) { return o.seq == seq; });
    return found == options.end() ? nullptr : &*found;
}

struct AddedOption {
    std::uint32_t seq = 0;
    bool added = false;
};

AddedOption lf_addFlightOption(std::vector<FlightOption>& options, LiveryKey key,
                               std::uint64_t now, std::string_view callsign, const std::string& reg,
                               bool cpl) {
    if (reg.empty()) {
        return {};
    }
    const DaySlotParts parts = gf_unpackDaySlot(now);
    const HoursBitset hours = HoursBitset::single(static_cast<unsigned>(parts.slot));
    const auto seq = static_cast<std::uint32_t>(options.size() + 1);
    if (key.fromRegistration == 0) {
        if (const std::optional<LiveryKey> found = gf_findRegistration(reg)) {
            key = *found;
        }
    }
    const auto day = static_cast<std::uint32_t>(parts.weekday);
    if (std::any_of(options.begin(), options.end(), [&](const FlightOption& o) {
            return o.reg == reg && o.day == day && o.hours == hours;
        })) {
        return {};
    }
    // The learned file keeps no more than its reader reads back.
    if (std::count_if(options.begin(), options.end(), [](const FlightOption& o) {
            return o.origin == 0;
        }) >= static_cast<std::ptrdiff_t>(kMaxStandOptions)) {
        return {};
    }
    options.push_back(FlightOption{key, reg, std::string(lf_withoutTrailingUnderscore(callsign)),
                                   {}, hours, seq, day, 0, 1, cpl, {}});
    return {seq, true};
}

bool updateOptions(std::vector<FlightOption>& options, const std::vector<unsigned>& slots,
                   std::uint32_t seq) {
    FlightOption* option = lf_optionWithSeq(options, seq);
    if (option == nullptr) {
        return false;
    }
    try {
        for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) {
            option->hours.set(*slot);
        }
        return true;
    } catch (const std::out_of_range& e) {
        LogFile::writeImportant(fmt::format("{} exception:{}", "updateOptions", e.what()));
        return false;
    }
}

void lf_findFlightOption(std::vector<FlightOption>& options, std::uint32_t seq,
                         std::string_view callsign) {
    callsign = lf_withoutTrailingUnderscore(callsign);
    FlightOption* option = lf_optionWithSeq(options, seq);
    if (callsign.empty() || option == nullptr) {
        return;
    }
    if (option->callsign.empty()) {
        option->callsign = callsign;
    } else if (option->callsign2.empty() && callsign != option->callsign) {
        option->callsign2 = callsign;
    } else if (callsign != option->callsign && callsign != option->callsign2) {
        option->callsign2 = callsign;
    }
}

// Extends the option over the slots since its last use when they lie within the window.
bool lf_slotWindow(std::uint64_t now, std::vector<FlightOption>& options, std::uint32_t seq,
                   std::uint64_t& last, const AircraftBase& aircraft) {
    if (seq == 0) {
        return false;
    }
    if (now == last) {
        return true;
    }
    const std::int32_t window = aircraft.key.cargo != 0 ? kSlotWindowCargo
                                : aircraft.category == AircraftCategory::Heavy ? kSlotWindowHeavy
                                                                               : kSlotWindowOther;
    const std::int32_t d = lf_slotDistance(last, now);
    if (d < 1 || d >= window) {
        return false;
    }
    if (!updateOptions(options, lf_slotsOfBitset(now, d), seq)) {
        return false;
    }
    lf_findFlightOption(options, seq, aircraft.callsign);
    last = now;
    return true;
}

void lf_raiseUpdates(ParkingState& state, WindowSink& window) {
    ++state.updateCount;
    window.enqueueUpdate(GuiUpdate::AirportFileUpdates{state.updateCount});
}

void lf_learn(ParkingState& state, std::int32_t sid, AircraftBase& aircraft,
              std::int32_t situation, std::uint64_t now, WindowSink& window) {
    const std::string reg(lf_withoutTrailingUnderscore(aircraft.registration));
    if (reg.empty()) {
        return;
    }
    const std::optional<LiveryKey> key = gf_findRegistration(reg);
    if (!key) {
        return;
    }
    aircraft.key = *key;
    Stand* stand = gf_standById(state, sid);
    if (stand == nullptr) {
        return;
    }
    const DaySlotParts parts = gf_unpackDaySlot(now);
    const auto today = static_cast<std::uint32_t>(parts.weekday);
    const auto slot = static_cast<unsigned>(parts.slot);
    std::vector<FlightOption>& options = stand->options;
    const auto ofToday = [&](const FlightOption& o, std::uint32_t origin) {
        return gf_isOptionAvailable(o) && o.day == today && o.reg == reg && o.real == 1 && o.origin == origin;
    };
    // The airport file itself places this registration here today, at other times.
    if (std::any_of(options.begin(), options.end(), [&](const FlightOption& o) {
            return ofToday(o, 1) && !o.hours.test(slot);
        })) {
        return;
    }
    const bool cpl = situation == kStandLeft || situation == kStandGone;
    const auto add = [&] {
        if (lf_addFlightOption(options, aircraft.key, now, aircraft.callsign, reg, cpl).added) {
            lf_raiseUpdates(state, window);
        }
    };
    const auto x = std::find_if(options.begin(), options.end(),
                                [&](const FlightOption& o) { return ofToday(o, 0); });
    if (x == options.end()) {
        add();
        return;
    }
    const std::size_t index = static_cast<std::size_t>(x - options.begin());
    if (x->cpl && !x->hours.test(slot)) {
        add();
        return;
    }
    if (x->hours.test(slot)) {
        x->cpl = x->cpl || cpl;
        return;
    }
    std::uint64_t last = gf_packDaySlot(
        {static_cast<std::int32_t>(x->day), static_cast<std::int32_t>(*x->hours.lastSlot())});
    if (lf_slotWindow(now, options, x->seq, last, aircraft)) {
        lf_raiseUpdates(state, window);
    } else {
        add();
    }
    if (cpl) {
        options[index].cpl = true;
    }
}

bool lf_isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool lf_containsWord(std::string_view text, std::string_view word) {
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        if ((at == 0 || !lf_isWordChar(text[at - 1])) &&
            (end == text.size() || !lf_isWordChar(text[end]))) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<unsigned> lf_slotsOfBitset(std::uint64_t now, std::int32_t n) {
    std::vector<unsigned> slots;
    std::int32_t slot = gf_unpackDaySlot(now).slot;
    for (std::int32_t i = 0; i < n; ++i) {
        slots.push_back(static_cast<unsigned>(slot));
        slot = slot == 0 ? kSlotsPerDay - 1 : slot - 1;
    }
    return slots;
}

void gf_addRealStandOption(ParkingState& state, std::int32_t sid, AircraftBase& aircraft,
                           std::int32_t situation, std::uint64_t now, WindowSink& window) {
    try {
        lf_learn(state, sid, aircraft, situation, now, window);
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{}: hh_now: {}, {}", "gf_addRealStandOption",
                                            gf_unpackDaySlot(now).slot, e.what()));
    }
}

std::optional<MatchedCallsigns> gf_matchRealStandOptions(std::span<const Stand> stands,
                                                         std::uint64_t now,
                                                         const AircraftBase& aircraft) {
    const std::string_view full = aircraft.callsign;
    const std::string_view shortened = lf_withoutTrailingUnderscore(full);
    if (full.empty() || shortened.empty()) {
        return std::nullopt;
    }
    const DaySlotParts parts = gf_unpackDaySlot(now);
    const std::int32_t w = aircraft.category == AircraftCategory::Heavy ? kMatchWindowHeavySlots
                                                                        : kMatchWindowOtherSlots;
    const HoursBitset window = HoursBitset::range(
        static_cast<unsigned>(std::max(parts.slot - w, 0)),
        static_cast<unsigned>(std::min(parts.slot + w, kSlotsPerDay - 1)));
    for (const Stand& stand : stands) {
        for (const FlightOption& o : stand.options) {
            if (!gf_isOptionAvailable(o) || o.day != static_cast<std::uint32_t>(parts.weekday) ||
                o.key.airline != aircraft.key.airline || o.callsign2.empty() ||
                !o.hours.intersects(window)) {
                continue;
            }
            if (o.callsign == full || o.callsign2 == full || o.callsign == shortened ||
                o.callsign2 == shortened) {
                return MatchedCallsigns{o.callsign, o.callsign2};
            }
        }
    }
    return std::nullopt;
}

std::int32_t lf_findStandByWord(std::span<const Stand> stands, std::string_view text,
                                const Lalo& position) {
    constexpr std::size_t kPrefixChars = 5;
    if (text.size() <= kPrefixChars) {
        return 0;
    }
    const std::string_view word = text.substr(kPrefixChars);
    for (const Stand& stand : stands) {
        if (lf_containsWord(stand.id, word) &&
            gf_distanceNM(stand.position, position) <= kStandByWordReachNM) {
            return stand.sid;
        }
    }
    return 0;
}

} // namespace skyloom
