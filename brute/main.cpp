// brute-solver: one exhaustive search over the 16 x 16 board, in a chain order
// drawn from the local time. Takes no arguments; runs until the board is full
// or the tree is exhausted.
#include <iostream>

#include "brute/brute_solver.hpp"
#include "core/board_file.hpp"
#include "core/console.hpp"
#include "core/user_file.hpp"

namespace {
zentara::brute::BruteSolver solver;  // about 200 KB: static, not on the stack
}

int main() {
    using namespace zentara;
    removeStaleTemporaries(".");  // what killed runs left while writing
    lowerPriority(Priority::Idle);
    printTo(std::cout, "Zentara Brutal Force Solver\n");
    solver.random.state = timeSeedNow();
    brute::buildChains(solver);
    brute::resetBoard(solver);
    const BoardWriteConsole boardWrites(std::cout);
    return brute::finishRun(solver, brute::runSearch(solver, std::cout), std::cout);
}
