// Who holds a claim. A program that writes files in a directory holds flock on
// the directory's .zentara.lock for as long as it runs (the system lets go when
// the process ends, however it ends); the file names the holder in one line,
// "PID on HOST: PROGRAM". Testing a claim never takes it for longer than the test.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "campaign/campaign_fields.hpp"
#include "campaign/campaign_script.hpp"
#include "tools/whole_file.hpp"

namespace zentara {
namespace {

// Whether flock on the open file `fd` could be taken now (and is let go again).
bool lockable(int fd) {
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);  // lets go of the lock with the descriptor
    return free;
}

}  // namespace

std::string claimHolder(const std::string& lockFile) {
    std::string line;
    // A claimant writes its line a moment after it took the lock.
    for (int i = 0; i < 20; ++i) {
        struct stat info {};
        std::string text;
        if (::stat(lockFile.c_str(), &info) == 0 && S_ISREG(info.st_mode) && readCampaignFile(lockFile, 200, text))
            line = text.substr(0, text.find('\n'));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) break;
        const timespec pause{0, 50'000'000};
        ::nanosleep(&pause, nullptr);
    }
    return shownText(line.empty() ? "a process that has not named itself" : line);
}

bool claimIsFree(const std::string& lockFile, std::string& holder) {
    struct stat info {};
    if (::lstat(lockFile.c_str(), &info) != 0) return true;
    if (!S_ISREG(info.st_mode)) {
        holder = "something that is no lock file (" + shownText(lockFile) + ")";
        return false;
    }
    // Opened for reading and writing, never waiting (not even for a FIFO put in
    // the file's place) and never through a link.
    int fd = ::open(lockFile.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    bool free = false;
    if (fd >= 0) {
        free = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? lockable(fd) : (::close(fd), false);
    } else if (::lstat(lockFile.c_str(), &info) != 0) {
        free = true;  // its holder ended meanwhile
    } else if ((fd = ::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)) >= 0) {
        // Not ours to write: a lock only readers may open is held by someone else's program.
        free = lockable(fd);
    }
    if (!free) holder = claimHolder(lockFile);
    return free;
}

long campaignParallel(const std::string& dir) {
    std::string text;
    if (!readCampaignFile(dir + "/parallel.pid", 20, text)) return 0;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty() || text.size() > 10 || text[0] == '0' || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const std::string proc = "/proc/" + text;
    return sameFile(proc + "/cwd", dir) && sameFile(proc + "/fd/9", dir + "/.zentara.lock") ? std::stol(text) : 0;
}

}  // namespace zentara
