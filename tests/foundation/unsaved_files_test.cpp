// What the safe saves note of the files a full disk refuses: each file once, with the system's
// reason, until a later save of it succeeds; files that only pass something on are not noted.
// The saves run on a small disk in a child process, which answers with its exit code.
#include "foundation/unsaved_files.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/text_files.h"
#include "foundation/xml.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

enum class Save { xml, lines, text, passingText };

bool lf_save(Save save, const fs::path& file) {
    switch (save) {
    case Save::xml: {
        pugi::xml_document document;
        document.append_child("root").append_attribute("learned").set_value("PH-BXA");
        return static_cast<bool>(gf_saveXmlSafely(document, file));
    }
    case Save::lines:
        return gf_writeLinesToFile(file, {"EGLL", "EHAM"});
    case Save::text:
        return gf_writeFile("report", file, true);
    case Save::passingText:
        return gf_writeFile("plan", file, false, FileKind::passing);
    }
    return false;
}

TEST(UnsavedFilesTest, FilesAFullDiskRefusesAreNotedUntilSavedAgain) {
    struct Step {
        const char* label;
        Save save;
        const char* file;
        bool full; // the disk is full for this save
        // The files noted afterwards, by name, and the failures counted.
        std::vector<std::string> noted;
        std::uint64_t failures;
    };
    const std::vector<Step> steps = {
        {"a learned file saved", Save::xml, "EHAM.xml", false, {}, 0},
        {"the learned file refused", Save::xml, "EHAM.xml", true, {"EHAM.xml"}, 1},
        {"the park-airport list refused", Save::lines, "my_park_airports.txt", true,
         {"EHAM.xml", "my_park_airports.txt"}, 2},
        {"the learned file refused again", Save::xml, "EHAM.xml", true,
         {"EHAM.xml", "my_park_airports.txt"}, 3},
        {"a flight plan refused", Save::passingText, "1234.pln", true,
         {"EHAM.xml", "my_park_airports.txt"}, 3},
        {"a report refused", Save::text, "Fixes.txt", true,
         {"EHAM.xml", "my_park_airports.txt", "Fixes.txt"}, 4},
        {"the park-airport list saved once there is room", Save::lines, "my_park_airports.txt",
         false, {"EHAM.xml", "Fixes.txt"}, 4},
    };
    const testing::TempDir dir;
    const fs::path disk = dir / "disk";
    fs::create_directories(disk);
    const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
        gf_clearUnsavedFiles();
        int step = 0;
        for (const Step& s : steps) {
            ++step;
            if (s.full) {
                testing::fillDisk(disk);
            }
            const bool saved = lf_save(s.save, disk / s.file);
            fs::remove(disk / "filler");
            if (saved == s.full) {
                return 10 + step; // saved on a full disk, or refused with room
            }
            const UnsavedFiles unsaved = gf_unsavedFiles();
            std::vector<std::string> noted;
            for (const UnsavedFile& file : unsaved.files) {
                noted.push_back(file.path.filename().string());
                if (file.reason != "No space left on device") {
                    return 30 + step;
                }
            }
            if (noted != s.noted || unsaved.failures != s.failures || unsaved.more != 0) {
                return 50 + step;
            }
        }
        return gf_lastUnsavedFile().path == disk / "Fixes.txt" ? 0 : 2;
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    // 11-17: the save's outcome, 31-37: the reason, 51-57: the files noted after that step.
    EXPECT_EQ(*code, 0) << (*code > 10 ? steps[static_cast<std::size_t>(*code % 10 - 1)].label
                                       : "the last failure");
}

} // namespace
} // namespace skyloom
