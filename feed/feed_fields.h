// Checks of the single values of RealTraffic records, shared by both roads: numbers parsed
// strictly from text, the ranges a value may take, texts, hexids and the airline a callsign
// names. A value that fails throws `FeedRecordError` naming the field, so that the reader logs
// and skips that one record and keeps the rest of its batch. RealTraffic marks an unknown value
// with an empty field or the text "null" (and some numbers with -1); those are not failures
// and give no value where a field may be unknown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/iata_code.h"
#include "foundation/lalo.h"

namespace skyloom {

// A record that cannot be used; what() names the field and the value.
class FeedRecordError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Longest texts a record may carry (longer ones are malformed).
inline constexpr std::size_t kMaxCallsignLength = 10;
inline constexpr std::size_t kMaxRegistrationLength = 12;
inline constexpr std::size_t kMaxModelCodeLength = 8;
inline constexpr std::size_t kMaxStandTextLength = 32;

// Ranges of the values (inclusive).
inline constexpr double kMinFeedAltitudeFt = -2000.0;
inline constexpr double kMaxFeedAltitudeFt = 100000.0;
inline constexpr double kMaxFeedSpeedKt = 2000.0;
inline constexpr double kMaxFeedVerticalSpeedFpm = 30000.0;
// 2000-01-01 to 2100-01-01 (Unix seconds).
inline constexpr double kMinFeedTimestamp = 946684800.0;
inline constexpr double kMaxFeedTimestamp = 4102444800.0;
// How far a time stamp may lie ahead of the receiving clock. A report from the future would
// become the newest of its batch and make every other entry of the batch due at once; the
// margin allows for a computer clock that has drifted for some weeks without being set.
inline constexpr double kMaxFeedTimestampAheadSeconds = 300.0;

// True for the texts RealTraffic sends for an unknown value: empty (after trimming blanks)
// and "null".
bool gf_isUnknownFeedText(std::string_view text) noexcept;

// A decimal number written as [+-]digits[.digits][(e|E)[+-]digits] (a number may also start
// or end with its '.'), finite; nothing else (no blanks, no "nan", "inf" or hexadecimal).
std::optional<double> gf_parseFeedNumber(std::string_view text) noexcept;

// A number field that must be there: throws "{name} is missing" for an unknown value and
// "{name} '{text}' is not a number" for anything else that is not a number.
double gf_requiredNumber(std::string_view name, std::string_view text);
// A number field that may be unknown (empty, "null"): no value then; throws as above for a
// text that is not a number.
std::optional<double> gf_optionalNumber(std::string_view name, std::string_view text);

// Range checks; each returns the value (the track normalised) or throws
// "{name} {value} is out of range".
double gf_checkLatitude(double degrees);
double gf_checkLongitude(double degrees);
// Both, and not the never-set position 0,0 (gf_isValidLalo).
Lalo gf_checkPosition(double latitude, double longitude);
double gf_checkAltitudeFt(double feet);
double gf_checkSpeedKt(std::string_view name, double knots);
double gf_checkVerticalSpeedFpm(double feetPerMinute);
// [0, 360]; 360 becomes 0.
double gf_checkDirectionDeg(std::string_view name, double degrees);
// [-180, 180].
double gf_checkBankDeg(double degrees);
double gf_checkTimestamp(double unixSeconds);
// Throws "time stamp {} lies {} s ahead of the clock" for a time stamp more than
// kMaxFeedTimestampAheadSeconds after `receivedAt`; returns the time stamp otherwise.
double gf_checkTimestampNotAhead(double unixSeconds, Clock::UtcTime receivedAt);
// 0 or 1.
std::uint8_t gf_checkFlag(std::string_view name, double value);

// A text field: blanks trimmed, unknown values give the empty text; otherwise at most
// `maxLength` characters, each printable ASCII (0x20 to 0x7E). Throws
// "{name} '{text}' is not a valid text" otherwise.
std::string gf_feedText(std::string_view name, std::string_view text, std::size_t maxLength);

// An airport's IATA code: three letters or digits; any other text (an ICAO code, "null", a
// blank) gives no code: a route that RealTraffic does not know is not a failure.
IataCode gf_feedIataCode(std::string_view text) noexcept;

// The airline code of a callsign: its first three characters upper-cased, when they are
// letters and the fourth is a digit ("dlh4AB" gives "DLH"); no value otherwise. The feed's
// keys, the spawn and parking all find an aircraft's airline through it.
std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign);

// A hexid written in decimal (RTTFC): digits only, at most 4294967295.
std::uint32_t gf_decimalHexid(std::string_view text);
// A hexid written in hexadecimal (web API keys, RTPARK): 1 to 8 hexadecimal digits.
std::uint32_t gf_hexadecimalHexid(std::string_view text);
// As gf_hexadecimalHexid, without throwing.
std::optional<std::uint32_t> gf_parseHexadecimalHexid(std::string_view text) noexcept;

} // namespace skyloom
