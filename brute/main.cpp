// brute-solver: one exhaustive search over the 16 x 16 board, in a chain order
// drawn from the local time. Takes only --pieces; runs until the board is full
// or the tree is exhausted.
#include <iostream>

#include "brute/brute_solver.hpp"
#include "core/board_file.hpp"
#include "core/console.hpp"
#include "core/command_line.hpp"

namespace {

constexpr const char* USAGE =
    "usage: brute-solver [--pieces FILE]\n"
    "One exhaustive depth-first search of the 16 x 16 puzzle over colour-keyed chains of\n"
    "oriented pieces, in an order drawn from the clock. Runs in the current directory.\n"
    "Reads:  nothing\n"
    "Writes: Best%03d.csv from level 200, Result.csv\n"
    "Ends:   when the tree is exhausted (exit 0)\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";

zentara::brute::BruteSolver solver;  // about 330 KB: static, not on the stack
}

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "brute-solver", USAGE); end >= 0) return end;
    using namespace zentara;
    lowerPriority(Priority::Idle);
    printTo(std::cout, "Zentara Brutal Force Solver\n");
    solver.random.state = timeSeedNow();
    brute::buildChains(solver);
    brute::resetBoard(solver);
    const BoardWriteConsole boardWrites(std::cout);
    return brute::finishRun(solver, brute::runSearch(solver, std::cout), std::cout);
}
