// Real stand options: learning from live aircraft which aircraft stands where and when (its
// registration and key, callsigns, weekday and half-hour slots), matching a new live aircraft's
// callsign against what was learned, and finding a stand by a word of its name near a
// position. Main worker thread (it owns the stand table).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/lalo.h"
#include "refdata/airport_file.h"

namespace skyloom {

class ParkingState;
class WindowSink;
struct AircraftBase;

// Stand options are extended over at most this many half-hour slots since their last use.
inline constexpr std::int32_t kSlotWindowCargo = 12;
inline constexpr std::int32_t kSlotWindowHeavy = 8;
inline constexpr std::int32_t kSlotWindowOther = 6;
// Matching a new live aircraft looks this many slots either side of now.
inline constexpr std::int32_t kMatchWindowHeavySlots = 14;
inline constexpr std::int32_t kMatchWindowOtherSlots = 10;
// A stand found by a word of its name lies at most this far (NM, 250 m) from the position.
inline constexpr double kStandByWordReachNM = 0.1349892008639309;

// Situations of a live aircraft found at its stand, as the live traffic reports them; 2 and 3
// mark the option (`cpl`).
inline constexpr std::int32_t kStandArrived = 0;
inline constexpr std::int32_t kStandLeft = 2;
inline constexpr std::int32_t kStandGone = 3;

// Records the aircraft's use of the stand `sid` at `now` (a packed DaySlot) as a real option of
// the stand, or extends one of today. The aircraft's key becomes the registration table's. Each
// option added or extended raises the state's update counter, shown in the window. Failures are
// logged, never thrown.
void gf_addRealStandOption(ParkingState& state, std::int32_t sid, AircraftBase& aircraft,
                           std::int32_t situation, std::uint64_t now, WindowSink& window);

struct MatchedCallsigns {
    std::string callsign;
    std::string callsign2;
};

// The callsign pair of the first real option of today, near now, whose callsigns name the
// aircraft's (with or without one trailing "_") and whose airline is the aircraft's.
std::optional<MatchedCallsigns> gf_matchRealStandOptions(std::span<const Stand> stands,
                                                         std::uint64_t now,
                                                         const AircraftBase& aircraft);

// The sid of the first stand whose name holds the text without its first five characters as a
// whole word and that lies within kStandByWordReachNM of the position; 0 when none.
std::int32_t lf_findStandByWord(std::span<const Stand> stands, std::string_view text,
                                const Lalo& position);

// The n slots that end at now's slot, latest first, stepping back from 0 to 47.
std::vector<unsigned> lf_slotsOfBitset(std::uint64_t now, std::int32_t n);

} // namespace skyloom
