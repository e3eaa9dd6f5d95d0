// Short campaigns of a stand-in solver through tools/campaign and GNU parallel.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <chrono>
#include <regex>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>

#include "core/board_check.hpp"
#include "core/random.hpp"
#include "core/version.hpp"
#include "tests/support/private_mounts.hpp"
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
        unsetenv("STANDIN_CLAIM_MS");
        unsetenv("ZENTARA_PROGRESS_SECONDS");
        unsetenv("ZENTARA_STAGGER_MS");
    }
    void TearDown() override {
        // Never leave an instance running, whatever a test did.
        for (const auto& top : fs::directory_iterator(dir())) {
            const fs::path d = top.path().filename();
            if (!fs::exists(d / "campaign.txt")) continue;
            campaign("stop --wait 20 -- " + quoted(d.string()));
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
    static std::string quoted(const std::string& word) {  // one word for the shell
        std::string out = "'";
        for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return out + "'";
    }
    // A Slurm array task as campaign.slurm runs it, without Slurm.
    static int slurmTask(int task, const std::string& program, const std::string& dir) {
        setenv("SLURM_ARRAY_TASK_ID", std::to_string(task).c_str(), 1);
        setenv("SLURM_ARRAY_JOB_ID", "7", 1);
        setenv("ZENTARA_ROOT", ZENTARA_SOURCE_DIR, 1);
        const int raw = std::system(("bash " + sourcePath("tools/campaign.slurm").string() + " " + quoted(program) +
                                     " " + quoted(dir) + " > /dev/null 2>&1")
                                        .c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    // Files a crafted name or pid file would make if it were run.
    std::vector<std::string> canaries() const {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir())) {
            const std::string name = e.path().filename().string();
            if (name.starts_with("canary") || name.ends_with(".proxied")) found.push_back(e.path().string());
        }
        return found;
    }
    // Each start (its arguments) refused in one line (the reason), with nothing made.
    static void expectStartsRefused(const std::vector<std::pair<std::string, std::string>>& cases) {
        for (const auto& [args, reason] : cases) {
            SCOPED_TRACE(args);
            const Result r = campaign("start " + args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, "campaign: " + reason + "\n");
            EXPECT_FALSE(fs::exists("named"));
        }
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
    // The line naming a campaign's GNU parallel as the holder of DIR's claim.
    static std::string heldBy(const fs::path& dir) {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        return trimmed(readFile(dir / "parallel.pid")) + " on " + host + ": campaign\r\n";
    }
    static std::string trimmed(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
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

    // GNU parallel holds the campaign's claim on its directory while it runs.
    EXPECT_EQ(readFile(dir / ".zentara.lock"), heldBy(dir));
    r = campaign("start " + standin() + " 3 camp");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + dir.string() + " is in use by " + trimmed(heldBy(dir)) + "; nothing started\n");

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
    expected.push_back("piece set: built-in");  // as campaign.txt recorded it
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

    // Restarted at once with fewer instances, while every seed of the hour is
    // taken for two seconds (as by many starts a moment ago): the start reports
    // both once they run, not as failed or missing while they wait for their
    // seeds; the third is left from the earlier start: named apart, counted nowhere.
    std::vector<fs::path> taken;
    for (int block = 0; block <= 160535 / 200; ++block)
        if (fs::create_directory(dir / ".seeds" / std::to_string(block))) taken.push_back(dir / ".seeds" / std::to_string(block));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        for (const fs::path& claim : taken) fs::remove(claim);
    });
    r = campaign("start --stagger 200 " + standin() + " 2 camp");
    release.join();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "campaign: started 2 of 2 instances of campaign-standin in " + dir.string() + "\n");
    EXPECT_EQ(r.err, "");
    for (const char* name : {"instance-001", "instance-002"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::exists(dir / name / "instance.pid"));
        EXPECT_FALSE(fs::exists(dir / name / "exit.txt"));
        // Its status line as it runs again, after the one it stopped with.
        ASSERT_TRUE(waitUntil([&] {
            const std::string console = readFile(dir / name / "console.txt");
            return console.rfind(" running") != std::string::npos && console.rfind(" running") > console.rfind(" stopped");
        }));
    }
    r = campaign("status camp");
    const std::vector<std::string> restarted = lines(r.out);
    ASSERT_EQ(restarted.size(), 8u) << r.out;
    EXPECT_EQ(restarted[0], "campaign camp: campaign-standin, 2 instances, 2 running");
    EXPECT_EQ(restarted[5], "left from an earlier start with more instances, not part of this campaign: instance-003");
    EXPECT_EQ(countOf(r.out, "instance-003"), 1) << r.out;
    EXPECT_EQ(campaign("stop camp").out, "campaign: sent SIGTERM to 2 instances; all stopped\n");
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
    const std::string from = "    started from Best242.csv, the seed board " + fs::canonical("B242-430.csv").string() +
                             "; it kept 241 of its 242 pieces (1 cell refused, see board-check --resume)";
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "campaign seeded: shift-solver, 2 instances, 2 running",
                                "instance-001  running         own deepest board: none yet",
                                "    own best level 1; status: Level 1, max. 1, stand-in instance-001 running", from,
                                "instance-002  running         own deepest board: none yet",
                                "    own best level 1; status: Level 1, max. 1, stand-in instance-002 running", from,
                                "best board: the seed board " + fs::canonical("B242-430.csv").string() + ": " +
                                    summary("B242-430.csv") + "; no instance has found a better one yet",
                                "piece set: built-in"}));
    EXPECT_EQ(campaign("stop seeded").out, "campaign: sent SIGTERM to 2 instances; all stopped\n");

    // A program that reads no seed board is refused one: nothing starts. With the
    // hint and the two fixed pieces in place all pieces are taken.
    ASSERT_TRUE(writeBoardFile("Result.csv", plantedBoard({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).data(), LAYOUT_16X16));
    r = campaign("start --board Result.csv " + standin() + " 1 other");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "campaign: --board: campaign-standin reads no seed board (only shift-solver and berserker-solver "
                     "do); nothing started\n");
    EXPECT_FALSE(fs::exists("other"));
    // The instances get the board as checked, in the suite's own layout: a blank
    // after each comma, which the checker reads past and the solvers do not, is gone.
    const std::string canonical = readFile("Result.csv");
    writeFile("Result.csv", std::regex_replace(canonical, std::regex(","), ", "));
    r = campaign("start --board Result.csv " + shift + " 1 other");
    EXPECT_EQ(lines(r.out)[0], "campaign: shift-solver takes all 245 pieces of Result.csv");
    EXPECT_EQ(readFile("other/instance-001/Best245.csv"), canonical);
    EXPECT_EQ(campaign("stop other").status, 0);
}

