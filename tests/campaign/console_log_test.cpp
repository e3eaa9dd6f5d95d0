// A campaign instance's console file: what a terminal shows, bounded.
#include "campaign/console_log.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

using testing::programPath;
using testing::readFile;
using testing::writeFile;

std::string shown(std::string_view output) {
    ConsoleScreen screen;
    feedConsole(screen, output);
    return consoleText(screen);
}

TEST(ConsoleScreenTest, KeepsFinishedLinesAndTheStatusLineAsATerminalShowsIt) {
    EXPECT_EQ(shown("Zentara Score Solver\n\rLevel 12, Score 30\rLevel 9\r"), "Zentara Score Solver\nLevel 92, Score 30");
    // A line end finishes the status line as it stands; "\r\n" is a plain line end.
    EXPECT_EQ(shown("\rLevel 3   \rLevel 4\nsaved\r\n\rLevel 1"), "Level 4   \nsaved\nLevel 1");
    EXPECT_EQ(shown(std::string(CONSOLE_LINE_LIMIT, 'x') + "yz"), std::string(CONSOLE_LINE_LIMIT, 'x') + "\nyz");

    ConsoleScreen screen;
    feedConsole(screen, "banner\n\rLevel 5");
    finishConsoleLine(screen);
    feedConsole(screen, "\rnext run");
    EXPECT_EQ(consoleText(screen), "banner\nLevel 5\nnext run");
}

TEST(ConsoleScreenTest, StaysBoundedOverDaysOfOutputKeepingTheNewestLines) {
    ConsoleScreen screen;
    // Hours of a solver that rewrites its status line all the time and
    // finishes a line now and then.
    std::string chunk;
    for (int i = 0; i < 100; ++i) chunk += "\rLevel 219, max. 226, shifts " + std::to_string(i) + " K, config OK=74,RE=92";
    for (int second = 0; second < 4000; ++second) {
        feedConsole(screen, chunk);
        feedConsole(screen, "\nline " + std::to_string(second) + std::string(600, '.') + "\n");
        ASSERT_LE(consoleText(screen).size(), CONSOLE_DROPPED_NOTE.size() + CONSOLE_LINES_LIMIT + CONSOLE_LINE_LIMIT);
    }
    feedConsole(screen, "\rLevel 230, max. 231");
    const std::string text = consoleText(screen);
    EXPECT_TRUE(text.starts_with(std::string(CONSOLE_DROPPED_NOTE) + "Level 219, max. 226, shifts 99 K")) << text.substr(0, 200);
    EXPECT_TRUE(text.ends_with("\nline 3999" + std::string(600, '.') + "\nLevel 230, max. 231"));
    EXPECT_GT(screen.drops, 1u);
}

class ConsoleLogTest : public testing::TempDirTest {
protected:
    // Runs console-log FILE with a pipe on its standard input; returns the pipe's write end.
    int start(const char* file) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[0], 0);
            close(fds[0]);
            close(fds[1]);
            execl(programPath("console-log").c_str(), "console-log", file, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[0]);
        return fds[1];
    }
    int finish(int in) {
        close(in);
        int status = 0;
        waitpid(pid_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static void put(int fd, std::string_view bytes) { ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    pid_t pid_ = -1;
};

TEST_F(ConsoleLogTest, AddsToAnEarlierRunOutlivesTheProgramsSignalsAndRefusesAFifo) {
    writeFile("console.txt", "first run\n\rLevel 7, max. 9");
    int in = start("console.txt");
    put(in, "Zentara Score Solver\n");
    for (int i = 0; i < 5000; ++i) put(in, "\rLevel " + std::to_string(i));
    for (int i = 0; i < 400 && readFile("console.txt").find("Solver\n") == std::string::npos; ++i) usleep(10000);
    // The stop that reaches the program's whole process group reaches this one too.
    ASSERT_EQ(kill(pid_, SIGTERM), 0);
    put(in, "\nsaved\n");
    EXPECT_EQ(finish(in), 0);
    EXPECT_EQ(readFile("console.txt"), "first run\nLevel 7, max. 9\nZentara Score Solver\nLevel 4999\nsaved\n");

    // Not a file to write: said once, and the program's output is still read to its end.
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    in = start("fifo");
    put(in, std::string(1 << 20, 'x'));
    EXPECT_EQ(finish(in), 1);
}

}  // namespace
}  // namespace zentara
