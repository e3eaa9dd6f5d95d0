// make-puzzles: builds our three puzzle sets from planted solutions and writes
// the data headers and the planted solutions into a data folder; imports a plain
// piece list into a data header (the build runs this for ZENTARA_PIECES_*);
// writes the set of a data header as a plain list; or measures the block-set
// solver's working colour order for the 16 x 16 pieces of a header.
//
// Deterministic: the same build writes the same files byte for byte. Every seam of
// a planted board is coloured first, then the board is cut into pieces. The 16 x 16
// set is listed by class in the table orientation; the small sets are listed in a
// shuffled order, each piece turned at random. The colour order is derived from the
// pieces by a bounded search with a fixed seed.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "core/board_file.hpp"
#include "core/command_line.hpp"
#include "core/piece_list.hpp"
#include "core/puzzle.hpp"
#include "core/random.hpp"
#include "core/set_identity.hpp"
#include "core/user_file.hpp"
#include "core/version.hpp"
#include "puzzles/puzzle_import.hpp"

using namespace zentara;
using namespace zentara::puzzle_import;

namespace {

// The seed of our sets; other seeds make other sets of the same kind.
constexpr RandomState GENERATOR_SEED = 20261207u;

const char* const USAGE =
    "usage: make-puzzles [--seed N] [--cross] DATA_DIR write our three sets and their planted solutions\n"
    "       make-puzzles --import SIZE LIST HEADER     write the data header for a plain piece list\n"
    "       make-puzzles --plain SIZE HEADER LIST      write the set of a data header as a plain piece list\n"
    "       make-puzzles --colour-order HEADER         print the block-set colour order for a 16x16 header\n"
    "       make-puzzles --help | --version\n"
    "SIZE is 16x16, 6x12 or 6x6. --cross gives the 16x16 set an inner piece with both pairs of\n"
    "opposite sides equal (top = bottom, left = right); our sets have none there.\n";

struct Generator {
    Random random;
    int below(int n) { return static_cast<int>(random.highHalf() % static_cast<std::uint32_t>(n)); }
    template <class T>
    void shuffle(std::vector<T>& v) {
        for (int i = static_cast<int>(v.size()) - 1; i > 0; --i) std::swap(v[i], v[below(i + 1)]);
    }
};

// A planted board: seam colours, cut into pieces as placed (bottom-first side order).
struct Planted {
    Geometry g;
    std::vector<int> horizontal;  // seam right of cell c (column < width-1), index c
    std::vector<int> vertical;    // seam below cell c (row < height-1), index c
    std::vector<bool> fixedSeam;  // by seam id
    std::vector<bool> rimSeam;

    // Seam ids: horizontal seam of cell c is c, vertical seam of cell c is cells + c.
    int cells() const { return g.cells(); }
    bool seamExists(int id) const {
        const int c = id % cells();
        return id < cells() ? g.right(c) >= 0 : g.below(c) >= 0;
    }
    int& colour(int id) { return id < cells() ? horizontal[id] : vertical[id - cells()]; }

