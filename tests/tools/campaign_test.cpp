// Short campaigns of a stand-in solver through tools/campaign and GNU parallel.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <regex>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>

#include "core/board_check.hpp"
#include "core/random.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/browser.hpp"
#include "tests/tools/xml_check.hpp"

namespace zentara {
namespace {

using testing::readFile;
using testing::sourcePath;
using testing::countOf;
using testing::writeFile;
namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out, err;
};

class CampaignTest : public testing::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        // A missing GNU parallel fails every campaign case: a skip would read as a pass.
        if (std::system("command -v parallel > /dev/null 2>&1") != 0)
            FAIL() << "GNU parallel is not installed, so tools/campaign cannot run: run tools/install-deps "
                      "(Debian: apt-get install parallel)";
        setenv("ZENTARA_BIN", ZENTARA_BIN_DIR, 1);
        setenv("PARALLEL_HOME", (dir() / ".parallel").c_str(), 1);  // not the user's ~/.parallel
        unsetenv("STANDIN_BOARDS");
        unsetenv("STANDIN_TOP");
        unsetenv("ZENTARA_PROGRESS_SECONDS");
    }
    void TearDown() override {
        // Never leave an instance running, whatever a test did.
        for (const char* d : {"camp", "seeded", "named", "other", "sleepers"}) {
            if (!fs::exists(fs::path(d) / "campaign.txt")) continue;
            campaign("stop --wait 20 " + std::string(d));
            // Should stop itself have failed: end the stand-ins directly.
            for (const auto& e : fs::directory_iterator(d)) {
                std::istringstream pidFile(readFile(e.path() / "instance.pid"));
                int pid = 0;
                std::error_code ec;
                if (pidFile >> pid && pid > 0 &&
                    fs::read_symlink("/proc/" + std::to_string(pid) + "/cwd", ec) == fs::canonical(e.path(), ec))
                    kill(pid, SIGKILL);
            }
        }
        TempDirTest::TearDown();
    }
    static Result campaign(const std::string& args) {
        const std::string command =
            sourcePath("tools/campaign").string() + " " + args + " > campaign.out 2> campaign.err";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile("campaign.out"), readFile("campaign.err")};
    }
    static std::string standin() { return (fs::path(ZENTARA_BIN_DIR).parent_path() / "tests/campaign-standin").string(); }
    template <class Ready>
    static bool waitUntil(Ready ready) {  // up to 20 s
        for (int i = 0; i < 400 && !ready(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return ready();
    }
    static bool waitFor(const fs::path& file) {
        return waitUntil([&] { return fs::exists(file); });
    }
    // Status lines reach console.txt through console-log, a moment after the
    // boards the program wrote before them.
    static bool waitForStatus(const fs::path& instance, const std::string& text) {
        return waitUntil([&] { return readFile(instance / "console.txt").find(text) != std::string::npos; });
    }
    static std::string summary(const fs::path& board) {
        BoardCheck c;
        std::string reason;
        EXPECT_TRUE(checkBoardFile(board.c_str(), c, reason)) << reason;
        std::ostringstream s;
        s << c.piecesPlaced << " of 256 pieces placed, " << c.matchedSeams << " of 480 seams matched, "
          << (c.complete() ? "complete and consistent" : c.consistent() ? "consistent" : "inconsistent");
        return s.str();
    }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
};

TEST_F(CampaignTest, ShortCampaignHasOneDirectoryAndOneSeedPerInstanceAndStopsCleanly) {
    Result r = campaign("start --stagger 200 " + standin() + " 3 camp");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path dir = fs::canonical("camp");
    EXPECT_EQ(r.out, "campaign: started 3 of 3 instances of campaign-standin in " + dir.string() + "\n");

    std::set<RandomState> seeds;
    for (const char* name : {"instance-001", "instance-002", "instance-003"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(waitFor(dir / name / "start.txt"));
        ASSERT_TRUE(waitFor(dir / name / "Best200.csv"));
        std::istringstream start(readFile(dir / name / "start.txt"));
        LocalTime t{};
        RandomState seed = 0;
        start >> t.day >> t.minute >> t.second >> t.millisecond >> seed;
        EXPECT_EQ(timeSeed(t), seed);
        seeds.insert(seed);
        EXPECT_TRUE(fs::exists(dir / name / "instance.pid"));
        EXPECT_NE(readFile(dir / name / "started.txt").find("; time seeds claimed: a = minute * 2567 + second * 137 + millisecond = "),
                  std::string::npos);
    }
    EXPECT_EQ(seeds.size(), 3u) << "two instances share a time seed";
    EXPECT_FALSE(fs::exists(dir / "instance-004"));

    r = campaign("start " + standin() + " 3 camp");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: instances are still running in " + dir.string() + " (campaign stop " + dir.string() +
                         " first)\n");

    // Status: each instance's own deepest board (Best25x over Best200), the level
    // its status line names, and the campaign's best.
    for (const char* name : {"instance-001", "instance-002", "instance-003"})
        ASSERT_TRUE(waitForStatus(dir / name, std::string("stand-in ") + name + " running"));
    r = campaign("status camp");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected{"campaign camp: campaign-standin, 3 instances, 3 running"};
    for (int k = 1; k <= 3; ++k) {
        const std::string name = "instance-00" + std::to_string(k), board = "Best25" + std::to_string(6 - k) + ".csv";
        const std::string level = std::to_string(256 - k);
        expected.push_back(name + "  running         own deepest board: " + board + ": " + summary(dir / name / board));
        expected.push_back("    own best level " + level + "; status: Level " + level + ", max. " + level + ", stand-in " +
                           name + " running");
    }
    expected.push_back("best board: camp/instance-001/Best255.csv: " + summary(dir / "instance-001/Best255.csv"));
    EXPECT_EQ(lines(r.out), expected);

    r = campaign("stop camp");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 3 instances; all stopped\n");
    for (const char* name : {"instance-001", "instance-002", "instance-003"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readFile(dir / name / "stopped.txt"), "stopped on request\n");  // SIGTERM, handled
        EXPECT_EQ(readFile(dir / name / "exit.txt"), "0\n");
        EXPECT_FALSE(fs::exists(dir / name / "instance.pid"));
    }
    r = campaign("status camp");
    EXPECT_EQ(lines(r.out)[0], "campaign camp: campaign-standin, 3 instances, 0 running");
    EXPECT_TRUE(lines(r.out)[3].starts_with("instance-002  ended, exit 0   own deepest board: Best254.csv: ")) << r.out;

    // After a restart with fewer instances (campaign.txt as start writes it) the
    // third is left from the earlier start: named apart, counted nowhere.
    std::string info = readFile("camp/campaign.txt");
    info.replace(info.find("instances: 3"), 12, "instances: 2");
    writeFile("camp/campaign.txt", info);
    r = campaign("status camp");
    const std::vector<std::string> restarted = lines(r.out);
    ASSERT_EQ(restarted.size(), 7u) << r.out;
    EXPECT_EQ(restarted[0], "campaign camp: campaign-standin, 2 instances, 0 running");
    EXPECT_EQ(restarted[5], "left from an earlier start with more instances, not part of this campaign: instance-003");
    EXPECT_EQ(countOf(r.out, "instance-003"), 1) << r.out;
}

// The planted solution with some cells emptied, written under any name.
Board16 plantedBoard(std::initializer_list<int> emptied) {
    Board16 cells{};
    parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), cells);
    for (int c : emptied) cells[static_cast<std::size_t>(c)] = PlacedCell{};
    return cells;
}

