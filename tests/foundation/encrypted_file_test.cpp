#include "foundation/encrypted_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/wait.h>

#include "foundation/data_key.h"
#include "foundation/secure_buffer.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes lf_pattern(std::size_t size, unsigned seed = 7) {
    std::mt19937 engine(seed);
    Bytes bytes(size);
    for (auto& b : bytes) {
        b = static_cast<unsigned char>(engine() & 0xffU);
    }
    return bytes;
}

Bytes lf_readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void lf_writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes lf_plaintextOf(const EncryptedFileResult& result) {
    return Bytes(result.plaintext.data(), result.plaintext.data() + result.plaintext.size());
}

// Builds a stream chunk by chunk with the given key and tags, for files the writer never makes.
Bytes lf_customStream(const unsigned char* key,
                      const std::vector<std::pair<Bytes, unsigned char>>& chunks) {
    crypto_secretstream_xchacha20poly1305_state state;
    Bytes file(kEncryptedHeaderBytes);
    crypto_secretstream_xchacha20poly1305_init_push(&state, file.data(), key);
    for (const auto& [plain, tag] : chunks) {
        Bytes cipher(plain.size() + kEncryptedChunkOverheadBytes);
        crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), nullptr, plain.data(),
                                                   plain.size(), nullptr, 0, tag);
        file.insert(file.end(), cipher.begin(), cipher.end());
    }
    return file;
}

constexpr unsigned char kFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;
constexpr unsigned char kMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;

class EncryptedFileTest : public ::testing::Test {
protected:
    std::filesystem::path writeFile(const Bytes& plaintext, const char* name = "data.enc") {
        const auto path = dir_ / name;
        const auto written = gf_writeEncryptedFile(path, plaintext);
        EXPECT_TRUE(written.ok) << written.error;
        return path;
    }

    testing::TempDir dir_;
};

// Sizes around the chunk boundaries: the writer's split and the reader's layout must agree.
TEST_F(EncryptedFileTest, RoundTripIsByteExactAtChunkBoundaries) {
    struct Case {
        std::size_t plainBytes;
        std::size_t fileBytes;
    };
    const std::size_t h = kEncryptedHeaderBytes, c = kEncryptedChunkBytes,
                      o = kEncryptedChunkOverheadBytes;
    const Case cases[] = {
        {0, h + o}, // one empty final chunk
        {1, h + o + 1},
        {4095, h + c - 1},
        {4096, h + c}, // a full chunk carries the final tag itself
        {4097, h + c + o + 1},
        {3 * 4096, h + 3 * c},
        {5 * 4096 + 123, h + 5 * c + o + 123},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.plainBytes);
        const Bytes plain = lf_pattern(tc.plainBytes, static_cast<unsigned>(tc.plainBytes));
        const auto path = writeFile(plain);
        EXPECT_EQ(std::filesystem::file_size(path), tc.fileBytes);

        const auto read = gf_readEncryptedFile(path, tc.plainBytes);
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_EQ(read.kind, EncryptedFileError::none);
        EXPECT_TRUE(read.error.empty());
        EXPECT_EQ(lf_plaintextOf(read), plain);
        // Even an empty plaintext has an address, so callers can parse in place.
        EXPECT_NE(read.plaintext.data(), nullptr);
    }
}

TEST_F(EncryptedFileTest, TwoWritesOfTheSameDataDiffer) {
    const Bytes plain = lf_pattern(100);
    EXPECT_NE(lf_readBytes(writeFile(plain, "a.enc")), lf_readBytes(writeFile(plain, "b.enc")));
}

TEST_F(EncryptedFileTest, StreamsWithAnotherValidChunkingAreRead) {
    unsigned char key[kDataKeyBytes];
    gf_buildDataKey(key);
    // A full chunk and then an empty final one, as a streaming writer would make it.
    const Bytes a = lf_pattern(4096, 1);
    const Bytes file = lf_customStream(key, {{a, kMessage}, {{}, kFinal}});
    sodium_memzero(key, sizeof key);
    lf_writeBytes(dir_ / "alt.enc", file);

    const auto read = gf_readEncryptedFile(dir_ / "alt.enc", 4096);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(lf_plaintextOf(read), a);
}

