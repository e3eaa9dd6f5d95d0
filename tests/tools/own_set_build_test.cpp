// The suite built for a set of the user's, as a user would: a second set of our
// generator's, given as a plain list with its colours renamed and its pieces
// turned, configured with ZENTARA_PIECES_16X16 in a build folder of the test's
// own. Every board the programs of that build write is checked against the list
// itself (not through the importer's tables); a list the importer refuses stops
// the configure and leaves no header behind.
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
#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/puzzle_import.hpp"

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
    ~Started() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
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

class OwnSetBuild : public testing::TempDirTest {
protected:
    std::vector<Sides> list;  // the pieces as the list gives them

    // A piece in a rotation counted, as the README says, from the table
    // orientation: rim pieces turned to their border at the bottom (and on the
    // left for a corner), inner pieces as listed.
    Sides onBoard(int piece, int rotation) const {
        Sides base = list[piece];
        int borders = 0;
        for (ListColour c : base) borders += c == 0;
        while (borders > 0 && (base[2] != 0 || (borders == 2 && base[3] != 0))) base = turned(base, 1);
        return turned(base, rotation);
    }

    // What is wrong with a board file by the list, or "" for a consistent one.
    std::string faultOf(const fs::path& file) const {
        Board16 cells{};
        parseBoardBytes(readFile(file), cells);
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
            // A border side may face an empty cell (shift-solver fills sides without a
            // requirement freely); one that faces a placed piece is a mismatched seam.
            for (int k = 0; k < 4; ++k)
                if (frame[k] && s[k] != 0) return at + ": no border side towards the frame";
            const int right = g.right(c), below = g.below(c);
            if (right >= 0 && cells[right].piece >= 0 && cells[right].piece < PIECE_COUNT &&
                onBoard(cells[right].piece, cells[right].rotation)[3] != s[1])
                return at + ": right seam";
            if (below >= 0 && cells[below].piece >= 0 && cells[below].piece < PIECE_COUNT &&
                onBoard(cells[below].piece, cells[below].rotation)[0] != s[2])
                return at + ": bottom seam";
        }
        if (cells[HINT_CELL].piece != HINT_PIECE || cells[HINT_CELL].rotation != HINT_ROTATION)
            return file.filename().string() + ": no hint piece in place";
        return "";
    }

    // Runs `program` of the build in a fresh folder until `done` holds for its
    // console, then stops it and checks every board it wrote.
    void runAndCheck(const fs::path& program, const std::function<bool(const fs::path&, const std::string&)>& done,
                     bool boardsExpected) {
        const fs::path where = dir() / ("run-" + program.filename().string());
        fs::create_directory(where);
        {
            Started started(program, where);
            EXPECT_TRUE(waitUntil([&] { return done(where, readFile(started.console)); }))
                << program << ": " << readFile(started.console).substr(0, 400);
        }
        const std::vector<fs::path> boards = boardFiles(where);
        if (boardsExpected) {
            EXPECT_FALSE(boards.empty()) << program;
        }
        for (const fs::path& board : boards) {
            EXPECT_EQ(faultOf(board), "") << program;
            // And the board checker of the build, built for the set.
            const fs::path checker = program.parent_path() / "board-check";
            EXPECT_EQ(run(checker.string() + " " + board.string() + " >" + (where / "check.txt").string()), 0)
                << program << " " << board << ": " << readFile(where / "check.txt");
        }
    }
};

