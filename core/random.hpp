// The suite's linear congruential generator, its time seed, the bounded draw
// and the two-word variant of the block-set solvers.
#pragma once

#include <cstdint>

namespace zentara {

using RandomState = std::uint32_t;

inline constexpr std::uint32_t RANDOM_MULTIPLIER = 214013u;
inline constexpr std::uint32_t RANDOM_INCREMENT = 2531011u;

constexpr RandomState nextRandomState(RandomState s) { return s * RANDOM_MULTIPLIER + RANDOM_INCREMENT; }

// The four fields of the local clock that enter a seed.
struct LocalTime {
    int day;          // 1..31
    int minute;       // 0..59
    int second;       // 0..59
    int millisecond;  // 0..999
};

LocalTime readLocalTime();

constexpr RandomState timeSeed(const LocalTime& t) {
    const std::uint32_t a = static_cast<std::uint32_t>(t.minute) * 2567u +
                            static_cast<std::uint32_t>(t.second) * 137u +
                            static_cast<std::uint32_t>(t.millisecond);
    return a * 486875u - static_cast<std::uint32_t>(t.day) * 1331825386u;
}

inline RandomState timeSeedNow() { return timeSeed(readLocalTime()); }

// Uniform over 0..n inclusive. Draws from the high half; n == 0 leaves the state alone.
constexpr std::uint32_t randomUpTo(RandomState& state, std::uint16_t n) {
    if (n == 0) return 0;
    std::uint32_t mask = n < 256 ? 255u : 65535u;
    while ((mask >> 1) >= n) mask >>= 1;
    RandomState s = state;  // kept in a register through the rejection loop
    std::uint32_t r;
    do {
        s = nextRandomState(s);
        r = (s >> 16) & mask;
    } while (r > n);
    state = s;
    return r;
}

// Convenience wrapper with the draw forms the solvers use.
struct Random {
    RandomState state = 0;

    constexpr std::uint32_t step() { return state = nextRandomState(state); }
    constexpr std::uint32_t highHalf() { return step() >> 16; }
    constexpr std::uint32_t fullState() { return step(); }
    constexpr std::uint32_t topByte() { return step() >> 24; }
    constexpr std::uint32_t remainder(std::uint32_t n) { return step() % n; }
    constexpr std::uint32_t upTo(std::uint16_t n) { return randomUpTo(state, n); }
};

// Two-word generator of the block-set solvers.
struct BlockRandom {
    std::uint32_t w0 = 0;
    std::uint32_t w1 = 0;

    static constexpr BlockRandom fromTime(const LocalTime& t) {
        const std::int64_t a = static_cast<std::int64_t>(t.day) * 358946 + t.minute * 2567 +
                               t.second * 137 + t.millisecond;
        const std::uint64_t product = static_cast<std::uint64_t>(a * 486875);
        return BlockRandom{static_cast<std::uint32_t>(product), static_cast<std::uint32_t>(product >> 32)};
    }

    // Returns the new W1.
    constexpr std::uint32_t next() {
        const std::uint64_t p = static_cast<std::uint64_t>(w0) * RANDOM_MULTIPLIER + RANDOM_INCREMENT;
        const std::uint32_t oldW1 = w1;
        w1 = static_cast<std::uint32_t>(p);
        w0 = static_cast<std::uint32_t>(p >> 32) + oldW1;
        return w1;
    }
};

}  // namespace zentara