struct FaultCase {
    const char* name;
    std::size_t plainBytes;
    std::function<void(Bytes&)> mutate;
    EncryptedFileError expected;
    std::size_t limit = 1 << 20;
};

TEST_F(EncryptedFileTest, EachFaultIsRefusedWithItsOwnReason) {
    const std::size_t h = kEncryptedHeaderBytes, c = kEncryptedChunkBytes;
    const FaultCase cases[] = {
        {"empty file", 10, [](Bytes& f) { f.clear(); }, EncryptedFileError::tooShort},
        {"header only", 10, [&](Bytes& f) { f.resize(h); }, EncryptedFileError::tooShort},
        {"one byte short of an empty chunk", 0, [](Bytes& f) { f.pop_back(); },
         EncryptedFileError::tooShort},
        {"cut mid-chunk, tail shorter than a tag", 8192, [&](Bytes& f) { f.resize(h + c + 5); },
         EncryptedFileError::truncated},
        {"cut mid-chunk", 8192, [&](Bytes& f) { f.resize(h + c + 100); },
         EncryptedFileError::damagedChunk},
        {"cut at a chunk boundary", 8192, [&](Bytes& f) { f.resize(h + c); },
         EncryptedFileError::missingFinalTag},
        {"tampered byte in the second chunk", 9000, [&](Bytes& f) { f[h + c + 40] ^= 0x01; },
         EncryptedFileError::damagedChunk},
        {"tampered header", 100, [](Bytes& f) { f[3] ^= 0x80; }, EncryptedFileError::damagedChunk},
        {"tampered tag of the last chunk", 100, [](Bytes& f) { f.back() ^= 0x01; },
         EncryptedFileError::damagedChunk},
        {"chunks swapped", 3 * 4096,
         [&](Bytes& f) {
             std::swap_ranges(f.begin() + static_cast<long>(h),
                              f.begin() + static_cast<long>(h + c),
                              f.begin() + static_cast<long>(h + c));
         },
         EncryptedFileError::damagedChunk},
        {"bytes after a full final chunk", 4096, [](Bytes& f) { f.insert(f.end(), 30, 0x41); },
         EncryptedFileError::dataAfterFinalTag},
        {"a whole chunk after the final one", 4096,
         [&](Bytes& f) {
             const Bytes chunk(f.begin() + static_cast<long>(h), f.end());
             f.insert(f.end(), chunk.begin(), chunk.end());
         },
         EncryptedFileError::dataAfterFinalTag},
        // Bytes after a short final chunk merge into it, so they show as damage.
        {"bytes after a short final chunk", 100, [](Bytes& f) { f.insert(f.end(), 30, 0x41); },
         EncryptedFileError::damagedChunk},
        {"one byte over the limit", 5000, [](Bytes&) {}, EncryptedFileError::tooLarge, 4999},
        {"limit zero", 1, [](Bytes&) {}, EncryptedFileError::tooLarge, 0},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const auto path = writeFile(lf_pattern(tc.plainBytes));
        Bytes file = lf_readBytes(path);
        tc.mutate(file);
        lf_writeBytes(path, file);

        const auto read = gf_readEncryptedFile(path, tc.limit);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.kind, tc.expected) << gf_encryptedFileErrorName(read.kind);
        EXPECT_NE(read.error.find(path.string()), std::string::npos) << read.error;
        EXPECT_EQ(read.plaintext.size(), 0U);
        EXPECT_EQ(read.plaintext.data(), nullptr);
    }
}

TEST_F(EncryptedFileTest, ExactlyAtTheLimitIsRead) {
    EXPECT_TRUE(gf_readEncryptedFile(writeFile(lf_pattern(5000)), 5000).ok);
    EXPECT_TRUE(gf_readEncryptedFile(writeFile({}), 0).ok);
}

