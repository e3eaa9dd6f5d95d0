// The importer of plain piece lists: our sets go through the plain format and
// come back byte for byte; scrambled lists give the same pieces; every set the
// programs cannot take is refused with a message naming where and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/piece_list.hpp"
#include "tests/support/temp_dir.hpp"
#include "puzzles/puzzle_import.hpp"
#include "core/set_identity.hpp"
#include "core/rim_proof.hpp"

namespace zentara {
namespace {

using namespace puzzle_import;
using testing::readFile;
using testing::sourcePath;

ImportedSet committedSet(SetKind kind) {
    ImportedSet set;
    std::string error;
    EXPECT_TRUE(parseHeader(kind, readFile(sourcePath(std::string("data/") + shapeOf(kind).headerName)), set, error))
        << error;
    return set;
}

bool importText(SetKind kind, const std::string& text, ImportedSet& set, std::string& error, bool measure = true) {
    PieceList list;
    return parsePieceList(text, list, error) && importMeasured(kind, list, set, error, measure);
}

TEST(PieceImport, OurSetsThroughThePlainFormatGiveTheCommittedHeaders) {
    for (SetKind kind : {SetKind::Board16x16, SetKind::Board6x12, SetKind::Board6x6}) {
        const std::string committed = readFile(sourcePath(std::string("data/") + shapeOf(kind).headerName));
        const std::string plain = plainListText(committedSet(kind));
        // A text file of the suite: CR LF line ends, comments first.
        EXPECT_EQ(plain.rfind("# The ", 0), 0u);
        EXPECT_EQ(std::count(plain.begin(), plain.end(), '\n'), std::count(plain.begin(), plain.end(), '\r'));
        ImportedSet back;
        std::string error;
        ASSERT_TRUE(importText(kind, plain, back, error)) << error;
        EXPECT_EQ(headerText(back), committed) << shapeOf(kind).name;
    }
}

// Our 16 x 16 set as a user might give it: every rim piece turned at random, the
// inner pieces as they are, colours renamed at random to large numbers, in
// bottom-first order, with comments, blank lines and commas.
TEST(PieceImport, TurnedAndRenamedListsGiveTheSamePieces) {
    std::mt19937 random(7);
    for (SetKind kind : {SetKind::Board16x16, SetKind::Board6x6}) {
        const ImportedSet ours = committedSet(kind);
        std::vector<ListColour> rename(23);
        std::vector<ListColour> names;
        for (ListColour c = 1000; c < 1100; ++c) names.push_back(c);
        std::shuffle(names.begin(), names.end(), random);
        for (int c = 1; c < 23; ++c) rename[c] = names[c];
        std::vector<int> turns;
        std::string text = "# my puzzle\r\norder bottom left top right\n\n";
        for (std::size_t p = 0; p < ours.table.size(); ++p) {
            const int turn = pieceClass(ours.table[p]) > 0 ? static_cast<int>(random() % 4) : 0;
            turns.push_back(turn);
            const PieceEntry e = rotate(ours.table[p], turn);
            text += std::to_string(rename[e[0]]) + ", " + std::to_string(rename[e[1]]) + "\t" +
                    std::to_string(rename[e[2]]) + " " + std::to_string(rename[e[3]]) + "  # piece\n";
        }
        ImportedSet set;
        std::string error;
        ASSERT_TRUE(importText(kind, text, set, error)) << error;
        ASSERT_EQ(set.table.size(), ours.table.size());
        // One colour renaming carries every entry of ours onto the import's, piece by
        // piece in the same orientation: a 16 x 16 rim piece turned back by exactly
        // its turn, every other piece kept as listed.
        std::map<int, int> to;
        for (std::size_t p = 0; p < set.table.size(); ++p) {
            const int expectedTurn = kind == SetKind::Board16x16 ? (4 - turns[p]) & 3 : 0;
            EXPECT_EQ(set.turned[p], expectedTurn) << p;
            const PieceEntry expected =
                kind == SetKind::Board16x16 ? ours.table[p] : rotate(ours.table[p], turns[p]);
            for (int k = 0; k < 4; ++k) {
                const auto [at, fresh] = to.emplace(expected[k], set.table[p][k]);
                EXPECT_EQ(at->second, set.table[p][k]) << "piece " << p + 1;
                EXPECT_EQ(set.listColour[set.table[p][k]], rename[expected[k]]);
            }
        }
        std::vector<int> images;
        for (auto [from, image] : to) images.push_back(image);
        std::sort(images.begin(), images.end());
        EXPECT_EQ(std::adjacent_find(images.begin(), images.end()), images.end()) << "not one-to-one";
        // The renaming keeps the classes: the border, rim colours, and on 16 x 16 the 48-side colours.
        for (auto [from, image] : to) {
            EXPECT_EQ(from == 0, image == 0);
            EXPECT_EQ(from >= 1 && from <= 4, image >= 1 && image <= 4) << from;
            if (kind == SetKind::Board16x16) {
                EXPECT_EQ(from >= 6 && from <= 10, image >= 6 && image <= 10) << from;
            }
        }
    }
}

// Our 16 x 16 list with one change made to its text.
std::string changed16(const std::function<void(std::vector<std::string>&)>& change) {
    const std::string plain = plainListText(committedSet(SetKind::Board16x16));
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < plain.size();) {
        const std::size_t end = plain.find("\r\n", pos);
        lines.push_back(plain.substr(pos, end - pos));
        pos = end + 2;
    }
    change(lines);
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

// Our list's comments take lines 1-6: piece k is on line k + 6.
constexpr int FIRST_PIECE_LINE = 6;
std::string& pieceLine(std::vector<std::string>& lines, int piece) { return lines[FIRST_PIECE_LINE + piece - 1]; }

TEST(PieceImport, RefusesWhatCannotWorkNamingWhereAndWhy) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> change;
        std::string message;
    };
    const std::vector<Case> cases{
        {"a line of three colours", [](auto& l) { pieceLine(l, 70) = "7 8 9"; },
         "line 76: a piece line holds four colours (whole numbers 0 to 999999, 0 the border)"},
        {"a word", [](auto& l) { pieceLine(l, 70) = "seven 8 9 10"; },
         "line 76: a piece line holds four colours (whole numbers 0 to 999999, 0 the border); found \"seven\""},
        {"a word with a terminal escape", [](auto& l) { pieceLine(l, 70) = "\x1b[2Jseven 8 9 10"; },
         "line 76: a piece line holds four colours (whole numbers 0 to 999999, 0 the border); found \"?[2Jseven\""},
        {"a negative colour", [](auto& l) { pieceLine(l, 70) = "7 8 -9 10"; },
         "line 76: a piece line holds four colours (whole numbers 0 to 999999, 0 the border)"},
        {"a piece missing", [](auto& l) { l.erase(l.begin() + FIRST_PIECE_LINE + 99); },
         "the list holds 255 pieces; the 16 x 16 puzzle has 256"},
        {"a piece too many", [](auto& l) { l.insert(l.begin() + FIRST_PIECE_LINE + 99, l[FIRST_PIECE_LINE + 99]); },
         "line 263: more than 256 pieces"},
        {"an order line after pieces", [](auto& l) { pieceLine(l, 2) += "\r\norder left top right bottom"; },
         "line 9: the order line must come before the first piece"},
        {"a second order line",
         [](auto& l) { l[0] = "order top right bottom left"; l[2] = "order left top right bottom"; },
         "line 3: a second order line (the first is line 1); a list has at most one"},
        {"a side named twice", [](auto& l) { l[0] = "order top top bottom left"; },
         "line 1: an order line names the four sides once each, for example \"order bottom left top right\""},
        {"class order", [](auto& l) { std::swap(pieceLine(l, 60), pieceLine(l, 61)); },
         "piece 60 (line 66) is an inner piece; the list gives the 4 corners first (pieces 1-4), then the 56 edge "
         "pieces (5-60), then the 196 inner pieces (61-256)"},
        {"a piece that repeats another turned",
         [](auto& l) {
             const std::string& p = pieceLine(l, 100);
             pieceLine(l, 200) = p.substr(p.rfind(' ') + 1) + " " + p.substr(0, p.rfind(' '));
         },
         "piece 200 (line 206) repeats piece 100 (line 106) turned; no two pieces of a set may be equal under "
         "rotation"},
        {"three border sides", [](auto& l) { pieceLine(l, 3) = "0 0 0 4"; },
         "piece 3 (line 9) has 3 border sides (colour 0); a piece has at most two"},
        {"a corner with opposite borders", [](auto& l) { pieceLine(l, 3) = "0 4 0 1"; },
         "piece 3 (line 9) has its two border sides opposite each other; a corner's are adjacent"},
        {"a rim colour inside", [](auto& l) { pieceLine(l, 100) = "1 " + pieceLine(l, 100).substr(pieceLine(l, 100).find(' ') + 1); },
         "colour 1 runs along the rim on piece 3 (line 9) and stands on an inner side of piece 100 (line 106); a "
         "colour is either a rim colour or an inner colour"},
        {"a rim colour onto an inner top-first number",
         [](auto& l) { l[262].replace(l[262].find(" 1:2 "), 5, " 1:5 "); },
         "the top-first colour line: colour 1 cannot take 5: the border stays 0, rim colours take 1, 2, 3, 4 and 8, "
         "the 48-side colours 5, 6, 7, 14 and 15, the others the rest"},
        {"an edge piece read the other way",
     [](auto& l) {
         // "22 1 0 2" -> "22 2 0 1": colour 1 begins one piece more and ends one fewer.
         std::string& p = pieceLine(l, 5);
         const std::size_t a = p.find(' '), b = p.find(' ', a + 1), c = p.rfind(' ');
         p = p.substr(0, a) + p.substr(c) + p.substr(b, c - b) + " " + p.substr(a + 1, b - a - 1);
     },
     "the rim cannot close: rim colour 1 begins 13 rim pieces and ends 11 (each read counterclockwise round the "
     "board); on a closed rim a colour ends as many as it begins"},
    {"a sixth rim colour", [](auto& l) { pieceLine(l, 1) = "5 30 0 0"; },
         "the list has 6 rim colours and 17 inner colours; the 16 x 16 puzzle has 5 rim colours on 24 sides each and "
         "17 inner colours, five on 48 sides and twelve on 50"},
    };
    for (const Case& c : cases) {
        ImportedSet set;
        std::string error;
        EXPECT_FALSE(importText(SetKind::Board16x16, changed16(c.change), set, error)) << c.what;
        EXPECT_EQ(error, c.message) << c.what;
    }
}