// A solver resumed from a seed board loses ground at first: status and the page
// tell its own boards and level apart from the seed, and the seed stays the
// campaign's best until something beats it. The seed's cell 45 holds piece 181
// where shift-solver fixes 255: it keeps 241 of the 242 pieces, and that is where
// its level starts.
TEST_F(CampaignTest, ASeededCampaignShowsWhatEachInstanceReachedBelowItsSeed) {
    Board16 seedCells = plantedBoard({243, 244, 245, 246, 247, 248, 249, 250, 251, 29, 44, 46, 61, 210});
    seedCells[45] = PlacedCell{180, 1};
    ASSERT_TRUE(writeBoardFile("seed.csv", seedCells.data(), LAYOUT_16X16));
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
    const std::string from = "    started from Best242.csv, the seed board " + fs::canonical("seed.csv").string() +
                             "; it kept 241 of its 242 pieces (1 cell refused, see board-check --resume)";
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{
                  "campaign seeded: shift-solver, 2 instances, 2 running",
                  "instance-001  running         own deepest board: Best241.csv: " + summary(dir / "instance-001/Best241.csv"),
                  "    own best level 241; status: Level 241, max. 241, stand-in instance-001 running", from,
                  "instance-002  running         own deepest board: Best240.csv: " + summary(dir / "instance-002/Best240.csv"),
                  "    own best level 240; status: Level 240, max. 240, stand-in instance-002 running", from,
                  "best board: the seed board " + fs::canonical("seed.csv").string() + ": " + summary("seed.csv") +
                      "; no instance has found a better one yet (best found: seeded/instance-001/Best241.csv: " +
                      summary(dir / "instance-001/Best241.csv") + ")",
                  "piece set: built-in"}));

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
    // The level lines start at minute 0 (the plot's left edge, x = 56), at the 241
    // pieces kept, not at the seed's 242: instance-001 stays level at 241 from
    // there, instance-002 goes down to 240.
    const std::size_t levelPlot = page.find("class=\"level-plot\"");
    ASSERT_NE(levelPlot, std::string::npos);
    const auto heights = [&](const std::string& instance) {
        const std::string head = "class=\"series\" data-instance=\"" + instance + "\" points=\"";
        const std::size_t at = page.find(head, levelPlot);
        std::vector<double> ys;
        if (at > page.find("</svg>", levelPlot)) return ys;
        std::istringstream points(page.substr(at + head.size(), page.find('"', at + head.size()) - at - head.size()));
        double x = 0, y = 0;
        char comma = 0;
        while (points >> x >> comma >> y) {
            if (ys.empty()) {
                EXPECT_EQ(x, 56) << instance;
            }
            ys.push_back(y);
        }
        return ys;
    };
    const std::vector<double> first = heights("instance-001"), second = heights("instance-002");
    ASSERT_GE(first.size(), 2u);
    ASSERT_GE(second.size(), 2u);
    for (double y : first) EXPECT_EQ(y, first[0]);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_GT(second.back(), second[0]);  // lower on the screen
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
        "const board = document.querySelector('svg.board').getBoundingClientRect();\n"
        "for (const t of document.querySelectorAll('svg.board text.caption'))\n"
        "  out.push('caption ' + (t.getBoundingClientRect().right <= board.right + 1 ? 'inside' : 'cut off'));\n"
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
                                                " Best242\\.csv, the seed board; 241 of its 242 pieces kept Level " +
                                                level + ", max\\. " + level +
                                                ", stand-in " + name + " running")))
            << rows[static_cast<std::size_t>(k - 1)];
    }
    EXPECT_EQ(testing::withPrefix(found, "best ").at(0).substr(0, 15), "The seed board ");
    EXPECT_EQ(testing::withPrefix(found, "caption "), std::vector<std::string>(3, "inside"));
}

