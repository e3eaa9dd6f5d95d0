#include <cstdio>

#include "blockset/colour_order.hpp"
#include "puzzles/puzzle_import.hpp"

namespace zentara::puzzle_import {

bool importMeasured(SetKind kind, const PieceList& list, ImportedSet& set, std::string& error, bool measure) {
    const auto progress = [](std::int64_t steps, std::int64_t bound) {
        std::fprintf(stderr, "make-puzzles: closing the rim: %lld of at most %lld search steps\n",
                     static_cast<long long>(steps), static_cast<long long>(bound));
    };
    if (!importPieceList(kind, list, set, error, progress)) return false;
    if (kind != SetKind::Board16x16 || !measure) return true;
    double& rate = set.balanceRate;
    bool rimDrawn = true;
    if (!measureColourOrder(set, rate, &rimDrawn) && !rimDrawn) {
        error = "block-solver's rim assignment closed no rim in " + std::to_string(blockset::RESTARTS_PER_RIM) +
                " restarts, though the rim pieces can close: block-solver would never reach a board on this set";
        return false;
    }
    if (rate == 0)
        std::fprintf(stderr, "note: under no colour order the measurement tried did an inner assignment of "
                             "block-solver balance; block-solver will seldom complete one on this set\n");
    return true;
}

bool measureColourOrder(ImportedSet& set, double& rate, bool* rimDrawn) {
    std::array<PieceEntry, PIECE_COUNT> table{};
    std::copy(set.table.begin(), set.table.end(), table.begin());
    const blockset::DerivedOrder derived = blockset::deriveColourOrder(table, blockset::SET_ORDER_SEARCH);
    set.colourOrder = derived.order;
    rate = derived.count.rate();
    if (rimDrawn) *rimDrawn = derived.count.attempts > 0;
    return derived.count.balanced > 0;
}

}  // namespace zentara::puzzle_import
