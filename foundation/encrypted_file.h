// The encrypted data files (".enc"): an XChaCha20-Poly1305 secret stream under the program's
// own key (foundation/data_key.h). A file is the 24-byte stream header followed by chunks of
// 4096 plaintext bytes plus 17 bytes of tag and MAC each; the last chunk may be shorter and
// must carry the final tag, and nothing may follow it. The reader decrypts into guarded memory
// and names what is wrong with a file it refuses; the writer makes such files for the
// encryptor tool and for tests.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>

#include <sodium.h>

#include "foundation/secure_buffer.h"

namespace skyloom {

inline constexpr std::size_t kEncryptedHeaderBytes =
    crypto_secretstream_xchacha20poly1305_HEADERBYTES;
inline constexpr std::size_t kEncryptedChunkPlainBytes = 4096;
inline constexpr std::size_t kEncryptedChunkOverheadBytes =
    crypto_secretstream_xchacha20poly1305_ABYTES;
inline constexpr std::size_t kEncryptedChunkBytes =
    kEncryptedChunkPlainBytes + kEncryptedChunkOverheadBytes;

// Why a file was refused; `error` in the results holds the text for the log.
enum class EncryptedFileError {
    none,
    cannotOpen,        // the file is missing or cannot be opened
    cannotRead,        // reading failed part-way, or the size cannot be had
    tooShort,          // shorter than the header plus one empty chunk
    truncated,         // ends with a piece too short to be a chunk
    damagedChunk,      // a chunk failed authentication (tampered, wrong key, cut mid-chunk)
    missingFinalTag,   // ends on a chunk boundary without the final tag
    dataAfterFinalTag, // bytes follow the chunk that carries the final tag
    tooLarge,          // its plaintext would exceed the caller's limit
    cannotWrite,       // the writer could not create or fill the file
};

const char* gf_encryptedFileErrorName(EncryptedFileError error);

struct EncryptedFileResult {
    bool ok = false;
    // The plaintext (size = its length) when ok; empty otherwise.
    SecureBuffer plaintext;
    // Empty when ok; otherwise a sentence naming the file and the fault.
    std::string error;
    EncryptedFileError kind = EncryptedFileError::none;
};

// Decrypts the file at `path`. The plaintext size follows from the file size, so a file whose
// plaintext would exceed `maxPlaintextBytes` is refused before anything is decrypted. On
// failure no plaintext is returned.
EncryptedFileResult gf_readEncryptedFile(const std::filesystem::path& path,
                                         std::size_t maxPlaintextBytes);

struct EncryptedWriteResult {
    bool ok = false;
    std::string error;
};

// Encrypts `plaintext` into a new file at `path` (replacing one that is there) through a
// temporary file beside it, renamed over `path` once complete. An empty plaintext gives one
// empty chunk with the final tag. On failure the file at `path` stays as it was.
EncryptedWriteResult gf_writeEncryptedFile(const std::filesystem::path& path,
                                           std::span<const unsigned char> plaintext);

} // namespace skyloom
