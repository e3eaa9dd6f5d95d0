// Recounts of what the path walk keeps incrementally, for the report points of
// both path solvers: the used pieces against the placed prefix of the path, each
// placement inside its cell's list and copied into the cell's colours, and the
// terminator that ends every list.
#include "core/checks.hpp"
#include "path/path_cells.hpp"

namespace zentara::path {

void checkWalkState(const PathCells& cells, const CandidateLists& lists, const UsedPieces& used) {
    int inUse = 0;
    for (int piece = 0; piece < PIECE_COUNT; ++piece) inUse += used.contains(piece);
    // The walk holds exactly the pieces of the first `inUse` cells of the path.
    std::array<bool, PIECE_COUNT> seen{};
    int cell = cells.startCell;
    for (int placed = 0; placed < inUse; ++placed, cell = cells.next[cell]) {
        ZENTARA_CHECK(cell != HINT_CELL);
        const std::uint32_t entry = cells.placement[cell];
        ZENTARA_CHECK(entry != NO_PLACEMENT);
        const std::uint32_t list = cells.listOf(cell);
        ZENTARA_CHECK(entry >= lists.first[list] && entry < lists.first[list] + lists.count[list]);
        const int oriented = lists.pool[entry];
        const int piece = pieceOfOriented(oriented);
        ZENTARA_CHECK(used.contains(piece) && !seen[piece]);
        seen[piece] = true;
        for (int side = 0; side < 4; ++side)
            ZENTARA_CHECK(cells.sideBytes()[cell * 4 + side] == ORIENTED_SIDES[oriented][side]);
    }
    for (std::uint32_t list = 0; list < LIST_COUNT; ++list)
        ZENTARA_CHECK(lists.pool[lists.first[list] + lists.count[list]] == END_OF_LIST);
}

}  // namespace zentara::path
