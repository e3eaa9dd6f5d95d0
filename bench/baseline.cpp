#include "bench/baseline.hpp"

#include "bench/bench.hpp"

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>
#include <vector>

#include "core/pieces.hpp"

namespace zentara::bench {

namespace {

using namespace bottom_first;

struct Baseline {
    std::vector<std::uint16_t> lists[23][23];  // [top][left] -> oriented-piece numbers
    std::array<PieceEntry, CELL_COUNT> sides{};
    std::array<std::uint16_t, CELL_COUNT> oriented{};
    std::bitset<PIECE_COUNT> used;
    std::uint64_t placements = 0;
    std::uint64_t limit = 0;
    int bestDepth = 0;
    std::uint32_t bestChecksum = 0;

    void record(int depth) {
        if (depth <= bestDepth) return;
        bestDepth = depth;
        bestChecksum = boardChecksum(oriented.data(), depth);
    }

    // Returns true when the run must end.
    bool solve(int cell) {
        if (cell == CELL_COUNT) return true;
        const int row = cell / 16, column = cell % 16;
        const Colour top = row == 0 ? BORDER_COLOUR : sides[cell - 16][BOTTOM];
        const Colour left = column == 0 ? BORDER_COLOUR : sides[cell - 1][RIGHT];
        if (cell == HINT_CELL) {
            const PieceEntry hint = rotate(pieceSet().bottomFirst[HINT_PIECE], HINT_ROTATION);
            if (hint[TOP] != top || hint[LEFT] != left) return false;
            sides[cell] = hint;
            oriented[cell] = static_cast<std::uint16_t>(orientedNumber(HINT_PIECE, HINT_ROTATION));
            record(cell + 1);
            return solve(cell + 1);
        }
        for (std::uint16_t o : lists[top][left]) {
            const int piece = pieceOfOriented(o);
            if (used[piece]) continue;
            const PieceEntry s = rotate(pieceSet().bottomFirst[piece], rotationOfOriented(o));
            if ((s[RIGHT] == BORDER_COLOUR) != (column == 15)) continue;
            if ((s[BOTTOM] == BORDER_COLOUR) != (row == 15)) continue;
            used[piece] = true;
            sides[cell] = s;
            oriented[cell] = o;
            ++placements;
            record(cell + 1);
            if (placements >= limit || solve(cell + 1)) return true;
            used[piece] = false;
        }
        return false;
    }
};

}  // namespace

BaselineResult runBaseline(std::uint64_t placementLimit, RandomState seed) {
    auto b = std::make_unique<Baseline>();
    for (int o = 0; o < ORIENTED_COUNT; ++o) {
        if (pieceOfOriented(o) == HINT_PIECE) continue;
        const PieceEntry s = rotate(pieceSet().bottomFirst[pieceOfOriented(o)], rotationOfOriented(o));
        b->lists[s[TOP]][s[LEFT]].push_back(static_cast<std::uint16_t>(o));
    }
    Random random{seed};
    for (auto& row : b->lists)
        for (auto& list : row)
            for (int i = static_cast<int>(list.size()) - 1; i > 0; --i)
                std::swap(list[i], list[random.highHalf() % static_cast<std::uint32_t>(i + 1)]);
    b->limit = placementLimit;
    const double start = cpuSeconds();
    b->solve(0);
    BaselineResult result;
    result.seconds = cpuSeconds() - start;
    result.placements = b->placements;
    result.bestDepth = b->bestDepth;
    result.bestChecksum = b->bestChecksum;
    return result;
}

}  // namespace zentara::bench
