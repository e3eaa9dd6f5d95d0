// The search: a linked-list walk per cell with the board as the only stack.
#include <cstring>

#include "brute/brute_solver.hpp"
#include "brute/cell_keys.hpp"

namespace zentara::brute {

namespace {

// previousRight: the right colour of the record on the cell before in row order.
inline LinkedPiece* firstOfChain(LinkedPiece* const* heads, const Colour* copies, const CellKey& key,
                                 Colour previousRight) {
    const int left = (previousRight & key.leftKeep) | key.leftConstant;
    return heads[key.chainBase + left + 256 * copies[key.topByte]];
}

}  // namespace

SearchEnd runSearch(BruteSolver& solver, std::ostream& out) {
    if (solver.filled >= SEARCH_CELLS) return SearchEnd::Solved;

    // The hot state lives in locals; the record sees it at reports, best files and the end.
    LinkedPiece* const* const heads = solver.chainHeads.data();
    Colour* const copies = solver.colourCopies.data();
    const LinkedPiece** const placed = solver.placed.data();
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
    const LinkedPiece* record = firstOfChain(heads, copies, CELL_KEYS[position], rightOfPrevious);
    for (;;) {
        const CellKey& key = CELL_KEYS[position];
        // Step 2. Pass over records whose piece is on the board; next to the hint
        // also those that do not meet it. Only two cells filter, so the test of
        // the filter stays out of the walk of all the others.
        if (key.filterSide == NO_FILTER) {
            while (record != nullptr && used[record->piece]) record = record->next;
        } else {
            while (record != nullptr &&
                   (used[record->piece] || record->colours[key.filterSide] != key.filterColour))
                record = record->next;
        }

        // Step 3. An exhausted cell sends the search back; on cell 0 it ends.
        if (record == nullptr) {
            if (position == 0) break;
            --position;
            const int cell = CELL_KEYS[position].cell;
            record = placed[cell];
            placed[cell] = nullptr;
            used[record->piece] = 0;
            record = record->next;
            continue;
        }

        // Step 4. Place the record and copy its colours for the keys of later cells.
        const int cell = key.cell;
        used[record->piece] = 1;
        placed[cell] = record;
        std::memcpy(copies + 4 * cell, record->colours.data(), 4);
        ++placements;
        level = cell + 1;
        if (level > bestLevel) {
            bestLevel = level;
            solver.level = level;
            solver.bestLevel = level;
            saveBoard(solver, true);
        }
        ++position;
        if (--countdown == 0) {
            solver.level = level;
            reportProgress(solver, out);
            countdown = solver.placementsPerReport;
            if (solver.reportLimit != 0 && solver.reports >= solver.reportLimit && position < SEARCH_CELLS) {
                end = SearchEnd::Stopped;
                break;
            }
        }

        // Step 5. A full board ends the search; otherwise enter the next cell.
        if (position == SEARCH_CELLS) {
            end = SearchEnd::Solved;
            break;
        }
        record = firstOfChain(heads, copies, CELL_KEYS[position], record->colours[bottom_first::RIGHT]);
    }

    solver.filled = position;
    solver.level = level;
    solver.countdown = countdown;
    solver.placements += placements;
    return end;
}

}  // namespace zentara::brute
