// The one writer and the one reader of user files: links, non-regular targets,
// permissions, modes, leftovers of killed runs, and reads that never block.
#include "core/user_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <vector>

#include "core/console.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/unprivileged.hpp"

namespace zentara {
namespace {

using testing::readFile;
using testing::writeFile;
namespace fs = std::filesystem;

std::vector<std::string> entries(const fs::path& dir = ".") {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const char* path) {
    struct stat info {};
    ::stat(path, &info);
    return info.st_mode & 07777;
}

class UserFileTest : public testing::TempDirTest {};

// A link is followed: its target is replaced, with its permission bits, and the
// link stays; a dangling link makes its target; a new file gets what a plain
// create gives. Nothing but the targets is left anywhere.
TEST_F(UserFileTest, WriterFollowsLinksAndKeepsPermissionBits) {
    const mode_t oldMask = ::umask(022);
    fs::create_directories("data/out");
    writeFile("data/real.bin", "old");
    ASSERT_EQ(::chmod("data/real.bin", 0640), 0);
    fs::create_symlink("data/real.bin", "Stat.bin");
    fs::create_symlink("Stat.bin", "chain.bin");
    fs::create_symlink("out/Result.csv", "data/Result.csv");  // relative to the link's own directory

    EXPECT_EQ(replaceFile("Stat.bin", "new"), 0);
    EXPECT_TRUE(fs::is_symlink("Stat.bin"));
    EXPECT_EQ(readFile("data/real.bin"), "new");
    EXPECT_EQ(modeOf("data/real.bin"), 0640u);
    EXPECT_EQ(replaceFile("chain.bin", "newer", true), 0);
    EXPECT_TRUE(fs::is_symlink("chain.bin"));
    EXPECT_EQ(readFile("data/real.bin"), "newer");

    EXPECT_EQ(replaceFile("data/Result.csv", "board"), 0);
    EXPECT_TRUE(fs::is_symlink("data/Result.csv"));
    EXPECT_EQ(readFile("data/out/Result.csv"), "board");
    EXPECT_EQ(modeOf("data/out/Result.csv"), 0644u);

    EXPECT_EQ(entries(), (std::vector<std::string>{"Stat.bin", "chain.bin", "data"}));
    EXPECT_EQ(entries("data"), (std::vector<std::string>{"Result.csv", "out", "real.bin"}));
    EXPECT_EQ(entries("data/out"), (std::vector<std::string>{"Result.csv"}));
    ::umask(oldMask);
}

// A directory, FIFO or device under the name (or behind a link) is never replaced
// by a file, and the write says why.
TEST_F(UserFileTest, WriterRefusesTargetsThatAreNotRegularFiles) {
    fs::create_directory("Best230.csv");
    ASSERT_EQ(::mkfifo("Result.csv", 0644), 0);
    fs::create_symlink("Result.csv", "Stat.bin");
    std::vector<std::string> names{"Best230.csv", "Result.csv", "Stat.bin"};
    // A private device node with the numbers of the null device, where we may make one.
    const bool device = ::mknod("Blocks.csv", S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (device) names.push_back("Blocks.csv");
    else std::printf("note: no device node can be made here; the device case is not run\n");

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(replaceFile(name.c_str(), "board", true), NOT_REGULAR_FILE);
    }
    EXPECT_STREQ(fileErrorText(NOT_REGULAR_FILE), "not a regular file");
    EXPECT_TRUE(fs::is_directory("Best230.csv"));
    EXPECT_TRUE(fs::is_fifo("Result.csv"));
    if (device) {
        EXPECT_TRUE(fs::is_character_file("Blocks.csv"));
    }
    EXPECT_NE(replaceFile("sub/", "x"), 0) << "a directory name is no file name";
    EXPECT_EQ(replaceFile("missing/Stat.bin", "x"), ENOENT);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(entries(), names);
}

// Permission cases as an unprivileged user: a file it may not open for writing is
// not replaced (as the plain open for writing would have failed), nor one in a
// directory it may not change; one it may write is, keeping its mode.
TEST_F(UserFileTest, WriterLeavesWhatTheUserMayNotWrite) {
    ASSERT_EQ(::chmod(".", 0777), 0);
    writeFile("readonly.bin", "kept");
    ASSERT_EQ(::chmod("readonly.bin", 0444), 0);
    writeFile("shared.bin", "old");
    ASSERT_EQ(::chmod("shared.bin", 0666), 0);
    fs::create_directory("locked");
    writeFile("locked/Result.csv", "kept too");
    ASSERT_EQ(::chmod("locked/Result.csv", 0666), 0);
    ASSERT_EQ(::chmod("locked", 0555), 0);

    EXPECT_EQ(testing::runUnprivileged([] { return replaceFile("readonly.bin", "new"); }), EACCES);
    EXPECT_EQ(testing::runUnprivileged([] { return replaceFile("locked/Result.csv", "new"); }), EACCES);
    EXPECT_EQ(testing::runUnprivileged([] { return replaceFile("shared.bin", "new"); }), 0);
    EXPECT_EQ(readFile("readonly.bin"), "kept");
    EXPECT_EQ(readFile("locked/Result.csv"), "kept too");
    EXPECT_EQ(readFile("shared.bin"), "new");
    EXPECT_EQ(modeOf("shared.bin"), 0666u);
    EXPECT_EQ(entries(), (std::vector<std::string>{"locked", "readonly.bin", "shared.bin"}));
    EXPECT_EQ(entries("locked"), (std::vector<std::string>{"Result.csv"}));
}

// A run killed while it writes leaves its temporary file; the next start removes
// it, but never one of a process that still runs, nor anything else.
TEST_F(UserFileTest, StaleTemporariesOfKilledRunsAreRemovedAtStart) {
    writeFile("Stat.bin", "whole");
    writeFile(".notes.tmp", "not ours");
    ASSERT_EQ(testing::runInChild(
                  [] {
                      FileReplacement file;  // killed halfway: no finish, no clean-up
                      beginReplacement(file, "Stat.bin", true);
                      appendToReplacement(file, "half");
                      ::kill(::getpid(), SIGKILL);
                      return 0;
                  },
                  false),
              -1);
    ASSERT_EQ(entries().size(), 3u) << "the killed run left its temporary file";
    FileReplacement live;  // this process still writes its own
    ASSERT_TRUE(beginReplacement(live, "Result.csv", false));

    EXPECT_EQ(removeStaleTemporaries("."), 1);
    std::vector<std::string> names = entries();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].rfind(".Result.csv.", 0), 0u);
    EXPECT_EQ(names[1], ".notes.tmp");
    EXPECT_EQ(readFile("Stat.bin"), "whole");
    ASSERT_TRUE(appendToReplacement(live, "board"));
    EXPECT_EQ(finishReplacement(live), 0);
    EXPECT_EQ(entries(), (std::vector<std::string>{".notes.tmp", "Result.csv", "Stat.bin"}));
}

