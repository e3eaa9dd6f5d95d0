// The first half of a variant: one fixed rotation for every piece, drawn at random
// under the colour balances that every solved board satisfies. Along each rim side
// every rim colour must face forwards as often as backwards; for every inner colour
// as many sides must face down as up and left as right.
#pragma once

#include <algorithm>

#include "blockset/block_state.hpp"

namespace zentara::blockset {

namespace detail {

// Two random bits. A word whose remaining bits shifted right by two would be 0 is
// spent: a new one is drawn first (the last pair of a word is never used).
template <class P>
unsigned nextTwoBits(BlockSolver<P>& s) {
    while ((s.word >> 2) == 0) s.word = s.draw();
    const unsigned bits = s.word & 3u;
    s.word >>= 2;
    return bits;
}

// Two bits of a word drawn once for the whole group; no new word when it runs out.
inline unsigned takeFromGroupWord(std::uint32_t& word) {
    const unsigned bits = word & 3u;
    word >>= 2;
    return bits;
}

// Every side of the record as it lies adds one to its colour's count for the
// direction it faces (base side r faces direction rotation - r).
template <class P>
void addSides(BlockSolver<P>& s, const BlockRecord& r) {
    const int q = r.rotation;
    for (int d = 0; d < 4; ++d) ++s.balance[r.colours[(q - d) & 3]].entry[d];
}

}  // namespace detail

// Full restart: empty balances, the rim room of the board, the hint piece's sides
// and a random permutation of the corners.
template <class P>
void fullRestart(BlockSolver<P>& s) {
    for (BalanceRow& row : s.balance) row.entry = {0, 0, 0, 0};
    s.sideRoom = P::SIDE_ROOM;
    if constexpr (P::HAS_HINT) detail::addSides(s, s.records[s.hintRecord]);
    const auto& permutation = s.permutations[s.draw() % 24];
    for (int j = 0; j < 4; ++j) {
        BlockRecord& corner = s.records[j];
        const int side = permutation[j];
        corner.rotation = static_cast<std::uint8_t>(side);
        --s.balance[corner.colours[SIDE_RIGHT]].entry[side];
        ++s.balance[corner.colours[SIDE_TOP]].entry[(side + 1) & 3];
    }
}

namespace detail {

// Spreads D left/right pairs over the sides, at most room[s] on side s.
template <class P>
std::array<int, 4> spreadPairs(BlockSolver<P>& s, int pairs, const std::array<int, 4>& room) {
    std::array<int, 4> x{};
    for (;;) {
        std::uint32_t value = s.draw();
        int rest = pairs;
        if constexpr (P::SPREAD_BOTTOM_LEFT_FIRST) {
            // A share g for bottom and left together: the bottom takes a random part of
            // it, the left what it has room for of the remainder.
            const int share = static_cast<int>(value % static_cast<std::uint32_t>(pairs + 1));
            value /= static_cast<std::uint32_t>(pairs + 1);
            const auto divisor0 = static_cast<std::uint32_t>(std::min(room[0], share) + 1);
            x[0] = static_cast<int>(value % divisor0);
            value /= divisor0;
            x[1] = std::min(room[1], share - x[0]);
            rest = pairs - x[0] - x[1];
        } else {
            const auto divisor0 = static_cast<std::uint32_t>(std::min(room[0], rest) + 1);
            x[0] = static_cast<int>(value % divisor0);
            value /= divisor0;
            rest -= x[0];
            const auto divisor1 = static_cast<std::uint32_t>(std::min(room[1], rest) + 1);
            x[1] = static_cast<int>(value % divisor1);
            value /= divisor1;
            rest -= x[1];
        }
        x[2] = static_cast<int>(value % static_cast<std::uint32_t>(std::min(room[2], rest) + 1));
        rest -= x[2];
        if (rest <= room[3]) {
            x[3] = rest;
            return x;
        }
    }
}

// Hands out the members of one rim set: each takes a random side that still has
// quota, and its sides are counted in the balances by `count`.
template <class P, class Count>
void assignRimSet(BlockSolver<P>& s, const BlockSet& set, std::array<int, 4>& quota, Count count) {
    for (int i = 0; i < set.count; ++i) {
        BlockRecord& r = s.records[set.first + i];
        unsigned side = nextTwoBits(s);
        while (quota[side] == 0) side = (side + 1) & 3u;
        --quota[side];
        r.rotation = static_cast<std::uint8_t>(side);
        count(r, static_cast<int>(side));
    }
}

}  // namespace detail

// Gives every edge piece a side and a rotation, colour by colour, so that each rim
// colour is balanced on each side. False when the draw cannot be completed (full
// restart).
template <class P>
bool assignRim(BlockSolver<P>& s) {
    for (int c = 1; c <= P::LAST_RIM_COLOUR; ++c) {
        // Step 1. Deficits per side and the room left for pairs.
        std::array<int, 4> N{}, Pos{}, H{};
        for (int side = 0; side < 4; ++side) {
            const int t = s.balance[c].entry[side];
            N[side] = std::max(-t, 0);
            Pos[side] = std::max(t, 0);
            const int free = s.sideRoom[side] - Pos[side] - N[side];
            if (free < 0) return false;
            H[side] = free / 2;
        }
        // Step 2. Pairs of one left-set and one right-set piece that may go on any side.
        const int pairs = s.leftSet[c].count - (N[0] + N[1] + N[2] + N[3]);
        if (pairs < 0) return false;
        if (s.rightSet[c].count - (Pos[0] + Pos[1] + Pos[2] + Pos[3]) != pairs) return false;
        if (pairs > H[0] + H[1] + H[2] + H[3]) return false;
        // Step 3. Spread the pairs.
        const std::array<int, 4> x = detail::spreadPairs(s, pairs, H);
        // Step 4. Quotas.
        std::array<int, 4> leftQuota{}, rightQuota{}, room{};
        for (int side = 0; side < 4; ++side) {
            leftQuota[side] = N[side] + x[side];
            rightQuota[side] = Pos[side] + x[side];
            s.sideRoom[side] = static_cast<std::uint8_t>(s.sideRoom[side] - leftQuota[side] - rightQuota[side]);
        }
        // Step 5. Left set: the base left (colour c) counts +1, the base right -1.
        if (s.leftSet[c].count > 0) s.word = s.draw();
        detail::assignRimSet(s, s.leftSet[c], leftQuota, [&](const BlockRecord& r, int side) {
            --s.balance[r.colours[SIDE_RIGHT]].entry[side];
            ++s.balance[c].entry[side];
            ++s.balance[r.colours[SIDE_TOP]].entry[(side + 2) & 3];
        });
        // Step 6. Right set (continues with the same word).
        detail::assignRimSet(s, s.rightSet[c], rightQuota, [&](const BlockRecord& r, int side) {
            --s.balance[c].entry[side];
            ++s.balance[r.colours[SIDE_LEFT]].entry[side];
            ++s.balance[r.colours[SIDE_TOP]].entry[(side + 2) & 3];
        });
        // Step 7. Double set: fills the room that is left.
        for (int side = 0; side < 4; ++side) room[side] = s.sideRoom[side];
        detail::assignRimSet(s, s.doubleSet[c], room, [&](const BlockRecord& r, int side) {
            ++s.balance[r.colours[SIDE_TOP]].entry[(side + 2) & 3];
        });
        for (int side = 0; side < 4; ++side) s.sideRoom[side] = static_cast<std::uint8_t>(room[side]);
        // Step 8. Every side must still be able to close the colours not yet placed.
        if (c < P::LAST_RIM_COLOUR) {
            for (int side = 0; side < 4; ++side) {
                int forwards = 0, backwards = 0;
                for (int row = 1; row <= P::LAST_RIM_COLOUR; ++row) {
                    const int e = s.balance[row].entry[side];
                    if (e > 0) forwards += e;
                    else backwards -= e;
                }
                if (forwards > s.sideRoom[side] || backwards > s.sideRoom[side]) return false;
            }
        }
    }
    return true;
}

// Whether every rim side can be laid as one matching chain from the corner that
// begins it, with the pieces the rim assignment gave it. The chains are not kept.
template <class P>
bool rimChainsClose(BlockSolver<P>& s) {
    constexpr int FIRST_EDGE = 4;
    for (int i = 0; i < P::RIM_RECORDS; ++i) s.records[i].flags &= static_cast<std::uint8_t>(~FLAG_IN_USE);
    std::array<int, 32> chain{};
    int endColour = -1;
    for (int side = 3; side >= 0; --side) {
        // The corner that begins the side; after the first side it must take up the
        // colour where the side before ended.
        int corner = -1;
        for (int i = 0; i < P::RIM_RECORDS; ++i)
            if (s.records[i].rotation == side && s.records[i].colours[SIDE_LEFT] == BORDER_COLOUR) {
                corner = i;
                break;
            }
        if (corner < 0) return false;
        if (side != 3 && s.records[corner].colours[SIDE_TOP] != endColour) return false;
        s.records[corner].flags |= FLAG_IN_USE;
        chain[0] = corner;
        int length = 1;
        int colour = s.records[corner].colours[SIDE_RIGHT];
        int scan = FIRST_EDGE;
        const int wanted = sideLength<P>(side) + 1;
        while (length < wanted) {
            int found = -1;
            for (int i = scan; i < P::RIM_RECORDS; ++i) {
                const BlockRecord& r = s.records[i];
                if (!r.inUse() && r.rotation == side && r.colours[SIDE_LEFT] == colour) {
                    found = i;
                    break;
                }
            }
            if (found >= 0) {
                s.records[found].flags |= FLAG_IN_USE;
                chain[length++] = found;
                colour = s.records[found].colours[SIDE_RIGHT];
                scan = FIRST_EDGE;
            } else {
                if (length == 1) return false;  // only the corner left: no chain
                const int last = chain[--length];
                s.records[last].flags &= static_cast<std::uint8_t>(~FLAG_IN_USE);
                colour = s.records[last].colours[SIDE_LEFT];
                scan = last + 1;
            }
        }
        endColour = colour;
    }
    // The bottom-right corner (rotation 3) closes the bottom row.
    for (int i = 0; i < 4; ++i)
        if (s.records[i].rotation == 3) return s.records[i].colours[SIDE_TOP] == endColour;
    return false;
}

namespace detail {

// The direction that moves row m towards balance, vertical axis first or
// horizontal axis first; -1 when the row is balanced.
inline int towardsBalance(const BalanceRow& row, bool verticalFirst) {
    const auto& e = row.entry;
    const int vertical = e[0] < e[2] ? 0 : e[0] > e[2] ? 2 : -1;
    const int horizontal = e[1] < e[3] ? 1 : e[1] > e[3] ? 3 : -1;
    if (verticalFirst) return vertical >= 0 ? vertical : horizontal;
    return horizontal >= 0 ? horizontal : vertical;
}

// The rotation of one odd-set member of colour k: where the quotas allow, turned
// so that one of its other, not yet balanced colours moves towards balance. The
// word is a local of the caller, so that the byte stores into the balance rows
// need not be assumed to change it.
inline unsigned chooseOddRotation(BlockRandom& random, std::uint32_t& word, const BalanceRow* balance,
                                  const BlockRecord& r, int k, const std::array<int, 4>& Q) {
    // Two bits, or false (with a new word drawn) when the word has run out: the
    // member's choice then starts again with attempt 1.
    auto twoBits = [&](unsigned& bits) {
        if ((word >> 2) == 0) {
            word = random.next();
            return false;
        }
        bits = word & 3u;
        word >>= 2;
        return true;
    };
    for (;;) {
        unsigned bits = 0;
        int q = -1;
        bool ranOut = false;
        // Attempts 1 and 2: a random side r and its colour's vertical balance first.
        for (int attempt = 0; attempt < 2 && q < 0; ++attempt) {
            if (!twoBits(bits)) {
                ranOut = true;
                break;
            }
            const Colour m = r.colours[bits];
            if (m <= k) continue;
            const int d = towardsBalance(balance[m], true);
            if (d >= 0) q = static_cast<int>((bits + static_cast<unsigned>(d)) & 3u);
        }
        if (ranOut) continue;
        if (q >= 0) {
            if (Q[q] > 0) return static_cast<unsigned>(q);
            // Attempt 3: horizontal balance first, then the next direction with quota.
            if (!twoBits(bits)) continue;
            const Colour m = r.colours[bits];
            const int d = m > k ? towardsBalance(balance[m], false) : -1;
            if (d >= 0) {
                unsigned turn = (bits + static_cast<unsigned>(d)) & 3u;
                while (Q[turn] == 0) turn = (turn + 1) & 3u;
                return turn;
            }
        }
        // Fallback: a random direction, or the next one with quota.
        if (!twoBits(bits)) continue;
        while (Q[bits] == 0) bits = (bits + 1) & 3u;
        return bits;
    }
}

}  // namespace detail

// One attempt at the inner rotations, colour by colour. False when an odd set
// cannot balance its colour (the attempt counts against the retry budget).
template <class P>
bool assignInner(BlockSolver<P>& s) {
    for (int k = P::FIRST_INNER_COLOUR; k <= P::LAST_INNER_COLOUR; ++k) {
        // Step 1. Pair set: random rotations from one word.
        const BlockSet pairs = s.pairSet[k];
        if (pairs.count > 0) {
            s.word = s.draw();
            for (int i = 0; i < pairs.count; ++i) {
                BlockRecord& r = s.records[pairs.first + i];
                r.rotation = static_cast<std::uint8_t>(detail::takeFromGroupWord(s.word));
                detail::addSides(s, r);
            }
        }
        // Step 2. Quotas: how many odd-set members face their k side each way.
        const auto& t = s.balance[k].entry;
        std::array<int, 4> Q{std::max(t[2] - t[0], 0), std::max(t[3] - t[1], 0), std::max(t[0] - t[2], 0),
                             std::max(t[1] - t[3], 0)};
        const BlockSet odd = s.oddSet[k];
        const int rest = odd.count - Q[0] - Q[1] - Q[2] - Q[3];
        if (rest < 0 || (rest & 1) != 0) return false;
        const int half = rest / 2;
        const int y = static_cast<int>(s.draw() % static_cast<std::uint32_t>(half + 1));
        Q[1] += y;
        Q[3] += y;
        Q[0] += half - y;
        Q[2] += half - y;
        // Step 3. Odd set.
        if (odd.count > 0) s.word = s.draw();
        std::uint32_t word = s.word;
        for (int i = 0; i < odd.count; ++i) {
            BlockRecord& r = s.records[odd.first + i];
            const unsigned q = detail::chooseOddRotation(s.random, word, s.balance.data(), r, k, Q);
            --Q[q];
            r.rotation = static_cast<std::uint8_t>(q);
            detail::addSides(s, r);
        }
        s.word = word;
    }
    if (s.crossSet.count > 0) {
        // Each cross piece shows its colours in opposite pairs: any rotation keeps the
        // balances, so they are not counted. No word for an empty set, so that a set
        // without cross pieces draws exactly what it drew before they were taken.
        s.word = s.draw();
        for (int i = 0; i < s.crossSet.count; ++i)
            s.records[s.crossSet.first + i].rotation = static_cast<std::uint8_t>(detail::takeFromGroupWord(s.word));
    }
    return true;
}

}  // namespace zentara::blockset
