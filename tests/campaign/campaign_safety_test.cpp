// What the campaign script refuses and keeps safe: numbers checked as text, texts
// without controls, nothing read from a campaign directory run, one writer per
// directory and per instance, stops that reach only what is the campaign's.
#include "tests/campaign/campaign_fixture.hpp"

namespace zentara {
namespace {

// Numbers from the command line and the environment are checked as text: bash
// arithmetic on the raw value would run the command in BASH_VERSINFO[$(...)].
TEST_F(CampaignTest, NumbersAreCheckedAsTextNeverEvaluated) {
    const std::string inject = "BASH_VERSINFO[$(touch canary)]";
    const std::string milliseconds = "must be a whole number of milliseconds from 1 to 500, not '";
    const std::vector<std::pair<std::string, std::string>> cases{
        {standin() + " 0 named", "N must be a number of instances from 1 to 9999, not '0'"},
        {standin() + " 10000 named", "N must be a number of instances from 1 to 9999, not '10000'"},
        {standin() + " " + quoted(inject) + " named", "N must be a number of instances from 1 to 9999, not '" + inject + "'"},
        {"--stagger 0 " + standin() + " 1 named", "--stagger " + milliseconds + "0'"},
        {"--stagger 1000 " + standin() + " 1 named", "--stagger " + milliseconds + "1000'"},
        {"--stagger " + quoted(inject) + " " + standin() + " 1 named", "--stagger " + milliseconds + inject + "'"},
        {"--jobs " + quoted(inject) + " " + standin() + " 1 named",
         "--jobs takes a number of instances per machine, not '" + inject + "'"},
    };
    expectStartsRefused(cases);

    // A Slurm task takes its stagger from the environment: 0 divided by zero, 1000
    // or more waited for ever; it says why in DIR/slurm.txt and starts nothing.
    std::string said;
    for (const std::string value : {"0", "1000", "07", inject.c_str()}) {
        SCOPED_TRACE(value);
        setenv("ZENTARA_STAGGER_MS", value.c_str(), 1);
        EXPECT_EQ(slurmTask(1, standin(), "slurmed"), 2);
        said += "campaign: instance 1 of " + fs::canonical("slurmed").string() + ": ZENTARA_STAGGER_MS: " +
                milliseconds + value + "'\n";
    }
    EXPECT_EQ(readFile("slurmed/slurm.txt"), said);
    EXPECT_FALSE(fs::exists("slurmed/instance-001"));
    EXPECT_EQ(canaries(), std::vector<std::string>{});
}

// Every text written into campaign.txt or a pid file is one line without controls:
// a file name holding a line break would add its own "slurm job:" line (and stop
// would cancel that job's tasks) or "tasks:" line. Refused in one line, nothing made.
TEST_F(CampaignTest, TextsWrittenIntoCampaignFilesHoldNoControlCharacters) {
    const Board16 cells = plantedBoard({243, 244, 245, 246, 247, 248, 249, 250, 251, 29, 44, 46, 61, 210});
    fs::create_directory("d\ntasks: 1-9999");
    for (const char* name : {"seed\nslurm job: 4242", "d\ntasks: 1-9999/seed.csv", "linked.csv"})
        ASSERT_TRUE(writeBoardFile(name, cells.data(), LAYOUT_16X16));
    fs::remove("linked.csv");
    fs::create_symlink(fs::absolute("d\ntasks: 1-9999/seed.csv"), "linked.csv");
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/shift-solver");
    fs::copy_file(standin(), "bin/x\nslurm job: 4242");
    const std::string shift = fs::absolute("bin/shift-solver").string(), here = dir().string();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"--board " + quoted("seed\nslurm job: 4242") + " " + shift + " 1 named",
         "--board: the file's name holds control characters: seed?slurm job: 4242"},
        {"--board " + quoted("d\ntasks: 1-9999/seed.csv") + " " + shift + " 1 named",
         "--board: the file's name holds control characters: d?tasks: 1-9999/seed.csv"},
        {"--board linked.csv " + shift + " 1 named",
         "--board: the file's name holds control characters: " + here + "/d?tasks: 1-9999/seed.csv"},
        {quoted("bin/x\nslurm job: 4242") + " 1 named",
         "the program's path holds control characters: " + here + "/bin/x?slurm job: 4242"},
        {shift + " 1 " + quoted("named\ninstances: 9"), "DIR holds control characters: named?instances: 9"},
    };
    expectStartsRefused(cases);
    // A Slurm task, and an instance whose sshlogin (from GNU parallel's
    // environment) would break its pid file's line.
    EXPECT_EQ(slurmTask(1, "bin/x\nslurm job: 4242", "slurmed"), 2);
    EXPECT_FALSE(fs::exists("slurmed/campaign.txt"));
    EXPECT_TRUE(readFile("slurmed/slurm.txt").ends_with("the program's path holds control characters: bin/x?slurm job: 4242\n"))
        << readFile("slurmed/slurm.txt");
    fs::create_directory("camp");
    writeFile("camp/campaign.txt", "program: " + standin() + "\n");
    setenv("PARALLEL_SSHLOGIN", "node1\n4242 node1 :", 1);
    const int raw = std::system((quoted(sourcePath("tools/campaign").string()) + " _instance " +
                                 quoted(fs::absolute("camp").string()) + " 1 " + quoted(standin()) +
                                 " parallel 200 > camp.out 2> camp.err")
                                    .c_str());
    unsetenv("PARALLEL_SSHLOGIN");
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_EQ(readFile("camp.err"), "campaign: instance 1 of " + fs::absolute("camp").string() +
                                        ": GNU parallel's sshlogin holds control characters: node1?4242 node1 :\n");
    EXPECT_FALSE(fs::exists("camp/instance-001"));
}

