// The search: depth-first in the cells' order with the board as the only stack.
// Every cell has code of its own, generated from its constants in CELL_KEYS; a
// cell's step calls the next cell's, and a return is the step back. A stopped
// run returns through every step with the stack as it stands, and the next
// run climbs back down it before it searches.
//
// Measured on brute-bench against the one loop driven by the table of keys
// that this replaces: 85 -> 54 instructions, 12.9 -> 10.3 branches and 2.2 ->
// 1.3 mispredicted branches per placement (the key's constants are immediates,
// and each cell's walk has a branch history of its own); 93 -> 124 M
// placements a second, 1.12x -> 1.47x the baseline (medians of seven runs,
// interleaved). search.cpp now takes about 30 s to compile (2 s before the
// inlining was forced, 0.3 s before the code per cell).
#include <cstring>

#include "brute/brute_solver.hpp"
#include "core/board_file.hpp"
#include "brute/cell_keys.hpp"

namespace zentara::brute {

namespace {

inline constexpr int COLOUR_VALUES = 23;  // border + 22 colours

// Ends the chain copied into entries[start, next): its terminator after it and
// its head, or the head of an empty chain when nothing was copied.
void endChain(std::array<FlatEntry, FLAT_ENTRIES>& entries, FlatHead& head, unsigned start, unsigned& next) {
    if (next == start) {
        head = FlatHead{};
        return;
    }
    head = FlatHead{static_cast<std::uint16_t>(start), entries[start].piece};
    entries[next++] = FlatEntry{};
}

// Copies every linked chain, in its order, into the flat entries of each table
// that takes it (the records that meet the hint again into the tables of the
// two cells before it); returns the place of each record in each table (unused
// for the hint's records and for records a table leaves out).
using PlacesOfRecords = std::array<std::array<std::uint16_t, ORIENTED_COUNT>, FLAT_TABLES>;
void flattenChains(BruteSolver& solver, PlacesOfRecords& placeOfRecord) {
    solver.flatEntries[0] = FlatEntry{};  // the terminator every empty chain starts at
    solver.flatHeads.fill(FlatHead{});
    unsigned next = 1;
    for (int table = 0; table < FLAT_TABLES; ++table)
        for (int top = 0; top < COLOUR_VALUES; ++top)
            for (int left = 0; left < COLOUR_VALUES; ++left) {
                const unsigned start = next;
                for (const LinkedPiece* record = solver.chainHeads[sourceTable(table) * CHAIN_HEADS + chainIndex(left, top)];
                     record != nullptr; record = record->next) {
                    if (!inFlatTable(table, record->colours, pieceSet().hintSides())) continue;
                    const auto number = static_cast<std::uint16_t>(record - solver.records.data());
                    placeOfRecord[table][number] = static_cast<std::uint16_t>(next);
                    solver.flatEntries[next++] = FlatEntry{record->colours, record->piece, number};
                }
                endChain(solver.flatEntries, solver.flatHeads[flatHeadIndex(table, static_cast<Colour>(left), static_cast<Colour>(top))],
                         start, next);
            }
}

// Copies every flat chain, in its order, into the deep tables without the
// entries whose piece `excluded` marks; `placeInDeep`, when given, receives the
// deep place of each flat entry copied.
void compactChains(BruteSolver& s, const std::array<std::uint8_t, PIECE_COUNT + 1>& excluded,
                   std::array<std::uint16_t, FLAT_ENTRIES>* placeInDeep = nullptr) {
    s.deepEntries[0] = FlatEntry{};
    unsigned next = 1;
    for (int table = 0; table < FLAT_TABLES; ++table)
        for (int top = 0; top < COLOUR_VALUES; ++top)
            for (int left = 0; left < COLOUR_VALUES; ++left) {
                const int head = flatHeadIndex(table, static_cast<Colour>(left), static_cast<Colour>(top));
                const unsigned start = next;
                for (unsigned entry = s.flatHeads[head].first; s.flatEntries[entry].piece != END_OF_CHAIN; ++entry) {
                    if (excluded[s.flatEntries[entry].piece]) continue;
                    if (placeInDeep != nullptr) (*placeInDeep)[entry] = static_cast<std::uint16_t>(next);
                    s.deepEntries[next++] = s.flatEntries[entry];
                }
                endChain(s.deepEntries, s.deepHeads[head], start, next);
            }
}

// Brings the board's record references and the level up to the entries of the
// stack: the search keeps only the stack, the files, the status line and the
// caller read the references and the level.
void syncPlaced(BruteSolver& solver, int position) {
    for (int p = 0; p < SEARCH_CELLS; ++p)
        solver.placed[cellOfPosition(p)] = p < position ? &solver.records[solver.stack[p]->record] : nullptr;
    solver.level = position == 0 ? 1 : cellOfPosition(position - 1) + 1;
}

// How a step ends: back to the cell before, or up through every step at once
// with the board left as it stands.
enum class Flow { Back, Stopped, Solved };

// position: the cells of the search order now on the board.
[[gnu::noinline]] void saveNewBest(BruteSolver& s, int position) {
    syncPlaced(s, position);
    s.bestLevel = s.level;
    if (s.level == CELL_COUNT) s.failuresBeforeFullBoard = boardWriteFailures();
    saveBoard(s, true);
}

[[gnu::noinline]] Flow report(BruteSolver& s, int position) {
    syncPlaced(s, position);
    reportProgress(s, *s.reportOut);
    const auto period = orOwn<std::uint32_t>(s.limits.workPerReport, PLACEMENTS_PER_REPORT);
    s.countdown = static_cast<int>(period);
    s.placements += period;  // see runSearch
    if (s.limits.reports != 0 && s.reports >= s.limits.reports && position < SEARCH_CELLS) return Flow::Stopped;
    return Flow::Back;
}

// A few cells are inlined into each function, as in the score search: forced,
// since with the climbing steps beside them GCC would otherwise call every cell
// (58.3 instructions a placement). Forced, with no test of s.filled on entry:
// 52.7 -> 48.3 instructions, 18.2 -> 14.7 loads, 9.6 -> 8.3 branches and
// 1.20 -> 1.13 mispredicted ones per placement, fewer spills; 1.10-1.13x on the
// same placements (each alone: 1.02x, 1.03x). 4 cells a function: 0.93x; 16: 0.99x.
constexpr int INLINED_CELLS = 8;

// CLIMB: the cell is one of those filled before runSearch (see enterCell).
template <int POSITION, bool CLIMB>
[[gnu::always_inline]] inline Flow enterCell(BruteSolver& s, Colour previousRight);

template <int POSITION, bool CLIMB>
[[gnu::noinline]] Flow enterOutlined(BruteSolver& s, Colour previousRight) {
    return enterCell<POSITION, CLIMB>(s, previousRight);
}

template <int POSITION, bool CLIMB = false>
[[gnu::always_inline]] inline Flow enter(BruteSolver& s, Colour previousRight) {
    if constexpr (POSITION % INLINED_CELLS == 0)
        return enterOutlined<POSITION, CLIMB>(s, previousRight);
    else
        return enterCell<POSITION, CLIMB>(s, previousRight);
}

// Enter the cell of a position: its candidate is the first of its chain, its key
// from the right colour of the record just placed (previousRight) and the copy
// of the cell above. Coming back into a board left by a stopped run or filled
// by the caller, the cells below s.filled take up their entries from the stack
// instead, each as if its step had just placed it: their steps are the CLIMB
// ones, so that the steps of a search need no test of s.filled on entry.
template <int POSITION, bool CLIMB>
inline Flow enterCell(BruteSolver& s, const Colour previousRight) {
    constexpr CellKey key = CELL_KEYS[POSITION];
    const FlatEntry* entry;
    unsigned piece;
    if (CLIMB) {  // not constexpr: the label stays in use
        entry = s.stack[POSITION];
        piece = entry->piece;
        goto placed;
    }
    {
        // Step 1. Entered afresh, the deep position copies the chains without
        // the pieces now on the board (all of them on cells before it).
        constexpr bool DEEP = POSITION >= DEEP_POSITION;
        if constexpr (POSITION == DEEP_POSITION) compactChains(s, s.used);
        // Unsigned and pointer-wide: the index needs no sign extension on the
        // path from the record just placed to the head (1.04x, 41.4 -> 40.6
        // instructions a placement). The head is read as its two fields rather
        // than as one word split in registers: two instructions fewer a placement.
        std::size_t left = (previousRight & key.leftKeep) | key.leftConstant;
        if constexpr (key.leftFromHint) left = s.colourCopies[copyByte(HINT_ENTRY, bottom_first::RIGHT)];
        const FlatHead& head = (DEEP ? s.deepHeads : s.flatHeads)[key.chainBase + left + 32u * s.colourCopies[key.topByte]];
        entry = &(DEEP ? s.deepEntries : s.flatEntries)[head.first];
        piece = head.piece;
    }
    for (;;) {
        // Step 2. Pass over entries whose piece is on the board. A terminator's
        // piece is never used, so the walk stops there by itself. An empty chain
        // is known from the head alone, before the load of the used byte.
        if (piece != END_OF_CHAIN)
            while (s.used[piece]) piece = (++entry)->piece;
        // Step 3. An exhausted cell sends the search back.
        if (piece == END_OF_CHAIN) return Flow::Back;

        // Step 4. Place the entry and copy its colours for the keys of later cells.
        s.used[piece] = 1;
        s.stack[POSITION] = entry;
        std::memcpy(&s.colourCopies[4 * key.cell], entry->colours.data(), 4);
        if (key.cell + 1 > s.bestLevel) [[unlikely]]
            saveNewBest(s, POSITION + 1);
        if (--s.countdown == 0) [[unlikely]] {
            if (report(s, POSITION + 1) == Flow::Stopped) return Flow::Stopped;
        }

    placed:
        // Step 5. A full board ends the search; otherwise enter the next cell.
        if constexpr (POSITION + 1 == SEARCH_CELLS) {
            return Flow::Solved;
        } else {
            Flow flow;
            if (CLIMB && POSITION + 1 < s.filled) {
                flow = enter<POSITION + 1, true>(s, entry->colours[bottom_first::RIGHT]);
            } else {
                if constexpr (CLIMB) s.filled = 0;  // the cells after are entered afresh
                flow = enter<POSITION + 1>(s, entry->colours[bottom_first::RIGHT]);
            }
            if (flow != Flow::Back) return flow;
        }
        // Step 6. Take back: the piece is free again and the walk goes on. The
        // entry is read back from the stack rather than kept across the call: the
        // eight inlined cells then spill no entry or piece of their own, 47.4 ->
        // 41.4 instructions and 6.1 -> 4.5 stores a placement (0.98x-1.03x on time).
        entry = s.stack[POSITION];
        s.used[entry->piece] = 0;
        piece = (++entry)->piece;
    }
}

}  // namespace

SearchEnd runSearch(BruteSolver& solver, std::ostream& out) {
    if (solver.filled >= SEARCH_CELLS) return SearchEnd::Solved;

    // Step 0. Take the chains as they stand and find the entries of the cells filled.
    PlacesOfRecords placeOfRecord{};
    flattenChains(solver, placeOfRecord);
    for (int p = 0; p < solver.filled; ++p) {
        const int table = CELL_KEYS[p].chainBase / FLAT_TABLE_HEADS;
        const auto number = static_cast<std::size_t>(solver.placed[cellOfPosition(p)] - solver.records.data());
        solver.stack[p] = &solver.flatEntries[placeOfRecord[table][number]];
    }
    if (solver.filled > DEEP_POSITION) {
        // The deep copy as the cell at DEEP_POSITION left it, and the entries of
        // the cells from there on in it.
        std::array<std::uint8_t, PIECE_COUNT + 1> before{};
        for (int p = 0; p < DEEP_POSITION; ++p) before[solver.stack[p]->piece] = 1;
        std::array<std::uint16_t, FLAT_ENTRIES> placeInDeep{};
        compactChains(solver, before, &placeInDeep);
        for (int p = DEEP_POSITION; p < solver.filled; ++p)
            solver.stack[p] = &solver.deepEntries[placeInDeep[solver.stack[p] - solver.flatEntries.data()]];
    }

    // Step 1. The steps count placements only down the countdown: while they run,
    // the placements made are solver.placements - solver.countdown, kept so by
    // every report adding the countdown it starts.
    solver.reportOut = &out;
    solver.placements += static_cast<std::uint64_t>(solver.countdown);
    const Flow flow = solver.filled > 0 ? enter<0, true>(solver, BORDER_COLOUR) : enter<0>(solver, BORDER_COLOUR);
    solver.placements -= static_cast<std::uint64_t>(solver.countdown);
    solver.reportOut = nullptr;

    SearchEnd end = SearchEnd::Exhausted;
    int position = 0;
    if (flow == Flow::Solved) {
        end = SearchEnd::Solved;
        position = SEARCH_CELLS;
    } else if (flow == Flow::Stopped) {
        end = SearchEnd::Stopped;
        position = positionOfCell(solver.level - 1) + 1;
    }
    syncPlaced(solver, position);
    solver.filled = position;
    return end;
}

}  // namespace zentara::brute
