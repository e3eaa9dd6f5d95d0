// The suite built for a set of the user's, as a user would: a second set of our
// generator's, given as a plain list with its colours renamed, its pieces turned,
// its hint on another line than ours and clue pieces of its own, configured with
// ZENTARA_PIECES_16X16 in a build folder of the test's own. Every 16 x 16 solver
// of that build runs on it briefly, and every board they write is checked against
// the list itself (not through the importer's tables): the list's numbers and
// rotations, the declared clues in place. A list the importer refuses stops the
// configure and leaves no header behind; fixed, the next build takes it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/board_file.hpp"
#include "core/piece_list.hpp"
#include "tests/support/temp_dir.hpp"
#include "puzzles/puzzle_import.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::readFile;
using testing::writeFile;
using Sides = std::array<ListColour, 4>;  // top, right, bottom, left

constexpr auto PATIENCE = 300s;  // generous: two busy neighbours, or the sanitizer build's tools

Sides turned(const Sides& s, int r) {
    Sides out{};
    for (int k = 0; k < 4; ++k) out[k] = s[(k - r) & 3];
    return out;
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program started in `dir` with its console in `dir`/console.txt; killed when
// the test is done with it (or ends early).
struct Started {
    pid_t pid = -1;
    fs::path console;
    Started(const fs::path& program, const fs::path& dir) : console(dir / "console.txt") {
        writeFile(console, "");
        pid = ::fork();
        if (pid == 0) {
            const int out = ::open(console.c_str(), O_WRONLY | O_APPEND);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            if (::chdir(dir.c_str()) != 0) ::_exit(126);
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    Started(const Started&) = delete;
    // Ends the program with `signal` (SIGTERM: it saves what it keeps) and waits for it.
    void stop(int signal) {
        if (pid <= 0) return;
        ::kill(pid, signal);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~Started() { stop(SIGKILL); }
};

bool waitUntil(const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + PATIENCE;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

std::vector<fs::path> boardFiles(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".csv" && entry.path().filename() != "Blocks.csv") files.push_back(entry.path());
    return files;
}

struct Clue {
    int piece;  // list index
    int cell;
    int rotation;  // as files count it
};

class OwnSetBuild : public testing::TempDirTest {
protected:
    std::vector<Sides> list;  // the pieces as the list gives them
    std::vector<Clue> clues;  // the declared clues, the hint first

    // A piece in a rotation counted, as docs/own-puzzle.md says, from the table
    // orientation: rim pieces turned to their border at the bottom (and on the
    // left for a corner), inner pieces as listed.
    Sides onBoard(int piece, int rotation) const {
        Sides base = list[piece];
        int borders = 0;
        for (ListColour c : base) borders += c == 0;
        while (borders > 0 && (base[2] != 0 || (borders == 2 && base[3] != 0))) base = turned(base, 1);
        return turned(base, rotation);
    }

    // What is wrong with a board file by the list, or "" for a consistent one
    // with the first `cluesFixed` declared clues in place.
    std::string faultOf(const fs::path& file, std::size_t cluesFixed = 1) const {
        Board16 cells{};
        const std::string bytes = readFile(file);
        if (bytes.size() != static_cast<std::size_t>(LAYOUT_16X16.fileBytes())) return file.string() + ": size";
        // Read as written: the suite's reader would map numbers, this one must not.
        for (int c = 0; c < CELL_COUNT; ++c) {
            const std::string field = bytes.substr(static_cast<std::size_t>(c) * 6 + c / 16 * 1, 5);
            const int number = std::stoi(field.substr(0, 3));
            cells[c] = number == 0 ? PlacedCell{} : PlacedCell{static_cast<std::int16_t>(number - 1),
                                                              static_cast<std::uint8_t>(field[4] - '0')};
        }
        std::vector<bool> used(PIECE_COUNT, false);
        for (int c = 0; c < CELL_COUNT; ++c) {
            const PlacedCell& cell = cells[c];
            if (cell.piece < 0) continue;
            const std::string at = file.filename().string() + " cell " + std::to_string(c);
            if (cell.piece >= PIECE_COUNT || cell.rotation > 3 || used[cell.piece]) return at + ": piece or rotation";
            used[cell.piece] = true;
            const Sides s = onBoard(cell.piece, cell.rotation);
            const Geometry g = BOARD_16X16;
            const bool frame[4] = {g.topFacesFrame(c), g.rightFacesFrame(c), g.bottomFacesFrame(c), g.leftFacesFrame(c)};
            // Towards the frame the border; elsewhere a side meets its neighbour's
            // (a border side towards an empty inner cell is a board's own business).
            for (int k = 0; k < 4; ++k)
                if (frame[k] && s[k] != 0) return at + ": no border towards the frame";
            const int right = g.right(c), below = g.below(c);
            if (right >= 0 && cells[right].piece >= 0 && cells[right].piece < PIECE_COUNT &&
                onBoard(cells[right].piece, cells[right].rotation)[3] != s[1])
                return at + ": right seam";
            if (below >= 0 && cells[below].piece >= 0 && cells[below].piece < PIECE_COUNT &&
                onBoard(cells[below].piece, cells[below].rotation)[0] != s[2])
                return at + ": bottom seam";
        }
        for (std::size_t i = 0; i < cluesFixed && i < clues.size(); ++i) {
            const Clue& k = clues[i];
            if (cells[k.cell].piece != k.piece || cells[k.cell].rotation != k.rotation)
                return file.filename().string() + ": clue on cell " + std::to_string(k.cell) + " not in place";
        }
        return "";
    }

    // Runs `program` of the build in `where` until `done` holds for its console,
    // then stops it with `signal` and checks every board it wrote.
    void runAndCheck(const fs::path& program, const fs::path& where,
                     const std::function<bool(const fs::path&, const std::string&)>& done, bool boardsExpected,
                     std::size_t cluesFixed, int signal = SIGKILL) {
        SCOPED_TRACE(program.filename().string());
        {
            Started started(program, where);
            EXPECT_TRUE(waitUntil([&] { return done(where, readFile(started.console)); }))
                << readFile(started.console).substr(0, 400);
            started.stop(signal);
            // A resumed board read the list's way: not one cell refused.
            EXPECT_EQ(readFile(started.console).find("Read error"), std::string::npos) << readFile(started.console);
        }
        std::vector<fs::path> boards = boardFiles(where);
        std::erase_if(boards, [](const fs::path& p) { return p.filename() == "Best230.csv"; });  // the seed board
        if (boardsExpected) {
            EXPECT_FALSE(boards.empty());
        }
        for (const fs::path& board : boards) EXPECT_EQ(faultOf(board, cluesFixed), "");
    }

    fs::path runDir(const std::string& name) {
        const fs::path where = dir() / ("run-" + name);
        fs::create_directory(where);
        return where;
    }
};

std::string boardText(const Board16& cells) {
    BoardText text;
    formatBoard(cells.data(), LAYOUT_16X16, text, PieceNumbers::Table);
    return std::string(text.view());
}

TEST_F(OwnSetBuild, EverySolverBuiltForAListWithItsOwnCluesWritesBoardsOfThatList) {
    // The set: our generator's with another seed and a cross piece (top = bottom,
    // left = right, alike turned by two); its planted solution in the generator's
    // table orientation.
    const std::string makePuzzles = testing::programPath("make-puzzles").string();
    ASSERT_EQ(run(makePuzzles + " --seed 4 --cross " + dir().string() + " >/dev/null"), 0);
    puzzle_import::ImportedSet generated;
    std::string error;
    ASSERT_TRUE(puzzle_import::parseHeader(puzzle_import::SetKind::Board16x16, readFile("puzzle_16x16.hpp"),
                                           generated, error))
        << error;
    Board16 planted{};
    parseBoardBytes(readFile("solution_16x16.csv"), planted);

    // The list: colours renamed at random, every piece turned at random, and the
    // generated hint (index 138) on line 200, the piece of line 200 on line 139.
    constexpr int HINT_LINE = 199;
    const auto lineOf = [](int piece) { return piece == HINT_PIECE ? HINT_LINE : piece == HINT_LINE ? HINT_PIECE : piece; };
    std::mt19937 random(2026);
    std::vector<ListColour> names;
    for (ListColour c = 1; c < 400; ++c) names.push_back(c);
    std::shuffle(names.begin(), names.end(), random);
    std::vector<int> turn(PIECE_COUNT, 0);
    list.resize(PIECE_COUNT);
    for (int p = 0; p < PIECE_COUNT; ++p) {
        turn[p] = static_cast<int>(random() % 4);
        const PieceEntry e = rotate(generated.table[p], turn[p]);
        Sides s{};
        for (int k = 0; k < 4; ++k) s[k] = e[(k + 2) & 3] == 0 ? 0 : names[e[(k + 2) & 3]];
        list[lineOf(p)] = s;
    }
    // The planted solution as the list numbers it: inner pieces keep their listed
    // orientation, so their rotations move; rim rotations count from the table's.
    for (PlacedCell& cell : planted) {
        if (cell.piece >= FIRST_INNER_PIECE) cell.rotation = static_cast<std::uint8_t>((cell.rotation - turn[cell.piece]) & 3);
        cell.piece = static_cast<std::int16_t>(lineOf(cell.piece));
    }
    // The clues: the hint where the generator put it, then an edge piece, an inner
    // piece and a corner where the solution has them (none where ours are).
    std::vector<FixedLine> fixedLines;
    for (int cell : {HINT_CELL, 1, 100, 255}) {
        clues.push_back({planted[cell].piece, cell, planted[cell].rotation});
        fixedLines.push_back({planted[cell].piece + 1, cell, planted[cell].rotation, 0});
    }
    ASSERT_EQ(clues[0].piece, HINT_LINE);
    int crosses = 0;
    for (const Sides& s : list) crosses += s[0] != 0 && s[1] != 0 && s[0] == s[2] && s[1] == s[3];
    ASSERT_GT(crosses, 0);
    writeFile("mine.txt", formatPieceList({"a set of my own"}, list, {}, fixedLines));
    writeFile("planted.csv", boardText(planted));
    ASSERT_EQ(faultOf(dir() / "planted.csv", clues.size()), "");  // the oracle agrees with itself
    std::string broken = readFile("mine.txt");
    broken.replace(broken.find("\r\n", broken.find("\r\n") + 2) + 2, 0, "1 2 3\r\n");  // a line before piece 2

    const std::string cmake = ZENTARA_CMAKE;
    const std::string launcher = ZENTARA_CXX_LAUNCHER;
    const std::string configure = cmake + " -S " + ZENTARA_SOURCE_DIR + " -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "
                                  "-DCMAKE_CXX_COMPILER=" ZENTARA_CXX_COMPILER " -DZENTARA_TESTS=OFF -DZENTARA_BENCH=OFF "
                                  "-DZENTARA_WERROR=ON " +
                                  (launcher.empty() ? "" : "-DCMAKE_CXX_COMPILER_LAUNCHER=" + launcher + " ") +
                                  "-DZENTARA_PIECES_16X16=";
    const fs::path header = dir() / "build/generated/data/puzzle_16x16.hpp";
    const std::string refusal = "ZENTARA_PIECES_16X16 refused:\n\n   make-puzzles: " + (dir() / "broken.txt").string() +
                                ": line 3: a piece line holds four colours (whole numbers 0 to 999999, 0 the border)\n\n"
                                "  Fix the list, then configure again (the folder keeps the option):\n\n   " + cmake +
                                " -S " + ZENTARA_SOURCE_DIR + " -B " + (dir() / "build").string();

    // Refused at configure time, in a fresh folder: the message with the command
    // that tries again, and no header.
    writeFile("broken.txt", broken);
    EXPECT_NE(run(configure + "broken.txt >configure.txt 2>&1"), 0);
    EXPECT_NE(readFile("configure.txt").find(refusal), std::string::npos) << readFile("configure.txt");
    EXPECT_FALSE(fs::exists(header));
    // A FIFO as the list: refused by the importer at once, never waited on (a
    // hang shows as timeout's 124, not configure's 1).
    ASSERT_EQ(::mkfifo((dir() / "fifo.txt").c_str(), 0600), 0);
    EXPECT_EQ(run("timeout 120 " + configure + "fifo.txt >configure.txt 2>&1"), 1);
    EXPECT_NE(readFile("configure.txt")
                  .find("ZENTARA_PIECES_16X16 refused:\n\n   make-puzzles: " + (dir() / "fifo.txt").string() +
                        ": not a regular file"),
              std::string::npos)
        << readFile("configure.txt");

    // Taken, in the same folder; the programs the test runs built.
    ASSERT_EQ(run(configure + "mine.txt >configure.txt 2>&1"), 0) << readFile("configure.txt");
    const std::string report = readFile("configure.txt");
    EXPECT_NE(report.find("16 x 16 pieces from " + (dir() / "mine.txt").string() + ": 256 pieces"), std::string::npos);
    EXPECT_NE(report.find("hint piece 200 in rotation " + std::to_string(clues[0].rotation) + " shows top "),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("; 3 further pieces fixed by shift-solver and berserker-solver; piece set "), std::string::npos);
    EXPECT_NE(report.find("block-solver on this set: one inner assignment in "), std::string::npos);
    const std::size_t at = report.find("; piece set ") + 12;
    const std::string fingerprint = report.substr(at, 12);
    ASSERT_EQ(fingerprint.find_first_not_of("0123456789abcdef"), std::string::npos) << fingerprint;
    const std::string pieceSets = "16x16 " + fingerprint + ", 6x12 built-in, 6x6 built-in";
    const std::vector<std::string> solvers{"score-solver", "frequency-solver", "brute-solver", "block-solver",
                                           "random-solver", "path-solver", "shift-solver", "berserker-solver"};
    std::string targets = " board-check";
    for (const std::string& s : solvers) targets += " " + s;
    ASSERT_EQ(run(cmake + " --build build --target" + targets + " >build.txt 2>&1"), 0) << readFile("build.txt");
    const fs::path bin = dir() / "build/bin";

    // Every program says which set it is for; board-check names it with its verdict.
    for (const std::string& program : {std::string("board-check"), solvers[0], solvers[6]}) {
        EXPECT_EQ(run((bin / program).string() + " --version >version.txt"), 0);
        EXPECT_EQ(readFile("version.txt"), program + " (Zentara) 1.0.0\npiece set: " + pieceSets + "\n");
    }
    // board-check of that build: the planted solution is whole; two pieces swapped are not.
    EXPECT_EQ(run((bin / "board-check").string() + " planted.csv >check.txt"), 0) << readFile("check.txt");
    EXPECT_NE(readFile("check.txt").find("hint piece on cell 135 in rotation " + std::to_string(clues[0].rotation) +
                                         ": yes\npiece set: " + pieceSets + "\ncomplete and consistent\n"),
              std::string::npos)
        << readFile("check.txt");
    Board16 swapped = planted;
    std::swap(swapped[17], swapped[18]);
    writeFile("swapped.csv", boardText(swapped));
    EXPECT_NE(faultOf(dir() / "swapped.csv"), "");
    EXPECT_EQ(run((bin / "board-check").string() + " swapped.csv >check.txt"), 1) << readFile("check.txt");

    // The solvers: boards that fit the list, with the clues each fixes in place.
    const auto boardAndStatus = [](const fs::path& dir, const std::string& console) {
        return console.find('\r') != std::string::npos && !boardFiles(dir).empty();
    };
    const auto status = [](const fs::path&, const std::string& console) { return console.find('\r') != std::string::npos; };
    const fs::path score = runDir("score");
    runAndCheck(bin / "score-solver", score, boardAndStatus, true, 1, SIGTERM);  // saves Stat.bin
    const fs::path frequency = runDir("frequency");
    fs::copy_file(score / "Stat.bin", frequency / "Stat.bin");
    runAndCheck(bin / "frequency-solver", frequency,
                [](const fs::path&, const std::string& console) { return console.find("Current level:") != std::string::npos; },
                false, 1);
    runAndCheck(bin / "brute-solver", runDir("brute"), boardAndStatus, true, 1);
    runAndCheck(bin / "block-solver", runDir("block"),
                [](const fs::path&, const std::string& console) { return console.find("\rVariants ") != std::string::npos; },
                false, 1);
    runAndCheck(bin / "random-solver", runDir("random"), status, false, 1);
    runAndCheck(bin / "path-solver", runDir("path"), status, false, 1);
    // The resuming solvers from the planted solution cut to 230 cells, in the list's numbers.
    Board16 cut = planted;
    for (int c = 230; c < CELL_COUNT; ++c) cut[c] = PlacedCell{};
    for (const char* name : {"shift-solver", "berserker-solver"}) {
        const fs::path where = runDir(name);
        writeFile(where / "Best230.csv", boardText(cut));
        runAndCheck(bin / name, where,
                    [](const fs::path& dir, const std::string& console) {
                        return console.find('\r') != std::string::npos && boardFiles(dir).size() > 1;
                    },
                    true, clues.size());
    }

    // Refused again later, the list itself broken: the next build says why, the
    // header of the good list goes, and the build does not fall back on another
    // set. The list mended, the same build command takes it.
    const std::string good = readFile("mine.txt");
    writeFile("mine.txt", broken);
    EXPECT_NE(run(cmake + " --build build --target board-check >build.txt 2>&1"), 0);
    EXPECT_NE(readFile("build.txt").find("ZENTARA_PIECES_16X16 refused:"), std::string::npos) << readFile("build.txt");
    EXPECT_FALSE(fs::exists(header));
    writeFile("mine.txt", good);
    EXPECT_EQ(run(cmake + " --build build --target board-check >build.txt 2>&1"), 0) << readFile("build.txt");
    EXPECT_EQ(run((bin / "board-check").string() + " planted.csv >check.txt"), 0) << readFile("check.txt");
}

// A list path holding a semicolon, given as the docs write the option (no type,
// relative to where cmake runs): taken whole, not split into two paths.
TEST_F(OwnSetBuild, AListPathWithASemicolonIsTakenWhole) {
    using namespace puzzle_import;
    ImportedSet ours;
    std::string error;
    ASSERT_TRUE(parseHeader(SetKind::Board6x6, readFile(testing::sourcePath("data/puzzle_6x6.hpp")), ours, error)) << error;
    fs::create_directory("a;b");
    writeFile("a;b/list.txt", plainListText(ours));
    const std::string path = (fs::canonical(dir()) / "a;b/list.txt").string();
    const std::string configure = std::string(ZENTARA_CMAKE) + " -S " + ZENTARA_SOURCE_DIR +
                                  " -B build -G Ninja -DCMAKE_CXX_COMPILER=" ZENTARA_CXX_COMPILER
                                  " -DZENTARA_TESTS=OFF -DZENTARA_BENCH=OFF '-DZENTARA_PIECES_6X6=a;b/list.txt'";
    ASSERT_EQ(run(configure + " >configure.txt 2>&1"), 0) << readFile("configure.txt");
    EXPECT_NE(readFile("configure.txt").find("6 x 6 pieces from " + path + ": 36 pieces"), std::string::npos)
        << readFile("configure.txt");
    EXPECT_NE(readFile("build/CMakeCache.txt").find("\nZENTARA_PIECES_6X6:FILEPATH=" + path + "\n"), std::string::npos);
}

}  // namespace
}  // namespace zentara
