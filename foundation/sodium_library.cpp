#include "foundation/sodium_library.h"

#include <stdexcept>

#include <sodium.h>

namespace skyloom {

void gf_ensureSodium() {
    // sodium_init() returns 0 on the first success and 1 when already done; only -1 is a failure.
    static const bool ready = sodium_init() >= 0;
    if (!ready) {
        throw std::runtime_error("libsodium could not be initialised");
    }
}

} // namespace skyloom