TEST_F(CampaignTest, SeedBoardsTheResumingSolversCannotUseAreRefusedWithTheReason) {
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/berserker-solver");
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
        const Result r = campaign("start --board " + board + " bin/berserker-solver 1 seeded");
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
    EXPECT_NE(readFile("camp/report.html").find("<td class=\"name\">instance-001</td><td class=\"state\">running</td>"),
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
    EXPECT_EQ(campaign("status nowhere").err, "campaign: nowhere is not a campaign directory\n");

    // board-check without arguments ends at once with exit code 2: start and status say so.
    r = campaign("start board-check 1 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: started 1 of 1 instance of board-check in " + fs::canonical("named").string() + "\n");
    EXPECT_EQ(r.err, "campaign: instance-001 ended with exit 2 (see its console.txt)\n");
    ASSERT_TRUE(waitFor("named/instance-001/exit.txt"));
    r = campaign("status named");
    EXPECT_EQ(lines(r.out)[0], "campaign named: board-check, 1 instance, 0 running");
    EXPECT_EQ(lines(r.out)[1], "instance-001  ended, exit 2   own deepest board: none yet");
    EXPECT_EQ(lines(r.out).end()[-2], "best board: none yet");
    EXPECT_EQ(lines(r.out).back(), "piece set: built-in");
}

TEST_F(CampaignTest, AnswersHelpAndVersionAndNamesWhatItRefuses) {
    Result r = campaign("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("usage: campaign start [--sshloginfile FILE]")) << r.out;
    EXPECT_EQ(r.err, "");
    r = campaign("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "campaign (Zentara) " + std::string(VERSION) + "\npiece set: built-in\n");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"start --frobnicate " + standin() + " 1 named", "campaign: unknown option '--frobnicate'"},
        {"start " + standin() + " 1 named --jobs 2", "campaign: start takes PROGRAM N [DIR] after its options"},
        {"start --board", "campaign: option --board needs a value"},
        {"stop --wait soon named", "campaign: --wait takes a number of seconds"},
        {"launch named", "campaign: unknown command 'launch'"},
        {"status --all named", "campaign: status: unknown option '--all'"},
        {"status", "campaign: status: DIR is needed"},
        {"status named other", "campaign: status: too many names: named other"},
        {"report -o page.html named", "campaign: report: unknown option '-o'"},
        {"report named page.html more", "campaign: report: too many names: named page.html more"},
    };
    for (const auto& [args, reason] : cases) {
        SCOPED_TRACE(args);
        r = campaign(args);
        EXPECT_EQ(r.status, 2);
        ASSERT_GE(lines(r.err).size(), 2u) << r.err;
        EXPECT_EQ(lines(r.err)[0], reason);
        EXPECT_TRUE(lines(r.err)[1].starts_with("usage: campaign start")) << r.err;
    }
    // A name is shown without its controls whatever the locale, also a C1 CSI (U+009B).
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        setenv("LC_ALL", locale, 1);
        r = campaign("status 'x\xc2\x9b" "2J\x1b[1m\xc3\xa9'");
        unsetenv("LC_ALL");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "campaign: x?2J?[1m\xc3\xa9 is not a campaign directory\n");
    }
    // The Slurm script answers the same way, in or out of a Slurm task, before it makes DIR.
    setenv("SLURM_ARRAY_TASK_ID", "1", 1);
    const std::string slurm = "bash " + sourcePath("tools/campaign.slurm").string();
    int raw = std::system((slurm + " --help > slurm.out 2> slurm.err").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_TRUE(readFile("slurm.out").starts_with("usage: sbatch --array=1-N campaign.slurm PROGRAM DIR\n"));
    EXPECT_EQ(readFile("slurm.err"), "");
    raw = std::system((slurm + " --version > slurm.out 2> slurm.err").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_EQ(readFile("slurm.out"), "campaign.slurm (Zentara) " + std::string(VERSION) + "\npiece set: built-in\n");
    raw = std::system((slurm + " --frobnicate " + standin() + " named > slurm.out 2> slurm.err").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_EQ(readFile("slurm.out"), "");
    EXPECT_TRUE(readFile("slurm.err").starts_with("campaign.slurm: unknown argument '--frobnicate'\nusage: sbatch"))
        << readFile("slurm.err");
    unsetenv("SLURM_ARRAY_TASK_ID");
    EXPECT_FALSE(fs::exists("named"));
}

// Numbers from the command line and the environment are checked as text: bash
// arithmetic on the raw value would run the command in BASH_VERSINFO[$(...)].
TEST_F(CampaignTest, NumbersAreCheckedAsTextNeverEvaluated) {
    const std::string inject = "BASH_VERSINFO[$(touch canary)]";
    const std::string milliseconds = "must be a whole number of milliseconds from 1 to 500, not '";
    const std::vector<std::pair<std::string, std::string>> cases{
        {standin() + " 0 named", "N must be a number of instances from 1 to 9999, not '0'"},
        {standin() + " 10000 named", "N must be a number of instances from 1 to 9999, not '10000'"},
        {standin() + " " + quoted(inject) + " named", "N must be a number of instances from 1 to 9999, not '" + inject + "'"},
        {"--stagger 0 " + standin() + " 1 named", "--stagger " + milliseconds + "0'"},
        {"--stagger 1000 " + standin() + " 1 named", "--stagger " + milliseconds + "1000'"},
        {"--stagger " + quoted(inject) + " " + standin() + " 1 named", "--stagger " + milliseconds + inject + "'"},
        {"--jobs " + quoted(inject) + " " + standin() + " 1 named",
         "--jobs takes a number of instances per machine, not '" + inject + "'"},
    };
    expectStartsRefused(cases);

    // A Slurm task takes its stagger from the environment: 0 divided by zero, 1000
    // or more waited for ever; it says why in DIR/slurm.txt and starts nothing.
    std::string said;
    for (const std::string value : {"0", "1000", "07", inject.c_str()}) {
        SCOPED_TRACE(value);
        setenv("ZENTARA_STAGGER_MS", value.c_str(), 1);
        EXPECT_EQ(slurmTask(1, standin(), "slurmed"), 2);
        said += "campaign: instance 1 of " + fs::canonical("slurmed").string() + ": ZENTARA_STAGGER_MS: " +
                milliseconds + value + "'\n";
    }
    EXPECT_EQ(readFile("slurmed/slurm.txt"), said);
    EXPECT_FALSE(fs::exists("slurmed/instance-001"));
    EXPECT_EQ(canaries(), std::vector<std::string>{});
}

// Every text written into campaign.txt or a pid file is one line without controls:
// a file name holding a line break would add its own "slurm job:" line (and stop
// would cancel that job's tasks) or "tasks:" line. Refused in one line, nothing made.
TEST_F(CampaignTest, TextsWrittenIntoCampaignFilesHoldNoControlCharacters) {
    const Board16 cells = plantedBoard({243, 244, 245, 246, 247, 248, 249, 250, 251, 29, 44, 46, 61, 210});
    fs::create_directory("d\ntasks: 1-9999");
    for (const char* name : {"seed\nslurm job: 4242", "d\ntasks: 1-9999/seed.csv", "linked.csv"})
        ASSERT_TRUE(writeBoardFile(name, cells.data(), LAYOUT_16X16));
    fs::remove("linked.csv");
    fs::create_symlink(fs::absolute("d\ntasks: 1-9999/seed.csv"), "linked.csv");
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/shift-solver");
    fs::copy_file(standin(), "bin/x\nslurm job: 4242");
    const std::string shift = fs::absolute("bin/shift-solver").string(), here = dir().string();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"--board " + quoted("seed\nslurm job: 4242") + " " + shift + " 1 named",
         "--board: the file's name holds control characters: seed?slurm job: 4242"},
        {"--board " + quoted("d\ntasks: 1-9999/seed.csv") + " " + shift + " 1 named",
         "--board: the file's name holds control characters: d?tasks: 1-9999/seed.csv"},
        {"--board linked.csv " + shift + " 1 named",
         "--board: the file's name holds control characters: " + here + "/d?tasks: 1-9999/seed.csv"},
        {quoted("bin/x\nslurm job: 4242") + " 1 named",
         "the program's path holds control characters: " + here + "/bin/x?slurm job: 4242"},
        {shift + " 1 " + quoted("named\ninstances: 9"), "DIR holds control characters: named?instances: 9"},
    };
    expectStartsRefused(cases);
    // A Slurm task, and an instance whose sshlogin (from GNU parallel's
    // environment) would break its pid file's line.
    EXPECT_EQ(slurmTask(1, "bin/x\nslurm job: 4242", "slurmed"), 2);
    EXPECT_FALSE(fs::exists("slurmed/campaign.txt"));
    EXPECT_TRUE(readFile("slurmed/slurm.txt").ends_with("the program's path holds control characters: bin/x?slurm job: 4242\n"))
        << readFile("slurmed/slurm.txt");
    fs::create_directory("camp");
    writeFile("camp/campaign.txt", "program: " + standin() + "\n");
    setenv("PARALLEL_SSHLOGIN", "node1\n4242 node1 :", 1);
    const int raw = std::system((quoted(sourcePath("tools/campaign").string()) + " _instance " +
                                 quoted(fs::absolute("camp").string()) + " 1 " + quoted(standin()) +
                                 " parallel 200 > camp.out 2> camp.err")
                                    .c_str());
    unsetenv("PARALLEL_SSHLOGIN");
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_EQ(readFile("camp.err"), "campaign: instance 1 of " + fs::absolute("camp").string() +
                                        ": GNU parallel's sshlogin holds control characters: node1?4242 node1 :\n");
    EXPECT_FALSE(fs::exists("camp/instance-001"));
}

// A campaign directory may come from anybody: a pid file names a route, never a
// program or an ssh option nobody chose, and one that would is reported as
// unreadable, never run. ssh is the one on PATH (here a stand-in that records
// its command line), with the tool's own options first. Nor does GNU parallel
// read its replacement strings in DIR.
TEST_F(CampaignTest, NothingReadFromACampaignDirectoryOrItsNameIsRun) {
    fs::create_directories("crafted/bin");
    writeFile("crafted/bin/ssh", "#!/bin/sh\ntouch " + (dir() / "canary-folder-ssh").string() + "\n");
    fs::create_directory("bin");
    writeFile("bin/ssh", "#!/bin/sh\necho \"$*\" >> " + (dir() / "ssh-calls.txt").string() + "\nexit 255\n");
    ASSERT_EQ(std::system("chmod +x crafted/bin/ssh bin/ssh"), 0);
    const std::vector<std::string> pidFiles{
        "12345 elsewhere sh -c 'touch canary1' node1",                     // not ssh
        "12345 nohost ssh -o 'ProxyCommand=touch %h.proxied' nohost",      // ssh, running a command
        "12345 elsewhere ssh -p 22 $(touch canary2) node1",                // a shell would expand it
        "12345 -oProxyCommand=touch\\ canary3 :",                          // a host that is an ssh option
        "12345 elsewhere ssh node1;touch canary4",                         // a shell would run it
        "12345 elsewhere " + fs::absolute("crafted/bin/ssh").string() + " node1",  // a program of the folder's
        "12345 elsewhere ssh -A node1",                                    // the user's agent forwarded
        "12345 elsewhere ssh -o StrictHostKeyChecking=no node1",           // known_hosts written
        "12345 elsewhere ssh -o ConnectTimeout=100000 node1",              // status waits for ever
        "12345 elsewhere ssh -p 2222 alice@node1",                         // harmless: tried, no answer
    };
    fs::create_directory("crafted");
    writeFile("crafted/campaign.txt", "program: /bin/true\ninstances: 10\n");
    std::string unreadable;
    for (std::size_t k = 1; k <= pidFiles.size(); ++k) {
        const fs::path instance = "crafted/instance-0" + std::string(k < 10 ? "0" : "") + std::to_string(k);
        fs::create_directories(instance);
        writeFile(instance / "instance.pid", pidFiles[k - 1] + "\n");
        if (k < pidFiles.size()) unreadable += " " + instance.filename().string();
    }
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fs::absolute("bin").string() + ":" + path).c_str(), 1);
    Result r = campaign("status crafted");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> shown = lines(r.out);
    ASSERT_EQ(shown.size(), 12u) << r.out;
    EXPECT_EQ(shown[0], "campaign crafted: true, 10 instances, 0 running");
    for (std::size_t k = 1; k < 10; ++k) EXPECT_TRUE(shown[k].starts_with("instance-00" + std::to_string(k) + "  unreadable "));
    EXPECT_TRUE(shown[10].starts_with("instance-010  unreachable ")) << shown[10];
    const std::string calls = readFile("ssh-calls.txt");
    EXPECT_TRUE(calls.starts_with("-o BatchMode=yes -o ConnectTimeout=10 -p 2222 -l alice -- node1 [ ")) << calls;
    EXPECT_EQ(lines(calls).size(), 1u) << calls;
    // parallel.pid naming a process that merely works there (a shell, say): not signalled.
    ASSERT_EQ(std::system("cd crafted && { sleep 60 & echo $! > parallel.pid; }"), 0);
    const int bystander = std::stoi(readFile("crafted/parallel.pid"));
    r = campaign("stop crafted");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(::kill(bystander, 0), 0) << "stop signalled a process parallel.pid named";
    ::kill(bystander, SIGKILL);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 0 instances; no answer from their machines, not signalled: instance-010; "
                     "cannot signal, their instance.pid was not written by this tool:" + unreadable + "\n");
    fs::remove("crafted/instance-010/instance.pid");
    r = campaign("start " + standin() + " 1 crafted");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + fs::canonical("crafted/instance-001").string() +
                         "/instance.pid was not written by this tool; remove it once no program runs there\n");
    // An sshlogin file is read the same way before anything starts.
    writeFile("bad-nodes.txt", "# two machines\n2/alice@node1\n4/ssh node2;touch canary6\n");
    r = campaign("start --sshloginfile bad-nodes.txt " + standin() + " 1 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + fs::canonical("bad-nodes.txt").string() +
                         ", line 3: not an sshlogin ([N/][ssh [OPTIONS] ][USER@]HOST[:PORT], nothing a shell would "
                         "expand): 4/ssh node2;touch canary6\n");
    EXPECT_FALSE(fs::exists("named"));
    EXPECT_EQ(canaries(), std::vector<std::string>{});

    // The same quoted option from the user's own sshlogin file reaches ssh as one
    // word, in status as for GNU parallel: its proxy command runs (and fails).
    if (std::system("command -v ssh > /dev/null 2>&1") == 0) {
        writeFile("nodes.txt", "1/ssh -o 'ProxyCommand=touch %h.proxied' nohost\n1/ssh -p 1 127.0.0.1\n");
        fs::permissions("nodes.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        fs::create_directories("trusted/instance-001");
        writeFile("trusted/campaign.txt", "program: /bin/true\nsshloginfile: " + fs::absolute("nodes.txt").string() + "\n");
        writeFile("trusted/instance-001/instance.pid", pidFiles[1] + "\n");
        r = campaign("status trusted");
        EXPECT_TRUE(lines(r.out).at(1).starts_with("instance-001  unreachable ")) << r.out;
        EXPECT_TRUE(fs::exists("nohost.proxied"));
    }

    const std::string odd = "x{= system('touch canary5') =}";
    r = campaign("start " + standin() + " 1 " + quoted(odd));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(waitForStatus(fs::path(odd) / "instance-001", "stand-in instance-001 running"));
    EXPECT_EQ(campaign("stop " + quoted(odd)).out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    EXPECT_EQ(readFile(fs::path(odd) / "instance-001/stopped.txt"), "stopped on request\n");
    std::vector<std::string> made = canaries();
    std::erase(made, (dir() / "nohost.proxied").string());
    EXPECT_EQ(made, std::vector<std::string>{});
}

// One campaign at a time in a directory, and no instance where another program
// already works: neither a second start at the same moment nor a Slurm task.
TEST_F(CampaignTest, ADirectoryIsClaimedByOneCampaignAndAHeldInstanceIsNotStarted) {
    const std::string start = sourcePath("tools/campaign").string() + " start " + standin() + " 1 camp";
    ASSERT_EQ(std::system(("(" + start + " > a.out 2> a.err; echo $? > a.rc) & (" + start +
                           " > b.out 2> b.err; echo $? > b.rc) & wait")
                              .c_str()),
              0);
    const fs::path dir = fs::canonical("camp");
    const bool aWon = readFile("a.rc") == "0\n";
    EXPECT_EQ(readFile(aWon ? "b.rc" : "a.rc"), "1\n");
    EXPECT_EQ(readFile(aWon ? "a.out" : "b.out"), "campaign: started 1 of 1 instance of campaign-standin in " +
                                                      dir.string() + "\n");
    const std::string refused = readFile(aWon ? "b.err" : "a.err");
    EXPECT_TRUE(std::regex_match(refused, std::regex("campaign: " + dir.string() +
                                                     " is in use by [0-9]+ on [^ ]+: campaign; nothing started\n")))
        << refused;
    EXPECT_EQ(campaign("stop camp").status, 0);
    // Stop returns once GNU parallel has ended and let go of the directory.
    const int lock = ::open("camp/.zentara.lock", O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    ::close(lock);

    // A solver working in DIR itself ends just as start opened its lock file: it
    // removes the file, still locked, and start's lock then takes a file no longer
    // there. Start must claim the new one, or the next claimant would get in too.
    // (flock on PATH first: the holder ends between start's open and its lock.)
    fs::create_directories("race/camp");
    fs::create_directory("bin");
    ASSERT_EQ(std::system("command -v flock | tr -d '\\n' > flock.path"), 0);
    writeFile("bin/flock", "#!/bin/bash\n"
                           "if [[ $* == '-n 9' && -e race/holder.pid ]]; then\n"
                           "    pid=$(<race/holder.pid) && rm race/holder.pid race/camp/.zentara.lock && kill $pid\n"
                           "    while kill -0 $pid 2>/dev/null; do sleep 0.05; done\n"
                           "fi\n"
                           "exec " + readFile("flock.path") + " \"$@\"\n");
    ASSERT_EQ(std::system("chmod +x bin/flock && (bash -c 'exec 8>>race/camp/.zentara.lock && flock 8 && exec sleep 60' "
                          "</dev/null >/dev/null 2>&1 & echo $! > race/holder.pid)"),
              0);
    ASSERT_TRUE(waitUntil([] {
        const int fd = ::open("race/camp/.zentara.lock", O_RDONLY | O_CLOEXEC);
        const bool held = fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) != 0;
        if (fd >= 0) ::close(fd);
        return held;
    }));
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fs::absolute("bin").string() + ":" + path).c_str(), 1);
    Result r = campaign("start " + standin() + " 1 race/camp");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(r.status, 0) << r.err;
    if (fs::exists("race/holder.pid")) {
        ADD_FAILURE() << "the holder did not end between start's open and its lock";
        kill(std::stoi(readFile("race/holder.pid")), SIGKILL);
    }
    const int raced = ::open("race/camp/.zentara.lock", O_RDONLY | O_CLOEXEC);
    EXPECT_NE(::flock(raced, LOCK_EX | LOCK_NB), 0) << "the campaign holds no lock on the file at the path";
    ::close(raced);
    EXPECT_EQ(readFile("race/camp/.zentara.lock"), heldBy(fs::canonical("race/camp")));
    EXPECT_EQ(campaign("stop race/camp").status, 0);

    // A claim is never written through a link, which could point anywhere.
    fs::create_directory("linked");
    writeFile("victim.txt", "not a lock\n");
    fs::create_symlink(fs::absolute("victim.txt"), "linked/.zentara.lock");
    r = campaign("start " + standin() + " 1 linked");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + fs::canonical("linked").string() + "/.zentara.lock is a symbolic link; nothing started\n");
    EXPECT_EQ(readFile("victim.txt"), "not a lock\n");

    // Another program holds instance-002's directory (and names itself there).
    fs::create_directories("held/instance-002");
    writeFile("held/instance-002/.zentara.lock", "4242 on node1: score-solver\r\n");
    const int held = ::open("held/instance-002/.zentara.lock", O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const std::string refusal =
        "campaign: " + fs::canonical("held").string() + "/instance-002 is in use by 4242 on node1: score-solver; not started\n";
    r = campaign("start " + standin() + " 2 held");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: started 1 of 2 instances of campaign-standin in " + fs::canonical("held").string() + "\n");
    EXPECT_EQ(r.err, "campaign: instance-002 did not start, exit 1 (see " + fs::canonical("held").string() +
                         "/parallel.txt)\n");
    EXPECT_EQ(readFile("held/parallel.txt"), refusal);
    EXPECT_EQ(campaign("stop held").out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    // A Slurm task says so where Slurm tasks say what they have to.
    fs::remove("held/stop.requested");
    EXPECT_EQ(slurmTask(2, standin(), "held"), 1);
    EXPECT_EQ(readFile("held/slurm.txt"), refusal);
    EXPECT_FALSE(fs::exists("held/instance-002/start.txt"));  // the program never ran there
    EXPECT_FALSE(fs::exists("held/instance-002/console.txt"));
    ::close(held);
}

// The Slurm job campaign.txt names is cancelled only when Slurm says its script
// was given this DIR, and only that job's tasks are signalled through Slurm: a
// crafted campaign.txt or pid file never reaches another job of the user's.
// (scontrol, scancel, squeue and ssh are stand-ins on PATH.)
TEST_F(CampaignTest, StopCancelsOnlyTheSlurmJobGivenThisDirectory) {
    fs::create_directory("bin");
    writeFile("bin/scontrol", "#!/bin/sh\ncat " + (dir() / "scontrol.txt").string() + "\n");
    writeFile("bin/scancel", "#!/bin/sh\necho \"$*\" >> " + (dir() / "scancel-calls.txt").string() + "\n");
    writeFile("bin/squeue", "#!/bin/sh\necho 'slurm_load_jobs error: Invalid job id specified' >&2\nexit 1\n");
    writeFile("bin/ssh", "#!/bin/sh\nexit 255\n");
    ASSERT_EQ(std::system("chmod +x bin/*"), 0);
    fs::create_directories("my camp/instance-001");
    fs::create_directory("other");
    writeFile("my camp/campaign.txt", "program: /bin/true\nslurm job: 4242\n");
    const std::string camp = fs::canonical("my camp").string(), here = dir().string();
    struct Case {
        std::string command, workDir;
        std::string err, calls;
    };
    const std::vector<Case> cases{
        {"/x/campaign.slurm score-solver " + here + "/other", here,
         "campaign: Slurm job 4242 was not given " + camp + "; not cancelled\n", ""},
        {"/x/campaign.slurm score-solver other", here, "campaign: Slurm job 4242 was not given " + camp + "; not cancelled\n", ""},
        {"/x/campaign.slurm score-solver " + camp, "/", "", "--state=PENDING 4242\n"},
        {"/x/campaign.slurm score-solver my camp", here, "", "--state=PENDING 4242\n"},
    };
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fs::absolute("bin").string() + ":" + path).c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        writeFile("scontrol.txt", "JobId=4242 ArrayJobId=4242 ArrayTaskId=1 JobName=zentara\n   Command=" + c.command +
                                      "\n   WorkDir=" + c.workDir + "\n");
        fs::remove("scancel-calls.txt");
        // A task of another job on another node, as a crafted pid file would name it.
        writeFile("my camp/instance-001/instance.pid", "12345 othernode slurm 999_1\n");
        const Result r = campaign("stop " + quoted("my camp"));
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(readFile("scancel-calls.txt"), c.calls);
    }
    setenv("PATH", path.c_str(), 1);
}

