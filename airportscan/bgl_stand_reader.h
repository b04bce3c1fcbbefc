// The BGL stand reader: reads the stands of the airports in one scenery BGL file when the
// simulator's facility data could not give them. It parses the file, picks the airport
// records, and for each airport that the airports table knows, that RealTraffic has traffic
// for this week and that no archived airport file covers, turns its helipads and parking spots
// into the `Stand`s of an `AirportFile` and hands that to the generated-file writer.
//
// What the reader needs of the rest of the scan (the airports table, the weekly list, package
// manifests and publishers, archive links, the generated-file writer and the window's file
// counts) reaches it through `BglAirportSteps`, which the scan supplies; the scan log's lines
// and the clock that times slow files come with it in `BglReaderContext`. Runs on the main
// worker thread during the airport scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"
#include "foundation/icao_code.h"
#include "refdata/airport_file.h"

namespace skyloom {

class BglAirportSteps {
public:
    virtual ~BglAirportSteps() = default;

    // The airports table knows the code.
    virtual bool airportKnown(const IcaoCode& icao) = 0;
    // RealTraffic has traffic for the airport this week.
    virtual bool weeklyTraffic(const IcaoCode& icao) = 0;
    // The manifest of the package, found from the BGL file's folder upwards, or none.
    virtual std::optional<AirportPackage> searchManifest(const std::filesystem::path& bgl) = 0;
    // Links the airport to an archived airport file; true when it wrote the link.
    virtual bool linkToArchive(AirportFile& airport) = 0;
    // The manifest's manufacturer or creator is an accepted publisher value.
    virtual bool hasAcceptedPublisher(const AirportPackage& package) = 0;
    // Writes the generated airport file of the stands read (`helipads` of them helipads).
    virtual void writeGeneratedApf(AirportFile& airport, std::size_t helipads) = 0;
    // Shows the number of files in my_simaddon in the window.
    virtual void showSimaddonCount() = 0;
    // Shows the number of files in my_thirdparty in the window.
    virtual void showThirdpartyCount() = 0;
};

struct BglReaderContext {
    const Clock& clock;                // steady time for the slow-file report
    std::vector<std::string>& scanLog; // the scan log's lines (per-airport notes)
    BglAirportSteps& steps;
};

// Reads one BGL file. A file that cannot be opened, is empty or is not a BGL file of this
// layout passes silently; one larger than kMaxBglFileBytes is not read, with the scan-log line
// "'{}' has {} bytes, more than {}: not read"; any other parse error writes the important line
// "BGL airport section parse error at byte {} in '{}': {}". Airport records of the older
// layout (kBglOlderAirportRecordId) are not read either: one scan-log line names them. A file
// that took one second or more is reported with the phase it reached. An exception of any step is
// logged ("Exception in lf_processBGLfile (std::ex): {} — {}", path and text) and thrown on to the
// folder walk.
void gf_processBGLfile(const std::filesystem::path& path, BglReaderContext& context);

// The same for a file image already read (gf_readBGLWords): parses it and reads its airports.
// `phase` follows the work ("enumerating", "parse error", "processing records", "complete").
// Exceptions reach the caller unlogged.
void gf_processBGLimage(std::span<const std::uint32_t> words, const std::filesystem::path& path,
                        BglReaderContext& context, std::string_view& phase);

} // namespace skyloom
