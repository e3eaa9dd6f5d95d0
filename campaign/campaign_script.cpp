// campaign-report's answers to the campaign script's questions (see
// campaign_script.hpp): one option each, its arguments checked here.
#include "campaign/campaign_script.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <regex>

#include "campaign/campaign_fields.hpp"
#include "core/user_file.hpp"
#include "core/version.hpp"
#include "tools/whole_file.hpp"

namespace zentara {
namespace {

// What a command printed, up to `limit` bytes: a few lines, or a line per task.
std::string standardInput(std::size_t limit) {
    std::string text(limit, '\0');
    std::cin.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::cin.gcount()));
    return text;
}

bool wholeNumber(std::string_view text, long low, long high, long& value) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    value = std::stol(std::string(text));
    return value >= low && value <= high;
}

std::string environment(const char* name, const char* otherwise = "") {
    const char* value = std::getenv(name);
    return value ? value : otherwise;
}

// Appends a line to progress.txt, a regular file only (never a FIFO in its place).
void appendProgress(const std::string& line) {
    const int fd = ::open("progress.txt", O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) (void)!::write(fd, line.data(), line.size());
    ::close(fd);
}

long progressLines() {
    std::string text;
    if (!readCampaignFile("progress.txt", 64 << 20, text)) return 0;
    long lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

// Samples the current directory while process `pid` runs: a line about every
// ZENTARA_PROGRESS_SECONDS (60 by default) once there is something to log, else
// a look every second.
int sampleProgress(pid_t pid, std::time_t start) {
    long every = 60;
    if (!wholeNumber(environment("ZENTARA_PROGRESS_SECONDS"), 1, 86400, every)) every = 60;
    long lines = progressLines();
    std::time_t next = 0;
    while (::kill(pid, 0) == 0) {
        const std::time_t now = std::time(nullptr);
        if (now >= next) {
            if (const std::string line = progressLine(start, now); !line.empty()) {
                next = now + every;
                appendProgress(line);
                ++lines;
            }
            std::string text, reason;
            if (lines > 4000 && readCampaignFile("progress.txt", 64 << 20, text)) {
                writeWholeFile("progress.txt", thinnedProgress(text), reason);
                lines = progressLines();
            }
        }
        ::sleep(1);
    }
    return 0;
}

}  // namespace

