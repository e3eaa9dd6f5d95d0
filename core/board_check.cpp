#include "core/board_check.hpp"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/pieces.hpp"
#include "core/user_file.hpp"
#include "core/version.hpp"

namespace zentara {

namespace {

struct PuzzleSet {
    Geometry geometry;
    const PieceEntry* table;  // bottom-first
    int pieces;
};

PuzzleSet puzzleSet(PuzzleKind kind) {
    const PieceSet& set = pieceSet(kind);
    return {set.geometry, set.bottomFirst.data(), set.pieces};
}

// Parses "%3d,%1d" / "%2d,%1d" cell texts; blanks around numbers are allowed.
// Numbers too large for a piece are kept too large (never wrapped into range), so
// that the check counts them as out of range, cell by cell.
bool parseCell(std::string_view text, PlacedCell& cell) {
    static constexpr int FAR_OUT = 9999;  // above every set, within the cell's fields
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return false;
    auto number = [](std::string_view s, int& value) {
        std::size_t i = 0;
        while (i < s.size() && s[i] == ' ') ++i;
        std::size_t j = s.size();
        while (j > i && s[j - 1] == ' ') --j;
        if (i == j) return false;
        // Any run of digits is a number, however long: past FAR_OUT it stays there,
        // so 65537 or twenty nines never wrap back into the set.
        value = 0;
        for (std::size_t k = i; k < j; ++k) {
            if (s[k] < '0' || s[k] > '9') return false;
            value = std::min(value * 10 + (s[k] - '0'), FAR_OUT);
        }
        return true;
    };
    int piece = 0, rotation = 0;
    if (!number(text.substr(0, comma), piece) || !number(text.substr(comma + 1), rotation)) return false;
    if (piece == 0) {
        cell = PlacedCell{};
        return true;
    }
    cell.piece = static_cast<std::int16_t>(std::min(piece, FAR_OUT) - 1);
    cell.rotation = static_cast<std::uint8_t>(std::min(rotation, 99));
    return true;
}

}  // namespace

BoardCheck checkCells(PuzzleKind kind, const std::vector<PlacedCell>& cells) {
    const PuzzleSet set = puzzleSet(kind);
    const Geometry& g = set.geometry;
    BoardCheck check;
    check.kind = kind;
    check.geometry = g;
    check.cells = cells;
    check.totalSeams = g.seams();

    std::vector<int> uses(set.pieces, 0);
    std::vector<PieceEntry> sides(g.cells());
    std::vector<bool> placed(g.cells(), false);
    for (int c = 0; c < g.cells(); ++c) {
        const PlacedCell& cell = cells[c];
        if (cell.empty()) continue;
        ++check.piecesPlaced;
        if (cell.piece >= set.pieces || cell.rotation > 3) {
            ++check.outOfRange;
            continue;
        }
        if (++uses[cell.piece] == 2) ++check.piecesUsedTwice;
        sides[c] = rotate(set.table[cell.piece], cell.rotation);
        placed[c] = true;
    }
    using namespace bottom_first;
    for (int c = 0; c < g.cells(); ++c) {
        if (!placed[c]) continue;
        const PieceEntry& s = sides[c];
        if (g.topFacesFrame(c) && s[TOP] != BORDER_COLOUR) check.frameViolations.push_back({c, TOP});
        if (g.leftFacesFrame(c) && s[LEFT] != BORDER_COLOUR) check.frameViolations.push_back({c, LEFT});
        if (g.bottomFacesFrame(c) && s[BOTTOM] != BORDER_COLOUR) check.frameViolations.push_back({c, BOTTOM});
        if (g.rightFacesFrame(c) && s[RIGHT] != BORDER_COLOUR) check.frameViolations.push_back({c, RIGHT});
        const bool inward = (!g.topFacesFrame(c) && s[TOP] == BORDER_COLOUR) ||
                            (!g.leftFacesFrame(c) && s[LEFT] == BORDER_COLOUR) ||
                            (!g.bottomFacesFrame(c) && s[BOTTOM] == BORDER_COLOUR) ||
                            (!g.rightFacesFrame(c) && s[RIGHT] == BORDER_COLOUR);
        if (inward) check.rimPiecesInside.push_back(c);
        const int r = g.right(c), b = g.below(c);
        if (r >= 0 && placed[r]) {
            if (s[RIGHT] != sides[r][LEFT]) check.mismatches.push_back({c, r});
            else if (s[RIGHT] == BORDER_COLOUR) check.borderSeams.push_back({c, r});
            else ++check.matchedSeams;
        }
        if (b >= 0 && placed[b]) {
            if (s[BOTTOM] != sides[b][TOP]) check.mismatches.push_back({c, b});
            else if (s[BOTTOM] == BORDER_COLOUR) check.borderSeams.push_back({c, b});
            else ++check.matchedSeams;
        }
    }
    if (kind == PuzzleKind::Board16x16)
        check.hintInPlace = cells[HINT_CELL].piece == HINT_PIECE && cells[HINT_CELL].rotation == HINT_ROTATION;
    return check;
}

bool checkBoardText(std::string_view text, BoardCheck& out, std::string& reason) {
    std::vector<std::vector<PlacedCell>> rows;
    text = withoutByteOrderMark(text);
    std::size_t start = 0;
    int lineNumber = 0;
    std::string_view line;
    while (nextBoardLine(text, start, line)) {
        ++lineNumber;
        if (line.empty()) continue;
        std::vector<PlacedCell> row;
        std::size_t from = 0;
        while (true) {
            const std::size_t semi = line.find(';', from);
            const std::string_view cellText = line.substr(from, semi == std::string_view::npos ? line.size() - from : semi - from);
            PlacedCell cell;
            if (!parseCell(cellText, cell)) {
                reason = "line " + std::to_string(lineNumber) + ": not a board cell: \"" + std::string(cellText) + "\"";
                return false;
            }
            row.push_back(cell);
            if (semi == std::string_view::npos) break;
            from = semi + 1;
        }
        rows.push_back(std::move(row));
    }
    PuzzleKind kind;
    const std::size_t width = rows.empty() ? 0 : rows[0].size();
    if (rows.size() == 16 && width == 16) kind = PuzzleKind::Board16x16;
    else if (rows.size() == 6 && width == 12) kind = PuzzleKind::Board6x12;
    else if (rows.size() == 6 && width == 6) kind = PuzzleKind::Board6x6;
    else {
        reason = "not a 16 x 16, 6 x 12 or 6 x 6 board (" + std::to_string(rows.size()) + " rows of " +
                 std::to_string(width) + " cells)";
        return false;
    }
    std::vector<PlacedCell> cells;
    for (const auto& row : rows) {
        if (row.size() != width) {
            reason = "rows of different lengths";
            return false;
        }
        cells.insert(cells.end(), row.begin(), row.end());
    }
    if (kind == PuzzleKind::Board16x16)
        for (PlacedCell& cell : cells) cell = tableCellOf(cell);
    out = checkCells(kind, cells);
    return true;
}

bool checkBoardFile(const char* path, BoardCheck& out, std::string& reason) {
    // One byte more than the limit tells a longer file, which is no board.
    char bytes[MAX_BOARD_CHECK_BYTES];
    const FileRead read = readUserFile(path, bytes, sizeof bytes);
    if (!read.ok()) {
        reason = std::string("cannot open ") + path;
        if (!read.missing()) reason += std::string(": ") + fileErrorText(read.error);
        return false;
    }
    if (read.longer) {
        reason = "not a board: longer than " + std::to_string(MAX_BOARD_CHECK_BYTES) + " bytes";
        return false;
    }
    return checkBoardText(std::string_view(bytes, read.size), out, reason);
}

std::vector<ResumeRefusal> listResumeRefusals(const BoardCheck& check, ResumingSolver solver) {
    std::vector<ResumeRefusal> refusals;
    if (check.kind != PuzzleKind::Board16x16) return refusals;
    const Geometry& g = check.geometry;
    std::vector<bool> filled(CELL_COUNT, false);
    std::vector<int> cellOf(PIECE_COUNT, -1);
    std::vector<PlacedCell> fixedPiece(CELL_COUNT);  // empty on the cells that are not fixed
    std::vector<PieceEntry> sides(CELL_COUNT);
    const auto place = [&](int cell, int piece, int rotation) {
        filled[cell] = true;
        cellOf[piece] = cell;
        sides[cell] = rotate(pieceSet().bottomFirst[piece], rotation);
    };
    for (const FixedPlacement& f : pieceSet().clues()) {
        place(f.cell, f.piece, f.rotation);
        fixedPiece[f.cell] = PlacedCell{static_cast<std::int16_t>(f.piece), static_cast<std::uint8_t>(f.rotation)};
    }
    using namespace bottom_first;
    for (int c = 0; c < CELL_COUNT; ++c) {
        const PlacedCell& cell = check.cells[static_cast<std::size_t>(c)];
        if (cell.empty()) continue;
        ResumeRefusal r{c, cell, RefusalReason::FixedCell};
        if (!fixedPiece[c].empty()) {  // kept as fixed, whatever the file holds there
            if (!(cell == fixedPiece[c])) {
                r.other = fixedPiece[c].piece;
                refusals.push_back(r);
            }
            continue;
        }
        if (cell.piece >= PIECE_COUNT || cell.rotation > 3) {
            r.reason = RefusalReason::OutOfRange;
            refusals.push_back(r);
            continue;
        }
        if (cellOf[cell.piece] >= 0) {
            r.reason = RefusalReason::PieceTaken;
            r.other = cellOf[cell.piece];
            refusals.push_back(r);
            continue;
        }
        const PieceEntry s = rotate(pieceSet().bottomFirst[cell.piece], cell.rotation);
        // Each side: the frame wants the border colour, a filled neighbour its facing colour.
        // The sides in the order the messages name them: top, right, bottom, left.
        const struct {
            int side, neighbour, facing;
            bool frame;
        } around[4] = {{TOP, g.above(c), BOTTOM, g.topFacesFrame(c)},
                       {RIGHT, g.right(c), LEFT, g.rightFacesFrame(c)},
                       {BOTTOM, g.below(c), TOP, g.bottomFacesFrame(c)},
                       {LEFT, g.left(c), RIGHT, g.leftFacesFrame(c)}};
        bool fits = true;
        for (int k = 0; k < 4 && fits; ++k) {
            const auto& a = around[k];
            r.side = k;
            if (a.frame) {
                fits = s[a.side] == BORDER_COLOUR;
                r.reason = RefusalReason::FrameSide;
            } else if (filled[a.neighbour]) {
                fits = s[a.side] == sides[a.neighbour][a.facing];
                r.reason = RefusalReason::Mismatch;
                r.other = a.neighbour;
            } else if (solver == ResumingSolver::Berserker) {
                fits = s[a.side] != BORDER_COLOUR;
                r.reason = RefusalReason::BorderInside;
                r.other = a.neighbour;
            }
        }
        if (!fits) {
            refusals.push_back(r);
            continue;
        }
        place(c, cell.piece, cell.rotation);
    }
    return refusals;
}

int countResumeRefusals(const BoardCheck& check, ResumingSolver solver) {
    return static_cast<int>(listResumeRefusals(check, solver).size());
}

std::string describeRefusal(const ResumeRefusal& r) {
    static constexpr const char* SIDE[4] = {"top", "right", "bottom", "left"};
    const Geometry& g = BOARD_16X16;
    char line[200];
    int n = std::snprintf(line, sizeof line, "cell %d (row %d, column %d): ", r.cell, g.row(r.cell), g.column(r.cell));
    char* at = line + n;
    const std::size_t room = sizeof line - static_cast<std::size_t>(n);
    // Numbers and rotations as the files show them.
    const PlacedCell held = listCellOf(r.held);
    const int piece = held.piece + 1, rotation = held.rotation;
    switch (r.reason) {
        case RefusalReason::FixedCell: {
            int fixedRotation = 0;
            for (const FixedPlacement& f : pieceSet().clues())
                if (f.cell == r.cell) fixedRotation = listRotationOf(f.piece, f.rotation);
            if (r.held.piece == r.other)
                std::snprintf(at, room, "holds piece %d in rotation %d, the cell is fixed for it in rotation %d", piece,
                              rotation, fixedRotation);
            else
                std::snprintf(at, room, "holds piece %d, the cell is fixed for piece %d", piece, listPieceOf(r.other) + 1);
            break;
        }
        case RefusalReason::PieceTaken:
            std::snprintf(at, room, "piece %d already stands on cell %d (row %d, column %d)", piece, r.other,
                          g.row(r.other), g.column(r.other));
            break;
        case RefusalReason::OutOfRange:
            std::snprintf(at, room, "piece %d in rotation %d is not in the set", piece, rotation);
            break;
        case RefusalReason::FrameSide:
            std::snprintf(at, room, "piece %d in rotation %d shows no border colour to the frame on its %s side", piece,
                          rotation, SIDE[r.side]);
            break;
        case RefusalReason::Mismatch:
            std::snprintf(at, room, "piece %d in rotation %d does not match cell %d on its %s side", piece, rotation,
                          r.other, SIDE[r.side]);
            break;
        case RefusalReason::BorderInside:
            std::snprintf(at, room, "piece %d in rotation %d shows the border colour to empty cell %d on its %s side",
                          piece, rotation, r.other, SIDE[r.side]);
            break;
    }
    return line;
}

bool readBoardAsResumed(const char* path, BoardCheck& out, bool& passedOver, std::string& reason) {
    Board16 cells;
    FileRead read;
    const bool usable = readBestBoardFile(path, cells, read);
    passedOver = false;
    if (!read.ok()) {
        reason = std::string("cannot open ") + path;
        if (!read.missing()) reason += std::string(": ") + fileErrorText(read.error);
        return false;
    }
    passedOver = !usable;
    out = checkCells(PuzzleKind::Board16x16, std::vector<PlacedCell>(cells.begin(), cells.end()));
    return true;
}

bool isSolverBoardName(std::string_view name) {
    if (name == "Result.csv") return true;
    if (!name.ends_with(".csv") || name.size() > 40) return false;
    const std::string_view stem = name.substr(0, name.size() - 4);
    auto digits = [](std::string_view s) {
        for (char ch : s)
            if (ch < '0' || ch > '9') return false;
        return true;
    };
    if (stem.starts_with("Best")) return digits(stem.substr(4));  // Best.csv too
    if (stem.size() < 4 || stem[0] != 'B') return false;
    const std::size_t dash = stem.find('-');
    return dash != std::string_view::npos && dash > 1 && dash + 1 < stem.size() && digits(stem.substr(1, dash - 1)) &&
           digits(stem.substr(dash + 1));
}

BestInDirectory findBestBoard(const char* directory) {
    BestInDirectory best;
    DIR* dir = ::opendir(directory);
    if (dir == nullptr) {
        best.result = BestSearch::Unreadable;
        best.reason = std::string("cannot read ") + directory + ": " + fileErrorText(errno);
        return best;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isSolverBoardName(entry->d_name)) continue;
        if (static_cast<int>(names.size()) == MAX_BEST_CANDIDATES) {
            ::closedir(dir);
            best.result = BestSearch::Unreadable;
            best.reason = std::string(directory) + " holds more than " + std::to_string(MAX_BEST_CANDIDATES) +
                          " board files; not searched";
            return best;
        }
        names.emplace_back(entry->d_name);
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) {
        best.result = BestSearch::Unreadable;
        best.reason = std::string("cannot read ") + directory + ": " + fileErrorText(readError);
        return best;
    }
    std::sort(names.begin(), names.end());  // a tie goes to the first name
    best.candidates = static_cast<int>(names.size());
    BoardRank bestRank = NO_BOARD_RANK;
    for (const std::string& name : names) {
        const std::string path = std::string(directory) + "/" + name;
        BoardCheck check;
        std::string reason;
        if (!checkBoardFile(path.c_str(), check, reason) || !check.consistent()) continue;
        const BoardRank rank = check.rank();
        if (!isBetter(rank, bestRank)) continue;
        bestRank = rank;
        best.result = BestSearch::Found;
        best.name = name;
        best.check = std::move(check);
    }
    return best;
}

