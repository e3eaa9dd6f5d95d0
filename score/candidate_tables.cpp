// Builds the 1,024 oriented-piece records and sorts them into the hint list and
// the four class tables, every list in a fresh random order, all carved from one
// pointer pool: a counting pass, the layout, then an inserting pass.
#include <algorithm>
#include <cstring>

#include "core/fresh_starts.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

namespace {

// Inserting into a list of n entries draws one of the n + 1 gaps, so every list
// ends in a uniformly random order; an empty list takes its first entry without a draw.
void insertAtRandomGap(CandidateList& list, Slot record, RandomState& random) {
    const int n = list.count;
    const int k = static_cast<int>(randomUpTo(random, static_cast<std::uint16_t>(n)));
    std::memmove(list.first + k + 1, list.first + k, static_cast<std::size_t>(n - k) * sizeof(Slot));
    list.first[k] = record;
    list.count = n + 1;
}

template <bool INSERT>
void routeRecord(CandidateTables& t, const OrientedPiece& record, RandomState& random) {
    auto put = [&](CandidateList& list) {
        if constexpr (INSERT)
            insertAtRandomGap(list, &record, random);
        else
            ++list.count;
    };
    if (record.piece == HINT_PIECE) {
        if (record.rotation == HINT_ROTATION) put(t.hintList);
        return;
    }
    if (repeatsSmallerRotation(pieceSet().bottomFirst[record.piece], record.rotation)) return;
    const int bottom = record.colours & 0xFF;
    const int left = (record.colours >> 8) & 0xFF;
    const int top = (record.colours >> 16) & 0xFF;
    const int right = record.colours >> 24;
    const int tableClass = (bottom == BORDER_COLOUR ? 2 : 0) + (right == BORDER_COLOUR ? 1 : 0);
    put(t.table(tableClass, top, left));
    put(t.table(tableClass, top, ANY_KEY));
    put(t.table(tableClass, ANY_KEY, left));
}

Slot* carve(CandidateList& list, Slot* next) {
    list.first = next;
    next[list.count] = nullptr;
    next += list.count + 1;
    list.count = 0;
    return next;
}

}  // namespace

void buildCandidateTables(CandidateTables& t, RandomState& random, const FreshStarts* fresh) {
    // Step 1. Every count to 0.
    t.hintTopColour = pieceSet().hintSides()[bottom_first::TOP];
    t.hintLeftColour = pieceSet().hintSides()[bottom_first::LEFT];
    t.hintList.count = 0;
    for (CandidateList& list : t.lists) list.count = 0;

    // Step 2. Fill the records and count where each one goes.
    for (int p = 0; p < PIECE_COUNT; ++p) {
        for (int r = 0; r < 4; ++r) {
            OrientedPiece& record = t.records[orientedNumber(p, r)];
            record.piece = static_cast<std::uint8_t>(p);
            record.rotation = static_cast<std::uint8_t>(r);
            record.colours = packSides(rotate(pieceSet().bottomFirst[p], r));
            routeRecord<false>(t, record, random);
        }
    }

    // Step 3. Carve the lists from the pool: hint list, then the class tables in
    // order, each row by row; every list gets count + 1 slots.
    t.largestList = t.hintList.count;
    for (const CandidateList& list : t.lists) t.largestList = std::max(t.largestList, list.count);
    Slot* next = carve(t.hintList, t.pool.data());
    for (CandidateList& list : t.lists) next = carve(list, next);

    // Step 4. Route again, inserting, in record-number order. A fresh rebuild
    // draws each record's gaps from a generator copy of the record's own.
    if (fresh == nullptr) {
        for (const OrientedPiece& record : t.records) routeRecord<true>(t, record, random);
    } else {
        for (int k = 0; k < ORIENTED_COUNT; ++k) {
            RandomState copy = freshCopy(*fresh, static_cast<std::uint32_t>(k));
            routeRecord<true>(t, t.records[k], copy);
        }
    }

    // Step 5. The search's view: the slot words beside the pool, the list starts.
    for (int i = 0; i < TABLE_COUNT * LISTS_PER_TABLE; ++i)
        t.listStarts[i] = static_cast<std::uint32_t>(t.lists[i].first - t.pool.data());
    for (int k = 0; k < POOL_SLOTS; ++k) t.slotWords[k] = t.pool[k] == nullptr ? END_WORD : slotWord(*t.pool[k]);
}

std::uint64_t listOrdersHash(const CandidateTables& t) {
    std::uint64_t h = 1469598103934665603u;  // FNV-1a over the slot words
    for (const std::uint64_t word : t.slotWords) h = (h ^ word) * 1099511628211u;
    return h;
}

}  // namespace zentara::score
