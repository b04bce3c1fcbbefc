// Learned files as a hostile or careless hand leaves them: stands without ids, ids with blanks,
// radii no writer can give back, days outside the week, tens of thousands of stands or options.
// Whatever the file holds, what is read can be saved again and reads back the same, and the
// read stays within the airport file's bounds.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "config/params_snapshot.h"
#include "foundation/file_header.h"
#include "foundation/manual_clock.h"
#include "foundation/version.h"
#include "parking/apf_stand_reader.h"
#include "parking/learned_airport_file.h"
#include "parking/parking_state.h"
#include "refdata/park_airport.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOption =
    R"(<opt reg="PH-BXA" airl="KLM" type="B738" day="3" hh="20:23"/>)";

std::string lf_learnedText(std::string_view parkpositions, bool handmade = false) {
    return fmt::format(R"(<?xml version="1.0"?><root><meta version="{}" sim="2" copyright="{}"/>)"
                       R"(<parameters><parameter name="airport_name" value="{}"/>{}</parameters>)"
                       R"(<parkpositions>{}</parkpositions></root>)",
                       gf_programVersionText(), kMakerCopyright, "Amsterdam Airport Schiphol",
                       handmade ? R"(<parameter name="handmade" value="true"/>)" : "",
                       parkpositions);
}

// A hand-made stand a little away from the grid's stands.
std::string lf_manual(std::string_view idAttribute, std::string_view radius = "20",
                      std::string_view options = kOption) {
    return fmt::format(R"(<parkpos {} manual="true" typestr="GATE_SMALL" latitude="52.2800" )"
                       R"(longitude="4.7300" heading="90" radius="{}">{}</parkpos>)",
                       idAttribute, radius, options);
}

std::size_t lf_learnedOptions(const Stand& stand) {
    return static_cast<std::size_t>(
        std::count_if(stand.options.begin(), stand.options.end(),
                      [](const FlightOption& o) { return o.origin == 0; }));
}

class HostileLearnedFileTest : public ::testing::Test {
protected:
    HostileLearnedFileTest() { entry_.set(AirportEntry{IcaoCode("EHAM"), {}, 52.3, 4.76, -11}); }

    // The grid's stands G1 to G3 with the learned file of `parkpositions` merged.
    std::vector<Stand> read(std::string_view parkpositions, bool handmade = false) {
        testing::writeText(learned(), lf_learnedText(parkpositions, handmade));
        return readFile(learned());
    }
    std::vector<Stand> readFile(const fs::path& path) {
        const LearnedAirportRead result =
            gf_readLearnedAirportFile(path, "Amsterdam Airport Schiphol", airport_.stands, window_);
        EXPECT_TRUE(result.data) << result.error;
        return result.data ? result.data->stands : std::vector<Stand>{};
    }
    // Saves the stands as the program does, to saved.xml; true when the save succeeded.
    bool save(const std::vector<Stand>& stands, bool handmade = false) {
        ParkingState state;
        state.airportFileApplied = true;
        state.file.airportName = "Amsterdam Airport Schiphol";
        state.file.publisherName = "Big Pub";
        state.file.learnedSavePath = dir_ / "saved.xml";
        const testing::CapturedLog log;
        gf_saveLearned(state, stands, handmade, {entry_, settings_, kHeaderSimMsfs2024, clock_});
        return log.contains("saved with") && !log.contains("gf_writeApf");
    }
    fs::path learned() const { return dir_ / "learned.xml"; }
    std::string path() const { return learned().string(); }

    testing::TempDir dir_;
    AirportFile airport_ = testing::gridAirport(3);
    testing::RecordingWindowSink window_;
    ParkAirportEntry entry_;
    ParamsSnapshot settings_;
    ManualClock clock_;
};

