// Set-up, resuming, saving, knock-outs, big resets and stalls.
#include <algorithm>

#include "berserker/berserker.hpp"
#include "core/console.hpp"

namespace zentara::berserker {

namespace {

void placeFixed(Board& board, const CandidateTables& tables, const FixedPlacement& fixed) {
    const int cell = arrayCellOf(fixed.cell);
    const int recordIndex = tables.recordOf[fixed.piece][fixed.rotation];
    const Record& record = tables.records[recordIndex];
    Cell& c = board.cells[cell];
    c.flags |= NEVER_CHANGES;
    c.placement = static_cast<std::int16_t>(recordIndex);
    c.piece = record.piece;
    c.sides = record.sides;
    for (int k = 0; k < 4; ++k) board.cells[cell + NEIGHBOUR_OFFSET[k]].flags |= BIT_ON_NEIGHBOUR[k];
    board.pieceCell[fixed.piece] = static_cast<std::int16_t>(cell);
}

}  // namespace

void setUp(Berserker& e, RandomState seed) {
    Board& board = e.board;
    // Step 1. Every cell empty and unchangeable; board cells get their frame bits instead.
    std::fill(board.pieceCell.begin(), board.pieceCell.end(), static_cast<std::int16_t>(NO_CELL));
    for (Cell& c : board.cells) c = Cell{0, NO_RECORD, 0, NEVER_CHANGES};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const Geometry& g = BOARD_16X16;
        std::uint8_t flags = 0;
        if (g.topFacesFrame(cell)) flags |= KNOWN_TOP;
        if (g.bottomFacesFrame(cell)) flags |= KNOWN_BOTTOM;
        if (g.leftFacesFrame(cell)) flags |= KNOWN_LEFT;
        if (g.rightFacesFrame(cell)) flags |= KNOWN_RIGHT;
        board.cells[arrayCellOf(cell)].flags = flags;
    }
    // Step 4 comes first here: the fixed pieces are placed through their records.
    buildCandidateTables(e.tables);
    // Step 2. The fixed pieces.
    for (const FixedPlacement& fixed : pieceSet().clues()) placeFixed(board, e.tables, fixed);
    // Step 3. The free cells in array order.
    board.freeLength = 0;
    for (int cell = 0; cell < ARRAY_CELLS; ++cell)
        if (!(board.cells[cell].flags & NEVER_CHANGES))
            board.freeCells[board.freeLength++] = static_cast<std::uint16_t>(cell);
    board.level = fixedCount();

    e.random = seed;
    e.bestLevel = board.level;
    e.millions = 0;
    e.fallBackThousands = 0;
    e.bigResets = -1;
    e.failureCountdown = 10;
    e.fallBackCountdown = 1000;
    // The very first step shows a status and makes a big reset.
    e.bigResetCountdown = 1;
    e.heightSinceBigReset = 0;
    e.fileCountdown = 2;
    e.millionCountdown = 1;
    e.saved = board;
}

bool fitsCell(const Record& record, const Board& board, int arrayCell) {
    const Cell& c = board.cells[arrayCell];
    for (int k = 0; k < 4; ++k) {
        const Colour colour = sideColour(record.sides, k);
        if (c.flags & (1 << k)) {
            const Colour required = sideColour(board.cells[arrayCell + NEIGHBOUR_OFFSET[k]].sides, (k + 2) & 3);
            if (colour != required) return false;
        } else if (colour == BORDER_COLOUR) {
            return false;
        }
    }
    return true;
}

