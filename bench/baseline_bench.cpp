// baseline-bench [PLACEMENTS]: the plain backtracker alone, for reference; the
// rate is the median of rounds of runs.
#include <cstdio>
#include <cstdlib>

#include "bench/baseline.hpp"
#include "bench/bench.hpp"

int main(int argc, char** argv) {
    using namespace zentara::bench;
    const int answered = zentara::bench::answerBenchCommandLine(
        argc, argv, "baseline-bench", "PLACEMENTS", 1,
        "The plain backtracker alone, for reference: placements per processor second.\n",
        std::array{CountRange{"PLACEMENTS", 1, 1'000'000'000'000}});
    if (answered >= 0) return answered;
    const bool signature = signatureMode(argc, argv);
    const std::uint64_t placements = signature ? 2'000'000ull
                                                : static_cast<std::uint64_t>(countArgument(argc, argv, 1, 50'000'000));
    const auto r = runBaseline(placements, 1);
    if (!signature) {
        printTimingRule();
        const double rate = medianRoundsRate("baseline", "placements", 1, [&] {
            const auto run = runBaseline(placements, 1);
            return Measured{static_cast<double>(run.placements), run.seconds};
        });
        std::printf("baseline: %llu placements a run, %.1f M placements/s\n",
                    static_cast<unsigned long long>(r.placements), rate / 1e6);
        printRoundsRule();
    }
    std::printf("signature: placements %llu depth %d checksum %08x\n", static_cast<unsigned long long>(r.placements),
                r.bestDepth, r.bestChecksum);
    return 0;
}
