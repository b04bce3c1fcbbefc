#include "sim/facility_runways.h"

#include <array>
#include <cmath>
#include <exception>
#include <limits>
#include <numbers>
#include <set>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "sim/facility_connection.h"
#include "sim/facility_message.h"

namespace skyloom {

namespace {

constexpr std::array<std::string_view, 36> kRunwayFields{"OPEN AIRPORT",
                                                         "ALTITUDE",
                                                         "N_RUNWAYS",
                                                         "N_STARTS",
                                                         "OPEN RUNWAY",
                                                         "LATITUDE",
                                                         "LONGITUDE",
                                                         "ALTITUDE",
                                                         "HEADING",
                                                         "LENGTH",
                                                         "WIDTH",
                                                         "PRIMARY_NUMBER",
                                                         "PRIMARY_DESIGNATOR",
                                                         "SECONDARY_NUMBER",
                                                         "SECONDARY_DESIGNATOR",
                                                         "OPEN PRIMARY_THRESHOLD",
                                                         "LENGTH",
                                                         "WIDTH",
                                                         "ENABLE",
                                                         "CLOSE PRIMARY_THRESHOLD",
                                                         "OPEN SECONDARY_THRESHOLD",
                                                         "LENGTH",
                                                         "WIDTH",
                                                         "ENABLE",
                                                         "CLOSE SECONDARY_THRESHOLD",
                                                         "CLOSE RUNWAY",
                                                         "OPEN START",
                                                         "LATITUDE",
                                                         "LONGITUDE",
                                                         "ALTITUDE",
                                                         "HEADING",
                                                         "NUMBER",
                                                         "DESIGNATOR",
                                                         "TYPE",
                                                         "CLOSE START",
                                                         "CLOSE AIRPORT"};

// Smallest messages of each reply, header included.
constexpr std::size_t kAirportMessage = 56;
constexpr std::size_t kRunwayMessage = 92;
constexpr std::size_t kStartMessage = 80;
constexpr std::size_t kPavementMessage = 52;

constexpr std::uint32_t kRunwayStartType = 1;

// The state of one read.
struct RunwayRead {
    std::string icao;
    std::vector<FacilityRunway> runways;
    std::vector<FacilityStart> starts;
    std::unordered_map<DWORD, std::size_t> runwayByUniqueId;
    std::unordered_map<DWORD, int> pavementsByParent;
    double airportAltitude = std::numeric_limits<double>::quiet_NaN();
    std::int32_t advertisedRunways = 0;
    std::int32_t advertisedStarts = 0;
    bool done = false;
    bool failed = false;

    void fail() {
        done = true;
        failed = true;
    }
};

bool lf_defineRunwayFacility() {
    for (std::string_view field : kRunwayFields) {
        if (SimConnect_AddToFacilityDefinition(gf_facilityConnectionHandle(),
                                               RUNWAY_FACILITY_DEFINITION,
                                               std::string(field).c_str()) < 0) {
            return false;
        }
    }
    return true;
}

void lf_onAirport(RunwayRead& read, const FacilityMessage& m) {
    constexpr std::size_t p = kFacilityPayloadOffset;
    read.airportAltitude = m.at<double>(p) * geo::kFeetPerMetre;
    read.advertisedRunways = m.at<std::int32_t>(p + 8);
    read.advertisedStarts = m.at<std::int32_t>(p + 12);
    if (read.advertisedRunways >= 1) {
        read.runways.reserve(static_cast<std::size_t>(read.advertisedRunways));
    }
}

void lf_onRunway(RunwayRead& read, const FacilityMessage& m, DWORD uniqueId) {
    constexpr std::size_t p = kFacilityPayloadOffset;
    FacilityRunway r;
    r.centreLatitude = m.at<double>(p);
    r.centreLongitude = m.at<double>(p + 8);
    r.altitude = m.at<double>(p + 16) * geo::kFeetPerMetre;
    r.heading = m.at<float>(p + 24);
    r.length = m.at<float>(p + 28);
    r.width = m.at<float>(p + 32);
    r.primaryNumber = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 36));
    r.primaryDesignator = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 40));
    r.secondaryNumber = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 44));
    r.secondaryDesignator = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 48));
    const double h = r.heading * std::numbers::pi / 180.0;
    const double halfFeet = r.length * 0.5 * geo::kFeetPerMetre;
    const Lalo centre{r.centreLatitude, r.centreLongitude};
    const Lalo primary = gf_destination(centre, h + std::numbers::pi, halfFeet);
    const Lalo secondary = gf_destination(centre, h, halfFeet);
    r.primaryLatitude = primary.lat;
    r.primaryLongitude = primary.lon;
    r.secondaryLatitude = secondary.lat;
    r.secondaryLongitude = secondary.lon;
    read.runwayByUniqueId[uniqueId] = read.runways.size();
    read.runways.push_back(r);
}

