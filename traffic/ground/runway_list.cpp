#include "traffic/ground/runway_list.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/ground/runway_match.h"

namespace skyloom {

namespace {

using namespace motion;

// Runways that the simulator's stock scenery still has but that no longer exist.
struct IgnoredRunway {
    std::string_view source;
    std::string_view icao;
    std::uint32_t primaryNumber;
    std::uint32_t primaryDesignator;
    std::uint32_t secondaryNumber;
    std::uint32_t secondaryDesignator;
    std::string_view reason;
};

constexpr std::array<IgnoredRunway, 2> kIgnoredRunways{{
    {"stock", "CYUL", 10, 0, 28, 0, "permanently converted to Taxiway C"},
    {"stock", "CYYC", 8, 0, 26, 0, "permanently converted to Taxiway L"},
}};

const IgnoredRunway* lf_ignoredRow(std::string_view source, std::string_view icao,
                                   const FacilityRunway& r) noexcept {
    for (const IgnoredRunway& row : kIgnoredRunways) {
        if (row.source != source || row.icao != icao) {
            continue;
        }
        const bool same = r.primaryNumber == row.primaryNumber &&
                          r.primaryDesignator == row.primaryDesignator &&
                          r.secondaryNumber == row.secondaryNumber &&
                          r.secondaryDesignator == row.secondaryDesignator;
        const bool reversed = r.primaryNumber == row.secondaryNumber &&
                              r.primaryDesignator == row.secondaryDesignator &&
                              r.secondaryNumber == row.primaryNumber &&
                              r.secondaryDesignator == row.primaryDesignator;
        if (same || reversed) {
            return &row;
        }
    }
    return nullptr;
}

bool lf_isNullPosition(const Lalo& p) noexcept {
    return std::abs(p.lat) < geo::kNullPositionDegrees &&
           std::abs(p.lon) < geo::kNullPositionDegrees;
}

std::optional<double> lf_startAltitude(const FacilityRunwayStart& start) noexcept {
    return start.present != 0 ? std::optional<double>(start.altitude) : std::nullopt;
}

// The secondary designator that goes with a primary one: L with R, C, W and none with
// themselves.
std::optional<std::uint32_t> lf_reciprocalDesignator(std::uint32_t primary) noexcept {
    static constexpr std::array<std::uint32_t, 5> kReciprocal{0, 2, 1, 3, 4};
    if (primary < kReciprocal.size()) {
        return kReciprocal[primary];
    }
    return std::nullopt;
}

// Checks of one runway against the rest of the list and the airport reference point; they only
// log, the runway stays.
class RunwayValidator {
public:
    RunwayValidator(std::string_view icao, const Lalo& reference, std::set<std::string>& names)
        : icao_(icao), reference_(reference), names_(names) {}

    void validate(const FacilityRunway& r) {
        name_ = gf_runwayName(r);
        if (!names_.insert(name_).second) {
            report("duplicate runway designation");
        }
        const Lalo centre{r.centreLatitude, r.centreLongitude};
        const Lalo primary{r.primaryLatitude, r.primaryLongitude};
        const Lalo secondary{r.secondaryLatitude, r.secondaryLongitude};
        std::optional<double> endBearingDeg;
        std::optional<double> endDistance;
        if (gf_isValidLalo(centre) && gf_isValidLalo(primary) && gf_isValidLalo(secondary)) {
            endBearingDeg = gf_bearing(primary, secondary) * geo::kDegreesPerRadian;
            endDistance = gf_distanceNM(primary, secondary) * geo::kMetresPerNM;
        } else {
            report("invalid center or endpoint coordinates");
        }
        if (!(std::isfinite(r.heading) && r.heading >= 0.0 && r.heading < 360.0)) {
            report("invalid facility heading");
        }
        if (!(std::isfinite(r.length) && r.length > 0.0 &&
              r.length <= kRunwayMaximumLengthMetres)) {
            report("implausible runway length");
        }
        if (!(std::isfinite(r.width) && r.width > 0.0 && r.width <= kRunwayMaximumWidthMetres)) {
            report("implausible runway width");
        }
        if (!std::isfinite(r.altitude)) {
            report("invalid runway altitude");
        }
        checkNumbers(r);
        if (r.primaryStart.present == 0 || r.secondaryStart.present == 0) {
            report("one or both runway START records are missing");
        }
        checkStartAltitude("primary", r, r.primaryStart, r.secondaryStart);
        checkStartAltitude("secondary", r, r.secondaryStart, r.primaryStart);
        // Compared the short way round: a heading of 359.99 and a bearing of 0.01 agree.
        if (endBearingDeg && !(std::abs(gf_wrapLongitude(*endBearingDeg - r.heading)) <=
                               kRunwayEndBearingToleranceDeg)) {
            report("endpoint bearing differs from facility heading");
        }
        if (endDistance &&
            !(std::abs(*endDistance - r.length) <= std::max(0.001 * r.length, 1.0))) {
            report("endpoint distance differs from facility length");
        }
        if (!lf_isNullPosition(reference_) && !lf_isNullPosition(centre) &&
            !(gf_distanceNM(reference_, centre) <= kRunwayCentreReachNM)) {
            report("center is more than 10 NM from airport reference point");
        }
    }

private:
    void report(std::string_view text) const {
        LogFile::writeImportant(
            fmt::format("RUNWAY_HEADING: {} runway {}: {}", icao_, name_, text));
    }

