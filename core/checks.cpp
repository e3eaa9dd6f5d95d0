#include "core/checks.hpp"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/board_check.hpp"

namespace zentara {

void invariantFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

void checkBoard(const Board16& cells, int placed) {
    const BoardCheck check = checkCells(PuzzleKind::Board16x16, std::vector<PlacedCell>(cells.begin(), cells.end()));
    if (!check.consistent()) invariantFailed("the board checker finds no fault", __FILE__, __LINE__);
    if (check.piecesPlaced != placed) invariantFailed("the pieces on the board are the level", __FILE__, __LINE__);
}

}  // namespace zentara
