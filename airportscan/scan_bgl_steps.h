// `ScanBglSteps`: what the BGL stand reader needs of the rest of the scan (the airport-code
// tests, manifests, publishers, archive links, generated files and the window's file counts),
// answered from the scan's context.
#pragma once

#include "airportscan/bgl_stand_reader.h"
#include "airportscan/scan_context.h"

namespace skyloom {

class ScanBglSteps : public BglAirportSteps {
public:
    explicit ScanBglSteps(const AirportScanContext& context) : context_(context) {}

    bool airportKnown(const IcaoCode& icao) override;
    bool weeklyTraffic(const IcaoCode& icao) override;
    std::optional<AirportPackage> searchManifest(const std::filesystem::path& bgl) override;
    bool linkToArchive(AirportFile& airport) override;
    bool hasAcceptedPublisher(const AirportPackage& package) override;
    void writeGeneratedApf(AirportFile& airport, std::size_t helipads) override;
    void showSimaddonCount() override;
    void showThirdpartyCount() override;

private:
    const AirportScanContext& context_;
};

} // namespace skyloom