TEST_F(CampaignTest, AnyConsistentBoardSeedsTheResumingSolversUnderItsBestName) {
    // A score-solver record board of 242 pieces whose cell 45 (row 2, column 13)
    // holds piece 181 instead of 255: shift-solver keeps 255 there and refuses it.
    Board16 cells = plantedBoard({243, 244, 245, 246, 247, 248, 249, 250, 251, 29, 44, 46, 61, 210});
    cells[45] = PlacedCell{180, 1};
    ASSERT_TRUE(writeBoardFile("B242-430.csv", cells.data(), LAYOUT_16X16));
    const std::string seed = readFile("B242-430.csv");
    // The stand-in under the name of a resuming solver.
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/shift-solver");
    const std::string shift = fs::absolute("bin/shift-solver").string();
    setenv("STANDIN_BOARDS", "0", 1);

    fs::create_directories("seeded/instance-002");
    writeFile("seeded/campaign.txt", "program: none\n");
    writeFile("seeded/instance-002/Best242.csv", "an earlier run's own board");
    Result r = campaign("start --board B242-430.csv " + shift + " 2 seeded");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.err).back(), "campaign: " + fs::canonical("seeded/instance-002/Best242.csv").string() +
                                       " exists and differs from B242-430.csv; not replaced");
    EXPECT_EQ(readFile("seeded/instance-002/Best242.csv"), "an earlier run's own board");
    EXPECT_FALSE(fs::exists("seeded/instance-001/Best242.csv"));

    fs::remove("seeded/instance-002/Best242.csv");
    r = campaign("start --board B242-430.csv " + shift + " 2 seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const fs::path dir = fs::canonical("seeded");
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "campaign: shift-solver will refuse 1 of the 242 pieces of B242-430.csv: besides the "
                                "hint it fixes piece 181 on row 13, column 2 and 255 on row 2, column 13, and takes "
                                "only pieces that fit them",
                                "campaign: seed board B242-430.csv copied into each instance as Best242.csv",
                                "campaign: started 2 of 2 instances of shift-solver in " + dir.string()}));
    EXPECT_EQ(readFile("seeded/instance-001/Best242.csv"), seed);
    EXPECT_EQ(readFile("seeded/instance-002/Best242.csv"), seed);
    for (const char* name : {"instance-001", "instance-002"})
        ASSERT_TRUE(waitForStatus(dir / name, std::string("stand-in ") + name + " running"));
    r = campaign("status seeded");
    const std::string from = "    started from Best242.csv, the seed board " + fs::canonical("B242-430.csv").string();
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "campaign seeded: shift-solver, 2 instances, 2 running",
                                "instance-001  running         own deepest board: none yet",
                                "    own best level 1; status: Level 1, max. 1, stand-in instance-001 running", from,
                                "instance-002  running         own deepest board: none yet",
                                "    own best level 1; status: Level 1, max. 1, stand-in instance-002 running", from,
                                "best board: the seed board " + fs::canonical("B242-430.csv").string() + ": " +
                                    summary("B242-430.csv") + "; no instance has found a better one yet"}));
    EXPECT_EQ(campaign("stop seeded").out, "campaign: sent SIGTERM to 2 instances; all stopped\n");

    // Another program is warned that it reads no seed board; the hint and the two
    // fixed pieces in place are all taken.
    ASSERT_TRUE(writeBoardFile("Result.csv", plantedBoard({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).data(), LAYOUT_16X16));
    r = campaign("start --board Result.csv " + standin() + " 1 other");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "campaign: warning: only shift-solver and berserker-solver read a seed board\n");
    EXPECT_EQ(readFile("other/instance-001/Best245.csv"), readFile("Result.csv"));
    EXPECT_EQ(campaign("stop other").status, 0);
    r = campaign("start --board Result.csv " + shift + " 1 other");
    EXPECT_EQ(lines(r.out)[0], "campaign: shift-solver takes all 245 pieces of Result.csv");
    EXPECT_EQ(campaign("stop other").status, 0);
}

