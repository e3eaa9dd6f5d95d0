#include "tools/board_view.hpp"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "core/pieces.hpp"
#include "core/command_line.hpp"
#include "tools/whole_file.hpp"

namespace zentara {

namespace {

// Twenty-two colours picked so that any two of them, the border grey, the white
// of an empty cell and the magenta of the marks lie at least 22 apart by CIEDE2000
// (the measure that follows what people see, where plain CIELAB distance
// overstates blues and saturated pairs: a difference of 2 is barely visible), none
// darker than L* 26 and none greyish: dark shades that differ on paper look alike
// in a small triangle, and grey ones like the border.
constexpr std::array<const char*, 23> PALETTE{
    "#848482",                                                                    // 0 border
    "#00FF00", "#5500BB", "#881100", "#005500", "#FFAA00", "#FF1100", "#6688FF",  // 1-7
    "#00FFEE", "#AA0055", "#778800", "#554422", "#FFBBAA", "#005555", "#FFFF00",  // 8-14
    "#DDBBFF", "#EE6688", "#886699", "#44CCFF", "#AA6600", "#009977", "#005599",  // 15-21
    "#BBCC99",                                                                    // 22
};

constexpr int MARGIN = 12;
constexpr int LABEL = 22;  // room for the row and column numbers
constexpr int CAPTION_HEIGHT = 68;
constexpr int MIN_WIDTH = 600;
constexpr const char* MARK_COLOUR = "#FF00FF";  // far from every palette entry, so a mark never hides

const PieceEntry* pieceTable(PuzzleKind kind, int& count) {
    count = pieceSet(kind).pieces;
    return pieceSet(kind).bottomFirst.data();
}

void append(std::string& s, const char* format, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& s, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) s.append(line, static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1);
}

std::string figuresLine(const BoardCheck& check) {
    std::string s;
    append(s, "%d of %d pieces placed, %d of %d seams matched", check.piecesPlaced, check.geometry.cells(),
           check.matchedSeams, check.totalSeams);
    return s;
}

std::string faultsLine(const BoardCheck& check) {
    if (check.complete()) return "complete and consistent";
    std::string s;
    append(s, "%zu mismatched seams, %zu frame faults, %d pieces used twice, %d numbers out of range",
           check.mismatches.size(), check.frameViolations.size(), check.piecesUsedTwice, check.outOfRange);
    return s;
}

}  // namespace

const char* colourFill(int colour) {
    if (colour >= 0 && colour < static_cast<int>(PALETTE.size())) return PALETTE[static_cast<std::size_t>(colour)];
    return "#FFFFFF";
}

std::size_t utf8At(std::string_view text, std::size_t i, unsigned& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    std::size_t n;
    if (b >= 0xC2 && b <= 0xDF) n = 2, code = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, code = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, code = b & 0x07;
    else return 0;
    if (i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
    if ((n == 3 && code < 0x800) || (n == 4 && (code < 0x10000 || code > 0x10FFFF))) return 0;
    if (code >= 0xD800 && code <= 0xDFFF) return 0;
    return n;
}

std::string xmlEscape(std::string_view text) {
    std::string s;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            unsigned code = 0;
            const std::size_t n = utf8At(text, i, code);
            // U+FFFE and U+FFFF are UTF-8 but no XML 1.0 character; nor are the C1 controls welcome.
            const bool unwanted = n > 0 && (code == 0xFFFE || code == 0xFFFF || code < 0xA0);
            if (n == 0 || unwanted) {
                s += '?';
                i += unwanted ? n : 1;
            } else {
                s.append(text.substr(i, n));
                i += n;
            }
            continue;
        }
        switch (c) {
            case '&': s += "&amp;"; break;
            case '<': s += "&lt;"; break;
            case '>': s += "&gt;"; break;
            case '"': s += "&quot;"; break;
            case '\'': s += "&apos;"; break;
            default: s += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
        }
        ++i;
    }
    return s;
}

// The name as the caption shows it: whole while the caption line fits the
// picture's width, else its end (where the file's own name is) after an ellipsis;
// the picture's title keeps the whole name. A character of the 14 px caption is
// taken as 8 px, wider than the digits and letters of common sans-serif fonts.
std::string captionName(std::string_view name, std::size_t figuresLength, int width) {
    const std::size_t room = static_cast<std::size_t>(width - 2 * MARGIN) / 8;
    if (name.size() + 2 + figuresLength <= room) return std::string(name);
    const std::size_t keep = room > figuresLength + 3 + 12 ? room - figuresLength - 3 : 12;
    if (keep >= name.size()) return std::string(name);
    std::size_t from = name.size() - keep;
    while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80) ++from;  // a whole character
    return "\u2026" + std::string(name.substr(from));
}

