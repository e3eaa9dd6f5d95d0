// block-solver-6x12: the 6 x 12 puzzle; counts full boards for ever.
#include "blockset/block_solver.hpp"
#include "core/command_line.hpp"

namespace {
constexpr const char* USAGE =
    "usage: block-solver-6x12 [--pieces FILE]\n"
    "The block-set method on the 6 x 12 puzzle; counts full boards. Runs in the current\n"
    "directory.\n"
    "Reads:  nothing\n"
    "Writes: Best72.csv, Set72.csv, Result.csv, Blocks.csv after each full board\n"
    "Ends:   never; stop it with Ctrl-C or SIGTERM\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own 6 x 12 plain list FILE\n"
    "  --version  prints the suite's version\n";
}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "block-solver-6x12", USAGE, zentara::PuzzleKind::Board6x12); end >= 0) return end;
    return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle6x12>();
}