int answerCampaignScript(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) return -1;
    const std::string_view question = argv[1];
    const auto takes = [&](int arguments) { return argc == arguments + 2; };
    long number = 0, other = 0;
    if (question == "--write-fields") {
        // FILE KEY VALUE...: "KEY: VALUE" lines, through the one writer, so that
        // a FIFO put in the file's place is refused, never waited on; a control
        // character is written as '?'.
        if (argc < 3 || argc % 2 != 1) return 2;
        std::string text;
        for (int i = 3; i < argc; i += 2) text += shownText(argv[i]) + ": " + shownText(argv[i + 1]) + "\n";
        if (const int error = replaceFile(argv[2], text, true); error != 0) {
            out << fileErrorText(error) << '\n';
            return 1;
        }
        return 0;
    }
    if (question == "--parallel-pid") {
        if (!takes(1)) return 2;
        const long pid = campaignParallel(argv[2]);
        if (pid == 0) return 1;
        out << pid << '\n';
        return 0;
    }
    if (question == "--remove-pid-file") {
        if (!takes(1)) return 2;
        return removeOwnPidFile(argv[2]) ? 0 : 1;
    }
    if (question == "--piece-set") {
        if (!takes(0)) return 2;
        out << PIECE_SETS << '\n';
        return 0;
    }
    if (question == "--program") {
        if (!takes(2)) return 2;
        std::string path;
        const bool found = resolveProgram(argv[2], argv[3], path);
        out << path << '\n';
        return found ? 0 : 1;
    }
    if (question == "--dir-args") {
        if (argc < 4 || !wholeNumber(argv[3], 1, 2, number)) return 2;
        const std::string problem =
            dirArgsProblem(argv[2], static_cast<std::size_t>(number), std::vector<std::string_view>(argv + 4, argv + argc));
        if (problem.empty()) return 0;
        out << problem << '\n';
        return 2;
    }
    if (question == "--place-seed") {
        if (!takes(5) || !wholeNumber(argv[4], 1, 9999, number)) return 2;
        std::string problem;
        if (placeSeedBoard(argv[2], argv[3], static_cast<int>(number), argv[5], argv[6], problem)) return 0;
        out << problem << '\n';
        return 1;
    }
    if (question == "--started") {
        if (!takes(2) || !wholeNumber(argv[3], 1, 9999, number)) return 2;
        const StartCount count = countStarted(argv[2], static_cast<int>(number));
        out << count.started << '\n' << count.failed;
        return 0;
    }
    if (question == "--await-start") {
        // DIR N EXPECTED SECONDS PARALLEL_PID PROGRAM_NAME SCRIPT_NAME
        long expected = 0, seconds = 0;
        if (!takes(7) || !wholeNumber(argv[3], 1, 9999, number) || !wholeNumber(argv[4], 0, 9999, expected) ||
            !wholeNumber(argv[5], 0, 1L << 30, seconds) || !wholeNumber(argv[6], 1, 1L << 30, other))
            return 2;
        return awaitStart({argv[2], argv[7], argv[8], static_cast<int>(number), static_cast<int>(expected), seconds,
                           static_cast<int>(other)},
                          out, err);
    }
    if (question == "--seed-window") {
        if (!takes(4) || !staggerProblem(argv[3]).empty()) return 2;
        // Ends with the wrapper that asked, whenever that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        std::string reserved, problem;
        const int rc = reserveSeedWindow(argv[2], std::atoi(argv[3]), argv[4], argv[5], reserved, problem);
        out << (rc == 0 ? reserved : problem) << (rc == 1 ? "" : "\n");
        return rc;
    }
    if (question == "--stop-requested") {
        if (!takes(1)) return 2;
        return stopRequested(argv[2], environment("SLURM_ARRAY_JOB_ID")) ? 0 : 1;
    }
    if (question == "--resumes") {
        if (!takes(2)) return 2;
        const std::string text = resumesText(argv[2], argv[3]);
        if (!text.empty()) out << text << '\n';
        return 0;
    }
    if (question == "--progress" || question == "--progress-line") {
        if (!takes(question == "--progress" ? 2 : 1) || !wholeNumber(argv[argc - 1], 0, 1L << 40, other)) return 2;
        if (question == "--progress-line") {
            out << progressLine(other, std::time(nullptr));
            return 0;
        }
        if (!wholeNumber(argv[2], 1, 1L << 30, number)) return 2;
        return sampleProgress(static_cast<pid_t>(number), other);
    }
    if (question == "--seed-board") {
        if (!takes(6) || !wholeNumber(argv[4], 0, 255, number)) return 2;
        const SeedBoardVerdict v =
            judgeSeedBoard(argv[2], argv[3], static_cast<int>(number), argv[5], argv[6], std::strcmp(argv[7], "built-in") == 0);
        if (v.ok) out << v.name << '\n';
        out << v.message << '\n';
        return v.ok ? 0 : 1;
    }
    if (question == "--slurm-dir" || question == "--slurm-waiting") {
        if (!takes(1)) return 2;
        const std::string answer = standardInput(4 << 20);
        if (question == "--slurm-dir") return slurmJobGivenDir(answer, argv[2]) ? 0 : 1;
        out << slurmTasksWaiting(answer, argv[2]);
        return 0;
    }
    if (question == "--holder" || question == "--claim-free") {
        if (!takes(1)) return 2;
        std::string holder;
        if (question == "--holder") holder = claimHolder(argv[2]);
        else if (claimIsFree(argv[2], holder)) return 0;
        out << holder << '\n';
        return question == "--holder" ? 0 : 1;
    }
    if (question == "--stagger") {
        if (!takes(1)) return 2;
        const std::string problem = staggerProblem(argv[2]);
        if (problem.empty()) return 0;
        out << problem << '\n';
        return 1;
    }
    if (question == "--instance-refusal") {
        if (!takes(4)) return 2;
        const char* given = std::getenv("PARALLEL_SSHLOGIN");
        const std::string sshlogin = given && *given ? given : ":";
        const std::string progress = environment("ZENTARA_PROGRESS_SECONDS");
        const std::string refusal = instanceRefusal({argv[2], argv[3], argv[4], sshlogin, argv[5], progress});
        if (refusal.empty()) return 0;
        out << refusal << '\n';
        return 1;
    }
    return -1;
}

}  // namespace zentara
