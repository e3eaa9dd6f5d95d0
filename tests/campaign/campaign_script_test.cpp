// What the campaign script asks campaign-report: each answer from what it reads
// (job logs, exit.txt, board-check's and Slurm's output, lock files), checked
// against exact texts, and nothing read ever blocks or reaches a terminal raw.
#include "campaign/campaign_script.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <sstream>

#include "core/version.hpp"

#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

class CampaignScriptTest : public testing::TempDirTest {};

TEST_F(CampaignScriptTest, TextsAndNumbersAreCheckedAsText) {
    struct Shown {
        std::string text, shown;
    };
    for (const Shown& c : std::vector<Shown>{
             {"plain name", "plain name"},
             {"x\xc2\x9b" "2J\x1b[1m\xc3\xa9", "x?2J?[1m\xc3\xa9"},  // C1 CSI as one '?', é kept
             {std::string("a\0b\r\n\x7f", 6), "a?b???"},
             {"\xc2\xa0\xc2", "\xc2\xa0\xc2"},  // a no-break space and a lone lead byte are no controls
         })
        EXPECT_EQ(shownText(c.text), c.shown) << c.text;

    struct Refusal {
        InstanceCall call;
        std::string refusal;
    };
    const InstanceCall ok{"7", "parallel", "200", ":", "node1", ""};
    const auto with = [&](auto change) {
        InstanceCall c = ok;
        change(c);
        return c;
    };
    for (const Refusal& c : std::vector<Refusal>{
             {ok, ""},
             {with([](InstanceCall& c) { c.k = "0"; c.route = "slurm 42_0"; c.progressSeconds = "86400"; }), ""},
             {with([](InstanceCall& c) { c.k = "07"; }), "instance number must be 0 to 9999999, not '07'"},
             {with([](InstanceCall& c) { c.k = "$((1+1))"; }), "instance number must be 0 to 9999999, not '$((1+1))'"},
             {with([](InstanceCall& c) { c.route = "slurm 42"; }), "unknown route 'slurm 42'"},
             {with([](InstanceCall& c) { c.sshlogin = "ssh a\nb"; }), "GNU parallel's sshlogin holds control characters: ssh a?b"},
             {with([](InstanceCall& c) { c.route = "slurm 1_1"; c.sshlogin = "a\nb"; }), ""},  // not GNU parallel's
             {with([](InstanceCall& c) { c.host = "node\x1b[2J"; }), "this machine's name holds control characters: node?[2J"},
             {with([](InstanceCall& c) { c.stagger = "501"; }),
              "ZENTARA_STAGGER_MS: must be a whole number of milliseconds from 1 to 500, not '501'"},
             {with([](InstanceCall& c) { c.progressSeconds = "86401"; }),
              "ZENTARA_PROGRESS_SECONDS must be a whole number of seconds from 1 to 86400"},
             // The last problem found is the one named.
             {with([](InstanceCall& c) { c.k = "x"; c.stagger = "0"; }),
              "ZENTARA_STAGGER_MS: must be a whole number of milliseconds from 1 to 500, not '0'"},
         }) {
        SCOPED_TRACE(c.refusal);
        EXPECT_EQ(instanceRefusal(c.call), c.refusal);
    }

    struct DirArgs {
        std::string command;
        std::size_t most;
        std::vector<std::string_view> args;
        std::string problem;
    };
    for (const DirArgs& c : std::vector<DirArgs>{
             {"status", 1, {"camp"}, ""},
             {"status", 1, {"--", "-camp"}, ""},
             {"report", 2, {"camp", "--", "-page.html"}, ""},
             {"status", 1, {"--all", "camp"}, "status: unknown option '--all'"},
             {"report", 2, {"-o\x1b", "camp"}, "report: unknown option '-o?'"},
             {"status", 1, {"--"}, "status: DIR is needed"},
             {"status", 1, {"a", "b\n"}, "status: too many names: a b?"},
             {"report", 2, {"a", "--", "--", "c"}, "report: too many names: a -- c"},
         }) {
        SCOPED_TRACE(c.problem);
        EXPECT_EQ(dirArgsProblem(c.command, c.most, c.args), c.problem);
    }
}

