// make-puzzles: builds our three puzzle sets from planted solutions and writes
// the data headers and the planted solutions into a data folder; or measures the
// block-set solver's working colour order for the 16 x 16 pieces of a header.
//
//   make-puzzles DATA_DIR
//   make-puzzles --colour-order HEADER
//
// Deterministic: the same build writes the same files byte for byte. Every seam of
// a planted board is coloured first, then the board is cut into pieces. The 16 x 16
// set is listed by class in the table orientation; the small sets are listed in a
// shuffled order, each piece turned at random. The colour order is derived from the
// pieces by a bounded search with a fixed seed.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "blockset/colour_order.hpp"
#include "core/board_file.hpp"
#include "core/puzzle.hpp"
#include "core/random.hpp"
#include "core/user_file.hpp"

using namespace zentara;

namespace {

constexpr RandomState GENERATOR_SEED = 20261207u;

// The colour order search: its seed, 20 rims of 200 inner attempts for every
// order, 600 swaps tried. A few seconds. On our set the greedy start balances one
// assignment in 144 attempts, 100 swaps on 10 rims reach one in 106, and this
// budget one in 40 (measured on other rims than the search's).
constexpr blockset::OrderSearch ORDER_SEARCH{20261207u, 20, 200, 600};

struct Generator {
    Random random{GENERATOR_SEED};
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
};

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

