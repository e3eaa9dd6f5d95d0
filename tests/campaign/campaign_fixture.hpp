// The campaign tests' fixture: a temporary directory, the campaign script run on
// it through tools/campaign (the link users name), and a stand-in solver.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
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
#include "tests/support/browser.hpp"
#include "tests/support/xml_check.hpp"

namespace zentara {

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

// The planted solution with some cells emptied, written under any name.
inline Board16 plantedBoard(std::initializer_list<int> emptied) {
    Board16 cells{};
    parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), cells);
    for (int c : emptied) cells[static_cast<std::size_t>(c)] = PlacedCell{};
    return cells;
}

}  // namespace zentara