// A campaign directory may come from anybody: a pid file names a route, never a
// program or an ssh option nobody chose, and one that would is reported as
// unreadable, never run. ssh is the one on PATH (here a stand-in that records
// its command line), with the tool's own options first. Nor does GNU parallel
// read its replacement strings in DIR.
TEST_F(CampaignTest, NothingReadFromACampaignDirectoryOrItsNameIsRun) {
    fs::create_directories("crafted/bin");
    writeFile("crafted/bin/ssh", "#!/bin/sh\ntouch " + (dir() / "canary-folder-ssh").string() + "\n");
    fs::create_directory("bin");
    writeFile("bin/ssh", "#!/bin/sh\necho \"$*\" >> " + (dir() / "ssh-calls.txt").string() + "\nexit 255\n");
    ASSERT_EQ(std::system("chmod +x crafted/bin/ssh bin/ssh"), 0);
    const std::vector<std::string> pidFiles{
        "12345 elsewhere sh -c 'touch canary1' node1",                     // not ssh
        "12345 nohost ssh -o 'ProxyCommand=touch %h.proxied' nohost",      // ssh, running a command
        "12345 elsewhere ssh -p 22 $(touch canary2) node1",                // a shell would expand it
        "12345 -oProxyCommand=touch\\ canary3 :",                          // a host that is an ssh option
        "12345 elsewhere ssh node1;touch canary4",                         // a shell would run it
        "12345 elsewhere " + fs::absolute("crafted/bin/ssh").string() + " node1",  // a program of the folder's
        "12345 elsewhere ssh -A node1",                                    // the user's agent forwarded
        "12345 elsewhere ssh -o StrictHostKeyChecking=no node1",           // known_hosts written
        "12345 elsewhere ssh -o ConnectTimeout=100000 node1",              // status waits for ever
        "12345 elsewhere ssh -p 2222 alice@node1",                         // harmless: tried, no answer
    };
    fs::create_directory("crafted");
    writeFile("crafted/campaign.txt", "program: /bin/true\ninstances: 10\n");
    std::string unreadable;
    for (std::size_t k = 1; k <= pidFiles.size(); ++k) {
        const fs::path instance = "crafted/instance-0" + std::string(k < 10 ? "0" : "") + std::to_string(k);
        fs::create_directories(instance);
        writeFile(instance / "instance.pid", pidFiles[k - 1] + "\n");
        if (k < pidFiles.size()) unreadable += " " + instance.filename().string();
    }
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fs::absolute("bin").string() + ":" + path).c_str(), 1);
    Result r = campaign("status crafted");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> shown = lines(r.out);
    ASSERT_EQ(shown.size(), 12u) << r.out;
    EXPECT_EQ(shown[0], "campaign crafted: true, 10 instances, 0 running");
    for (std::size_t k = 1; k < 10; ++k) EXPECT_TRUE(shown[k].starts_with("instance-00" + std::to_string(k) + "  unreadable "));
    EXPECT_TRUE(shown[10].starts_with("instance-010  unreachable ")) << shown[10];
    const std::string calls = readFile("ssh-calls.txt");
    EXPECT_TRUE(calls.starts_with("-o BatchMode=yes -o ConnectTimeout=10 -p 2222 -l alice -- node1 [ ")) << calls;
    EXPECT_EQ(lines(calls).size(), 1u) << calls;
    // parallel.pid naming a process that merely works there (a shell, say): not signalled.
    ASSERT_EQ(std::system("cd crafted && { sleep 60 & echo $! > parallel.pid; }"), 0);
    const int bystander = std::stoi(readFile("crafted/parallel.pid"));
    r = campaign("stop crafted");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(::kill(bystander, 0), 0) << "stop signalled a process parallel.pid named";
    ::kill(bystander, SIGKILL);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 0 instances; no answer from their machines, not signalled: instance-010; "
                     "cannot signal, their instance.pid was not written by this tool:" + unreadable + "\n");
    fs::remove("crafted/instance-010/instance.pid");
    r = campaign("start " + standin() + " 1 crafted");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + fs::canonical("crafted/instance-001").string() +
                         "/instance.pid was not written by this tool; remove it once no program runs there\n");
    // An sshlogin file is read the same way before anything starts.
    writeFile("bad-nodes.txt", "# two machines\n2/alice@node1\n4/ssh node2;touch canary6\n");
    r = campaign("start --sshloginfile bad-nodes.txt " + standin() + " 1 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + fs::canonical("bad-nodes.txt").string() +
                         ", line 3: not an sshlogin ([N/][ssh [OPTIONS] ][USER@]HOST[:PORT], nothing a shell would "
                         "expand): 4/ssh node2;touch canary6\n");
    EXPECT_FALSE(fs::exists("named"));
    EXPECT_EQ(canaries(), std::vector<std::string>{});

    // The same quoted option from the user's own sshlogin file reaches ssh as one
    // word, in status as for GNU parallel: its proxy command runs (and fails).
    if (std::system("command -v ssh > /dev/null 2>&1") == 0) {
        writeFile("nodes.txt", "1/ssh -o 'ProxyCommand=touch %h.proxied' nohost\n1/ssh -p 1 127.0.0.1\n");
        fs::permissions("nodes.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        fs::create_directories("trusted/instance-001");
        writeFile("trusted/campaign.txt", "program: /bin/true\nsshloginfile: " + fs::absolute("nodes.txt").string() + "\n");
        writeFile("trusted/instance-001/instance.pid", pidFiles[1] + "\n");
        r = campaign("status trusted");
        EXPECT_TRUE(lines(r.out).at(1).starts_with("instance-001  unreachable ")) << r.out;
        EXPECT_TRUE(fs::exists("nohost.proxied"));
    }

    const std::string odd = "x{= system('touch canary5') =}";
    r = campaign("start " + standin() + " 1 " + quoted(odd));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(waitForStatus(fs::path(odd) / "instance-001", "stand-in instance-001 running"));
    EXPECT_EQ(campaign("stop " + quoted(odd)).out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    EXPECT_EQ(readFile(fs::path(odd) / "instance-001/stopped.txt"), "stopped on request\n");
    std::vector<std::string> made = canaries();
    std::erase(made, (dir() / "nohost.proxied").string());
    EXPECT_EQ(made, std::vector<std::string>{});

    // A stop put there as a FIFO nobody writes is a stop, seen at once: the
    // instance does not start, and nothing waits on the FIFO.
    fs::create_directory("fifo");
    writeFile("fifo/campaign.txt", "program: " + standin() + "\nslurm job: 4242\n");
    ASSERT_EQ(::mkfifo("fifo/stop.requested", 0600), 0);
    const int raw = std::system(("timeout 60 " + quoted(sourcePath("tools/campaign").string()) + " _instance " +
                                 quoted(fs::absolute("fifo").string()) + " 1 " + quoted(standin()) + " parallel 200")
                                    .c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_FALSE(fs::exists("fifo/instance-001"));
    // Nor does stop write into it.
    r = campaign("stop fifo");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("campaign: cannot write " + fs::canonical("fifo").string() +
                                  "/stop.requested (not a regular file)\n"))
        << r.err;
}

// One campaign at a time in a directory, and no instance where another program
// already works: neither a second start at the same moment nor a Slurm task.
TEST_F(CampaignTest, ADirectoryIsClaimedByOneCampaignAndAHeldInstanceIsNotStarted) {
    const std::string start = sourcePath("tools/campaign").string() + " start " + standin() + " 1 camp";
    ASSERT_EQ(std::system(("(" + start + " > a.out 2> a.err; echo $? > a.rc) & (" + start +
                           " > b.out 2> b.err; echo $? > b.rc) & wait")
                              .c_str()),
              0);
    const fs::path dir = fs::canonical("camp");
    const bool aWon = readFile("a.rc") == "0\n";
    EXPECT_EQ(readFile(aWon ? "b.rc" : "a.rc"), "1\n");
    EXPECT_EQ(readFile(aWon ? "a.out" : "b.out"), "campaign: started 1 of 1 instance of campaign-standin in " +
                                                      dir.string() + "\n");
    const std::string refused = readFile(aWon ? "b.err" : "a.err");
    EXPECT_TRUE(std::regex_match(refused, std::regex("campaign: " + dir.string() +
                                                     " is in use by [0-9]+ on [^ ]+: campaign; nothing started\n")))
        << refused;
    EXPECT_EQ(campaign("stop camp").status, 0);
    // Stop returns once GNU parallel has ended and let go of the directory.
    const int lock = ::open("camp/.zentara.lock", O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    ::close(lock);

    // A solver working in DIR itself ends just as start opened its lock file: it
    // removes the file, still locked, and start's lock then takes a file no longer
    // there. Start must claim the new one, or the next claimant would get in too.
    // (flock on PATH first: the holder ends between start's open and its lock.)
    fs::create_directories("race/camp");
    fs::create_directory("bin");
    ASSERT_EQ(std::system("command -v flock | tr -d '\\n' > flock.path"), 0);
    writeFile("bin/flock", "#!/bin/bash\n"
                           "if [[ $* == '-n 9' && -e race/holder.pid ]]; then\n"
                           "    pid=$(<race/holder.pid) && rm race/holder.pid race/camp/.zentara.lock && kill $pid\n"
                           "    while kill -0 $pid 2>/dev/null; do sleep 0.05; done\n"
                           "fi\n"
                           "exec " + readFile("flock.path") + " \"$@\"\n");
    ASSERT_EQ(std::system("chmod +x bin/flock && (bash -c 'exec 8>>race/camp/.zentara.lock && flock 8 && exec sleep 60' "
                          "</dev/null >/dev/null 2>&1 & echo $! > race/holder.pid)"),
              0);
    ASSERT_TRUE(waitUntil([] {
        const int fd = ::open("race/camp/.zentara.lock", O_RDONLY | O_CLOEXEC);
        const bool held = fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) != 0;
        if (fd >= 0) ::close(fd);
        return held;
    }));
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fs::absolute("bin").string() + ":" + path).c_str(), 1);
    Result r = campaign("start " + standin() + " 1 race/camp");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(r.status, 0) << r.err;
    if (fs::exists("race/holder.pid")) {
        ADD_FAILURE() << "the holder did not end between start's open and its lock";
        kill(std::stoi(readFile("race/holder.pid")), SIGKILL);
    }
    const int raced = ::open("race/camp/.zentara.lock", O_RDONLY | O_CLOEXEC);
    EXPECT_NE(::flock(raced, LOCK_EX | LOCK_NB), 0) << "the campaign holds no lock on the file at the path";
    ::close(raced);
    EXPECT_EQ(readFile("race/camp/.zentara.lock"), heldBy(fs::canonical("race/camp")));
    EXPECT_EQ(campaign("stop race/camp").status, 0);

    // A claim is never written through a link, which could point anywhere.
    fs::create_directory("linked");
    writeFile("victim.txt", "not a lock\n");
    fs::create_symlink(fs::absolute("victim.txt"), "linked/.zentara.lock");
    r = campaign("start " + standin() + " 1 linked");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + fs::canonical("linked").string() + "/.zentara.lock is a symbolic link; nothing started\n");
    EXPECT_EQ(readFile("victim.txt"), "not a lock\n");

    // Another program holds instance-002's directory (and names itself there).
    fs::create_directories("held/instance-002");
    writeFile("held/instance-002/.zentara.lock", "4242 on node1: score-solver\r\n");
    const int held = ::open("held/instance-002/.zentara.lock", O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const std::string refusal =
        "campaign: " + fs::canonical("held").string() + "/instance-002 is in use by 4242 on node1: score-solver; not started\n";
    r = campaign("start " + standin() + " 2 held");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: started 1 of 2 instances of campaign-standin in " + fs::canonical("held").string() + "\n");
    EXPECT_EQ(r.err, "campaign: instance-002 did not start, exit 1 (see " + fs::canonical("held").string() +
                         "/parallel.txt)\n");
    EXPECT_EQ(readFile("held/parallel.txt"), refusal);
    EXPECT_EQ(campaign("stop held").out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    // A Slurm task says so where Slurm tasks say what they have to.
    fs::remove("held/stop.requested");
    EXPECT_EQ(slurmTask(2, standin(), "held"), 1);
    EXPECT_EQ(readFile("held/slurm.txt"), refusal);
    EXPECT_FALSE(fs::exists("held/instance-002/start.txt"));  // the program never ran there
    EXPECT_FALSE(fs::exists("held/instance-002/console.txt"));
    ::close(held);
}

// The Slurm job campaign.txt names is cancelled only when Slurm says its script
// was given this DIR, and only that job's tasks are signalled through Slurm: a
// crafted campaign.txt or pid file never reaches another job of the user's.
// (scontrol, scancel, squeue and ssh are stand-ins on PATH.)
TEST_F(CampaignTest, StopCancelsOnlyTheSlurmJobGivenThisDirectory) {
    fs::create_directory("bin");
    writeFile("bin/scontrol", "#!/bin/sh\ncat " + (dir() / "scontrol.txt").string() + "\n");
    writeFile("bin/scancel", "#!/bin/sh\necho \"$*\" >> " + (dir() / "scancel-calls.txt").string() + "\n");
    writeFile("bin/squeue", "#!/bin/sh\necho 'slurm_load_jobs error: Invalid job id specified' >&2\nexit 1\n");
    writeFile("bin/ssh", "#!/bin/sh\nexit 255\n");
    ASSERT_EQ(std::system("chmod +x bin/*"), 0);
    fs::create_directories("my camp/instance-001");
    fs::create_directory("other");
    writeFile("my camp/campaign.txt", "program: /bin/true\nslurm job: 4242\n");
    const std::string camp = fs::canonical("my camp").string(), here = dir().string();
    struct Case {
        std::string command, workDir;
        std::string err, calls;
    };
    const std::vector<Case> cases{
        {"/x/campaign.slurm score-solver " + here + "/other", here,
         "campaign: Slurm job 4242 was not given " + camp + "; not cancelled\n", ""},
        {"/x/campaign.slurm score-solver other", here, "campaign: Slurm job 4242 was not given " + camp + "; not cancelled\n", ""},
        {"/x/campaign.slurm score-solver " + camp, "/", "", "--state=PENDING 4242\n"},
        {"/x/campaign.slurm score-solver my camp", here, "", "--state=PENDING 4242\n"},
    };
    const std::string path = std::getenv("PATH");
    setenv("PATH", (fs::absolute("bin").string() + ":" + path).c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        writeFile("scontrol.txt", "JobId=4242 ArrayJobId=4242 ArrayTaskId=1 JobName=zentara\n   Command=" + c.command +
                                      "\n   WorkDir=" + c.workDir + "\n");
        fs::remove("scancel-calls.txt");
        // A task of another job on another node, as a crafted pid file would name it.
        writeFile("my camp/instance-001/instance.pid", "12345 othernode slurm 999_1\n");
        const Result r = campaign("stop " + quoted("my camp"));
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(readFile("scancel-calls.txt"), c.calls);
    }
    setenv("PATH", path.c_str(), 1);
}

// Stop ends GNU parallel's queue at once: of three instances with one slot, the
// two queued ones never start (their directories, made by start, stay empty).
TEST_F(CampaignTest, StopEndsTheQueueAtOnce) {
    Result r = campaign("start --jobs 1 " + standin() + " 3 queued");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(waitForStatus("queued/instance-001", "stand-in instance-001 running"));
    r = campaign("stop queued");
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile("queued/instance-001/stopped.txt"), "stopped on request\n");
    EXPECT_EQ(lines(readFile("queued/joblog.txt")).size(), 2u) << readFile("queued/joblog.txt");
    EXPECT_TRUE(fs::is_empty("queued/instance-002"));
    EXPECT_TRUE(fs::is_empty("queued/instance-003"));
}

