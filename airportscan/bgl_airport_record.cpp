#include "airportscan/bgl_airport_record.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include <fmt/format.h>

#include "refdata/parking_name.h"
#include "airportscan/scan_limits.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"

namespace skyloom {

namespace {

constexpr std::string_view kProblemPrefix = "===> ";
constexpr double kLatitudeDegreesPerUnit = 180.0 / 536870912.0;          // 180 / 2^29
constexpr double kLongitudeDegreesPerUnit = 360.0 / (3.0 * 268435456.0); // 360 / (3 x 2^28)
constexpr double kMinAltitudeFeet = -20.0;
constexpr double kMaxAltitudeFeet = 10000.0;
constexpr double kSameHelipadDegrees = 1e-8;

// Helipad sub-record words.
constexpr std::uint64_t kHelipadLongitudeWord = 3;
constexpr std::uint64_t kHelipadLatitudeWord = 4;
constexpr std::uint64_t kHelipadWidthWord = 7;
// Parking sub-record: entries start at word 2; an entry has 14 fixed words, then one word
// per airline code.
constexpr std::uint64_t kParkingFirstEntryWord = 2;
constexpr std::uint64_t kParkingEntryWords = 14;
constexpr std::uint64_t kParkingRadiusWord = 1;
constexpr std::uint64_t kParkingHeadingWord = 2;
constexpr std::uint64_t kParkingLongitudeWord = 7;
constexpr std::uint64_t kParkingLatitudeWord = 8;

Lalo lf_position(std::uint32_t latitude, std::uint32_t longitude) noexcept {
    return Lalo{90.0 - latitude * kLatitudeDegreesPerUnit,
                longitude * kLongitudeDegreesPerUnit - 180.0};
}

std::string lf_positionText(const Lalo& position) {
    return fmt::format("{:.6f}, {:.6f}", position.lat, position.lon);
}

// The candidate when it is new among the ids taken, else the candidate with the first of "a"
// to "j" that is new; the id returned is taken at once. None when all are taken.
std::optional<std::string> lf_uniqueStandName(const std::string& candidate,
                                              std::unordered_set<std::string>& taken) {
    if (taken.insert(candidate).second) {
        return candidate;
    }
    for (std::size_t i = 0; i < kMaxDuplicateStandSuffixes; ++i) {
        std::string id = candidate + static_cast<char>('a' + i);
        if (taken.insert(id).second) {
            return id;
        }
    }
    return std::nullopt;
}

// What the walk over one airport's sub-records collects.
struct StandReading {
    AirportFile& airport;
    std::vector<std::string>& scanLog;
    std::vector<Lalo> helipads;
    std::unordered_set<std::string> ids;
};

void lf_processHelipad(const BglRecordWords& helipad, std::uint64_t at, StandReading& reading) {
    const Lalo position =
        lf_position(helipad.at(at + kHelipadLatitudeWord), helipad.at(at + kHelipadLongitudeWord));
    if (!gf_isValidLalo(position)) {
        reading.scanLog.push_back(
            fmt::format("lat/lon helipad incorrect (skipped): {}", lf_positionText(position)));
        return;
    }
    const bool seen =
        std::any_of(reading.helipads.begin(), reading.helipads.end(), [&](const Lalo& other) {
            return std::abs(other.lat - position.lat) <= kSameHelipadDegrees &&
                   std::abs(other.lon - position.lon) <= kSameHelipadDegrees;
        });
    if (seen) {
        reading.scanLog.push_back(fmt::format("double helipad {} (skipped) {}",
                                              reading.airport.airportName,
                                              lf_positionText(position)));
        return;
    }
    Stand stand;
    stand.position = position;
    stand.radius = helipad.floatAt(at + kHelipadWidthWord) / 2.0 * kStandNMPerMetre;
    reading.helipads.push_back(position);
    stand.id = fmt::format("helipad{}", reading.helipads.size());
    stand.heli = true;
    reading.airport.stands.push_back(std::move(stand));
}

// Degrees to radians, where exactly 0 stands for north and is written as a full turn.
double lf_standHeading(float degrees) noexcept {
    return degrees == 0.0f ? geo::kTwoPi : degrees * std::numbers::pi / 180.0;
}

// The entries of one parking sub-record; an entry is read only when it lies wholly inside the
// sub-record (and the airport record), its airline codes included.
void lf_processParkingRecords(const BglRecordWords& parking, std::uint64_t at,
                              StandReading& reading) {
    const std::uint64_t end = parking.end();
    const std::uint64_t count = at + kParkingFirstEntryWord <= end ? parking.at(at + 1) >> 16 : 0;
    std::uint64_t entry = at + kParkingFirstEntryWord;
    // A damaged count cannot ask for more room than whole entries would take.
    const std::uint64_t room = std::min(count, (end - std::min(end, entry)) / kParkingEntryWords);
    reading.airport.stands.reserve(reading.airport.stands.size() + room);
    reading.ids.reserve(reading.ids.size() + room);
    for (std::uint64_t n = 0; n < count; ++n) {
        if (entry + kParkingEntryWords > end ||
            entry + kParkingEntryWords + (parking.at(entry) >> 24) > end) {
            reading.scanLog.push_back(fmt::format(
                "{}Warning: parking record at o3 = {} ends inside entry {} of {}; the remaining "
                "entries are not read",
                kProblemPrefix, at, n + 1, count));
            return;
        }
        const std::uint32_t head = parking.at(entry);
        const std::uint64_t next = entry + kParkingEntryWords + (head >> 24);
        const StandType type = gf_standTypeFromValue((head >> 8) & 0xFu);
        if (type == StandType::NONE || type == StandType::VEHICLE) {
            entry = next;
            continue;
        }
        const std::string candidate = gf_parkingName(static_cast<std::int32_t>(head & 0x3Fu)) +
                                      std::to_string((head >> 12) & 0xFFFu);
        auto id = lf_uniqueStandName(candidate, reading.ids);
        if (!id) {
            reading.scanLog.push_back(
                fmt::format("{}Warning: more than 10 duplicate IDs {}", kProblemPrefix, candidate));
            entry = next;
            continue;
        }
        const Lalo position = lf_position(parking.at(entry + kParkingLatitudeWord),
                                          parking.at(entry + kParkingLongitudeWord));
        if (!gf_isValidLalo(position)) {
            reading.scanLog.push_back(
                fmt::format("LatLon {} invalid (skipped)", lf_positionText(position)));
            entry = next;
            continue;
        }
        Stand stand;
        stand.id = std::move(*id);
        stand.position = position;
        stand.heading = lf_standHeading(parking.floatAt(entry + kParkingHeadingWord));
        stand.radius = parking.floatAt(entry + kParkingRadiusWord) * kStandNMPerMetre;
        stand.type = type;
        stand.ramp = gf_standTypeIsRamp(type);
        stand.cargo = gf_standTypeIsCargo(type);
        reading.airport.stands.push_back(std::move(stand));
        entry = next;
    }
}

void lf_writeBoundaryWarning(std::uint64_t at, bool helipad) {
    const std::string line = fmt::format("   Warning: invalid record boundary at o3 = {}", at);
    if (helipad) {
        LogFile::writeImportant(line);
    } else {
        LogFile::write(line);
    }
}

} // namespace

BglRecordWords::BglRecordWords(std::span<const std::byte> image, std::uint64_t byteOffset,
                               std::uint64_t byteSize)
    : image_(image), byteOffset_(byteOffset), first_(byteOffset / 4),
      end_(byteOffset / 4 + byteSize / 4) {
    if (byteOffset > image.size() || byteSize > image.size() - byteOffset) {
        throw std::out_of_range("invalid vector subscript");
    }
}

std::uint32_t BglRecordWords::at(std::uint64_t word) const {
    if (word < first_ || word >= end_) {
        throw std::out_of_range("invalid vector subscript");
    }
    const std::uint64_t offset = byteOffset_ + (word - first_) * 4;
    return std::to_integer<std::uint32_t>(image_[offset]) |
           std::to_integer<std::uint32_t>(image_[offset + 1]) << 8 |
           std::to_integer<std::uint32_t>(image_[offset + 2]) << 16 |
           std::to_integer<std::uint32_t>(image_[offset + 3]) << 24;
}

float BglRecordWords::floatAt(std::uint64_t word) const {
    return std::bit_cast<float>(at(word));
}

BglRecordWords BglRecordWords::endingAt(std::uint64_t end) const noexcept {
    BglRecordWords shorter = *this;
    shorter.end_ = std::clamp(end, first_, end_);
    return shorter;
}

std::int32_t gf_readAirportAltitude(const BglRecordWords& record) {
    const auto millimetres =
        static_cast<std::int32_t>(record.at(record.first() + kBglAltitudeWord));
    const double feet = std::round(millimetres * geo::kFeetPerMetre / 1000.0);
    return feet < kMinAltitudeFeet || feet > kMaxAltitudeFeet ? 0 : static_cast<std::int32_t>(feet);
}

std::size_t gf_readAirportStands(const BglRecordWords& record, AirportFile& airport,
                                 std::vector<std::string>& scanLog) {
    StandReading reading{airport, scanLog, {}, {}};
    const std::uint64_t imageWords = record.imageWords();
    const std::uint64_t end = record.end();
    std::uint64_t at = record.first() + kBglFirstSubRecordWord;
    for (std::size_t step = 0;; ++step) {
        // Reaching the record's end is the normal end of the walk; passing it, the walk stays
        // inside the record however far a damaged size would carry it.
        if (at >= end) {
            if (at > end && at >= imageWords) {
                LogFile::write(fmt::format(
                    "   Error: o3={} exceeded data buffer size ({}), aborting.", at, imageWords));
            }
            break;
        }
        if (step == kMaxAirportSubRecordSteps) {
            LogFile::writeImportant("Error: Maximum loop iterations reached (1) \u2014 possible "
                                    "corrupt SIA or malformed input");
            break;
        }
        const std::uint32_t head = record.at(at);
        const auto id = static_cast<std::uint16_t>(head & 0xFFFFu);
        const bool helipad = id == kBglHelipadRecordId;
        if (end - at < 2) {
            lf_writeBoundaryWarning(at, helipad);
            break;
        }
        const std::uint64_t words = ((head >> 16) | (record.at(at + 1) << 16)) / 4;
        if (words == 0) {
            lf_writeBoundaryWarning(at, helipad);
            break;
        }
        const BglRecordWords subRecord = record.endingAt(at + words);
        if (id == kBglParkingRecordId) {
            lf_processParkingRecords(subRecord, at, reading);
            break;
        }
        if (helipad) {
            lf_processHelipad(subRecord, at, reading);
        }
        at += words;
    }
    return reading.helipads.size();
}

} // namespace skyloom
