// How every program starts, run as a user starts it: what it answers on its
// command line before it does anything, and one solver per directory.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "core/dir_claim.hpp"
#include "core/dir_set.hpp"
#include "core/version.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using namespace std::chrono_literals;

constexpr auto PATIENCE = 120s;  // generous: the sanitizer build starts the programs slowly

const std::vector<std::string> SOLVERS{"score-solver",      "frequency-solver", "brute-solver",     "block-solver",
                                       "block-solver-6x12", "block-solver-6x6", "random-solver",    "path-solver",
                                       "shift-solver",      "berserker-solver"};
const std::vector<std::string> TOOLS{"board-check", "board-view", "stat-merge", "console-log", "campaign-report"};
// Benches take counts (or --signature alone) and, unlike a solver, run at once: a
// refusal that let one through would run it for minutes.
// Each with the most counts it takes (campaign-bench takes options instead).
const std::vector<std::pair<std::string, int>> BENCHES{
    {"baseline-bench", 1}, {"score-bench", 1}, {"frequency-bench", 2}, {"brute-bench", 1},    {"blockset-bench", 2},
    {"path-bench", 2},     {"shift-bench", 2}, {"berserker-bench", 1}, {"campaign-bench", 0},
};

// A program started in `dir`, its standard output and error in files outside it.
// Killed when the test ends early, so that no run outlives its test.
struct Started {
    pid_t pid = -1;
    fs::path out, err;
    bool reaped = false;

