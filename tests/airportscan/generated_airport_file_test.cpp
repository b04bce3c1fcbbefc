// Generated airport files: the note with its stand and helipad counts, the folder chosen by the
// publisher, the stands handed to the writer sorted by id, repeated ids made unique in list
// order, and a file the writer refuses.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/generated_airport_file.h"
#include "foundation/file_header.h"
#include "foundation/files.h"
#include "foundation/manual_clock.h"
#include "foundation/text.h"
#include "parking/apf_writer.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::vector<Stand> lf_stands(const std::vector<std::string>& ids) {
    std::vector<Stand> stands;
    double lat = 47.0;
    for (const std::string& id : ids) {
        Stand s;
        s.id = id;
        s.position = Lalo{lat += 0.001, 8.5};
        s.radius = 20 * kStandNMPerMetre;
        stands.push_back(s);
    }
    return stands;
}

std::vector<std::string> lf_ids(const std::vector<Stand>& stands) {
    std::vector<std::string> ids;
    for (const Stand& s : stands) {
        ids.push_back(s.id);
    }
    return ids;
}

TEST(GeneratedAirportFileTest, TheNoteCountsPositionsAndHelipads) {
    struct Case {
        std::string icao;
        std::size_t stands;
        std::int32_t helipads;
        std::string note;
    };
    const std::vector<Case> cases{
        {"EGLL", 1, 0, "Generated EGLL.xml: 1 position"},
        {"EGLL", 0, 0, "Generated EGLL.xml: 0 positions"},
        {"EGLL", 12, 2, "Generated EGLL.xml: 12 positions of which 2 helipads"},
        {"EGLL", 3, 1, "Generated EGLL.xml: 3 positions of which 1 helipad"},
        {"EGLL", 3, -1, "Generated EGLL.xml: 3 positions"},
        {"", 2, 0, "Generated .xml: 2 positions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        TempDir dir;
        ScanFixture scan(dir.path(), {});
        AirportFile airport;
        if (!c.icao.empty()) {
            airport.icao = IcaoCode(c.icao);
        }
        std::vector<std::string> ids;
        for (std::size_t i = 0; i < c.stands; ++i) {
            ids.push_back("P" + std::to_string(i));
        }
        airport.stands = lf_stands(ids);
        EXPECT_TRUE(gf_writeGeneratedApf(airport, c.helipads, scan.context()));
        EXPECT_THAT(scan.scanLog, ElementsAre(c.note));
    }
}

TEST(GeneratedAirportFileTest, TheWriterGetsTheStandsSortedInThePublishersFolder) {
    TempDir dir;
    ScanFixture scan(dir.path(), {});
    AirportFile airport;
    airport.icao = IcaoCode("EGLL");
    airport.publisher = "simaddon";
    airport.stands = lf_stands({"GATE B1", "GATE A10", "GATE A2", "gate a1", "10"});
    const std::vector<Stand> given = airport.stands;
    ASSERT_TRUE(gf_writeGeneratedApf(airport, 0, scan.context()));

    ASSERT_EQ(scan.writer.calls.size(), 1u);
    const RecordingWriter::Call& call = scan.writer.calls[0];
    EXPECT_EQ(call.target, scan.simaddonFolder / "EGLL.xml");
    EXPECT_THAT(lf_ids(call.airport.stands),
                ElementsAre("10", "GATE A10", "GATE A2", "GATE B1", "gate a1"));
    // The stands themselves are handed over unchanged.
    EXPECT_EQ(call.airport.stands[1], given[1]);
    EXPECT_EQ(call.airport.stands[4], given[3]);
    EXPECT_TRUE(std::filesystem::is_regular_file(scan.simaddonFolder / "EGLL.xml"));

    airport.publisher = "North Field";
    ASSERT_TRUE(gf_writeGeneratedApf(airport, 0, scan.context()));
    EXPECT_EQ(scan.writer.calls.back().target, scan.thirdpartyFolder / "EGLL.xml");
}

TEST(GeneratedAirportFileTest, RepeatedIdsAreMadeUniqueInListOrder) {
    struct Case {
        std::vector<std::string> ids;
        std::vector<std::string> unique;
        std::size_t renamed;
    };
    std::vector<std::string> many(29, "GATE 1");
    std::vector<std::string> manyUnique{"GATE 1"};
    for (char c = 'a'; c <= 'z'; ++c) {
        manyUnique.push_back(std::string("GATE 1") + c);
    }
    manyUnique.push_back("GATE 1aa");
    manyUnique.push_back("GATE 1ab");
    const std::vector<Case> cases{
        {{"A", "B", "C"}, {"A", "B", "C"}, 0},
        {{"X", "X", "X"}, {"X", "Xa", "Xb"}, 2},
        // A stand whose own id is unique keeps it; the repeated one goes round it.
        {{"X", "X", "Xa", "X"}, {"X", "Xb", "Xa", "Xc"}, 2},
        {{"Xa", "X", "Xa", "X"}, {"Xa", "X", "Xaa", "Xb"}, 2},
        {{"GATE 12A", "GATE 12A"}, {"GATE 12A", "GATE 12Aa"}, 1},
        // No stand is ever dropped.
        {many, manyUnique, 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ids.size());
        std::vector<Stand> stands = lf_stands(c.ids);
        EXPECT_EQ(gf_makeStandIdsUnique(stands), c.renamed);
        EXPECT_EQ(lf_ids(stands), c.unique);
        // Each stand stays in its place.
        EXPECT_EQ(stands.back().position, lf_stands(c.ids).back().position);
    }
}

TEST(GeneratedAirportFileTest, AFileTheWriterRefusesIsReportedAndAFolderErrorThrown) {
    TempDir dir;
    ScanFixture scan(dir.path(), {});
    scan.writer.succeed = false;
    AirportFile airport;
    airport.icao = IcaoCode("LSZH");
    airport.stands = lf_stands({"A", "A"});
    EXPECT_FALSE(gf_writeGeneratedApf(airport, 0, scan.context()));
    EXPECT_THAT(scan.scanLog,
                ElementsAre("Generated LSZH.xml: 2 positions",
                            "===> Writing " + gf_pathToUtf8(scan.thirdpartyFolder / "LSZH.xml") +
                                " did not succeed"));
    // The writer got unique ids.
    EXPECT_THAT(lf_ids(scan.writer.calls.at(0).airport.stands), ElementsAre("A", "Aa"));

    // The airports folder is a file: my_thirdparty cannot be made.
    TempDir other;
    ScanFixture blocked(other.path(), {});
    {
        std::ofstream(other / "airports") << "not a folder";
    }
    EXPECT_THROW(gf_writeGeneratedApf(airport, 0, blocked.context()),
                 std::filesystem::filesystem_error);
    EXPECT_THAT(blocked.writer.calls, IsEmpty());
}

// An airport generated twice in one scan (two packages of one airport) leaves one file: the
// second replaces the first, and no ".bak" of it stays for the window to count.
TEST(GeneratedAirportFileTest, AnAirportGeneratedTwiceLeavesOneFileAndNoBackup) {
    TempDir dir;
    ScanFixture scan(dir.path(), {});
    const ManualClock clock(ManualClock::utcTime(2026, 1, 5, 12));
    AirportScanContext context = scan.context();
    context.writeAirportFile = [&clock](const AirportFile& airport,
                                        const std::filesystem::path& target) {
        return gf_writeApf(airport, target, ApfMode::full, kHeaderSimMsfs2024, false, std::nullopt,
                           clock);
    };
    for (const std::string publisher : {"simaddon", "North Field"}) {
        SCOPED_TRACE(publisher);
        for (const char* first : {"GATE A1", "GATE B1"}) {
            AirportFile airport;
            airport.icao = IcaoCode("EGLL");
            airport.publisher = publisher;
            airport.stands = lf_stands({first, "GATE C1"});
            ASSERT_TRUE(gf_writeGeneratedApf(airport, 0, context));
        }
        const std::filesystem::path folder =
            publisher == "simaddon" ? scan.simaddonFolder : scan.thirdpartyFolder;
        EXPECT_EQ(gf_countFilesInDirectory(folder), 1u);
        EXPECT_FALSE(std::filesystem::exists(folder / "EGLL.xml.bak"));
        EXPECT_NE(gf_fileText(folder / "EGLL.xml").find("GATE B1"), std::string::npos);
    }
}

} // namespace
} // namespace skyloom::testing
