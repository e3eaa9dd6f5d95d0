#include "core/fresh_starts.hpp"

#include <cstring>

namespace zentara {

void startFreshStarts(FreshStarts& f, RandomState runSeed, int keyBits) {
    f.keyMask = static_cast<std::uint32_t>((std::uint64_t{1} << keyBits) - 1);
    std::memset(f.seen.data(), 0, ((std::size_t{f.keyMask} >> 6) + 1) * sizeof f.seen[0]);
    f.fresh = false;
    // The seed spread over 64 bits, so that runs of nearby seeds start far apart.
    f.main = spreadBits(std::uint64_t{runSeed} * 0x9E3779B97F4A7C15u + 0xD1B54A32D192ED03u);
    f.units = 0;
    f.freshFrom = 0;
}

RandomState freshUnitSeed(FreshStarts& f) {
    // Once every key has started a unit (2^26 runs: months), none is new any more.
    if (f.units > f.keyMask) return static_cast<RandomState>(f.main);
    while (!noteStart(f, static_cast<RandomState>(f.main))) f.main = f.main * FRESH_MULTIPLIER + FRESH_INCREMENT;
    return static_cast<RandomState>(f.main);
}

}  // namespace zentara