void lf_onStart(RunwayRead& read, const FacilityMessage& m) {
    constexpr std::size_t p = kFacilityPayloadOffset;
    FacilityStart s;
    s.latitude = m.at<double>(p);
    s.longitude = m.at<double>(p + 8);
    s.altitude = m.at<double>(p + 16) * geo::kFeetPerMetre;
    s.heading = m.at<float>(p + 24);
    s.number = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 28));
    s.designator = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 32));
    s.type = static_cast<std::uint32_t>(m.at<std::int32_t>(p + 36));
    read.starts.push_back(s);
}

void lf_onPavement(RunwayRead& read, const FacilityMessage& m, DWORD parentId) {
    const auto runway = read.runwayByUniqueId.find(parentId);
    if (runway == read.runwayByUniqueId.end()) {
        return;
    }
    constexpr std::size_t p = kFacilityPayloadOffset;
    const FacilityThreshold t{m.at<float>(p), m.at<float>(p + 4),
                              static_cast<std::uint8_t>(m.at<std::int32_t>(p + 8) != 0)};
    const int seen = ++read.pavementsByParent[parentId];
    FacilityRunway& r = read.runways[runway->second];
    if (seen == 1) {
        r.primaryThreshold = t;
    } else if (seen == 2) {
        r.secondaryThreshold = t;
    }
}

bool lf_checkSize(RunwayRead& read, const FacilityMessage& message, std::size_t minimum,
                  std::string_view kind) {
    if (message.holds(minimum)) {
        return true;
    }
    LogFile::writeImportant(fmt::format(
        "RUNWAY_HEADING: facility data for {} too short: {} reply of {} bytes, {} needed",
        read.icao, kind, message.size(), minimum));
    read.fail();
    return false;
}

void lf_onRunwayFacilityData(RunwayRead& read, const FacilityMessage& message) {
    const auto header = gf_facilityDataHeader(message);
    if (!header) {
        lf_checkSize(read, message, kFacilityPayloadOffset, "facility data");
        return;
    }
    if (header->userRequestId != RUNWAY_FACILITY_REQUEST) {
        return;
    }
    switch (header->type) {
    case SIMCONNECT_FACILITY_DATA_AIRPORT:
        if (lf_checkSize(read, message, kAirportMessage, "airport")) {
            lf_onAirport(read, message);
        }
        return;
    case SIMCONNECT_FACILITY_DATA_RUNWAY:
        if (lf_checkSize(read, message, kRunwayMessage, "runway")) {
            lf_onRunway(read, message, header->uniqueRequestId);
        }
        return;
    case SIMCONNECT_FACILITY_DATA_START:
        if (lf_checkSize(read, message, kStartMessage, "start")) {
            lf_onStart(read, message);
        }
        return;
    case SIMCONNECT_FACILITY_DATA_PAVEMENT:
        if (lf_checkSize(read, message, kPavementMessage, "pavement")) {
            lf_onPavement(read, message, header->parentUniqueRequestId);
        }
        return;
    default:
        return;
    }
}

