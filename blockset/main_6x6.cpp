// block-solver-6x6: the 6 x 6 puzzle; counts full boards for ever.
#include "blockset/block_solver.hpp"
#include "core/command_line.hpp"

namespace {
constexpr const char* USAGE =
    "usage: block-solver-6x6 [--pieces FILE]\n"
    "The block-set method on the 6 x 6 puzzle; counts full boards. Runs in the current\n"
    "directory.\n"
    "Reads:  nothing\n"
    "Writes: Best36.csv, Set36.csv, Result.csv, Blocks.csv at the 1st, 201st, ... full board\n"
    "Ends:   never; stop it with Ctrl-C or SIGTERM\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own 6 x 6 plain list FILE\n"
    "  --version  prints the suite's version\n";
}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "block-solver-6x6", USAGE, zentara::PuzzleKind::Board6x6); end >= 0) return end;
    return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle6x6>();
}
