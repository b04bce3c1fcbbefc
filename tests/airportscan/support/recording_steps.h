// A stand-in for the rest of the airport scan as the BGL stand reader sees it: it knows the
// airports and weekly-traffic codes it is given, offers one manifest (or none), links or
// refuses what it is told to, and records every generated file and window count asked for.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "airportscan/bgl_stand_reader.h"

namespace skyloom::testing {

struct GeneratedAirport {
    AirportFile airport;
    std::size_t helipads = 0;
};

class RecordingSteps final : public BglAirportSteps {
public:
    // Codes known to the airports table and with weekly traffic (both, unless changed).
    explicit RecordingSteps(std::set<std::string> codes = {"KPHX", "EGLL", "EDDF"})
        : known(codes), weekly(std::move(codes)) {}

    bool airportKnown(const IcaoCode& icao) override { return known.contains(icao.text()); }
    bool weeklyTraffic(const IcaoCode& icao) override { return weekly.contains(icao.text()); }
    std::optional<AirportPackage> searchManifest(const std::filesystem::path&) override {
        return manifest;
    }
    bool linkToArchive(AirportFile& airport) override {
        if (!linked.contains(airport.icao.text())) {
            return false;
        }
        links.push_back(airport.icao.text());
        return true;
    }
    bool hasAcceptedPublisher(const AirportPackage& package) override {
        return package.manufacturer != refusedManufacturer;
    }
    void writeGeneratedApf(AirportFile& airport, std::size_t helipads) override {
        if (onWrite) {
            onWrite();
        }
        written.push_back(GeneratedAirport{airport, helipads});
    }
    void showSimaddonCount() override { ++simaddonCountsShown; }
    void showThirdpartyCount() override { ++thirdpartyCountsShown; }

    std::set<std::string> known;
    std::set<std::string> weekly;
    std::set<std::string> linked; // codes an archived airport file covers
    std::optional<AirportPackage> manifest;
    std::string refusedManufacturer = "fsim";
    std::function<void()> onWrite;

    std::vector<std::string> links;
    std::vector<GeneratedAirport> written;
    int simaddonCountsShown = 0;
    int thirdpartyCountsShown = 0;
};

} // namespace skyloom::testing