TEST(PieceImport, RefusesWrongColourCounts) {
    // Colours counted from our set: 6-10 on 48 sides, 11-22 on 50, rim colours on 24.
    ImportedSet set;
    std::string error;
    // One inner side of colour 11 becomes 12: 11 on 49 sides.
    const auto recolour = [](int piece, int from, int to) {
        return changed16([=](auto& l) {
            std::string& p = pieceLine(l, piece);
            std::string words[4];
            std::size_t a = 0;
            for (int k = 0; k < 4; ++k) {
                const std::size_t b = p.find(' ', a);
                words[k] = p.substr(a, b == std::string::npos ? std::string::npos : b - a);
                a = b + 1;
            }
            for (std::string& w : words)
                if (w == std::to_string(from)) {
                    w = std::to_string(to);
                    break;
                }
            p = words[0] + " " + words[1] + " " + words[2] + " " + words[3];
        });
    };
    int piece = 0;  // first inner piece showing colour 11
    {
        const ImportedSet ours = committedSet(SetKind::Board16x16);
        for (int p = FIRST_INNER_PIECE; p < PIECE_COUNT && !piece; ++p)
            if (std::count(ours.table[p].begin(), ours.table[p].end(), 11) == 1 &&
                std::count(ours.table[p].begin(), ours.table[p].end(), 12) == 0)
                piece = p + 1;
    }
    ASSERT_GT(piece, 0);
    EXPECT_FALSE(importText(SetKind::Board16x16, recolour(piece, 11, 12), set, error));
    EXPECT_EQ(error, "inner colour 11 is on 49 sides; an inner colour of the 16 x 16 puzzle is on 48 sides (five of "
                     "them) or 50 (twelve)");
    // Two colours of 50 sides each give one side to a 48-side colour.
    EXPECT_FALSE(importText(SetKind::Board16x16, recolour(piece, 11, 6), set, error));
    EXPECT_EQ(error, "inner colour 6 is on 49 sides; an inner colour of the 16 x 16 puzzle is on 48 sides (five of "
                     "them) or 50 (twelve)");

    // The small sets: a colour on an odd number of sides, a list of the wrong size.
    const ImportedSet ours6 = committedSet(SetKind::Board6x6);
    std::vector<std::array<ListColour, 4>> pieces;
    for (const PieceEntry& e : ours6.table) pieces.push_back({e[2], e[3], e[0], e[1]});
    int inner = 0;
    while (pieceClass(ours6.table[inner]) != 0 || pieces[inner][0] != 5) ++inner;
    pieces[inner][0] = 6;  // 5 loses a side, 6 gains one
    EXPECT_FALSE(importText(SetKind::Board6x6, formatPieceList({}, pieces), set, error));
    EXPECT_EQ(error.substr(0, 9), "colour 5 ");
    EXPECT_NE(error.find(" sides, an odd number: one of them could never meet its match"), std::string::npos) << error;
    const std::string small = plainListText(ours6);
    EXPECT_FALSE(importText(SetKind::Board6x12, small, set, error));
    EXPECT_EQ(error, "the list holds 36 pieces; the 6 x 12 puzzle has 72");
}

