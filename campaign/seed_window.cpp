// Time seeds. A solver seeds its generator from its machine's local clock as
//   (minute * 2567 + second * 137 + millisecond) * 486875 - day * 1331825386.
// The sum a = minute * 2567 + second * 137 + millisecond decides it within a day,
// and it is not one-to-one: 0:00.137 and 0:01.000 give the same a, so starts
// merely a few milliseconds apart can still share a seed. Instead each instance
// reserves, before it starts, the values a .. a + MS - 1 that its program can
// read in its first MS milliseconds (its window), and waits while any of them is
// taken. Windows are reserved in blocks of MS values, each a directory in
// DIR/.seeds made with mkdir, which is atomic also on network file systems; a
// window meets at most two blocks. Starts too close to the end of a second are
// put off, since there a drops by 862. Seeds of different days never coincide
// (they differ by at least 358946 * 486875 while a differs by at most 160535),
// so a alone is reserved. (The block-set solvers seed from day * 358946 + a,
// which a keeps apart in the same way.) The messages and started.txt say an
// instance "claims" its seeds, as they always have.
// This holds as long as a program reads its clock within MS milliseconds of its
// start (a few milliseconds on a machine that is not swamped; --stagger widens it).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "campaign/campaign_fields.hpp"
#include "campaign/campaign_script.hpp"

namespace zentara {
namespace {

void sleepMilliseconds(long ms) {
    const timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    ::nanosleep(&pause, nullptr);
}

// The same a comes back every hour (the hour is not in the seed), so a block is
// kept for an hour and a half, then given up; blocks thus never fill up, also
// when DIR serves campaign after campaign.
void giveUpStale(const std::string& block) {
    struct stat info {};
    if (::lstat(block.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && std::time(nullptr) - info.st_mtime > 90 * 60)
        ::rmdir(block.c_str());
}

}  // namespace

bool stopRequested(const std::string& stopFile, std::string_view thisJob) {
    struct stat info {};
    if (::stat(stopFile.c_str(), &info) != 0) return false;
    // A stop of a Slurm campaign names its job: a job submitted later to the same
    // directory is not stopped by it.
    std::string text, job;
    if (!readCampaignFile(stopFile, 64 * 1024, text) || !fieldOf(text, "slurm job", job)) return true;
    return job.empty() || shownText(job) == thisJob;
}

std::string windowReservedText(const std::tm& when, int ms, const std::string& host, int a, int window) {
    char time[64], line[512];
    std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", &when);
    std::snprintf(line, sizeof line, "%s.%03d on %s; time seeds claimed: a = minute * 2567 + second * 137 + millisecond = %d to %d",
                  time, ms, host.c_str(), a, a + window - 1);
    return line;
}

int reserveSeedWindow(const std::string& blocks, int window, const std::string& stopFile, const std::string& host,
                      std::string& reserved, std::string& problem) {
    const char* job = std::getenv("SLURM_ARRAY_JOB_ID");
    while (true) {
        if (stopRequested(stopFile, job ? job : "")) return 1;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::tm local{};
        ::localtime_r(&now.tv_sec, &local);
        const int ms = static_cast<int>(now.tv_nsec / 1000000);
        if (ms + window > 999) {
            sleepMilliseconds(1000 - ms);
            continue;
        }
        const int a = local.tm_min * 2567 + local.tm_sec * 137 + ms;
        const std::string first = blocks + "/" + std::to_string(a / window);
        const std::string last = blocks + "/" + std::to_string((a + window - 1) / window);
        if (::mkdir(first.c_str(), 0777) == 0) {
            if (last == first || ::mkdir(last.c_str(), 0777) == 0) {
                reserved = windowReservedText(local, ms, host, a, window);
                return 0;
            }
            ::rmdir(first.c_str());
        } else if (errno != EEXIST) {
            // Not taken, just impossible (no such directory, no right, no room):
            // waiting would not help. (A block given up meanwhile is no reason.)
            problem = "cannot claim seeds in " + shownText(blocks) + ": " + std::strerror(errno);
            return 2;
        }
        giveUpStale(first);
        giveUpStale(last);
        sleepMilliseconds((window + 3) / 4);
    }
}

}  // namespace zentara
