// The bookkeeping around the livery choice and its reports to Log.txt: the counters of live
// aircraft matched at each match step, the livery titles the simulator could not create, the
// aircraft for which no livery was found, and the one-line description of an aircraft that
// every livery log line starts with. Main worker thread only; the counters and lists grow
// during a run and are reported at shutdown (and by the main loop).
//
// The live traffic hands over what it learns: a title the simulator refused
// (gf_recordFailedLiveryTitle, from its reaction to a failed create) and an aircraft left
// without livery (gf_addUnmatchedType, from its spawn).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_aircraft.h"
#include "refdata/livery_key.h"

namespace skyloom {

// Match steps 0 to 8.
inline constexpr std::size_t kMatchStepCount = 9;
using MatchStepCounters = std::array<std::int32_t, kMatchStepCount>;

// Counts one accepted live-aircraft match at `step`; a step of 9 or more is a programming
// error and ends the process.
void gf_countLiveryMatch(std::size_t step);
const MatchStepCounters& gf_matchStepCounters();

// The key as livery lines show it: the airline code in 3 columns; "," and the operator code
// when there is an operator, else 4 blanks; a blank and the model code in 4 columns; '.' when
// the key comes from the registration table, else a blank.
std::string gf_formatLiveryKey(const LiveryKey& key);
// "{:8} {:12} {} {}": callsign, regcode, route ("{:3}->{:3}", or 8 blanks when neither
// airport is known) and the key text.
std::string gf_formatLiveryLine(const LiveryAircraft& aircraft);
// "{:3}->{:3}" of the two airport codes; 8 blanks when neither is known.
std::string gf_origDestText(const IataCode& origin, const IataCode& destination);

// Records a title the simulator could not create, with "{model code} {airline code}" of the
// aircraft that failed with it; a title is recorded once. Returns the number of titles
// recorded so far.
std::size_t gf_recordFailedLiveryTitle(std::string_view title, std::string_view modelAndAirline);
// True when the simulator could not create the title (exact bytes).
bool gf_isFailedLiveryTitle(std::string_view title);
std::size_t gf_failedLiveryTitleCount();
// Two blanks followed by each failed title, in the order they were first recorded.
std::vector<std::string> gf_failedLiveryTitles();
// Empties the titles the simulator could not create and their report (a restart: the next
// run asks the simulator afresh).
void gf_clearFailedLiveryTitles();

// Records "{key text} {registration}" of a live aircraft that got no livery; a text is kept
// once, in first-insertion order. True when it was new.
bool gf_addUnmatchedType(std::string_view text);

// The summary framed by title lines: the count of each step 0 to 8, then the titles that could
// not be created. Nothing when no live aircraft was matched.
void gf_writeLiveryMatchingSummary();
// "\nNo match found for:", each unmatched text, an empty line; nothing when none.
void gf_logUnmatchedTypes();

// Zeroes the counters and empties the lists (a fresh start of everything that holds them).
void gf_resetLiveryMatchRecords();

} // namespace skyloom
