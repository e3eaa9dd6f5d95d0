#include "core/set_loader.hpp"

#include <algorithm>
#include <cstdio>

#include "core/command_line.hpp"
#include "core/set_identity.hpp"

namespace zentara {

bool loadPieceSet(PuzzleKind kind, const char* path, PieceSet& set, std::string& error,
                  const puzzle_import::ImportProgress& progress) {
    PieceList list;
    puzzle_import::ImportedSet imported;
    std::string reason;
    if (!readPieceList(path, list, reason) || !puzzle_import::importPieceList(kind, list, imported, reason, progress)) {
        error = printableArgument(path) + ": " + reason;
        return false;
    }
    set = PieceSet{};
    set.kind = kind;
    set.geometry = builtInSet(kind).geometry;
    set.pieces = static_cast<int>(imported.table.size());
    std::copy(imported.table.begin(), imported.table.end(), set.bottomFirst.begin());
    set.builtIn = false;
    if (kind == PuzzleKind::Board16x16) {
        set.topFirstColour = imported.topFirst;
        for (int p = 0; p < PIECE_COUNT; ++p)
            for (int k = 0; k < 4; ++k) set.topFirst[p][k] = set.topFirstColour[set.bottomFirst[p][(k + 2) & 3]];
        for (const FixedPlacement& f : imported.fixed) set.fixed[set.fixedCount++] = f;
        set.hintListPiece = imported.hintListPiece;
        set.hintListTurn = imported.hintTurn;
    }
    // A list of a compiled-in set is that set: the tables alike, and its colour
    // order the one measured when it was compiled in.
    const PieceSet& compiled = builtInSet(kind);
    if (fingerprintOf(set) == fingerprintOf(compiled) && set.bottomFirst == compiled.bottomFirst &&
        set.topFirst == compiled.topFirst) {
        set.colourOrder = compiled.colourOrder;
        set.colourOrderKnown = compiled.colourOrderKnown;
    }
    return true;
}

bool runOnPieceList(PuzzleKind kind, const char* path, std::string_view program, bool anySize, PuzzleKind* loaded) {
    if (anySize) {
        PieceList list;
        std::string ignored;  // a list that cannot be read is refused below, in its own words
        if (readPieceList(path, list, ignored))
            for (PuzzleKind k : {PuzzleKind::Board16x16, PuzzleKind::Board6x12, PuzzleKind::Board6x6})
                if (static_cast<int>(list.pieces.size()) == builtInSet(k).pieces) kind = k;
    }
    if (loaded != nullptr) *loaded = kind;
    const auto progress = [&](std::int64_t steps, std::int64_t bound) {
        std::fprintf(stderr, "%.*s: closing the rim of the pieces: %lld of at most %lld search steps\n",
                     static_cast<int>(program.size()), program.data(), static_cast<long long>(steps),
                     static_cast<long long>(bound));
    };
    PieceSet set;
    std::string error;
    if (!loadPieceSet(kind, path, set, error, progress)) {
        std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(), error.c_str());
        return false;
    }
    runOnPieceSet(set);
    return true;
}

}  // namespace zentara
