#include "foundation/encrypted_file.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "foundation/data_key.h"
#include "foundation/files.h"
#include "foundation/sodium_library.h"
#include "foundation/text.h"
#include "platform/os/file_replace.h"

namespace skyloom {

namespace {

using StreamState = crypto_secretstream_xchacha20poly1305_state;

// Wipes the stream state, which holds the key, however the function ends.
class StateWiper {
public:
    explicit StateWiper(StreamState& state) : state_(state) {}
    ~StateWiper() { sodium_memzero(&state_, sizeof state_); }
    StateWiper(const StateWiper&) = delete;
    StateWiper& operator=(const StateWiper&) = delete;

private:
    StreamState& state_;
};

// How a file of a given size splits into chunks.
struct ChunkLayout {
    std::uintmax_t chunks = 0;
    std::uintmax_t lastChunkBytes = 0;
    std::uintmax_t plaintextBytes = 0;
};

// The layout of a well-formed file of `fileBytes` bytes; no value when its tail is too short
// to be a chunk. The caller has checked that the header and one empty chunk fit.
std::optional<ChunkLayout> lf_chunkLayout(std::uintmax_t fileBytes) {
    const std::uintmax_t body = fileBytes - kEncryptedHeaderBytes;
    const std::uintmax_t full = body / kEncryptedChunkBytes;
    const std::uintmax_t tail = body % kEncryptedChunkBytes;
    if (tail == 0) {
        return ChunkLayout{full, kEncryptedChunkBytes, full * kEncryptedChunkPlainBytes};
    }
    if (tail < kEncryptedChunkOverheadBytes) {
        return std::nullopt;
    }
    return ChunkLayout{full + 1, tail,
                       full * kEncryptedChunkPlainBytes + tail - kEncryptedChunkOverheadBytes};
}

EncryptedFileResult lf_failure(EncryptedFileError kind, std::string error) {
    EncryptedFileResult result;
    result.kind = kind;
    result.error = std::move(error);
    return result;
}

bool lf_readExactly(std::ifstream& in, unsigned char* into, std::uintmax_t bytes) {
    in.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(bytes));
    return in.good() && static_cast<std::uintmax_t>(in.gcount()) == bytes;
}

} // namespace

const char* gf_encryptedFileErrorName(EncryptedFileError error) {
    switch (error) {
    case EncryptedFileError::none:
        return "none";
    case EncryptedFileError::cannotOpen:
        return "cannot open";
    case EncryptedFileError::cannotRead:
        return "cannot read";
    case EncryptedFileError::tooShort:
        return "too short";
    case EncryptedFileError::truncated:
        return "truncated";
    case EncryptedFileError::damagedChunk:
        return "damaged chunk";
    case EncryptedFileError::missingFinalTag:
        return "missing final tag";
    case EncryptedFileError::dataAfterFinalTag:
        return "data after final tag";
    case EncryptedFileError::tooLarge:
        return "too large";
    case EncryptedFileError::cannotWrite:
        return "cannot write";
    }
    return "unknown";
}

