// What a careless user does to the programs while they run, run as the user would:
// saves that fail, signals, kills at random moments, a full disk, and board readers
// given FIFOs and devices. Every case runs the real programs in its own directory.
#include "tests/faults/faults_fixture.hpp"

namespace zentara::faults {
namespace {

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
        writeFile(dir / "kept/real.bin", usableStatBin());
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
        EXPECT_EQ(saved.size(), STAT_FILE_BYTES);
        EXPECT_TRUE(saved != usableStatBin()) << "the gathered counts were saved";
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
}  // namespace zentara::faults