// A DIR beginning with "-" works with every command after "--", and as ./-DIR.
TEST_F(CampaignTest, ADirBeginningWithADashWorksAfterDoubleDashAndAsDotSlash) {
    for (const std::string form : {"--", "./"}) {
        SCOPED_TRACE(form);
        const std::string name = form == "--" ? "-- -camp" : "./-camp", page = form == "--" ? "-page.html" : "./-page.html";
        Result r = campaign("start " + (form == "--" ? "-- " + standin() + " 1 -camp" : standin() + " 1 ./-camp"));
        EXPECT_EQ(r.out, "campaign: started 1 of 1 instance of campaign-standin in " + fs::canonical("-camp").string() + "\n");
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(waitForStatus("-camp/instance-001", "stand-in instance-001 running"));
        r = campaign("status " + name);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(lines(r.out).at(0), "campaign " + std::string(form == "--" ? "-camp" : "./-camp") +
                                          ": campaign-standin, 1 instance, 1 running");
        r = campaign("report " + name + " " + page);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.out.starts_with("campaign-report: wrote " + page + " (1 instance")) << r.out;
        EXPECT_TRUE(fs::exists("-page.html"));
        r = campaign("stop " + name);
        EXPECT_EQ(r.out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
        EXPECT_EQ(r.status, 0) << r.err;
        fs::remove("-page.html");
    }
}