std::string renderBoardSvg(const BoardCheck& check, std::string_view name, const ViewOptions& options) {
    const Geometry& g = check.geometry;
    const int S = VIEW_CELL_PIXELS;
    const int X0 = MARGIN + LABEL, Y0 = MARGIN + LABEL;  // top left corner of cell 0
    // Wide enough for the caption also under the small boards.
    const int width = std::max(X0 + MARGIN + g.width * S, MIN_WIDTH);
    const int height = Y0 + g.height * S + CAPTION_HEIGHT;
    int setSize = 0;
    const PieceEntry* table = pieceTable(check.kind, setSize);

    std::vector<int> uses(static_cast<std::size_t>(setSize), 0);
    for (const PlacedCell& cell : check.cells)
        if (!cell.empty() && cell.piece < setSize) ++uses[static_cast<std::size_t>(cell.piece)];

    std::string s;
    s.reserve(static_cast<std::size_t>(g.cells()) * 800);
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    // No width or height: the picture fills the window (or its box on a page), the
    // view box keeping its proportions.
    append(s, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"board\" viewBox=\"0 0 %d %d\" preserveAspectRatio=\"xMidYMid meet\">\n",
           width, height);
    s += "<title>" + xmlEscape(name) + "</title>\n";
    append(s, "<rect class=\"background\" x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" fill=\"#FFFFFF\"/>\n", width,
           height);
    // Rows and columns numbered from 0, as cell = row * width + column.
    for (int col = 0; col < g.width; ++col)
        append(s, "<text class=\"label\" x=\"%d\" y=\"%d\" font-family=\"sans-serif\" font-size=\"13\" text-anchor=\"middle\">%d</text>\n",
               X0 + col * S + S / 2, Y0 - 7, col);
    for (int row = 0; row < g.height; ++row)
        append(s, "<text class=\"label\" x=\"%d\" y=\"%d\" font-family=\"sans-serif\" font-size=\"13\" text-anchor=\"end\">%d</text>\n",
               X0 - 6, Y0 + row * S + S / 2 + 5, row);

    for (int c = 0; c < g.cells(); ++c) {
        const PlacedCell& cell = check.cells[static_cast<std::size_t>(c)];
        const int x = X0 + g.column(c) * S, y = Y0 + g.row(c) * S;
        if (cell.empty()) {
            append(s, "<rect class=\"empty\" x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#FFFFFF\" stroke=\"#999999\" stroke-dasharray=\"3 3\"/>\n",
                   x, y, S, S);
            continue;
        }
        // Numbers and rotations as the files show them.
        const PlacedCell shown = check.kind == PuzzleKind::Board16x16 ? listCellOf(cell) : cell;
        const int number = shown.piece + 1;
        if (cell.piece >= setSize) {
            append(s, "<g class=\"piece unknown\"><title>cell %d (row %d, column %d): piece %d is not in the set</title>",
                   c, g.row(c), g.column(c), number);
            append(s, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#FFFFFF\" stroke=\"#000000\"/>", x, y, S, S);
            append(s, "<text x=\"%d\" y=\"%d\" font-size=\"%d\" text-anchor=\"middle\" font-family=\"sans-serif\">?</text></g>\n",
                   x + S / 2, y + S * 2 / 3, S / 2);
            continue;
        }
        const bool twice = uses[static_cast<std::size_t>(cell.piece)] > 1;
        const PieceEntry sides = rotate(table[cell.piece], cell.rotation);
        append(s, "<g class=\"piece%s\"><title>cell %d (row %d, column %d): piece %d, rotation %d%s</title>",
               twice ? " twice" : "", c, g.row(c), g.column(c), number, shown.rotation,
               twice ? ", used on more than one cell" : "");
        const int cx = x + S / 2, cy = y + S / 2;
        // Corners of the cell clockwise from the top left; side k of the triangle
        // list runs from corner k to corner k + 1 (top, right, bottom, left).
        const int px[4] = {x, x + S, x + S, x};
        const int py[4] = {y, y, y + S, y + S};
        using namespace bottom_first;
        const int colourOf[4] = {sides[TOP], sides[RIGHT], sides[BOTTOM], sides[LEFT]};
        for (int k = 0; k < 4; ++k)
            append(s, "<polygon points=\"%d,%d %d,%d %d,%d\" fill=\"%s\" stroke=\"#333333\" stroke-width=\"0.5\"/>",
                   px[k], py[k], px[(k + 1) & 3], py[(k + 1) & 3], cx, cy, colourFill(colourOf[k]));
        if (twice)
            append(s, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\" stroke-dasharray=\"4 3\"/>",
                   x + 3, y + 3, S - 6, S - 6, MARK_COLOUR);
        s += "</g>\n";
    }

    // The fixed cells: a black frame inside a white one, seen on any colour.
    if (check.kind == PuzzleKind::Board16x16) {
        for (const FixedPlacement& f : pieceSet().clues()) {
            const int x = X0 + g.column(f.cell) * S, y = Y0 + g.row(f.cell) * S;
            const bool hint = f.cell == HINT_CELL;
            append(s, "<g class=\"%s\"><title>cell %d (row %d, column %d): piece %d in rotation %d, %s</title>",
                   hint ? "hint" : "fixed", f.cell, g.row(f.cell), g.column(f.cell), listPieceOf(f.piece) + 1,
                   listRotationOf(f.piece, f.rotation),
                   hint ? "the hint piece, fixed in every 16 x 16 solver" : "fixed by shift-solver and berserker-solver");
            append(s, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" stroke=\"#FFFFFF\" stroke-width=\"5\"/>",
                   x + 3, y + 3, S - 6, S - 6);
            append(s, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"none\" stroke=\"#000000\" stroke-width=\"3\"%s/></g>\n",
                   x + 3, y + 3, S - 6, S - 6, hint ? "" : " stroke-dasharray=\"5 3\"");
        }
    }

    if (options.pieceNumbers) {
        s += "<g class=\"numbers\" font-family=\"sans-serif\" font-size=\"13\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"#000000\" stroke=\"#FFFFFF\" stroke-width=\"3\" paint-order=\"stroke\">\n";
        for (int c = 0; c < g.cells(); ++c) {
            const PlacedCell& cell = check.cells[static_cast<std::size_t>(c)];
            if (cell.empty() || cell.piece >= setSize) continue;
            append(s, "<text x=\"%d\" y=\"%d\">%d</text>\n", X0 + g.column(c) * S + S / 2, Y0 + g.row(c) * S + S / 2 + 5,
                   (check.kind == PuzzleKind::Board16x16 ? listCellOf(cell) : cell).piece + 1);
        }
        s += "</g>\n";
    }

    // A mismatch is drawn on the seam itself, so the two faces that disagree sit on either side of it.
    for (const Seam& seam : check.mismatches) {
        const int x = X0 + g.column(seam.cellB) * S, y = Y0 + g.row(seam.cellB) * S;
        const bool horizontalNeighbours = seam.cellB == seam.cellA + 1;
        const int x2 = horizontalNeighbours ? x : x + S, y2 = horizontalNeighbours ? y + S : y;
        append(s, "<line class=\"mismatch\" x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\" stroke-width=\"%d\" stroke-linecap=\"round\"><title>seam between cells %d and %d does not match</title></line>\n",
               x, y, x2, y2, MARK_COLOUR, S / 8, seam.cellA, seam.cellB);
    }
    for (const FrameFault& fault : check.frameViolations) {
        const int x = X0 + g.column(fault.cell) * S, y = Y0 + g.row(fault.cell) * S;
        using namespace bottom_first;
        int x1 = x, y1 = y, x2 = x + S, y2 = y;  // top
        if (fault.side == RIGHT) x1 = x + S, y2 = y + S;
        else if (fault.side == BOTTOM) y1 = y2 = y + S;
        else if (fault.side == LEFT) x2 = x, y2 = y + S;
        append(s, "<line class=\"frame-fault\" x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\" stroke-width=\"%d\" stroke-dasharray=\"6 4\"><title>cell %d shows a colour to the frame</title></line>\n",
               x1, y1, x2, y2, MARK_COLOUR, S / 8, fault.cell);
    }

    const int captionY = Y0 + g.height * S + 20;
    s += "<text class=\"caption\" x=\"" + std::to_string(MARGIN) + "\" y=\"" + std::to_string(captionY) +
         "\" font-family=\"sans-serif\" font-size=\"14\">" +
         xmlEscape(captionName(name, figuresLine(check).size(), width)) + ": " + figuresLine(check) + "</text>\n";
    s += "<text class=\"caption\" x=\"" + std::to_string(MARGIN) + "\" y=\"" + std::to_string(captionY + 20) +
         "\" font-family=\"sans-serif\" font-size=\"12\">" + faultsLine(check) + "</text>\n";
    if (check.kind == PuzzleKind::Board16x16)
        s += "<text class=\"caption\" x=\"" + std::to_string(MARGIN) + "\" y=\"" + std::to_string(captionY + 38) +
             "\" font-family=\"sans-serif\" font-size=\"12\">black frame: the hint cell; dashed: the cells shift-solver "
             "and berserker-solver fix; magenta: faults</text>\n";
    s += "</svg>\n";
    return s;
}

std::string_view inlineSvg(std::string_view svg) {
    // HTML does not allow the XML declaration there.
    if (svg.starts_with("<?xml")) svg.remove_prefix(svg.find('\n') + 1);
    return svg;
}

std::string renderBoardHtml(std::string_view name, std::string_view svg) {
    const std::string_view body = inlineSvg(svg);
    std::string s;
    s += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + xmlEscape(name) +
         "</title>\n<style>body{font-family:sans-serif;margin:1em}svg.board{display:block;width:100%;height:auto;max-height:calc(100vh - 7em)}</style>\n</head>\n<body>\n";
    s += "<h1>" + xmlEscape(name) + "</h1>\n";
    // The picture's own caption gives the figures, once, inside the window.
    s.append(body);
    s += "</body>\n</html>\n";
    return s;
}

std::string svgNameFor(const std::string& boardPath) {
    const std::size_t slash = boardPath.rfind('/');
    const std::size_t dot = boardPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? boardPath.substr(0, dot) : boardPath) + ".svg";
}