void CALLBACK lf_onRunwayFacilityDispatch(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto& read = *static_cast<RunwayRead*>(context);
    try {
        const FacilityMessage message(data, size);
        const auto id = message.id();
        if (!id) {
            lf_checkSize(read, message, sizeof(SIMCONNECT_RECV), "message");
            return;
        }
        switch (*id) {
        case SIMCONNECT_RECV_ID_EXCEPTION:
            if (lf_checkSize(read, message, sizeof(SIMCONNECT_RECV_EXCEPTION), "exception")) {
                LogFile::writeImportant(fmt::format(
                    "RUNWAY_HEADING: SimConnect exception id={} sendID={} index={}",
                    message.at<DWORD>(12), message.at<DWORD>(16), message.at<DWORD>(20)));
                read.fail();
            }
            return;
        case SIMCONNECT_RECV_ID_FACILITY_DATA:
            lf_onRunwayFacilityData(read, message);
            return;
        case SIMCONNECT_RECV_ID_FACILITY_DATA_END:
            if (lf_checkSize(read, message, sizeof(SIMCONNECT_RECV_FACILITY_DATA_END), "end") &&
                message.at<DWORD>(12) == RUNWAY_FACILITY_REQUEST) {
                read.done = true;
            }
            return;
        default:
            return;
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(
            fmt::format("RUNWAY_HEADING: {} exception: {}", "lf_onRunwayFacilityData", e.what()));
        read.fail();
    } catch (...) {
        read.fail();
    }
}

// Gives each runway START to the end it names: the first runway whose primary end matches,
// else the first whose secondary end does.
void lf_attachStarts(RunwayRead& read) {
    const auto copy = [](const FacilityStart& s, FacilityRunwayStart& end) {
        end = FacilityRunwayStart{s.latitude, s.longitude, s.altitude, s.heading, s.type, 1};
    };
    for (const FacilityStart& s : read.starts) {
        if (s.type != kRunwayStartType) {
            continue;
        }
        FacilityRunway* target = nullptr;
        bool primary = true;
        for (FacilityRunway& r : read.runways) {
            if (r.primaryNumber == s.number && r.primaryDesignator == s.designator) {
                target = &r;
                break;
            }
        }
        if (target == nullptr) {
            primary = false;
            for (FacilityRunway& r : read.runways) {
                if (r.secondaryNumber == s.number && r.secondaryDesignator == s.designator) {
                    target = &r;
                    break;
                }
            }
        }
        if (target != nullptr) {
            copy(s, primary ? target->primaryStart : target->secondaryStart);
        }
    }
}

bool lf_inRange(double v, double lo, double hi, bool loIncluded) {
    return std::isfinite(v) && (loIncluded ? v >= lo : v > lo) && v <= hi;
}

// The number of the opposite end: 09 with 27, 36 with 18; N with S, NE with SW, E with W, SE
// with NW.
bool lf_numbersPair(std::uint32_t primary, std::uint32_t secondary) {
    if (primary >= 1 && primary <= 36 && secondary >= 1 && secondary <= 36) {
        return secondary == ((primary + 17) % 36) + 1;
    }
    if (primary >= 37 && primary <= 44 && secondary >= 37 && secondary <= 44) {
        return secondary == ((primary - 33) % 8) + 37;
    }
    return false;
}

bool lf_isValidRunway(const FacilityRunway& r) {
    return gf_isValidLalo(Lalo{r.centreLatitude, r.centreLongitude}) &&
           gf_isValidLalo(Lalo{r.primaryLatitude, r.primaryLongitude}) &&
           gf_isValidLalo(Lalo{r.secondaryLatitude, r.secondaryLongitude}) &&
           std::isfinite(r.heading) && r.heading >= 0 && r.heading < 360 &&
           lf_inRange(r.length, 0, 10000, false) && lf_inRange(r.width, 0, 500, false) &&
           std::isfinite(r.altitude) && r.primaryNumber >= 1 && r.primaryNumber <= 44 &&
           r.secondaryNumber >= 1 && r.secondaryNumber <= 44 &&
           lf_numbersPair(r.primaryNumber, r.secondaryNumber) && r.primaryDesignator < 7 &&
           r.secondaryDesignator < 7 && r.primaryStart.present != 0 &&
           r.secondaryStart.present != 0;
}

// Steps after a complete reply: the STARTs, then the checks; the valid result or none.
RunwayFacilities lf_complete(RunwayRead& read) {
    const auto disabled = [&](const std::string& what) {
        LogFile::writeImportant(fmt::format("RUNWAY_HEADING: {} {}", read.icao, what));
        return RunwayFacilities{};
    };
    lf_attachStarts(read);
    if (!std::isfinite(read.airportAltitude)) {
        return disabled("invalid Facilities airport altitude; correction disabled");
    }
    const auto runways = static_cast<std::int64_t>(read.runways.size());
    if (read.advertisedRunways < 1 || read.advertisedRunways != runways) {
        return disabled(fmt::format("incomplete runway data: advertised {}, returned {}; "
                                    "correction disabled",
                                    read.advertisedRunways, runways));
    }
    const auto starts = static_cast<std::int64_t>(read.starts.size());
    if (read.advertisedStarts < 0 || read.advertisedStarts != starts) {
        return disabled(fmt::format("incomplete START data: advertised {}, returned {}; "
                                    "correction disabled",
                                    read.advertisedStarts, starts));
    }
    std::set<std::pair<std::uint32_t, std::uint32_t>> ends;
    for (const FacilityRunway& r : read.runways) {
        const auto primary = std::make_pair(r.primaryNumber, r.primaryDesignator);
        const auto secondary = std::make_pair(r.secondaryNumber, r.secondaryDesignator);
        const bool unique = !ends.contains(primary) && !ends.contains(secondary);
        if (!lf_isValidRunway(r) || !unique) {
            return disabled(fmt::format(
                "invalid or duplicate runway {}-{}; correction disabled",
                gf_runwayDesignatorText(r.primaryNumber,
                                        static_cast<std::int32_t>(r.primaryDesignator)),
                gf_runwayDesignatorText(r.secondaryNumber,
                                        static_cast<std::int32_t>(r.secondaryDesignator))));
        }
        ends.insert(primary);
        ends.insert(secondary);
    }
    RunwayFacilities result;
    result.airportAltitude = read.airportAltitude;
    result.runways = std::move(read.runways);
    result.valid = 1;
    return result;
}

} // namespace

