#include "core/fresh_starts.hpp"

#include <cstring>

namespace zentara {

void startFreshStarts(FreshStarts& f, RandomState runSeed, int keyBits) {
    std::memset(f.seen.data(), 0, sizeof f.seen);
    f.keyMask = static_cast<std::uint32_t>((std::uint64_t{1} << keyBits) - 1);
    f.fresh = false;
    // The seed spread over 64 bits, so that runs of nearby seeds start far apart.
    f.main = spreadBits(std::uint64_t{runSeed} * 0x9E3779B97F4A7C15u + 0xD1B54A32D192ED03u);
    f.units = 0;
    f.freshFrom = 0;
}

}  // namespace zentara
