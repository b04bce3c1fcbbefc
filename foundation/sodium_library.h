// Starting libsodium once for the whole process, before guarded memory or the secret stream
// is used. Every user of the library calls gf_ensureSodium() first; later calls cost one check.
#pragma once

namespace skyloom {

// Initialises libsodium on the first call (thread-safe). Throws std::runtime_error
// "libsodium could not be initialised" when the library cannot start (no entropy source).
void gf_ensureSodium();

} // namespace skyloom
