// The search: a walk of flat chains per cell with the board as the only stack.
#include <cstring>

#include "brute/brute_solver.hpp"
#include "brute/cell_keys.hpp"

namespace zentara::brute {

namespace {

inline constexpr int COLOUR_VALUES = 23;  // border + 22 colours

// Copies every linked chain, in its order, into the flat entries; returns the
// place of each record in them (unused for the hint's records).
void flattenChains(BruteSolver& solver, std::array<std::uint16_t, ORIENTED_COUNT>& placeOfRecord) {
    solver.flatEntries[0] = FlatEntry{};  // the terminator every empty chain starts at
    solver.flatHeads.fill(FlatHead{});
    int next = 1;
    for (int table = 0; table < CHAIN_TABLES; ++table)
        for (int top = 0; top < COLOUR_VALUES; ++top)
            for (int left = 0; left < COLOUR_VALUES; ++left) {
                const LinkedPiece* record = solver.chainHeads[table * CHAIN_HEADS + chainIndex(left, top)];
                if (record == nullptr) continue;
                solver.flatHeads[flatHeadIndex(table, static_cast<Colour>(left), static_cast<Colour>(top))] =
                    FlatHead{static_cast<std::uint16_t>(next), record->piece};
                for (; record != nullptr; record = record->next) {
                    const auto number = static_cast<std::uint16_t>(record - solver.records.data());
                    placeOfRecord[number] = static_cast<std::uint16_t>(next);
                    solver.flatEntries[next++] = FlatEntry{record->colours, record->piece, number};
                }
                solver.flatEntries[next++] = FlatEntry{};
            }
}

// Brings the board's record references up to the entries of the stack: the
// loop keeps only the stack, the files and the caller read the references.
void syncPlaced(BruteSolver& solver, int position) {
    for (int p = 0; p < SEARCH_CELLS; ++p)
        solver.placed[cellOfPosition(p)] = p < position ? &solver.records[solver.stack[p]->record] : nullptr;
}

// previousRight: the right colour of the record on the cell before in row order.
inline FlatHead headOfCell(const FlatHead* heads, const Colour* copies, const CellKey& key, Colour previousRight) {
    const int left = (previousRight & key.leftKeep) | key.leftConstant;
    return heads[key.chainBase + left + 32 * copies[key.topByte]];
}

}  // namespace

SearchEnd runSearch(BruteSolver& solver, std::ostream& out) {
    if (solver.filled >= SEARCH_CELLS) return SearchEnd::Solved;

    // Step 0. Take the chains as they stand and find the entries of the cells filled.
    std::array<std::uint16_t, ORIENTED_COUNT> placeOfRecord{};
    flattenChains(solver, placeOfRecord);
    for (int p = 0; p < solver.filled; ++p)
        solver.stack[p] = &solver.flatEntries[placeOfRecord[solver.placed[cellOfPosition(p)] - solver.records.data()]];

    // The hot state lives in locals; the record sees it at reports, best files and the end.
    const FlatEntry* const entries = solver.flatEntries.data();
    const FlatHead* const heads = solver.flatHeads.data();
    Colour* const copies = solver.colourCopies.data();
    const FlatEntry** const stack = solver.stack.data();
    std::uint8_t* const used = solver.used.data();
    int position = solver.filled;
    int level = solver.level;
    int bestLevel = solver.bestLevel;
    int countdown = solver.countdown;
    std::uint64_t placements = 0;
    SearchEnd end = SearchEnd::Exhausted;

    // Step 1. Enter the first empty cell: its candidate is the first of its chain.
    const int firstCell = CELL_KEYS[position].cell;
    const Colour rightOfPrevious = firstCell == 0 ? BORDER_COLOUR : copies[4 * (firstCell - 1) + bottom_first::RIGHT];
    FlatHead head = headOfCell(heads, copies, CELL_KEYS[position], rightOfPrevious);
    const FlatEntry* entry = entries + head.first;
    int piece = head.piece;
    for (;;) {
        const CellKey& key = CELL_KEYS[position];
        // Step 2. Pass over entries whose piece is on the board; next to the hint
        // also those that do not meet it. Only two cells filter, so the test of
        // the filter stays out of the walk of all the others. A terminator's
        // piece is never used, so the plain walk stops there by itself.
        if (key.filterSide == NO_FILTER) {
            // An empty chain is known from the head alone, before the load of the used
            // byte (1.24x against 1.20x the baseline, six runs of 100,000,000 placements).
            if (piece != END_OF_CHAIN)
                while (used[piece]) piece = (++entry)->piece;
        } else {
            while (piece != END_OF_CHAIN && (used[piece] || entry->colours[key.filterSide] != key.filterColour))
                piece = (++entry)->piece;
        }

        // Step 3. An exhausted cell sends the search back; on cell 0 it ends.
        if (piece == END_OF_CHAIN) {
            if (position == 0) break;
            --position;
            entry = stack[position];
            used[entry->piece] = 0;
            piece = (++entry)->piece;
            continue;
        }

        // Step 4. Place the entry and copy its colours for the keys of later cells.
        const int cell = key.cell;
        used[piece] = 1;
        stack[position] = entry;
        std::memcpy(copies + 4 * cell, entry->colours.data(), 4);
        ++placements;
        level = cell + 1;
        ++position;
        if (level > bestLevel) {
            bestLevel = level;
            solver.level = level;
            solver.bestLevel = level;
            syncPlaced(solver, position);
            saveBoard(solver, true);
        }
        if (--countdown == 0) {
            solver.level = level;
            syncPlaced(solver, position);
            reportProgress(solver, out);
            countdown = static_cast<int>(orOwn<std::uint32_t>(solver.limits.workPerReport, PLACEMENTS_PER_REPORT));
            if (solver.limits.reports != 0 && solver.reports >= solver.limits.reports && position < SEARCH_CELLS) {
                end = SearchEnd::Stopped;
                break;
            }
        }

        // Step 5. A full board ends the search; otherwise enter the next cell.
        if (position == SEARCH_CELLS) {
            end = SearchEnd::Solved;
            break;
        }
        head = headOfCell(heads, copies, CELL_KEYS[position], entry->colours[bottom_first::RIGHT]);
        entry = entries + head.first;
        piece = head.piece;
    }

    syncPlaced(solver, position);
    solver.filled = position;
    solver.level = level;
    solver.countdown = countdown;
    solver.placements += placements;
    return end;
}

}  // namespace zentara::brute
