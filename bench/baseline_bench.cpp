// baseline-bench [PLACEMENTS]: the plain backtracker alone, for reference.
#include <cstdio>
#include <cstdlib>

#include "bench/baseline.hpp"

int main(int argc, char** argv) {
    const std::uint64_t placements = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50000000ull;
    const auto r = zentara::bench::runBaseline(placements, 1);
    std::printf("baseline: %llu placements in %.2f s, %.1f M placements/s\n",
                static_cast<unsigned long long>(r.placements), r.seconds, r.placements / r.seconds / 1e6);
    std::printf("signature: depth %d checksum %08x\n", r.bestDepth, r.bestChecksum);
    return 0;
}