TEST_F(CampaignScriptTest, ProgramsAreFoundBesideTheCampaignOrByPath) {
    fs::create_directory("bin");
    writeFile("bin/score-solver", "#!/bin/sh\n");
    writeFile("bin/notes.txt", "");
    fs::permissions("bin/score-solver", fs::perms::owner_all);
    fs::create_directory("bin/shift-solver");
    const std::string bin = fs::canonical("bin").string();
    struct Case {
        std::string name;
        bool found;
        std::string answer;
    };
    for (const Case& c : std::vector<Case>{
             {"score-solver", true, bin + "/score-solver"},
             {"zentara-score-solver", true, bin + "/score-solver"},
             {"./bin/../bin/score-solver", true, bin + "/score-solver"},
             {bin + "/score-solver", true, bin + "/score-solver"},
             {"notes.txt", false, "no program notes.txt in " + bin + " (build the suite first, or give a path)"},
             {"shift-solver", false, "no program shift-solver in " + bin + " (build the suite first, or give a path)"},
             {"bin/notes.txt", false, "bin/notes.txt is not an executable program"},
             {"bin/gone\x1b]0;x", false, "bin/gone?]0;x is not an executable program"},
         }) {
        SCOPED_TRACE(c.name);
        std::string answer;
        EXPECT_EQ(resolveProgram(c.name, bin, answer), c.found);
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(CampaignScriptTest, StartCountsTheInstancesFromTheirFilesAndTheJobLog) {
    fs::create_directory("camp");
    for (int k = 1; k <= 7; ++k) fs::create_directory("camp/" + instanceName(k));
    writeFile("camp/joblog.txt",
              "Seq\tHost\tStarttime\tJobRuntime\tSend\tReceive\tExitval\tSignal\tCommand\n"
              "2\t:\t0\t0\t0\t0\t255\t0\tx\n"
              "3\t:\t0\t0\t0\t0\t1\t0\tx\n"
              "004\t:\t0\t0\t0\t0\t9\t0\tx\n"  // no instance's sequence number
              "5\t:\t0\t0\t0\t0\t\x1b[31m7\t0\tx\n"
              "6\t:\t0\t0\t0\t0\t\t0\tx\n");  // no exit value: not ended
    writeFile("camp/instance-001/instance.pid", "1 here :\n");
    writeFile("camp/instance-003/exit.txt", "0\n");             // ended well, whatever the log says
    writeFile("camp/instance-004/exit.txt", "1\x1b[2J\r\n\n");  // shown, never obeyed
    ASSERT_EQ(::mkfifo("camp/instance-007/exit.txt", 0600), 0);  // read without waiting
    const StartCount count = countStarted("camp", 7);
    EXPECT_EQ(count.started, 4);  // 001 runs, 003, 004 and 007 have ended
    EXPECT_EQ(count.failed,
              "instance-002 did not start, exit 255 (see camp/parallel.txt)\n"
              "instance-004 ended with exit 1?[2J? (see its console.txt)\n"
              "instance-005 did not start, exit ?[31m7 (see camp/parallel.txt)\n"
              "instance-007 ended with exit ? (see its console.txt)\n");
    EXPECT_EQ(countStarted("nowhere", 3).started, 0);
}

TEST_F(CampaignScriptTest, SeedBoardsAreJudgedFromBoardChecksReport) {
    const std::string good = "board: b.csv (16 x 16)\npieces placed: 242 of 256\nmismatched seams: 0\n";
    const std::string resumeNone = "cells shift-solver refuses on resuming: 0\n";
    const std::string resumeSome = "cells shift-solver refuses on resuming: 3\n  [13,2] piece 9\n";
    struct Case {
        int exit;
        std::string report, resume;
        bool builtIn, ok;
        std::string name, message;
    };
    for (const Case& c : std::vector<Case>{
             {0, good, resumeNone, true, true, "Best242.csv", "shift-solver takes all 242 pieces of b?.csv"},
             {0, good, resumeSome, true, true, "Best242.csv",
              "shift-solver will refuse 3 of the 242 pieces of b?.csv: besides the hint it fixes piece 181 on row 13, "
              "column 2 and 255 on row 2, column 13, and takes only pieces that fit them"},
             {0, good, resumeSome, false, true, "Best242.csv",
              "shift-solver will refuse 3 of the 242 pieces of b?.csv: besides the hint it fixes the further clue "
              "pieces its piece list declares, and takes only pieces that fit them"},
             {2, "board-check: cannot read b.csv: No such file or directory\nmore\n", "", true, false, "",
              "board-check: cannot read b.csv: No such file or directory"},
             {1, "board: b.csv (16 x 16)\npieces placed: 240 of 256\nmismatched seams: 2\nframe violations: 0\n"
                 "pieces used twice: 1\npiece numbers out of range: 0\n",
              "", true, false, "", "b?.csv: inconsistent board (board-check: 2 mismatched seams, 1 pieces used twice); not a seed board"},
             {1, "board: b.csv (16 x 16)\n", "", true, false, "", "b?.csv: inconsistent board (board-check: see its report); not a seed board"},
             {0, "board: b.csv (6 x 12)\npieces placed: 60 of 72\n", resumeNone, true, false, "",
              "b?.csv: not a 16 x 16 board; shift-solver and berserker-solver resume only 16 x 16 boards"},
             {0, "board: b.csv (16 x 16)\n", resumeNone, true, false, "", "b?.csv: board-check gave no count of pieces placed"},
             {0, "board: b.csv (16 x 16)\npieces placed: 199 of 256\n", resumeNone, true, false, "",
              "b?.csv: 199 pieces placed; shift-solver and berserker-solver resume only from boards of 200 to 255 "
              "pieces (Best200.csv to Best255.csv)"},
             {0, good, "cells berserker-solver refuses on resuming: 0\n", true, false, "",
              "b?.csv: board-check cannot tell which cells shift-solver refuses"},
             {0, good, resumeNone + resumeNone, true, false, "", "b?.csv: board-check cannot tell which cells shift-solver refuses"},
         }) {
        SCOPED_TRACE(c.message);
        const SeedBoardVerdict v = judgeSeedBoard("b?.csv", "shift-solver", c.exit, c.report, c.resume, c.builtIn);
        EXPECT_EQ(v.ok, c.ok);
        EXPECT_EQ(v.name, c.name);
        EXPECT_EQ(v.message, c.message);
    }
}

TEST_F(CampaignScriptTest, SeedBoardsArePlacedNeverOverAnInstancesOwnBoard) {
    writeFile("seed.csv", "the checked board\n");
    struct Case {
        std::string there;  // instance-002's Best242.csv before; "-" for none
        bool ok;
        std::string problem;
    };
    for (const Case& c : std::vector<Case>{
             {"-", true, ""},
             {"the checked board\n", true, ""},
             {"its own board\n", false, "camp/instance-002/Best242.csv exists and differs from b.csv; not replaced"},
         }) {
        SCOPED_TRACE(c.there);
        fs::remove_all("camp");
        for (int k = 1; k <= 3; ++k) fs::create_directories("camp/" + instanceName(k));
        if (c.there != "-") writeFile("camp/instance-002/Best242.csv", c.there);
        std::string problem;
        EXPECT_EQ(placeSeedBoard("seed.csv", "camp", 3, "Best242.csv", "b.csv", problem), c.ok);
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(fs::exists("camp/seed-board.csv"), c.ok);
        for (int k : {1, 3}) EXPECT_EQ(fs::exists("camp/" + instanceName(k) + "/Best242.csv"), c.ok);
        if (c.ok) {
            EXPECT_EQ(readFile("camp/instance-003/Best242.csv"), "the checked board\n");
        }
    }
}

TEST_F(CampaignScriptTest, SlurmAnswersNameTheJobsDirectoryAndItsWaitingTasks) {
    fs::create_directories("runs/my camp/instance-002");
    fs::create_directory("other");
    const std::string here = dir().string(), camp = "runs/my camp";
    struct Case {
        std::string scontrol;
        bool given;
    };
    for (const Case& c : std::vector<Case>{
             {"JobId=1\n   Command=/x/campaign.slurm score-solver " + here + "/runs/my camp\n   WorkDir=/\n", true},
             {"JobId=1\n   Command=/x/campaign.slurm score-solver runs/my camp\n   WorkDir=" + here + "\n", true},
             {"JobId=1\n   Command=/x/campaign.slurm score-solver runs/my camp\n", false},  // relative to nothing
             {"JobId=1\n   Command=/x/campaign.slurm score-solver other\n   WorkDir=" + here + "\n", false},
             {"   Command=/x/campaign.slurm a other\n   Command=/x/campaign.slurm a " + here + "/runs/my camp\n", false},
             {"JobId=1\n", false},
         }) {
        SCOPED_TRACE(c.scontrol);
        EXPECT_EQ(slurmJobGivenDir(c.scontrol, camp), c.given);
    }
    EXPECT_EQ(slurmTasksWaiting("1 PENDING\n2 RUNNING\n3 CONFIGURING\n12345678 PENDING\nx PENDING\n4 pending\n"
                                "5 NODE_FAIL\n6 PENDING \x1b[2J\n",
                                camp),
              "instance-001\tpending\ninstance-003\tconfiguring\ninstance-005\tnode_fail\n");
}

TEST_F(CampaignScriptTest, AClaimIsTestedWithoutTakingItAndItsHolderShownHarmlessly) {
    writeFile("held.lock", "4242 on node1: campaign\x1b[2J instance\r\nmore\n");
    writeFile("silent.lock", "");
    writeFile("free.lock", "1 on node1: campaign\r\n");
    ASSERT_EQ(::mkfifo("fifo.lock", 0600), 0);
    fs::create_symlink("free.lock", "link.lock");
    // Held as another process would hold it: through an open file of its own.
    std::vector<int> held;
    for (const char* name : {"held.lock", "silent.lock"}) {
        held.push_back(::open(name, O_RDWR));
        ASSERT_EQ(::flock(held.back(), LOCK_EX | LOCK_NB), 0);
    }
    struct Case {
        std::string lock;
        bool free;
        std::string holder;
    };
    for (const Case& c : std::vector<Case>{
             {"none.lock", true, ""},
             {"free.lock", true, ""},
             {"held.lock", false, "4242 on node1: campaign?[2J instance"},
             {"silent.lock", false, "a process that has not named itself"},
             {"fifo.lock", false, "something that is no lock file (fifo.lock)"},
             {"link.lock", false, "something that is no lock file (link.lock)"},
         }) {
        SCOPED_TRACE(c.lock);
        std::string holder;
        EXPECT_EQ(claimIsFree(c.lock, holder), c.free);
        EXPECT_EQ(holder, c.holder);
    }
    // The test took nothing: whoever claims the free file next gets it.
    const int fd = ::open("free.lock", O_RDWR);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    for (const int f : held) ::close(f);
    ::close(fd);

    // GNU parallel counts as the campaign's while it works in DIR holding DIR's
    // claim on descriptor 9: this process, once it holds it there.
    fs::create_directory("camp");
    writeFile("camp/.zentara.lock", "");
    const std::string camp = fs::canonical("camp").string(), me = std::to_string(::getpid());
    ASSERT_EQ(::fcntl(9, F_GETFD), -1) << "descriptor 9 is in use";
    for (const std::string& pidFile : std::vector<std::string>{"", "x\n", "0\n", me + "\n"}) {
        writeFile("camp/parallel.pid", pidFile);
        EXPECT_EQ(campaignParallel(camp), 0) << pidFile;  // not in DIR, or no claim held
    }
    fs::current_path("camp");
    EXPECT_EQ(campaignParallel(camp), 0);  // in DIR, without its claim
    ASSERT_EQ(::dup2(::open(".zentara.lock", O_RDWR | O_CLOEXEC), 9), 9);
    EXPECT_EQ(campaignParallel(camp), ::getpid());
    fs::remove("parallel.pid");
    ASSERT_EQ(::mkfifo("parallel.pid", 0600), 0);
    EXPECT_EQ(campaignParallel(camp), 0);
    ::close(9);

    // A wrapper removes only the pid file it wrote.
    struct PidFile {
        std::string text;
        bool removed;
    };
    fs::remove("parallel.pid");
    for (const PidFile& c : std::vector<PidFile>{{"12 node1 :\n", true}, {"12 node1 :", true}, {"13 node1 :\n", false},
                                                 {"12 node1 :x\n", false}, {"", false}}) {
        SCOPED_TRACE(c.text);
        writeFile("instance.pid", c.text);
        EXPECT_EQ(removeOwnPidFile("12 node1 :"), c.removed);
        EXPECT_EQ(fs::exists("instance.pid"), !c.removed);
    }
    fs::remove("instance.pid");
    ASSERT_EQ(::mkfifo("instance.pid", 0600), 0);
    EXPECT_FALSE(removeOwnPidFile("12 node1 :"));
}

TEST_F(CampaignScriptTest, SeedWindowsAreClaimedOnceAndAStopEndsTheWait) {
    std::tm when{};
    when.tm_year = 126, when.tm_mon = 11, when.tm_mday = 8, when.tm_hour = 18, when.tm_min = 5, when.tm_sec = 7;
    EXPECT_EQ(windowReservedText(when, 42, "node1", 5 * 2567 + 7 * 137 + 42, 200),
              "2026-12-08 18:05:07.042 on node1; time seeds claimed: a = minute * 2567 + second * 137 + millisecond = "
              "13836 to 14035");
    fs::create_directory(".seeds");
    std::string claimed, problem;
    ASSERT_EQ(reserveSeedWindow(".seeds", 50, "stop.requested", "node1", claimed, problem), 0);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(claimed, m, std::regex(R"(.* on node1; time seeds claimed: a = .* = ([0-9]+) to ([0-9]+))")))
        << claimed;
    const int a = std::stoi(m[1]);
    EXPECT_EQ(std::stoi(m[2]), a + 49);
    // The blocks the window meets are taken: of 50 values each, one or two.
    EXPECT_TRUE(fs::is_directory(".seeds/" + std::to_string(a / 50)));
    EXPECT_EQ(fs::exists(".seeds/" + std::to_string((a + 49) / 50)), true);
    std::size_t blocks = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(".seeds")) ++blocks;
    EXPECT_EQ(blocks, a / 50 == (a + 49) / 50 ? 1u : 2u);

    struct Case {
        std::string stopFile, claims;
        int rc;
        std::string problem;
    };
    writeFile("stop.requested", "");
    writeFile("stop-other-job", "slurm job: 99\n");
    ::setenv("SLURM_ARRAY_JOB_ID", "42", 1);
    for (const Case& c : std::vector<Case>{
             {"stop.requested", ".seeds", 1, ""},
             {"stop-other-job", "no such dir\x1b", 2, "cannot claim seeds in no such dir?: No such file or directory"},
         }) {
        SCOPED_TRACE(c.stopFile);
        problem.clear();
        EXPECT_EQ(reserveSeedWindow(c.claims, 50, c.stopFile, "node1", claimed, problem), c.rc);
        EXPECT_EQ(problem, c.problem);
    }
    ::unsetenv("SLURM_ARRAY_JOB_ID");

    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    writeFile("job-42", "slurm job: 42\n");
    struct Stop {
        std::string file, job;
        bool applies;
    };
    for (const Stop& c : std::vector<Stop>{
             {"none", "42", false},
             {"stop.requested", "", true},
             {"job-42", "42", true},
             {"job-42", "43", false},
             {"job-42", "", false},
             {"fifo", "42", true},  // read without waiting; names no job
         }) {
        SCOPED_TRACE(c.file + " " + c.job);
        EXPECT_EQ(stopRequested(c.file, c.job), c.applies);
    }
}