// Stop ends GNU parallel's queue at once: of three instances with one slot, the
// two queued ones never start (their directories, made by start, stay empty).
TEST_F(CampaignTest, StopEndsTheQueueAtOnce) {
    Result r = campaign("start --jobs 1 " + standin() + " 3 queued");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(waitForStatus("queued/instance-001", "stand-in instance-001 running"));
    r = campaign("stop queued");
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile("queued/instance-001/stopped.txt"), "stopped on request\n");
    EXPECT_EQ(lines(readFile("queued/joblog.txt")).size(), 2u) << readFile("queued/joblog.txt");
    EXPECT_TRUE(fs::is_empty("queued/instance-002"));
    EXPECT_TRUE(fs::is_empty("queued/instance-003"));
}

// A DIR beginning with "-" works with every command after "--", and as ./-DIR.
TEST_F(CampaignTest, ADirBeginningWithADashWorksAfterDoubleDashAndAsDotSlash) {
    for (const std::string form : {"--", "./"}) {
        SCOPED_TRACE(form);
        const std::string name = form == "--" ? "-- -camp" : "./-camp", page = form == "--" ? "-page.html" : "./-page.html";
        Result r = campaign("start " + (form == "--" ? "-- " + standin() + " 1 -camp" : standin() + " 1 ./-camp"));
        EXPECT_EQ(r.out, "campaign: started 1 of 1 instance of campaign-standin in " + fs::canonical("-camp").string() + "\n");
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(waitForStatus("-camp/instance-001", "stand-in instance-001 running"));
        r = campaign("status " + name);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(r.out).at(0), "campaign " + std::string(form == "--" ? "-camp" : "./-camp") +
                                          ": campaign-standin, 1 instance, 1 running");
        r = campaign("report " + name + " " + page);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.out.starts_with("campaign-report: wrote " + page + " (1 instance")) << r.out;
        EXPECT_TRUE(fs::exists("-page.html"));
        r = campaign("stop " + name);
        EXPECT_EQ(r.out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
        EXPECT_EQ(r.status, 0) << r.err;
        fs::remove("-page.html");
    }
}