EncryptedFileResult gf_readEncryptedFile(const std::filesystem::path& path,
                                         std::size_t maxPlaintextBytes) {
    const std::string name = gf_pathToUtf8(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return lf_failure(EncryptedFileError::cannotOpen, fmt::format("cannot open {}", name));
    }
    std::error_code ec;
    const std::uintmax_t fileBytes = std::filesystem::file_size(path, ec);
    if (ec) {
        return lf_failure(EncryptedFileError::cannotRead,
                          fmt::format("cannot read the size of {}: {}", name, ec.message()));
    }
    if (fileBytes < kEncryptedHeaderBytes + kEncryptedChunkOverheadBytes) {
        return lf_failure(
            EncryptedFileError::tooShort,
            fmt::format("{} is too short for an encrypted data file ({} bytes)", name, fileBytes));
    }
    const auto layout = lf_chunkLayout(fileBytes);
    if (!layout) {
        return lf_failure(EncryptedFileError::truncated,
                          fmt::format("{} is truncated: it ends inside a chunk", name));
    }
    // Decided from the size alone, so an oversized file costs no decryption and no memory.
    if (layout->plaintextBytes > maxPlaintextBytes) {
        return lf_failure(EncryptedFileError::tooLarge,
                          fmt::format("{} holds {} bytes of data, more than the limit of {}", name,
                                      layout->plaintextBytes, maxPlaintextBytes));
    }

    gf_ensureSodium();
    unsigned char header[kEncryptedHeaderBytes];
    if (!lf_readExactly(in, header, sizeof header)) {
        return lf_failure(EncryptedFileError::cannotRead, fmt::format("cannot read {}", name));
    }
    StreamState state;
    const StateWiper wiper(state);
    {
        unsigned char key[kDataKeyBytes];
        gf_buildDataKey(key);
        const int rc = crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key);
        sodium_memzero(key, sizeof key);
        if (rc != 0) {
            return lf_failure(EncryptedFileError::damagedChunk,
                              fmt::format("{} is damaged: its header is invalid", name));
        }
    }

    // One byte at least, so that even an empty plaintext has an address to be parsed at.
    SecureBuffer plaintext(std::max<std::size_t>(layout->plaintextBytes, 1));
    std::vector<unsigned char> chunk(kEncryptedChunkBytes);
    std::uintmax_t consumed = kEncryptedHeaderBytes;
    std::size_t produced = 0;
    for (std::uintmax_t i = 0; i < layout->chunks; ++i) {
        const bool last = i + 1 == layout->chunks;
        const std::uintmax_t chunkBytes = last ? layout->lastChunkBytes : kEncryptedChunkBytes;
        if (!lf_readExactly(in, chunk.data(), chunkBytes)) {
            return lf_failure(EncryptedFileError::cannotRead,
                              fmt::format("cannot read {} at byte {}", name, consumed));
        }
        consumed += chunkBytes;
        unsigned long long plainBytes = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, plaintext.data() + produced,
                                                       &plainBytes, &tag, chunk.data(), chunkBytes,
                                                       nullptr, 0) != 0) {
            return lf_failure(EncryptedFileError::damagedChunk,
                              fmt::format("{} is damaged: chunk {} of {} failed authentication",
                                          name, i + 1, layout->chunks));
        }
        produced += static_cast<std::size_t>(plainBytes);
        plaintext.resize(produced);
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL && !last) {
            return lf_failure(
                EncryptedFileError::dataAfterFinalTag,
                fmt::format("{} has {} bytes after its final chunk", name, fileBytes - consumed));
        }
        if (tag != crypto_secretstream_xchacha20poly1305_TAG_FINAL && last) {
            return lf_failure(
                EncryptedFileError::missingFinalTag,
                fmt::format("{} is incomplete: chunk {} is not marked final", name, i + 1));
        }
    }
    // The file may have grown since its size was taken.
    if (in.peek() != std::ifstream::traits_type::eof()) {
        return lf_failure(EncryptedFileError::dataAfterFinalTag,
                          fmt::format("{} has data after its final chunk", name));
    }

    EncryptedFileResult result;
    result.ok = true;
    result.plaintext = std::move(plaintext);
    return result;
}

EncryptedWriteResult gf_writeEncryptedFile(const std::filesystem::path& path,
                                           std::span<const unsigned char> plaintext) {
    const std::string name = gf_pathToUtf8(path);
    // Written beside its place and renamed over it: a failed write leaves the file that was
    // there as it was.
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    TempFileGuard guard(temporary);

    gf_ensureSodium();
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
        return EncryptedWriteResult{false, fmt::format("cannot create {}", name)};
    }
    StreamState state;
    const StateWiper wiper(state);
    unsigned char header[kEncryptedHeaderBytes];
    {
        unsigned char key[kDataKeyBytes];
        gf_buildDataKey(key);
        crypto_secretstream_xchacha20poly1305_init_push(&state, header, key);
        sodium_memzero(key, sizeof key);
    }
    out.write(reinterpret_cast<const char*>(header), sizeof header);

    std::vector<unsigned char> chunk(kEncryptedChunkBytes);
    std::size_t offset = 0;
    do {
        const std::size_t take = std::min(kEncryptedChunkPlainBytes, plaintext.size() - offset);
        const bool last = offset + take == plaintext.size();
        const unsigned char tag = last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                       : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
        unsigned long long chunkBytes = 0;
        crypto_secretstream_xchacha20poly1305_push(
            &state, chunk.data(), &chunkBytes, plaintext.data() + offset, take, nullptr, 0, tag);
        out.write(reinterpret_cast<const char*>(chunk.data()),
                  static_cast<std::streamsize>(chunkBytes));
        offset += take;
    } while (offset < plaintext.size() && out);

    out.close();
    if (!out) {
        return EncryptedWriteResult{false, fmt::format("cannot write {}", name)};
    }
    std::error_code ec;
    if (!os::replaceFile(temporary, path, ec)) {
        return EncryptedWriteResult{false,
                                    fmt::format("cannot replace {}: {}", name, ec.message())};
    }
    guard.release();
    return EncryptedWriteResult{true, {}};
}

} // namespace skyloom
