// Random picks: one Mersenne Twister (MT19937) per thread, seeded once from the system's
// entropy unless a test seeds it, and the helpers that draw from it. The helpers honour the
// `RANDOM` setting through gf_setRandomEnabled: while it is off they pick index 0 and keep
// lists in their order, so that every run matches liveries and parks aircraft alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <utility>
#include <vector>

namespace skyloom {

// The calling thread's engine; seeded from std::random_device on first use unless
// gf_seedRandomEngine was called on this thread before.
std::mt19937& gf_randomEngine();
// Seeds the calling thread's engine with a fixed value (tests, reproducible runs).
void gf_seedRandomEngine(std::uint32_t seed);
// Seeds the calling thread's engine from std::random_device unless it is seeded already.
void gf_seedRandomEngineOnce();

// The `RANDOM` setting as the helpers below read it; on until configuration says otherwise.
void gf_setRandomEnabled(bool enabled) noexcept;
bool gf_isRandomEnabled() noexcept;

// A uniform index in [0, n) when `RANDOM` is on and n >= 2, else 0.
std::size_t gf_randomIndex(std::size_t n);

// A uniform integer in [0, maxInclusive] from the calling thread's engine, whatever `RANDOM`
// says (the callers decide).
std::size_t gf_randomUpTo(std::size_t maxInclusive);

// Shuffles the items in place when `RANDOM` is on and there are 2 or more: for i from 1 to
// n - 1, j is drawn uniformly from [0, i] and items i and j swap when they differ. Otherwise
// the order stays.
template <typename T> void gf_shuffleInPlace(std::span<T> items) {
    if (!gf_isRandomEnabled() || items.size() < 2) {
        return;
    }
    for (std::size_t i = 1; i < items.size(); ++i) {
        const std::size_t j = gf_randomUpTo(i);
        if (j != i) {
            using std::swap;
            swap(items[i], items[j]);
        }
    }
}

// gf_shuffleInPlace over a list of 16-bit ids.
void gf_shuffle(std::vector<std::uint16_t>& ids);

// The value plus or minus value x percent / 100, the sign drawn with equal chance; a percent
// of 0 or less (or not a number) gives the value. Not bound to `RANDOM`: it varies physical
// figures, not the choice of liveries or stands.
double gf_randomVariation(double value, double percent);

} // namespace skyloom