int resumeFromCells(Berserker& e, const Board16& cells, const char* name, std::ostream& out) {
    Board& board = e.board;
    int placed = 0;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const PlacedCell& in = cells[cell];
        if (in.empty()) continue;
        const int arrayCell = arrayCellOf(cell);
        const bool known = in.piece < PIECE_COUNT && in.rotation <= 3;
        const int recordIndex = known ? e.tables.recordOf[in.piece][in.rotation] : NO_RECORD;
        // A fixed cell that holds its own fixed piece is the board as it stands.
        if (recordIndex != NO_RECORD && board.cells[arrayCell].placement == recordIndex &&
            (board.cells[arrayCell].flags & NEVER_CHANGES))
            continue;
        // A piece that does not fit would stay on the board as a mismatch that no
        // later placement repairs, and a board completed around it would be no
        // solution: such cells are refused like the other unusable entries.
        if (recordIndex == NO_RECORD || board.cells[arrayCell].placement != NO_RECORD ||
            board.pieceCell[in.piece] != NO_CELL || !fitsCell(e.tables.records[recordIndex], board, arrayCell)) {
            if (name) printTo(out, "Read error from %s, bad block at [%d,%d]!\n", name, cell / 16 + 1, cell % 16 + 1);
            continue;
        }
        const int freeIndex = static_cast<int>(
            std::find(board.freeCells.begin(), board.freeCells.begin() + board.freeLength, arrayCell) -
            board.freeCells.begin());
        placeRecord(board, e.tables, recordIndex, freeIndex);
        ++placed;
    }
    e.bestLevel = board.level;
    saveBoard(e);
    return placed;
}

int resumeFromCells(Berserker& e, const Board16& cells) {
    std::ostream quiet(nullptr);
    return resumeFromCells(e, cells, nullptr, quiet);
}

bool resumeFromBestFile(Berserker& e, std::ostream& out) {
    const BestBoard best = readBestBoard();
    if (!best.found) {
        e.bestLevel = e.board.level;
        saveBoard(e);
        return false;
    }
    resumeFromCells(e, best.cells, best.name.data(), out);
    return true;
}

void knockOutBlock(Board& board, int centre) {
    // Row by row from the top left; cells outside the array, frame cells and the
    // fixed cells are left alone by removePiece.
    for (int dr = -FRAMED_SIDE; dr <= FRAMED_SIDE; dr += FRAMED_SIDE)
        for (int dc = -1; dc <= 1; ++dc) removePiece(board, centre + dr + dc);
}

void saveBoard(Berserker& e) { e.saved = e.board; }
void restoreBoard(Berserker& e) { e.board = e.saved; }

void bigReset(Berserker& e) {
    e.bigResetCountdown = 10;
    ++e.bigResets;
    e.heightSinceBigReset = 0;
    Random random{e.random};
    for (int i = 0; i < 100; ++i) removePiece(e.board, static_cast<int>(random.remainder(ARRAY_CELLS)));
    e.random = random.state;
    saveBoard(e);
}

void handleStall(Berserker& e) {
    Random random{e.random};
    // Step 1 and 2. Fall back to the saved board, the more likely the further the
    // board lags behind it, or save the current board.
    const int lag = e.saved.level - e.board.level;
    if (lag > 0 && random.remainder(static_cast<std::uint32_t>(lag) * 10000u) != 0) {
        restoreBoard(e);
        if (--e.fallBackCountdown == 0) {
            e.fallBackCountdown = 1000;
            ++e.fallBackThousands;
        }
    } else {
        saveBoard(e);
    }
    // Step 3. Knock out one to three 3 x 3 blocks.
    const int blocks = static_cast<int>(random.remainder(3)) + 1;
    for (int b = 0; b < blocks; ++b) knockOutBlock(e.board, static_cast<int>(random.remainder(ARRAY_CELLS)));
    e.random = random.state;
}

void boardCells(const Berserker& e, const Board& board, Board16& out) {
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const Cell& c = board.cells[arrayCellOf(cell)];
        if (c.placement == NO_RECORD) {
            out[cell] = PlacedCell{};
        } else {
            const Record& r = e.tables.records[c.placement];
            out[cell] = PlacedCell{static_cast<std::int16_t>(r.piece), r.rotation};
        }
    }
}

}  // namespace zentara::berserker
