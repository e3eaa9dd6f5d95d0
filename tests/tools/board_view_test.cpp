#include "tools/board_view.hpp"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/xml_check.hpp"

namespace zentara {
namespace {

using testing::countOf;
using testing::readFile;
using testing::sourcePath;
using testing::writeFile;
using testing::xmlProblem;
namespace fs = std::filesystem;

class BoardViewTest : public testing::TempDirTest {
protected:
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), "board-view");
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        out_.str({});
        err_.str({});
        return runBoardView(static_cast<int>(argv.size()), argv.data(), out_, err_);
    }
    BoardCheck check(const std::string& path) {
        BoardCheck c;
        std::string reason;
        EXPECT_TRUE(checkBoardFile(path.c_str(), c, reason)) << reason;
        return c;
    }
    std::ostringstream out_, err_;
};

// The fills of every piece group, four per group in the order top, right, bottom, left.
std::vector<std::array<std::string, 4>> pieceFills(const std::string& svg) {
    std::vector<std::array<std::string, 4>> fills;
    const std::regex group("<g class=\"piece\">.*?</g>");
    const std::regex fill("<polygon [^>]*fill=\"(#[0-9A-F]{6})\"");
    for (auto g = std::sregex_iterator(svg.begin(), svg.end(), group); g != std::sregex_iterator(); ++g) {
        const std::string text = g->str();
        std::array<std::string, 4> f;
        int k = 0;
        for (auto m = std::sregex_iterator(text.begin(), text.end(), fill); m != std::sregex_iterator() && k < 4; ++m)
            f[static_cast<std::size_t>(k++)] = (*m)[1];
        fills.push_back(f);
    }
    return fills;
}

// A solved board must look solved: every seam shows one colour on both sides and
// the whole rim is grey. This catches a piece drawn in the wrong rotation or a
// triangle on the wrong side, which the checker's figures alone cannot.
TEST_F(BoardViewTest, SolvedBoardsShowOneColourAcrossEverySeamAndAGreyFrame) {
    for (const char* name : {"solution_16x16.csv", "solution_6x12.csv", "solution_6x6.csv"}) {
        SCOPED_TRACE(name);
        writeFile(name, readFile(sourcePath(std::string("data/") + name)));
        ASSERT_EQ(run({name}), 0) << err_.str();
        const BoardCheck c = check(name);
        const std::string svgName = svgNameFor(name);
        const std::string svg = readFile(svgName);
        EXPECT_EQ(xmlProblem(svg), "");
        EXPECT_EQ(countOf(svg, "<g class=\"piece"), c.geometry.cells());
        EXPECT_EQ(countOf(svg, "class=\"mismatch\""), 0);
        const auto fills = pieceFills(svg);
        ASSERT_EQ(static_cast<int>(fills.size()), c.geometry.cells());
        const Geometry& g = c.geometry;
        const std::string grey = colourFill(BORDER_COLOUR);
        for (int cell = 0; cell < g.cells(); ++cell) {
            const auto& f = fills[static_cast<std::size_t>(cell)];
            if (g.right(cell) >= 0) {
                EXPECT_EQ(f[1], fills[static_cast<std::size_t>(g.right(cell))][3]) << cell;
            }
            if (g.below(cell) >= 0) {
                EXPECT_EQ(f[2], fills[static_cast<std::size_t>(g.below(cell))][0]) << cell;
            }
            EXPECT_EQ(f[0] == grey, g.topFacesFrame(cell)) << cell;
            EXPECT_EQ(f[1] == grey, g.rightFacesFrame(cell)) << cell;
            EXPECT_EQ(f[2] == grey, g.bottomFacesFrame(cell)) << cell;
            EXPECT_EQ(f[3] == grey, g.leftFacesFrame(cell)) << cell;
        }
        char caption[160];
        std::snprintf(caption, sizeof caption, ">%s: %d of %d pieces placed, %d of %d seams matched</text>", name,
                      g.cells(), g.cells(), g.seams(), g.seams());
        EXPECT_NE(svg.find(caption), std::string::npos);
        EXPECT_NE(svg.find(">complete and consistent</text>"), std::string::npos);
    }
}

