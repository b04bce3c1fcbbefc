#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/file_header.h"
#include "foundation/version.h"
#include "parking/airport_file_cache.h"
#include "parking/airport_file_reader.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;
using testing::airportNamed;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::readText;
using testing::standAt;
using testing::writeText;

// An airport file of this program with the given parameters and stand elements.
std::string lf_fileText(std::string_view parameters, std::string_view stands,
                        std::string_view simulator = "2") {
    return fmt::format(R"(<?xml version="1.0"?><root><meta version="{}" sim="{}" copyright="{}"/>)"
                       R"(<parameters>{}</parameters><parkpositions>{}</parkpositions></root>)",
                       gf_programVersionText(), simulator, kMakerCopyright, parameters, stands);
}

std::string lf_parameter(std::string_view name, std::string_view value) {
    return fmt::format(R"(<parameter name="{}" value="{}"/>)", name, value);
}

std::string lf_stand(std::string_view id, double lat = 52.3, double radiusMetres = 25) {
    return fmt::format(
        R"(<parkpos id="{}" typestr="GATE_MEDIUM" latitude="{}" longitude="4.76" heading="0" radius="{}"/>)",
        id, lat, radiusMetres);
}

class AirportFileReaderTest : public ::testing::Test {
public:
    AirportFileReaderTest() {
        fs::create_directories(dir_ / "airports");
        context_.cachePath = dir_ / "airports" / "park_airport.xml";
    }

    // The file at `path`: EHAM with three stands, published by Big Pub, version 1.2.3.
    fs::path writeGood(const fs::path& path) {
        AirportFile airport = airportNamed("EHAM");
        airport.stands = {standAt("A1", 52.30, 4.76, 0, 25, StandType::GATE_MEDIUM),
                          standAt("A2", 52.31, 4.76, 0, 25, StandType::GATE_MEDIUM),
                          standAt("A3", 52.32, 4.76, 0, 25, StandType::GATE_MEDIUM)};
        EXPECT_TRUE(testing::writeApf(airport, path));
        return path;
    }

    // A store that "downloads" archived paths from dir/server, counting the fetches.
    void serveArchive(bool encrypted = false) {
        context_.locate = [this, encrypted](const fs::path& requested) {
            ++fetches_;
            const fs::path copy =
                dir_ / "airports" /
                fmt::format("park_airport.1.{}{}", fetches_, encrypted ? ".enc" : ".xml");
            std::error_code ec;
            fs::copy_file(dir_ / "server" / requested, copy, ec);
            if (ec) {
                return AirportFileLocation{
                    fmt::format("failed to download: '{}'", requested.generic_string()),
                    {},
                    false,
                    false};
            }
            return AirportFileLocation{{}, copy, true, encrypted};
        };
    }

    testing::CapturedLog log_;
    testing::TempDir dir_;
    AirportFileReadContext context_;
    int fetches_ = 0;
};

TEST_F(AirportFileReaderTest, AStoreFileIsReadWithItsParametersAndCopiedToTheCache) {
    const fs::path file = writeGood(dir_ / "airports" / "my_thirdparty" / "EHAM.xml");
    const std::string before = readText(file);
    const AirportFileReadResult read = gf_readAirportFile(file, context_);
    ASSERT_TRUE(read) << read.error;
    const LoadedAirportFile& f = *read.file;
    EXPECT_EQ(f.airportName, "Amsterdam Airport Schiphol");
    EXPECT_EQ(f.publisher, "Big Pub");
    EXPECT_EQ(f.version, "1.2.3");
    EXPECT_EQ(f.altitude, -11);
    EXPECT_EQ(f.source, StandSource::requestedFile);
    EXPECT_EQ(f.requestedPath, file);
    EXPECT_EQ(f.loadedPath, file);
    EXPECT_TRUE(f.learnedPath.empty());
    EXPECT_FALSE(f.learnedMerged);
    EXPECT_FALSE(f.handmadeOverruled);
    EXPECT_EQ(f.parkOptionOverrides, ParkOptionOverrides{});
    EXPECT_EQ(f.rtTrafficWeek, 0u);
    EXPECT_EQ(f.qfReal, 0);
    EXPECT_EQ(f.qfSoft, 0);
    ASSERT_EQ(f.stands.size(), 3u);
    EXPECT_EQ(f.stands[2].id, "A3");
    EXPECT_EQ(f.stands[2].sid, 3);
    EXPECT_EQ(readText(file), before);
    EXPECT_EQ(readText(context_.cachePath), before);
}

