#include "core/set_import.hpp"

#include <algorithm>
#include <map>

#include "core/rim_proof.hpp"
#include "core/set_clues.hpp"

namespace zentara::puzzle_import {

namespace {

constexpr SetShape SHAPES[3] = {
    {"16x16", "16 x 16", "PIECES_16X16", "puzzle_16x16.hpp", 256, 4, 56, 5, 17},
    {"6x12", "6 x 12", "PIECES_6X12", "puzzle_6x12.hpp", 72, 4, 28, 4, 4},
    {"6x6", "6 x 6", "PIECES_6X6", "puzzle_6x6.hpp", 36, 4, 16, 4, 3},
};

// Top-first numbers by class: the rim colours, the five 48-side colours, the rest.
constexpr int TOP_FIRST_RIM[5] = {1, 2, 3, 4, 8};
constexpr int TOP_FIRST_SHORT[5] = {5, 6, 7, 14, 15};
constexpr int TOP_FIRST_LONG[12] = {9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22};
constexpr int SHORT_SIDES = 48, LONG_SIDES = 50, RIM_SIDES = 24;

const char* className(int cls) { return cls == 2 ? "a corner piece" : cls == 1 ? "an edge piece" : "an inner piece"; }

std::string pieceText(const PieceList& list, int p) {
    return "piece " + std::to_string(p + 1) + " (line " + std::to_string(list.pieces[p].line) + ")";
}

std::string colourText(ListColour c) { return "colour " + std::to_string(c); }

int borderSides(const std::array<ListColour, 4>& s) {
    int n = 0;
    for (ListColour c : s) n += c == 0;
    return n;
}

// A side runs along the rim when it is not a border side and one of its two
// neighbouring sides is.
bool alongRim(const std::array<ListColour, 4>& s, int k) {
    return s[k] != 0 && (s[(k + 1) & 3] == 0 || s[(k + 3) & 3] == 0);
}

std::array<ListColour, 4> turn(const std::array<ListColour, 4>& s, int r) {
    std::array<ListColour, 4> out{};
    for (int k = 0; k < 4; ++k) out[k] = s[(k - r) & 3];
    return out;
}

struct ColourUse {
    int sides = 0;
    int rimPiece = -1;    // first piece showing it along the rim
    int innerPiece = -1;  // first piece showing it on an inner side
};

bool checkPieces(const SetShape& shape, SetKind kind, const PieceList& list, std::string& error) {
    const int n = static_cast<int>(list.pieces.size());
    if (n != shape.pieces) {
        error = "the list holds " + std::to_string(n) + " pieces; the " + shape.title + " puzzle has " +
                std::to_string(shape.pieces);
        return false;
    }
    int classCount[3]{};
    for (int p = 0; p < n; ++p) {
        const auto& s = list.pieces[p].sides;
        const int borders = borderSides(s);
        if (borders > 2) {
            error = pieceText(list, p) + " has " + std::to_string(borders) +
                    " border sides (colour 0); a piece has at most two";
            return false;
        }
        if (borders == 2 && s[0] == s[2]) {
            error = pieceText(list, p) + " has its two border sides opposite each other; a corner's are adjacent";
            return false;
        }
        ++classCount[borders];
    }
    if (kind == SetKind::Board16x16) {
        for (int p = 0; p < n; ++p) {
            const int want = p < FIRST_EDGE_PIECE ? 2 : p < FIRST_INNER_PIECE ? 1 : 0;
            const int cls = borderSides(list.pieces[p].sides);
            if (cls == want) continue;
            error = pieceText(list, p) + " is " + className(cls) +
                    "; the list gives the 4 corners first (pieces 1-4), then the 56 edge pieces (5-60), then "
                    "the 196 inner pieces (61-256)";
            return false;
        }
    } else {
        const int want[3] = {shape.pieces - shape.corners - shape.edges, shape.edges, shape.corners};
        const char* names[3] = {"inner pieces", "edge pieces", "corner pieces"};
        for (int cls = 2; cls >= 0; --cls) {
            if (classCount[cls] == want[cls]) continue;
            error = "the list holds " + std::to_string(classCount[cls]) + " " + names[cls] + "; the " + shape.title +
                    " puzzle has " + std::to_string(want[cls]);
            return false;
        }
    }
    return true;
}

// The list's colours by use, and the refusals of colours that break their class.
bool checkColours(const SetShape& shape, SetKind kind, const PieceList& list, std::map<ListColour, ColourUse>& uses,
                  std::string& error) {
    for (int p = 0; p < static_cast<int>(list.pieces.size()); ++p) {
        const auto& s = list.pieces[p].sides;
        for (int k = 0; k < 4; ++k) {
            if (s[k] == 0) continue;
            ColourUse& u = uses[s[k]];
            ++u.sides;
            int& first = alongRim(s, k) ? u.rimPiece : u.innerPiece;
            if (first < 0) first = p;
        }
    }
    std::vector<ListColour> rim, inner;
    for (const auto& [colour, u] : uses) {
        if (u.rimPiece >= 0 && u.innerPiece >= 0) {
            error = colourText(colour) + " runs along the rim on " + pieceText(list, u.rimPiece) +
                    " and stands on an inner side of " + pieceText(list, u.innerPiece) +
                    "; a colour is either a rim colour or an inner colour";
            return false;
        }
        (u.rimPiece >= 0 ? rim : inner).push_back(colour);
    }
    if (kind == SetKind::Board16x16) {
        if (rim.size() != 5 || inner.size() != 17) {
            error = "the list has " + std::to_string(rim.size()) + " rim colours and " + std::to_string(inner.size()) +
                    " inner colours; the 16 x 16 puzzle has 5 rim colours on 24 sides each and 17 inner colours, "
                    "five on 48 sides and twelve on 50";
            return false;
        }
        int shortColours = 0;
        for (ListColour c : rim) {
            if (uses[c].sides == RIM_SIDES) continue;
            error = "rim " + colourText(c) + " is on " + std::to_string(uses[c].sides) +
                    " sides; each of the 5 rim colours of the 16 x 16 puzzle is on 24";
            return false;
        }
        for (ListColour c : inner) {
            shortColours += uses[c].sides == SHORT_SIDES;
            if (uses[c].sides == SHORT_SIDES || uses[c].sides == LONG_SIDES) continue;
            error = "inner " + colourText(c) + " is on " + std::to_string(uses[c].sides) +
                    " sides; an inner colour of the 16 x 16 puzzle is on 48 sides (five of them) or 50 (twelve)";
            return false;
        }
        if (shortColours != 5) {
            error = std::to_string(shortColours) + " inner colours are on 48 sides; the 16 x 16 puzzle has five "
                                                   "(and twelve on 50)";
            return false;
        }
        return true;
    }
    if (static_cast<int>(rim.size()) > shape.rimColours || static_cast<int>(inner.size()) > shape.innerColours) {
        error = "the list has " + std::to_string(rim.size()) + " rim colours and " + std::to_string(inner.size()) +
                " inner colours; the " + shape.title + " puzzle takes at most " + std::to_string(shape.rimColours) +
                " and " + std::to_string(shape.innerColours);
        return false;
    }
    for (const auto& [colour, u] : uses) {
        if (u.sides % 2 == 0) continue;
        error = colourText(colour) + " is on " + std::to_string(u.sides) +
                " sides, an odd number: one of them could never meet its match";
        return false;
    }
    return true;
}

// Distinct under rotation, judged on the list's own colours: before the counts,
// whose messages would hide it.
bool checkDistinct(const PieceList& list, std::string& error) {
    std::map<std::array<ListColour, 4>, int> seen;
    for (int p = 0; p < static_cast<int>(list.pieces.size()); ++p) {
        const auto& s = list.pieces[p].sides;
        std::array<ListColour, 4> least = s;
        for (int r = 1; r < 4; ++r) least = std::min(least, turn(s, r));
        const auto [at, fresh] = seen.emplace(least, p);
        if (!fresh) {
            error = pieceText(list, p) + " repeats " + pieceText(list, at->second) +
                    " turned; no two pieces of a set may be equal under rotation";
            return false;
        }
    }
    return true;
}

// Before anything that searches on the set: a rim that can never close would
// keep the colour measurement here, and block-solver later, searching for ever.
bool checkRimCloses(SetKind kind, const PieceList& list, std::string& error, const ImportProgress& progress) {
    const int width = kind == SetKind::Board6x12 ? 12 : kind == SetKind::Board6x6 ? 6 : 16;
    const int height = kind == SetKind::Board16x16 ? 16 : 6;
    const RimPieces rim = rimPiecesOf(list, width, height);
    const RimProof proof = proveRimCloses(rim, RIM_SEARCH_STEPS, [&](std::int64_t steps) {
        if (progress) progress(steps, RIM_SEARCH_STEPS);
    });
    if (proof.verdict == RimVerdict::Closes) return true;
    error = rimRefusal(rim, proof, RIM_SEARCH_STEPS);
    return false;
}

bool topFirstFromList(const PieceList& list, ImportedSet& set, std::string& error) {
    std::array<int, 23> map;
    map.fill(-1);
    bool taken[23]{};
    for (auto [listColour, number] : list.topFirstColours) {
        const auto at = std::find(set.listColour.begin(), set.listColour.end(), listColour);
        const std::string what = "the top-first colour line: " + colourText(listColour);
        if (at == set.listColour.end()) {
            error = what + " is not a colour of the pieces";
            return false;
        }
        const int c = static_cast<int>(at - set.listColour.begin());
        if (map[c] >= 0 || number > 22 || taken[number]) {
            error = what + (map[c] >= 0 ? " is given twice" : " takes a number that is out of 0-22 or taken");
            return false;
        }
        const bool rimTarget = std::find(std::begin(TOP_FIRST_RIM), std::end(TOP_FIRST_RIM), number) != std::end(TOP_FIRST_RIM);
        const bool shortTarget =
            std::find(std::begin(TOP_FIRST_SHORT), std::end(TOP_FIRST_SHORT), number) != std::end(TOP_FIRST_SHORT);
        if ((c == 0) != (number == 0) || (c >= 1 && c <= 5) != rimTarget || (c >= 6 && c <= 10) != shortTarget) {
            error = what + " cannot take " + std::to_string(number) +
                    ": the border stays 0, rim colours take 1, 2, 3, 4 and 8, the 48-side colours 5, 6, 7, 14 "
                    "and 15, the others the rest";
            return false;
        }
        map[c] = number;
        taken[number] = true;
    }
    for (int c = 0; c < 23; ++c) {
        if (map[c] < 0) {
            error = "the top-first colour line gives no number for " + colourText(set.listColour[c]);
            return false;
        }
        set.topFirst[c] = static_cast<Colour>(map[c]);
    }
    return true;
}

}  // namespace

const SetShape& shapeOf(SetKind kind) { return SHAPES[static_cast<int>(kind)]; }

bool kindOfName(const std::string& name, SetKind& kind) {
    for (int i = 0; i < 3; ++i)
        if (name == SHAPES[i].name) {
            kind = static_cast<SetKind>(i);
            return true;
        }
    return false;
}

bool importPieceList(SetKind kind, const PieceList& list, ImportedSet& set, std::string& error,
                     const ImportProgress& progress) {
    const SetShape& shape = shapeOf(kind);
    std::map<ListColour, ColourUse> uses;
    if (!checkPieces(shape, kind, list, error) || !checkDistinct(list, error) ||
        !checkColours(shape, kind, list, uses, error) || !checkRimCloses(kind, list, error, progress))
        return false;

    // Colour numbers: the border 0, rim colours from 1 up, inner colours from the
    // first inner number up (16 x 16: the 48-side colours first), each class in
    // the list's own ascending order, so that a list in our numbering keeps it.
    set = ImportedSet{};
    set.kind = kind;
    std::map<ListColour, Colour> number{{0, 0}};
    set.listColour.push_back(0);
    const int firstInner = kind == SetKind::Board16x16 ? 6 : 5;
    int nextRim = 1;
    for (const auto& [colour, u] : uses)
        if (u.rimPiece >= 0) number[colour] = static_cast<Colour>(nextRim++);
    int nextInner = firstInner;
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& [colour, u] : uses) {
            const bool first = kind != SetKind::Board16x16 || u.sides == SHORT_SIDES;
            if (u.rimPiece < 0 && first == (pass == 0)) number[colour] = static_cast<Colour>(nextInner++);
        }
    set.listColour.resize(static_cast<std::size_t>(nextInner));
    for (const auto& [colour, n] : number) set.listColour[n] = colour;