TEST_F(BoardViewTest, DamagedBoardHasOneGroupPerPlacedCellAndOneMarkPerFault) {
    Board16 cells{};
    parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), cells);
    std::swap(cells[17], cells[100]);             // two inner pieces swapped: up to 8 bad seams
    cells[0].rotation = 3;                        // a corner turned half way: two frame faults
    for (int c : {60, 61, 77, 200}) cells[c] = PlacedCell{};
    cells[250] = PlacedCell{299, 1};              // a number the set lacks
    ASSERT_TRUE(writeBoardFile("Best231.csv", cells.data(), LAYOUT_16X16));

    ASSERT_EQ(run({"Best231.csv", "view.svg"}), 0) << err_.str();
    const BoardCheck c = check("Best231.csv");
    ASSERT_GT(c.mismatches.size(), 4u);
    ASSERT_EQ(c.frameViolations.size(), 2u);
    const std::string svg = readFile("view.svg");
    EXPECT_EQ(xmlProblem(svg), "");
    EXPECT_EQ(countOf(svg, "<g class=\"piece"), c.piecesPlaced);
    EXPECT_EQ(c.piecesPlaced, 252);
    EXPECT_EQ(countOf(svg, "<g class=\"piece unknown\">"), 1);
    EXPECT_EQ(countOf(svg, "<rect class=\"empty\""), 4);
    EXPECT_EQ(countOf(svg, "class=\"mismatch\""), static_cast<int>(c.mismatches.size()));
    EXPECT_EQ(countOf(svg, "class=\"frame-fault\""), 2);
    char caption[160];
    std::snprintf(caption, sizeof caption, ">Best231.csv: 252 of 256 pieces placed, %d of 480 seams matched</text>",
                  c.matchedSeams);
    EXPECT_NE(svg.find(caption), std::string::npos);
    std::snprintf(caption, sizeof caption, "view.svg: 252 of 256 pieces placed, %d of 480 seams matched; %zu mismatched seams, 2 frame faults, 0 pieces used twice, 1 numbers out of range\n",
                  c.matchedSeams, c.mismatches.size());
    EXPECT_EQ(out_.str(), caption);
    EXPECT_FALSE(std::filesystem::exists("view.html"));

    // A piece on two cells is drawn on both, each flagged.
    cells[250] = cells[251];
    ASSERT_TRUE(writeBoardFile("Best231.csv", cells.data(), LAYOUT_16X16));
    ASSERT_EQ(run({"Best231.csv"}), 0);
    EXPECT_EQ(countOf(readFile("Best231.svg"), "<g class=\"piece twice\">"), 2);
}

// CIELAB lightness and colour axes of an sRGB colour "#RRGGBB".
std::array<double, 3> cielab(const std::string& hex) {
    double rgb[3];
    for (int k = 0; k < 3; ++k) {
        const double c = std::stoi(hex.substr(1 + 2 * k, 2), nullptr, 16) / 255.0;
        rgb[k] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    const double xyz[3] = {(0.4124 * rgb[0] + 0.3576 * rgb[1] + 0.1805 * rgb[2]) / 0.95047,
                           0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2],
                           (0.0193 * rgb[0] + 0.1192 * rgb[1] + 0.9505 * rgb[2]) / 1.08883};
    double f[3];
    for (int k = 0; k < 3; ++k) f[k] = xyz[k] > 216.0 / 24389 ? std::cbrt(xyz[k]) : (24389.0 / 27 * xyz[k] + 16) / 116;
    return {116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])};
}

// CIEDE2000 colour difference of two CIELAB colours: what people see, where the
// plain distance overstates saturated and blue pairs (#FF99FF and #E68FAC lie 35
// apart by that, 16 by this, and look alike in a small triangle).
double ciede2000(const std::array<double, 3>& x, const std::array<double, 3>& y) {
    constexpr double PI = 3.14159265358979323846;
    const auto rad = [](double d) { return d * PI / 180; };
    const double c1 = std::hypot(x[1], x[2]), c2 = std::hypot(y[1], y[2]), cMean = (c1 + c2) / 2;
    const double g = 0.5 * (1 - std::sqrt(std::pow(cMean, 7) / (std::pow(cMean, 7) + std::pow(25.0, 7))));
    const double a1 = (1 + g) * x[1], a2 = (1 + g) * y[1];
    const double cp1 = std::hypot(a1, x[2]), cp2 = std::hypot(a2, y[2]);
    const auto hue = [](double b, double a) {
        const double h = std::atan2(b, a) * 180 / PI;
        return h < 0 ? h + 360 : h;
    };
    const double h1 = hue(x[2], a1), h2 = hue(y[2], a2);
    double dh = 0;
    if (cp1 * cp2 != 0) dh = h2 - h1 > 180 ? h2 - h1 - 360 : h2 - h1 < -180 ? h2 - h1 + 360 : h2 - h1;
    const double dL = y[0] - x[0], dC = cp2 - cp1, dH = 2 * std::sqrt(cp1 * cp2) * std::sin(rad(dh / 2));
    const double lMean = (x[0] + y[0]) / 2, cpMean = (cp1 + cp2) / 2;
    double hMean = h1 + h2;
    if (cp1 * cp2 != 0) hMean = std::abs(h1 - h2) > 180 ? (h1 + h2 + (h1 + h2 < 360 ? 360 : -360)) / 2 : (h1 + h2) / 2;
    const double t = 1 - 0.17 * std::cos(rad(hMean - 30)) + 0.24 * std::cos(rad(2 * hMean)) +
                     0.32 * std::cos(rad(3 * hMean + 6)) - 0.20 * std::cos(rad(4 * hMean - 63));
    const double dTheta = 30 * std::exp(-std::pow((hMean - 275) / 25, 2));
    const double rc = 2 * std::sqrt(std::pow(cpMean, 7) / (std::pow(cpMean, 7) + std::pow(25.0, 7)));
    const double sl = 1 + 0.015 * std::pow(lMean - 50, 2) / std::sqrt(20 + std::pow(lMean - 50, 2));
    const double sc = 1 + 0.045 * cpMean, sh = 1 + 0.015 * cpMean * t;
    const double rt = -std::sin(rad(2 * dTheta)) * rc;
    return std::sqrt(std::pow(dL / sl, 2) + std::pow(dC / sc, 2) + std::pow(dH / sh, 2) + rt * (dC / sc) * (dH / sh));
}