// One writer per instance directory: of two wrappers started at once for the same
// instance (a resubmitted job, a slow file system), with a program that takes a
// second to claim its directory, the second is refused before it writes anything,
// and the instance stays the first one's, found by status and stopped by stop.
TEST_F(CampaignTest, TwoWrappersForOneInstanceLeaveOneWriter) {
    fs::create_directories("camp/.seeds");
    writeFile("camp/campaign.txt", "program: " + standin() + "\ninstances: 1\n");
    setenv("STANDIN_CLAIM_MS", "1000", 1);
    const std::string wrapper = quoted(sourcePath("tools/campaign").string()) + " _instance " +
                                quoted(fs::absolute("camp").string()) + " 1 " + quoted(standin()) + " parallel 200";
    ASSERT_EQ(std::system(("(" + wrapper + " > a.out 2> a.err; echo $? > a.rc) & (" + wrapper +
                           " > b.out 2> b.err; echo $? > b.rc) &")
                              .c_str()),
              0);
    unsetenv("STANDIN_CLAIM_MS");
    ASSERT_TRUE(waitUntil([] { return fs::exists("a.rc") || fs::exists("b.rc"); }));
    const bool aLost = fs::exists("a.rc");
    const fs::path instance = fs::canonical("camp/instance-001");
    EXPECT_EQ(readFile(aLost ? "a.rc" : "b.rc"), "1\n");
    const std::string refused = readFile(aLost ? "a.err" : "b.err");
    EXPECT_TRUE(std::regex_match(refused, std::regex("campaign: " + instance.string() +
                                                     " is in use by [0-9]+ on [^ ]+: campaign instance; not started\n")))
        << refused;
    ASSERT_TRUE(waitForStatus(instance, "stand-in instance-001 running"));
    // The program took the wrapper's claim over and names itself in it.
    std::istringstream pidFile(readFile(instance / "instance.pid"));
    int pid = 0;
    pidFile >> pid;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(readFile(instance / ".zentara.lock"), std::to_string(pid) + " on " + host + ": campaign-standin\r\n");
    EXPECT_TRUE(lines(campaign("status camp").out).at(1).starts_with("instance-001  running ")) << campaign("status camp").out;
    const Result r = campaign("stop camp");
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 1 instance; all stopped\n");
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(waitFor(aLost ? "b.rc" : "a.rc"));
    EXPECT_EQ(readFile(aLost ? "b.rc" : "a.rc"), "0\n");
    EXPECT_EQ(readFile(instance / "stopped.txt"), "stopped on request\n");
    EXPECT_EQ(readFile(instance / "exit.txt"), "0\n");
    EXPECT_EQ(readFile(instance / "console.txt").find("in use"), std::string::npos) << readFile(instance / "console.txt");
    EXPECT_FALSE(fs::exists(instance / "instance.pid"));
    EXPECT_FALSE(fs::exists(instance / ".zentara.lock"));  // let go, and the file with it
}