TEST_F(CampaignScriptTest, ResumingSolversNameTheBoardTheyStartFromAndTheLogIsThinned) {
    fs::create_directories("camp/instance-001");
    fs::current_path("camp/instance-001");
    const std::string board(600, 'b');
    struct Case {
        std::string program;
        std::vector<std::pair<std::string, std::string>> files;
        std::string resumes;
    };
    for (const Case& c : std::vector<Case>{
             {"score-solver", {{"Best240.csv", board}}, ""},
             {"shift-solver", {}, "no board (its fixed pieces only)"},
             {"shift-solver", {{"Best240.csv", board}, {"Best250.csv", "short"}}, "Best240.csv"},
             {"berserker-solver", {{"Best240.csv", board}, {"Best241.csv", board}, {"../seed-board.csv", board}},
              "Best241.csv, the seed board"},
             {"berserker-solver", {{"Best241.csv", board}, {"../seed-board.csv", board + "x"}}, "Best241.csv"},
         }) {
        SCOPED_TRACE(c.resumes);
        std::vector<fs::path> old;
        for (const auto& e : fs::directory_iterator(".")) old.push_back(e.path());
        for (const fs::path& p : old) fs::remove(p);
        fs::remove("../seed-board.csv");
        for (const auto& [name, bytes] : c.files) writeFile(name, bytes);
        EXPECT_EQ(resumesText(c.program, dir().string() + "/camp"), c.resumes);
    }
    fs::current_path(dir());

    std::string log;
    for (int n = 1; n <= 4001; ++n) log += std::to_string(n) + "\n";
    const std::string thinned = thinnedProgress(log);
    EXPECT_EQ(std::count(thinned.begin(), thinned.end(), '\n'), 1501 + 1000);
    EXPECT_TRUE(thinned.starts_with("1\n3\n5\n")) << thinned.substr(0, 20);
    EXPECT_NE(thinned.find("\n2999\n3001\n3002\n3003\n"), std::string::npos);
    EXPECT_TRUE(thinned.ends_with("\n4000\n4001\n"));
    EXPECT_EQ(thinnedProgress("1\n2\n3"), "1\n2\n3\n");
}