TEST(BoardViewPalette, EveryColourIsFarFromEveryOtherFromTheEmptyCellAndFromTheMarks) {
    // The measure itself, on the published test pairs of Sharma, Wu and Dalal.
    EXPECT_NEAR(ciede2000({50, 2.6772, -79.7751}, {50, 0, -82.7485}), 2.0425, 1e-4);
    EXPECT_NEAR(ciede2000({50, 2.5, 0}, {73, 25, -18}), 27.1492, 1e-4);
    EXPECT_NEAR(ciede2000({22.7233, 20.0904, -46.694}, {23.0331, 14.973, -42.5619}), 2.0373, 1e-4);
    // Pairs people found hard to tell apart in an older palette lie below the minimum.
    EXPECT_LT(ciede2000(cielab("#FF99FF"), cielab("#E68FAC")), 20);
    EXPECT_LT(ciede2000(cielab("#990099"), cielab("#663366")), 20);

    std::vector<std::string> colours{"#FFFFFF", "#FF00FF"};  // an empty cell, the marks
    for (int c = 0; c <= 22; ++c) colours.push_back(colourFill(c));
    double closest = 1000;
    std::string pair;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        for (std::size_t j = i + 1; j < colours.size(); ++j) {
            const double d = ciede2000(cielab(colours[i]), cielab(colours[j]));
            if (d < closest) closest = d, pair = colours[i] + " and " + colours[j];
        }
        if (i >= 2) {
            EXPECT_GE(cielab(colours[i])[0], 25) << colours[i] << " is too dark to tell from the other dark ones";
        }
    }
    EXPECT_GE(closest, 20) << pair;
}