TEST_F(OwnSetBuild, ProgramsBuiltForARenamedAndTurnedListWriteBoardsOfThatList) {
    // The set: our generator's with another seed; its planted solution in the
    // generator's table orientation.
    const std::string makePuzzles = testing::programPath("make-puzzles").string();
    // With a cross piece (top = bottom, left = right), which every program must take.
    ASSERT_EQ(run(makePuzzles + " --seed 4 --cross " + dir().string() + " >/dev/null"), 0);
    puzzle_import::ImportedSet generated;
    std::string error;
    ASSERT_TRUE(puzzle_import::parseHeader(puzzle_import::SetKind::Board16x16, readFile("puzzle_16x16.hpp"),
                                           generated, error))
        << error;
    Board16 planted{};
    parseBoardBytes(readFile("solution_16x16.csv"), planted);

    // The list: colours renamed at random, every piece turned at random but the
    // three the programs fix (whose rotations are counted from the list's own).
    std::mt19937 random(2026);
    std::vector<ListColour> names;
    for (ListColour c = 1; c < 400; ++c) names.push_back(c);
    std::shuffle(names.begin(), names.end(), random);
    std::vector<int> turn(PIECE_COUNT, 0);
    for (int p = 0; p < PIECE_COUNT; ++p) {
        bool fixed = false;
        for (const FixedPlacement& f : LOCAL_SEARCH_FIXED) fixed |= f.piece == p;
        turn[p] = fixed ? 0 : static_cast<int>(random() % 4);
        const PieceEntry e = rotate(generated.table[p], turn[p]);
        Sides s{};
        for (int k = 0; k < 4; ++k) s[k] = e[(k + 2) & 3] == 0 ? 0 : names[e[(k + 2) & 3]];
        list.push_back(s);
    }
    int crosses = 0;
    for (int p = FIRST_INNER_PIECE; p < PIECE_COUNT; ++p) crosses += list[p][0] == list[p][2] && list[p][1] == list[p][3];
    ASSERT_GT(crosses, 0);
    writeFile("mine.txt", formatPieceList({"a set of my own"}, list));
    // Inner pieces keep their listed orientation, so their planted rotations move.
    for (PlacedCell& cell : planted)
        if (cell.piece >= FIRST_INNER_PIECE) cell.rotation = static_cast<std::uint8_t>((cell.rotation - turn[cell.piece]) & 3);
    writeFile("planted.csv", [&] {
        BoardText text;
        formatBoard(planted.data(), LAYOUT_16X16, text);
        return std::string(text.view());
    }());
    ASSERT_EQ(faultOf(dir() / "planted.csv"), "");  // the oracle agrees with itself
    std::string broken = readFile("mine.txt");
    broken.replace(broken.find("\r\n", broken.find("\r\n") + 2) + 2, 0, "1 2 3\r\n");  // a line before piece 2

    const std::string cmake = ZENTARA_CMAKE;
    const std::string configure = cmake + " -S " + ZENTARA_SOURCE_DIR + " -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "
                                  "-DCMAKE_CXX_COMPILER=" ZENTARA_CXX_COMPILER " -DZENTARA_TESTS=OFF -DZENTARA_BENCH=OFF "
                                  "-DZENTARA_WERROR=ON -DZENTARA_PIECES_16X16=";
    const fs::path header = dir() / "build/generated/data/puzzle_16x16.hpp";
    const std::string refusal = "ZENTARA_PIECES_16X16 refused:\n\n   make-puzzles: " + (dir() / "broken.txt").string() +
                                ": line 3: a piece line holds four colours (whole numbers 0 to 999999, 0 the border)";

    // Refused at configure time, in a fresh folder: the message, and no header.
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

    // Taken, in the same folder; the four programs the test runs built.
    ASSERT_EQ(run(configure + "mine.txt >configure.txt 2>&1"), 0) << readFile("configure.txt");
    EXPECT_NE(readFile("configure.txt").find("16 x 16 pieces from " + (dir() / "mine.txt").string() + ": 256 pieces"),
              std::string::npos);
    ASSERT_EQ(run(cmake + " --build build --target board-check score-solver frequency-solver brute-solver path-solver "
                          "random-solver shift-solver berserker-solver block-solver >build.txt 2>&1"),
              0)
        << readFile("build.txt");
    const fs::path bin = dir() / "build/bin";

    // board-check of that build: the planted solution is whole; two pieces swapped are not.
    EXPECT_EQ(run((bin / "board-check").string() + " planted.csv >check.txt"), 0) << readFile("check.txt");
    std::swap(planted[17], planted[18]);
    writeFile("swapped.csv", [&] {
        BoardText text;
        formatBoard(planted.data(), LAYOUT_16X16, text);
        return std::string(text.view());
    }());
    EXPECT_NE(faultOf(dir() / "swapped.csv"), "");
    EXPECT_EQ(run((bin / "board-check").string() + " swapped.csv >check.txt"), 1) << readFile("check.txt");

    // The solvers: boards that fit the list, and a status line.
    const auto boardAndStatus = [](const fs::path& dir, const std::string& console) {
        return console.find('\r') != std::string::npos && !boardFiles(dir).empty();
    };
    runAndCheck(bin / "score-solver", boardAndStatus, true);
    runAndCheck(bin / "brute-solver", boardAndStatus, true);
    runAndCheck(bin / "block-solver",
                [](const fs::path&, const std::string& console) { return console.find("\rVariants ") != std::string::npos; },
                false);
    const auto status = [](const fs::path&, const std::string& console) { return console.find('\r') != std::string::npos; };
    runAndCheck(bin / "path-solver", status, false);
    runAndCheck(bin / "random-solver", status, false);
    // frequency-solver on the seams of the planted solution, in the set's edge codes
    // (4 x piece + bottom-first side); it follows them to a full board.
    std::swap(planted[17], planted[18]);
    StatCounts seams;
    const auto edge = [&](int cell, int side) { return 4 * planted[cell].piece + ((side - planted[cell].rotation) & 3); };
    for (int c = 0; c < CELL_COUNT; ++c) {
        if (c % 16 < 15) seams.addPair(edge(c, bottom_first::RIGHT), edge(c + 1, bottom_first::LEFT));
        if (c < 240) seams.addPair(edge(c, bottom_first::BOTTOM), edge(c + 16, bottom_first::TOP));
    }
    const auto resultWritten = [](const fs::path& dir, const std::string&) { return fs::exists(dir / "Result.csv"); };
    fs::create_directory(dir() / "run-frequency-solver");
    ASSERT_EQ(seams.writeStatBin((dir() / "run-frequency-solver/Stat.bin").c_str()), 0);
    runAndCheck(bin / "frequency-solver", resultWritten, true);
    // shift-solver and berserker-solver resume from the planted board cut after cell 219.
    Board16 cut = planted;
    for (int c = 220; c < CELL_COUNT; ++c) cut[c] = PlacedCell{};
    for (const char* program : {"shift-solver", "berserker-solver"}) {
        fs::create_directory(dir() / ("run-" + std::string(program)));
        writeFile(dir() / ("run-" + std::string(program)) / "Best220.csv", [&] {
            BoardText text;
            formatBoard(cut.data(), LAYOUT_16X16, text);
            return std::string(text.view());
        }());
        runAndCheck(bin / program, resultWritten, true);
    }

    // Refused again later: the header of the good list goes, and the build does not
    // fall back on another set.
    EXPECT_NE(run(configure + "broken.txt >configure.txt 2>&1"), 0);
    EXPECT_NE(readFile("configure.txt").find(refusal), std::string::npos) << readFile("configure.txt");
    EXPECT_FALSE(fs::exists(header));
    EXPECT_NE(run(cmake + " --build build --target board-check >build.txt 2>&1"), 0);
}

}  // namespace
}  // namespace zentara