// A solver resumed from a seed board loses ground at first: status and the page
// tell its own boards and level apart from the seed, and the seed stays the
// campaign's best until something beats it.
TEST_F(CampaignTest, ASeededCampaignShowsWhatEachInstanceReachedBelowItsSeed) {
    ASSERT_TRUE(writeBoardFile("seed.csv", plantedBoard({246, 247, 248, 249, 250, 251, 252, 253, 254, 255}).data(),
                               LAYOUT_16X16));
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/shift-solver");
    setenv("STANDIN_TOP", "242", 1);  // instance k writes Best200.csv and Best(242 - k).csv
    setenv("ZENTARA_PROGRESS_SECONDS", "1", 1);
    Result r = campaign("start --board seed.csv " + fs::absolute("bin/shift-solver").string() + " 2 seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path dir = fs::canonical("seeded");
    for (const char* name : {"instance-001", "instance-002"})
        ASSERT_TRUE(waitForStatus(dir / name, std::string("stand-in ") + name + " running"));
    r = campaign("status seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string from = "    started from Best246.csv, the seed board " + fs::canonical("seed.csv").string();
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{
                  "campaign seeded: shift-solver, 2 instances, 2 running",
                  "instance-001  running         own deepest board: Best241.csv: " + summary(dir / "instance-001/Best241.csv"),
                  "    own best level 241; status: Level 241, max. 241, stand-in instance-001 running", from,
                  "instance-002  running         own deepest board: Best240.csv: " + summary(dir / "instance-002/Best240.csv"),
                  "    own best level 240; status: Level 240, max. 240, stand-in instance-002 running", from,
                  "best board: the seed board " + fs::canonical("seed.csv").string() + ": " + summary("seed.csv") +
                      "; no instance has found a better one yet (best found: seeded/instance-001/Best241.csv: " +
                      summary(dir / "instance-001/Best241.csv") + ")"}));

    // The page, as a browser shows it.
    ASSERT_TRUE(waitUntil([&] { return readFile(dir / "instance-002/progress.txt").find("Level 240") != std::string::npos; }));
    r = campaign("report seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "campaign-report: wrote seeded/report.html (2 instances, best board the seed board)\n");
    const std::string page = readFile(dir / "report.html");
    EXPECT_NE(page.find("<p class=\"best\">The seed board " + fs::canonical("seed.csv").string() + ": " +
                        summary("seed.csv") + ". No instance has found a better board yet; the best found is "
                        "instance-001/Best241.csv: " + summary(dir / "instance-001/Best241.csv") + ".</p>"),
              std::string::npos);
    // The level line starts at minute 0 (the plot's left edge, x = 56), at the seed's 246.
    const std::size_t levelPlot = page.find("class=\"level-plot\"");
    ASSERT_NE(levelPlot, std::string::npos);
    const std::size_t line = page.find("class=\"series\" data-instance=\"instance-001\" points=\"56,", levelPlot);
    EXPECT_LT(line, page.find("</svg>", levelPlot));
    EXPECT_NE(page.find(">246</text>", levelPlot), std::string::npos);
    const std::string chromium = testing::findChromium();
    if (chromium.empty())
        GTEST_SKIP() << "NOT TESTED: no headless Chromium here; the page was not rendered in a browser";
    std::vector<std::string> found;
    std::string problem;
    ASSERT_TRUE(testing::measureInChromium(
        chromium, page,
        "<script>const out = [];\n"
        "for (const tr of document.querySelectorAll('table.instances tbody tr')) out.push('row ' + tr.innerText.replace(/\\s+/g, ' ').trim());\n"
        "out.push('best ' + document.querySelector('p.best').innerText);\n"
        "const pre = document.createElement('pre'); pre.id = 'measured'; pre.textContent = out.join('\\n'); document.body.appendChild(pre);\n"
        "</script>\n",
        1024, found, problem))
        << problem;
    const std::vector<std::string> rows = testing::withPrefix(found, "row ");
    ASSERT_EQ(rows.size(), 2u);
    for (int k = 1; k <= 2; ++k) {
        const std::string name = "instance-00" + std::to_string(k), level = std::to_string(242 - k);
        BoardCheck c;
        std::string reason;
        ASSERT_TRUE(checkBoardFile((dir / name / ("Best" + level + ".csv")).c_str(), c, reason));
        EXPECT_TRUE(std::regex_match(rows[static_cast<std::size_t>(k - 1)],
                                     std::regex(name + " running \\d+ s Best" + level + "\\.csv " + level + " " +
                                                std::to_string(c.matchedSeams) + " " + level +
                                                " Best246\\.csv, the seed board Level " + level + ", max\\. " + level +
                                                ", stand-in " + name + " running")))
            << rows[static_cast<std::size_t>(k - 1)];
    }
    EXPECT_EQ(testing::withPrefix(found, "best ").at(0).substr(0, 15), "The seed board ");
}

TEST_F(CampaignTest, SeedBoardsTheResumingSolversCannotUseAreRefusedWithTheReason) {
    writeFile("garbage.csv", "not a board\r\n");
    ASSERT_TRUE(writeBoardFile("Best199.csv", plantedBoard({}).data(), LAYOUT_16X16));
    Board16 low = plantedBoard({});
    for (int c = 199; c < CELL_COUNT; ++c) low[static_cast<std::size_t>(c)] = PlacedCell{};
    ASSERT_TRUE(writeBoardFile("B199-380.csv", low.data(), LAYOUT_16X16));
    Board16 swapped = plantedBoard({});
    std::swap(swapped[17], swapped[18]);
    ASSERT_TRUE(writeBoardFile("Best250.csv", swapped.data(), LAYOUT_16X16));
    writeFile("Best72.csv", readFile(sourcePath("data/solution_6x12.csv")));
    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.csv", "missing.csv: unreadable: cannot open missing.csv"},
        {"garbage.csv", "garbage.csv: unreadable: line 1: not a board cell: \"not a board\""},
        {"Best250.csv", "Best250.csv: inconsistent board (board-check: 7 mismatched seams); not a seed board"},
        {"Best72.csv", "Best72.csv: not a 16 x 16 board; shift-solver and berserker-solver resume only 16 x 16 boards"},
        {"Best199.csv", "Best199.csv: 256 pieces placed; shift-solver and berserker-solver resume only from boards "
                        "of 200 to 255 pieces (Best200.csv to Best255.csv)"},
        {"B199-380.csv", "B199-380.csv: 199 pieces placed; shift-solver and berserker-solver resume only from "
                         "boards of 200 to 255 pieces (Best200.csv to Best255.csv)"},
    };
    for (const auto& [board, reason] : cases) {
        SCOPED_TRACE(board);
        const Result r = campaign("start --board " + board + " " + standin() + " 1 seeded");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "campaign: " + reason + "\n");
        EXPECT_FALSE(fs::exists("seeded"));
    }
}

