// brute-bench [PLACEMENTS]: the brute-force search and the plain baseline, each
// for the same fixed number of placements from the same seed, in alternating
// rounds; the ratio is the median of the rounds'. Then the search against its
// floor (brute_floor.hpp) over the first FLOOR_PLACEMENTS of the same run, and
// against the floor with the search's walk over pieces in use put back, which
// shows how much of the gap that walk is.
// The signature (best level, level and board checksum at the stop) must be the
// same on every build; the speed figures are the machine's.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"
#include "bench/brute/brute_floor.hpp"
#include "brute/brute_solver.hpp"

namespace {

constexpr zentara::RandomState SEED = 1;
// The floor replays a recorded run, 5 bytes a placement: 80 MB at most.
constexpr std::uint64_t FLOOR_PLACEMENTS = 16'000'000;

struct BruteRun {
    std::uint64_t placements = 0;
    int bestLevel = 0;
    int level = 0;
    std::uint32_t checksum = 0;
    double seconds = 0;
};

// `kept`, when given, receives the solver as the run left it (its flat chains for the floor).
BruteRun runBrute(std::uint64_t placementLimit, std::unique_ptr<zentara::brute::BruteSolver>* kept = nullptr) {
    using namespace zentara;
    // The search writes Result.csv and best files; keep them out of the caller's directory.
    const bench::ScratchDirectory scratch("brute-bench");
    auto solver = std::make_unique<brute::BruteSolver>();
    solver->random.state = SEED;
    brute::buildChains(*solver);
    brute::resetBoard(*solver);
    // One report, exactly at the limit: the search stops there.
    solver->limits.workPerReport = static_cast<std::uint32_t>(placementLimit);
    solver->countdown = static_cast<int>(placementLimit);
    solver->limits.reports = 1;
    std::ostringstream console;
    const double start = bench::cpuSeconds();
    brute::runSearch(*solver, console);
    BruteRun run;
    run.seconds = bench::cpuSeconds() - start;
    run.placements = solver->placements;
    run.bestLevel = solver->bestLevel;
    run.level = solver->level;
    std::uint16_t board[CELL_COUNT];
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const brute::LinkedPiece* record = solver->placed[cell];
        board[cell] = record == nullptr ? 0xFFFF : static_cast<std::uint16_t>(orientedNumber(record->piece, record->rotation));
    }
    run.checksum = zentara::bench::boardChecksum(board, CELL_COUNT);
    if (kept != nullptr) *kept = std::move(solver);
    return run;
}

// The engine's run of `placements` recorded for the floor, and checked: the walk
// recorded and its replay must both end on the engine's board. Exits 1 when not;
// no steps when a chain of the set is too long for them.
zentara::bench::FloorTrace checkedFloorTrace(std::uint64_t placements) {
    using namespace zentara::bench;
    std::unique_ptr<zentara::brute::BruteSolver> solver;
    const BruteRun run = runBrute(placements, &solver);
    FloorTrace trace = recordFloorTrace(*solver, placements);
    if (trace.steps.empty()) return trace;
    const bool same = trace.steps.size() == run.placements && trace.checksum == run.checksum &&
                      replayFloor(*solver, trace) == run.checksum &&
                      replayFloorWithWalk(*solver, trace) == run.checksum;
    if (!same) {
        std::fprintf(stderr, "brute-bench: the floor's replay of %llu placements is not the search's\n",
                     static_cast<unsigned long long>(placements));
        std::exit(1);
    }
    return trace;
}