    void checkNumbers(const FacilityRunway& r) const {
        const auto isRunwayNumber = [](std::uint32_t n) { return n >= 1 && n <= 36; };
        if (isRunwayNumber(r.primaryNumber) && isRunwayNumber(r.secondaryNumber) &&
            r.secondaryNumber != (r.primaryNumber + 17) % 36 + 1) {
            report("runway numbers are not reciprocal");
        }
        const auto reciprocal = lf_reciprocalDesignator(r.primaryDesignator);
        if (reciprocal && r.secondaryDesignator != *reciprocal) {
            report("runway designators are not reciprocal");
        }
    }

    void checkStartAltitude(std::string_view end, const FacilityRunway& r,
                            const FacilityRunwayStart& thisStart,
                            const FacilityRunwayStart& otherStart) const {
        const StartAltitude picked = gf_pickStartAltitude(r.altitude, lf_startAltitude(thisStart),
                                                          lf_startAltitude(otherStart));
        if (picked.fromCentre && thisStart.present != 0) {
            report(fmt::format("{} START altitude {:.1f} ft differs from runway center {:.1f} ft; "
                               "using runway center altitude",
                               end, thisStart.altitude, r.altitude));
        }
    }

    std::string_view icao_;
    Lalo reference_;
    std::set<std::string>& names_;
    std::string name_;
};

} // namespace

void RunwayList::correctRunwayHeadings(const IcaoCode& icao, std::string_view source,
                                       const AirportEntry& parkAirport, const StopControl& stop) {
    correctRunwayHeadings(icao, source, parkAirport, [&stop](std::string_view airport) {
        return gf_readRunwayFacilities(stop, airport);
    });
}

void RunwayList::correctRunwayHeadings(const IcaoCode& icao, std::string_view source,
                                       const AirportEntry& parkAirport, const Reader& reader) {
    const std::string icaoText = icao.text();
    if (icaoText == loadedIcao_ && source == loadedSource_) {
        return;
    }
    runways_.clear();
    loadedIcao_.clear();
    loadedSource_.clear();

    RunwayFacilities facilities = reader(icaoText);
    if (facilities.valid == 0) {
        LogFile::writeImportant(
            fmt::format("RUNWAY_HEADING: reading runway facilities for {} failed", icaoText));
        return;
    }
    loadedIcao_ = icaoText;
    loadedSource_ = std::string(source);
    runways_ = std::move(facilities.runways);

    const double entryAltitude = parkAirport.altitudeFt;
    const double difference = facilities.airportAltitude - entryAltitude;
    if (std::abs(difference) > kRunwayAltitudeWarningFt) {
        LogFile::writeImportant(fmt::format(
            "RUNWAY_HEADING: {} airport altitude difference too large: Facilities={:.1f} ft, "
            "airport file={:.1f} ft, difference={:+.1f} ft",
            icaoText, facilities.airportAltitude, entryAltitude, difference));
    }

    std::set<std::string> names;
    RunwayValidator validator(icaoText, parkAirport.position(), names);
    for (const FacilityRunway& runway : runways_) {
        validator.validate(runway);
    }

    std::erase_if(runways_, [&](const FacilityRunway& runway) {
        const IgnoredRunway* row = lf_ignoredRow(source, icaoText, runway);
        if (row == nullptr) {
            return false;
        }
        const std::string name = gf_runwayName(runway);
        LogFile::write(fmt::format("RUNWAY_HEADING: {} {} runway {} ignored: {}", icaoText, source,
                                   name, row->reason));
        names.erase(name);
        return true;
    });

    LogFile::write(fmt::format("RUNWAY_HEADING: {} {} {}: {}", icaoText, runways_.size(),
                               runways_.size() == 1 ? "runway" : "runways",
                               fmt::join(names, ", ")));
}

void RunwayList::stop() {
    runways_.clear();
    loadedIcao_.clear();
}

} // namespace skyloom
