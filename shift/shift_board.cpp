// Set-up, the candidate list, snapshots and board output of the shift solver.
#include <cstring>

#include "shift/shift_search.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zentara::shift {

namespace {

bool isFixedPiece(int piece) {
    for (const FixedPlacement& f : pieceSet().clues())
        if (f.piece == piece) return true;
    return false;
}

}  // namespace

void fillOrientedRecords() {
    for (int n = 0; n < ORIENTED_COUNT; ++n) {
        const PieceEntry sides = rotate(pieceSet().topFirst[pieceOfOriented(n)], rotationOfOriented(n));
        std::uint32_t word = 0;
        for (int k = 0; k < 4; ++k) word |= static_cast<std::uint32_t>(sides[k]) << sideShift(k);
        orientedRecords[n] = {word, static_cast<std::uint8_t>(pieceOfOriented(n)),
                              static_cast<std::uint8_t>(rotationOfOriented(n))};
    }
}

void setUp(ShiftSearch& s, RandomState seed) {
    fillOrientedRecords();
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
    for (const FixedPlacement& f : pieceSet().clues()) {
        b.flags[f.cell] |= FIXED_CELL;
        placePiece(s, f.cell, orientedNumber(f.piece, f.rotation));
    }
}

namespace scan {

int portable(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted) {
    for (int i = 0; i < length; ++i)
        if ((colours[i] & mask) == wanted) return i;
    return -1;
}

// The scan is two thirds of the run time. Measured with shift-bench (resumed board,
// level 156 climbing to 252): plain loop 0.7 M iterations/s, SSE2 4.5 M, AVX2 5.3 M,
// AVX-512 8 M. The vector scans compare whole rounds and branch once per round. Entries past the
// tail (the list is padded to LIST_CAPACITY) may compare equal; a first hit there
// means that no real record fits.
#if defined(__x86_64__)
int sse2(const std::uint32_t* colours, int length, std::uint32_t mask, std::uint32_t wanted) {
    const __m128i m = _mm_set1_epi32(static_cast<int>(mask));
    const __m128i w = _mm_set1_epi32(static_cast<int>(wanted));
#define ZENTARA_SHIFT_HITS(at)                                                                          \
    _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(                                                   \
        _mm_and_si128(_mm_load_si128(reinterpret_cast<const __m128i*>(colours + (at))), m), w)))
    for (int i = 0; i < length; i += 16) {
        const int bits = ZENTARA_SHIFT_HITS(i) | (ZENTARA_SHIFT_HITS(i + 4) << 4) |
                         (ZENTARA_SHIFT_HITS(i + 8) << 8) | (ZENTARA_SHIFT_HITS(i + 12) << 12);
        if (bits != 0) {
            const int position = i + __builtin_ctz(static_cast<unsigned>(bits));
            return position < length ? position : -1;
        }
    }
#undef ZENTARA_SHIFT_HITS
    return -1;
}

__attribute__((target("avx2"))) int avx2(const std::uint32_t* colours, int length, std::uint32_t mask,
                                         std::uint32_t wanted) {
    const __m256i m = _mm256_set1_epi32(static_cast<int>(mask));
    const __m256i w = _mm256_set1_epi32(static_cast<int>(wanted));
#define ZENTARA_SHIFT_EQUAL(at) \
    _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_load_si256(reinterpret_cast<const __m256i*>(colours + (at))), m), w)
#define ZENTARA_SHIFT_BITS(v) static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(v)))
    for (int i = 0; i < length; i += 32) {
        const __m256i e0 = ZENTARA_SHIFT_EQUAL(i), e1 = ZENTARA_SHIFT_EQUAL(i + 8);
        const __m256i e2 = ZENTARA_SHIFT_EQUAL(i + 16), e3 = ZENTARA_SHIFT_EQUAL(i + 24);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(e0, e1), _mm256_or_si256(e2, e3));
        if (!_mm256_testz_si256(any, any)) {
            const unsigned bits = ZENTARA_SHIFT_BITS(e0) | (ZENTARA_SHIFT_BITS(e1) << 8) |
                                  (ZENTARA_SHIFT_BITS(e2) << 16) | (ZENTARA_SHIFT_BITS(e3) << 24);
            const int position = i + __builtin_ctz(bits);
            return position < length ? position : -1;
        }
    }
#undef ZENTARA_SHIFT_EQUAL
#undef ZENTARA_SHIFT_BITS
    return -1;
}

__attribute__((target("avx512f"))) int avx512(const std::uint32_t* colours, int length, std::uint32_t mask,
                                              std::uint32_t wanted) {
    const __m512i m = _mm512_set1_epi32(static_cast<int>(mask));
    const __m512i w = _mm512_set1_epi32(static_cast<int>(wanted));
#define ZENTARA_SHIFT_BITS(at) \
    static_cast<std::uint64_t>(_mm512_cmpeq_epi32_mask(_mm512_and_si512(_mm512_load_si512(colours + (at)), m), w))
    for (int i = 0; i < length; i += 64) {
        const std::uint64_t bits = ZENTARA_SHIFT_BITS(i) | (ZENTARA_SHIFT_BITS(i + 16) << 16) |
                                   (ZENTARA_SHIFT_BITS(i + 32) << 32) | (ZENTARA_SHIFT_BITS(i + 48) << 48);
        if (bits != 0) {
            const int position = i + __builtin_ctzll(bits);
            return position < length ? position : -1;
        }
    }
#undef ZENTARA_SHIFT_BITS
    return -1;
}
#endif

Function fastest() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return avx512;
    if (__builtin_cpu_supports("avx2")) return avx2;
    return sse2;
#else
    return portable;
#endif
}

}  // namespace scan

namespace {
// Chosen once for the machine.
const scan::Function chosenScan = scan::fastest();
}  // namespace

int findFirstFit(const ShiftList& list, std::uint32_t mask, std::uint32_t wanted) {
    return chosenScan(list.colours.data(), list.length, mask, wanted);
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
