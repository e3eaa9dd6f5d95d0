// Board files: the comma-and-semicolon text format, atomic file replacement and
// the best-board reader used to resume a search.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string_view>

#include "core/puzzle.hpp"

namespace zentara {

// One cell as files show it: piece index (-1 for an empty cell) and rotation.
struct PlacedCell {
    std::int16_t piece = -1;
    std::uint8_t rotation = 0;

    constexpr bool empty() const { return piece < 0; }
    friend constexpr bool operator==(const PlacedCell&, const PlacedCell&) = default;
};

using Board16 = std::array<PlacedCell, CELL_COUNT>;

// Rows, cells per row and width of the piece field ("%3d,%1d" or "%2d,%1d").
struct BoardLayout {
    int width;
    int height;
    int pieceDigits;

    constexpr int cells() const { return width * height; }
    // Each cell is pieceDigits + 2 bytes, ";" between cells, CR LF after each row.
    constexpr int fileBytes() const { return height * (width * (pieceDigits + 2) + (width - 1) + 2); }
};

inline constexpr BoardLayout LAYOUT_16X16{16, 16, 3};
inline constexpr BoardLayout LAYOUT_6X12{12, 6, 2};
inline constexpr BoardLayout LAYOUT_6X6{6, 6, 2};

inline constexpr int MAX_BOARD_FILE_BYTES = LAYOUT_16X16.fileBytes();  // 1552

// A formatted board file; fixed capacity so that writers never allocate.
struct BoardText {
    std::array<char, MAX_BOARD_FILE_BYTES> bytes;
    std::size_t size = 0;

    std::string_view view() const { return {bytes.data(), size}; }
};

// The numbers a 16 x 16 file shows: the list's, as users and every program read
// them (core/pieces.hpp: they differ from the tables' only for a list whose hint
// is not line 139 in rotation 2), or the tables' own, for make-puzzles writing the
// solution of a set it generated.
enum class PieceNumbers { List, Table };

// A 16 x 16 cell of the tables as files number it, and back (pieces out of range kept).
PlacedCell listCellOf(PlacedCell cell);
PlacedCell tableCellOf(PlacedCell cell);

// Formats layout.cells() cells in cell order. Works for board and block-list files alike.
void formatBoard(const PlacedCell* cells, const BoardLayout& layout, BoardText& out,
                 PieceNumbers numbers = PieceNumbers::List);

// Replaces `path` whole through the one writer of core/user_file.hpp (links
// followed, non-regular or unwritable targets refused, permission bits kept).
// Returns false, with errno telling why (EINVAL for a target that is not a
// regular file), leaving any existing file untouched and no temporary file behind.
// `durable` also flushes the data to the disk before the rename, so that not even
// a power loss can leave an empty file under the name; it costs milliseconds, so
// the solvers' frequent board files do without it.
bool writeFileAtomically(const char* path, std::string_view bytes, bool durable = false);

// formatBoard + writeFileAtomically, and a failure is said on the console (below).
bool writeBoardFile(const char* name, const PlacedCell* cells, const BoardLayout& layout);
// The same without a word: for a first try that has a fallback of its own.
bool tryBoardFile(const char* name, const PlacedCell* cells, const BoardLayout& layout);

// A failed board write is never silent: on a full disk days of new bests would
// vanish unseen. The first failure is said on the console in one line naming
// the file and the reason, and a write that works after failures says so once;
// failures in between are not repeated. A file the program writes again and
// again (Result.csv) that keeps failing while others are written (a directory or
// a protected file in its place) is not "written again" until it is itself: the
// console would otherwise get both lines at every board. One record per process,
// since every board write of a program goes through writeBoardFile; a run names
// its console with a BoardWriteConsole for as long as it runs (without one,
// nothing is said).
struct BoardWriteWatch {
    std::ostream* console = nullptr;
    bool failing = false;
    bool failedRewritten = false;  // among the failures since the last good write, a rewritten file's
    std::array<char, 32> failedName{};  // that file's name
    std::uint64_t failures = 0;  // all failed board writes so far
};

class BoardWriteConsole {
public:
    explicit BoardWriteConsole(std::ostream& console);
    ~BoardWriteConsole();
    BoardWriteConsole(const BoardWriteConsole&) = delete;
    BoardWriteConsole& operator=(const BoardWriteConsole&) = delete;

private:
    std::ostream* previous_;
};

std::uint64_t boardWriteFailures();

// For a program that ends at a full board: when a write of that board failed
// after `failuresBefore` (boardWriteFailures() taken before writing it), the
// board goes to the console in the board file format, so that it is not lost,
// and the exit code is 1; otherwise 0.
int endWithFullBoard(std::ostream& console, const PlacedCell* cells, const BoardLayout& layout,
                     std::uint64_t failuresBefore);

// Board text as editors leave it: a UTF-8 byte-order mark at the start is no part
// of the board, and a CR alone ends a line as CR LF and LF do. The resuming
// solvers' reading below passes over both, as over every byte that is not a
// digit; the board checker takes its lines here, so that both read one board.
std::string_view withoutByteOrderMark(std::string_view text);
// The line at `at` without its line end, `at` moved past the end; false at the end.
bool nextBoardLine(std::string_view text, std::size_t& at, std::string_view& line);

// Parses board bytes for 256 cells by the lenient reading rules: anything that is
// not a digit separates cells; missing cells read as empty. Cells come out in the
// tables' numbers.
void parseBoardBytes(std::string_view data, Board16& out);

inline constexpr int BEST_READ_LIMIT = 4000;
inline constexpr int BEST_MIN_BYTES = 501;
inline constexpr int BEST_FIRST_LEVEL = 255;
inline constexpr int BEST_LAST_LEVEL = 200;

struct BestBoard {
    bool found = false;
    int level = 0;                 // the number in the file name
    std::array<char, 16> name{};   // "Best%d.csv"
    Board16 cells{};
};

struct FileRead;  // core/user_file.hpp

// Reads one best-board file as the resuming solvers do: at most BEST_READ_LIMIT
// bytes through the core reader, parsed by parseBoardBytes. False (cells empty)
// when the file cannot be read (`read` tells why) or holds fewer than
// BEST_MIN_BYTES, which the solvers pass over.
bool readBestBoardFile(const char* path, Board16& cells, FileRead& read);

// Tries "Best255.csv" down to "Best200.csv" in the current directory and parses the
// first one with more than 500 bytes; found is false when none qualifies.
BestBoard readBestBoard();

}  // namespace zentara
