#include "tests/airportscan/support/scan_installation.h"

#include <fstream>

#include "foundation/file_header.h"
#include "foundation/text.h"
#include "tests/airportscan/support/bgl_bytes.h"
#include "tests/airportscan/support/older_airport_layout.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/shared_data.h"
#include "tests/support/test_files.h"

namespace skyloom::testing {
namespace fs = std::filesystem;
namespace {

const fs::path kPhxBgl = "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/KPHX_ADEX.BGL";
const fs::path kNoAirportBgl = "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/helibcn.BGL";
const fs::path kSceneryManifest =
    "data/manifests/alfonsosiloniz-FPL2SCN/BGLLibrary/MSFS_Package/aquilon-visualpoints/"
    "manifest.json";
const fs::path kAircraftManifest =
    "data/manifests/jopeek-fsltl-canada-air-virtual-pack/manifest.json";

void lf_copy(const fs::path& source, const fs::path& target) {
    fs::create_directories(target.parent_path());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
}

std::string lf_manifest(const std::string& title, const std::string& version,
                        const std::string& manufacturer) {
    return R"({"title": ")" + title + R"(", "package_version": ")" + version +
           R"(", "manufacturer": ")" + manufacturer + R"(", "creator": ")" + manufacturer + R"("})";
}

} // namespace

bool gf_makeInstallation(const fs::path& packages, bool msfs2020) {
    const fs::path bgl = sharedPath(kPhxBgl);
    const fs::path noAirport = sharedPath(kNoAirportBgl);
    const fs::path scenery = sharedPath(kSceneryManifest);
    const fs::path aircraft = sharedPath(kAircraftManifest);
    if (bgl.empty() || noAirport.empty() || scenery.empty() || aircraft.empty()) {
        return false;
    }
    const fs::path community = packages / "Community";
    // A publisher's airport; its facility data come from the simulator.
    lf_copy(bgl, community / "orbx-airport-qska" / "scenery" / "QSKA.bgl");
    writeText(community / "orbx-airport-qska" / "manifest.json",
              lf_manifest("Orbx QSKA", "1.0.3", "Orbx"));
    // A public scenery the simulator has no facility data of: read from its BGL file, rewritten
    // from the older generation's airport layout into the one the reader reads.
    const std::vector<std::byte> phx = rewriteOlderAirports(readBytes(bgl));
    fs::create_directories(community / "sky-harbor" / "scenery");
    std::ofstream(community / "sky-harbor" / "scenery" / "KPHX_ADEX.BGL", std::ios::binary)
        .write(reinterpret_cast<const char*>(phx.data()), static_cast<std::streamsize>(phx.size()));
    lf_copy(scenery, community / "sky-harbor" / "manifest.json");
    lf_copy(noAirport, community / "sky-harbor" / "scenery" / "helibcn.BGL");
    // Never entered.
    lf_copy(bgl, community / "fsltl-canada-air" / "SimObjects" / "EHAM.bgl");
    lf_copy(aircraft, community / "fsltl-canada-air" / "manifest.json");
    if (msfs2020) {
        const fs::path official = packages / "Official" / "OneStore";
        lf_copy(bgl, official / "microsoft-airport-qskb" / "scenery" / "QSKB.bgl");
        lf_copy(bgl, official / "microsoft-airport-lszh" / "scenery" / "LSZH.bgl");
        return true;
    }
    const fs::path streamed = packages / "StreamedPackages";
    fs::create_directories(streamed / "fs24-microsoft-airport-qskb-dateline");
    fs::create_directories(streamed / "fs24-asobo-airport-lszh-zurich");
    fs::create_directories(streamed / "fs24-orbx-airport-ksfo");
    fs::create_directories(streamed / "fs24-asobo-aircraft-eham-tug");
    fs::create_directories(streamed / "fs20-asobo-airport-klax");
    writeText(packages / "Official2024" / "OneStore" / "orbx-airport-ksfo" / "manifest.json",
              lf_manifest("Orbx KSFO", "2.1.0", "Orbx"));
    const fs::path community2024 = packages / "Community2024" / "flytampa-eham-amsterdam";
    lf_copy(bgl, community2024 / "scenery" / "EHAM.bgl");
    writeText(community2024 / "manifest.json", lf_manifest("FlyTampa EHAM", "1.1.0", "FlyTampa"));
    return true;
}

std::string gf_installationArchives() {
    return R"(<publishers><pub pn="Orbx"/><pub pn="FlyTampa"/></publishers>)"
           R"(<simaddons20><s20 aps="LSZH"/></simaddons20>)"
           R"(<simaddons24><s24 aps="LSZH"/></simaddons24>)";
}

ScanSetupFixture::ScanSetupFixture(const fs::path& baseFolder, bool msfs,
                                   std::set<std::string> codes)
    : base(baseFolder), msfs2020(msfs), airports(std::move(codes)) {}

AirportScanSetup ScanSetupFixture::setup() {
    auto accepted = [this](const IcaoCode& code) { return airports.contains(code.text()); };
    const int simulator = msfs2020 ? kHeaderSimMsfs2020 : kHeaderSimMsfs2024;
    const fs::path packages = base / "Packages";
    return AirportScanSetup{
        .services = RunServices{clock, stop, window},
        .controls = controls,
        .msfs2020 = msfs2020,
        .skipScan = false,
        .airportsFolder = base / "airports",
        .tbloFolder = base / "tblo",
        .scanLogFile = base / "AirportsScanLog.txt",
        .supportEmailAddress = "maker@example.org",
        .publishers = publishers,
        .refreshWeeklyAirports = [this] { return weeklyAirportsReadable; },
        .clearWeeklyAirports = {},
        .readPublishers =
            [this](PublisherLists& lists, bool msfs) {
                gf_writeArchivesXml(base / "input", gf_installationArchives());
                return gf_readPublishers(lists, msfs, base / "input");
            },
        .installSubfolder = [packages](std::string_view name) -> std::optional<fs::path> {
            const fs::path folder = packages / name;
            return fs::is_directory(folder) ? std::optional(folder) : std::nullopt;
        },
        .codeTests = {accepted, accepted},
        .writeAirportFile = gf_scanAirportFileWriter(simulator, clock),
        .onStep = {},
    };
}

FolderSnapshot gf_snapshotScanFolders(const fs::path& airports) {
    FolderSnapshot snapshot;
    for (const char* name : {"my_simaddon", "my_thirdparty"}) {
        if (!fs::is_directory(airports / name)) {
            continue;
        }
        snapshot.folders.insert(name);
        for (const auto& entry : fs::recursive_directory_iterator(airports / name)) {
            if (entry.is_regular_file()) {
                snapshot.files[gf_pathToUtf8(fs::relative(entry.path(), airports))] =
                    gf_fileText(entry.path());
            }
        }
    }
    return snapshot;
}

} // namespace skyloom::testing
