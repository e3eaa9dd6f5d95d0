// block-solver: the 16 x 16 puzzle; runs until a placement fills the board.
#include <cstdio>

#include "blockset/block_solver.hpp"
#include "blockset/colour_order.hpp"
#include "core/command_line.hpp"
#include "core/pieces.hpp"

namespace {
constexpr const char* USAGE =
    "usage: block-solver [--pieces FILE]\n"
    "Fixes one rotation per piece of the 16 x 16 puzzle under colour-balance rules, then\n"
    "searches a placement; repeats. Runs in the current directory.\n"
    "Reads:  nothing\n"
    "Writes: Best%03d.csv at every new maximum, Result.csv, Blocks.csv, Set%03d.csv\n"
    "Ends:   at the first full board (exit 0)\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";
// A list given with --pieces brings no colour order: measured here, with the
// search make-puzzles measures a compiled-in set with, so that both run alike.
void measureColourOrder() {
    using namespace zentara;
    if (pieceSet().colourOrderKnown) return;
    std::fprintf(stderr, "block-solver: measuring the colour order of these pieces (a few seconds)\n");
    PieceSet set = pieceSet();
    set.colourOrder = blockset::deriveColourOrder(set.bottomFirst, blockset::SET_ORDER_SEARCH).order;
    set.colourOrderKnown = true;
    runOnPieceSet(set);
}

}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "block-solver", USAGE); end >= 0) return end;
    measureColourOrder();
    return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle16x16>();
}