// A ring of rim colours planted on a board's rim: seam i carries colour x[i], the
// piece after it begins with x[i] and ends with x[i + 1]; pieces shuffled.
RimPieces plantedRim(int width, int height, int colours, unsigned seed) {
    std::mt19937 random(seed);
    RimPieces rim;
    rim.sideEdges = {width - 2, height - 2, width - 2, height - 2};
    std::vector<bool> corner;
    for (int e : rim.sideEdges) {
        corner.push_back(true);
        corner.insert(corner.end(), static_cast<std::size_t>(e), false);
    }
    std::vector<ListColour> seam(corner.size());
    for (ListColour& x : seam) x = 1 + random() % static_cast<unsigned>(colours);
    for (std::size_t i = 0; i < seam.size(); ++i)
        (corner[i] ? rim.corners : rim.edges).push_back({seam[i], seam[(i + 1) % seam.size()]});
    std::shuffle(rim.corners.begin(), rim.corners.end(), random);
    std::shuffle(rim.edges.begin(), rim.edges.end(), random);
    return rim;
}

// A 6 x 6 rim by hand: four corners, then edge pieces as (begins, ends, how many).
RimPieces rim6x6(std::vector<RimPiece> corners, const std::vector<std::array<ListColour, 3>>& edges) {
    RimPieces rim{std::move(corners), {}, {4, 4, 4, 4}};
    for (const auto& [begins, ends, n] : edges) rim.edges.insert(rim.edges.end(), n, RimPiece{begins, ends});
    return rim;
}