TEST_F(EncryptedFileTest, MissingFileCannotBeOpened) {
    const auto read = gf_readEncryptedFile(dir_ / "absent.enc", 100);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.kind, EncryptedFileError::cannotOpen);
    EXPECT_NE(read.error.find("absent.enc"), std::string::npos);
}

TEST_F(EncryptedFileTest, LastChunkWithoutFinalTagIsRefused) {
    unsigned char key[kDataKeyBytes];
    gf_buildDataKey(key);
    const Bytes file = lf_customStream(key, {{lf_pattern(10), kMessage}});
    sodium_memzero(key, sizeof key);
    lf_writeBytes(dir_ / "open.enc", file);
    const auto read = gf_readEncryptedFile(dir_ / "open.enc", 100);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.kind, EncryptedFileError::missingFinalTag);
}

TEST_F(EncryptedFileTest, FinalTagBeforeTheLastChunkIsRefused) {
    unsigned char key[kDataKeyBytes];
    gf_buildDataKey(key);
    const Bytes file = lf_customStream(key, {{lf_pattern(4096), kFinal}, {lf_pattern(5), kFinal}});
    sodium_memzero(key, sizeof key);
    lf_writeBytes(dir_ / "twice.enc", file);
    const auto read = gf_readEncryptedFile(dir_ / "twice.enc", 1 << 20);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.kind, EncryptedFileError::dataAfterFinalTag);
}

TEST_F(EncryptedFileTest, FileUnderAnotherKeyIsRefused) {
    unsigned char key[kDataKeyBytes];
    crypto_secretstream_xchacha20poly1305_keygen(key);
    lf_writeBytes(dir_ / "foreign.enc", lf_customStream(key, {{lf_pattern(10), kFinal}}));
    const auto read = gf_readEncryptedFile(dir_ / "foreign.enc", 100);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.kind, EncryptedFileError::damagedChunk);
}

