// Start-up of the block-set solver: the records from the piece table, the sets
// (a fixed record order that the orientation assignment walks) and the table of
// corner permutations.
#pragma once

#include "blockset/block_state.hpp"

namespace zentara::blockset {

namespace detail {

// Rewrites both copies of the colours after turning the base orientation by
// `clockwise` quarter turns: new colours[i] = old colours[i + clockwise].
inline void turnRecord(BlockRecord& r, int clockwise) {
    std::array<Colour, 4> turned{};
    for (int i = 0; i < 4; ++i) turned[i] = r.colours[(i + clockwise) & 3];
    for (int i = 0; i < 8; ++i) r.colours[i] = turned[i & 3];
    r.baseRotation = static_cast<std::uint8_t>((r.baseRotation + clockwise) & 3);
}

inline int countColour(const BlockRecord& r, Colour k) {
    int n = 0;
    for (int i = 0; i < 4; ++i) n += r.colours[i] == k;
    return n;
}

// Anticlockwise quarter turns that bring an inner piece into the standard position
// of the odd set of k (k at the bottom; with three k, the top is the odd one), or
// -1 when the piece is not in that set.
inline int oddSetTurn(const BlockRecord& r, Colour k) {
    const int n = countColour(r, k);
    for (int i = 0; i < 4; ++i) {
        if (n == 1 && r.colours[i] == k) return (4 - i) & 3;  // k at i comes to the bottom
        if (n == 3 && r.colours[i] != k) return (2 - i) & 3;  // the other side comes to the top
    }
    return -1;
}

// The same for the pair set of k (k on two adjacent sides, turned to bottom and left).
inline int pairSetTurn(const BlockRecord& r, Colour k) {
    if (countColour(r, k) != 2) return -1;
    for (int i = 0; i < 4; ++i)
        if (r.colours[i] == k && r.colours[(i + 1) & 3] == k) return (3 - i) & 3;  // i comes to the left
    return -1;  // two opposite sides
}

// Moves every record from `position` on that `qualifies` accepts (after `prepare`)
// up to `position`, in the order they are met, and returns the set. Records passed
// over may move behind; members keep their relative order.
template <class P, class Qualifies, class Prepare>
BlockSet gatherSet(BlockSolver<P>& s, int& position, Qualifies qualifies, Prepare prepare) {
    BlockSet set{static_cast<RecordIndex>(position), 0};
    for (int scan = position; scan < P::PIECES; ++scan) {
        BlockRecord& r = s.records[scan];
        if (r.isHint() || !qualifies(r)) continue;
        prepare(r);
        std::swap(r, s.records[position]);
        ++position;
        ++set.count;
    }
    return set;
}

}  // namespace detail

template <class P>
void buildRecords(BlockSolver<P>& s) {
    using namespace bottom_first;
    for (int p = 0; p < P::PIECES; ++p) {
        const PieceEntry& t = P::TABLE[p];
        auto working = [](Colour c) -> Colour {
            if constexpr (P::RENUMBER_COLOURS) {
                for (int w = 0; w < P::COLOURS; ++w)
                    if (P::COLOUR_ORDER[w] == c) return static_cast<Colour>(w);
            }
            return c;
        };
        BlockRecord& r = s.records[p];
        r = BlockRecord{};
        const Colour base[4] = {working(t[BOTTOM]), working(t[RIGHT]), working(t[TOP]), working(t[LEFT])};
        for (int i = 0; i < 8; ++i) r.colours[i] = base[i & 3];
        r.pieceIndex = static_cast<std::uint8_t>(p);
        r.next = NO_RECORD;
        if constexpr (P::HAS_HINT) {
            if (p == HINT_PIECE) {
                r.flags = FLAG_HINT;
                detail::turnRecord(r, HINT_ROTATION);
            }
        } else {
            // The small tables hold their pieces in no common orientation: turn corners
            // to border at bottom and left, edge pieces to border at the bottom.
            const int borders = pieceClass(t);
            for (int b = 0; b < 4 && borders > 0; ++b) {
                const bool fits = r.colours[b] == BORDER_COLOUR &&
                                  (borders == 1 || r.colours[(b + 3) & 3] == BORDER_COLOUR);
                if (fits) {
                    detail::turnRecord(r, b);
                    break;
                }
            }
        }
    }
}

template <class P>
void buildSets(BlockSolver<P>& s) {
    auto keep = [](BlockRecord&) {};
    int position = 0;
    if constexpr (!P::HAS_HINT) {
        s.cornerSet = detail::gatherSet(s, position, [](const BlockRecord& r) {
            return r.colours[SIDE_LEFT] == BORDER_COLOUR;
        }, keep);
    } else {
        s.cornerSet = BlockSet{0, 4};
        position = 4;
    }
    for (int c = 1; c <= P::LAST_RIM_COLOUR; ++c) {
        const auto left = [c](const BlockRecord& r) { return r.colours[SIDE_LEFT] == c && r.colours[SIDE_RIGHT] != c; };
        const auto right = [c](const BlockRecord& r) { return r.colours[SIDE_RIGHT] == c && r.colours[SIDE_LEFT] != c; };
        const auto both = [c](const BlockRecord& r) { return r.colours[SIDE_LEFT] == c && r.colours[SIDE_RIGHT] == c; };
        s.leftSet[c] = detail::gatherSet(s, position, left, keep);
        s.rightSet[c] = detail::gatherSet(s, position, right, keep);
        s.doubleSet[c] = detail::gatherSet(s, position, both, keep);
    }
    for (int k = P::FIRST_INNER_COLOUR; k <= P::LAST_INNER_COLOUR; ++k) {
        const Colour colour = static_cast<Colour>(k);
        s.oddSet[k] = detail::gatherSet(
            s, position, [colour](const BlockRecord& r) { return detail::oddSetTurn(r, colour) >= 0; },
            [colour](BlockRecord& r) { detail::turnRecord(r, (4 - detail::oddSetTurn(r, colour)) & 3); });
        s.pairSet[k] = detail::gatherSet(
            s, position, [colour](const BlockRecord& r) { return detail::pairSetTurn(r, colour) >= 0; },
            [colour](BlockRecord& r) { detail::turnRecord(r, (4 - detail::pairSetTurn(r, colour)) & 3); });
    }
    // The cross set: pieces with both pairs of opposite sides equal, which no set of
    // a colour takes (their colours stand on opposite sides). Often empty on 16 x 16.
    s.crossSet = detail::gatherSet(s, position, [](const BlockRecord& r) {
        return r.colours[0] == r.colours[2] && r.colours[1] == r.colours[3];
    }, keep);
    s.hintRecord = NO_RECORD;
    for (int i = 0; i < P::PIECES; ++i)
        if (s.records[i].isHint()) s.hintRecord = static_cast<RecordIndex>(i);
}

template <class P>
void buildPermutations(BlockSolver<P>& s) {
    int row = 0;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                for (int l = 0; l < 4; ++l)
                    if (i != j && i != k && i != l && j != k && j != l && k != l)
                        s.permutations[row++] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(j),
                                                 static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(l)};
}

}  // namespace zentara::blockset