TEST_F(AirportFileReaderTest, ParametersAbsentOrPresentReadAsTheirDefaults) {
    const struct {
        std::string parameters;
        std::int32_t qfReal;
        std::int32_t qfSoft;
        std::uint32_t week;
        std::optional<std::string> version;
    } cases[] = {
        {lf_parameter("altitude", "100"), 0, 0, 0, std::nullopt},
        {lf_parameter("altitude", "100") + lf_parameter("Qf_real", "40"), 40, 0, 0, std::nullopt},
        {lf_parameter("altitude", "100") + lf_parameter("Qf_soft", "7") +
             lf_parameter("RT_traffic_week", "2613") + lf_parameter("version", ""),
         0, 7, 2613, ""},
        {lf_parameter("altitude", "100") + lf_parameter("RT_traffic_week", "-3"), 0, 0, 0,
         std::nullopt},
    };
    for (const auto& c : cases) {
        writeText(dir_ / "EHAM.xml", lf_fileText(c.parameters, lf_stand("A1")));
        const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", {});
        ASSERT_TRUE(read) << read.error;
        EXPECT_EQ(read.file->qfReal, c.qfReal) << c.parameters;
        EXPECT_EQ(read.file->qfSoft, c.qfSoft) << c.parameters;
        EXPECT_EQ(read.file->rtTrafficWeek, c.week) << c.parameters;
        EXPECT_EQ(read.file->version, c.version) << c.parameters;
        EXPECT_EQ(read.file->altitude, 100);
        EXPECT_EQ(read.file->airportName, "");
    }
}