TEST_F(EncryptedFileTest, WriterFailureLeavesNoFile) {
    const auto path = dir_ / "missing-folder" / "data.enc";
    const auto written = gf_writeEncryptedFile(path, lf_pattern(10));
    EXPECT_FALSE(written.ok);
    EXPECT_NE(written.error.find("data.enc"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A data file rewritten on a full disk: the write fails and the file that was there still
// decrypts to what it held, with no temporary file beside it.
TEST(EncryptedFileOnAFullDiskTest, ThePreviousFileStaysReadable) {
    testing::TempDir dir;
    const std::filesystem::path disk = dir / "disk";
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directories(disk);
    std::filesystem::create_directories(out);
    const std::vector<unsigned char> before = lf_pattern(100);
    const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
        if (!gf_writeEncryptedFile(disk / "data.enc", before).ok) {
            return 2;
        }
        testing::fillDisk(disk);
        const bool written = gf_writeEncryptedFile(disk / "data.enc", lf_pattern(40000)).ok;
        std::filesystem::remove(disk / "filler");
        std::filesystem::copy(disk, out / "disk");
        return written ? 4 : 0;
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    EXPECT_EQ(*code, 0) << "2: the first file was not written; 4: the full disk took the file";
    const auto read = gf_readEncryptedFile(out / "disk" / "data.enc", 1000);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_TRUE(std::equal(read.plaintext.bytes().begin(), read.plaintext.bytes().end(),
                           before.begin(), before.end()));
    EXPECT_FALSE(std::filesystem::exists(out / "disk" / "data.enc.tmp"));
}

TEST(DataKeyTest, KeyIsStableAcrossCallsAndReleases) {
    unsigned char a[kDataKeyBytes];
    unsigned char b[kDataKeyBytes];
    gf_buildDataKey(a);
    gf_buildDataKey(b);
    EXPECT_EQ(sodium_memcmp(a, b, sizeof a), 0);
    EXPECT_FALSE(sodium_is_zero(a, sizeof a));
    // Every .enc file depends on the key: a changed key material shows up here, not in the
    // field. The fingerprint is a hash and gives nothing of the key away.
    unsigned char print[16];
    crypto_generichash(print, sizeof print, a, sizeof a, nullptr, 0);
    std::string hex(2 * sizeof print + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), print, sizeof print);
    hex.pop_back();
    EXPECT_EQ(hex, "07f5c482ddf9a7629577c8acce3441a8");
    sodium_memzero(a, sizeof a);
    sodium_memzero(b, sizeof b);
}

#ifdef SKYLOOM_ENCRYPTOR_PATH
int lf_runEncryptor(const std::string& arguments) {
    const std::string command =
        fmt::format("'{}' {} 2>/dev/null", SKYLOOM_ENCRYPTOR_PATH, arguments);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(EncryptedFileTest, EncryptorToolRoundTrip) {
    const Bytes plain = lf_pattern(10000);
    lf_writeBytes(dir_ / "plain.xml", plain);
    const auto enc = dir_ / "plain.enc";
    const auto back = dir_ / "back.xml";

    ASSERT_EQ(
        lf_runEncryptor(fmt::format("'{}' '{}'", (dir_ / "plain.xml").string(), enc.string())), 0);
    const auto read = gf_readEncryptedFile(enc, plain.size());
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(lf_plaintextOf(read), plain);

    ASSERT_EQ(lf_runEncryptor(fmt::format("--decrypt '{}' '{}'", enc.string(), back.string())), 0);
    EXPECT_EQ(lf_readBytes(back), plain);
}

TEST_F(EncryptedFileTest, EncryptorToolRefusesBadInput) {
    EXPECT_EQ(lf_runEncryptor(""), 2);
    EXPECT_EQ(lf_runEncryptor("--decrypt only-one"), 2);
    EXPECT_EQ(lf_runEncryptor(fmt::format("'{}' '{}'", (dir_ / "absent").string(),
                                          (dir_ / "out.enc").string())),
              1);

    const auto enc = writeFile(lf_pattern(8192));
    Bytes file = lf_readBytes(enc);
    file.resize(kEncryptedHeaderBytes + kEncryptedChunkBytes);
    lf_writeBytes(enc, file);
    const auto out = dir_ / "out.xml";
    EXPECT_EQ(lf_runEncryptor(fmt::format("--decrypt '{}' '{}'", enc.string(), out.string())), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}
#endif

TEST(SecureBufferTest, HoldsMovesAndReleases) {
    SecureBuffer empty;
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.capacity(), 0U);
    EXPECT_EQ(SecureBuffer(0).data(), nullptr);

    SecureBuffer a(16);
    ASSERT_NE(a.data(), nullptr);
    EXPECT_EQ(a.capacity(), 16U);
    EXPECT_TRUE(a.empty());
    a.resize(16);
    std::fill(a.bytes().begin(), a.bytes().end(), 0xAB);
    a.resize(4);
    // Bytes given up by a shrink are wiped at once, not only at release.
    for (std::size_t i = 4; i < 16; ++i) {
        EXPECT_EQ(a.data()[i], 0) << i;
    }
    EXPECT_THROW(a.resize(17), std::length_error);
    EXPECT_EQ(a.size(), 4U);

    const unsigned char* memory = a.data();
    SecureBuffer b(std::move(a));
    EXPECT_EQ(b.data(), memory);
    EXPECT_EQ(b.size(), 4U);
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.size(), 0U);

    SecureBuffer c(8);
    c = std::move(b);
    EXPECT_EQ(c.data(), memory);
    EXPECT_EQ(c.view(), std::string(4, '\xAB'));
    c.reset();
    EXPECT_EQ(c.data(), nullptr);
    EXPECT_EQ(c.capacity(), 0U);
}

} // namespace
} // namespace skyloom
