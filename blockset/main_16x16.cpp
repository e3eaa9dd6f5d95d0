// block-solver: the 16 x 16 puzzle; runs until a placement fills the board.
#include "blockset/block_solver.hpp"
#include "core/command_line.hpp"

namespace {
constexpr const char* USAGE =
    "usage: block-solver\n"
    "Fixes one rotation per piece of the 16 x 16 puzzle under colour-balance rules, then\n"
    "searches a placement; repeats. Runs in the current directory, with no arguments.\n"
    "Reads:  nothing\n"
    "Writes: Best%03d.csv at every new maximum, Result.csv, Blocks.csv, Set%03d.csv\n"
    "Ends:   at the first full board (exit 0)\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --version  prints the suite's version\n";
}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "block-solver", USAGE); end >= 0) return end;
    return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle16x16>();
}