TEST_F(CampaignTest, InstancesLogTheirProgressAndAStopBySignalIsNoFailure) {
    setenv("ZENTARA_PROGRESS_SECONDS", "1", 1);
    Result r = campaign("start " + standin() + " 1 camp");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path log = "camp/instance-001/progress.txt";
    for (int i = 0; i < 200 && lines(readFile(log)).size() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The report page takes the states from the campaign tool, which sees the program run.
    Result r2 = campaign("report camp");
    ASSERT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(r2.out, "campaign-report: wrote camp/report.html (1 instance, best board instance-001/Best255.csv)\n");
    EXPECT_NE(readFile("camp/report.html").find("<td>instance-001</td><td class=\"state\">running</td>"),
              std::string::npos);
    ASSERT_EQ(campaign("stop camp").status, 0);
    // stop returns once the wrapper is done: the last sample, exit.txt, the pid file gone.
    ASSERT_TRUE(fs::exists("camp/instance-001/exit.txt"));
    EXPECT_FALSE(fs::exists("camp/instance-001/instance.pid"));
    const std::vector<std::string> samples = lines(readFile(log));
    ASSERT_GE(samples.size(), 3u);
    const std::regex sample(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\t(\d+)\t([^\t]*)\t([^\t]*)\t([^\t]*)\t(.*))");
    int previousSeconds = -1;
    bool stopped = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(samples[i]);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(samples[i], m, sample));
        EXPECT_GE(std::stoi(m[1]), previousSeconds);
        previousSeconds = std::stoi(m[1]);
        // Nothing is logged before the program reached something: no banner, no "- - -".
        // Sampled before the stand-in's status line reached console.txt (console-log
        // writes it at most once a second), a sample holds its boards alone.
        EXPECT_EQ(m[2], "Best255.csv");
        EXPECT_EQ(m[3], "255");
        BoardCheck c;
        std::string reason;
        ASSERT_TRUE(checkBoardFile("camp/instance-001/Best255.csv", c, reason));
        EXPECT_EQ(m[4], std::to_string(c.matchedSeams));
        // The sampler may catch the last words before the wrapper's own last sample.
        if (m[5].str().empty()) continue;
        if (m[5] == "Level 255, max. 255, stand-in instance-001 stopped") stopped = true;
        EXPECT_EQ(m[5], std::string("Level 255, max. 255, stand-in instance-001 ") + (stopped ? "stopped" : "running"));
    }
    EXPECT_TRUE(stopped);

    // A program that SIGTERM simply ends shows as stopped; one that failed keeps its exit code.
    writeFile("sleeper", "#!/bin/sh\nexec sleep 600\n");
    fs::permissions("sleeper", fs::perms::owner_all);
    ASSERT_EQ(campaign("start ./sleeper 1 sleepers").status, 0);
    ASSERT_EQ(campaign("stop sleepers").status, 0);
    ASSERT_TRUE(waitFor("sleepers/instance-001/exit.txt"));
    EXPECT_EQ(readFile("sleepers/instance-001/exit.txt"), "143\n");
    EXPECT_EQ(lines(campaign("status sleepers").out)[1], "instance-001  stopped         own deepest board: none yet");
    EXPECT_EQ(readFile("sleepers/instance-001/progress.txt"), "");  // it never reached anything
}