TEST_F(BoardViewTest, PictureNumbersRowsAndColumnsFramesTheFixedCellsAndScales) {
    Board16 cells{};
    parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), cells);
    cells[210] = PlacedCell{};  // a fixed cell empty: still framed
    cells[3] = PlacedCell{299, 0};
    ASSERT_TRUE(writeBoardFile("Best254.csv", cells.data(), LAYOUT_16X16));
    ASSERT_EQ(run({"--numbers", "Best254.csv"}), 0) << err_.str();
    const std::string svg = readFile("Best254.svg");
    EXPECT_EQ(xmlProblem(svg), "");
    // Scales to its box: a view box, no fixed size.
    const std::string root = svg.substr(svg.find("<svg "), svg.find('>', svg.find("<svg ")) - svg.find("<svg "));
    EXPECT_NE(root.find(" viewBox=\"0 0 "), std::string::npos);
    EXPECT_EQ(root.find(" width="), std::string::npos);
    EXPECT_EQ(root.find(" height="), std::string::npos);
    // 16 column and 16 row numbers, 0 to 15.
    const std::regex label("<text class=\"label\" [^>]*>(\\d+)</text>");
    std::vector<int> labels;
    for (auto m = std::sregex_iterator(svg.begin(), svg.end(), label); m != std::sregex_iterator(); ++m)
        labels.push_back(std::stoi((*m)[1]));
    ASSERT_EQ(labels.size(), 32u);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(labels[static_cast<std::size_t>(k)], k);
        EXPECT_EQ(labels[16u + static_cast<std::size_t>(k)], k);
    }
    EXPECT_EQ(countOf(svg, "<g class=\"hint\"><title>cell 135 (row 8, column 7): piece 139 in rotation 2"), 1);
    EXPECT_EQ(countOf(svg, "<g class=\"fixed\"><title>cell 210 (row 13, column 2): piece 181 in rotation 3"), 1);
    EXPECT_EQ(countOf(svg, "<g class=\"fixed\"><title>cell 45 (row 2, column 13): piece 255 in rotation 3"), 1);
    // One number per piece of the set, on its cell.
    const std::string numbers = svg.substr(svg.find("<g class=\"numbers\""));
    EXPECT_EQ(countOf(numbers.substr(0, numbers.find("</g>")), "<text "), 254);
    const int x135 = 12 + 22 + 7 * VIEW_CELL_PIXELS + VIEW_CELL_PIXELS / 2;
    EXPECT_NE(numbers.find("<text x=\"" + std::to_string(x135) + "\" y=\"" +
                           std::to_string(12 + 22 + 8 * VIEW_CELL_PIXELS + VIEW_CELL_PIXELS / 2 + 5) + "\">139</text>"),
              std::string::npos);

    // Without the option no numbers; the small boards have no fixed cells.
    writeFile("small.csv", readFile(sourcePath("data/solution_6x12.csv")));
    ASSERT_EQ(run({"small.csv"}), 0);
    const std::string small = readFile("small.svg");
    EXPECT_EQ(countOf(small, "class=\"numbers\""), 0);
    EXPECT_EQ(countOf(small, "class=\"hint\""), 0);
    EXPECT_EQ(countOf(small, "class=\"fixed\""), 0);
    EXPECT_EQ(countOf(small, "<text class=\"label\""), 18);
}

TEST_F(BoardViewTest, AnyFileNameGivesAWellFormedPicture) {
    const std::string name = "a&b<c>\"'\x01\xff\xc3\xa9.csv";
    writeFile(name, readFile(sourcePath("data/solution_6x6.csv")));
    ASSERT_EQ(run({"--html", name}), 0) << err_.str();
    const std::string svg = readFile(svgNameFor(name));
    EXPECT_EQ(xmlProblem(svg), "");
    EXPECT_NE(svg.find("<title>a&amp;b&lt;c&gt;&quot;&apos;??\xc3\xa9.csv</title>"), std::string::npos);

    // Names Linux allows that are UTF-8 or nearly, but hold no XML character:
    // U+FFFE, U+FFFF, a lone surrogate, an overlong '/', a C1 control (CSI), DEL,
    // ESC; each is one '?', the characters around them kept.
    const std::string odd = "\xef\xbf\xbe|\xef\xbf\xbf|\xed\xa0\x80|\xc0\xaf|\xc2\x9b|\x7f|\x1b[31m|\xf0\x9f\x99\x82.csv";
    writeFile(odd, readFile(sourcePath("data/solution_6x6.csv")));
    ASSERT_EQ(run({"--html", odd}), 0) << err_.str();
    // On the console too the name reaches the terminal as text, not as escapes.
    EXPECT_NE(out_.str().find("|\\x7F|\\x1B[31m|"), std::string::npos) << out_.str();
    EXPECT_EQ(out_.str().find('\x1b'), std::string::npos);
    for (const std::string& file : {svgNameFor(odd), htmlNameBeside(svgNameFor(odd))}) {
        SCOPED_TRACE(file);
        const std::string text = readFile(file);
        EXPECT_EQ(xmlProblem(file.ends_with(".svg") ? text : text.substr(text.find("<svg"), text.find("</svg>") + 6 - text.find("<svg"))), "");
        EXPECT_NE(text.find("?|?|???|??|?|?|?[31m|\xf0\x9f\x99\x82.csv"), std::string::npos);
    }
}

// A name longer than the picture is wide keeps its end, the file's own name, in
// the caption; the picture's title holds it whole.
TEST_F(BoardViewTest, ALongNameKeepsItsEndInTheCaptionAndIsWholeInTheTitle) {
    const std::string dir = "runs/" + std::string(60, 'd') + "/instance-002";
    fs::create_directories(dir);
    const std::string name = dir + "/B244-440.csv";
    writeFile(name, readFile(sourcePath("data/solution_16x16.csv")));
    ASSERT_EQ(run({name, "long.svg"}), 0) << err_.str();
    const std::string svg = readFile("long.svg");
    EXPECT_NE(svg.find("<title>" + name + "</title>"), std::string::npos);
    const std::size_t at = svg.find("<text class=\"caption\"");
    ASSERT_NE(at, std::string::npos);
    const std::string caption = svg.substr(svg.find('>', at) + 1, svg.find("</text>", at) - svg.find('>', at) - 1);
    EXPECT_TRUE(caption.starts_with("\u2026")) << caption;
    EXPECT_NE(caption.find("dd/instance-002/B244-440.csv: 256 of 256 pieces placed"), std::string::npos) << caption;
    // 8 px a character at most, within the picture's 686 px less its margins.
    EXPECT_LE(caption.size() - 2, (686u - 24) / 8) << caption;
}