const char* checkVerdict(const BoardCheck& check) {
    if (check.complete()) return "complete and consistent";
    if (!check.consistent()) return "inconsistent";
    return check.deadEnd() ? "consistent, but no solution holds it" : "consistent";
}

std::string formatCheckReport(const char* name, const BoardCheck& check) {
    const Geometry& g = check.geometry;
    char line[160];
    std::string s;
    std::snprintf(line, sizeof line, "board: %s (%d x %d)\n", name, g.height, g.width);
    s += line;
    std::snprintf(line, sizeof line, "pieces placed: %d of %d\n", check.piecesPlaced, g.cells());
    s += line;
    std::snprintf(line, sizeof line, "matched seams: %d of %d\n", check.matchedSeams, check.totalSeams);
    s += line;
    std::snprintf(line, sizeof line, "mismatched seams: %zu\n", check.mismatches.size());
    s += line;
    std::snprintf(line, sizeof line, "frame violations: %zu\n", check.frameViolations.size());
    s += line;
    std::snprintf(line, sizeof line, "pieces used twice: %d\n", check.piecesUsedTwice);
    s += line;
    std::snprintf(line, sizeof line, "piece numbers out of range: %d\n", check.outOfRange);
    s += line;
    if (check.kind == PuzzleKind::Board16x16) {
        std::snprintf(line, sizeof line, "hint piece on cell 135 in rotation %d: %s\n",
                      listRotationOf(HINT_PIECE, HINT_ROTATION), check.hintInPlace ? "yes" : "no");
        s += line;
    }
    // Which set the board was checked against: a board of another set reads as inconsistent.
    s += "piece set: " + (pieceSet(check.kind).builtIn ? std::string(PIECE_SETS) : runSetName(check.kind)) + "\n";
    // Named only where there are any: most boards have none.
    if (!check.rimPiecesInside.empty()) {
        s += "rim pieces off the rim (a border side inwards): " + std::to_string(check.rimPiecesInside.size()) + ", cell";
        for (std::size_t i = 0; i < check.rimPiecesInside.size(); ++i)
            s += (i ? ", " : check.rimPiecesInside.size() > 1 ? "s " : " ") + std::to_string(check.rimPiecesInside[i]);
        s += "\n";
    }
    if (!check.borderSeams.empty()) {
        s += "border-to-border seams (not matched): " + std::to_string(check.borderSeams.size()) + ", cells";
        for (std::size_t i = 0; i < check.borderSeams.size(); ++i)
            s += std::string(i ? ", " : " ") + std::to_string(check.borderSeams[i].cellA) + "-" +
                 std::to_string(check.borderSeams[i].cellB);
        s += "\n";
    }
    s += std::string(checkVerdict(check)) + "\n";
    return s;
}

}  // namespace zentara