// The reader refuses a FIFO, directory or device at once (a blocked open would
// hang the child past its alarm) and never reads more than its buffer.
TEST_F(UserFileTest, ReaderNeverBlocksNorReadsWithoutBound) {
    ASSERT_EQ(::mkfifo("Best255.csv", 0644), 0);
    fs::create_directory("Stat.bin");
    writeFile("board.csv", "0123456789");
    EXPECT_EQ(testing::runInChild(
                  [] {
                      char buffer[16];
                      return readUserFile("Best255.csv", buffer, sizeof buffer).error == NOT_REGULAR_FILE;
                  },
                  false, 5),
              1);
    char buffer[16];
    EXPECT_EQ(readUserFile("Stat.bin", buffer, sizeof buffer).error, NOT_REGULAR_FILE);
    EXPECT_TRUE(readUserFile("Result.csv", buffer, sizeof buffer).missing());
    FileRead read = readUserFile("board.csv", buffer, 4);
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.size, 4u);
    EXPECT_TRUE(read.longer);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    read = readUserFile("board.csv", buffer, 10);
    EXPECT_EQ(read.size, 10u);
    EXPECT_FALSE(read.longer);
    EXPECT_TRUE(fs::is_fifo("Best255.csv"));
}

// A stop signal that comes while the program waits on a file ends it at once
// with the guard's exit code; in second-signal mode only the second one does.
TEST_F(UserFileTest, StopWhileWaitingOnAFileEndsAtOnce) {
    for (const bool second : {false, true}) {
        SCOPED_TRACE(second);
        int ready[2], never[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(never), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open("console.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::alarm(10);
            installStopHandlers();
            const StopWhileWaiting guard("stopped while waiting\n", 7, second);
            char byte = 1;
            (void)!::write(ready[1], &byte, 1);
            (void)!::read(never[0], &byte, 1);  // blocks: nothing is ever written
            ::_exit(0);
        }
        char byte;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ASSERT_EQ(::kill(child, SIGTERM), 0);
        int status = 0;
        if (second) {
            ::usleep(200'000);
            EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0) << "the first signal only asks to stop";
            ASSERT_EQ(::kill(child, SIGTERM), 0);
        }
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 7);
        EXPECT_EQ(readFile("console.txt"), "stopped while waiting\n");
        for (const int fd : {ready[0], ready[1], never[0], never[1]}) ::close(fd);
    }
}

}  // namespace
}  // namespace zentara
