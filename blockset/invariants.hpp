// Recounts of what a variant keeps incrementally, made once per variant in builds
// with invariant checks: the balance rows against the rotations the records were
// given, the walk's lists restored after a failed placement search, and every full
// board through the independent board checker.
#pragma once

#include <vector>

#include "blockset/block_state.hpp"
#include "blockset/placement.hpp"
#include "core/board_check.hpp"
#include "core/checks.hpp"

namespace zentara::blockset {

template <class P>
constexpr PuzzleKind PUZZLE_KIND = P::CELLS == 256 ? PuzzleKind::Board16x16
                                   : P::CELLS == 72 ? PuzzleKind::Board6x12
                                                    : PuzzleKind::Board6x6;

// After an orientation assignment: the balance rows, counted again from the
// rotations alone, are the ones the assignment kept; every rim colour is balanced
// on every rim side and every inner colour faces down as often as up and left as
// often as right (what every solved board shows).
template <class P>
void checkOrientation(const BlockSolver<P>& s) {
    std::array<std::array<int, 4>, P::COLOURS> recount{};
    auto inner = [&](const BlockRecord& r) {
        for (int d = 0; d < 4; ++d) ++recount[r.colours[(r.rotation - d) & 3]][d];
    };
    for (int i = 0; i < 4; ++i) {  // corners: the rotation is the rim side
        const BlockRecord& r = s.records[i];
        --recount[r.colours[SIDE_RIGHT]][r.rotation];
        ++recount[r.colours[SIDE_TOP]][(r.rotation + 1) & 3];
    }
    for (int i = 4; i < P::RIM_RECORDS; ++i) {  // edges: left and right along the side, top inwards
        const BlockRecord& r = s.records[i];
        --recount[r.colours[SIDE_RIGHT]][r.rotation];
        ++recount[r.colours[SIDE_LEFT]][r.rotation];
        ++recount[r.colours[SIDE_TOP]][(r.rotation + 2) & 3];
    }
    for (int k = P::FIRST_INNER_COLOUR; k <= P::LAST_INNER_COLOUR; ++k)
        for (const BlockSet& set : {s.pairSet[k], s.oddSet[k]})
            for (int i = 0; i < set.count; ++i) inner(s.records[set.first + i]);
    if constexpr (P::HAS_HINT) inner(s.records[s.hintRecord]);
    for (int c = 0; c < P::COLOURS; ++c)
        for (int d = 0; d < 4; ++d) ZENTARA_CHECK(s.balance[c].entry[d] == recount[c][d]);
    for (int c = 1; c <= P::LAST_RIM_COLOUR; ++c)
        for (int d = 0; d < 4; ++d) ZENTARA_CHECK(recount[c][d] == 0);
    for (int c = P::FIRST_INNER_COLOUR; c <= P::LAST_INNER_COLOUR; ++c) {
        ZENTARA_CHECK(recount[c][0] == recount[c][2]);
        ZENTARA_CHECK(recount[c][1] == recount[c][3]);
    }
}

// After a placement search. A full board is one the board checker calls complete.
// After a failed one, every list is as linkSearchLists made it: the same records
// in the order of buildCandidateLists, linked both ways, closed by its own node.
template <class P>
void checkPlacement(const BlockSolver<P>& s, bool full) {
    if (full) {
        std::vector<PlacedCell> cells(P::CELLS);
        for (int i = 0; i < P::CELLS; ++i) {
            ZENTARA_CHECK(s.board[i].record != NO_RECORD);
            const BlockRecord& r = s.records[s.board[i].record];
            for (int side = 0; side < 4; ++side) ZENTARA_CHECK(s.board[i].colours[side] == r.shows(side));
            cells[i] = PlacedCell{static_cast<std::int16_t>(r.pieceIndex), static_cast<std::uint8_t>(r.fileRotation())};
        }
        ZENTARA_CHECK(checkCells(PUZZLE_KIND<P>, cells).complete());
        return;
    }
    int linked = 0;
    for (int table = 0; table < 4; ++table)
        for (int key = 0; key < BlockSolver<P>::HEADS; ++key) {
            const int node = listNode<P>(table, key);
            int at = node;
            for (RecordIndex r = s.heads[table][key]; r != NO_RECORD; r = s.records[r].next, ++linked) {
                ZENTARA_CHECK(s.listNext[at] == r && s.listPrevious[r] == at);
                at = r;
            }
            ZENTARA_CHECK(s.listNext[at] == node && s.listPrevious[node] == at);
        }
    ZENTARA_CHECK(linked == (P::HAS_HINT ? P::PIECES - 1 : P::PIECES));
}

}  // namespace zentara::blockset