TEST_F(AirportFileReaderTest, ABadFileFailsWithItsLineAndChangesNoFile) {
    const struct {
        const char* name;
        std::function<fs::path(AirportFileReaderTest&)> make;
        // The error, or its beginning, from the requested path's text.
        std::function<std::string(const std::string&)> error;
        bool wholeError = true;
        std::vector<std::string> moreLines;
    } cases[] = {
        {"truncated",
         [](AirportFileReaderTest& t) {
             const fs::path p = t.writeGood(t.dir_ / "EHAM.xml");
             const std::string text = readText(p);
             writeText(p, text.substr(0, text.size() / 2));
             return p;
         },
         [](const std::string& p) { return p + " not loaded: "; },
         false,
         {}},
        {"not XML",
         [](AirportFileReaderTest& t) {
             writeText(t.dir_ / "EHAM.xml", std::string("\x01\x02PK\0\x03<", 7));
             return t.dir_ / "EHAM.xml";
         },
         [](const std::string& p) { return p + " not loaded: "; },
         false,
         {}},
        {"empty",
         [](AirportFileReaderTest& t) {
             writeText(t.dir_ / "EHAM.xml", "");
             return t.dir_ / "EHAM.xml";
         },
         [](const std::string& p) { return p + " not loaded: No document element found"; },
         true,
         {}},
        {"a folder in the file's place",
         [](AirportFileReaderTest& t) {
             fs::create_directories(t.dir_ / "EHAM.xml");
             return t.dir_ / "EHAM.xml";
         },
         [](const std::string& p) { return p + " could not be opened: not a regular file"; },
         true,
         {}},
        {"missing",
         [](AirportFileReaderTest& t) { return t.dir_ / "EHAM.xml"; },
         [](const std::string& p) { return p + " could not be opened"; },
         true,
         {}},
        {"no header",
         [](AirportFileReaderTest& t) {
             writeText(t.dir_ / "EHAM.xml",
                       "<root><parameters><parameter name=\"altitude\" value=\"1\"/>"
                       "</parameters></root>");
             return t.dir_ / "EHAM.xml";
         },
         [](const std::string& p) { return p + ": refused to load"; },
         true,
         {"          no copyright info in the file?"}},
        {"unsupported simulator",
         [](AirportFileReaderTest& t) {
             writeText(t.dir_ / "EHAM.xml",
                       lf_fileText(lf_parameter("altitude", "1"), lf_stand("A1"), "3"));
             return t.dir_ / "EHAM.xml";
         },
         [](const std::string& p) { return p + ": refused to load"; },
         true,
         {"          unsupported sim info in the file"}},
        {"no altitude",
         [](AirportFileReaderTest& t) {
             writeText(t.dir_ / "EHAM.xml",
                       lf_fileText(lf_parameter("altitude", "high"), lf_stand("A1")));
             return t.dir_ / "EHAM.xml";
         },
         [](const std::string&) {
             return std::string("gf_readAirportFile: 65: Parameter altitude not found");
         },
         true,
         {}},
        {"archived file not on the server",
         [](AirportFileReaderTest& t) {
             t.serveArchive();
             return fs::path("archive/stock/EGLL.enc");
         },
         [](const std::string&) {
             return std::string("failed to download: 'archive/stock/EGLL.enc'");
         },
         true,
         {}},
        {"damaged encrypted copy",
         [](AirportFileReaderTest& t) {
             writeText(t.dir_ / "server" / "archive" / "stock" / "EGLL.enc", std::string(100, 'x'));
             t.serveArchive(true);
             return fs::path("archive/stock/EGLL.enc");
         },
         [](const std::string&) { return std::string("park_airport.1.1.enc"); },
         false,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AirportFileReaderTest& t = *this;
        fs::remove_all(dir_ / "EHAM.xml");
        context_.locate = nullptr;
        const std::string cache = "<root>the previous good cache</root>";
        writeText(context_.cachePath, cache);
        const fs::path requested = c.make(t);
        std::error_code ec;
        const bool regular = fs::is_regular_file(requested, ec);
        const std::string before = regular ? readText(requested) : "";

        const testing::CapturedLog log;
        const AirportFileReadResult read = gf_readAirportFile(requested, context_);
        EXPECT_FALSE(read);
        ASSERT_FALSE(read.error.empty());
        if (c.wholeError) {
            EXPECT_EQ(read.error, c.error(requested.string()));
        } else {
            EXPECT_THAT(read.error, ::testing::HasSubstr(c.error(requested.string())));
        }
        std::vector<std::string> lines{"==> " + read.error};
        lines.insert(lines.end(), c.moreLines.begin(), c.moreLines.end());
        EXPECT_EQ(log.lines(), lines);
        EXPECT_EQ(readText(context_.cachePath), cache);
        if (regular) {
            EXPECT_EQ(readText(requested), before);
        }
        EXPECT_FALSE(fs::exists(dir_ / "airports" / "park_airport.1.1.enc"));
        fetches_ = 0;
    }
}

TEST_F(AirportFileReaderTest, RepeatedStandIdsKeepTheFirstAndTheReadGoesOn) {
    const std::string text =
        lf_fileText(lf_parameter("altitude", "1"),
                    lf_stand("A1") + lf_stand("B1", 52.31) + lf_stand("A1", 52.32));
    writeText(dir_ / "EHAM.xml", text);
    const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", context_);
    ASSERT_TRUE(read) << read.error;
    ASSERT_EQ(read.file->stands.size(), 2u);
    EXPECT_EQ(read.file->stands[0].position.lat, 52.3);
    EXPECT_TRUE(log_.has("==> Stand 'A1' appears more than once, last one skipped!"));
    EXPECT_EQ(readText(dir_ / "EHAM.xml"), text);
}

TEST_F(AirportFileReaderTest, AFileWithoutUsableStandsIsReadWithItsLine) {
    writeText(dir_ / "EHAM.xml",
              lf_fileText(lf_parameter("altitude", "1"), lf_stand("A1", 95, 25)));
    const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", context_);
    ASSERT_TRUE(read) << read.error;
    EXPECT_THAT(read.file->stands, IsEmpty());
    EXPECT_TRUE(log_.has("no stands found in the airport file"));
}

TEST_F(AirportFileReaderTest, StandsWhoseCirclesComeTooCloseExcludeEachOther) {
    constexpr double k40MetresNorth = 40.0 / 1852.0 / 60.0;
    const struct {
        double radiusA;
        double radiusB;
        bool exclude;
    } cases[] = {
        {20, 18, false}, // 38 m is not more than 1.1 x 40 m
        {25, 20, true},  // 45 m is
        {22, 21.9, false},
    };
    for (const auto& c : cases) {
        writeText(dir_ / "EHAM.xml",
                  lf_fileText(lf_parameter("altitude", "1"),
                              lf_stand("A", 52.3, c.radiusA) + lf_stand("FAR", 52.4) +
                                  lf_stand("B", 52.3 + k40MetresNorth, c.radiusB)));
        const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", {});
        ASSERT_TRUE(read) << read.error;
        const std::vector<Stand>& s = read.file->stands;
        if (c.exclude) {
            EXPECT_THAT(s[0].exclusions, ElementsAre(3)) << c.radiusA << "+" << c.radiusB;
            EXPECT_THAT(s[2].exclusions, ElementsAre(1)) << c.radiusA << "+" << c.radiusB;
        } else {
            EXPECT_THAT(s[0].exclusions, IsEmpty()) << c.radiusA << "+" << c.radiusB;
            EXPECT_THAT(s[2].exclusions, IsEmpty()) << c.radiusA << "+" << c.radiusB;
        }
        EXPECT_THAT(s[1].exclusions, IsEmpty());
    }
}

TEST_F(AirportFileReaderTest, ExclusionListsNameTheOtherStandsInFileOrder) {
    constexpr double kMetreNorth = 1.0 / 1852.0 / 60.0;
    writeText(dir_ / "EHAM.xml",
              lf_fileText(lf_parameter("altitude", "1"),
                          lf_stand("S1", 52.3 + 20 * kMetreNorth) + lf_stand("S2", 52.3) +
                              lf_stand("S3", 52.3 + 10 * kMetreNorth) +
                              lf_stand("S4", 52.3 + 60 * kMetreNorth)));
    const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", {});
    ASSERT_TRUE(read) << read.error;
    const std::vector<Stand>& s = read.file->stands;
    EXPECT_THAT(s[0].exclusions, ElementsAre(2, 3, 4));
    EXPECT_THAT(s[1].exclusions, ElementsAre(1, 3));
    EXPECT_THAT(s[2].exclusions, ElementsAre(1, 2));
    EXPECT_THAT(s[3].exclusions, ElementsAre(1));
}

TEST_F(AirportFileReaderTest, ARepeatedArchivedReadIsServedFromTheCache) {
    const fs::path requested = "archive/thirdparty/Big%20Pub/EHAM123.xml";
    const fs::path served = writeGood(dir_ / "server" / requested);
    serveArchive();

    const AirportFileReadResult first = gf_readAirportFile(requested, context_);
    ASSERT_TRUE(first) << first.error;
    EXPECT_EQ(first.file->source, StandSource::downloadedCopy);
    EXPECT_EQ(first.file->loadedPath, dir_ / "airports" / "park_airport.1.1.xml");
    EXPECT_FALSE(fs::exists(first.file->loadedPath));
    EXPECT_EQ(readText(context_.cachePath), readText(served));
    EXPECT_FALSE(log_.contains("cached:"));

    const fs::file_time_type cachedAt = fs::last_write_time(context_.cachePath);
    const AirportFileReadResult second = gf_readAirportFile(requested, context_);
    ASSERT_TRUE(second) << second.error;
    EXPECT_EQ(fetches_, 1);
    EXPECT_EQ(second.file->source, StandSource::cache);
    EXPECT_EQ(second.file->loadedPath, context_.cachePath);
    EXPECT_EQ(second.file->requestedPath, requested);
    EXPECT_EQ(second.file->stands, first.file->stands);
    EXPECT_EQ(fs::last_write_time(context_.cachePath), cachedAt);
    EXPECT_TRUE(log_.has(fmt::format("cached: '{}' is taken instead of '{}'",
                                     context_.cachePath.string(), requested.string())));
}

TEST_F(AirportFileReaderTest, TheCacheServesOnlyTheSameArchivedAirportPublisherAndVersion) {
    writeGood(context_.cachePath); // EHAM, Big Pub, version 1.2.3
    const struct {
        fs::path requested;
        bool fromCache;
    } cases[] = {
        {"archive/thirdparty/Big%20Pub/EHAM123.xml", true},
        {"ARCHIVE/ThirdParty/Big%20Pub/eham123.ENC", true},
        {"archive/thirdparty/Big%20Pub/EHAM12.xml", false},
        {"archive/thirdparty/Big%20Pub/EHAM.xml", false},
        {"archive/thirdparty/Other/EHAM123.xml", false},
        {"archive/stock/EHAM123.xml", false},
        {"archive/thirdparty/Big%20Pub/EGLL123.xml", false},
        {"airports/my_thirdparty/EHAM123.xml", false},
    };
    for (const auto& c : cases) {
        int asked = 0;
        context_.locate = [&asked](const fs::path&) {
            ++asked;
            return AirportFileLocation{"not fetched", {}, false, false};
        };
        const AirportFileReadResult read = gf_readAirportFile(c.requested, context_);
        EXPECT_EQ(static_cast<bool>(read), c.fromCache) << c.requested;
        EXPECT_EQ(asked, c.fromCache ? 0 : 1) << c.requested;
    }
}

TEST_F(AirportFileReaderTest, ACacheWithoutAValidCodeIsPassedOver) {
    for (const std::string& icao :
         {std::string(), lf_parameter("icao", "EH"), lf_parameter("icao", "")}) {
        writeText(context_.cachePath, lf_fileText(icao + lf_parameter("publisher", "stock") +
                                                      lf_parameter("altitude", "1"),
                                                  lf_stand("A1")));
        pugi::xml_document document;
        EXPECT_FALSE(gf_readParkAirportCache(context_.cachePath, document));
        serveArchive();
        writeGood(dir_ / "server" / "archive" / "stock" / "EHAM.xml");
        const AirportFileReadResult read = gf_readAirportFile("archive/stock/EHAM.xml", context_);
        ASSERT_TRUE(read) << read.error;
        EXPECT_EQ(read.file->source, StandSource::downloadedCopy) << icao;
        fetches_ = 0;
    }
}

TEST_F(AirportFileReaderTest, AFailedReadFromTheCacheRemovesIt) {
    writeText(context_.cachePath,
              lf_fileText(lf_parameter("icao", "EHAM") + lf_parameter("publisher", "stock"),
                          lf_stand("A1")));
    const AirportFileReadResult read = gf_readAirportFile("archive/stock/EHAM.enc", context_);
    EXPECT_EQ(read.error, "gf_readAirportFile: 65: Parameter altitude not found");
    EXPECT_FALSE(fs::exists(context_.cachePath));
}

TEST_F(AirportFileReaderTest, AnEncryptedDownloadIsCachedAsPlainXml) {
    const fs::path plain = writeGood(dir_ / "plain.xml");
    testing::writeEncrypted(dir_ / "server" / "archive" / "stock" / "EHAM.enc", readText(plain));
    serveArchive(true);
    const AirportFileReadResult read = gf_readAirportFile("archive/stock/EHAM.enc", context_);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(read.file->source, StandSource::downloadedCopy);
    EXPECT_FALSE(fs::exists(read.file->loadedPath));

    context_.cachePath.clear();
    context_.locate = nullptr;
    const AirportFileReadResult cached =
        gf_readAirportFile(dir_ / "airports" / "park_airport.xml", context_);
    ASSERT_TRUE(cached) << cached.error;
    EXPECT_EQ(cached.file->stands, read.file->stands);
    EXPECT_EQ(cached.file->publisher, "Big Pub");
}

TEST_F(AirportFileReaderTest, TheLearnedFileOfTheAirportIsMergedIntoItsStands) {
    const fs::path file = writeGood(dir_ / "airports" / "my_thirdparty" / "EHAM.1.2.xml");
    writeText(dir_ / "learned" / "EHAM.xml", "what the learned-file reader reads");
    std::vector<std::string> asked;
    context_.learnedPath = [&](const fs::path& source, std::string_view publisher) {
        asked.push_back(fmt::format("{} {}", source.string(), publisher));
        return std::optional<fs::path>(dir_ / "learned" / "EHAM.xml");
    };
    context_.readLearned = [&](const fs::path& learned, std::string_view name,
                               const std::vector<Stand>& stands) {
        asked.push_back(fmt::format("{} {} {}", learned.filename().string(), name, stands.size()));
        LearnedAirportData data;
        data.stands = {stands[2], stands[0]};
        data.stands[0].options = {testing::optionOf("KLM", "B738", "PH-BXA", 3, 0, 3, 1)};
        data.overrides.AUTO_PARK = false;
        data.overrides.parking_percentage = 65;
        data.handmade = true;
        return LearnedAirportRead{data, {}};
    };
    const AirportFileReadResult read = gf_readAirportFile(file, context_);
    ASSERT_TRUE(read) << read.error;
    EXPECT_THAT(
        asked, ElementsAre((dir_ / "airports" / "my_thirdparty" / "EHAM.xml").string() + " Big Pub",
                           "EHAM.xml Amsterdam Airport Schiphol 3"));
    const LoadedAirportFile& f = *read.file;
    EXPECT_TRUE(f.learnedMerged);
    EXPECT_TRUE(f.handmadeOverruled);
    EXPECT_EQ(f.learnedPath, dir_ / "learned" / "EHAM.xml");
    EXPECT_EQ(f.parkOptionOverrides.parking_percentage, 65);
    EXPECT_EQ(f.parkOptionOverrides.AUTO_PARK, false);
    EXPECT_FALSE(f.parkOptionOverrides.WEEK.has_value());
    ASSERT_EQ(f.stands.size(), 2u);
    EXPECT_EQ(f.stands[0].id, "A3");
    EXPECT_EQ(f.stands[0].sid, 1);
    EXPECT_EQ(f.stands[1].sid, 2);
    // One stand of two with 10178 points.
    EXPECT_EQ(f.qfReal, 32);
    EXPECT_EQ(f.qfSoft, 0);
}

TEST_F(AirportFileReaderTest, ABrokenOrMissingLearnedFileLeavesTheFilesOwnStands) {
    const fs::path file = writeGood(dir_ / "EHAM.xml");
    int reads = 0;
    context_.learnedPath = [&](const fs::path&, std::string_view) {
        return std::optional<fs::path>(dir_ / "learned.xml");
    };
    context_.readLearned = [&](const fs::path&, std::string_view, const std::vector<Stand>&) {
        ++reads;
        return LearnedAirportRead{std::nullopt, "learned.xml not loaded: Unrecognized tag"};
    };
    const AirportFileReadResult missing = gf_readAirportFile(file, context_);
    ASSERT_TRUE(missing) << missing.error;
    EXPECT_EQ(reads, 0);
    EXPECT_TRUE(missing.file->learnedPath.empty());

    writeText(dir_ / "learned.xml", "<broken");
    const AirportFileReadResult broken = gf_readAirportFile(file, context_);
    ASSERT_TRUE(broken) << broken.error;
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(log_.has("==> learned.xml not loaded: Unrecognized tag"));
    EXPECT_FALSE(broken.file->learnedMerged);
    EXPECT_EQ(broken.file->stands, missing.file->stands);
    EXPECT_EQ(broken.file->learnedPath, dir_ / "learned.xml");
}

TEST_F(AirportFileReaderTest, AnAirportOf600StandsIsWrittenWholeAndReadUpTo512) {
    ASSERT_TRUE(testing::writeApf(testing::gridAirport(600), dir_ / "EHAM.xml"));
    const std::string text = readText(dir_ / "EHAM.xml");
    EXPECT_NE(text.find(R"(<parameter name="num_parkpos" value="600" />)"), std::string::npos);
    EXPECT_NE(text.find(R"(<parkpos id="G600")"), std::string::npos);

    const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", context_);
    ASSERT_TRUE(read) << read.error;
    ASSERT_EQ(read.file->stands.size(), 512u);
    EXPECT_EQ(read.file->stands.back().id, "G512");
    EXPECT_EQ(read.file->stands.back().sid, 512);
    EXPECT_THAT(
        log_.lines(),
        ElementsAre("airport file contains more than 512 stands; remaining stands skipped"));
}

} // namespace
} // namespace skyloom