TEST(PieceImport, ProvesThatTheRimClosesOrNamesWhyNot) {
    const std::string sixBySix = "the 4 corners and 16 edge pieces (4, 4, 4 and 4 on the board's sides)";
    struct Case {
        const char* what;
        RimPieces rim;
        std::int64_t steps;
        RimVerdict verdict;
        std::string refusal;
    };
    const std::vector<Case> cases{
        {"a ring planted on the 16 x 16 rim", plantedRim(16, 16, 5, 1), RIM_SEARCH_STEPS, RimVerdict::Closes, ""},
        {"another, two colours", plantedRim(16, 16, 2, 2), RIM_SEARCH_STEPS, RimVerdict::Closes, ""},
        {"a ring planted on the 6 x 12 rim", plantedRim(12, 6, 4, 3), RIM_SEARCH_STEPS, RimVerdict::Closes, ""},
        {"each side one colour", rim6x6({{1, 2}, {2, 3}, {3, 4}, {4, 1}}, {{1, 1, 4}, {2, 2, 4}, {3, 3, 4}, {4, 4, 4}}),
         RIM_SEARCH_STEPS, RimVerdict::Closes, ""},
        {"colour 1 begins a piece more than it ends",
         rim6x6({{1, 2}, {2, 3}, {3, 4}, {4, 1}}, {{1, 1, 3}, {1, 3, 1}, {2, 2, 4}, {3, 3, 4}, {4, 4, 4}}),
         RIM_SEARCH_STEPS, RimVerdict::CountsDiffer,
         "the rim cannot close: rim colour 1 begins 5 rim pieces and ends 4 (each read counterclockwise round the "
         "board); on a closed rim a colour ends as many as it begins"},
        {"counts even, but only two sides can reach colour 2 and back",
         rim6x6({{1, 1}, {1, 1}, {1, 1}, {1, 1}}, {{2, 2, 12}, {1, 2, 2}, {2, 1, 2}}), RIM_SEARCH_STEPS,
         RimVerdict::NeverCloses, "the rim cannot close: no ring of " + sixBySix + " matches at every seam"},
        {"two rings apart", rim6x6({{1, 1}, {1, 1}, {1, 1}, {1, 1}}, {{1, 1, 12}, {3, 4, 2}, {4, 3, 2}}),
         RIM_SEARCH_STEPS, RimVerdict::NeverCloses, "the rim cannot close: no ring of " + sixBySix + " matches at every seam"},
        {"out of steps", rim6x6({{1, 1}, {1, 1}, {1, 1}, {1, 1}}, {{2, 2, 12}, {1, 2, 2}, {2, 1, 2}}), 20,
         RimVerdict::Undecided,
         "no closed rim of " + sixBySix +
             " found in 20 search steps, nor shown that none exists; block-solver would hardly close one either"},
    };
    for (const Case& c : cases) {
        const RimProof proof = proveRimCloses(c.rim, c.steps);
        EXPECT_EQ(proof.verdict, c.verdict) << c.what;
        EXPECT_EQ(rimRefusal(c.rim, proof, c.steps), c.refusal) << c.what;
        EXPECT_LE(proof.steps, c.steps) << c.what;
    }
    // Read from our lists: the sets whose planted solutions close their rims.
    for (SetKind kind : {SetKind::Board16x16, SetKind::Board6x12, SetKind::Board6x6}) {
        PieceList list;
        std::string error;
        ASSERT_TRUE(parsePieceList(plainListText(committedSet(kind)), list, error)) << error;
        const int width = kind == SetKind::Board6x12 ? 12 : kind == SetKind::Board6x6 ? 6 : 16;
        const RimPieces rim = rimPiecesOf(list, width, kind == SetKind::Board16x16 ? 16 : 6);
        EXPECT_EQ(rim.corners.size(), 4u);
        EXPECT_EQ(rim.edges.size(), static_cast<std::size_t>(2 * (width - 2) + 2 * ((kind == SetKind::Board16x16 ? 16 : 6) - 2)));
        EXPECT_EQ(proveRimCloses(rim, RIM_SEARCH_STEPS).verdict, RimVerdict::Closes) << shapeOf(kind).name;
    }
}