    PieceEntry placed(int c) const {
        PieceEntry e{};
        e[bottom_first::BOTTOM] = g.below(c) >= 0 ? vertical[c] : BORDER_COLOUR;
        e[bottom_first::TOP] = g.above(c) >= 0 ? vertical[c - g.width] : BORDER_COLOUR;
        e[bottom_first::LEFT] = g.left(c) >= 0 ? horizontal[c - 1] : BORDER_COLOUR;
        e[bottom_first::RIGHT] = g.right(c) >= 0 ? horizontal[c] : BORDER_COLOUR;
        return e;
    }
    bool hasFreeSeam(int c) const {
        for (int id : seamsOf(c))
            if (!fixedSeam[id]) return true;
        return false;
    }
    std::vector<int> seamsOf(int c) const {
        std::vector<int> s;
        if (g.right(c) >= 0) s.push_back(c);
        if (g.left(c) >= 0) s.push_back(c - 1);
        if (g.below(c) >= 0) s.push_back(cells() + c);
        if (g.above(c) >= 0) s.push_back(cells() + c - g.width);
        return s;
    }
};

struct ColourCount {
    int colour;
    int count;
};

struct PuzzleRecipe {
    Geometry g;
    std::vector<ColourCount> rim;
    std::vector<ColourCount> inner;
    std::vector<std::pair<int, int>> fixedSeams;  // seam id, colour
    bool forbidCrossPieces;
    int crossPiecesWanted = 0;  // inner pieces made crosses on purpose, each with its seams kept
};

bool isInnerCross(const PieceEntry& e) {
    return pieceClass(e) == 0 && e[bottom_first::BOTTOM] == e[bottom_first::TOP] &&
           e[bottom_first::LEFT] == e[bottom_first::RIGHT];
}

// Turns inner pieces into crosses (top = bottom, left = right) until the board
// holds as many as the recipe wants: each time a random inner cell none of whose
// seams is kept takes the colour of its bottom seam on its top and of its right
// seam on its left, by swapping with seams elsewhere (so every colour keeps its
// count); its four seams are then kept, so the repair does not undo it.
void makeCrossPieces(Generator& gen, const PuzzleRecipe& recipe, const std::vector<int>& innerIds, Planted& p) {
    int crosses = 0;
    for (int c = 0; c < p.cells(); ++c) crosses += isInnerCross(p.placed(c));
    while (crosses < recipe.crossPiecesWanted) {
        const int c = gen.below(p.cells());
        if (p.g.isRim(c) || isInnerCross(p.placed(c))) continue;
        const std::vector<int> own = p.seamsOf(c);
        bool free = true;
        for (int id : own) free = free && !p.fixedSeam[id];
        if (!free) continue;
        // Seams of c: right, left, below, above (seamsOf's order on an inner cell).
        const auto take = [&](int id, int colour) {
            std::vector<int> donors;
            for (int other : innerIds)
                if (!p.fixedSeam[other] && p.colour(other) == colour &&
                    std::find(own.begin(), own.end(), other) == own.end())
                    donors.push_back(other);
            if (donors.empty()) return false;
            std::swap(p.colour(id), p.colour(donors[gen.below(static_cast<int>(donors.size()))]));
            return true;
        };
        if (!take(own[3], p.colour(own[2])) || !take(own[1], p.colour(own[0]))) continue;
        for (int id : own) p.fixedSeam[id] = true;
        ++crosses;
    }
}

Planted plant(Generator& gen, const PuzzleRecipe& recipe) {
    Planted p{recipe.g, std::vector<int>(recipe.g.cells(), -1), std::vector<int>(recipe.g.cells(), -1),
              std::vector<bool>(2 * recipe.g.cells(), false), std::vector<bool>(2 * recipe.g.cells(), false)};
    const Geometry& g = recipe.g;
    std::vector<int> rimIds, innerIds;
    for (int id = 0; id < 2 * p.cells(); ++id) {
        if (!p.seamExists(id)) continue;
        const int c = id % p.cells();
        const int other = id < p.cells() ? c + 1 : c + g.width;
        const bool rim = g.isRim(c) && g.isRim(other);
        p.rimSeam[id] = rim;
        (rim ? rimIds : innerIds).push_back(id);
    }
    std::vector<int> rimColours, innerColours;
    for (auto [colour, count] : recipe.rim) rimColours.insert(rimColours.end(), count, colour);
    for (auto [colour, count] : recipe.inner) innerColours.insert(innerColours.end(), count, colour);
    for (auto [id, colour] : recipe.fixedSeams) {
        p.colour(id) = colour;
        p.fixedSeam[id] = true;
        innerIds.erase(std::find(innerIds.begin(), innerIds.end(), id));
        innerColours.erase(std::find(innerColours.begin(), innerColours.end(), colour));
    }
    if (rimColours.size() != rimIds.size() || innerColours.size() != innerIds.size()) {
        std::fprintf(stderr, "colour counts do not fit the seams\n");
        std::exit(1);
    }
    gen.shuffle(rimColours);
    gen.shuffle(innerColours);
    for (std::size_t i = 0; i < rimIds.size(); ++i) p.colour(rimIds[i]) = rimColours[i];
    for (std::size_t i = 0; i < innerIds.size(); ++i) p.colour(innerIds[i]) = innerColours[i];
    makeCrossPieces(gen, recipe, innerIds, p);

    // Repair: while some piece repeats another under rotation (or is a forbidden
    // cross piece), swap one of its free seams with a random seam of the same kind.
    for (int round = 0;; ++round) {
        std::vector<int> bad;
        for (int c = 0; c < p.cells(); ++c) {
            const PieceEntry e = p.placed(c);
            bool fault = recipe.forbidCrossPieces && isInnerCross(e);
            int culprit = c;
            for (int d = 0; d < c && !fault; ++d) {
                fault = equalUnderRotation(e, p.placed(d));
                if (fault && !p.hasFreeSeam(c)) culprit = d;  // c is a cross made on purpose
            }
            if (fault) bad.push_back(culprit);
        }
        if (bad.empty()) break;
        if (round > 100000) {
            std::fprintf(stderr, "could not repair the planted board\n");
            std::exit(1);
        }
        const int c = bad[gen.below(static_cast<int>(bad.size()))];
        std::vector<int> own;
        for (int id : p.seamsOf(c))
            if (!p.fixedSeam[id]) own.push_back(id);
        const int a = own[gen.below(static_cast<int>(own.size()))];
        const std::vector<int>& pool = p.rimSeam[a] ? rimIds : innerIds;
        const int b = pool[gen.below(static_cast<int>(pool.size()))];
        std::swap(p.colour(a), p.colour(b));
    }
    return p;
}

// Table entry for a piece placed in rotation r: placed side k = entry[(k - r) mod 4].
PieceEntry tableEntry(const PieceEntry& placed, int r) { return rotate(placed, -r & 3); }

struct CutPuzzle {
    std::vector<PieceEntry> table;
    std::vector<PlacedCell> solution;
};

// The 16 x 16 cut: corners 0-3, edges 4-59, inner pieces 60-255, rim pieces in the
// table orientation, three inner pieces on their fixed cells.
CutPuzzle cut16(Generator& gen, const Planted& p) {
    const Geometry& g = p.g;
    CutPuzzle out{std::vector<PieceEntry>(PIECE_COUNT), std::vector<PlacedCell>(CELL_COUNT)};
    std::vector<int> corners, edges, inners;
    for (int c = 0; c < CELL_COUNT; ++c) {
        if (g.isCorner(c)) corners.push_back(c);
        else if (g.isRim(c)) edges.push_back(c);
        else inners.push_back(c);
    }
    gen.shuffle(corners);
    gen.shuffle(edges);
    gen.shuffle(inners);
    std::vector<int> cellOfPiece(PIECE_COUNT, -1);
    for (int i = 0; i < 4; ++i) cellOfPiece[i] = corners[i];
    for (int i = 0; i < 56; ++i) cellOfPiece[FIRST_EDGE_PIECE + i] = edges[i];
    std::vector<int> freeInnerPieces;
    for (int piece = FIRST_INNER_PIECE; piece < PIECE_COUNT; ++piece) freeInnerPieces.push_back(piece);
    for (const FixedPlacement& f : GENERATED_FIXED) {
        cellOfPiece[f.piece] = f.cell;
        inners.erase(std::find(inners.begin(), inners.end(), f.cell));
        freeInnerPieces.erase(std::find(freeInnerPieces.begin(), freeInnerPieces.end(), f.piece));
    }
    for (std::size_t i = 0; i < inners.size(); ++i) cellOfPiece[freeInnerPieces[i]] = inners[i];

    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        const int c = cellOfPiece[piece];
        int r;
        if (g.isRim(c)) {
            // Rotation that turns the table orientation (border at the bottom, and on
            // the left for a corner) onto this rim cell.
            if (g.bottomFacesFrame(c) && !g.rightFacesFrame(c)) r = 0;
            else if (g.leftFacesFrame(c)) r = 1;
            else if (g.topFacesFrame(c)) r = 2;
            else r = 3;
        } else {
            r = gen.below(4);
            for (const FixedPlacement& f : GENERATED_FIXED)
                if (f.piece == piece) r = f.rotation;
        }
        out.table[piece] = tableEntry(p.placed(c), r);
        out.solution[c] = PlacedCell{static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(r)};
    }
    return out;
}

