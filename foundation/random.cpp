#include "foundation/random.h"

#include <array>
#include <atomic>
#include <chrono>
#include <exception>

namespace skyloom {

namespace {

struct ThreadEngine {
    std::mt19937 engine;
    bool seeded = false;
};

thread_local ThreadEngine t_random;

std::atomic<bool> g_randomEnabled{true};

void lf_seedFromEntropy(ThreadEngine& state) {
    std::array<std::uint32_t, 8> words{};
    try {
        std::random_device device;
        for (auto& word : words) {
            word = device();
        }
    } catch (const std::exception&) {
        // No entropy source: a varying seed is all that is needed here.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        words[0] = static_cast<std::uint32_t>(now);
        words[1] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now) >> 32);
        words[2] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&state));
    }
    std::seed_seq sequence(words.begin(), words.end());
    state.engine.seed(sequence);
    state.seeded = true;
}

} // namespace

std::mt19937& gf_randomEngine() {
    if (!t_random.seeded) {
        lf_seedFromEntropy(t_random);
    }
    return t_random.engine;
}

void gf_seedRandomEngine(std::uint32_t seed) {
    t_random.engine.seed(seed);
    t_random.seeded = true;
}

void gf_seedRandomEngineOnce() {
    if (!t_random.seeded) {
        lf_seedFromEntropy(t_random);
    }
}

void gf_setRandomEnabled(bool enabled) noexcept {
    g_randomEnabled.store(enabled, std::memory_order_relaxed);
}

bool gf_isRandomEnabled() noexcept {
    return g_randomEnabled.load(std::memory_order_relaxed);
}

std::size_t gf_randomIndex(std::size_t n) {
    if (!gf_isRandomEnabled() || n < 2) {
        return 0;
    }
    return gf_randomUpTo(n - 1);
}

std::size_t gf_randomUpTo(std::size_t maxInclusive) {
    if (maxInclusive == 0) {
        return 0;
    }
    std::uniform_int_distribution<std::size_t> distribution(0, maxInclusive);
    return distribution(gf_randomEngine());
}

void gf_shuffle(std::vector<std::uint16_t>& ids) {
    gf_shuffleInPlace(std::span<std::uint16_t>(ids));
}

double gf_randomVariation(double value, double percent) {
    if (!(percent > 0.0)) {
        return value;
    }
    const double delta = value * percent / 100.0;
    std::uniform_int_distribution<int> sign(0, 1);
    return sign(gf_randomEngine()) == 0 ? value - delta : value + delta;
}

} // namespace skyloom