// Our list ends with its fixed lines: the hint (line 264), pieces 181 and 255.
constexpr int FIRST_FIXED_LINE = 264;

TEST(PieceImport, RefusesClueLinesThatCannotBeMetNamingTheLine) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::string>&)> change;
        std::string message;
    };
    const auto added = [](const std::string& line) { return [line](std::vector<std::string>& l) { l.push_back(line); }; };
    const std::vector<Case> cases{
        {"a rim piece on an inner cell", added("fixed 5 100 0"),
         "line 267: piece 5 (line 11) is an edge piece; cell 100 (row 6, column 4) takes an inner piece"},
        {"an inner piece on a rim cell", added("fixed 100 1 0"),
         "line 267: piece 100 (line 106) is an inner piece; cell 1 (row 0, column 1) takes an edge piece"},
        {"a corner on a corner cell, its border inwards", added("fixed 1 0 0"),
         "line 267: piece 1 (line 7) in rotation 0 does not turn its border towards the frame of cell 0 (row 0, "
         "column 0)"},
        {"two clues on one cell", added("fixed 100 210 0"),
         "line 267: two pieces fixed on cell 210 (row 13, column 2): line 265 fixes piece 181 there"},
        {"a piece declared twice", added("fixed 181 100 0"),
         "line 267: piece 181 is fixed twice (line 265 fixes it on cell 210)"},
        {"a cell outside the board", added("fixed 100 256 0"),
         "line 267: cell 256 is outside the board (cells 0-255)"},
        {"a piece not in the list", added("fixed 257 100 0"), "line 267: piece 257 is not in the list (pieces 1-256)"},
        {"a rotation out of range", added("fixed 100 101 4"),
         "line 267: a fixed line gives a piece, a cell and a rotation 0-3, for example \"fixed 139 135 2\""},
        {"a fixed line of two numbers", added("fixed 100 101"),
         "line 267: a fixed line gives a piece, a cell and a rotation 0-3, for example \"fixed 139 135 2\""},
        {"clues without the hint", [](auto& l) { l.erase(l.begin() + FIRST_FIXED_LINE - 1); },
         "no fixed line names the hint: every 16 x 16 program fixes a piece on cell 135 (row 8, column 7); add a line "
         "\"fixed PIECE 135 ROTATION\""},
    };
    for (const Case& c : cases) {
        ImportedSet set;
        std::string error;
        EXPECT_FALSE(importText(SetKind::Board16x16, changed16(c.change), set, error)) << c.what;
        EXPECT_EQ(error, c.message) << c.what;
    }
    ImportedSet set;
    std::string error;
    EXPECT_FALSE(importText(SetKind::Board6x6, plainListText(committedSet(SetKind::Board6x6)) + "fixed 1 0 0\r\n", set,
                            error));
    EXPECT_EQ(error, "line 40: the 6 x 6 programs fix no piece; a fixed line belongs to a 16 x 16 list");
}