// The small cuts: pieces in a shuffled order, each turned at random.
CutPuzzle cutSmall(Generator& gen, const Planted& p) {
    const int n = p.cells();
    CutPuzzle out{std::vector<PieceEntry>(n), std::vector<PlacedCell>(n)};
    std::vector<int> cellOfPiece(n);
    for (int i = 0; i < n; ++i) cellOfPiece[i] = i;
    gen.shuffle(cellOfPiece);
    for (int piece = 0; piece < n; ++piece) {
        const int c = cellOfPiece[piece];
        const int r = gen.below(4);
        out.table[piece] = tableEntry(p.placed(c), r);
        out.solution[c] = PlacedCell{static_cast<std::int16_t>(piece), static_cast<std::uint8_t>(r)};
    }
    return out;
}

// The text of a header through the core reader (no FIFO or device, bounded):
// a piece header is some ten kilobytes, so a megabyte is plenty.
bool readHeader(const char* path, std::string& text, std::string& reason) {
    static char buffer[1 << 20];
    const FileRead read = readUserFile(path, buffer, sizeof buffer);
    if (!read.ok() || read.longer) {
        reason = read.ok() ? "larger than a piece header can be" : fileErrorText(read.error);
        return false;
    }
    text.assign(buffer, read.size);
    return true;
}

