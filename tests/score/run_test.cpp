// Seeded runs of the whole solver: status lines, when each file appears, what the
// boards and Stat.bin hold, repeatability, record boards, reset and stopping.
#include <csignal>
#include <filesystem>

#include "core/board_check.hpp"
#include "core/console.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/score/support.hpp"

namespace zentara::score {
namespace {

using namespace testing;
using zentara::testing::readFile;
using zentara::testing::sourcePath;

// Short periods keep the suite fast (also under the sanitizers); the program
// itself always runs 10,000,000 tests per report.
constexpr std::uint32_t TEST_PERIOD = 100'000;
constexpr RandomState TEST_SEED = 424242;

class RunTest : public zentara::testing::TempDirTest {
protected:
    std::unique_ptr<ScoreSolver> start(int reports, std::ostringstream& console) {
        auto s = std::make_unique<ScoreSolver>();
        RunLimits limits;
        limits.seed = TEST_SEED;
        limits.reports = reports;
        limits.workPerReport = TEST_PERIOD;
        EXPECT_EQ(runScoreSolver(*s, console, limits), 0);
        return s;
    }
};

std::vector<std::string> filesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void expectRecordBoardsConsistent(const std::filesystem::path& dir) {
    for (const std::string& name : filesIn(dir)) {
        int level = 0, score = 0;
        if (std::sscanf(name.c_str(), "B%d-%d.csv", &level, &score) != 2) continue;
        BoardCheck check;
        std::string reason;
        ASSERT_TRUE(checkBoardFile((dir / name).c_str(), check, reason)) << name << ": " << reason;
        EXPECT_TRUE(check.consistent()) << name;
        EXPECT_TRUE(check.hintInPlace) << name;
        EXPECT_EQ(check.piecesPlaced, level) << name;
        EXPECT_EQ(check.matchedSeams, score) << name;
        EXPECT_GE(score, RECORD_SCORE) << name;
    }
}

// Report by report: the status line's figures; the period's best board is
// consistent, starts with a corner at cell 0, holds the hint, leaves cells empty
// only in rows 12..15 and scores what the line says; Result.csv and Stat.bin
// appear with the fifth report, Stat.bin holding exactly the seams of the
// gathered boards (periods deeper than 150), symmetric.
TEST_F(RunTest, SeededRunReportByReport) {
    std::ostringstream console;
    auto s = start(1, console);
    Counts expected;
    for (int report = 1; report <= 5; ++report) {
        if (report > 1) {
            s->reportLimit = report;
            EXPECT_EQ(runSearch(*s), SearchEnd::ReportLimit);
        }
        const std::vector<Status> lines = parseStatus(console.str());
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(report));
        const Status& line = lines.back();
        EXPECT_EQ(line.tests, 10 * report);
        EXPECT_EQ(line.resets, report - 1);
        if (report > 1) {
            EXPECT_EQ(line.bestLevel, std::max(lines[report - 2].bestLevel, line.level));
            EXPECT_GE(line.bestScore, std::max(lines[report - 2].bestScore, line.score));
        }

        const Board16& cells = s->reportedBoard;
        const BoardCheck check = checkCells(PuzzleKind::Board16x16, std::vector<PlacedCell>(cells.begin(), cells.end()));
        EXPECT_TRUE(check.consistent());
        EXPECT_TRUE(check.hintInPlace);
        EXPECT_EQ(check.matchedSeams, line.score);
        EXPECT_LE(check.piecesPlaced, line.level);
        EXPECT_LT(cells[0].piece, CORNER_PIECES);
        EXPECT_EQ(cells[0].rotation, 1);
        int lastPlaced = 0;
        for (int c = 0; c < CELL_COUNT; ++c)
            if (!cells[c].empty()) lastPlaced = c;
        for (int c = 0; c < std::min(lastPlaced, 192); ++c) EXPECT_FALSE(cells[c].empty()) << c;
        if (line.level > GATHER_LEVEL) addSeams(cells, expected);

        const bool filesDue = report == 5;
        EXPECT_EQ(std::filesystem::exists("Result.csv"), filesDue) << report;
        EXPECT_EQ(std::filesystem::exists("Stat.bin"), filesDue) << report;
        if (filesDue) {
            BoardText text;
            formatBoard(cells.data(), LAYOUT_16X16, text);
            EXPECT_EQ(readFile("Result.csv"), std::string(text.view()));
        }
    }
    ASSERT_FALSE(expected.empty()) << "no period reached the gathering level";
    const std::string bytes = readFile("Stat.bin");
    ASSERT_EQ(bytes.size(), STAT_FILE_BYTES);
    std::vector<std::uint32_t> counts(STAT_COUNTERS);
    std::memcpy(counts.data(), bytes.data(), STAT_FILE_BYTES);
    std::uint64_t total = 0, expectedTotal = 0;
    for (const auto& [index, n] : expected) {
        EXPECT_EQ(counts[index], n) << index;
        expectedTotal += n;
    }
    for (int i = 0; i < STAT_COUNTERS; ++i) {
        total += counts[i];
        if (counts[i] != 0) {
            EXPECT_EQ(counts[i], counts[(i % 1024) * 1024 + i / 1024]) << i;
        }
    }
    EXPECT_EQ(total, expectedTotal);
    StatFault fault;  // every counted seam joins two edges of one colour: no file of another set
    EXPECT_TRUE(checkStatSeams(counts.data(), fault)) << fault.row << " " << fault.column;
    EXPECT_FALSE(std::filesystem::exists("Stat.txt"));
    expectRecordBoardsConsistent(".");
}

// The same seed gives the same console text, byte for byte, and the same files,
// whether the run goes in one piece or report by report.
TEST_F(RunTest, SameSeedRepeatsExactly) {
    std::ostringstream whole;
    auto a = start(6, whole);
    EXPECT_EQ(whole.str(),
              "Zentara Score Solver\n"
              "\rLevel/Score: 188/348, Best: 188/348, Tests: 10 M, Resets: 0 "
              "\rLevel/Score: 189/350, Best: 189/350, Tests: 20 M, Resets: 1 "
              "\rLevel/Score: 191/354, Best: 191/354, Tests: 30 M, Resets: 2 "
              "\rLevel/Score: 175/323, Best: 191/354, Tests: 40 M, Resets: 3 "
              "\rLevel/Score: 191/354, Best: 191/354, Tests: 50 M, Resets: 4 "
              "\rLevel/Score: 200/369, Best: 200/369, Tests: 60 M, Resets: 5 ");
    const auto names = filesIn(".");
    std::map<std::string, std::string> files;
    for (const std::string& n : names) files[n] = readFile(n);

    std::filesystem::create_directory("again");
    std::filesystem::current_path("again");
    std::ostringstream split;
    auto b = start(1, split);
    for (int report = 2; report <= 6; ++report) {
        b->reportLimit = report;
        runSearch(*b);
    }
    EXPECT_EQ(split.str(), whole.str());
    EXPECT_EQ(filesIn("."), names);
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(readFile(name), bytes) << name;
    EXPECT_EQ(a->bestLevel, b->bestLevel);
    EXPECT_EQ(a->bestScore, b->bestScore);
}

// Stat.txt comes with the fiftieth report (the tenth save), not before.
TEST_F(RunTest, StatisticsReportWithTheFiftiethReport) {
    std::ostringstream console;
    auto s = std::make_unique<ScoreSolver>();
    RunLimits limits;
    limits.seed = 9;
    limits.reports = 49;
    limits.workPerReport = 2'000;
    runScoreSolver(*s, console, limits);
    EXPECT_TRUE(std::filesystem::exists("Stat.bin"));
    EXPECT_FALSE(std::filesystem::exists("Stat.txt"));
    s->reportLimit = 50;
    runSearch(*s);
    ASSERT_TRUE(std::filesystem::exists("Stat.txt"));
    const std::string report = readFile("Stat.txt");
    std::filesystem::create_directory("check");
    std::filesystem::current_path("check");
    ASSERT_TRUE(writeStatisticsReport(*s));
    EXPECT_EQ(readFile("Stat.txt"), report);
}

// A record board only from score 430 on, named by the current level and score,
// showing the work board as it stands: the planted solution gives B256-480.csv
// byte for byte.
TEST_F(RunTest, RecordBoardsFromScore430) {
    auto s = builtSolver(3);
    const Board16 solution = readBoard(sourcePath("data/solution_16x16.csv"));
    placeBoard(*s, s->workBoard.data(), solution);
    s->level = 200;
    s->score = 429;
    writeRecordBoard(*s);
    EXPECT_TRUE(filesIn(".").empty());
    s->score = 430;
    writeRecordBoard(*s);
    EXPECT_EQ(filesIn("."), std::vector<std::string>{"B200-430.csv"});
    s->level = 256;
    s->score = 480;
    writeRecordBoard(*s);
    EXPECT_EQ(readFile("B256-480.csv"), readFile(sourcePath("data/solution_16x16.csv")));
}

// Two reports at the program's own period reach scores of 430 and more: every
// record board the search writes is consistent and named by its level and score.
TEST_F(RunTest, RecordBoardsOfAFullLengthRun) {
    auto s = std::make_unique<ScoreSolver>();
    std::ostringstream console;
    RunLimits limits;
    limits.seed = 20261207;  // reaches 240/432 within the second period
    limits.reports = 2;
    runScoreSolver(*s, console, limits);
    ASSERT_GE(s->bestScore, RECORD_SCORE);
    int records = 0;
    for (const std::string& name : filesIn("."))
        records += name[0] == 'B';
    EXPECT_GT(records, 0);
    expectRecordBoardsConsistent(".");
    char best[32];
    std::snprintf(best, sizeof best, "B%03d-%03d.csv", s->bestLevel, s->bestScore);
    EXPECT_TRUE(std::filesystem::exists(best)) << best;
}

// The reset leaves only the hint, level 1 and score 0, and keeps the bests.
TEST_F(RunTest, ResetKeepsOnlyTheHintAndTheBests) {
    std::ostringstream console;
    auto s = start(1, console);
    EXPECT_GT(s->bestLevel, 150);
    const int bestLevel = s->bestLevel, bestScore = s->bestScore;
    EXPECT_EQ(s->level, 1);
    EXPECT_EQ(s->score, 0);
    EXPECT_EQ(s->periodLevel, 1);
    EXPECT_EQ(s->periodScore, 0);
    Board16 cells;
    toPlacedCells(s->workBoard.data(), cells);
    for (int c = 0; c < CELL_COUNT; ++c) {
        if (c == HINT_CELL)
            EXPECT_EQ(cells[c], (PlacedCell{HINT_PIECE, HINT_ROTATION}));
        else
            EXPECT_TRUE(cells[c].empty()) << c;
    }
    for (int p = 0; p < PIECE_COUNT; ++p) EXPECT_EQ(pieceUsed(*s, p), p == HINT_PIECE) << p;
    EXPECT_EQ(s->bestLevel, bestLevel);
    EXPECT_EQ(s->bestScore, bestScore);
}

// Saves that fail while the run goes on: said once, not again while they keep
// failing, said again once when a save works; a stop whose save fails says the
// statistics were not saved and sets exit code 1. Stat.bin here is a link into a
// directory that comes and goes.
TEST_F(RunTest, FailingSavesAreSaidOnceAndAFailedLastSaveEndsWithExitOne) {
    std::filesystem::create_symlink("shelf/Stat.bin", "Stat.bin");
    std::ostringstream console;
    auto s = start(5, console);  // the fifth report saves, into a directory that is not there
    const std::string failed = "\nStat.bin not saved: No such file or directory; trying again at the next save\n";
    EXPECT_TRUE(console.str().ends_with(failed)) << console.str();
    auto runOn = [&](int reports) {
        s->reportLimit += reports;
        (void)runSearch(*s);
        return console.str();
    };
    std::string text = runOn(5);
    EXPECT_EQ(text.find(failed), text.rfind(failed)) << "said once";
    std::filesystem::create_directory("shelf");
    text = runOn(10);
    EXPECT_EQ(text.find("\nStat.bin saved again\n"), text.rfind("\nStat.bin saved again\n"));
    EXPECT_NE(text.find("\nStat.bin saved again\n"), std::string::npos);
    EXPECT_EQ(readFile("shelf/Stat.bin").size(), STAT_FILE_BYTES);
    EXPECT_EQ(s->exitCode, 0);

    std::filesystem::rename("shelf", "away");
    installStopHandlers();
    std::raise(SIGTERM);
    text = runOn(5);
    clearStopRequest();
    EXPECT_EQ(s->endReason, SearchEnd::Stopped);
    EXPECT_TRUE(text.ends_with(" \nStatistics not saved: Stat.bin: No such file or directory\n")) << text;
    EXPECT_EQ(s->exitCode, 1);
    EXPECT_EQ(filesIn("."), (std::vector<std::string>{"Result.csv", "Stat.bin", "away"}));
}

// Ctrl-C or SIGTERM only sets a flag: the run ends at the next report, with
// Result.csv and Stat.bin written even though their turn had not come.
TEST_F(RunTest, StopSignalSavesAtTheNextReport) {
    installStopHandlers();
    std::raise(SIGTERM);
    ASSERT_TRUE(stopRequested());
    std::ostringstream console;
    auto s = start(4, console);
    clearStopRequest();
    EXPECT_EQ(s->endReason, SearchEnd::Stopped);
    EXPECT_EQ(parseStatus(console.str()).size(), 1u);
    ASSERT_EQ(readFile("Stat.bin").size(), STAT_FILE_BYTES);
    BoardCheck check;
    std::string reason;
    ASSERT_TRUE(checkBoardFile("Result.csv", check, reason)) << reason;
    EXPECT_TRUE(check.consistent());
    EXPECT_EQ(check.matchedSeams, parseStatus(console.str())[0].score);

    // Without a stop the run goes on to its limit.
    std::filesystem::create_directory("plain");
    std::filesystem::current_path("plain");
    std::ostringstream more;
    auto t = start(2, more);
    EXPECT_EQ(t->endReason, SearchEnd::ReportLimit);
    EXPECT_FALSE(std::filesystem::exists("Stat.bin"));
}

}  // namespace
}  // namespace zentara::score
