// blockset-bench [VARIANTS_16X16] [SEEDS_6X12]: the block-set engine with fixed seeds.
// 16 x 16: variants per second over a fixed number of variants. 6 x 6 and 6 x 12:
// variants and time to the first full board, median over fixed seeds, and full
// boards per minute. Each part ends with a signature that must not depend on the
// build type or the machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "bench/baseline.hpp"
#include "blockset/block_solver.hpp"

using namespace zentara;
using namespace zentara::blockset;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Checksum of the record list as it stands: pieces and their rotations in record
// order, which is what the block file shows.
template <class P>
std::uint32_t recordChecksum(const BlockSolver<P>& s) {
    std::uint16_t values[P::PIECES];
    for (int i = 0; i < P::PIECES; ++i)
        values[i] = static_cast<std::uint16_t>(4 * s.records[i].pieceIndex + s.records[i].fileRotation());
    return bench::boardChecksum(values, P::PIECES);
}

template <class P>
std::uint32_t boardChecksum(const BlockSolver<P>& s) {
    std::uint16_t values[P::CELLS];
    for (int i = 0; i < P::CELLS; ++i) {
        const BlockRecord& r = s.records[s.board[i].record];
        values[i] = static_cast<std::uint16_t>(4 * r.pieceIndex + r.fileRotation());
    }
    return bench::boardChecksum(values, P::CELLS);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void bench16x16(int variants) {
    std::ostringstream quiet;
    auto s = std::make_unique<BlockSolver<Puzzle16x16>>();
    s->out = &quiet;
    s->random = BlockRandom{20261207, 16};
    s->limits.variants = variants;
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    runBlockSolver(*s);
    const double seconds = secondsSince(start);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("16x16: %d variants in %.2f s (%.2f s CPU), %.4f variants/s, %.4f per CPU second\n", s->variants,
                seconds, cpu, s->variants / seconds, s->variants / cpu);
    std::printf("16x16 signature: variants %d maxLevel %d records %08x\n", s->variants, s->maxLevel,
                recordChecksum(*s));
}

// Time and variants to the first full board for each seed, then full boards per
// minute over all runs together.
template <class P>
void benchSmall(const char* name, int seeds, int extraSolutions) {
    std::vector<double> variants, seconds;
    std::uint32_t signature = 2166136261u;
    int solutions = 0;
    double total = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        std::ostringstream quiet;
        auto s = std::make_unique<BlockSolver<P>>();
        s->out = &quiet;
        s->random = BlockRandom{static_cast<std::uint32_t>(seed), 0};
        s->limits.solutions = 1;
        const auto start = Clock::now();
        runBlockSolver(*s);
        const double t = secondsSince(start);
        variants.push_back(s->variants);
        seconds.push_back(t);
        std::printf("%s seed %d: first full board after %d variants, %.3f s\n", name, seed, s->variants, t);
        std::fflush(stdout);
        if (extraSolutions > 0) {
            s->limits.solutions = 1 + extraSolutions;
            runBlockSolver(*s);
        }
        total += secondsSince(start);
        solutions += s->solutions;
        signature = (signature ^ boardChecksum(*s)) * 16777619u;
        signature = (signature ^ static_cast<std::uint32_t>(s->variants)) * 16777619u;
    }
    std::printf("%s: median %.1f variants, %.3f s to the first full board; %.1f full boards per minute\n", name,
                median(variants), median(seconds), solutions / total * 60.0);
    std::printf("%s signature: %d full boards, checksum %08x\n", name, solutions, signature);
}

}  // namespace

int main(int argc, char** argv) {
    const int variants16 = argc > 1 ? std::atoi(argv[1]) : 2;
    const int seeds6x12 = argc > 2 ? std::atoi(argv[2]) : 5;
    // The engine writes its files into the working directory: keep them apart.
    const auto dir = std::filesystem::temp_directory_path() / "blockset-bench";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    std::printf("blockset-bench (files in %s)\n", dir.c_str());
    benchSmall<Puzzle6x6>("6x6", 9, 200);
    benchSmall<Puzzle6x12>("6x12", seeds6x12, 0);
    bench16x16(variants16);
    return 0;
}
