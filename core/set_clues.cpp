#include "core/set_clues.hpp"

#include <algorithm>

namespace zentara::puzzle_import {

namespace {

const char* const CLASS_NAME[3] = {"an inner piece", "an edge piece", "a corner piece"};

int cellClass(int cell) {
    const Geometry& g = BOARD_16X16;
    return g.isCorner(cell) ? 2 : g.isRim(cell) ? 1 : 0;
}

std::string cellText(int cell) {
    return "cell " + std::to_string(cell) + " (row " + std::to_string(cell / BOARD_WIDTH) + ", column " +
           std::to_string(cell % BOARD_WIDTH) + ")";
}

std::string lineText(const FixedLine& f) { return "line " + std::to_string(f.line) + ": "; }

std::string pieceText(const PieceList& list, int p) {
    return "piece " + std::to_string(p + 1) + " (line " + std::to_string(list.pieces[p].line) + ")";
}

// Whether the table entry, turned `rotation`, shows the border exactly towards the frame of `cell`.
bool facesFrame(const PieceEntry& entry, int cell, int rotation) {
    const Geometry& g = BOARD_16X16;
    const PieceEntry s = rotate(entry, rotation);  // bottom, left, top, right
    using namespace bottom_first;
    return (s[BOTTOM] == BORDER_COLOUR) == g.bottomFacesFrame(cell) && (s[LEFT] == BORDER_COLOUR) == g.leftFacesFrame(cell) &&
           (s[TOP] == BORDER_COLOUR) == g.topFacesFrame(cell) && (s[RIGHT] == BORDER_COLOUR) == g.rightFacesFrame(cell);
}

// One fixed line against the set and the lines before it.
bool checkLine(const PieceList& list, const ImportedSet& set, std::size_t i, std::string& error) {
    const FixedLine& f = list.fixed[i];
    if (f.piece < 1 || f.piece > PIECE_COUNT) {
        error = lineText(f) + "piece " + std::to_string(f.piece) + " is not in the list (pieces 1-256)";
        return false;
    }
    if (f.cell >= CELL_COUNT) {
        error = lineText(f) + "cell " + std::to_string(f.cell) + " is outside the board (cells 0-255)";
        return false;
    }
    for (std::size_t j = 0; j < i; ++j) {
        const FixedLine& before = list.fixed[j];
        if (before.piece == f.piece) {
            error = lineText(f) + "piece " + std::to_string(f.piece) + " is fixed twice (line " +
                    std::to_string(before.line) + " fixes it on cell " + std::to_string(before.cell) + ")";
            return false;
        }
        if (before.cell == f.cell) {
            error = lineText(f) + "two pieces fixed on " + cellText(f.cell) + ": line " + std::to_string(before.line) +
                    " fixes piece " + std::to_string(before.piece) + " there";
            return false;
        }
    }
    const int p = f.piece - 1;
    const int pieceCls = pieceClass(set.table[p]), cellCls = cellClass(f.cell);
    if (pieceCls != cellCls) {
        error = lineText(f) + pieceText(list, p) + " is " + CLASS_NAME[pieceCls] + "; " + cellText(f.cell) +
                " takes " + CLASS_NAME[cellCls];
        return false;
    }
    if (pieceCls > 0 && !facesFrame(set.table[p], f.cell, f.rotation)) {
        error = lineText(f) + pieceText(list, p) + " in rotation " + std::to_string(f.rotation) +
                " does not turn its border towards the frame of " + cellText(f.cell);
        return false;
    }
    return true;
}

// Two clues side by side must show each other one colour: else no board holds
// both, and the solvers that fix them would search for ever. (Each clue against
// the frame is checkLine's.)
bool cluesMeet(const ImportedSet& set, const std::vector<int>& lineOf, std::string& error) {
    const Geometry& g = BOARD_16X16;
    std::vector<int> clueOn(CELL_COUNT, -1);
    for (std::size_t i = 0; i < set.fixed.size(); ++i) clueOn[set.fixed[i].cell] = static_cast<int>(i);
    using namespace bottom_first;
    for (std::size_t i = 0; i < set.fixed.size(); ++i) {
        const FixedPlacement& a = set.fixed[i];
        const PieceEntry sa = rotate(set.table[a.piece], a.rotation);
        const int neighbours[2] = {g.right(a.cell), g.below(a.cell)};
        for (int k = 0; k < 2; ++k) {
            const int j = neighbours[k] < 0 ? -1 : clueOn[neighbours[k]];
            if (j < 0) continue;
            const FixedPlacement& b = set.fixed[j];
            const PieceEntry sb = rotate(set.table[b.piece], b.rotation);
            const Colour shown = k == 0 ? sa[RIGHT] : sa[BOTTOM];
            const Colour met = k == 0 ? sb[LEFT] : sb[TOP];
            if (shown == met) continue;
            // Only declared lines fix two pieces: a list without them fixes the hint alone.
            error = "line " + std::to_string(lineOf[i]) + " and line " + std::to_string(lineOf[j]) + ": the pieces fixed on " +
                    cellText(a.cell) + " and " + cellText(b.cell) + " show each other colours " +
                    std::to_string(set.listColour[shown]) + " and " + std::to_string(set.listColour[met]) +
                    "; no board holds both";
            return false;
        }
    }
    return true;
}

}  // namespace

bool applyClues(const PieceList& list, ImportedSet& set, std::string& error) {
    set.fixed.clear();
    set.hintListPiece = HINT_PIECE;
    set.hintTurn = 0;
    if (set.kind != SetKind::Board16x16) {
        if (list.fixed.empty()) return true;
        error = lineText(list.fixed[0]) + "the " + shapeOf(set.kind).title +
                " programs fix no piece; a fixed line belongs to a 16 x 16 list";
        return false;
    }
    std::vector<FixedLine> lines = list.fixed;
    if (lines.empty()) {
        // Our set's rule: line 139 is the hint, in rotation 2 as listed (an inner
        // piece: the class order puts inner pieces on lines 61-256).
        lines.push_back(FixedLine{HINT_PIECE + 1, HINT_CELL, HINT_ROTATION, 0});
    } else {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (!checkLine(list, set, i, error)) return false;
    }
    const auto hint = std::find_if(lines.begin(), lines.end(), [](const FixedLine& f) { return f.cell == HINT_CELL; });
    if (hint == lines.end()) {
        error = "no fixed line names the hint: every 16 x 16 program fixes a piece on cell 135 (row 8, column 7); "
                "add a line \"fixed PIECE 135 ROTATION\"";
        return false;
    }

    // The hint into the programs' index, turned so that HINT_ROTATION shows it as declared.
    const int h = hint->piece - 1;
    set.hintListPiece = h;
    set.hintTurn = (hint->rotation - HINT_ROTATION) & 3;
    std::swap(set.table[h], set.table[HINT_PIECE]);
    std::swap(set.turned[h], set.turned[HINT_PIECE]);
    set.table[HINT_PIECE] = rotate(set.table[HINT_PIECE], set.hintTurn);
    set.turned[HINT_PIECE] = (set.turned[HINT_PIECE] + set.hintTurn) & 3;

    set.fixed.push_back(HINT_PLACEMENT);
    std::vector<int> lineOf{hint->line};
    for (const FixedLine& f : lines) {
        if (f.cell == HINT_CELL) continue;
        const int p = f.piece - 1;
        set.fixed.push_back({p == h ? HINT_PIECE : p == HINT_PIECE ? h : p, f.cell, f.rotation});
        lineOf.push_back(f.line);
    }
    return cluesMeet(set, lineOf, error);
}

std::vector<FixedLine> clueLines(const ImportedSet& set) {
    std::vector<FixedLine> lines;
    for (const FixedPlacement& f : set.fixed) {
        const bool hint = f.piece == HINT_PIECE;
        const int listPiece = hint ? set.hintListPiece : f.piece == set.hintListPiece ? HINT_PIECE : f.piece;
        lines.push_back(FixedLine{listPiece + 1, f.cell, hint ? (f.rotation + set.hintTurn) & 3 : f.rotation, 0});
    }
    return lines;
}

std::string clueHeaderText(const ImportedSet& set) {
    std::string text =
        "\n// The pieces the programs fix, in table numbers: index, cell, rotation. The hint\n"
        "// comes first, where every program fixes it; shift-solver and berserker-solver\n"
        "// fix the others too.\n"
        "inline constexpr std::array<std::array<int, 3>, " +
        std::to_string(set.fixed.size()) + "> FIXED_PIECES{{";
    for (std::size_t i = 0; i < set.fixed.size(); ++i)
        text += std::string(i ? ", " : "") + "{" + std::to_string(set.fixed[i].piece) + ", " +
                std::to_string(set.fixed[i].cell) + ", " + std::to_string(set.fixed[i].rotation) + "}";
    text += "}};\n\n"
            "// Files number the pieces as the list does: the list's hint (piece HINT_IN_LIST[0]) is\n"
            "// table piece 139 turned HINT_IN_LIST[1] quarter turns, and list piece 139 is table\n"
            "// piece HINT_IN_LIST[0].\n"
            "inline constexpr std::array<int, 2> HINT_IN_LIST{{" +
            std::to_string(set.hintListPiece + 1) + ", " + std::to_string(set.hintTurn) + "}};\n";
    return text;
}

bool cluesFromHeader(const std::vector<int>& fixedNumbers, const std::vector<int>& hintNumbers, ImportedSet& set) {
    if (fixedNumbers.empty() || fixedNumbers.size() % 3 != 0 || hintNumbers.size() != 2 || hintNumbers[0] < 1 ||
        hintNumbers[0] > PIECE_COUNT || hintNumbers[1] > 3)
        return false;
    set.fixed.clear();
    for (std::size_t i = 0; i < fixedNumbers.size(); i += 3) {
        const FixedPlacement f{fixedNumbers[i], fixedNumbers[i + 1], fixedNumbers[i + 2]};
        if (f.piece >= PIECE_COUNT || f.cell >= CELL_COUNT || f.rotation > 3) return false;
        for (const FixedPlacement& before : set.fixed)
            if (before.piece == f.piece || before.cell == f.cell) return false;
        set.fixed.push_back(f);
    }
    const FixedPlacement& hint = set.fixed[0];
    set.hintListPiece = hintNumbers[0] - 1;
    set.hintTurn = hintNumbers[1];
    return hint.piece == HINT_PIECE && hint.cell == HINT_CELL && hint.rotation == HINT_ROTATION;
}

}  // namespace zentara::puzzle_import