    // Repair: while some piece repeats another under rotation (or is a forbidden
    // cross piece), swap one of its free seams with a random seam of the same kind.
    for (int round = 0;; ++round) {
        std::vector<int> bad;
        for (int c = 0; c < p.cells(); ++c) {
            const PieceEntry e = p.placed(c);
            bool fault = recipe.forbidCrossPieces && pieceClass(e) == 0 &&
                         e[bottom_first::BOTTOM] == e[bottom_first::TOP] &&
                         e[bottom_first::LEFT] == e[bottom_first::RIGHT];
            for (int d = 0; d < c && !fault; ++d) fault = equalUnderRotation(e, p.placed(d));
            if (fault) bad.push_back(c);
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
    for (const FixedPlacement& f : LOCAL_SEARCH_FIXED) {
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
            for (const FixedPlacement& f : LOCAL_SEARCH_FIXED)
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

std::string tableText(const char* name, const std::vector<PieceEntry>& table) {
    std::string s;
    char line[96];
    std::snprintf(line, sizeof line, "inline constexpr std::array<std::array<std::uint8_t, 4>, %zu> %s{{\n",
                  table.size(), name);
    s += line;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::snprintf(line, sizeof line, "    {%2d, %2d, %2d, %2d},  // %zu\n", table[i][0], table[i][1],
                      table[i][2], table[i][3], i + 1);
        s += line;
    }
    s += "}};\n";
    return s;
}

const char* HEADER_NOTE =
    "// Generated by tools/make-puzzles from a planted solution; regenerate rather than edit.\n"
    "// Each entry is one piece in bottom-first edge order: bottom, left, top, right.\n"
    "// The comment after an entry is the piece number as files show it (index + 1).\n"
    "#pragma once\n\n#include <array>\n#include <cstdint>\n\nnamespace zentara::data {\n\n";

const char* COLOUR_ORDER_NOTE =
    "// Working colour order of the block-set solver, measured for these pieces by\n"
    "// make-puzzles: working number w stands for colour COLOUR_ORDER[w] of this table.\n"
    "// The border and rim colours 0-5 keep their numbers; the order of the inner\n"
    "// colours is the order in which block-solver forms its sets and balances colours.\n";

std::string colourOrderText(const std::array<Colour, 23>& order) {
    std::string text = COLOUR_ORDER_NOTE;
    text += "inline constexpr std::array<std::uint8_t, 23> COLOUR_ORDER{{";
    for (std::size_t i = 0; i < order.size(); ++i) text += (i ? ", " : "") + std::to_string(order[i]);
    return text + "}};\n";
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

// The 256 entries of PIECES_16X16 in a header's text: the numbers between the
// array's "{{" and "}};", comments skipped.
bool parsePieces(const std::string& text, std::array<PieceEntry, PIECE_COUNT>& table, std::string& reason) {
    const std::size_t name = text.find("PIECES_16X16");
    const std::size_t open = name == std::string::npos ? name : text.find("{{", name);
    if (open == std::string::npos) {
        reason = "no PIECES_16X16 array";
        return false;
    }
    std::vector<int> numbers;
    for (std::size_t i = open + 2; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos) break;
        } else if (c >= '0' && c <= '9') {
            int value = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000; ++i) value = 10 * value + (text[i] - '0');
            --i;
            numbers.push_back(value);
        } else if (c == '}' && text.compare(i, 3, "}};") == 0) {
            break;
        }
        if (numbers.size() > 4 * PIECE_COUNT) break;
    }
    if (numbers.size() != 4 * PIECE_COUNT) {
        reason = "PIECES_16X16 does not hold 256 entries of 4 colours";
        return false;
    }
    for (int p = 0; p < PIECE_COUNT; ++p)
        for (int k = 0; k < 4; ++k) table[p][k] = static_cast<Colour>(std::min(numbers[4 * p + k], 255));
    // What the measurement relies on: corners, edge pieces and inner pieces in their
    // places and orientation, rim colours 1-5 along the rim, inner colours 6-22.
    using namespace bottom_first;
    for (int p = 0; p < PIECE_COUNT; ++p) {
        const PieceEntry& e = table[p];
        const int cls = p < FIRST_EDGE_PIECE ? 2 : p < FIRST_INNER_PIECE ? 1 : 0;
        const bool placed = pieceClass(e) == cls && (cls == 0 || e[BOTTOM] == BORDER_COLOUR) &&
                            (cls != 2 || e[LEFT] == BORDER_COLOUR);
        bool coloured = true;
        for (int k = 0; k < 4; ++k) {
            if (e[k] == BORDER_COLOUR) continue;
            const bool alongRim = cls == 2 || (cls == 1 && k != TOP);
            coloured = coloured && (alongRim ? e[k] >= 1 && e[k] <= 5 : e[k] >= 6 && e[k] <= 22);
        }
        if (!placed || !coloured) {
            reason = "piece " + std::to_string(p + 1) +
                     (placed ? " has a colour out of place (rim colours 1-5 only along the rim, inner colours 6-22)"
                             : " is not in its place (corners 1-4 with the border bottom and left, edge pieces "
                               "5-60 with the border at the bottom, then inner pieces)");
            return false;
        }
    }
    return true;
}

// make-puzzles --colour-order HEADER: the order line for the pieces of the header.
int printColourOrder(const char* path) {
    std::string text, reason;
    std::array<PieceEntry, PIECE_COUNT> table{};
    if (!readHeader(path, text, reason) || !parsePieces(text, table, reason)) {
        std::fprintf(stderr, "make-puzzles: %s: %s\n", path, reason.c_str());
        return 1;
    }
    const blockset::DerivedOrder derived = blockset::deriveColourOrder(table, ORDER_SEARCH);
    if (derived.count.balanced == 0) {
        std::fprintf(stderr, "make-puzzles: %s: no order found under which an inner assignment balances\n", path);
        return 1;
    }
    std::printf("%s", colourOrderText(derived.order).c_str());
    std::fprintf(stderr, "one balanced inner assignment in %.0f attempts on the measured rims\n",
                 1.0 / derived.count.rate());
    return 0;
}

bool writeText(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool writeSolution(const std::string& path, const std::vector<PlacedCell>& cells, const BoardLayout& layout) {
    BoardText text;
    formatBoard(cells.data(), layout, text);
    return writeText(path, std::string(text.view()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--colour-order") return printColourOrder(argv[2]);
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-puzzles DATA_DIR\n       make-puzzles --colour-order HEADER\n");
        return 2;
    }
    const std::string dir = argv[1];
    Generator gen;
    bool ok = true;

    // 16 x 16: rim colours 1-5 on 12 seams each; inner colours 6-10 on 24 seams,
    // 11-22 on 25. The four seams around the hint cell give the hint piece, in its
    // fixed rotation, top 8, left 12, right 9 and bottom 9.
    {
        PuzzleRecipe recipe{BOARD_16X16, {}, {}, {}, true};
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

        std::string text = HEADER_NOTE;
        text += "// The 16 x 16 set: corners 1-4, edge pieces 5-60, inner pieces 61-256.\n";
        text += tableText("PIECES_16X16", puzzle.table);
        text += "\n// Colour number in the top-first table for each colour of the bottom-first table.\n";
        text += "inline constexpr std::array<std::uint8_t, 23> TOP_FIRST_COLOUR{{";
        for (std::size_t i = 0; i < map.size(); ++i) text += (i ? ", " : "") + std::to_string(map[i]);
        text += "}};\n\n";
        std::array<PieceEntry, PIECE_COUNT> table{};
        std::copy(puzzle.table.begin(), puzzle.table.end(), table.begin());
        text += colourOrderText(blockset::deriveColourOrder(table, ORDER_SEARCH).order);
        text += "\n}  // namespace zentara::data\n";
        ok &= writeText(dir + "/puzzle_16x16.hpp", text);
        ok &= writeSolution(dir + "/solution_16x16.csv", puzzle.solution, LAYOUT_16X16);
    }

    // 6 x 12: rim colours 1-4 on 8 seams each, inner colours 5-8 on 94 seams.
    {
        PuzzleRecipe recipe{BOARD_6X12, {{1, 8}, {2, 8}, {3, 8}, {4, 8}}, {{5, 24}, {6, 24}, {7, 23}, {8, 23}}, {},
                            false};
        const CutPuzzle puzzle = cutSmall(gen, plant(gen, recipe));
        std::string text = HEADER_NOTE;
        text += "// The 6 x 12 set, 72 pieces in no class order and no common orientation.\n";
        text += tableText("PIECES_6X12", puzzle.table);
        text += "\n}  // namespace zentara::data\n";
        ok &= writeText(dir + "/puzzle_6x12.hpp", text);
        ok &= writeSolution(dir + "/solution_6x12.csv", puzzle.solution, LAYOUT_6X12);
    }

    // 6 x 6: rim colours 1-4 on 5 seams each, inner colours 5-7 on 40 seams.
    {
        PuzzleRecipe recipe{BOARD_6X6, {{1, 5}, {2, 5}, {3, 5}, {4, 5}}, {{5, 14}, {6, 13}, {7, 13}}, {}, false};
        const CutPuzzle puzzle = cutSmall(gen, plant(gen, recipe));
        std::string text = HEADER_NOTE;
        text += "// The 6 x 6 set, 36 pieces in no class order and no common orientation.\n";
        text += tableText("PIECES_6X6", puzzle.table);
        text += "\n}  // namespace zentara::data\n";
        ok &= writeText(dir + "/puzzle_6x6.hpp", text);
        ok &= writeSolution(dir + "/solution_6x6.csv", puzzle.solution, LAYOUT_6X6);
    }

    if (!ok) {
        std::fprintf(stderr, "make-puzzles: could not write the data files in %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
