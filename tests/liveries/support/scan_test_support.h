// Helpers of the livery-scan tests: a fixture that gives each test a working folder of its own
// (output/info, output/errors, input), a simulator packages root with an empty Community
// folder, the fixtures' dbase and a captured log; and writers of small AI packages whose
// aircraft.cfg files hold one [fltsim.N] section per livery.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "liveries/livery_record.h"
#include "liveries/livery_scan_state.h"
#include "tests/liveries/support/cfg_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {

// Sets (or, given no value, removes) an environment variable and restores it afterwards.
class ScanEnvOverride {
public:
    ScanEnvOverride(const char* name, const std::optional<std::filesystem::path>& value);
    ~ScanEnvOverride();
    ScanEnvOverride(const ScanEnvOverride&) = delete;
    ScanEnvOverride& operator=(const ScanEnvOverride&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// One [fltsim.N] section of a fixture aircraft.cfg.
struct CfgLivery {
    std::string title;
    std::string airline;
    std::string atcId = {};
};

// An aircraft.cfg: a [General] section naming the model, then one section per livery,
// numbered from 0.
std::string aircraftCfgText(std::string_view model, const std::vector<CfgLivery>& liveries);
// Writes that text to folder/aircraft.cfg (the folders made) and returns the file's path.
std::filesystem::path writeAircraftCfg(const std::filesystem::path& folder, std::string_view model,
                                       const std::vector<CfgLivery>& liveries);

// The lines of a text file; empty when it cannot be read.
std::vector<std::string> fileLines(const std::filesystem::path& path);

class LiveryScanTest : public ::testing::Test {
protected:
    LiveryScanTest();
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path workFolder() const { return dir_ / "work"; }
    std::filesystem::path infoFolder() const { return workFolder() / "output" / "info"; }
    std::filesystem::path errorsFolder() const { return workFolder() / "output" / "errors"; }
    std::filesystem::path inputFolder() const { return workFolder() / "input"; }
    std::filesystem::path packagesRoot() const { return dir_ / "msfs"; }
    std::filesystem::path community() const { return packagesRoot() / "Community"; }
    // The scanned-liveries file of the fixture's simulator (MSFS 2024).
    std::filesystem::path scannedFile() const;

    // Community/<package>/SimObjects/Airplanes/<aircraft>/aircraft.cfg with the liveries.
    std::filesystem::path addPackageAircraft(std::string_view package, std::string_view aircraft,
                                             std::string_view model,
                                             const std::vector<CfgLivery>& liveries);

    // Writes input/AIG-regcodes.enc, encrypted with the program's key, listing the titles.
    void writeAigRegcodes(const std::vector<std::string>& titles);

    // The titles of the records, in order.
    static std::vector<std::string> titles(const std::vector<LiveryRecord>& records);

    TempDir dir_;
    LiveryScanState scan_;
    std::vector<LiveryRecord> records_;
    CfgLogCapture log_;

private:
    ScanEnvOverride work_;
    ScanEnvOverride roaming_;
    CfgTestDbase dbase_;
};

} // namespace skyloom::testing