// Every stand of a learned file that could not be saved again is skipped with a line; ids are
// trimmed before they are compared; what is kept is saved and reads back the same.
TEST_F(HostileLearnedFileTest, WhatIsReadIsSavedAgainAndReadsBackTheSame) {
    struct Case {
        const char* what;
        std::string parkpos;
        std::string line; // "" when none is due
        std::vector<std::string> ids;
        std::size_t learnedOfG1;
    };
    const std::string noId = fmt::format("==> learned stand #1 in {} has no id, skipped", path());
    const std::vector<std::string> grid{"G1", "G2", "G3"};
    const std::vector<std::string> withM1{"G1", "G2", "G3", "M1"};
    const Case cases[] = {
        {"a hand-made stand without id", lf_manual(""), noId, grid, 0},
        {"a hand-made stand with an empty id", lf_manual(R"(id="")"), noId, grid, 0},
        {"a hand-made stand with a blank id", lf_manual("id=\" \t \""), noId, grid, 0},
        {"learned options without a stand id",
         fmt::format(R"(<parkpos id="">{}</parkpos>)", kOption), noId, grid, 0},
        {"a hand-made stand named as the airport's own, in blanks", lf_manual(R"(id=" G2 ")"),
         fmt::format("==> manually created standid G2 already exists in {}", path()), grid, 0},
        {"learned options of a stand named in blanks",
         fmt::format(R"(<parkpos id=" G1 ">{}</parkpos>)", kOption), "", grid, 1},
        {"a new hand-made stand named in blanks", lf_manual(R"(id=" M1 ")"), "", withM1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Stand> stands;
        {
            const testing::CapturedLog log;
            stands = read(c.parkpos);
            if (!c.line.empty()) {
                EXPECT_TRUE(log.has(c.line));
            }
            EXPECT_FALSE(log.contains("not found?"));
        }
        std::vector<std::string> ids;
        for (const Stand& stand : stands) {
            ids.push_back(stand.id);
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(lf_learnedOptions(stands.at(0)), c.learnedOfG1);

        ASSERT_TRUE(save(stands));
        const std::vector<Stand> again = readFile(dir_ / "saved.xml");
        ASSERT_EQ(again.size(), stands.size());
        for (std::size_t i = 0; i < stands.size(); ++i) {
            EXPECT_EQ(again[i].id, stands[i].id);
            EXPECT_EQ(again[i].options.size(), stands[i].options.size());
            EXPECT_EQ(again[i].manual, stands[i].manual);
        }
    }
}

// A radius that one decimal writes as "0.0" is refused by every reader, and the writer leaves
// out a stand that has one, so that no stand is lost between a save and the next read.
TEST_F(HostileLearnedFileTest, RadiiAreReadOnlyAsTheWriterCanGiveThemBack) {
    struct Case {
        const char* radius;
        bool kept;
    };
    for (const Case c : {Case{"0.01", false}, Case{"0.04", false}, Case{"0.05", false},
                         Case{"0.09", false}, Case{"0.1", true}, Case{"0.14", true}}) {
        SCOPED_TRACE(c.radius);
        const testing::CapturedLog log;
        const std::vector<Stand> stands = read(lf_manual(R"(id="M1")", c.radius));
        ASSERT_EQ(stands.size(), c.kept ? 4u : 3u);
        EXPECT_EQ(log.contains("manually created standid M1 misses correct attributes"), !c.kept);
        if (c.kept) {
            ASSERT_TRUE(save(stands));
            const std::vector<Stand> again = readFile(dir_ / "saved.xml");
            ASSERT_EQ(again.size(), 4u);
            EXPECT_NEAR(again[3].radius, stands[3].radius, 0.05 / 1852.0);
        }
        // The same radius in an airport file's own stand section.
        pugi::xml_document document;
        ASSERT_TRUE(
            document.load_string(lf_learnedText(lf_manual(R"(id="A1")", c.radius)).c_str()));
        std::vector<Stand> own;
        gf_readParkpositions(document, own);
        EXPECT_EQ(own.size(), c.kept ? 1u : 0u);
    }

    // A stand whose radius is too small to be written back is left out of a write.
    AirportFile airport = testing::gridAirport(2);
    airport.stands[1].radius = 0.04 / 1852.0;
    {
        const testing::CapturedLog log;
        ASSERT_TRUE(testing::writeApf(airport, dir_ / "full.xml"));
        EXPECT_TRUE(log.contains("gf_writeApf: stand 'G2' has invalid geometry"));
    }
    EXPECT_EQ(testing::readText(dir_ / "full.xml").find("id=\"G2\""), std::string::npos);
}

// Learned options a save could not write back, a day outside the week or no registration, are
// skipped as they are read, with one line per stand, whether they are merged into a stand of
// the airport file, belong to a hand-made stand or to a stand of a handmade file; the others
// are saved and read back.
TEST_F(HostileLearnedFileTest, OptionsASaveCouldNotWriteAreSkippedWithALine) {
    const std::string options =
        std::string(R"(<opt reg="PH-D0" airl="KLM" type="B738" day="0" hh="1"/>)") +
        R"(<opt reg="PH-D8" airl="KLM" type="B738" day="8" hh="1"/>)" +
        R"(<opt reg="PH-DX" airl="KLM" type="B738" day="x" hh="1"/>)" +
        R"(<opt airl="KLM" type="B738" day="7" hh="2"/>)" +
        R"(<opt reg="" airl="KLM" type="B738" day="7" hh="3"/>)" +
        R"(<opt reg="PH-D7" airl="KLM" type="B738" day="7" hh="1"/>)";
    struct Case {
        const char* what;
        std::string parkpos;
        bool handmade;
        std::string id;
    };
    const Case cases[] = {
        {"merged into a stand of the airport file",
         fmt::format(R"(<parkpos id="G1">{}</parkpos>)", options), false, "G1"},
        {"of a hand-made stand", lf_manual(R"(id="M1")", "20", options), false, "M1"},
        {"of a stand of a handmade file", lf_manual(R"(id="H1")", "20", options), true, "H1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Stand> stands;
        {
            const testing::CapturedLog log;
            stands = read(c.parkpos, c.handmade);
            EXPECT_TRUE(log.has(
                fmt::format("learned stand {} in {}: 3 options with a day outside 1 to 7 skipped",
                            c.id, path())));
            EXPECT_TRUE(log.has(fmt::format(
                "learned stand {} in {}: 2 options without registration skipped", c.id, path())));
        }
        const auto stand = std::find_if(stands.begin(), stands.end(),
                                        [&](const Stand& s) { return s.id == c.id; });
        ASSERT_NE(stand, stands.end());
        const auto kept =
            std::count_if(stand->options.begin(), stand->options.end(),
                          [&](const FlightOption& o) { return o.origin == 0 || c.handmade; });
        ASSERT_EQ(kept, 1);
        EXPECT_EQ(stand->options.back().reg, "PH-D7");
        EXPECT_EQ(stand->options.back().seq, stand->options.size());

        ASSERT_TRUE(save(stands, c.handmade));
        const std::vector<Stand> again = readFile(dir_ / "saved.xml");
        const auto back =
            std::find_if(again.begin(), again.end(), [&](const Stand& s) { return s.id == c.id; });
        ASSERT_NE(back, again.end());
        EXPECT_EQ(back->options.size(), stand->options.size());
    }
}

// A learned file holds no more stands than an airport file may (512), and a stand no more than
// 1000 learned options: 20,000 hand-made stands at one spot and 60,000 options on one stand are
// read up to those bounds, each bound with one line. Repeated uses are recognised however many
// there are.
TEST_F(HostileLearnedFileTest, StandsAndOptionsAreReadUpToTheAirportFilesBounds) {
    std::string crowd;
    for (int i = 0; i < 20'000; ++i) {
        crowd += lf_manual(fmt::format(R"(id="M{}")", i), "20", "");
    }
    {
        const testing::CapturedLog log;
        const std::vector<Stand> stands = read(crowd);
        EXPECT_EQ(stands.size(), kMaxApfStands);
        EXPECT_TRUE(log.has(fmt::format(
            "learned file {} contains more than 512 stands; remaining stands skipped", path())));
        EXPECT_TRUE(log.has(fmt::format("==> manually created standid M509 in {} skipped: the "
                                        "airport has 512 stands already; later ones skipped too",
                                        path())));
        EXPECT_TRUE(save(stands));
    }

    struct Case {
        const char* what;
        bool sameUse;
        std::size_t kept;
    };
    for (const Case c : {Case{"60,000 different aircraft", false, kMaxStandOptions},
                         Case{"one aircraft 60,000 times", true, 1}}) {
        SCOPED_TRACE(c.what);
        std::string options;
        for (int i = 0; i < 60'000; ++i) {
            options +=
                fmt::format(R"(<opt reg="PH-{}" airl="KLM" type="B738" day="{}" hh="20:23"/>)",
                            c.sameUse ? 0 : i, c.sameUse ? 3 : 1 + i % 7);
        }
        const testing::CapturedLog log;
        const std::vector<Stand> stands =
            read(fmt::format(R"(<parkpos id="G1">{}</parkpos>)", options));
        EXPECT_EQ(lf_learnedOptions(stands.at(0)), c.kept);
        EXPECT_TRUE(log.has(fmt::format(
            "learned stand G1 in {} has more than 1000 options; remaining options skipped",
            path())));
        ASSERT_TRUE(save(stands));
        EXPECT_EQ(lf_learnedOptions(readFile(dir_ / "saved.xml").at(0)), c.kept);
    }
}

} // namespace
} // namespace skyloom