// Our set with its hint on line 200 turned a quarter turn (so declared in
// rotation 1), the piece of line 200 on line 139, and clues of their own: the
// programs' tables are ours, the list's numbers come back as they were given.
std::string movedHintList() {
    return changed16([](std::vector<std::string>& l) {
        const auto turned = [](const std::string& line) {  // top right bottom left, a quarter turn clockwise
            std::vector<std::string> w;
            for (std::size_t a = 0, b; a <= line.size(); a = b + 1) {
                b = std::min(line.find(' ', a), line.size());
                w.push_back(line.substr(a, b - a));
            }
            return w[3] + " " + w[0] + " " + w[1] + " " + w[2];
        };
        const std::string hint = pieceLine(l, 139);
        pieceLine(l, 139) = pieceLine(l, 200);
        pieceLine(l, 200) = turned(hint);
        l.resize(FIRST_FIXED_LINE - 1);
        l.push_back("fixed 139 45 1");
        l.push_back("fixed 200 135 1");
        l.push_back("fixed 1 0 1");
    });
}

TEST(PieceImport, DeclaredCluesKeepTheTablesAndTheListsNumbers) {
    const ImportedSet ours = committedSet(SetKind::Board16x16);
    ImportedSet set;
    std::string error;
    ASSERT_TRUE(importText(SetKind::Board16x16, movedHintList(), set, error, false)) << error;
    EXPECT_EQ(set.table, ours.table);
    EXPECT_EQ(set.hintListPiece, 199);
    EXPECT_EQ(set.hintTurn, 3);
    ASSERT_EQ(set.fixed.size(), 3u);
    const FixedPlacement expected[3] = {{138, 135, 2}, {199, 45, 1}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(set.fixed[i].piece, expected[i].piece) << i;
        EXPECT_EQ(set.fixed[i].cell, expected[i].cell) << i;
        EXPECT_EQ(set.fixed[i].rotation, expected[i].rotation) << i;
    }
    // The header names the clues and the exchange; read back and written as a
    // list, it is the list as given (the hint first among the fixed lines).
    const std::string header = headerText(set);
    EXPECT_NE(header.find("FIXED_PIECES{{{138, 135, 2}, {199, 45, 1}, {0, 0, 1}}};"), std::string::npos);
    EXPECT_NE(header.find("HINT_IN_LIST{{200, 3}};"), std::string::npos);
    ImportedSet back;
    ASSERT_TRUE(parseHeader(SetKind::Board16x16, header, back, error)) << error;
    std::string expectedList = movedHintList();
    const std::string clues = "fixed 139 45 1\r\nfixed 200 135 1\r\n";
    expectedList.replace(expectedList.find(clues), clues.size(), "fixed 200 135 1\r\nfixed 139 45 1\r\n");
    EXPECT_EQ(plainListText(back), expectedList);
}

