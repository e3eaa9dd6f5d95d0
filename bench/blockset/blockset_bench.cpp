// blockset-bench [VARIANTS_16X16] [SEEDS_6X12]: the block-set engine with fixed seeds.
// 16 x 16: variants per second over a fixed number of variants, and how often an
// inner rotation assignment balances every colour. 6 x 6 and 6 x 12: variants and
// time to the first full board, median over fixed seeds, and full boards per
// minute. The parts run in alternating rounds and the figures are their medians.
// Each part ends with a signature that must not depend on the build type or the
// machine. The signature run leaves out the 16 x 16 variants and keeps the
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

// A fixed number of 16 x 16 variants.
struct Variants16 {
    int variants = 0;
    int maxLevel = 0;
    std::uint32_t records = 0;
    double seconds = 0;
};

Variants16 run16x16(int variants) {
    std::ostringstream quiet;
    auto s = std::make_unique<BlockSolver<Puzzle16x16>>();
    s->out = &quiet;
    s->random = BlockRandom{20261207, 16};
    s->limits.variants = variants;
    const double seconds = bench::processorSeconds([&] { runBlockSolver(*s); });
    return {s->variants, s->maxLevel, recordChecksum(*s), seconds};
}

// The rotation assignment alone, as the search draws it (rims, then inner
// attempts on each), for a fixed number of inner attempts: the share that balances
// every colour is what the working colour order decides.
struct Assignments16 {
    int rims = 0;
    int balanced = 0;
    std::uint32_t records = 0;
    std::uint32_t random[2] = {};
    double seconds = 0;
};

Assignments16 assign16x16(int attempts) {
    Assignments16 run;
    run.seconds = bench::processorSeconds([&] {
        auto s = std::make_unique<BlockSolver<Puzzle16x16>>();
        s->random = BlockRandom{20261207, 16};
        buildRecords(*s);
        buildSets(*s);
        buildPermutations(*s);
        while (attempts > 0) {
            do {
                fullRestart(*s);
                ++run.rims;
            } while (!assignRim(*s) || !rimChainsClose(*s));
            s->snapshot = s->balance;
            for (int inner = Puzzle16x16::INNER_ATTEMPTS; inner > 0 && attempts > 0; --inner, --attempts) {
                if (assignInner(*s)) ++run.balanced;
                s->balance = s->snapshot;
            }
        }
        run.records = recordChecksum(*s);
        run.random[0] = s->random.w0;
        run.random[1] = s->random.w1;
    });
    return run;
}

void printAssignmentSignature(const Assignments16& run) {
    std::printf("16x16 signature: rims %d balanced %d records %08x random %08x %08x\n", run.rims, run.balanced,
                run.records, run.random[0], run.random[1]);
}

// Each seed's run to the first full board, then on to `extraSolutions` more; the
// seeds' variants and seconds to the first full board, and the full boards of all
// runs together in the processor seconds they took.
struct SeedRuns {
    std::vector<double> variants, firstSeconds;
    int solutions = 0;
    double seconds = 0;
    std::uint32_t signature = 2166136261u;
};

template <class P>
SeedRuns runSeeds(int seeds, int extraSolutions) {
    SeedRuns runs;
    for (int seed = 1; seed <= seeds; ++seed) {
        std::ostringstream quiet;
        auto s = std::make_unique<BlockSolver<P>>();
        s->out = &quiet;
        s->random = BlockRandom{static_cast<std::uint32_t>(seed), 0};
        s->limits.solutions = 1;
        const double first = bench::processorSeconds([&] { runBlockSolver(*s); });
        runs.variants.push_back(s->variants);
        runs.firstSeconds.push_back(first);
        double more = 0;
        if (extraSolutions > 0) {
            s->limits.solutions = 1 + extraSolutions;
            more = bench::processorSeconds([&] { runBlockSolver(*s); });
        }
        runs.seconds += first + more;
        runs.solutions += s->solutions;
        runs.signature = (runs.signature ^ boardChecksum(*s)) * 16777619u;
        runs.signature = (runs.signature ^ static_cast<std::uint32_t>(s->variants)) * 16777619u;
    }
    return runs;
}

void printSeedsSignature(const char* name, const SeedRuns& runs) {
    std::printf("%s signature: %d full boards, checksum %08x\n", name, runs.solutions, runs.signature);
}

// The small puzzles' part of a round: every seed's runs, each seed's times to the
// first full board kept in `firstSeconds` for its median over the rounds.
template <class P>
bench::Measured seedsPart(int seeds, int extraSolutions, std::vector<std::vector<double>>& firstSeconds) {
    const SeedRuns runs = runSeeds<P>(seeds, extraSolutions);
    firstSeconds.resize(runs.firstSeconds.size());
    for (std::size_t i = 0; i < runs.firstSeconds.size(); ++i) firstSeconds[i].push_back(runs.firstSeconds[i]);
    return {static_cast<double>(runs.solutions), runs.seconds};
}

