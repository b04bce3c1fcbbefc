#include "tests/liveries/support/livery_world.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <sys/wait.h>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/params_snapshot.h"
#include "foundation/file_header.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "liveries/installed_liveries.h"
#include "liveries/liveries_scanned_file.h"
#include "liveries/livery_matching_summary.h"
#include "liveries/livery_tables.h"
#include "liveries/process_scanned_liveries.h"
#include "platform/winui/backend.h"
#include "platform/winui/headless/headless_backend.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/similar_models.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

// Categories: Large and Heavy airliners, a bizjet, a light twin, a helicopter and a jet
// trainer (HighPerf); C172, P28A, DA40 and SR22 are in no list, so Light. No model is a cargo
// model: the cargo flag of the tests' keys is set by hand. The group of MD11 and A319 mixes two
// categories.
constexpr std::string_view kDbaseXml = R"(<root>
  <models>
    <m c="B738"/><m c="A320"/><m c="A319"/><m c="A321"/><m c="B739"/><m c="B744"/>
    <m c="B77W"/><m c="MD11"/><m c="C25A"/><m c="GLF5"/><m c="BE58"/><m c="EC35"/>
    <m c="L39"/><m c="C172"/><m c="P28A"/><m c="E190"/><m c="A359"/>
    <m c="DA40"/><m c="SR22"/>
  </models>
  <categories>
    <c n="Large" m="A319,A320,A321,B738,B739,E190"/>
    <c n="Heavy" m="B744,B77W,MD11,A359"/>
    <c n="Bizjet" m="C25A,GLF5"/>
    <c n="TwoProps" m="BE58"/>
    <c n="Rotorcraft" m="EC35"/>
    <c n="HighPerf" m="L39"/>
  </categories>
  <similar>
    <g m="A319,A320,A321"/>
    <g m="B738,B739"/>
    <g m="B744,B77W"/>
    <g m="C25A,GLF5"/>
    <g m="C172,P28A"/>
    <g m="DA40,SR22"/>
    <g m="MD11,A319"/>
  </similar>
</root>)";

void lf_publishTestDbase() {
    pugi::xml_document document;
    if (!document.load_string(kDbaseXml.data())) {
        throw std::logic_error("the test dbase does not parse");
    }
    gf_publishDbase(Dbase::fromDocument(document.child("root"), "test dbase"));
}

} // namespace

LiveryRecord makeRecord(const TestLivery& livery) {
    LiveryRecord record;
    record.title = livery.title;
    record.regcode = livery.regcode;
    record.key = LiveryKey{gf_airlineId(livery.airline), gf_airlineId(livery.op),
                           gf_modelId(livery.model), static_cast<std::uint8_t>(livery.cargo), 0};
    return record;
}

std::vector<LiveryRecord> makeRecords(const std::vector<TestLivery>& liveries) {
    std::vector<LiveryRecord> records;
    for (const auto& livery : liveries) {
        records.push_back(makeRecord(livery));
    }
    std::sort(records.begin(), records.end(), gf_liveryLess);
    return records;
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        old_ = old;
    }
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        ::setenv(name_, old_->c_str(), 1);
    } else {
        ::unsetenv(name_);
    }
}

std::string aigRegcodesXml(std::string_view aigBody) {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                       "  <meta version=\"{}\" sim=\"2\" copyright=\"{}\" program=\"Skyloom\"/>\n"
                       "  <aig>\n{}\n  </aig>\n</root>\n",
                       gf_programVersionText(), kMakerCopyright, aigBody);
}

bool encryptWithTool(std::string_view plaintext, const fs::path& target) {
#ifdef SKYLOOM_ENCRYPTOR_PATH
    const fs::path plainPath = target.parent_path() / (target.filename().string() + ".plain");
    writeTextFile(plainPath, plaintext);
    const std::string command = fmt::format("'{}' '{}' '{}' 2>/dev/null", SKYLOOM_ENCRYPTOR_PATH,
                                            plainPath.string(), target.string());
    const int status = std::system(command.c_str());
    fs::remove(plainPath);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#else
    (void)plaintext;
    (void)target;
    return false;
#endif
}

void writeTextFile(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readTextFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> readLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

void LiveryWorld::SetUp() {
    snapshotBefore_ = gf_paramsSnapshot();
    backend_ = winui::headless::installHeadlessBackend();
    workdirEnv_ = std::make_unique<ScopedEnv>("SKYLOOM_WORKDIR", dir_.path().string());
    LogFile::openIn(dir_.path());

    gf_modelCodeTable().reset();
    gf_airlineCodeTable().reset();
    gf_airlineId("PVT");
    gf_airlineId("ZZZ");
    gf_modelId("B738");
    gf_modelId("A320");
    lf_publishTestDbase();
    gf_clearSimilarModelDefs();
    gf_liveryTables().clear();
    gf_replaceInstalledLiveries({});
    gf_resetLiveryMatchRecords();

    params_ = std::make_unique<ProgramParameters>(&store_, nullptr);
    const std::vector<Parameter*> kept = params_->persisted();
    store_.load(dir_ / "appdata" / "parameters.xml", kept);
    gf_paramsSnapshotCell().publish(params_->snapshot());

    gui_ = std::make_unique<Gui>();
    gui_->recordGuiThread();
    gui_->setAppliedUpdateObserver(
        [this](const GuiUpdate& update, GuiRedrawFlags) { updates_.push_back(update); });
    setChoiceSettings(4);
}

void LiveryWorld::TearDown() {
    gf_setInstalledLiveries(nullptr);
    gf_clearSimilarModelDefs();
    gf_liveryTables().clear();
    gf_replaceInstalledLiveries({});
    gf_resetLiveryMatchRecords();
    gui_.reset();
    params_.reset();
    gf_paramsSnapshotCell().publish(*snapshotBefore_);
    gf_publishDbase(nullptr);
    LogFile::close();
    workdirEnv_.reset();
    winui::setBackend(nullptr);
}

void LiveryWorld::setChoiceSettings(int matchingDepth, int tcasFl, bool random) {
    gf_updateParamsSnapshot([=](ParamsSnapshot& snapshot) {
        snapshot.MATCHING_DEPTH = matchingDepth;
        snapshot.TCAS_FL = tcasFl;
        snapshot.RANDOM = random;
    });
}

void LiveryWorld::buildTables(const std::vector<TestLivery>& liveries) {
    const auto records = makeRecords(liveries);
    ASSERT_TRUE(gf_writeLiveriesScanned(records)) << "the scanned-liveries file was not written";
    gf_processScannedLiveries(*gui_, *params_);
}

std::vector<std::string> LiveryWorld::logLines() const {
    LogFile::flush();
    auto lines = readLines(dir_ / "Log.txt");
    if (!lines.empty()) {
        lines.erase(lines.begin());
    }
    return lines;
}

bool LiveryWorld::logHas(std::string_view line) const {
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool LiveryWorld::logContains(std::string_view part) const {
    const auto lines = logLines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

std::vector<std::string> LiveryWorld::newLogLines() {
    auto lines = logLines();
    std::vector<std::string> fresh;
    if (lines.size() > logLinesSeen_) {
        fresh.assign(lines.begin() + static_cast<std::ptrdiff_t>(logLinesSeen_), lines.end());
    }
    logLinesSeen_ = lines.size();
    return fresh;
}

} // namespace skyloom::testing
