#include "path/candidate_lists.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace zentara::path {

void fillOrientedSides() {
    for (int p = 0; p < PIECE_COUNT; ++p)
        for (int r = 0; r < 4; ++r) {
            const int o = orientedNumber(p, r);
            orientedSides.sides[o] = rotate(pieceSet().topFirst[p], r);
            orientedSides.words[o] = packSides(orientedSides.sides[o]);
        }
}

PieceScores computePieceScores() {
    std::array<int, KEY_COLOURS> occurrences{};
    for (const PieceEntry& entry : pieceSet().topFirst)
        for (Colour c : entry) ++occurrences[c];
    PieceScores scores{};
    for (int p = 0; p < PIECE_COUNT; ++p) {
        const PieceEntry& entry = pieceSet().topFirst[p];
        int score = 0;
        for (int k = 0; k < 4; ++k) {
            if (occurrences[entry[k]] > 0) score += 240 / occurrences[entry[k]];
            bool newColour = true;
            for (int j = 0; j < k; ++j) newColour = newColour && entry[j] != entry[k];
            if (k > 0 && newColour) score += 2;
        }
        scores[p] = static_cast<std::uint16_t>(score);
    }
    return scores;
}

namespace {

// Position at which a new entry goes into a list that holds `count` entries.
std::uint32_t insertPosition(const std::uint16_t* entries, std::uint16_t count, std::uint16_t oriented,
                             InsertMode mode, Random& random, const PieceScores& scores) {
    switch (mode) {
        case InsertMode::Append:
            return count;
        case InsertMode::ByScore: {
            const std::uint16_t score = scores[pieceOfOriented(oriented)];
            std::uint32_t p = 0;
            while (p < count && scores[pieceOfOriented(entries[p])] >= score) ++p;
            return p;
        }
        case InsertMode::Random:
            break;
    }
    return random.upTo(count);
}

}  // namespace

void buildCandidateLists(CandidateLists& lists, InsertMode mode, Random& random, const PieceScores& scores) {
    // Step 1. The set's colours, and empty counts.
    fillOrientedSides();
    std::fill(lists.count.begin(), lists.count.end(), std::uint16_t{0});

    // Step 2. Counting pass.
    for (int o = 0; o < ORIENTED_COUNT; ++o)
        forEachListOf(o, [&](int cellClass, std::uint32_t key) { ++lists.count[lists.listIndex(cellClass, key)]; });

    // Step 3. Lay the lists out one after another, each with room for its end
    // marker, behind the hint's one-entry list.
    lists.pool[HINT_LIST] = HINT_ORIENTED;
    lists.pool[HINT_LIST + 1] = END_OF_LIST;
    std::uint32_t next = HINT_LIST + 2;
    for (std::uint32_t i = 0; i < LIST_COUNT; ++i) {
        lists.first[i] = next;
        lists.pool[next] = END_OF_LIST;
        next += lists.count[i] + 1u;
        lists.count[i] = 0;
    }
    std::fill(lists.pool.begin() + next, lists.pool.end(), END_OF_LIST);

    // Step 4. Filling pass, in the same walk as the counting pass.
    for (int o = 0; o < ORIENTED_COUNT; ++o)
        forEachListOf(o, [&](int cellClass, std::uint32_t key) {
            const std::uint32_t list = lists.listIndex(cellClass, key);
            std::uint16_t* entries = &lists.pool[lists.first[list]];
            const std::uint16_t n = lists.count[list];
            const auto oriented = static_cast<std::uint16_t>(o);
            const std::uint32_t p = insertPosition(entries, n, oriented, mode, random, scores);
            std::copy_backward(entries + p, entries + n, entries + n + 1);
            entries[p] = oriented;
            entries[n + 1] = END_OF_LIST;
            lists.count[list] = static_cast<std::uint16_t>(n + 1);
        });
}

std::uint16_t largestListCount() {
    fillOrientedSides();
    std::vector<std::uint16_t> count(LIST_COUNT);  // once, at start
    std::uint16_t largest = 0;
    for (int o = 0; o < ORIENTED_COUNT; ++o)
        forEachListOf(o, [&](int cellClass, std::uint32_t key) {
            std::uint16_t& n = count[CLASS_BASE[cellClass] + key];
            largest = std::max(largest, ++n);
        });
    return largest;
}

void fillWalkPool(WalkPool& walkPool, const CandidateLists& lists) {
    std::array<WalkEntry, ORIENTED_COUNT> entryOf;
    for (int o = 0; o < ORIENTED_COUNT; ++o) entryOf[o] = walkEntryOf(o);
    for (std::uint32_t i = 0; i < POOL_SIZE; ++i)
        walkPool.entries[i] = lists.pool[i] == END_OF_LIST ? WALK_END : entryOf[lists.pool[i]];
}

void perturbCandidateLists(CandidateLists& lists, Random& random, int swaps) {
    for (int i = 0; i < swaps; ++i) {
        const int cellClass = static_cast<int>(random.upTo(CLASS_COUNT - 1));
        const std::uint32_t mask = LIST_MASK[knownSides(cellClass)];
        const std::uint32_t available = listsOfClass(cellClass);
        std::uint32_t key;
        do key = random.fullState() & mask;
        while (key >= available);
        const std::uint32_t list = lists.listIndex(cellClass, key);
        const std::uint16_t n = lists.count[list];
        if (n < 3) continue;
        std::uint16_t* entries = &lists.pool[lists.first[list]];
        const std::uint32_t a = random.upTo(static_cast<std::uint16_t>(n - 1));
        const std::uint32_t b = random.upTo(static_cast<std::uint16_t>(n - 1));
        std::swap(entries[a], entries[b]);
    }
}

}  // namespace zentara::path
