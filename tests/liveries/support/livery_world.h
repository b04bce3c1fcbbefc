// Helpers of the livery-table, regcode and livery-choice tests: a working folder of its own
// (SKYLOOM_WORKDIR) with the log captured in it, a small dbase of categories and similar models,
// parameters kept in a parameters.xml of the test, a window that records the updates it gets,
// and liveries written as codes rather than ids. The fixture empties the code tables and takes
// the codes that the livery choice fixes for the run ("PVT", "ZZZ", "B738", "A320") first, so
// that they have the same ids in every test of a process.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "config/params_snapshot.h"
#include "gui/gui.h"
#include "liveries/livery_record.h"
#include "runtime/gui_update.h"
#include "runtime/user_aircraft.h"
#include "tests/support/temp_dir.h"

namespace skyloom::winui::headless {
class HeadlessBackend;
}

namespace skyloom::testing {

// A livery by its codes. `op` is the operating airline, empty for none.
struct TestLivery {
    TestLivery(std::string airlineCode, std::string modelCode, std::string liveryTitle,
               bool isCargo = false, std::string registration = {}, std::string operatorCode = {})
        : airline(std::move(airlineCode)), model(std::move(modelCode)),
          title(std::move(liveryTitle)), cargo(isCargo), regcode(std::move(registration)),
          op(std::move(operatorCode)) {}

    std::string airline;
    std::string model;
    std::string title;
    bool cargo = false;
    std::string regcode;
    std::string op;
};

LiveryRecord makeRecord(const TestLivery& livery);
std::vector<LiveryRecord> makeRecords(const std::vector<TestLivery>& liveries);

// Sets (or removes) an environment variable for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The text of an AIG regcode file: the data-file header, then `aigBody` inside `root`/`aig`.
std::string aigRegcodesXml(std::string_view aigBody);
// Encrypts `plaintext` into `target` with the data-file encryptor tool (as the maker does);
// false when the tool is not at hand or fails.
bool encryptWithTool(std::string_view plaintext, const std::filesystem::path& target);

void writeTextFile(const std::filesystem::path& path, std::string_view text);
std::string readTextFile(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

class LiveryWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::filesystem::path& workDir() const { return dir_.path(); }

    // MATCHING_DEPTH, TCAS_FL and RANDOM in the program's settings snapshot.
    void setChoiceSettings(int matchingDepth, int tcasFl = 180, bool random = false);

    // Writes the scanned-liveries file of this run's simulator with the liveries and builds the
    // program's tables from it (gf_processScannedLiveries with this fixture's window and
    // parameters).
    void buildTables(const std::vector<TestLivery>& liveries);

    // The log's lines after its first (flushed first).
    std::vector<std::string> logLines() const;
    bool logHas(std::string_view line) const;
    bool logContains(std::string_view part) const;
    // The lines written since the last call of this function.
    std::vector<std::string> newLogLines();

    std::shared_ptr<winui::headless::HeadlessBackend> backend_;
    TempDir dir_;
    std::unique_ptr<ScopedEnv> workdirEnv_;
    ParametersStore store_;
    std::unique_ptr<ProgramParameters> params_;
    std::unique_ptr<Gui> gui_;
    // The user aircraft the livery choice looks at.
    UserAircraft user_;
    // The updates the window applied, in order.
    std::vector<GuiUpdate> updates_;

private:
    std::size_t logLinesSeen_ = 0;
    // The settings the tests after this one find: the parameters' defaults, not a blank one.
    std::shared_ptr<const ParamsSnapshot> snapshotBefore_;
};

} // namespace skyloom::testing