// make-puzzles --colour-order HEADER: the order line for the pieces of the header.
int printColourOrder(const char* path) {
    std::string text, reason;
    ImportedSet set;
    if (!readHeader(path, text, reason) || !parseHeader(SetKind::Board16x16, text, set, reason)) {
        std::fprintf(stderr, "make-puzzles: %s: %s\n", path, reason.c_str());
        return 1;
    }
    double rate = 0;
    if (!measureColourOrder(set, rate)) {
        std::fprintf(stderr, "make-puzzles: %s: no order found under which an inner assignment balances\n", path);
        return 1;
    }
    std::printf("%s", colourOrderText(set.colourOrder).c_str());
    std::fprintf(stderr, "one balanced inner assignment in %.0f attempts on the measured rims\n", 1.0 / rate);
    return 0;
}

bool writeText(const std::string& path, const std::string& text) { return replaceFile(path.c_str(), text) == 0; }

bool writeSolution(const std::string& path, const std::vector<PlacedCell>& cells, const BoardLayout& layout) {
    BoardText text;
    formatBoard(cells.data(), layout, text, PieceNumbers::Table);
    return writeText(path, std::string(text.view()));
}

// make-puzzles --import SIZE LIST HEADER
int importList(SetKind kind, const char* listPath, const char* headerPath) {
    PieceList list;
    ImportedSet set;
    std::string error;
    if (!readPieceList(listPath, list, error) || !importMeasured(kind, list, set, error)) {
        std::fprintf(stderr, "make-puzzles: %s: %s\n", listPath, error.c_str());
        return 1;
    }
    const int written = replaceFile(headerPath, headerText(set));
    if (written != 0) {
        std::fprintf(stderr, "make-puzzles: %s: %s\n", headerPath, fileErrorText(written));
        return 1;
    }
    const SetShape& shape = shapeOf(kind);
    int turned = 0;
    for (int r : set.turned) turned += r != 0;
    std::printf("%s pieces from %s: %d pieces, %zu colours", shape.title, listPath, shape.pieces,
                set.listColour.size() - 1);
    if (kind == SetKind::Board16x16) {
        // The hint as it lies on its cell: the list's sides turned by its rotation.
        const std::array<ListColour, 4>& hint = list.pieces[set.hintListPiece].sides;
        const int r = (HINT_ROTATION + set.hintTurn) & 3;
        turned -= set.turned[HINT_PIECE] != 0;
        std::printf(", %d rim pieces turned to the table orientation; hint piece %d in rotation %d shows top %u, "
                    "right %u, bottom %u, left %u; %zu further pieces fixed by shift-solver and berserker-solver",
                    turned, set.hintListPiece + 1, r, hint[(0 - r) & 3], hint[(1 - r) & 3], hint[(2 - r) & 3],
                    hint[(3 - r) & 3], set.fixed.size() - 1);
    }
    std::printf("; piece set %s\n", setFingerprint(set).c_str());
    if (kind == SetKind::Board16x16 && set.balanceRate > 0)
        std::printf("block-solver on this set: one inner assignment in %.0f balances (one in %.0f on ours), so "
                    "expect about %.1f times fewer variants per second than on ours\n",
                    1.0 / set.balanceRate, 1.0 / BUILT_IN_BALANCE_RATE, BUILT_IN_BALANCE_RATE / set.balanceRate);
    return 0;
}

