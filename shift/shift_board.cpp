// Set-up, the candidate list, snapshots and board output of the shift solver.
#include <cstring>

#include "shift/shift_search.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zentara::shift {

namespace {

constexpr bool isFixedPiece(int piece) {
    for (const FixedPlacement& f : LOCAL_SEARCH_FIXED)
        if (f.piece == piece) return true;
    return false;
}

}  // namespace

void setUp(ShiftSearch& s, RandomState seed) {
    s = ShiftSearch{};
    s.random = seed;
    ShiftBoard& b = s.board;

    // Step 1. Empty cells; frame sides demand the border colour for ever.
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        std::uint8_t flags = 0;
        std::uint32_t mask = 0;
        if (BOARD_16X16.topFacesFrame(cell)) flags |= TOP_FRAME, mask |= 0xFFu << sideShift(top_first::TOP);
        if (BOARD_16X16.rightFacesFrame(cell)) flags |= RIGHT_FRAME, mask |= 0xFFu << sideShift(top_first::RIGHT);
        if (BOARD_16X16.bottomFacesFrame(cell)) flags |= BOTTOM_FRAME, mask |= 0xFFu << sideShift(top_first::BOTTOM);
        if (BOARD_16X16.leftFacesFrame(cell)) flags |= LEFT_FRAME, mask |= 0xFFu << sideShift(top_first::LEFT);
        b.placement[cell] = NO_RECORD;
        b.required[cell] = 0;  // BORDER_COLOUR on every side
        b.mask[cell] = mask;
        b.flags[cell] = flags;
    }
    b.pieceCell.fill(NO_CELL);
    s.level = 0;

    // Step 2. The list in oriented-number order without the fixed pieces, then the fixed pieces.
    ShiftList& list = s.list;
    list.colours.fill(0);
    list.record.fill(0);
    list.length = 0;
    for (int n = 0; n < ORIENTED_COUNT; ++n) {
        if (isFixedPiece(pieceOfOriented(n))) continue;
        list.colours[list.length] = ORIENTED_RECORDS[n].colours;
        list.record[list.length] = static_cast<std::uint16_t>(n);
        ++list.length;
    }
    for (const FixedPlacement& f : LOCAL_SEARCH_FIXED) {
        b.flags[f.cell] |= FIXED_CELL;
        placePiece(s, f.cell, orientedNumber(f.piece, f.rotation));
    }
}

int findFirstFit(const ShiftList& list, std::uint32_t mask, std::uint32_t wanted) {
    const std::uint32_t* colours = list.colours.data();
    const int length = list.length;
#if defined(__SSE2__)
    // Sixteen masked comparisons per round and one branch. Padding entries past the
    // tail may compare equal; a first hit there means no real record fits.
    const __m128i m = _mm_set1_epi32(static_cast<int>(mask));
    const __m128i w = _mm_set1_epi32(static_cast<int>(wanted));
    auto hits = [&](int at) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(colours + at));
        return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(v, m), w)));
    };
    for (int i = 0; i < length; i += 16) {
        const int bits = hits(i) | (hits(i + 4) << 4) | (hits(i + 8) << 8) | (hits(i + 12) << 12);
        if (bits != 0) {
            const int position = i + __builtin_ctz(static_cast<unsigned>(bits));
            return position < length ? position : -1;
        }
    }
    return -1;
#else
    for (int i = 0; i < length; ++i)
        if ((colours[i] & mask) == wanted) return i;
    return -1;
#endif
}

int moveToBack(ShiftList& list, int position) {
    const int last = list.length - 1;
    const std::uint32_t colours = list.colours[position];
    const std::uint16_t record = list.record[position];
    if (position != last) {
        const std::size_t after = static_cast<std::size_t>(last - position);
        std::memmove(&list.colours[position], &list.colours[position + 1], after * sizeof(std::uint32_t));
        std::memmove(&list.record[position], &list.record[position + 1], after * sizeof(std::uint16_t));
        list.colours[last] = colours;
        list.record[last] = record;
    }
    return record;
}

void boardCells(const ShiftBoard& b, Board16& out) {
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const std::uint16_t record = b.placement[cell];
        out[cell] = record == NO_RECORD
                        ? PlacedCell{}
                        : PlacedCell{static_cast<std::int16_t>(ORIENTED_RECORDS[record].piece),
                                     ORIENTED_RECORDS[record].rotation};
    }
}

void writeBoard(const ShiftSearch& s, const char* name) {
    Board16 cells;
    boardCells(s.board, cells);
    (void)writeBoardFile(name, cells.data(), LAYOUT_16X16);
}

void takeSnapshot(ShiftSearch& s) {
    s.snapshot.board = s.board;
    s.snapshot.ok = s.tuning.ok;
    s.snapshot.re = s.tuning.re;
}

void fallBack(ShiftSearch& s) {
    if (s.snapshot.ok < 0) return;
    s.board = s.snapshot.board;
    s.tuning.ok = s.snapshot.ok;
    s.tuning.re = s.snapshot.re;
    s.level = s.maxLevel;
}

}  // namespace zentara::shift
