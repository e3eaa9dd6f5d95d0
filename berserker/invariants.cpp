// Recounts of what the step loop keeps incrementally, at every status in builds
// with invariant checks, for the working board and the saved one: the level, where
// each piece lies, the known-side flags, the free cells in their array, every piece
// fitting its cell, and the board through the board checker.
#include "berserker/berserker.hpp"
#include "core/checks.hpp"

namespace zentara::berserker {

namespace {

bool holdsPiece(const Board& board, int arrayCell) {
    return boardCellOf(arrayCell) != NO_CELL && board.cells[arrayCell].placement != NO_RECORD;
}

}  // namespace

void checkBoardState(const Berserker& e, const Board& board) {
    std::array<int, ARRAY_CELLS> freeSeen{};
    for (int i = 0; i < board.freeLength; ++i) ++freeSeen[board.freeCells[i]];
    int placed = 0, empty = 0;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const int a = arrayCellOf(cell);
        const Cell& c = board.cells[a];
        for (int k = 0; k < 4; ++k) {
            const int neighbour = a + NEIGHBOUR_OFFSET[k];
            const bool known = boardCellOf(neighbour) == NO_CELL || holdsPiece(board, neighbour);
            ZENTARA_CHECK(((c.flags >> k) & 1) == known);
        }
        if (c.placement == NO_RECORD) {
            ++empty;
            ZENTARA_CHECK(freeSeen[a] == 1 && !(c.flags & NEVER_CHANGES));
            continue;
        }
        ++placed;
        ZENTARA_CHECK(freeSeen[a] == 0);
        const Record& r = e.tables.records[c.placement];
        ZENTARA_CHECK(c.piece == r.piece && board.pieceCell[r.piece] == a);
        ZENTARA_CHECK(fitsCell(r, board, a));
    }
    ZENTARA_CHECK(board.level == placed && board.freeLength == empty);
    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        const int a = board.pieceCell[piece];
        ZENTARA_CHECK(a == NO_CELL || (holdsPiece(board, a) && board.cells[a].piece == piece));
    }
    for (const FixedPlacement& f : pieceSet().clues())
        ZENTARA_CHECK(board.pieceCell[f.piece] == arrayCellOf(f.cell) &&
                      e.tables.records[board.cells[arrayCellOf(f.cell)].placement].rotation == f.rotation);
    Board16 cells;
    boardCells(e, board, cells);
    checkBoard(cells, board.level);
}

void checkSearchState(const Berserker& e) {
    checkBoardState(e, e.board);
    checkBoardState(e, e.saved);
    ZENTARA_CHECK(e.bestLevel >= e.saved.level);
}

}  // namespace zentara::berserker
