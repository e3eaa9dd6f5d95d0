// console-log FILE: keeps a program's output (its standard input here) in FILE as
// a terminal would show it, small however long the program runs: every finished
// line, and the status line as it last stood (written at most once a second).
// Output already in FILE stays before it. Signals meant for the program do not
// stop this one: it ends when the program's output does, after writing it out.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "core/command_line.hpp"
#include "campaign/console_log.hpp"

namespace {

using namespace zentara;
using Clock = std::chrono::steady_clock;

struct ConsoleFile {
    const char* path;
    int fd = -1;
    bool inPlace = false;      // the file holds lines[0, linesOnDisk) where they belong
    unsigned drops = 0;        // screen.drops when the file was last written whole
    std::size_t linesOnDisk = 0;
    std::size_t size = 0;
    bool failing = false;
};

bool writeAt(int fd, std::string_view bytes, std::size_t offset) {
    while (!bytes.empty()) {
        const ssize_t n = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += static_cast<std::size_t>(n);
    }
    return true;
}

void writeOut(ConsoleFile& file, const ConsoleScreen& screen) {
    if (file.fd < 0) return;
    const std::size_t note = screen.drops > 0 ? CONSOLE_DROPPED_NOTE.size() : 0;
    const std::size_t end = note + screen.lines.size() + screen.current.size();
    bool ok;
    if (!file.inPlace || file.drops != screen.drops) {
        ok = writeAt(file.fd, consoleText(screen), 0);
    } else {
        // Only what changed: the new lines, then the open line after them.
        ok = writeAt(file.fd, std::string_view(screen.lines).substr(file.linesOnDisk), note + file.linesOnDisk) &&
             writeAt(file.fd, screen.current, note + screen.lines.size());
    }
    if (ok && end < file.size) ok = ftruncate(file.fd, static_cast<off_t>(end)) == 0;
    if (!ok) {
        const int error = errno;  // before the name is made printable
        if (!file.failing)
            std::fprintf(stderr, "console-log: cannot write %s: %s\n", printableArgument(file.path).c_str(),
                         std::strerror(error));
        file.failing = true;
        file.inPlace = false;
        return;
    }
    if (file.failing) std::fprintf(stderr, "console-log: %s written again\n", printableArgument(file.path).c_str());
    file.failing = false;
    file.inPlace = true;
    file.drops = screen.drops;
    file.linesOnDisk = screen.lines.size();
    file.size = end;
}

// Opens the file and takes in its last lines (an earlier run's); leaves fd at -1,
// with the reason on the standard error, when it cannot be used.
void openConsole(ConsoleFile& file, ConsoleScreen& screen) {
    const char* path = file.path;
    // Not blocking, so that a FIFO in its place is refused instead of waited on.
    const int fd = open(path, O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const char* why = fd < 0 ? std::strerror(errno) : "not a regular file";
        std::fprintf(stderr, "console-log: cannot keep the output in %s: %s\n", printableArgument(path).c_str(), why);
        if (fd >= 0) close(fd);
        return;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    const std::size_t from = size > CONSOLE_LINES_LIMIT ? size - CONSOLE_LINES_LIMIT : 0;
    std::string old(size - from, '\0');
    std::size_t got = 0;
    while (got < old.size()) {
        const ssize_t n = pread(fd, old.data() + got, old.size() - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    old.resize(got);
    std::string_view kept = old;
    if (from > 0) {  // starts within a line: from the next whole one
        const std::size_t start = kept.find('\n');
        kept.remove_prefix(start == std::string_view::npos ? kept.size() : start + 1);
        ++screen.drops;
    } else if (kept.starts_with(CONSOLE_DROPPED_NOTE)) {
        kept.remove_prefix(CONSOLE_DROPPED_NOTE.size());
        ++screen.drops;
    }
    feedConsole(screen, kept);
    finishConsoleLine(screen);
    file.fd = fd;
    file.size = size;
}

constexpr const char* USAGE =
    "usage: PROGRAM | console-log FILE\n"
    "Keeps a program's output (the standard input here) in FILE as a terminal would show it:\n"
    "every finished line, and the status line as it last stood (written at most once a\n"
    "second), the oldest lines dropped past a bound. Output already in FILE stays before it.\n"
    "Ignores the signals meant for the program; ends when the program's output does.\n"
    "  --help     prints this text\n"
    "  --version  prints the suite's version\n"
    "Exit 0: all of it written; 1: FILE could not be kept or written; 2: usage.\n";

}  // namespace

int main(int argc, char** argv) {
    const int answered = answerCommandLine(argc, argv, {"console-log", USAGE, {}, 1, 1}, std::cout, std::cerr);
    if (answered >= 0) return answered;
    const char* path = std::string_view(argv[1]) == "--" ? argv[2] : argv[1];
    for (const int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) std::signal(s, SIG_IGN);

    ConsoleScreen screen;
    ConsoleFile file{path};
    openConsole(file, screen);
    writeOut(file, screen);

    constexpr auto period = std::chrono::seconds(1);
    auto lastWrite = Clock::now() - period;  // the first status line shows at once
    bool pending = false;  // the open line changed since it was last written
    static char buffer[1 << 16];
    while (true) {
        int timeout = -1;
        if (pending) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lastWrite + period - Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd in{0, POLLIN, 0};
        const int ready = poll(&in, 1, timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready > 0) {
            const ssize_t n = read(0, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            const std::size_t lines = screen.lines.size();
            const unsigned drops = screen.drops;
            feedConsole(screen, std::string_view(buffer, static_cast<std::size_t>(n)));
            pending = true;
            // Finished lines go out at once; a status line at most once a period.
            if (screen.lines.size() == lines && screen.drops == drops && Clock::now() < lastWrite + period) continue;
        } else if (ready < 0) {
            break;
        }
        writeOut(file, screen);
        lastWrite = Clock::now();
        pending = false;
    }
    writeOut(file, screen);
    if (file.fd >= 0 && close(file.fd) != 0) {
        const char* why = std::strerror(errno);
        std::fprintf(stderr, "console-log: cannot write %s: %s\n", printableArgument(file.path).c_str(), why);
        return 1;
    }
    return file.fd >= 0 && !file.failing ? 0 : 1;
}
