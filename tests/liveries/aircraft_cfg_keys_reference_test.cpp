// The key extractors against the whole-line regular expressions that describe a key line
// (ECMAScript, case-insensitive): the same answer for every line of the real aircraft.cfg files
// in ../shared/data/aircraftcfg, for those lines damaged at random, and for random lines made of
// the pieces that key lines are made of. The expressions recurse once per character, so they run
// only here, on short lines.
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/charset.h"
#include "foundation/std_regex.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "liveries/aircraft_cfg_keys.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

// One key: its name, the extractor's answer as text (an absent value marked apart from an
// empty one), and the expression of its line.
struct KeyReference {
    std::string key;
    std::function<std::string(const std::string&)> extract;
    std::regex line;
};

template <typename Value> std::string lf_shown(const std::optional<Value>& value) {
    return value ? "=" + *value : "(none)";
}

std::regex lf_keyLine(const std::string& key) {
    return std::regex(R"(\s*()" + key + R"()\s*=\s*(.*\S)\s*)",
                      std::regex::ECMAScript | std::regex::icase);
}

const std::vector<KeyReference>& lf_references() {
    static const std::vector<KeyReference> references = [] {
        std::vector<KeyReference> all;
        const auto add = [&](std::string key, std::function<std::string(const std::string&)> f) {
            all.push_back(KeyReference{key, std::move(f), lf_keyLine(key)});
        };
        add("title", [](const std::string& l) { return lf_shown(gf_getTitle(l)); });
        add("texture", [](const std::string& l) { return lf_shown(gf_getTexture(l)); });
        add("atc_id", [](const std::string& l) { return lf_shown(gf_getAtcId(l)); });
        add("atc_parking_types",
            [](const std::string& l) { return lf_shown(gf_getAtcParkingTypes(l)); });
        add("icao_airline", [](const std::string& l) { return lf_shown(gf_getIcaoAirline(l)); });
        add("icao_type_designator",
            [](const std::string& l) { return gf_getIcaoTypeDesignator(l); });
        add("base_container", [](const std::string& l) { return gf_getBaseContainer(l); });
        return all;
    }();
    return references;
}

// The section number of a header line as the expression reads it.
std::string lf_referenceFltsimNumber(const std::string& line) {
    static const std::regex header(R"(\s*(\[fltsim\.)(\d+)\]\s*)",
                                   std::regex::ECMAScript | std::regex::icase);
    if (line.starts_with(";") || line.starts_with("//") || !gf_containsNoCase(line, "[fltsim.")) {
        return {};
    }
    std::smatch match;
    return std::regex_match(line, match, header) ? match[2].str() : "10000";
}

// Compares every extractor with its expression on one line: where the expression matches, the
// extractor must give what it gives for the plain line "key=value" of the matched value; where
// it does not, what it gives for a line that is no key line at all.
void lf_expectSameAsReference(const std::string& line) {
    for (const KeyReference& reference : lf_references()) {
        std::smatch match;
        const std::string plain = std::regex_match(line, match, reference.line)
                                      ? reference.key + "=" + match[2].str()
                                      : std::string();
        EXPECT_EQ(reference.extract(line), reference.extract(plain))
            << reference.key << " in '" << line << "'";
    }
    EXPECT_EQ(gf_getFltsimNumber(line), lf_referenceFltsimNumber(line)) << "'" << line << "'";
}

// One random change: a character dropped, put in or flipped in letter case.
std::string lf_mutate(std::string line, std::mt19937& engine) {
    static constexpr std::string_view kInserted = " \t\r\n\v\f=\";[]._x1";
    if (line.empty()) {
        return std::string(1, kInserted[engine() % kInserted.size()]);
    }
    const std::size_t at = engine() % line.size();
    switch (engine() % 3) {
    case 0:
        line.erase(at, 1);
        break;
    case 1:
        line.insert(at, 1, kInserted[engine() % kInserted.size()]);
        break;
    default:
        line[at] = static_cast<char>(line[at] ^ 0x20);
        break;
    }
    return line;
}

std::vector<std::string> lf_realLines() {
    std::vector<std::string> lines;
    const fs::path root = testing::sharedPath("data/aircraftcfg");
    if (root.empty()) {
        return lines;
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().filename() != "aircraft.cfg") {
            continue;
        }
        std::vector<std::string> fileLines;
        const Charset charset = gf_detectCharset(entry.path());
        EXPECT_NE(charset, Charset::none_found) << entry.path();
        EXPECT_TRUE(gf_readTextFileLines(charset, entry.path(), fileLines)) << entry.path();
        lines.insert(lines.end(), fileLines.begin(), fileLines.end());
    }
    return lines;
}

TEST(AircraftCfgKeysReferenceTest, RealLinesAndTheirDamagedCopies) {
    const std::vector<std::string> lines = lf_realLines();
    if (lines.empty()) {
        GTEST_SKIP() << "shared data not found: ../shared/data/aircraftcfg";
    }
    std::mt19937 engine(20260214);
    for (const std::string& line : lines) {
        lf_expectSameAsReference(line);
        std::string damaged = line;
        for (int run = 0; run < 4; ++run) {
            damaged = lf_mutate(std::move(damaged), engine);
            lf_expectSameAsReference(damaged);
        }
    }
}

TEST(AircraftCfgKeysReferenceTest, RandomLinesOfKeyLinePieces) {
    // Blanks and line breaks, the characters that key lines are made of, and key names.
    static constexpr std::string_view kCharacters = " \t\r\n\v\f=\";]x1";
    static const std::vector<std::string> kWords = gf_split(
        "// \xc3\xa9 title TiTlE ui_ _x texture atc_id ATC_ID atc_parking_types icao_airline "
        "zzzz base_container ..\\ Asobo_A320_NEO [fltsim. [FLTSIM. b737-800 "
        "icao_type_designator",
        ' ');
    std::mt19937 engine(7);
    for (int run = 0; run < 4000; ++run) {
        std::string line;
        const int count = 1 + static_cast<int>(engine() % 9);
        for (int i = 0; i < count; ++i) {
            const std::size_t pick = engine() % (kCharacters.size() + kWords.size());
            line += pick < kCharacters.size() ? std::string(1, kCharacters[pick])
                                              : kWords[pick - kCharacters.size()];
        }
        lf_expectSameAsReference(line);
    }
}

} // namespace
} // namespace skyloom
