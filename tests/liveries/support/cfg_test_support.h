// Helpers of the aircraft.cfg and scanned-liveries tests: a small dbase that knows the codes
// the fixtures use, the log captured in a folder of its own, and files written byte for byte.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/captured_log.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {

// Publishes a dbase with the models, airlines, model fixes, categories and registrations the
// aircraft.cfg fixtures rely on (listed in the .cpp), after emptying the code tables. The
// destructor empties them again and leaves an empty dbase.
class CfgTestDbase {
public:
    CfgTestDbase();
    ~CfgTestDbase();
    CfgTestDbase(const CfgTestDbase&) = delete;
    CfgTestDbase& operator=(const CfgTestDbase&) = delete;

private:
    TempDir dir_;
};

// Log.txt opened in a folder of its own for the object's lifetime.
using CfgLogCapture = CapturedLog;

// Writes the bytes to the path, making its folders.
void writeCfgBytes(const std::filesystem::path& path, std::string_view bytes);
std::string readCfgBytes(const std::filesystem::path& path);

// The folder of the hand-written aircraft.cfg fixtures (tests/liveries/data).
std::filesystem::path cfgFixtureDir();

} // namespace skyloom::testing
