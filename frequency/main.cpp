// frequency-solver: builds weighted candidate lists from the neighbour statistics in
// Stat.bin and searches the 16 x 16 board once through. No arguments.
#include <iostream>

#include "core/console.hpp"
#include "frequency/frequency_solver.hpp"
#include "core/command_line.hpp"

namespace {

constexpr const char* USAGE =
    "usage: frequency-solver [--pieces FILE]\n"
    "Searches the 16 x 16 puzzle once through, over candidate lists weighted by the\n"
    "neighbour statistics that score-solver gathered. Runs in the current directory.\n"
    "Reads:  Stat.bin (required)\n"
    "Writes: Best%03d.csv from level 200, Result.csv\n"
    "Ends:   when the tree is exhausted (exit 0), or at once with exit 1 on a missing or\n"
    "        invalid Stat.bin\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";

zentara::frequency::FrequencyEngine engine;  // about 80 MB of tables, static
}

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "frequency-solver", USAGE); end >= 0) return end;
    zentara::lowerPriority(zentara::Priority::Idle);
    zentara::printTo(std::cout, "Zentara Frequency Solver\n");
    return zentara::frequency::runFrequencySolver(engine, std::cout);
}
