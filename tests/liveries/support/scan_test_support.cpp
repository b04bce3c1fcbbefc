#include "tests/liveries/support/scan_test_support.h"

#include <cstdlib>
#include <fstream>
#include <span>
#include <stdexcept>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/encrypted_file.h"
#include "foundation/file_header.h"
#include "foundation/version.h"

namespace fs = std::filesystem;

namespace skyloom::testing {

ScanEnvOverride::ScanEnvOverride(const char* name, const std::optional<fs::path>& value)
    : name_(name) {
    if (const char* old = std::getenv(name)) {
        old_ = old;
    }
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

ScanEnvOverride::~ScanEnvOverride() {
    if (old_) {
        ::setenv(name_, old_->c_str(), 1);
    } else {
        ::unsetenv(name_);
    }
}

std::string aircraftCfgText(std::string_view model, const std::vector<CfgLivery>& liveries) {
    std::string text = fmt::format("[General]\nicao_type_designator = \"{}\"\n\n", model);
    for (std::size_t i = 0; i < liveries.size(); ++i) {
        const CfgLivery& livery = liveries[i];
        text += fmt::format("[fltsim.{}]\ntitle = \"{}\"\n", i, livery.title);
        if (!livery.airline.empty()) {
            text += fmt::format("icao_airline = \"{}\"\n", livery.airline);
        }
        if (!livery.atcId.empty()) {
            text += fmt::format("atc_id = \"{}\"\n", livery.atcId);
        }
        text += "\n";
    }
    return text;
}

fs::path writeAircraftCfg(const fs::path& folder, std::string_view model,
                          const std::vector<CfgLivery>& liveries) {
    const fs::path file = folder / "aircraft.cfg";
    writeCfgBytes(file, aircraftCfgText(model, liveries));
    return file;
}

LiveryScanTest::LiveryScanTest()
    : work_("SKYLOOM_WORKDIR", dir_ / "work"), roaming_("SKYLOOM_APPDATA", dir_ / "roaming") {}

void LiveryScanTest::SetUp() {
    gf_setStartupChoices(StartupChoices{SimChoice::msfs2024, TrafficSource::rtDirect});
    gf_createDataFolders();
    fs::create_directories(community());
}

void LiveryScanTest::TearDown() {}

fs::path LiveryScanTest::scannedFile() const {
    return workFolder() / "output" / "LiveriesScanned_MSFS2024.xml";
}

fs::path LiveryScanTest::addPackageAircraft(std::string_view package, std::string_view aircraft,
                                            std::string_view model,
                                            const std::vector<CfgLivery>& liveries) {
    return writeAircraftCfg(community() / package / "SimObjects" / "Airplanes" / aircraft, model,
                            liveries);
}

void LiveryScanTest::writeAigRegcodes(const std::vector<std::string>& titles) {
    std::string text = fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                                   "  <meta version=\"{}\" sim=\"2\" copyright=\"{}\" "
                                   "program=\"Skyloom\"/>\n  <aig>\n",
                                   gf_programVersionText(), kMakerCopyright);
    for (const std::string& title : titles) {
        text += fmt::format("    <l t=\"{}\"/>\n", title);
    }
    text += "  </aig>\n</root>\n";
    const auto bytes = std::as_bytes(std::span(text));
    const std::span<const unsigned char> plaintext(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    const EncryptedWriteResult written =
        gf_writeEncryptedFile(inputFolder() / "AIG-regcodes.enc", plaintext);
    if (!written.ok) {
        throw std::runtime_error("cannot write the AIG regcodes fixture: " + written.error);
    }
}

std::vector<std::string> LiveryScanTest::titles(const std::vector<LiveryRecord>& records) {
    std::vector<std::string> result;
    for (const LiveryRecord& record : records) {
        result.push_back(record.title);
    }
    return result;
}

std::vector<std::string> fileLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace skyloom::testing
