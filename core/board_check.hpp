// The independent board checker: reads a board file of any of the three puzzles
// and counts what is right and wrong with it. Not used by any search.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/board_file.hpp"
#include "core/board_rank.hpp"
#include "core/puzzle.hpp"

namespace zentara {

struct Seam {
    int cellA;  // left or upper cell
    int cellB;  // right or lower cell
};

struct FrameFault {
    int cell;
    int side;  // bottom-first side index of the offending side
};

struct BoardCheck {
    PuzzleKind kind = PuzzleKind::Board16x16;
    Geometry geometry = BOARD_16X16;
    std::vector<PlacedCell> cells;  // cell order
    int piecesPlaced = 0;
    int matchedSeams = 0;
    int totalSeams = 0;
    std::vector<Seam> mismatches;  // between two placed pieces
    std::vector<FrameFault> frameViolations;
    // What no solution holds, though every colour matches: pieces showing a border
    // side to an inner neighbour's cell (rim pieces off the rim; shift-solver places
    // them so), and the seams where two of them show each other the border. Such a
    // seam is not counted as matched.
    std::vector<int> rimPiecesInside;
    std::vector<Seam> borderSeams;
    int piecesUsedTwice = 0;   // pieces that stand on more than one cell
    int outOfRange = 0;        // cells whose piece number is not in the set (or rotation above 3)
    bool hintInPlace = false;  // 16 x 16 only

    bool consistent() const {
        return mismatches.empty() && frameViolations.empty() && piecesUsedTwice == 0 && outOfRange == 0;
    }
    bool complete() const { return piecesPlaced == geometry.cells() && consistent(); }
    bool deadEnd() const { return !rimPiecesInside.empty(); }
    BoardRank rank() const { return BoardRank{piecesPlaced, matchedSeams, deadEnd()}; }
};

// "complete and consistent", "consistent", "consistent, but no solution holds it"
// or "inconsistent".
const char* checkVerdict(const BoardCheck& check);

// Checks cells already parsed.
BoardCheck checkCells(PuzzleKind kind, const std::vector<PlacedCell>& cells);

// Parses a board file strictly (rows of cells separated by ";", 6 or 16 rows) and
// checks it. On failure returns false and sets `reason` to a one-line text.
bool checkBoardText(std::string_view text, BoardCheck& out, std::string& reason);
// The file is read without blocking (a FIFO, device or directory is refused at
// once) and without a large buffer: a board file is 1,552 bytes at most as
// written, so anything longer than this is not a board.
inline constexpr int MAX_BOARD_CHECK_BYTES = 8192;
bool checkBoardFile(const char* path, BoardCheck& out, std::string& reason);

// The two solvers that resume from a best-board file.
enum class ResumingSolver { Shift, Berserker };

// Why a resuming solver refuses a cell of the board it reads.
enum class RefusalReason {
    FixedCell,      // a fixed cell holding anything but its fixed piece in its fixed rotation
    PieceTaken,     // the piece already stands on an earlier cell (a fixed one included)
    OutOfRange,     // no such piece or rotation
    FrameSide,      // a side towards the frame without the border colour
    Mismatch,       // a side that does not match a piece already taken
    BorderInside,   // berserker-solver: the border colour towards an empty inner cell
};

struct ResumeRefusal {
    int cell;
    PlacedCell held;      // what the board holds there
    RefusalReason reason;
    int other = -1;       // FixedCell: the fixed piece; PieceTaken: the cell holding it;
                          // Mismatch: the neighbour cell; BorderInside: the empty neighbour
    int side = 0;         // FrameSide, Mismatch, BorderInside: the side (top, right, bottom, left)
};

// The placed cells of a 16 x 16 board that the resuming solver refuses, taking the
// cells in order as it does: whatever a board holds on its three fixed cells
// (pieceSet().clues()) other than their fixed pieces, those pieces anywhere else,
// a piece used twice, and a piece that does not fit the frame or the pieces already
// taken. Berserker-solver also refuses a piece that shows the border colour to an
// inner side. A solved board loses none. Cells of a board of another size: none.
std::vector<ResumeRefusal> listResumeRefusals(const BoardCheck& check, ResumingSolver solver);
int countResumeRefusals(const BoardCheck& check, ResumingSolver solver);

// "cell 210 (row 13, column 2): holds piece 17, the cell is fixed for piece 181";
// pieces numbered as files show them, rows and columns from 0. No line end.
std::string describeRefusal(const ResumeRefusal& refusal);

// The board as shift-solver and berserker-solver read a best-board file (at most
// their 4000 bytes, the lenient cell reading of readBestBoard), checked: they read
// a file written in another layout differently from the checker (a blank after a
// comma ends a cell there). False, with the reason, for a file that cannot be read;
// `passedOver` tells a file of 500 bytes or fewer, which they do not use at all.
bool readBoardAsResumed(const char* path, BoardCheck& out, bool& passedOver, std::string& reason);

// The best board file in a directory, among the names the solvers write
// (Result.csv, Best*.csv, B*-*.csv): consistent boards only, ranked by
// core/board_rank.hpp (more pieces, then more seams), a tie going to the name
// first in byte order. Only regular files are read (a FIFO is passed over at
// once), each as the checker reads it; a directory holding more candidates than
// MAX_BEST_CANDIDATES is refused rather than searched in part.
inline constexpr int MAX_BEST_CANDIDATES = 4096;
enum class BestSearch { Found, NoneFound, Unreadable };
struct BestInDirectory {
    BestSearch result = BestSearch::NoneFound;
    std::string name;     // the file's name in the directory
    BoardCheck check;     // its figures
    std::string reason;   // why the directory could not be searched
    int candidates = 0;   // files with a solver's board name
};
bool isSolverBoardName(std::string_view name);
BestInDirectory findBestBoard(const char* directory);

// The checker's report, one figure per line.
std::string formatCheckReport(const char* name, const BoardCheck& check);

}  // namespace zentara
