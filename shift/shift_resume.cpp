// Resuming from a best-board file written by any 16 x 16 program.
#include <ostream>

#include "core/console.hpp"
#include "shift/shift_search.hpp"

namespace zentara::shift {

void resumeFromCells(ShiftSearch& s, const Board16& cells, const char* name, std::ostream& out) {
    ShiftBoard& b = s.board;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const PlacedCell& read = cells[cell];
        if (read.empty()) continue;
        const int record = orientedNumber(read.piece, read.rotation & 3);
        // The fixed pieces are already in place: the same piece there is the board as
        // it stands; anything else on a fixed cell is refused like a collision.
        if ((b.flags[cell] & FIXED_CELL) && b.placement[cell] == record) continue;
        // A piece that does not fit what is already placed (or the frame) is refused like a
        // collision: taking it would carry a broken seam into every board written later,
        // up to a "complete" final board that is wrong.
        if (b.placement[cell] != NO_RECORD || b.pieceCell[read.piece] != NO_CELL ||
            !fitsCell(b, cell, ORIENTED_RECORDS[record].colours)) {
            printTo(out, "Read error from %s, bad block at [%d,%d]!\n", name, BOARD_16X16.row(cell) + 1,
                    BOARD_16X16.column(cell) + 1);
            continue;
        }
        placePiece(s, cell, record);
    }
    s.maxLevel = s.level;
    takeSnapshot(s);
}

bool resumeFromBestFile(ShiftSearch& s, std::ostream& out) {
    const BestBoard best = readBestBoard();
    if (!best.found) return false;
    resumeFromCells(s, best.cells, best.name.data(), out);
    return true;
}

}  // namespace zentara::shift
