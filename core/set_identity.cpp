#include "core/set_identity.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace zentara::puzzle_import {

namespace {

// FNV-1a, 64 bits: a fingerprint against mix-ups, not against forgery.
struct Fnv {
    std::uint64_t h = 14695981039346656037ull;
    void add(int value) {
        for (int k = 0; k < 4; ++k) {
            h ^= static_cast<std::uint8_t>(value >> (8 * k));
            h *= 1099511628211ull;
        }
    }
};

}  // namespace

std::string setFingerprint(const ImportedSet& set) {
    return setFingerprint(set.kind, set.table, set.fixed, set.hintListPiece, set.hintTurn);
}

std::string setFingerprint(SetKind kind, std::span<const PieceEntry> table, std::span<const FixedPlacement> clues,
                           int hintListPiece, int hintTurn) {
    Fnv f;
    f.add(static_cast<int>(kind));
    f.add(static_cast<int>(table.size()));
    // Colours by first appearance in the table: the border stays 0, and a renamed
    // list numbers its colours alike.
    std::map<Colour, int> canonical{{BORDER_COLOUR, 0}};
    for (const PieceEntry& e : table)
        for (Colour c : e) {
            const auto at = canonical.emplace(c, static_cast<int>(canonical.size())).first;
            f.add(at->second);
        }
    // The clues by cell: the order of the fixed lines is spelling.
    std::vector<FixedPlacement> fixed(clues.begin(), clues.end());
    std::sort(fixed.begin(), fixed.end(), [](const FixedPlacement& a, const FixedPlacement& b) { return a.cell < b.cell; });
    f.add(static_cast<int>(fixed.size()));
    for (const FixedPlacement& p : fixed) {
        f.add(p.piece);
        f.add(p.cell);
        f.add(p.rotation);
    }
    f.add(hintListPiece);
    f.add(hintTurn);
    char text[16];
    std::snprintf(text, sizeof text, "%012llx", static_cast<unsigned long long>(f.h >> 16));
    return text;
}

}  // namespace zentara::puzzle_import