// make-puzzles --plain SIZE HEADER LIST
int writePlain(SetKind kind, const char* headerPath, const char* listPath) {
    std::string text, error;
    ImportedSet set;
    if (!readHeader(headerPath, text, error) || !parseHeader(kind, text, set, error)) {
        std::fprintf(stderr, "make-puzzles: %s: %s\n", headerPath, error.c_str());
        return 1;
    }
    const int written = replaceFile(listPath, plainListText(set));
    if (written != 0) {
        std::fprintf(stderr, "make-puzzles: %s: %s\n", listPath, fileErrorText(written));
        return 1;
    }
    return 0;
}

int usageError(const std::string& why) {
    return refuseCommandLine(std::cerr, CommandSyntax{"make-puzzles", USAGE}, why);
}

// make-puzzles [--seed N] [--cross] DATA_DIR
int writeSets(const std::string& dir, RandomState seed, bool cross) {
    Generator gen{Random{seed}};
    bool ok = true;

    // 16 x 16: rim colours 1-5 on 12 seams each; inner colours 6-10 on 24 seams,
    // 11-22 on 25. The four seams around the hint cell give the hint piece, in its
    // fixed rotation, top 8, left 12, right 9 and bottom 9.
    {
        PuzzleRecipe recipe{BOARD_16X16, {}, {}, {}, !cross, cross ? 1 : 0};
        for (int c = 1; c <= 5; ++c) recipe.rim.push_back({c, 12});
        for (int c = 6; c <= 22; ++c) recipe.inner.push_back({c, c <= 10 ? 24 : 25});
        const int cells = CELL_COUNT;
        recipe.fixedSeams = {{cells + HINT_CELL - 16, 8}, {HINT_CELL - 1, 12}, {HINT_CELL, 9}, {cells + HINT_CELL, 9}};
        const Planted planted = plant(gen, recipe);
        const CutPuzzle puzzle = cut16(gen, planted);

        // Colour numbering of the top-first table: rim colours onto {1,2,3,4,8},
        // the five 48-side colours onto {5,6,7,14,15}, the rest onto what is left.
        std::vector<int> rimTargets{1, 2, 3, 4, 8}, shortTargets{5, 6, 7, 14, 15},
            longTargets{9, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22};
        gen.shuffle(rimTargets);
        gen.shuffle(shortTargets);
        gen.shuffle(longTargets);
        std::vector<int> map{0};
        map.insert(map.end(), rimTargets.begin(), rimTargets.end());
        map.insert(map.end(), shortTargets.begin(), shortTargets.end());
        map.insert(map.end(), longTargets.begin(), longTargets.end());

        ImportedSet set;
        set.kind = SetKind::Board16x16;
        set.table = puzzle.table;
        set.fixed.assign(GENERATED_FIXED.begin(), GENERATED_FIXED.end());
        for (int c = 0; c < 23; ++c) set.topFirst[c] = static_cast<Colour>(map[c]);
        double rate = 0;
        measureColourOrder(set, rate);
        ok &= writeText(dir + "/puzzle_16x16.hpp", headerText(set));
        ok &= writeSolution(dir + "/solution_16x16.csv", puzzle.solution, LAYOUT_16X16);
    }

    // 6 x 12: rim colours 1-4 on 8 seams each, inner colours 5-8 on 94 seams.
    {
        PuzzleRecipe recipe{BOARD_6X12, {{1, 8}, {2, 8}, {3, 8}, {4, 8}}, {{5, 24}, {6, 24}, {7, 23}, {8, 23}}, {},
                            false};
        const CutPuzzle puzzle = cutSmall(gen, plant(gen, recipe));
        ImportedSet set;
        set.kind = SetKind::Board6x12;
        set.table = puzzle.table;
        ok &= writeText(dir + "/puzzle_6x12.hpp", headerText(set));
        ok &= writeSolution(dir + "/solution_6x12.csv", puzzle.solution, LAYOUT_6X12);
    }

    // 6 x 6: rim colours 1-4 on 5 seams each, inner colours 5-7 on 40 seams.
    {
        PuzzleRecipe recipe{BOARD_6X6, {{1, 5}, {2, 5}, {3, 5}, {4, 5}}, {{5, 14}, {6, 13}, {7, 13}}, {}, false};
        const CutPuzzle puzzle = cutSmall(gen, plant(gen, recipe));
        ImportedSet set;
        set.kind = SetKind::Board6x6;
        set.table = puzzle.table;
        ok &= writeText(dir + "/puzzle_6x6.hpp", headerText(set));
        ok &= writeSolution(dir + "/solution_6x6.csv", puzzle.solution, LAYOUT_6X6);
    }

    if (!ok) {
        std::fprintf(stderr, "make-puzzles: could not write the data files in %s\n", dir.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::printf("%s", USAGE);
            return 0;
        }
        if (a == "--version") {
            printVersion(std::cout, "make-puzzles");
            return 0;
        }
    }
    SetKind kind{};
    const std::string command = args.empty() ? "" : args[0];
    if (command == "--colour-order") {
        if (args.size() != 2) return usageError("--colour-order takes one header");
        return printColourOrder(args[1].c_str());
    }
    if (command == "--import" || command == "--plain") {
        if (args.size() != 4) return usageError(command + " takes a size and two files");
        if (!kindOfName(args[1], kind)) return usageError("unknown size '" + printableArgument(args[1]) + "'");
        return command == "--import" ? importList(kind, args[2].c_str(), args[3].c_str())
                                     : writePlain(kind, args[2].c_str(), args[3].c_str());
    }
    RandomState seed = GENERATOR_SEED;
    bool cross = false;
    std::size_t at = 0;
    if (at < args.size() && args[at] == "--seed") {
        char* end = nullptr;
        const std::string value = at + 1 < args.size() ? args[at + 1] : "";
        const unsigned long long number = value.empty() ? 0 : std::strtoull(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || value[0] == '-' || number > 0xFFFFFFFFull)
            return usageError("--seed takes a whole number 0 to 4294967295");
        seed = static_cast<RandomState>(number);
        at += 2;
    }
    if (at < args.size() && args[at] == "--cross") {
        cross = true;
        ++at;
    }
    for (std::size_t i = at; i < args.size(); ++i)
        if (!args[i].empty() && args[i][0] == '-') return usageError("unknown argument '" + printableArgument(args[i]) + "'");
    if (args.size() != at + 1) return usageError(args.size() <= at ? "no data folder given" : "one data folder only");
    return writeSets(args[at], seed, cross);
}