// Rounds of the search, its floor and the floor with the search's walk put back,
// over the same placements, in turn.
void measureFloor(const zentara::bench::FloorTrace& floor, std::uint64_t floorPlacements) {
    using namespace zentara::bench;
    // The floor needs the chains the engine built: one solver, set up outside the timing.
    std::unique_ptr<zentara::brute::BruteSolver> chains;
    runBrute(1, &chains);
    const auto replayed = [&](auto replay) {
        const double start = cpuSeconds();
        const std::uint32_t checksum = replay(*chains, floor);
        const double seconds = cpuSeconds() - start;
        if (checksum != floor.checksum) std::exit(1);  // checked once already; keeps the replay observed
        return Measured{static_cast<double>(floor.steps.size()), seconds};
    };
    const auto [engineRates, floorRates, walkRates] = alternateRounds(
        [](int round, const std::array<Measured, 3>& m) {
            std::printf("floor round %d: brute %.1f M placements/s, floor %.1f M placements/s, "
                        "floor with walk %.1f M placements/s\n",
                        round, m[0].rate() / 1e6, m[1].rate() / 1e6, m[2].rate() / 1e6);
        },
        [&] {
            const BruteRun run = runBrute(floorPlacements);
            return Measured{static_cast<double>(run.placements), run.seconds};
        },
        [&] { return replayed(replayFloor); }, [&] { return replayed(replayFloorWithWalk); });
    std::printf("floor:    %.1f M placements/s (the search's first %llu placements replayed)\n",
                floorRates.median() / 1e6, static_cast<unsigned long long>(floor.steps.size()));
    std::printf("brute-solver/floor %.2f (engine %.1f M placements/s over the same placements)\n",
                medianRatio(engineRates, floorRates), engineRates.median() / 1e6);
    std::printf("brute-solver/floor-with-walk %.2f (floor with walk %.1f M placements/s)\n",
                medianRatio(engineRates, walkRates), walkRates.median() / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara::bench;
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "brute-bench", "PLACEMENTS", 1,
        "The brute-force search and the plain baseline, each for PLACEMENTS placements from the\n"
        "same seed: placements per second and a signature of the run.\n");
    if (answered >= 0) return answered;
    const bool signature = signatureMode(argc, argv);
    const std::uint64_t placements = signature ? 5'000'000ull
                                     : argc > 1 ? std::strtoull(argv[1], nullptr, 10)
                                                : 200'000'000ull;
    if (placements == 0 || placements > 2000000000ull) {
        std::fprintf(stderr, "brute-bench: PLACEMENTS must be 1 to 2000000000\n");
        return 2;
    }
    const BruteRun brute = runBrute(placements);
    const std::uint64_t floorPlacements = std::min(placements, FLOOR_PLACEMENTS);
    const FloorTrace floor = checkedFloorTrace(signature ? placements : floorPlacements);
    if (!signature) {
        printTimingRule();
        const auto [bruteRates, baseRates] = alternateRounds(
            [](int round, const std::array<Measured, 2>& m) {
                std::printf("round %d: brute %.1f M placements/s, baseline %.1f M placements/s\n", round,
                            m[0].rate() / 1e6, m[1].rate() / 1e6);
            },
            [&] {
                const BruteRun run = runBrute(placements);
                return Measured{static_cast<double>(run.placements), run.seconds};
            },
            [&] {
                const BaselineResult run = runBaseline(placements, SEED);
                return Measured{static_cast<double>(run.placements), run.seconds};
            });
        std::printf("brute:    %.1f M placements/s\n", bruteRates.median() / 1e6);
        std::printf("baseline: %.1f M placements/s\n", baseRates.median() / 1e6);
        std::printf("ratio:    %.2fx (medians of %d rounds, each part at least %.0f s of processor time a round)\n",
                    medianRatio(bruteRates, baseRates), BENCH_ROUNDS, MIN_PART_SECONDS);

        if (floor.steps.empty())
            std::printf("brute-solver/floor not measured: a chain of this set is too long for the replay\n");
        else
            measureFloor(floor, floorPlacements);
    }
    std::printf("signature: brute placements %llu best %d level %d board %08x\n",
                static_cast<unsigned long long>(brute.placements), brute.bestLevel, brute.level, brute.checksum);
    return 0;
}