    Started() = default;
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    ~Started() {
        if (pid <= 0 || reaped) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

void start(Started& run, const fs::path& dir, const std::string& program, std::vector<std::string> args = {}) {
    static int count = 0;
    const std::string stem = (fs::current_path() / ("run" + std::to_string(++count))).string();
    run.out = stem + ".out";
    run.err = stem + ".err";
    // A path is run as it is (a link under another name, say); a name from the build.
    args.insert(args.begin(), program.find('/') != std::string::npos ? program : testing::programPath(program).string());
    run.pid = ::fork();
    if (run.pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(run.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(run.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(126);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

bool waitUntil(const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + PATIENCE;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// The exit code, or -1 when the program did not end in time (it is killed then).
int finish(Started& run) {
    int status = 0;
    if (!waitUntil([&] { return ::waitpid(run.pid, &status, WNOHANG) == run.pid; })) {
        ::kill(run.pid, SIGKILL);
        ::waitpid(run.pid, &status, 0);
        run.reaped = true;
        return -1;
    }
    run.reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runToEnd(const fs::path& dir, const std::string& program, const std::vector<std::string>& args, Started& run) {
    start(run, dir, program, args);
    return finish(run);
}

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ProgramEntry : public testing::TempDirTest {};

// --help and --version answer on standard output with exit 0; anything else a
// program does not take is refused in one line naming it (shown harmlessly),
// then the usage, exit 2. No program writes, claims or starts anything then: a
// solver would otherwise begin its search, and console-log take the word as its
// file name.
TEST_F(ProgramEntry, EveryProgramAnswersItsCommandLineBeforeDoingAnything) {
    const fs::path empty = fs::absolute("empty");
    fs::create_directory(empty);
    std::vector<std::string> programs = SOLVERS;
    programs.insert(programs.end(), TOOLS.begin(), TOOLS.end());
    for (const auto& [bench, counts] : BENCHES) programs.push_back(bench);
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        const auto bench = std::find_if(BENCHES.begin(), BENCHES.end(), [&](const auto& b) { return b.first == program; });
        const int counts = bench == BENCHES.end() ? 0 : bench->second;
        const bool solver = std::find(SOLVERS.begin(), SOLVERS.end(), program) != SOLVERS.end();
        Started help, version;
        ASSERT_EQ(runToEnd(empty, program, {"--help"}, help), 0);
        const std::string usage = readFile(help.out);
        EXPECT_TRUE(usage.starts_with(program == "console-log" ? "usage: PROGRAM | console-log FILE\n"
                                                               : "usage: " + program + (solver ? " [--pieces FILE]\n" : " ")))
            << usage;
        EXPECT_NE(usage.find("  --version  "), std::string::npos);
        EXPECT_EQ(readFile(help.err), "");
        ASSERT_EQ(runToEnd(empty, program, {"--version"}, version), 0);
        EXPECT_EQ(readFile(version.out), program + " (Zentara) " + std::string(VERSION) + "\npiece set: built-in\n");
        EXPECT_EQ(readFile(version.err), "");

        // Wrong in every way a user (or a script) gets it wrong; a tool's names
        // are given, so that only the option is at fault.
        std::vector<std::pair<std::vector<std::string>, std::string>> wrong{
            {{"--frobnicate"}, "--frobnicate"},
            {{"-x"}, "-x"},
            {{"\x1b]0;owned\x07\xc2\x9b" "2J"}, "\\x1B]0;owned\\x07\\xC2\\x9B2J"},
        };
        if (solver) wrong.push_back({{"Best.csv"}, "Best.csv"});
        for (auto& [args, shown] : wrong) {
            if (!solver && bench == BENCHES.end() && args[0].starts_with("-")) args.insert(args.end(), {"name"});
            if (!solver && !args[0].starts_with("-")) continue;
            Started refused;
            EXPECT_EQ(runToEnd(empty, program, args, refused), 2) << shown;
            EXPECT_EQ(readFile(refused.out), "");
            EXPECT_EQ(readFile(refused.err), program + ": unknown argument '" + shown + "'\n" + usage);
        }
        // A bench's counts are whole numbers, as many as it takes; --signature goes alone.
        const std::vector<std::pair<std::vector<std::string>, std::string>> wrongCounts{
            {{"12x"}, "not a whole number: '12x'"},
            {{"1", "2", "3"}, "one argument too many: '" + std::to_string(counts + 1) + "'"},
            {{"--signature", "5"}, "--signature goes alone"},
        };
        for (const auto& [args, reason] : wrongCounts) {
            if (counts == 0) break;
            Started refused;
            EXPECT_EQ(runToEnd(empty, program, args, refused), 2) << reason;
            EXPECT_EQ(readFile(refused.out), "");
            EXPECT_EQ(readFile(refused.err), program + ": " + reason + "\n" + usage);
        }
        // --help wins wherever it stands; "--" makes the rest names (here a
        // missing file, which a tool reports as such rather than as an option).
        Started late;
        EXPECT_EQ(runToEnd(empty, program, {"--frobnicate", "--help"}, late), 0);
        EXPECT_EQ(readFile(late.out), usage);
        EXPECT_EQ(entries(empty), std::vector<std::string>{});
    }
    // The puzzle generator, whose usage lists its several forms.
    Started generatorHelp;
    ASSERT_EQ(runToEnd(empty, "make-puzzles", {"-h"}, generatorHelp), 0);
    const std::string generatorUsage = readFile(generatorHelp.out);
    EXPECT_TRUE(generatorUsage.starts_with("usage: make-puzzles [--seed N] [--cross] DATA_DIR ")) << generatorUsage;
    for (const auto& [args, shown] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--frobnicate", "data"}, "--frobnicate"}, {{"data", "-\x1b[2J"}, "-\\x1B[2J"}}) {
        Started refused;
        EXPECT_EQ(runToEnd(empty, "make-puzzles", args, refused), 2) << shown;
        EXPECT_EQ(readFile(refused.err), "make-puzzles: unknown argument '" + shown + "'\n" + generatorUsage);
    }
    Started names;
    EXPECT_EQ(runToEnd(empty, "board-check", {"--", "--resume"}, names), 2);
    EXPECT_EQ(readFile(names.out), "--resume: unreadable: cannot open --resume\n");
    Started missing;
    EXPECT_EQ(runToEnd(empty, "campaign-report", {"--states"}, missing), 2);
    EXPECT_TRUE(readFile(missing.err).starts_with("campaign-report: no value after '--states'\nusage: "))
        << readFile(missing.err);
    EXPECT_EQ(entries(empty), std::vector<std::string>{});
}

// A name a tool cannot use is named in its message as text: a crafted name never
// reaches the terminal as an escape sequence.
TEST_F(ProgramEntry, ToolsNameWhatTheyCannotUseHarmlessly) {
    const fs::path empty = fs::absolute("empty");
    fs::create_directory(empty);
    const std::string odd = "missing\x1b[2J\xc2\x9b";
    const std::string shown = "missing\\x1B[2J\\xC2\\x9B";
    const std::vector<std::pair<std::string, std::vector<std::string>>> runs{
        {"board-check", {odd}},         {"board-check", {"--resume", odd}}, {"board-view", {odd}},
        {"stat-merge", {"out.bin", odd}}, {"campaign-report", {odd}},       {"campaign-report", {"--status", odd}},
        {"console-log", {odd + "/console.txt"}},
    };
    for (const auto& [program, args] : runs) {
        SCOPED_TRACE(program + " " + args[0]);
        Started run;
        EXPECT_GT(runToEnd(empty, program, args, run), 0);
        const std::string said = readFile(run.out) + readFile(run.err);
        EXPECT_NE(said.find(shown), std::string::npos) << said;
        EXPECT_EQ(said.find('\x1b'), std::string::npos) << said;
    }
    EXPECT_EQ(entries(empty), std::vector<std::string>{});
}

// Started under another name (the installed zentara-score-solver is a link), a
// program names itself so in its usage lines and messages; --version names the
// program itself.
TEST_F(ProgramEntry, UsageAndMessagesNameTheProgramAsInvoked) {
    const fs::path empty = fs::absolute("empty"), held = fs::absolute("held");
    fs::create_directory(empty);
    fs::create_directory(held);
    DirClaim claim;
    std::string why;
    ASSERT_EQ(claimDirectory(held.c_str(), "test-holder", claim, why), ClaimResult::Claimed) << why;
    std::vector<std::string> programs = SOLVERS;
    programs.insert(programs.end(), {"board-check", "board-view", "stat-merge"});
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        const std::string link = (fs::absolute("zentara-" + program)).string();
        fs::create_symlink(testing::programPath(program), link);
        const std::string name = "zentara-" + program;
        Started help, version, refused;
        ASSERT_EQ(runToEnd(empty, link, {"--help"}, help), 0);
        const std::string usage = readFile(help.out);
        EXPECT_TRUE(usage.starts_with("usage: " + name + "\n") || usage.starts_with("usage: " + name + " ")) << usage;
        EXPECT_EQ(usage.find("usage: " + program), std::string::npos) << usage;
        EXPECT_EQ(runToEnd(empty, link, {"--version"}, version), 0);
        EXPECT_EQ(readFile(version.out), program + " (Zentara) " + std::string(VERSION) + "\npiece set: built-in\n");
        EXPECT_EQ(runToEnd(empty, link, {"--bogus", "name"}, refused), 2);
        EXPECT_EQ(readFile(refused.err), name + ": unknown argument '--bogus'\n" + usage);
    }
    // Each further usage line, and the messages of a run.
    Started forms;
    EXPECT_EQ(runToEnd(empty, fs::absolute("zentara-board-check").string(), {"-h"}, forms), 0);
    EXPECT_NE(readFile(forms.out).find("\n       zentara-board-check --canonical FILE OUT\n"), std::string::npos)
        << readFile(forms.out);
    const std::vector<std::pair<std::vector<std::string>, std::string>> messages{
        {{"zentara-score-solver"}, "zentara-score-solver: this directory is in use by "},
        {{"zentara-berserker-solver"}, "zentara-berserker-solver: this directory is in use by "},
        {{"zentara-board-check", "--best", "missing"}, "zentara-board-check: "},
        {{"zentara-board-view", "missing.csv"}, "zentara-board-view: missing.csv: unreadable: "},
        {{"zentara-stat-merge", "out.bin", "missing.bin"}, "zentara-stat-merge: missing.bin: "},
    };
    for (const auto& [args, said] : messages) {
        SCOPED_TRACE(args[0]);
        Started run;
        const bool solver = args[0].ends_with("-solver");
        EXPECT_GT(runToEnd(solver ? held : empty, fs::absolute(args[0]).string(), {args.begin() + 1, args.end()}, run), 0);
        EXPECT_TRUE(readFile(run.err).starts_with(said)) << readFile(run.err);
    }
    releaseDirectory(claim);
    EXPECT_EQ(entries(empty), std::vector<std::string>{});
}

// A dead process's number: a child that has ended and been reaped.
pid_t deadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::string hostName() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return host;
}

// While one solver runs, every other solver started in its directory is refused
// at once with one line naming the holder, exit 1, and changes nothing there: not
// even the temporary files that killed runs left (they may be the holder's own).
// A SIGKILL of the holder frees the directory: the next solver there claims it.
TEST_F(ProgramEntry, OneSolverPerDirectoryAndAKilledHolderFreesIt) {
    const fs::path dir = fs::absolute("work");
    fs::create_directory(dir);
    Started holder;
    start(holder, dir, "score-solver");
    const std::string holderLine = std::to_string(holder.pid) + " on " + hostName() + ": score-solver";
    ASSERT_TRUE(waitUntil([&] { return readClaimHolder(dir.c_str()) == holderLine; })) << readClaimHolder(dir.c_str());
    EXPECT_EQ(readFile(dir / CLAIM_FILE_NAME), holderLine + "\r\n");
    const std::string stale = "." + std::string("Result.csv.") + hostName() + "." + std::to_string(deadPid()) + ".tmp";
    testing::writeFile(dir / stale, "half a board");

    for (const std::string& program : SOLVERS) {
        SCOPED_TRACE(program);
        Started second;
        EXPECT_EQ(runToEnd(dir, program, {}, second), 1);
        EXPECT_EQ(readFile(second.out), "");
        EXPECT_EQ(readFile(second.err), program + ": this directory is in use by " + holderLine + "\n");
    }
    // Only what score-solver writes: Stat.bin, Stat.txt, Result.csv and B%03d-%03d.csv.
    for (const std::string& name : entries(dir)) {
        const bool record = name.starts_with("B") && !name.starts_with("Best") && !name.starts_with("Blocks");
        EXPECT_TRUE(name == stale || name == CLAIM_FILE_NAME || name == SET_RECORD_FILE || name == "Result.csv" || name == "Stat.bin" ||
                    name == "Stat.txt" || record)
            << name << " was written by a refused solver";
    }
    EXPECT_TRUE(fs::exists(dir / stale));
    EXPECT_EQ(readClaimHolder(dir.c_str()), holderLine);

    ::kill(holder.pid, SIGKILL);
    EXPECT_EQ(finish(holder), -1);  // killed, not ended
    EXPECT_TRUE(fs::exists(dir / CLAIM_FILE_NAME));  // left behind, and held by no one
    Started next;
    start(next, dir, "block-solver-6x6");
    const std::string nextLine = std::to_string(next.pid) + " on " + hostName() + ": block-solver-6x6";
    EXPECT_TRUE(waitUntil([&] { return readClaimHolder(dir.c_str()) == nextLine; })) << readFile(next.err);
    // Claimed before it cleans up: the dead run's temporary goes now, not before.
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(dir / stale); }));
    ::kill(next.pid, SIGKILL);
    finish(next);
}

}  // namespace
}  // namespace zentara
