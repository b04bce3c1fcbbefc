// The key of the encrypted data files. It is built at run time from material spread over the
// program and never exists as one array in the binary; the reader, the writer and the
// encryptor tool all take it from here, so they always agree.
#pragma once

#include <sodium.h>

namespace skyloom {

inline constexpr std::size_t kDataKeyBytes = crypto_secretstream_xchacha20poly1305_KEYBYTES;

// Writes the key into `out`. Intermediate values are wiped before returning; the caller wipes
// `out` (sodium_memzero) as soon as the stream state holds the key.
void gf_buildDataKey(unsigned char out[kDataKeyBytes]);

} // namespace skyloom
