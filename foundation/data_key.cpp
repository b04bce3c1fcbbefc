#include "foundation/data_key.h"

#include <array>
#include <cstdint>
#include <span>

#include "foundation/sodium_library.h"

namespace skyloom {

namespace {

// The material is held as words in separate tables and reaches the hash only through a
// byte-wise little-endian encoding, so the key is the same on every platform and no table
// holds it. Changing any word changes the key and makes every existing .enc file unreadable.
constexpr std::array<std::uint64_t, 3> kWarp = {0xe7270ed815b34e18ULL, 0x9aa8e5bbb051556eULL,
                                                0xbd1af4fa9349e411ULL};
constexpr std::array<std::uint64_t, 2> kWeft = {0xf4a8324429c6ffb4ULL, 0x782db9996e678b6bULL};
constexpr std::array<std::uint64_t, 3> kShuttle = {0xfc3ad2b4a0bdd858ULL, 0x56a907f04a7e0637ULL,
                                                   0x8cfd8a5982b1a081ULL};
constexpr char kLabel[] = "skyloom/data-file/1";

void lf_hashWords(crypto_generichash_state& state, std::span<const std::uint64_t> words) {
    unsigned char bytes[8];
    for (std::uint64_t word : words) {
        for (unsigned char& b : bytes) {
            b = static_cast<unsigned char>(word & 0xffU);
            word >>= 8;
        }
        crypto_generichash_update(&state, bytes, sizeof bytes);
    }
    sodium_memzero(bytes, sizeof bytes);
}

} // namespace

void gf_buildDataKey(unsigned char out[kDataKeyBytes]) {
    static_assert(kDataKeyBytes >= crypto_generichash_BYTES_MIN &&
                  kDataKeyBytes <= crypto_generichash_BYTES_MAX);
    gf_ensureSodium();

    // First round: the warp and the shuttle give an inner key ...
    unsigned char inner[crypto_generichash_KEYBYTES];
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, sizeof inner);
    lf_hashWords(state, kWarp);
    lf_hashWords(state, kShuttle);
    crypto_generichash_final(&state, inner, sizeof inner);

    // ... which keys the second round over the weft and the label.
    crypto_generichash_init(&state, inner, sizeof inner, kDataKeyBytes);
    lf_hashWords(state, kWeft);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(kLabel),
                              sizeof kLabel - 1);
    crypto_generichash_final(&state, out, kDataKeyBytes);

    sodium_memzero(inner, sizeof inner);
    sodium_memzero(&state, sizeof state);
}

} // namespace skyloom
