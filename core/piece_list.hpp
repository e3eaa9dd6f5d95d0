// The plain piece list: how a user hands the suite a piece set of their own, and
// how make-puzzles shows ours.
//
//   # comments and blank lines are ignored
//   order top right bottom left     (optional, before the first piece; the default)
//   0 0 3 5                         one piece per line: four colours, 0 the border
//   ...
//   top-first-colours 0:0 1:2 ...   (optional: the top-first number of each colour)
//   fixed 139 135 2                 (optional, 16 x 16: piece 139 fixed on cell 135 in rotation 2)
//
// Colours are non-negative whole numbers in any numbering; numbers may be
// separated by blanks, tabs or commas. The k-th piece line is piece k in every
// file and screen text of the suite. Lines end in LF or CR LF; the writer uses
// CR LF.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zentara {

// A colour as the user numbers it (0 is the border).
using ListColour = std::uint32_t;
inline constexpr ListColour MAX_LIST_COLOUR = 999999;
// No set of the suite has more pieces; a longer list is refused while reading.
inline constexpr int MAX_LIST_PIECES = 256;
// A list file is a few kilobytes; this bound only keeps a stray file out.
inline constexpr std::size_t MAX_LIST_BYTES = 1 << 20;

struct ListPiece {
    std::array<ListColour, 4> sides{};  // top, right, bottom, left, whatever order the file used
    int line = 0;                       // line of the file, for messages
};

// A "fixed PIECE CELL ROTATION" line: a clue piece of the puzzle, numbered as the
// list numbers it (from 1), on a cell and in a rotation as board files write them.
struct FixedLine {
    int piece = 0;
    int cell = 0;
    int rotation = 0;
    int line = 0;  // line of the file, for messages
};

struct PieceList {
    std::vector<ListPiece> pieces;
    std::vector<FixedLine> fixed;
    // The "top-first-colours" line, when given: pairs of list colour, top-first number.
    std::vector<std::pair<ListColour, int>> topFirstColours;
};

// Reads the text of a list. On a fault returns false with `error` naming the line
// and what is wrong ("line 7: ...").
bool parsePieceList(std::string_view text, PieceList& list, std::string& error);

// Reads the list file at `path` through the core reader (bounded, never a FIFO).
bool readPieceList(const char* path, PieceList& list, std::string& error);

// The text of a list in top-first order, with CR LF line ends: the comment lines
// given (each without its "# "), one line per piece, and the top-first colour
// line when `topFirstColours` is not empty; then the fixed lines.
std::string formatPieceList(const std::vector<std::string>& comments,
                            const std::vector<std::array<ListColour, 4>>& topFirstPieces,
                            const std::vector<std::pair<ListColour, int>>& topFirstColours = {},
                            const std::vector<FixedLine>& fixed = {});

}  // namespace zentara
