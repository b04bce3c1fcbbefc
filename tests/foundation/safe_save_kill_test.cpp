// The safe save killed with SIGKILL wherever it happens to be, as a user's kill or a crash does:
// a child process saves in a loop and tells each finished save; the test kills it as soon as
// the save it waits for is done, so that the kill lands somewhere in the next one. The file and
// its backup must both be whole afterwards: well-formed, and one of the documents saved.
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/xml.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

// The document of the save numbered `generation`: `payloadBytes` of text and the number.
void lf_fillDocument(pugi::xml_document& document, std::size_t generation,
                     std::size_t payloadBytes) {
    document.reset();
    pugi::xml_node root = document.append_child("root");
    root.append_attribute("generation").set_value(static_cast<unsigned long long>(generation));
    root.append_child("payload")
        .append_child(pugi::node_pcdata)
        .set_value(std::string(payloadBytes, static_cast<char>('a' + generation % 26)).c_str());
}

// The child: saves for ever, one byte to `tell` after each save.
[[noreturn]] void lf_saveForEver(const fs::path& file, std::size_t payloadBytes, int tell) {
    pugi::xml_document document;
    for (std::size_t generation = 1;; ++generation) {
        lf_fillDocument(document, generation, payloadBytes);
        if (!gf_saveXmlSafely(document, file)) {
            ::_exit(2);
        }
        const char done = 1;
        if (::write(tell, &done, 1) != 1) {
            ::_exit(3);
        }
    }
}

// Why the file is not one of the saved documents; empty when it is. A missing file is whole.
std::string lf_problemOf(const fs::path& file, std::size_t payloadBytes) {
    if (!fs::exists(file)) {
        return {};
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(file.c_str());
    if (!parsed) {
        return file.filename().string() + " is not well-formed: " + parsed.description() +
               " (" + std::to_string(fs::file_size(file)) + " bytes)";
    }
    const pugi::xml_node root = document.child("root");
    const std::size_t generation = root.attribute("generation").as_ullong();
    if (generation == 0 || std::string(root.child_value("payload")).size() != payloadBytes) {
        return file.filename().string() + " is not a saved document";
    }
    return {};
}

TEST(SafeSaveKillTest, AKilledSaveLeavesTheFileAndItsBackupWhole) {
    struct Case {
        const char* label;
        std::size_t payloadBytes;
        int kills;
    };
    // The large document spends most of a save copying and writing: most kills land there.
    const Case cases[] = {
        {"a small document", 2 * 1024, 60},
        {"a large document", 2 * 1024 * 1024, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const testing::TempDir dir;
        const fs::path file = dir / "learned.xml";
        fs::path backup = file;
        backup += ".bak";
        for (int kill = 0; kill < c.kills; ++kill) {
            int pipe[2];
            ASSERT_EQ(::pipe(pipe), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(pipe[0]);
                lf_saveForEver(file, c.payloadBytes, pipe[1]);
            }
            ::close(pipe[1]);
            // A few saves, one more each kill up to four, then the kill during the next one.
            const int saves = 1 + kill % 4;
            for (int i = 0; i < saves; ++i) {
                char done = 0;
                ASSERT_EQ(::read(pipe[0], &done, 1), 1) << "the save loop ended early";
            }
            ASSERT_EQ(::kill(child, SIGKILL), 0);
            int status = 0;
            while (::waitpid(child, &status, 0) < 0) {
                ASSERT_EQ(errno, EINTR);
            }
            ::close(pipe[0]);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the save loop ended by itself";
            EXPECT_EQ(lf_problemOf(file, c.payloadBytes), "") << "kill " << kill;
            EXPECT_EQ(lf_problemOf(backup, c.payloadBytes), "") << "kill " << kill;
            ASSERT_TRUE(fs::exists(file)) << "kill " << kill;
        }
    }
}

} // namespace
} // namespace skyloom
