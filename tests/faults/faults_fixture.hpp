// What a careless user does to the programs, run as the user would: unreadable,
// write-protected, linked and non-regular files, a full disk, signals, and kills
// at random moments. Every case runs the real programs in its own directory;
// permission cases run them as an unprivileged user.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "core/board_check.hpp"
#include "core/stat_builder.hpp"
#include "core/stat_file.hpp"
#include "tests/support/private_mounts.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/unprivileged.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;
using namespace std::chrono_literals;

constexpr auto PATIENCE = 120s;  // generous: the sanitizer build runs the programs several times slower

struct Ended {
    bool exited = false;
    int code = -1;
};

// A program started in `dir` with its console in `console`. A test that ends
// before waiting for it (a failed assertion) kills it, so that no run outlives
// its test and its directory.
struct Started {
    pid_t pid = -1;
    fs::path console;
    mutable bool reaped = false;

    Started() = default;
    Started(Started&& other) noexcept : pid(other.pid), console(std::move(other.console)), reaped(other.reaped) {
        other.pid = -1;
    }
    Started& operator=(Started&&) = delete;
    ~Started() {
        if (pid <= 0 || reaped) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    std::string output() const { return readFile(console); }
};

Started start(const fs::path& dir, const std::string& program, const std::vector<std::string>& args = {},
          bool unprivileged = false, int consoleFd = -1) {
    Started run;
    run.console = fs::absolute(dir.filename().string() + ".console");
    std::vector<std::string> argv;
    if (unprivileged && ::geteuid() == 0)
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(testing::programPath(program).string());
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string consolePath = run.console.string();
    writeFile(run.console, "");  // a new run starts with an empty console, before it runs
    run.pid = ::fork();
    if (run.pid == 0) {
        const int out = consoleFd >= 0 ? consoleFd : ::open(consolePath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    return run;
}

bool waitUntil(const std::function<bool()>& ready, std::chrono::seconds patience = PATIENCE) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

Ended wait(const Started& run, std::chrono::seconds patience = PATIENCE) {
    Ended ended;
    int status = 0;
    if (!waitUntil([&] { return ::waitpid(run.pid, &status, WNOHANG) == run.pid; }, patience)) {
        ::kill(run.pid, SIGKILL);
        ::waitpid(run.pid, &status, 0);
        run.reaped = true;
        ADD_FAILURE() << "the program did not end in time";
        return ended;
    }
    run.reaped = true;
    ended.exited = WIFEXITED(status);
    ended.code = ended.exited ? WEXITSTATUS(status) : -WTERMSIG(status);
    return ended;
}

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool hasTemporary(const fs::path& dir) {
    for (const std::string& name : entries(dir))
        if (name.ends_with(".tmp")) return true;
    return false;
}

// A Stat.bin frequency-solver runs on: one pair of the hint piece's left edge
// (555) with an edge of its colour.
std::string usableStatBin(std::uint32_t count = 1) {
    std::vector<std::uint32_t> t(STAT_COUNTERS, 0);
    const int mate = sameColourEdge(555);
    t[555 * 1024 + mate] = t[mate * 1024 + 555] = count;
    return std::string(reinterpret_cast<const char*>(t.data()), STAT_FILE_BYTES);
}

// Stat.bin as score-solver left it: exactly the table, every count within the
// limit and symmetric.
::testing::AssertionResult wholeStatBin(const fs::path& path, std::vector<std::uint32_t>* counts = nullptr) {
    const std::string bytes = readFile(path);
    if (bytes.size() != STAT_FILE_BYTES) return ::testing::AssertionFailure() << bytes.size() << " bytes";
    std::vector<std::uint32_t> t(STAT_COUNTERS);
    std::memcpy(t.data(), bytes.data(), STAT_FILE_BYTES);
    StatFault fault;
    if (!checkStatCounts(t.data(), fault)) return ::testing::AssertionFailure() << "fault at " << fault.row;
    if (counts) *counts = std::move(t);
    return ::testing::AssertionSuccess();
}

bool makeDeviceNode(const char* path) {
    // A private node with the null device's numbers, inside the test's own directory.
    if (::mknod(path, S_IFCHR | 0666, makedev(1, 3)) == 0) return true;
    std::printf("NOTE: no device node can be made here (not root?): the device case is NOT run\n");
    return false;
}

class Faults : public testing::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_EQ(::chmod(".", 0777), 0);  // the unprivileged runs work in subdirectories here
    }
    fs::path directory(const std::string& name) {
        fs::create_directory(name);
        fs::permissions(name, fs::perms::all);
        return fs::absolute(name);
    }
};

// 1. A Stat.bin that is there but cannot be read: one line naming it and the
// reason, exit 1, and nothing written (days of counts are not replaced by zeros).
// frequency-solver refuses the same files at once.
TEST_F(Faults, UnreadableStatBinStopsScoreSolverWithoutWritingAnything) {
    struct Case {
        std::string name;
        std::function<bool(const fs::path&)> make;  // false: the case cannot be made here
        std::string reason;
        bool unprivileged = false;
    };
    const std::vector<Case> cases{
        {"protected", [](const fs::path& d) {
             writeFile(d / "Stat.bin", usableStatBin(7));
             return ::chmod((d / "Stat.bin").c_str(), 0200) == 0;
         }, "Permission denied", true},
        {"fifo", [](const fs::path& d) { return ::mkfifo((d / "Stat.bin").c_str(), 0644) == 0; }, "not a regular file"},
        {"directory", [](const fs::path& d) { return fs::create_directory(d / "Stat.bin"); }, "not a regular file"},
        {"link-to-fifo", [](const fs::path& d) {
             fs::create_symlink("pipe", d / "Stat.bin");
             return ::mkfifo((d / "pipe").c_str(), 0644) == 0;
         }, "not a regular file"},
        {"device", [](const fs::path& d) { return makeDeviceNode((d / "Stat.bin").c_str()); }, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = directory(c.name);
        if (!c.make(dir)) continue;
        const std::vector<std::string> before = entries(dir);
        const Started run = start(dir, "score-solver", {}, c.unprivileged);
        const Ended end = wait(run, 30s);
        EXPECT_EQ(end.code, 1);
        EXPECT_EQ(run.output(), "Zentara Score Solver\nCannot read Stat.bin: " + c.reason + "\n");
        EXPECT_EQ(entries(dir), before);
        if (c.name == "protected") {
            ASSERT_EQ(::chmod((dir / "Stat.bin").c_str(), 0644), 0);
            EXPECT_EQ(readFile(dir / "Stat.bin"), usableStatBin(7));
        }
        if (c.unprivileged) continue;
        const Started frequency = start(dir, "frequency-solver");
        EXPECT_EQ(wait(frequency, 30s).code, 1);
        EXPECT_EQ(frequency.output(), "Zentara Frequency Solver\nCannot find Stat.bin file!\n");
    }
}

// What a program left in its directory, less the lock file of its claim on it
// (it names the last holder and is left for the next one).
std::vector<std::string> leftIn(const fs::path& dir) {
    std::vector<std::string> names = entries(dir);
    std::erase(names, ".zentara.lock");
    return names;
}

bool searching(const Started& run);

// 1b. A Stat.bin frequency-solver would refuse for its size or its content, or
// one gathered on another piece set, is refused by score-solver at start the
// same way: adding to it would save, again and again, a file that no program
// can use. One line with the reason, exit 1, the file unchanged and nothing else
// written; stat-merge refuses it as an input the same way.
TEST_F(Faults, StatBinFrequencySolverRefusesIsRefusedByScoreSolverUntouched) {
    const fs::path source = directory("source");
    {
        const Started run = start(source, "score-solver");
        ASSERT_TRUE(searching(run));
        ASSERT_EQ(::kill(run.pid, SIGTERM), 0);
        ASSERT_EQ(wait(run).code, 0);
    }
    const std::string real = readFile(source / "Stat.bin");
    ASSERT_TRUE(wholeStatBin(source / "Stat.bin"));
    std::string noise(1000, '\0');
    std::mt19937 random(1000);
    for (char& ch : noise) ch = static_cast<char>(random());
    std::string lopsided = real;
    lopsided[4 * (3 * 1024 + 7)] ^= 1;  // [3][7] no longer equals [7][3]
    const std::uint32_t at37 = static_cast<unsigned char>(lopsided[4 * (3 * 1024 + 7)]) |
                               static_cast<std::uint32_t>(static_cast<unsigned char>(lopsided[4 * (3 * 1024 + 7) + 1])) << 8;
    const std::uint32_t at73 = static_cast<unsigned char>(real[4 * (7 * 1024 + 3)]) |
                               static_cast<std::uint32_t>(static_cast<unsigned char>(real[4 * (7 * 1024 + 3) + 1])) << 8;
    ASSERT_LT(std::max(at37, at73), 65536u) << "the case reads two bytes of each count";
    // The counts of another set: the same seams under other piece numbers (pieces
    // 2k and 2k + 1 swapped), so that most join edges of two colours. The first in
    // row order, found here by colour from the table.
    std::vector<std::uint32_t> counts(STAT_COUNTERS), swapped(STAT_COUNTERS);
    std::memcpy(counts.data(), real.data(), STAT_FILE_BYTES);
    for (int i = 0; i < STAT_EDGE_CODES; ++i)
        for (int j = 0; j < STAT_EDGE_CODES; ++j) swapped[i * 1024 + j] = counts[(i ^ 4) * 1024 + (j ^ 4)];
    const std::string foreign(reinterpret_cast<const char*>(swapped.data()), STAT_FILE_BYTES);
    std::string foreignFault;
    for (int k = 0; k < STAT_COUNTERS && foreignFault.empty(); ++k) {
        const int i = k / 1024, j = k % 1024;
        if (swapped[k] != 0 && PIECES_BOTTOM_FIRST[i / 4][i % 4] != PIECES_BOTTOM_FIRST[j / 4][j % 4])
            foreignFault = "count " + std::to_string(swapped[k]) + " at [" + std::to_string(i) + "][" + std::to_string(j) + "]";
    }
    ASSERT_NE(foreignFault, "");
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
        std::string frequencyReason;
    } cases[] = {
        {"truncated", real.substr(0, 2 * 1024 * 1024), "invalid size: 2097152 bytes, a statistics file holds 4194304",
         "Invalid size of Stat.bin file!"},
        {"noise", noise, "invalid size: 1000 bytes, a statistics file holds 4194304", "Invalid size of Stat.bin file!"},
        {"lopsided", lopsided,
         "invalid content: count " + std::to_string(at37) + " at [3][7] but " + std::to_string(at73) + " at [7][3]",
         "Invalid content of Stat.bin file!"},
        {"foreign", foreign, "belongs to another piece set: " + foreignFault + " joins two edges of different colours",
         "Stat.bin belongs to another piece set: " + foreignFault + " joins two edges of different colours"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = directory(c.name);
        writeFile(dir / "Stat.bin", c.bytes);
        const Started run = start(dir, "score-solver");
        EXPECT_EQ(wait(run, 30s).code, 1);
        EXPECT_EQ(run.output(), "Zentara Score Solver\nCannot use Stat.bin: " + c.reason + "; nothing written\n");
        EXPECT_EQ(readFile(dir / "Stat.bin"), c.bytes);
        EXPECT_EQ(leftIn(dir), std::vector<std::string>{"Stat.bin"});
        const Started frequency = start(dir, "frequency-solver");
        EXPECT_EQ(wait(frequency, 30s).code, 1);
        EXPECT_EQ(frequency.output(), "Zentara Frequency Solver\n" + c.frequencyReason + "\n");
        const Started merge = start(dir, "stat-merge", {"merged.bin", "Stat.bin"});
        EXPECT_EQ(wait(merge, 30s).code, 1);
        EXPECT_EQ(merge.output(), "stat-merge: Stat.bin: " + c.reason + "\n");
        EXPECT_EQ(readFile(dir / "Stat.bin"), c.bytes);
        EXPECT_EQ(leftIn(dir), std::vector<std::string>{"Stat.bin"});
    }
}

// Waits for the program's first status line: it is searching now, past the
// reading of Stat.bin (a stop during that read ends it at once, with nothing to
// save), and a stop signal ends it gracefully at its next report.
bool searching(const Started& run) {
    return waitUntil([&] { return run.output().find('\r') != std::string::npos; });
}

// 2. A last save that fails (the user may not write Stat.bin) says the statistics
// were not saved and exits 1, leaving the last good Stat.bin. (Failing periodic
// saves: the score run tests.)
TEST_F(Faults, FailedLastSaveIsSaidAndExitsOne) {
    const fs::path dir = directory("run");
    writeFile(dir / "Stat.bin", usableStatBin());
    ASSERT_EQ(::chmod((dir / "Stat.bin").c_str(), 0444), 0);
    const Started run = start(dir, "score-solver", {}, true);
    ASSERT_TRUE(searching(run));
    ASSERT_EQ(::kill(run.pid, SIGTERM), 0);
    EXPECT_EQ(wait(run).code, 1);
    const std::string console = run.output();
    EXPECT_TRUE(console.ends_with(" \nStatistics not saved: Stat.bin: Permission denied\n")) << console;
    EXPECT_EQ(readFile(dir / "Stat.bin"), usableStatBin());
    EXPECT_FALSE(hasTemporary(dir));
}

// 3. SIGTERM and SIGHUP (a closed terminal) stop score-solver gracefully: the
// statistics are saved, the status line ends, exit 0. A closed console pipe does
// not kill it: it still saves and stops gracefully. A linked Stat.bin is
// saved through the link, with its mode and the bytes beyond the table kept.
TEST_F(Faults, GracefulStopsSaveThroughLinksAndEndTheStatusLine) {
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const fs::path dir = directory(signal == SIGTERM ? "term" : "hup");
        fs::create_directory(dir / "kept");
        writeFile(dir / "kept/real.bin", usableStatBin() + "tail");
        ASSERT_EQ(::chmod((dir / "kept/real.bin").c_str(), 0640), 0);
        fs::create_symlink("kept/real.bin", dir / "Stat.bin");
        const Started run = start(dir, "score-solver");
        ASSERT_TRUE(searching(run));
        ASSERT_EQ(::kill(run.pid, signal), 0);
        EXPECT_EQ(wait(run).code, 0);
        const std::string console = run.output();
        EXPECT_TRUE(console.starts_with("Zentara Score Solver\n\rLevel/Score: ")) << console;
        EXPECT_TRUE(console.ends_with(" \n")) << console;
        EXPECT_TRUE(fs::is_symlink(dir / "Stat.bin"));
        const std::string saved = readFile(dir / "kept/real.bin");
        EXPECT_EQ(saved.size(), STAT_FILE_BYTES + 4);
        EXPECT_TRUE(saved.ends_with("tail"));
        EXPECT_TRUE(saved != usableStatBin() + "tail") << "the gathered counts were saved";
        EXPECT_EQ(fs::status(dir / "kept/real.bin").permissions(), fs::perms(0640));
        BoardCheck check;
        std::string reason;
        ASSERT_TRUE(checkBoardFile((dir / "Result.csv").c_str(), check, reason)) << reason;
        EXPECT_TRUE(check.consistent());
        EXPECT_FALSE(hasTemporary(dir));
    }
}

// 3b. A closed console pipe (score-solver | head) does not kill score-solver: its
// next status line goes nowhere, and a stop still saves.
TEST_F(Faults, ClosedConsolePipeDoesNotKillScoreSolver) {
    const fs::path dir = directory("pipe");
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const Started run = start(dir, "score-solver", {}, false, pipeFds[1]);
    ::close(pipeFds[1]);
    // Read up to the first status line, then nobody reads the console any more.
    char byte = 0;
    while (byte != '\r') ASSERT_EQ(::read(pipeFds[0], &byte, 1), 1);
    ::close(pipeFds[0]);
    ASSERT_EQ(::kill(run.pid, SIGTERM), 0);
    EXPECT_EQ(wait(run).code, 0) << "the report's status line went to a closed pipe, and it still saved";
    EXPECT_TRUE(wholeStatBin(dir / "Stat.bin"));
}

// 4. Kills at random moments: Stat.bin on disk is always whole, its counts only
// grow, and the next start removes what a run killed while writing left.
TEST_F(Faults, RandomKillsLeaveStatBinWholeAndTheNextStartCleansUp) {
    const fs::path dir = directory("run");
    std::mt19937 random(20261208);
    std::vector<std::uint32_t> last(STAT_COUNTERS, 0), now;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const Started run = start(dir, "score-solver");
        std::this_thread::sleep_for(std::chrono::milliseconds(200 + random() % 2300));
        ASSERT_EQ(::kill(run.pid, SIGKILL), 0);
        EXPECT_EQ(wait(run).code, -SIGKILL);
        if (!fs::exists(dir / "Stat.bin")) continue;
        ASSERT_TRUE(wholeStatBin(dir / "Stat.bin", &now));
        for (int k = 0; k < STAT_COUNTERS; ++k) ASSERT_GE(now[k], last[k]) << k;
        last = now;
    }
    // A run of this machine killed halfway through a save leaves its temporary file.
    ASSERT_EQ(testing::runInChild(
                  [&] {
                      FileReplacement file;
                      beginReplacement(file, (dir / "Stat.bin").c_str(), true);
                      appendToReplacement(file, "half a table");
                      ::kill(::getpid(), SIGKILL);
                      return 0;
                  },
                  false),
              -1);
    ASSERT_TRUE(hasTemporary(dir));
    const Started run = start(dir, "score-solver");
    ASSERT_TRUE(searching(run));
    EXPECT_FALSE(hasTemporary(dir));
    ASSERT_EQ(::kill(run.pid, SIGTERM), 0);
    EXPECT_EQ(wait(run).code, 0);
    EXPECT_TRUE(wholeStatBin(dir / "Stat.bin"));
    EXPECT_FALSE(hasTemporary(dir));
}

