// The oriented-piece records and the candidate lists of every class and key.
#include <algorithm>

#include "berserker/berserker.hpp"
#include "core/pieces.hpp"

namespace zentara::berserker {

namespace {

// The fixed rotation of a fixed piece, or -1 for a piece that may turn freely.
int fixedRotationOf(int piece) {
    for (const FixedPlacement& f : pieceSet().clues())
        if (f.piece == piece) return f.rotation;
    return -1;
}

// The list of class `cls` that holds the record, or -1 when one of the record's
// unknown sides shows the border colour (such a piece would face the frame colour
// towards a cell that will be filled).
int listIndexOf(Sides sides, int cls) {
    const KeyRecipe& recipe = KEY_RECIPES[cls];
    std::uint32_t key = 0;
    for (int k = 0; k < 4; ++k) {
        const Colour colour = sideColour(sides, k);
        if ((cls >> k) & 1)
            key |= std::uint32_t{colour} << recipe.shift[k];
        else if (colour == BORDER_COLOUR)
            return -1;
    }
    return static_cast<int>(recipe.base + key);
}

}  // namespace

void buildCandidateTables(CandidateTables& t) {
    // Records in order of piece and rotation; the fixed pieces only in their rotation.
    int count = 0;
    for (int p = 0; p < PIECE_COUNT; ++p) {
        const int fixedRotation = fixedRotationOf(p);
        for (int r = 0; r < 4; ++r) {
            t.recordOf[p][r] = NO_RECORD;
            if (fixedRotation >= 0 && r != fixedRotation) continue;
            t.records[count] = Record{packSides(rotate(pieceSet().topFirst[p], r)), static_cast<std::uint8_t>(p),
                                      static_cast<std::uint8_t>(r)};
            t.recordOf[p][r] = static_cast<std::int16_t>(count++);
        }
    }
    t.recordCount = count;

    // Pass 1: count the entries of every list. Class 0 (no known side) stays empty.
    // A rotation alike to a smaller one keeps its record (boards read either way)
    // but goes into no list: the search tries the piece once there.
    std::fill(t.lists.begin(), t.lists.end(), CandidateList{0, 0});
    for (int i = 0; i < t.recordCount; ++i) {
        const Record& rec = t.records[i];
        if (fixedRotationOf(rec.piece) >= 0 || repeatsSmallerRotation(pieceSet().topFirst[rec.piece], rec.rotation)) continue;
        for (int cls = 1; cls < 16; ++cls) {
            const int list = listIndexOf(rec.sides, cls);
            if (list >= 0) ++t.lists[list].count;
        }
    }
    // Lay the lists out one after another.
    int start = 0;
    for (CandidateList& list : t.lists) {
        list.start = static_cast<std::uint16_t>(start);
        start += list.count;
        list.count = 0;
    }
    t.entryCount = start;
    // Pass 2: append every record to each list it belongs to, in record order.
    for (int i = 0; i < t.recordCount; ++i) {
        const Record& rec = t.records[i];
        if (fixedRotationOf(rec.piece) >= 0 || repeatsSmallerRotation(pieceSet().topFirst[rec.piece], rec.rotation)) continue;
        for (int cls = 1; cls < 16; ++cls) {
            const int index = listIndexOf(rec.sides, cls);
            if (index < 0) continue;
            CandidateList& list = t.lists[index];
            t.entries[list.start + list.count++] = CandidateEntry{static_cast<std::uint16_t>(i), rec.piece};
        }
    }
}

}  // namespace zentara::berserker
