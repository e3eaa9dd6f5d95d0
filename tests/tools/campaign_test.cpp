// Short campaigns of a stand-in solver through tools/campaign and GNU parallel.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>

#include "core/board_check.hpp"
#include "core/random.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

using testing::readFile;
using testing::sourcePath;
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
        if (std::system("command -v parallel > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "GNU parallel is not installed (Debian: apt-get install parallel); campaign not tested";
        setenv("ZENTARA_BIN", ZENTARA_BIN_DIR, 1);
        unsetenv("STANDIN_BOARDS");
    }
    void TearDown() override {
        // Never leave an instance running, whatever a test did.
        for (const char* d : {"camp", "seeded", "named"}) {
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
    static bool waitFor(const fs::path& file) {
        for (int i = 0; i < 400 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return fs::exists(file);
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
        EXPECT_NE(readFile(dir / name / "started.txt").find(" claimed\n"), std::string::npos);
    }
    EXPECT_EQ(seeds.size(), 3u) << "two instances share a time seed";
    EXPECT_FALSE(fs::exists(dir / "instance-004"));

    r = campaign("start " + standin() + " 3 camp");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: instances are still running in " + dir.string() + " (campaign stop " + dir.string() +
                         " first)\n");

    // Status: each instance's deepest board (Best25x over Best200) and the campaign's best.
    ASSERT_TRUE(waitFor(dir / "instance-003/Best253.csv"));
    r = campaign("status camp");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected{"campaign camp: campaign-standin, 3 instances, 3 running"};
    for (int k = 1; k <= 3; ++k) {
        const std::string name = "instance-00" + std::to_string(k), board = "Best25" + std::to_string(6 - k) + ".csv";
        expected.push_back(name + "  running         " + board + ": " + summary(dir / name / board));
        expected.push_back("    stand-in " + name + " running");
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
    EXPECT_TRUE(lines(r.out)[3].starts_with("instance-002  ended, exit 0   Best254.csv: ")) << r.out;
}

TEST_F(CampaignTest, SeedBoardIsCopiedIntoEveryInstanceButNeverOverAnInstancesOwnBoard) {
    const std::string solution = readFile(sourcePath("data/solution_16x16.csv"));
    writeFile("Best250.csv", solution);
    fs::create_directories("seeded/instance-002");
    writeFile("seeded/campaign.txt", "program: none\n");
    writeFile("seeded/instance-002/Best250.csv", "an earlier run's own board");
    Result r = campaign("start --board Best250.csv " + standin() + " 2 seeded");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.err).back(), "campaign: " + fs::canonical("seeded/instance-002/Best250.csv").string() +
                                       " exists and differs from Best250.csv; not replaced");
    EXPECT_EQ(readFile("seeded/instance-002/Best250.csv"), "an earlier run's own board");
    EXPECT_FALSE(fs::exists("seeded/instance-001/Best250.csv"));

    fs::remove("seeded/instance-002/Best250.csv");
    writeFile("logins", ":\n");  // this machine, through the many-machine path
    setenv("STANDIN_BOARDS", "0", 1);
    r = campaign("start --sshloginfile logins --board Best250.csv " + standin() + " 2 seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "campaign: warning: only shift-solver and berserker-solver read a seed board\n");
    EXPECT_EQ(readFile("seeded/instance-001/Best250.csv"), solution);
    EXPECT_EQ(readFile("seeded/instance-002/Best250.csv"), solution);
    ASSERT_TRUE(waitFor("seeded/instance-002/start.txt"));
    r = campaign("status seeded");
    EXPECT_EQ(lines(r.out).back(), "best board: seeded/instance-001/Best250.csv: 256 of 256 pieces placed, 480 of 480 "
                                   "seams matched, complete and consistent (the seed board)");
    EXPECT_EQ(campaign("stop seeded").out, "campaign: sent SIGTERM to 2 instances; all stopped\n");

    for (const std::string& bad : {std::string("Result.csv"), std::string("Best199.csv")}) {
        writeFile(bad, solution);
        r = campaign("start --board " + bad + " " + standin() + " 1 seeded");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "campaign: " + bad + ": a seed board must be named Best200.csv to Best255.csv, the names "
                                              "shift-solver and berserker-solver read\n");
    }
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

    // board-check without arguments ends at once with exit code 2: the status says so.
    r = campaign("start board-check 1 named");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(waitFor("named/instance-001/exit.txt"));
    r = campaign("status named");
    EXPECT_EQ(lines(r.out)[0], "campaign named: board-check, 1 instances, 0 running");
    EXPECT_EQ(lines(r.out)[1], "instance-001  ended, exit 2   no best board yet");
    EXPECT_EQ(lines(r.out).back(), "best board: none yet");
}

}  // namespace
}  // namespace zentara