// On a full disk (a small tmpfs in a private mount namespace, gone when the shell
// ends) start refuses before it starts anything, and an instance whose pid file
// cannot be written stops its program again: nothing runs that stop cannot find.
TEST_F(CampaignTest, OnAFullDiskNothingRunsUnrecorded) {
    fs::create_directory("disk");
    const std::string campaignTool = quoted(sourcePath("tools/campaign").string());
    const std::string script =
        "mount -t tmpfs -o size=1m zentara-full-disk disk 2>/dev/null || exit 77\n"
        "mkdir -p disk/camp/instance-001 disk/camp/.seeds disk/other && cat /dev/zero > disk/fill 2>/dev/null\n"
        "[ -s disk/fill ] || exit 78\n" +
        campaignTool + " start " + standin() + " 1 disk/other > start.out 2> start.err; echo $? > start.rc\n" +
        campaignTool + " _instance \"$PWD/disk/camp\" 1 " + standin() +
        " 'slurm 7_1' 200 > instance.out 2> instance.err; echo $? > instance.rc\n"
        "for p in /proc/[0-9]*; do readlink $p/cwd; done 2>/dev/null | grep -c -F \"$PWD/disk/\" > running.txt\n"
        "ls -A disk/camp/instance-001 > listing.txt\n";
    writeFile("full-disk.sh", script);
    if (testing::runWithPrivateMounts("full-disk.sh") != 0) {
        testing::sayNotRunWithoutTmpfs("full-disk campaign case");
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string other = (dir() / "disk/other").string(), camp = (dir() / "disk/camp").string();
    EXPECT_EQ(readFile("start.rc"), "1\n");
    EXPECT_EQ(readFile("start.out"), "");
    EXPECT_EQ(readFile("start.err"),
              "campaign: cannot write " + other + "/.zentara.lock: No space left on device; nothing started\n");
    EXPECT_EQ(readFile("instance.rc"), "1\n");
    EXPECT_TRUE(readFile("instance.err")
                    .ends_with("campaign: cannot record " + camp +
                               "/instance-001/instance.pid (No space left on device); its program was stopped again\n"))
        << readFile("instance.err");
    EXPECT_EQ(readFile("running.txt"), "0\n");
    EXPECT_EQ(readFile("listing.txt").find("instance.pid"), std::string::npos) << readFile("listing.txt");
}

}  // namespace
}  // namespace zentara
