// What the campaign script asks campaign-report: everything it reads from files
// and from other programs' output (GNU parallel's job log, exit.txt, board-check's
// report, scontrol and squeue), and what it computes, is parsed, checked and
// worked out here, where unit tests reach it. The script itself only holds the
// claims on descriptor 9 and launches and signals (GNU parallel, sbatch, ssh,
// scancel, kill). Every text given back is free of control characters, shown
// as '?' (shownText), as the script's own messages show them.
#pragma once

#include <ctime>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zentara {

// TEXT with its control characters (C0, DEL and the C1 controls as UTF-8 encodes
// them: a terminal takes U+009B for CSI) each shown as one '?', byte by byte.
std::string shownText(std::string_view text);

// "instance-007": the directory of instance K.
std::string instanceName(long k);

// Why MS is no stagger the seed windows work with (1 to 500 ms), empty when it is one.
std::string staggerProblem(std::string_view ms);

// Why an instance's wrapper must not start (its number K, its ROUTE "parallel" or
// "slurm JOB_TASK", its STAGGER, GNU parallel's sshlogin, this machine's name, the
// progress interval from the environment), empty when it may.
struct InstanceCall {
    std::string_view k, route, stagger, sshlogin, host, progressSeconds;
};
std::string instanceRefusal(const InstanceCall& call);

// The program NAME (beside the campaign in `binDir`; zentara-NAME as on PATH) or
// PATH stands for, as an absolute path; false with the reason when it is no
// executable program.
bool resolveProgram(const std::string& name, const std::string& binDir, std::string& path);

// Why the arguments of status (at most one name) or report (two) are a usage
// error: an option neither knows, or the count of names; empty when they are
// none. A name beginning with "-" comes after "--" (or as ./-NAME).
std::string dirArgsProblem(std::string_view command, std::size_t mostNames, const std::vector<std::string_view>& args);

// ---------------------------------------------------------------- starting

// What start sees of the instances 1..N of DIR: those whose programs run or have
// ended, and a line for each that failed (an exit.txt other than 0, or GNU
// parallel's job log naming a wrapper that ended before its program started).
struct StartCount {
    int started = 0;
    std::string failed;  // one line each, "instance-NNN ...", shown harmlessly
};
StartCount countStarted(const std::string& dir, int count);

// Waits until `expected` of the N instances run or have failed (or `seconds`
// have passed, or GNU parallel, process `parallel`, has ended), then says on
// `out` how many started and on `err` which failed, each line begun with `me`
// (the script's name): 0 when some started and none failed, else 1.
struct StartWatch {
    std::string dir, program, me;
    int count = 0, expected = 0;
    long seconds = 0;
    int parallel = 0;
};
int awaitStart(const StartWatch& watch, std::ostream& out, std::ostream& err);

// The line started.txt begins with for the window [a, a + ms) reserved at `when`.
std::string windowReservedText(const std::tm& when, int ms, const std::string& host, int a, int window);

// The window of time seeds an instance reserves in the directory `blocks` before
// it starts (see seed_window.cpp): 0 when reserved (`reserved` is started.txt's
// first line), 1 when a stop applies meanwhile, 2 when no window can be
// reserved (`problem` says why).
int reserveSeedWindow(const std::string& blocks, int window, const std::string& stopFile, const std::string& host,
                      std::string& reserved, std::string& problem);

// Whether a stop applies to this instance: the stop file is there and names no
// Slurm job, or the job of this task ($SLURM_ARRAY_JOB_ID).
bool stopRequested(const std::string& stopFile, std::string_view thisJob);

// What a resuming solver starts from in the current directory, as started.txt
// says it ("Best240.csv", "no board (its fixed pieces only)", ", the seed board"
// added for a copy of the campaign's); empty for a program that reads no board.
std::string resumesText(std::string_view program, const std::string& campaignDir);

// Removes the current directory's instance.pid when it is the one a wrapper
// wrote (its line is `record`): one naming another process stays.
bool removeOwnPidFile(const std::string& record);

// One line of progress.txt for the current directory, seconds counted from
// `start`; empty while there is nothing to log.
std::string progressLine(std::time_t start, std::time_t now);

// The lines of progress.txt past 4000: every other line of all but the last 1000
// goes, so the log stays within a few hundred KB.
std::string thinnedProgress(std::string_view text);

// ---------------------------------------------------------------- seed boards

// board-check's answers on a seed board (--canonical's exit code and report,
// --resume's report), judged for PROGRAM: the board's name (Best240.csv) and what
// start says of it, or false and the reason. `label` is the file as messages name it.
struct SeedBoardVerdict {
    bool ok = false;
    std::string name;     // "Best240.csv"
    std::string message;  // the line start prints, or the reason it refuses
};
SeedBoardVerdict judgeSeedBoard(std::string_view label, std::string_view program, int canonicalExit,
                                std::string_view canonicalReport, std::string_view resumeReport, bool builtInPieces);

// Copies the checked board `seedCopy` into DIR as seed-board.csv and into each
// of the instances 1..N as `name`, never over an instance's own board (a file of
// that name from an earlier run stays; one that differs refuses it all, before
// anything is written). False with the reason; `label` names the board given.
bool placeSeedBoard(const std::string& seedCopy, const std::string& dir, int count, const std::string& name,
                    std::string_view label, std::string& problem);

// ---------------------------------------------------------------- Slurm

// Whether `scontrol show job` output names a job whose script was given DIR
// ("Command=SCRIPT PROGRAM DIR", DIR relative to WorkDir or whole, blanks and all).
bool slurmJobGivenDir(std::string_view scontrolOutput, const std::string& dir);

// "instance-NNN<TAB>state" for each task of `squeue -h -r -o '%K %T'` output
// that has not made its directory in DIR yet.
std::string slurmTasksWaiting(std::string_view squeueOutput, const std::string& dir);

// ---------------------------------------------------------------- claims

// The line naming who holds the claim LOCK_FILE, shown harmlessly; waits a
// moment for a claimant that has just taken it to name itself.
std::string claimHolder(const std::string& lockFile);

// Whether nobody holds the claim LOCK_FILE (a test only, never a claim); else
// `holder` names who does.
bool claimIsFree(const std::string& lockFile, std::string& holder);

// The campaign's GNU parallel, as DIR/parallel.pid names it, when it runs on
// this machine: it counts only while it works in DIR and holds DIR's claim on
// descriptor 9, as start handed it (never merely because it works in DIR: a
// shell, say); 0 when it does not.
long campaignParallel(const std::string& dir);

// campaign-report --program | --dir-args | --stagger | --instance-refusal |
// --started | --await-start | --seed-window | --stop-requested | --resumes | --progress |
// --progress-line | --seed-board | --place-seed | --slurm-dir | --slurm-waiting |
// --holder | --claim-free | --parallel-pid | --remove-pid-file | --write-fields |
// --piece-set: the script's
// questions, answered on `out` (--await-start's failures on `err`; 2 for a call
// it does not know); -1 when argv[1]
// is none of them.
int answerCampaignScript(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zentara
