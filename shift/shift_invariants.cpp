// Recounts of what the shift search keeps incrementally, at every status line in
// builds with invariant checks: the level, where each piece lies, the colours and
// masks published to the neighbours, the candidate list as a permutation of the
// loose records, the fixed pieces on their cells, and the board (always
// consistent: a piece is only ever placed where it fits) through the board checker.
#include "core/checks.hpp"
#include "shift/shift_search.hpp"

namespace zentara::shift {

void checkSearchState(const ShiftSearch& s) {
    const ShiftBoard& b = s.board;
    int placed = 0;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const std::uint16_t record = b.placement[cell];
        std::uint32_t lanes = 0;  // the sides that face the frame or a piece
        std::uint32_t required = 0;
        using namespace top_first;
        const int neighbour[4] = {cell - BOARD_WIDTH, cell + 1, cell + BOARD_WIDTH, cell - 1};
        const std::uint8_t frame[4] = {TOP_FRAME, RIGHT_FRAME, BOTTOM_FRAME, LEFT_FRAME};
        const int facing[4] = {BOTTOM, LEFT, TOP, RIGHT};
        for (int side = 0; side < 4; ++side) {
            const std::uint32_t lane = 0xFFu << sideShift(side);
            if (b.flags[cell] & frame[side]) {
                lanes |= lane;  // the border colour, 0
            } else if (b.placement[neighbour[side]] != NO_RECORD) {
                lanes |= lane;
                const std::uint32_t theirs = ORIENTED_RECORDS[b.placement[neighbour[side]]].colours;
                required |= ((theirs >> sideShift(facing[side])) & 0xFFu) << sideShift(side);
            }
        }
        ZENTARA_CHECK(b.mask[cell] == lanes);
        ZENTARA_CHECK((b.required[cell] & lanes) == required);
        if (record == NO_RECORD) continue;
        ++placed;
        ZENTARA_CHECK(b.pieceCell[ORIENTED_RECORDS[record].piece] == cell);
        ZENTARA_CHECK(fitsCell(b, cell, ORIENTED_RECORDS[record].colours));
    }
    // The status comes in the periodic step, which runs after a piece is placed and
    // before the level is compared with max.: a move that just reached a new
    // height shows it one above max. here, never more.
    ZENTARA_CHECK(s.level == placed && s.level <= s.maxLevel + 1);
    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        const int cell = b.pieceCell[piece];
        ZENTARA_CHECK(cell == NO_CELL || ORIENTED_RECORDS[b.placement[cell]].piece == piece);
    }
    for (const FixedPlacement& f : pieceSet().clues())
        ZENTARA_CHECK(b.placement[f.cell] == orientedNumber(f.piece, f.rotation) && (b.flags[f.cell] & FIXED_CELL));

    ZENTARA_CHECK(s.list.length == listLength());
    std::array<bool, ORIENTED_COUNT> listed{};
    for (int i = 0; i < s.list.length; ++i) {
        const int record = s.list.record[i];
        ZENTARA_CHECK(!listed[record] && s.list.colours[i] == ORIENTED_RECORDS[record].colours);
        listed[record] = true;
        for (const FixedPlacement& f : pieceSet().clues()) ZENTARA_CHECK(ORIENTED_RECORDS[record].piece != f.piece);
    }

    Board16 cells;
    boardCells(b, cells);
    checkBoard(cells, s.level);
}

}  // namespace zentara::shift