// The fingerprint: of the pieces, their numbering and the clues, not of the file's spelling.
TEST(PieceImport, FingerprintIsTheSetsNotTheFilesSpelling) {
    const std::string ours16 = plainListText(committedSet(SetKind::Board16x16));
    const std::string ours6 = plainListText(committedSet(SetKind::Board6x6));
    // Our list respelled: colours renamed, rim pieces turned (16 x 16 only: there a
    // rim piece's rotation counts from its table orientation), bottom-first order.
    const auto respelled = [](SetKind kind) {
        const ImportedSet set = committedSet(kind);
        std::mt19937 random(11);
        std::string text = "order bottom left top right\n";
        for (const PieceEntry& e : set.table) {
            const int turn = kind == SetKind::Board16x16 && pieceClass(e) > 0 ? static_cast<int>(random() % 4) : 0;
            const PieceEntry t = rotate(e, turn);
            for (int k = 0; k < 4; ++k) text += std::to_string(t[k] == 0 ? 0 : 7000 - 3 * t[k]) + (k < 3 ? " " : "\n");
        }
        if (kind == SetKind::Board16x16) text += "fixed 255 45 3\nfixed 139 135 2\nfixed 181 210 3\n";
        return text;
    };
    const auto swappedLines = changed16([](auto& l) { std::swap(pieceLine(l, 100), pieceLine(l, 101)); });
    const auto otherRotation = changed16([](auto& l) { l.back() = "fixed 255 45 0"; });
    const auto noFurtherClues = changed16([](auto& l) { l.resize(FIRST_FIXED_LINE); });
    struct Case {
        const char* what;
        SetKind kind;
        std::string a, b;
        bool same;
    };
    const std::vector<Case> cases{
        {"16 x 16 respelled", SetKind::Board16x16, ours16, respelled(SetKind::Board16x16), true},
        {"6 x 6 respelled", SetKind::Board6x6, ours6, respelled(SetKind::Board6x6), true},
        {"two lines exchanged", SetKind::Board16x16, ours16, swappedLines, false},
        {"a clue in another rotation", SetKind::Board16x16, ours16, otherRotation, false},
        {"without the further clues", SetKind::Board16x16, ours16, noFurtherClues, false},
        {"the hint on another line", SetKind::Board16x16, ours16, movedHintList(), false},
        {"a 6 x 6 rim piece turned", SetKind::Board6x6, ours6,
         [&] {
             std::string text = ours6;
             const std::size_t at = text.find("\r\n0 ") + 2;  // the first piece line with a border on top
             const std::size_t end = text.find("\r\n", at);
             std::string line = text.substr(at, end - at);
             line = line.substr(line.rfind(' ') + 1) + " " + line.substr(0, line.rfind(' '));
             return text.replace(at, end - at, line);
         }(),
         false},
    };
    for (const Case& c : cases) {
        ImportedSet a, b;
        std::string error;
        ASSERT_TRUE(importText(c.kind, c.a, a, error, false)) << c.what << ": " << error;
        ASSERT_TRUE(importText(c.kind, c.b, b, error, false)) << c.what << ": " << error;
        EXPECT_EQ(setFingerprint(a).size(), 12u);
        EXPECT_EQ(setFingerprint(a) == setFingerprint(b), c.same) << c.what;
    }
}

}  // namespace
}  // namespace zentara