// Time and variants to the first full board for each seed, and full boards per
// minute over all runs together, as medians of the rounds.
void printSeeds(const char* name, const SeedRuns& first, const std::vector<std::vector<double>>& firstSeconds,
                const bench::RoundRates& solutionRates) {
    std::vector<double> medians;
    for (std::size_t i = 0; i < firstSeconds.size(); ++i) {
        medians.push_back(bench::median(firstSeconds[i]));
        std::printf("%s seed %zu: first full board after %.0f variants, %.3f s\n", name, i + 1, first.variants[i],
                    medians.back());
    }
    std::printf("%s: median %.1f variants, %.3f s to the first full board; %.1f full boards per minute\n", name,
                bench::median(first.variants), bench::median(medians), solutionRates.median() * 60.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "blockset-bench", "VARIANTS_16X16 [SEEDS_6X12]", 2,
        "The block-set engine with fixed seeds: 16 x 16 variants per second, and the 6 x 12 and\n"
        "6 x 6 boards' variants and time to the first full board, with signatures.\n",
        std::array{bench::CountRange{"VARIANTS_16X16", 1, 100'000'000}, bench::CountRange{"SEEDS_6X12", 0, 1000}});
    if (answered >= 0) return answered;
    const bool signature = bench::signatureMode(argc, argv);
    const int variants16 = signature ? 2000 : static_cast<int>(bench::countArgument(argc, argv, 1, 2000));
    const int seeds6x12 = signature ? 5 : static_cast<int>(bench::countArgument(argc, argv, 2, 5));
    constexpr int ATTEMPTS = 100000;
    // The engine writes its files into the working directory: keep them apart.
    const bench::ScratchDirectory scratch("blockset-bench");
    if (signature) {
        printSeedsSignature("6x6", runSeeds<Puzzle6x6>(3, 20));
        printSeedsSignature("6x12", runSeeds<Puzzle6x12>(1, 0));
        printAssignmentSignature(assign16x16(ATTEMPTS));
        return 0;
    }
    bench::printTimingRule();
    const int seeds6x6 = 9, extra6x6 = 200;
    const SeedRuns first6x6 = runSeeds<Puzzle6x6>(seeds6x6, extra6x6);
    const SeedRuns first6x12 = runSeeds<Puzzle6x12>(seeds6x12, 0);
    const Variants16 first16 = run16x16(variants16);
    const Assignments16 firstAssign = assign16x16(ATTEMPTS);

    // Rounds: the four parts in turn.
    std::vector<std::vector<double>> firstSeconds6x6, firstSeconds6x12;
    const auto [rates6x6, rates6x12, variantRates, attemptRates] = bench::alternateRounds(
        [](int round, const std::array<bench::Measured, 4>& m) {
            std::printf("round %d: 6x6 %.1f and 6x12 %.1f full boards per minute; 16x16 %.1f variants/s, "
                        "%.0f attempts/s\n",
                        round, m[0].rate() * 60.0, m[1].rate() * 60.0, m[2].rate(), m[3].rate());
        },
        [&] { return seedsPart<Puzzle6x6>(seeds6x6, extra6x6, firstSeconds6x6); },
        [&] { return seedsPart<Puzzle6x12>(seeds6x12, 0, firstSeconds6x12); },
        [&] {
            const Variants16 run = run16x16(variants16);
            return bench::Measured{static_cast<double>(run.variants), run.seconds};
        },
        [&] { return bench::Measured{ATTEMPTS, assign16x16(ATTEMPTS).seconds}; });

    printSeeds("6x6", first6x6, firstSeconds6x6, rates6x6);
    printSeedsSignature("6x6", first6x6);
    printSeeds("6x12", first6x12, firstSeconds6x12, rates6x12);
    printSeedsSignature("6x12", first6x12);
    std::printf("16x16: %d variants a run, %.1f variants/s\n", first16.variants, variantRates.median());
    std::printf("16x16 signature: variants %d maxLevel %d records %08x\n", first16.variants, first16.maxLevel,
                first16.records);
    std::printf("16x16 balance: %d of %d inner assignments balance every colour, one in %.1f; "
                "%.0f attempts/s, rims included\n",
                firstAssign.balanced, ATTEMPTS, static_cast<double>(ATTEMPTS) / firstAssign.balanced,
                attemptRates.median());
    printAssignmentSignature(firstAssign);
    bench::printRoundsRule();
    return 0;
}
