// The fixture of the fault tests: the real programs run as a user would run them,
// in a directory of their own, and what they leave there.
#pragma once

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

#include <algorithm>
#include <filesystem>
#include <string>

namespace zentara::faults {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;
using namespace std::chrono_literals;

inline constexpr auto PATIENCE = 120s;  // generous: the sanitizer build runs the programs several times slower

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

inline Started start(const fs::path& dir, const std::string& program, const std::vector<std::string>& args = {},
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

inline bool waitUntil(const std::function<bool()>& ready, std::chrono::seconds patience = PATIENCE) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

inline Ended wait(const Started& run, std::chrono::seconds patience = PATIENCE) {
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

inline std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline bool hasTemporary(const fs::path& dir) {
    for (const std::string& name : entries(dir))
        if (name.ends_with(".tmp")) return true;
    return false;
}

// A Stat.bin frequency-solver runs on: one pair of the hint piece's left edge
// (555) with an edge of its colour.
inline std::string usableStatBin(std::uint32_t count = 1) {
    std::vector<std::uint32_t> t(STAT_COUNTERS, 0);
    const int mate = sameColourEdge(555);
    t[555 * 1024 + mate] = t[mate * 1024 + 555] = count;
    return std::string(reinterpret_cast<const char*>(t.data()), STAT_FILE_BYTES);
}

// Stat.bin as score-solver left it: exactly the table, every count within the
// limit and symmetric.
inline ::testing::AssertionResult wholeStatBin(const fs::path& path, std::vector<std::uint32_t>* counts = nullptr) {
    const std::string bytes = readFile(path);
    if (bytes.size() != STAT_FILE_BYTES) return ::testing::AssertionFailure() << bytes.size() << " bytes";
    std::vector<std::uint32_t> t(STAT_COUNTERS);
    std::memcpy(t.data(), bytes.data(), STAT_FILE_BYTES);
    StatFault fault;
    if (!checkStatCounts(t.data(), fault)) return ::testing::AssertionFailure() << "fault at " << fault.row;
    if (counts) *counts = std::move(t);
    return ::testing::AssertionSuccess();
}

inline bool makeDeviceNode(const char* path) {
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

// What a program left in its directory, less the lock file of its claim on it
// (it names the last holder and is left for the next one).
inline std::vector<std::string> leftIn(const fs::path& dir) {
    std::vector<std::string> names = entries(dir);
    std::erase(names, ".zentara.lock");
    return names;
}


// Waits for the program's first status line: it is searching now, past the
// reading of Stat.bin (a stop during that read ends it at once, with nothing to
// save), and a stop signal ends it gracefully at its next report.
inline bool searching(const Started& run) {
    return waitUntil([&] { return run.output().find('\r') != std::string::npos; });
}

}  // namespace zentara::faults
