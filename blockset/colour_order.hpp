// The working colour order of the 16 x 16 puzzle, measured: how often the
// program's own inner assignment balances every colour under an order, and the
// search that make-puzzles runs to derive the order for a piece set.
//
// Why the order matters so much: an inner colour is balanced by its odd set, whose
// members can face their colour any way the quotas ask. A colour that comes after
// every piece showing it once or thrice has been taken by earlier colours has no
// odd set, and its row must happen to be balanced already; with a few such colours
// only one assignment in millions balances. Only the last colour is always
// balanced without a set of its own: every direction holds as many sides as the
// others do, so when all other rows balance, so does the last.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "blockset/block_sets.hpp"
#include "blockset/orientation.hpp"

namespace zentara::blockset {

// Where the rims of a measurement start: generator states from which a full
// restart, the rim assignment and the rim chain check pass at the first try. Rims
// do not depend on the inner colours, so every order is measured on the same rims,
// and the many draws a rim takes are spent once, not for every order. When a rim
// has not closed after a million restarts (pieces that hardly form a rim), the
// next ones would not either: the rims drawn so far are all.
inline constexpr int RESTARTS_PER_RIM = 1 << 20;
template <class P>
std::vector<BlockRandom> drawRims(BlockSolver<P>& s, std::uint32_t seed, int rims) {
    std::vector<BlockRandom> starts;
    for (int rim = 0; rim < rims; ++rim) {
        s.random = BlockRandom{seed, static_cast<std::uint32_t>(rim)};
        for (int restart = 0; restart < RESTARTS_PER_RIM; ++restart) {
            const BlockRandom start = s.random;
            fullRestart(s);
            if (assignRim(s) && rimChainsClose(s)) {
                starts.push_back(start);
                break;
            }
        }
        if (starts.size() <= static_cast<std::size_t>(rim)) break;
    }
    return starts;
}

struct BalanceCount {
    std::int64_t attempts = 0;
    std::int64_t balanced = 0;  // attempts that balanced every inner colour
    // Inner pieces the attempts turned before they balanced or failed: tells a
    // nearly good order from a hopeless one while neither balances at all.
    std::int64_t piecesTurned = 0;

    double rate() const { return attempts > 0 ? static_cast<double>(balanced) / static_cast<double>(attempts) : 0; }
    // Better: more balanced attempts, then more pieces turned.
    bool betterThan(const BalanceCount& other) const {
        return balanced != other.balanced ? balanced > other.balanced : piecesTurned > other.piecesTurned;
    }
};

// Inner attempts on each of the rims, run as the search runs them (without the
// placement searches in between), on a solver whose records, sets and permutations
// are built. Leaves the rotations and the generator changed.
template <class P>
BalanceCount measureBalance(BlockSolver<P>& s, const std::vector<BlockRandom>& rims, int attemptsPerRim) {
    // A rotation no assignment gives: what is left of it after a failed attempt are
    // the pieces the attempt did not reach.
    constexpr std::uint8_t UNTURNED = 4;
    BalanceCount count;
    for (const BlockRandom& start : rims) {
        s.random = start;
        fullRestart(s);
        if (!assignRim(s) || !rimChainsClose(s)) continue;  // not drawn by drawRims for this board
        s.snapshot = s.balance;
        for (int attempt = 0; attempt < attemptsPerRim; ++attempt) {
            for (int i = P::RIM_RECORDS; i < P::PIECES; ++i) s.records[i].rotation = UNTURNED;
            const bool balanced = assignInner(s);
            for (int i = P::RIM_RECORDS; i < P::PIECES; ++i) count.piecesTurned += s.records[i].rotation != UNTURNED;
            count.balanced += balanced;
            ++count.attempts;
            s.balance = s.snapshot;
        }
    }
    for (int i = P::RIM_RECORDS; i < P::PIECES; ++i) s.records[i].rotation = 0;
    return count;
}

// The budget of the order search: the sample every order is measured on, how many
// swaps the local search tries, and the seed of its choices.
struct OrderSearch {
    std::uint32_t seed = 0;
    int rims = 0;
    int attemptsPerRim = 0;
    int swaps = 0;
};

// The search every set's order is derived with, whether make-puzzles imports the
// list into a data header or block-solver loads it at start, so that both run
// alike: 20 rims of 200 inner attempts for every order, 600 swaps tried. A few
// seconds. On our set the greedy start balances one assignment in 144 attempts,
// 100 swaps on 10 rims reach one in 106, and this budget one in 40 (measured on
// other rims than the search's).
inline constexpr OrderSearch SET_ORDER_SEARCH{20261207u, 20, 200, 600};

struct DerivedOrder {
    std::array<Colour, 23> order{};  // working number -> table colour
    BalanceCount count;              // the order's measurement on the search's sample
};

namespace detail {

// The 16 x 16 board with pieces and order given at run time.
struct MeasuredPuzzle16x16 : Board16x16 {
    static inline std::array<PieceEntry, 256> TABLE{};
    static inline std::array<Colour, 23> COLOUR_ORDER{};
};

// Counts of table colour k on one inner piece (bottom-first entry).
inline int sidesShowing(const PieceEntry& e, int k) {
    return (e[0] == k) + (e[1] == k) + (e[2] == k) + (e[3] == k);
}

// Odd-set size of table colour z when only the colours marked `later` come after
// it: the pieces that show z once or thrice and otherwise only later colours.
inline int oddSetAmongLater(const std::array<PieceEntry, 256>& table, int z, const std::array<bool, 23>& later) {
    int n = 0;
    for (int p = FIRST_INNER_PIECE; p < PIECE_COUNT; ++p) {
        if (p == HINT_PIECE) continue;
        const PieceEntry& e = table[p];
        bool onlyLater = true;
        for (Colour c : e) onlyLater = onlyLater && (c == z || later[c]);
        if (onlyLater) n += sidesShowing(e, z) % 2;
    }
    return n;
}

// The greedy start, built from the end: each place from the last but one down goes
// to the colour with the largest odd set among the pieces that show only it and
// the colours already placed after it (the lower colour on a tie). Early colours
// find odd sets anyway; the late ones are hard to give a set at all: the place
// before the last needs a piece of just those two colours. Where no colour has an
// odd set, the choice at the place after it is undone and the next best one tried,
// within a bounded number of steps. Without any order that gives every place but
// the last an odd set, the start is the plain greedy order (no choice undone).
class GreedyStart {
public:
    explicit GreedyStart(const std::array<PieceEntry, 256>& table) : table_(table) {
        for (int w = 0; w < FIRST; ++w) order_[w] = static_cast<Colour>(w);
    }

