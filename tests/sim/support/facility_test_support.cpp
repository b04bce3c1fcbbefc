#include "tests/sim/support/facility_test_support.h"

#include <cmath>
#include <fstream>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "platform/simworld/facility_file.h"
#include "platform/simworld/facility_import.h"
#include "runtime/stop_request.h"
#include "sim/facility_connection.h"
#include "tests/support/shared_data.h"

namespace skyloom::testing {

FacilityTest::FacilityTest() {
    LogFile::openIn(dir_.path());
    gf_setClock(&clock_);
}

FacilityTest::~FacilityTest() {
    gf_closeFacilityConnection();
    installation_.reset();
    gf_setClock(nullptr);
    LogFile::close();
}

simworld::World& FacilityTest::startWorld(std::vector<simworld::AirportFacilitySetup> airports,
                                          std::vector<simworld::FaultSetup> faults) {
    simworld::WorldSetup setup;
    setup.simulator.flightRunning = true;
    setup.airports = std::move(airports);
    setup.faults = std::move(faults);
    world_ = std::make_shared<simworld::World>(std::move(setup), clock_);
    installation_.emplace(world_);
    return *world_;
}

simworld::AirportFacilitySetup FacilityTest::fixture(std::string_view name) {
    return simworld::gf_loadAirportFile(sourceDir() / "data/worlds/airports" /
                                        (std::string(name) + ".json"));
}

double FacilityTest::worldSeconds() const {
    return world_->secondsSinceStart();
}

std::vector<std::string> FacilityTest::logLines() const {
    LogFile::flush();
    std::ifstream in(dir_ / "Log.txt");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

bool FacilityTest::logHas(const std::string& line) const {
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> FacilityTest::importantLines() const {
    std::vector<std::string> out;
    for (const std::string& line : logLines()) {
        if (line.starts_with("==> ")) {
            out.push_back(line);
        }
    }
    return out;
}

std::vector<std::string> FacilityTest::journalCalls(std::string_view function) const {
    std::vector<std::string> calls;
    for (const simworld::JournalEntry& entry : world_->journal()) {
        if (entry.kind == simworld::JournalKind::call && entry.text.starts_with(function)) {
            calls.push_back(entry.text);
        }
    }
    return calls;
}

std::vector<std::string> FacilityTest::definitionFields(DWORD defineId) const {
    const std::string prefix = fmt::format("SimConnect_AddToFacilityDefinition({}, \"", defineId);
    std::vector<std::string> fields;
    for (const std::string& call : journalCalls(prefix)) {
        const auto end = call.find('"', prefix.size());
        fields.push_back(call.substr(prefix.size(), end - prefix.size()));
    }
    return fields;
}

std::optional<simworld::AirportFacilitySetup> gf_sharedAirport(std::string_view icao) {
    simworld::FacilityImportSources sources;
    sources.airportsCsv = sharedPath("data/runways/airports.csv");
    sources.runwaysCsv = sharedPath("data/runways/runways.csv");
    sources.parkingXml =
        sharedPath(std::filesystem::path("data/stands") / std::string(icao) / "parking.xml");
    if (sources.airportsCsv.empty() || sources.runwaysCsv.empty() || sources.parkingXml.empty()) {
        return std::nullopt;
    }
    return simworld::gf_importAirportFacilities(icao, sources);
}

double gf_metresBetween(const Lalo& a, const Lalo& b) {
    return gf_distanceNM(a, b) * geo::kMetresPerNM;
}

Lalo gf_flatOffset(const Lalo& reference, double east, double north) {
    constexpr double radius = geo::kEarthRadiusNM * geo::kMetresPerNM;
    const double lat = reference.lat + north / radius * geo::kDegreesPerRadian;
    const double lon =
        reference.lon +
        east / (radius * std::cos(reference.lat * geo::kRadiansPerDegree)) * geo::kDegreesPerRadian;
    return Lalo{lat, gf_wrapLongitude(lon)};
}

} // namespace skyloom::testing
