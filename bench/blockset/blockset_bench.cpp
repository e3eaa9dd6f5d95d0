// blockset-bench [VARIANTS_16X16] [SEEDS_6X12]: the block-set engine with fixed seeds.
// 16 x 16: variants per second over a fixed number of variants, and how often an
// inner rotation assignment balances every colour. 6 x 6 and 6 x 12: variants and
// time to the first full board, median over fixed seeds, and full boards per
// minute. Each part ends with a signature that must not depend on the build type
// or the machine. The signature run leaves out the 16 x 16 variants and keeps the
// rotation assignments.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

#include "bench/bench.hpp"
#include "blockset/block_solver.hpp"

using namespace zentara;
using namespace zentara::blockset;

namespace {
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
    if (v.empty()) return 0;  // no seeds asked for: nothing to take the middle of
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
    const double start = bench::cpuSeconds();
    runBlockSolver(*s);
    const double seconds = bench::cpuSeconds() - start;
    std::printf("16x16: %d variants in %.2f s, %.1f variants/s\n", s->variants, seconds, s->variants / seconds);
    std::printf("16x16 signature: variants %d maxLevel %d records %08x\n", s->variants, s->maxLevel,
                recordChecksum(*s));
}

// The rotation assignment alone, as the search draws it (rims, then inner
// attempts on each), for a fixed number of inner attempts: the share that balances
// every colour is what the working colour order decides.
void assign16x16(int attempts, bool signatureOnly) {
    const int total = attempts;
    const double start = bench::cpuSeconds();
    auto s = std::make_unique<BlockSolver<Puzzle16x16>>();
    s->random = BlockRandom{20261207, 16};
    buildRecords(*s);
    buildSets(*s);
    buildPermutations(*s);
    int rims = 0, balanced = 0;
    while (attempts > 0) {
        do {
            fullRestart(*s);
            ++rims;
        } while (!assignRim(*s) || !rimChainsClose(*s));
        s->snapshot = s->balance;
        for (int inner = Puzzle16x16::INNER_ATTEMPTS; inner > 0 && attempts > 0; --inner, --attempts) {
            if (assignInner(*s)) ++balanced;
            s->balance = s->snapshot;
        }
    }
    const double seconds = bench::cpuSeconds() - start;
    if (!signatureOnly)
        std::printf("16x16 balance: %d of %d inner assignments balance every colour, one in %.1f; "
                    "%.0f attempts/s, rims included\n",
                    balanced, total, static_cast<double>(total) / balanced, total / seconds);
    std::printf("16x16 signature: rims %d balanced %d records %08x random %08x %08x\n", rims, balanced,
                recordChecksum(*s), s->random.w0, s->random.w1);
}

// Time and variants to the first full board for each seed, then full boards per
// minute over all runs together.
template <class P>
void benchSmall(const char* name, int seeds, int extraSolutions, bool signatureOnly) {
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
        const double start = bench::cpuSeconds();
        runBlockSolver(*s);
        const double t = bench::cpuSeconds() - start;
        variants.push_back(s->variants);
        seconds.push_back(t);
        if (!signatureOnly)
            std::printf("%s seed %d: first full board after %d variants, %.3f s\n", name, seed, s->variants, t);
        if (extraSolutions > 0) {
            s->limits.solutions = 1 + extraSolutions;
            runBlockSolver(*s);
        }
        total += bench::cpuSeconds() - start;
        solutions += s->solutions;
        signature = (signature ^ boardChecksum(*s)) * 16777619u;
        signature = (signature ^ static_cast<std::uint32_t>(s->variants)) * 16777619u;
    }
    if (!signatureOnly)
        std::printf("%s: median %.1f variants, %.3f s to the first full board; %.1f full boards per minute\n", name,
                    median(variants), median(seconds), solutions / total * 60.0);
    std::printf("%s signature: %d full boards, checksum %08x\n", name, solutions, signature);
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "blockset-bench", "VARIANTS_16X16 [SEEDS_6X12]", 2,
        "The block-set engine with fixed seeds: 16 x 16 variants per second, and the 6 x 12 and\n"
        "6 x 6 boards' variants and time to the first full board, with signatures.\n");
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const int variants16 = argc > 1 && !signature ? std::atoi(argv[1]) : 2000;
    const int seeds6x12 = argc > 2 ? std::atoi(argv[2]) : 5;
    // The engine writes its files into the working directory: keep them apart.
    const bench::ScratchDirectory scratch("blockset-bench");
    if (signature) {
        benchSmall<Puzzle6x6>("6x6", 3, 20, true);
        benchSmall<Puzzle6x12>("6x12", 1, 0, true);
        assign16x16(100000, true);
        return 0;
    }
    bench::printTimingRule();
    benchSmall<Puzzle6x6>("6x6", 9, 200, false);
    benchSmall<Puzzle6x12>("6x12", seeds6x12, 0, false);
    bench16x16(variants16);
    assign16x16(100000, false);
    return 0;
}