// 5. A full disk, on a small tmpfs in a private mount namespace (gone when the
// shell ends): the failed save is said, the exit code is 1, and the old Stat.bin
// stays whole, with no temporary file left.
TEST_F(Faults, FullDiskIsSaidAndTheOldStatBinStays) {
    writeFile("Stat.seed", usableStatBin());
    fs::create_directory("disk");
    const std::string script =
        "mount -t tmpfs -o size=5m zentara-full-disk disk 2>/dev/null || exit 77\n"
        "cp Stat.seed disk/Stat.bin && cd disk || exit 78\n"
        "'" + testing::programPath("score-solver").string() + "' > ../console.txt 2>&1 &\n"
        "pid=$!; i=0\n"
        "until grep -q Level ../console.txt || [ $i -ge 1200 ]; do sleep 0.1; i=$((i+1)); done\n"
        "kill -TERM $pid; wait $pid; echo $? > ../exit.txt\n"
        "cp Stat.bin ../after.bin; ls -A > ../listing.txt\n";
    writeFile("full-disk.sh", script);
    if (testing::runWithPrivateMounts("full-disk.sh") != 0) {
        testing::sayNotRunWithoutTmpfs("full-disk case");
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    EXPECT_EQ(readFile("exit.txt"), "1\n");
    const std::string console = readFile("console.txt");
    EXPECT_TRUE(console.ends_with(" \nStatistics not saved: Stat.bin: No space left on device\n")) << console;
    EXPECT_EQ(readFile("after.bin"), usableStatBin());
    EXPECT_EQ(readFile("listing.txt").find(".tmp"), std::string::npos) << readFile("listing.txt");
}

// 5a. A full board found on a full disk: the failed write is said once, and the
// program that ends there shows the board on its console in the board file
// format and exits 1, so that the board is not lost.
TEST_F(Faults, FullBoardOnAFullDiskGoesToTheConsole) {
    std::string seed = readFile(testing::sourcePath("data/solution_16x16.csv"));
    ASSERT_EQ(seed.size(), 1552u);
    const std::string solution = seed;
    seed.replace(6 * 97 + 6 * 6, 5, "  0,0");  // row 6, column 6 empty: 255 pieces to resume from
    writeFile("Best255.seed", seed);
    for (const char* program : {"shift-solver", "berserker-solver"}) {
        SCOPED_TRACE(program);
        const std::string name = program;
        fs::create_directory(name);
        const std::string script =
            "cd '" + name + "' && mkdir disk || exit 78\n"
            "mount -t tmpfs -o size=64k zentara-full-disk disk 2>/dev/null || exit 77\n"
            "cp ../Best255.seed disk/Best255.csv && cd disk || exit 78\n"
            "dd if=/dev/zero of=filler bs=4096 2>/dev/null\n"  // ends when the disk is full
            "timeout 100 '" + testing::programPath(program).string() + "' > ../console.txt 2>&1\n"
            "echo $? > ../exit.txt; ls -A > ../listing.txt\n";
        writeFile(name + "/full-disk.sh", script);
        const int code = testing::runWithPrivateMounts(name + "/full-disk.sh", false);
        if (code == testing::NO_TMPFS || code < 0) {
            testing::sayNotRunWithoutTmpfs("full-disk case");
            GTEST_SKIP() << "cannot mount a small tmpfs here";
        }
        ASSERT_EQ(code, 0);
        EXPECT_EQ(readFile(name + "/exit.txt"), "1\n");
        const std::string console = readFile(name + "/console.txt");
        const std::string said = ": No space left on device; trying again with the next board\n";
        EXPECT_NE(console.find("\nBoard not written: "), std::string::npos) << console;
        EXPECT_EQ(console.find(said), console.rfind(said)) << "said once: " << console;
        const std::string head = "\nThe full board could not be written to its file; here it is:\n";
        const std::size_t at = console.find(head);
        ASSERT_NE(at, std::string::npos) << console;
        const std::string board = console.substr(at + head.size());
        EXPECT_EQ(board.size(), 1552u);
        BoardCheck check;
        std::string reason;
        ASSERT_TRUE(checkBoardText(board, check, reason)) << reason;
        EXPECT_TRUE(check.complete());
        const std::string listing = readFile(name + "/listing.txt");
        EXPECT_EQ(listing.find("Best256.csv"), std::string::npos) << listing;
        EXPECT_EQ(listing.find(".tmp"), std::string::npos) << listing;
    }
}

// 5b. stat-merge: inputs frequency-solver refuses (unreadable, a device that
// reads zeros for ever, all zeros) are refused with the reason; OUT is written
// through a link, never over a FIFO, nor over a file the user may not write.
TEST_F(Faults, StatMergeRefusesWhatItCannotUseAndKeepsProtectedOutputs) {
    const fs::path dir = directory("merge");
    writeFile(dir / "good.bin", usableStatBin(2));
    writeFile(dir / "secret.bin", usableStatBin(3));
    ASSERT_EQ(::chmod((dir / "secret.bin").c_str(), 0600), 0);
    writeFile(dir / "zero.bin", std::string(STAT_FILE_BYTES, '\0'));
    writeFile(dir / "old.bin", "old");
    ASSERT_EQ(::chmod((dir / "old.bin").c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0666), 0);
    fs::create_directory(dir / "merged");
    fs::create_symlink("merged/Stat.bin", dir / "link.bin");
    const bool device = makeDeviceNode((dir / "zeros").c_str());

    struct Case {
        std::vector<std::string> args;
        bool unprivileged;
        int code;
        std::string output;
    };
    std::vector<Case> cases{
        {{"out.bin", "good.bin", "secret.bin"}, true, 1, "stat-merge: secret.bin: cannot read: Permission denied\n"},
        {{"out.bin", "good.bin", "zero.bin"}, false, 1,
         "stat-merge: zero.bin: frequency-solver refuses it: Invalid statistic file!\n"},
        {{"out.bin", "fifo.bin"}, false, 1, "stat-merge: fifo.bin: cannot read: not a regular file\n"},
        {{"fifo.bin", "good.bin"}, false, 1, "stat-merge: cannot write fifo.bin: not a regular file\n"},
        {{"old.bin", "good.bin"}, true, 1, "stat-merge: cannot write old.bin: Permission denied\n"},
        {{"link.bin", "good.bin"}, false, 0, "stat-merge: wrote link.bin from 1 file\n"},
    };
    if (device) cases.push_back({{"out.bin", "zeros"}, false, 1, "stat-merge: zeros: cannot read: not a regular file\n"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const Started run = start(dir, "stat-merge", c.args, c.unprivileged);
        EXPECT_EQ(wait(run, 60s).code, c.code);
        EXPECT_EQ(run.output(), c.output);
    }
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.bin"));
    EXPECT_EQ(readFile(dir / "old.bin"), "old");
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(readFile(dir / "merged/Stat.bin"), usableStatBin(2));
    EXPECT_FALSE(hasTemporary(dir));
}

// 6. Board readers never wait and never take a large input: a FIFO, directory or
// device is refused at once, a long file is no board (exit 2 either way).
TEST_F(Faults, BoardToolsRefuseWhatIsNoBoardFileAtOnce) {
    const fs::path dir = directory("boards");
    ASSERT_EQ(::mkfifo((dir / "fifo.csv").c_str(), 0644), 0);
    fs::create_directory(dir / "dir.csv");
    writeFile(dir / "huge.csv", std::string(1 << 20, '1'));
    std::vector<std::pair<std::string, std::string>> cases{
        {"fifo.csv", "cannot open fifo.csv: not a regular file"},
        {"dir.csv", "cannot open dir.csv: not a regular file"},
        {"huge.csv", "not a board: longer than 8192 bytes"},
    };
    if (makeDeviceNode((dir / "null.csv").c_str())) cases.push_back({"null.csv", "cannot open null.csv: not a regular file"});
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name);
        const Started check = start(dir, "board-check", {name});
        EXPECT_EQ(wait(check, 30s).code, 2);
        EXPECT_EQ(check.output(), name + ": unreadable: " + reason + "\n");
        const Started view = start(dir, "board-view", {name});
        EXPECT_EQ(wait(view, 30s).code, 2);
        EXPECT_NE(view.output().find(reason), std::string::npos) << view.output();
    }
    for (const std::string& name : entries(dir)) EXPECT_FALSE(name.ends_with(".svg")) << name;
}

}  // namespace
}  // namespace zentara
