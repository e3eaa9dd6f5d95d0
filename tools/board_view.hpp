// Board pictures: any board file drawn as an SVG picture (and, on request, a
// self-contained HTML page around it) from the board checker's figures.
//
// tools/ holds the board tools (board-check, board-view) and stat-merge. Words:
//   board     a board file as the solvers write it (core/board_file.hpp)
//   check     what the board checker finds in one (core/board_check.hpp)
//   picture   a board drawn as SVG
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "core/board_check.hpp"

namespace zentara {

inline constexpr int VIEW_CELL_PIXELS = 40;

// Fill of a colour number: the border a neutral grey, every other number its own colour.
const char* colourFill(int colour);

// Decodes the UTF-8 sequence at text[i]: its length, with its code point in
// `code`, or 0 when it is none (a lone or cut byte, an overlong form, a surrogate).
std::size_t utf8At(std::string_view text, std::size_t i, unsigned& code);

// Text made safe for XML: markup characters escaped; control characters (C0 and
// C1), U+FFFE, U+FFFF and bytes that are not UTF-8 (lone surrogates, overlong
// forms) replaced by '?', so that any file name gives a well-formed page.
std::string xmlEscape(std::string_view text);

struct ViewOptions {
    bool pieceNumbers = false;  // each piece's number (as files show it) on its cell
};

// The picture, scaled to whatever box shows it: row and column numbers, one
// <g class="piece"> per placed cell (four triangles, or a question mark for a
// piece number the set lacks), on 16 x 16 boards the hint cell (<g class="hint">)
// and the two cells shift-solver and berserker-solver fix (<g class="fixed">)
// framed, one <line class="mismatch"> per mismatched seam, one <line
// class="frame-fault"> per side that should face the frame with the border
// colour, and a caption with the name and the figures.
std::string renderBoardSvg(const BoardCheck& check, std::string_view name, const ViewOptions& options = {});

// The picture as HTML takes it inline: without its XML declaration.
std::string_view inlineSvg(std::string_view svg);

// A page a browser opens directly: the same picture inline, its caption the only
// one, nothing fetched.
std::string renderBoardHtml(std::string_view name, std::string_view svg);

// "Best230.csv" -> "Best230.svg"; "dir/board" -> "dir/board.svg".
std::string svgNameFor(const std::string& boardPath);
// "x.svg" -> "x.html"; "x" -> "x.html".
std::string htmlNameBeside(const std::string& svgPath);

// The board-view program: board-view [--html] [--numbers] FILE [OUT.svg].
// Exit 0 when the picture was written, 1 when it could not be written, 2 for a
// usage error or a board file that cannot be read.
int runBoardView(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zentara