TEST_F(CampaignTest, FindsProgramsByNameInTheBuildAndRefusesWhatItCannotRun) {
    Result r = campaign("start no-such-solver 2 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string("campaign: no program no-such-solver in ") + ZENTARA_BIN_DIR +
                         " (build the suite first, or give a path)\n");
    r = campaign("start board-check 0 named");
    EXPECT_EQ(r.err, "campaign: N must be a positive number of instances, not '0'\n");
    EXPECT_FALSE(fs::exists("named"));
    EXPECT_EQ(campaign("status nowhere").err, "campaign: nowhere is not a campaign directory\n");
    EXPECT_EQ(campaign("launch x").status, 2);

    // board-check without arguments ends at once with exit code 2: start and status say so.
    r = campaign("start board-check 1 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: started 1 of 1 instances of board-check in " + fs::canonical("named").string() + "\n");
    EXPECT_EQ(r.err, "campaign: instance-001 ended with exit 2 (see its console.txt)\n");
    ASSERT_TRUE(waitFor("named/instance-001/exit.txt"));
    r = campaign("status named");
    EXPECT_EQ(lines(r.out)[0], "campaign named: board-check, 1 instance, 0 running");
    EXPECT_EQ(lines(r.out)[1], "instance-001  ended, exit 2   own deepest board: none yet");
    EXPECT_EQ(lines(r.out).back(), "best board: none yet");
}

}  // namespace
}  // namespace zentara