// One writer per instance directory: of two wrappers started at once for the same
// instance (a resubmitted job, a slow file system), with a program that takes a
// second to claim its directory, the second is refused before it writes anything,
// and the instance stays the first one's, found by status and stopped by stop.
TEST_F(CampaignTest, TwoWrappersForOneInstanceLeaveOneWriter) {
    fs::create_directories("camp/.seeds");
    writeFile("camp/campaign.txt", "program: " + standin() + "\ninstances: 1\n");
    setenv("STANDIN_CLAIM_MS", "1000", 1);
    const std::string wrapper = quoted(sourcePath("tools/campaign").string()) + " _instance " +
                                quoted(fs::absolute("camp").string()) + " 1 " + quoted(standin()) + " parallel 200";
    ASSERT_EQ(std::system(("(" + wrapper + " > a.out 2> a.err; echo $? > a.rc) & (" + wrapper +
                           " > b.out 2> b.err; echo $? > b.rc) &")
                              .c_str()),
              0);
    unsetenv("STANDIN_CLAIM_MS");
    ASSERT_TRUE(waitUntil([] { return fs::exists("a.rc") || fs::exists("b.rc"); }));
    const bool aLost = fs::exists("a.rc");
    const fs::path instance = fs::canonical("camp/instance-001");
    EXPECT_EQ(readFile(aLost ? "a.rc" : "b.rc"), "1\n");
    const std::string refused = readFile(aLost ? "a.err" : "b.err");
    EXPECT_TRUE(std::regex_match(refused, std::regex("campaign: " + instance.string() +
                                                     " is in use by [0-9]+ on [^ ]+: campaign instance; not started\n")))
        << refused;
    ASSERT_TRUE(waitForStatus(instance, "stand-in instance-001 running"));
    // The program took the wrapper's claim over and names itself in it.
    std::istringstream pidFile(readFile(instance / "instance.pid"));
    int pid = 0;
    pidFile >> pid;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(readFile(instance / ".zentara.lock"), std::to_string(pid) + " on " + host + ": campaign-standin\r\n");
    EXPECT_TRUE(lines(campaign("status camp").out).at(1).starts_with("instance-001  running ")) << campaign("status camp").out;
    const Result r = campaign("stop camp");
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(waitFor(aLost ? "b.rc" : "a.rc"));
    EXPECT_EQ(readFile(aLost ? "b.rc" : "a.rc"), "0\n");
    EXPECT_EQ(readFile(instance / "stopped.txt"), "stopped on request\n");
    EXPECT_EQ(readFile(instance / "exit.txt"), "0\n");
    EXPECT_EQ(readFile(instance / "console.txt").find("in use"), std::string::npos) << readFile(instance / "console.txt");
    EXPECT_FALSE(fs::exists(instance / "instance.pid"));
    EXPECT_FALSE(fs::exists(instance / ".zentara.lock"));  // let go, and the file with it
}