// The questions as the script asks them: campaign.txt written whole, never into
// a FIFO; a call the script never makes is a usage error, not an answer.
TEST_F(CampaignScriptTest, TheScriptsQuestionsOnTheCommandLine) {
    ASSERT_EQ(::mkfifo("fifo.txt", 0600), 0);
    struct Case {
        std::vector<const char*> argv;
        int rc;
        std::string out;
    };
    for (const Case& c : std::vector<Case>{
             {{"campaign-report", "--write-fields", "campaign.txt", "program", "/bin/a\nslurm job: 5", "instances", "3"},
              0, ""},
             {{"campaign-report", "--write-fields", "fifo.txt", "program", "x"}, 1, "not a regular file\n"},
             {{"campaign-report", "--write-fields", "campaign.txt", "program"}, 2, ""},
             {{"campaign-report", "--stagger", "0x10"}, 1,
              "must be a whole number of milliseconds from 1 to 500, not '0x10'\n"},
             {{"campaign-report", "--started", "camp", "10000"}, 2, ""},
             {{"campaign-report", "--seed-window", ".seeds", "501", "stop", "host"}, 2, ""},
             {{"campaign-report", "--dir-args", "status", "1", "-x"}, 2, "status: unknown option '-x'\n"},
             {{"campaign-report", "--piece-set"}, 0, std::string(PIECE_SETS) + "\n"},
             {{"campaign-report", "--page"}, -1, ""},
         }) {
        SCOPED_TRACE(c.argv[1]);
        std::ostringstream out, err;
        EXPECT_EQ(answerCampaignScript(static_cast<int>(c.argv.size()), c.argv.data(), out, err), c.rc);
        EXPECT_EQ(out.str(), c.out);
    }
    EXPECT_EQ(readFile("campaign.txt"), "program: /bin/a?slurm job: 5\ninstances: 3\n");
}

}  // namespace
}  // namespace zentara