TEST_F(BoardViewTest, HtmlPageHoldsThePictureAndFetchesNothing) {
    writeFile("Best240.csv", readFile(sourcePath("data/solution_6x12.csv")));
    ASSERT_EQ(run({"Best240.csv", "--html", "pictures.svg"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "pictures.svg: 72 of 72 pieces placed, 126 of 126 seams matched; complete and consistent\n"
                          "pictures.html\n");
    const std::string svg = readFile("pictures.svg");
    const std::string html = readFile("pictures.html");
    ASSERT_TRUE(html.starts_with("<!DOCTYPE html>\n"));
    const std::string inlineSvg = svg.substr(svg.find('\n') + 1);  // without the XML declaration
    const std::size_t at = html.find(inlineSvg);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(html.find("<?xml"), std::string::npos);
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);
    EXPECT_EQ(countOf(html, "http"), 1);  // the SVG namespace name only, never fetched
    EXPECT_EQ(countOf(html, "72 of 72 pieces placed"), 1);  // the caption, once, inside the picture
    EXPECT_TRUE(html.ends_with("</body>\n</html>\n"));
}

TEST_F(BoardViewTest, RefusesUnreadableBoardsBadArgumentsAndOverwritingTheBoard) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"a.csv", "b.svg", "c.svg"}), 2);
    EXPECT_EQ(run({"--png", "a.csv"}), 2);
    EXPECT_TRUE(err_.str().starts_with("board-view: unknown argument '--png'\nusage: board-view [--pieces FILE] [--html] [--numbers] FILE [OUT.svg]\n"))
        << err_.str();

    EXPECT_EQ(run({"missing.csv"}), 2);
    EXPECT_EQ(err_.str(), "board-view: missing.csv: unreadable: cannot open missing.csv\n");
    writeFile("short.csv", "  1,0;  2,0\r\n");
    EXPECT_EQ(run({"short.csv"}), 2);
    EXPECT_EQ(err_.str(), "board-view: short.csv: unreadable: not a 16 x 16, 6 x 12 or 6 x 6 board (1 rows of 2 cells)\n");
    EXPECT_FALSE(std::filesystem::exists("short.svg"));

    const std::string board = readFile(sourcePath("data/solution_6x6.csv"));
    writeFile("board.svg", board);
    EXPECT_EQ(run({"board.svg"}), 2);
    EXPECT_EQ(err_.str(), "board-view: board.svg is the board file itself; give another picture name\n");
    writeFile("page.html", board);
    EXPECT_EQ(run({"--html", "page.html"}), 2);  // page.svg is fine, but its page would be page.html
    EXPECT_EQ(err_.str(), "board-view: page.html is the board file itself; give another picture name\n");
    EXPECT_FALSE(std::filesystem::exists("page.svg"));
    EXPECT_EQ(run({"page.html"}), 0);
    EXPECT_EQ(readFile("page.html"), board);
    EXPECT_EQ(readFile("board.svg"), board);
    writeFile("b.csv", board);

    // A picture that cannot be written leaves nothing behind.
    EXPECT_EQ(run({"b.csv", "no-such-dir/b.svg"}), 1);
    EXPECT_EQ(err_.str(), "board-view: cannot write no-such-dir/b.svg: No such file or directory\n");
}

TEST_F(BoardViewTest, ProgramWritesBesideTheBoardFile) {
    std::filesystem::create_directory("run");
    writeFile("run/Best250.csv", readFile(sourcePath("data/solution_16x16.csv")));
    const std::string command = testing::programPath("board-view").string() + " --html run/Best250.csv > out.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile("out.txt"),
              "run/Best250.svg: 256 of 256 pieces placed, 480 of 480 seams matched; complete and consistent\n"
              "run/Best250.html\n");
    EXPECT_EQ(xmlProblem(readFile("run/Best250.svg")), "");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("run")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Best250.csv", "Best250.html", "Best250.svg"}));
}

}  // namespace
}  // namespace zentara