std::string htmlNameBeside(const std::string& svgPath) {
    if (svgPath.size() > 4 && svgPath.ends_with(".svg")) return svgPath.substr(0, svgPath.size() - 4) + ".html";
    return svgPath + ".html";
}

int runBoardView(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    static constexpr const char* USAGE =
        "usage: board-view [--pieces FILE] [--html] [--numbers] FILE [OUT.svg]\n"
        "Draws a board file as an SVG picture, OUT.svg or FILE's name with .svg, every fault marked.\n"
        "  --html     also writes a page beside the picture (.html) that any browser opens\n"
        "  --numbers  writes each piece's number on its cell\n"
        "  --help     prints this text\n"
        "  --pieces FILE  draws the pieces of your own plain list FILE\n"
        "  --version  prints the suite's version\n"
        "Exit 0: written; 1: the picture could not be written; 2: usage, or FILE is not a board.\n";
    CommandSyntax taken{"board-view", USAGE, {{"--html"}, {"--numbers"}}, 1, 2};
    taken.pieces = PuzzleKind::Board16x16;
    taken.piecesOfAnySize = true;
    const int answered = answerCommandLine(argc, argv, taken, out, err);
    if (answered >= 0) return answered;
    bool html = false;
    ViewOptions options;
    std::vector<std::string> names;
    bool namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (namesOnly) names.emplace_back(arg);
        else if (arg == "--") namesOnly = true;
        else if (arg == "--pieces") ++i;  // loaded above
        else if (arg == "--html") html = true;
        else if (arg == "--numbers") options.pieceNumbers = true;
        else names.emplace_back(arg);
    }
    const std::string& board = names[0];
    const std::string svgPath = names.size() == 2 ? names[1] : svgNameFor(board);
    const std::string htmlPath = htmlNameBeside(svgPath);

    BoardCheck check;
    std::string reason;
    if (!checkBoardFile(board.c_str(), check, reason)) {
        err << invokedName("board-view") << ": " << printableArgument(board) << ": unreadable: " << printableArgument(reason) << '\n';
        return 2;
    }
    // A picture must never take the place of the board it shows.
    for (const std::string* target : {&svgPath, html ? &htmlPath : &svgPath}) {
        if (!sameFile(board, *target)) continue;
        err << invokedName("board-view") << ": " << printableArgument(*target) << " is the board file itself; give another picture name\n";
        return 2;
    }

    const std::string svg = renderBoardSvg(check, board, options);
    if (!writeWholeFile(svgPath, svg, reason)) {
        err << invokedName("board-view") << ": cannot write " << printableArgument(svgPath) << ": " << reason << '\n';
        return 1;
    }
    out << printableArgument(svgPath) << ": " << figuresLine(check) << "; " << faultsLine(check) << '\n';
    if (html) {
        if (!writeWholeFile(htmlPath, renderBoardHtml(board, svg), reason)) {
            err << invokedName("board-view") << ": cannot write " << printableArgument(htmlPath) << ": " << reason << '\n';
            return 1;
        }
        out << printableArgument(htmlPath) << '\n';
    }
    return 0;
}

}  // namespace zentara
