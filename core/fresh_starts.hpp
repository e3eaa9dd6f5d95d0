// Keeps the units of work of a long run (a reset's rebuilt lists, a run of the
// search) from coming round again.
//
// A unit that is decided by the generator state it starts from, and that takes a
// varying number of steps, maps that state to the next unit's by a map that is not
// one-to-one. Where the unit's draws read only the low bits of the state (a bounded
// draw over fewer than 64 values reads bits 16-21, and those depend only on bits
// 0-21), such a map has about 2^11 values on its one big cycle, and every seed
// falls into it within a few thousand units: score-solver repeated one loop of
// 1,221 resets for ever.
//
// So a run notes the low bits of every state that starts a unit. Until one comes
// a second time, the units draw from the generator exactly as they always did. From
// that unit on, each draws from copies of the generator seeded from a main state
// that steps exactly once a unit and started from the run's own seed: a 64-bit
// generator of full period, so no unit repeats another within any run, and two
// runs of other seeds start at places of it that their seeds choose.
#pragma once

#include <array>
#include <cstdint>

#include "core/random.hpp"

namespace zentara {

// The main state's step: full period 2^64, and its low 32 bits alone full period
// 2^32 (multiplier 1 mod 4, increment odd), on another orbit than the suite's.
inline constexpr std::uint64_t FRESH_MULTIPLIER = 6364136223846793005u;
inline constexpr std::uint64_t FRESH_INCREMENT = 1442695040888963407u;

struct FreshStarts {
    // 26 bits cover bounded draws up to 1,023 (path-solver's longest lists):
    // 8 MiB, of which a solver touches the part its key bits index (score-solver
    // 512 KiB).
    static constexpr int MAX_KEY_BITS = 26;
    std::array<std::uint64_t, (std::size_t{1} << MAX_KEY_BITS) / 64> seen;
    std::uint32_t keyMask;
    bool fresh;              // a start state came again: units draw from copies
    std::uint64_t main;      // steps once a unit while fresh
    std::uint64_t units;     // units entered
    std::uint64_t freshFrom; // the first unit drawn from copies (0: none yet)
};

// The state bits that decide a unit whose largest bounded draw is
// randomUpTo(largestBound): bits 16 up to the top bit of that draw's mask, and
// every bit below them.
constexpr int drawKeyBits(std::uint16_t largestBound) {
    std::uint32_t mask = largestBound < 256 ? 255u : 65535u;
    while ((mask >> 1) >= largestBound && mask > 1) mask >>= 1;
    int bits = 16;
    while (mask != 0) {
        ++bits;
        mask >>= 1;
    }
    return bits;
}
static_assert(drawKeyBits(59) == 22 && drawKeyBits(31) == 21 && drawKeyBits(80) == 23 && drawKeyBits(255) == 24 &&
              drawKeyBits(1000) == 26);

// Every input bit reaches every output bit (the finaliser of splitmix64).
constexpr std::uint64_t spreadBits(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

// The run's seed decides where the main state starts; keyBits at most MAX_KEY_BITS.
void startFreshStarts(FreshStarts& f, RandomState runSeed, int keyBits);

// Notes the key of a start state; true when no unit had started from it before.
inline bool noteStart(FreshStarts& f, RandomState state) {
    const std::uint32_t key = state & f.keyMask;
    std::uint64_t& word = f.seen[key >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (key & 63);
    const bool isNew = (word & bit) == 0;
    word |= bit;
    return isNew;
}

// Called with the generator state as a unit starts. False: draw the unit from the
// generator as always. True: the unit's start state (or an earlier unit's) came
// round again; draw it from freshCopy(f, part) for each part of the unit.
inline bool enterUnit(FreshStarts& f, RandomState state) {
    ++f.units;
    if (!f.fresh) {
        if (noteStart(f, state)) return false;
        f.fresh = true;
        f.freshFrom = f.units;
    }
    f.main = f.main * FRESH_MULTIPLIER + FRESH_INCREMENT;
    return true;
}

// One seed for the whole of the current fresh unit, for a solver that shows the
// seed a unit repeats from: the low 32 bits of the main state, whose low bits run
// through all their values before one comes again; a seed whose key an earlier
// unit started from is passed over (that unit's work again).
RandomState freshUnitSeed(FreshStarts& f);

// A generator copy for part `part` of the current fresh unit: the main state and
// the part mixed so that every bit of both reaches the copy's low bits.
constexpr RandomState freshCopy(const FreshStarts& f, std::uint32_t part) {
    const std::uint64_t z = spreadBits(f.main + (std::uint64_t{part} + 1) * 0x9E3779B97F4A7C15u);
    return static_cast<RandomState>(z ^ (z >> 32));
}

}  // namespace zentara