    // Table entries: bottom-first; 16 x 16 rim pieces turned so that the border is
    // at the bottom (and on the left for a corner); every other piece as listed.
    for (const ListPiece& piece : list.pieces) {
        std::array<ListColour, 4> bottomFirst{};
        for (int k = 0; k < 4; ++k) bottomFirst[k] = piece.sides[(k + 2) & 3];
        int r = 0;
        if (kind == SetKind::Board16x16 && borderSides(bottomFirst) > 0)
            while (turn(bottomFirst, r)[bottom_first::BOTTOM] != 0 ||
                   (borderSides(bottomFirst) == 2 && turn(bottomFirst, r)[bottom_first::LEFT] != 0))
                ++r;
        const std::array<ListColour, 4> turned = turn(bottomFirst, r);
        PieceEntry entry{};
        for (int k = 0; k < 4; ++k) entry[k] = number[turned[k]];
        set.table.push_back(entry);
        set.turned.push_back(r);
    }
    if (!applyClues(list, set, error)) return false;
    if (kind != SetKind::Board16x16) return true;

    if (!list.topFirstColours.empty()) {
        if (!topFirstFromList(list, set, error)) return false;
    } else {
        // Each class onto its top-first numbers in ascending order.
        for (int c = 0; c < 23; ++c)
            set.topFirst[c] = static_cast<Colour>(c == 0 ? 0 : c <= 5 ? TOP_FIRST_RIM[c - 1]
                                                         : c <= 10 ? TOP_FIRST_SHORT[c - 6]
                                                                   : TOP_FIRST_LONG[c - 11]);
    }
    return true;
}

}  // namespace zentara::puzzle_import