    std::array<Colour, 23> order() {
        std::array<bool, 23> later{};
        if (fill(LAST, later, true)) return order_;
        later.fill(false);
        fill(LAST, later, false);
        return order_;
    }

private:
    static constexpr int FIRST = Board16x16::FIRST_INNER_COLOUR, LAST = Board16x16::LAST_INNER_COLOUR;
    const std::array<PieceEntry, 256>& table_;
    std::array<Colour, 23> order_{};
    int stepsLeft_ = 20000;

    // Fills places w down to the first inner one; true when every place but the
    // last has an odd set (or, not `undoing`, once all are filled).
    bool fill(int w, std::array<bool, 23>& later, bool undoing) {
        if (w < FIRST) return true;
        std::array<int, 23> odd{};
        odd.fill(-1);
        for (int z = FIRST; z <= LAST; ++z)
            if (!later[z]) odd[z] = w == LAST ? 0 : oddSetAmongLater(table_, z, later);
        for (;;) {
            int best = -1;
            for (int z = FIRST; z <= LAST; ++z)
                if (odd[z] >= 0 && (best < 0 || odd[z] > odd[best])) best = z;
            if (best < 0 || (undoing && w != LAST && odd[best] == 0) || --stepsLeft_ < 0) return false;
            order_[w] = static_cast<Colour>(best);
            later[best] = true;
            const bool filled = fill(w - 1, later, undoing);
            later[best] = false;
            if (filled || !undoing) return filled;
            odd[best] = -1;
        }
    }
};

}  // namespace detail

// Derives a working colour order for a 16 x 16 piece set (bottom-first table with
// rim colours 1 to 5 and inner colours 6 to 22): the greedy start, then swaps of two
// inner colours drawn from the search's seed, each kept when it measures better.
// The same table and budget always give the same order.
inline DerivedOrder deriveColourOrder(const std::array<PieceEntry, 256>& table, const OrderSearch& search) {
    using P = detail::MeasuredPuzzle16x16;
    P::TABLE = table;
    P::COLOUR_ORDER = detail::GreedyStart(table).order();
    auto s = std::make_unique<BlockSolver<P>>();
    buildRecords(*s);
    buildSets(*s);
    buildPermutations(*s);
    const std::vector<BlockRandom> rims = drawRims(*s, search.seed, search.rims);
    // Measured rim by rim: the best order's balanced count after each rim, so that a
    // swap that balances less than half as often on the first rims is dropped there
    // (most swaps break an order badly) and the budget goes to the promising ones.
    std::vector<std::int64_t> bestSoFar(rims.size());
    auto measure = [&](bool mayDrop, std::vector<std::int64_t>& soFar, BalanceCount& count) {
        buildRecords(*s);
        buildSets(*s);
        count = BalanceCount{};
        for (std::size_t r = 0; r < rims.size(); ++r) {
            const BalanceCount rim = measureBalance(*s, {rims[r]}, search.attemptsPerRim);
            count.attempts += rim.attempts;
            count.balanced += rim.balanced;
            count.piecesTurned += rim.piecesTurned;
            soFar[r] = count.balanced;
            if (mayDrop && r >= 1 && 2 * count.balanced < bestSoFar[r]) return false;
        }
        return true;
    };
    BalanceCount best;
    measure(false, bestSoFar, best);
    std::vector<std::int64_t> soFar(rims.size());
    Random choices{search.seed};
    constexpr int INNER = P::LAST_INNER_COLOUR - P::FIRST_INNER_COLOUR + 1;
    for (int swap = 0; swap < search.swaps; ++swap) {
        const int a = P::FIRST_INNER_COLOUR + static_cast<int>(choices.highHalf() % INNER);
        const int b = P::FIRST_INNER_COLOUR + static_cast<int>(choices.highHalf() % (INNER - 1));
        const int other = b >= a ? b + 1 : b;  // any inner place but a
        std::swap(P::COLOUR_ORDER[a], P::COLOUR_ORDER[other]);
        BalanceCount count;
        if (measure(true, soFar, count) && count.betterThan(best)) {
            best = count;
            bestSoFar.swap(soFar);
        } else {
            std::swap(P::COLOUR_ORDER[a], P::COLOUR_ORDER[other]);
        }
    }
    return DerivedOrder{P::COLOUR_ORDER, best};
}

}  // namespace zentara::blockset