RunwayFacilities gf_readRunwayFacilities(const StopControl& stop, std::string_view icaoText) {
    const std::string icao(icaoText);
    if (!gf_openFacilityConnection()) {
        return {};
    }
    if (!gf_runwayDefinitionAdded()) {
        if (!lf_defineRunwayFacility()) {
            LogFile::writeImportant("RUNWAY_HEADING: facility definition initialization failed");
            // Fields already added would stay in definition 1002; a fresh connection starts it
            // anew.
            gf_closeFacilityConnection();
            return {};
        }
        gf_markRunwayDefinitionAdded();
    }
    const HRESULT hr =
        SimConnect_RequestFacilityData(gf_facilityConnectionHandle(), RUNWAY_FACILITY_DEFINITION,
                                       RUNWAY_FACILITY_REQUEST, icao.c_str(), "");
    if (hr < 0) {
        LogFile::writeImportant(fmt::format("RUNWAY_HEADING: RequestFacilityData for {} failed: "
                                            "0x{:08X}",
                                            icao, static_cast<std::uint32_t>(hr)));
        return {};
    }
    RunwayRead read;
    read.icao = icao;
    const FacilityWaitResult wait = gf_waitForFacilityData(stop, lf_onRunwayFacilityDispatch, &read,
                                                           read.done, kRunwayReadTimeout);
    if (wait.end == FacilityWaitEnd::dispatchFailed) {
        LogFile::writeImportant(
            fmt::format("RUNWAY_HEADING: SimConnect_CallDispatch failed for {}: 0x{:08X}", icao,
                        static_cast<std::uint32_t>(wait.dispatchResult)));
        return {};
    }
    if (wait.end == FacilityWaitEnd::timedOut) {
        LogFile::writeImportant(
            fmt::format("RUNWAY_HEADING: facility data request timed out for {}", icao));
        return {};
    }
    if (read.failed || !read.done) {
        return {};
    }
    return lf_complete(read);
}

} // namespace skyloom