// On a full disk (a small tmpfs in a private mount namespace, gone when the shell
// ends) start refuses before it starts anything, and an instance whose pid file
// cannot be written stops its program again: nothing runs that stop cannot find.
TEST_F(CampaignTest, OnAFullDiskNothingRunsUnrecorded) {
    fs::create_directory("disk");
    const std::string campaignTool = quoted(sourcePath("tools/campaign").string());
    const std::string script =
        "mount -t tmpfs -o size=1m zentara-full-disk disk 2>/dev/null || exit 77\n"
        "mkdir -p disk/camp/instance-001 disk/camp/.seeds disk/other && cat /dev/zero > disk/fill 2>/dev/null\n"
        "[ -s disk/fill ] || exit 78\n" +
        campaignTool + " start " + standin() + " 1 disk/other > start.out 2> start.err; echo $? > start.rc\n" +
        campaignTool + " _instance \"$PWD/disk/camp\" 1 " + standin() +
        " 'slurm 7_1' 200 > instance.out 2> instance.err; echo $? > instance.rc\n"
        "for p in /proc/[0-9]*; do readlink $p/cwd; done 2>/dev/null | grep -c -F \"$PWD/disk/\" > running.txt\n"
        "ls -A disk/camp/instance-001 > listing.txt\n";
    writeFile("full-disk.sh", script);
    if (testing::runWithPrivateMounts("full-disk.sh") != 0) {
        testing::sayNotRunWithoutTmpfs("full-disk campaign case");
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string other = (dir() / "disk/other").string(), camp = (dir() / "disk/camp").string();
    EXPECT_EQ(readFile("start.rc"), "1\n");
    EXPECT_EQ(readFile("start.out"), "");
    EXPECT_EQ(readFile("start.err"),
              "campaign: cannot write " + other + "/.zentara.lock: No space left on device; nothing started\n");
    EXPECT_EQ(readFile("instance.rc"), "1\n");
    EXPECT_TRUE(readFile("instance.err")
                    .ends_with("campaign: cannot record " + camp +
                               "/instance-001/instance.pid (No space left on device); its program was stopped again\n"))
        << readFile("instance.err");
    EXPECT_EQ(readFile("running.txt"), "0\n");
    EXPECT_EQ(readFile("listing.txt").find("instance.pid"), std::string::npos) << readFile("listing.txt");
}

}  // namespace
}  // namespace zentara
