#include "core/dir_claim.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>

#include "core/command_line.hpp"

namespace zentara {
namespace {

constexpr int OPEN_FLAGS = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;  // never a link, never a wait
constexpr std::size_t HOLDER_LIMIT = 256;  // a holder line is short; the rest is not read

std::string holderFrom(int fd) {
    char bytes[HOLDER_LIMIT];
    ssize_t n;
    do n = ::pread(fd, bytes, sizeof bytes, 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return {};
    std::string_view line(bytes, static_cast<std::size_t>(n));
    line = line.substr(0, line.find_first_of(std::string_view("\r\n\0", 3)));
    return printableArgument(line);  // written by whoever could write the file: shown, never obeyed
}

// The holder writes its line just after it locks: a claimant that comes in
// between waits a moment for it rather than name nobody.
std::string holderOfLocked(int fd) {
    std::string holder = holderFrom(fd);
    for (int tries = 0; holder.empty() && tries < 50; ++tries) {
        const timespec pause{0, 10'000'000};
        ::nanosleep(&pause, nullptr);
        holder = holderFrom(fd);
    }
    return holder;
}

bool sameFile(const char* path, dev_t device, ino_t inode) {
    struct stat info {};
    return ::lstat(path, &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

bool directoryWritable(const char* directory) {
    return ::faccessat(AT_FDCWD, directory, W_OK, AT_EACCESS) == 0;
}

// "PID on HOST: PROGRAM". The name only informs the refused; a full disk does not undo the claim.
void nameHolder(int fd, std::string_view program) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') std::strcpy(host, "unknown host");
    const std::string line = std::to_string(::getpid()) + " on " + host + ": " + std::string(program) + "\r\n";
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, line.data(), line.size(), 0) < 0) (void)!::ftruncate(fd, 0);
}

// What follows the program's name in a refusal and in a held claim; a claim made
// for a linked file puts its own words before the rest.
constexpr std::string_view REFUSED_WORDS = ": cannot claim this directory: ";
constexpr std::string_view HELD_WORDS = ": this directory ";

ClaimResult refuse(std::string& message, std::string_view program, const std::string& why) {
    message = std::string(program) + std::string(REFUSED_WORDS) + why;
    return ClaimResult::Refused;
}

ClaimResult held(std::string& message, std::string_view program, int fd) {
    const std::string holder = holderOfLocked(fd);
    message = std::string(program) + std::string(HELD_WORDS) + "is in use by " +
              (holder.empty() ? "another program" : holder);
    return ClaimResult::Held;
}

// The lock file could not be opened for writing (another user's): still name a
// holder when there is one. With none it is stale, left by a killed holder: taken
// away (true: claim again) where the directory lets this user, else named as
// stale. Otherwise say why this user cannot claim the directory.
bool unwritable(const char* path, const char* directory, std::string_view program, int error, std::string& message,
                ClaimResult& result) {
    const int fd = ::open(path, O_RDONLY | OPEN_FLAGS);
    if (fd >= 0) {
        struct stat info {};
        const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
        if (regular && ::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            const bool isHeld = errno == EWOULDBLOCK;
            if (isHeld) result = held(message, program, fd);
            ::close(fd);
            if (isHeld) return false;
        } else if (regular && directoryWritable(directory)) {
            // Removed while this shared lock keeps any new holder off the old file.
            const std::string holder = holderFrom(fd);
            const bool removed = sameFile(path, info.st_dev, info.st_ino) && ::unlink(path) == 0;
            const int why = errno;
            ::close(fd);
            if (removed) return true;
            result = refuse(message, program,
                            std::string(CLAIM_FILE_NAME) + " is stale (its holder" +
                                (holder.empty() ? std::string() : ", " + holder + ",") +
                                " is gone) but cannot be taken over: " + std::strerror(why));
            return false;
        } else {
            ::close(fd);
        }
    }
    if (!directoryWritable(directory))
        result = refuse(message, program, std::string("it is not writable (") + std::strerror(errno) + ")");
    else
        result = refuse(message, program, std::string(CLAIM_FILE_NAME) + ": " + std::strerror(error));
    return false;
}

}  // namespace

ClaimResult claimDirectory(const char* directory, std::string_view program, DirClaim& claim, std::string& message) {
    message.clear();
    if (std::snprintf(claim.path, sizeof claim.path, "%s/%s", directory, CLAIM_FILE_NAME) >=
        static_cast<int>(sizeof claim.path))
        return refuse(message, program, std::strerror(ENAMETOOLONG));
    // A holder that ends removes the file: a claimant that opened it just before
    // then locks a file no longer there, and tries again on the new one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(claim.path, O_RDWR | O_CREAT | OPEN_FLAGS, 0644);
        if (fd < 0) {
            const int error = errno;
            if (error == ELOOP) return refuse(message, program, std::string(CLAIM_FILE_NAME) + " is a symbolic link");
            if (error == EACCES || error == EPERM || error == EROFS) {
                ClaimResult result = ClaimResult::Refused;
                if (unwritable(claim.path, directory, program, error, message, result)) continue;
                return result;
            }
            if (error == ENXIO || error == EISDIR)
                return refuse(message, program, std::string(CLAIM_FILE_NAME) + " is not a regular file");
            return refuse(message, program, std::string(CLAIM_FILE_NAME) + ": " + std::strerror(error));
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return refuse(message, program, std::string(CLAIM_FILE_NAME) + " is not a regular file");
        }
        // A hard link shares its file with another name: the holder line would be
        // written into that file, and releasing would leave it behind.
        if (info.st_nlink != 1) {
            ::close(fd);
            return refuse(message, program,
                          std::string(CLAIM_FILE_NAME) + " has " + std::to_string(info.st_nlink) +
                              " links; a lock file is a file of its own");
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            const ClaimResult result = error == EWOULDBLOCK
                                           ? held(message, program, fd)
                                           : refuse(message, program, std::string("cannot lock ") + CLAIM_FILE_NAME +
                                                                          ": " + std::strerror(error));
            ::close(fd);
            return result;
        }
        if (!sameFile(claim.path, info.st_dev, info.st_ino)) {
            ::close(fd);
            continue;
        }
        if (!directoryWritable(directory)) {
            const int error = errno;
            ::close(fd);  // the file was there before: it stays as it was
            return refuse(message, program, std::string("it is not writable (") + std::strerror(error) + ")");
        }
        nameHolder(fd, program);
        claim.fd = fd;
        claim.device = info.st_dev;
        claim.inode = info.st_ino;
        return ClaimResult::Claimed;
    }
    return refuse(message, program, std::string(CLAIM_FILE_NAME) + " keeps changing");
}

namespace {

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

ClaimResult claimLinkedFile(const char* directory, const char* name, std::string_view program, DirClaim& claim,
                            std::string& message) {
    message.clear();
    const std::string path = std::string(directory) + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return ClaimResult::Claimed;
    // Where the writer puts its file: the link's final target, or for a link to
    // nothing yet, the directory its target names.
    std::string target = realPath(path);
    if (target.empty()) {
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
        if (n <= 0) return ClaimResult::Claimed;  // gone meanwhile: the writer makes a file of its own
        std::string to(link, static_cast<std::size_t>(n));
        if (to[0] != '/') to = std::string(directory) + "/" + to;
        const std::string parent = realPath(parentOf(to));
        if (parent.empty()) return ClaimResult::Claimed;  // nowhere to write: the save will say so
        target = parent + "/" + to.substr(to.rfind('/') + 1);
    }
    const std::string where = parentOf(target);
    if (where == realPath(directory)) return ClaimResult::Claimed;
    const ClaimResult result = claimDirectory(where.c_str(), program, claim, message);
    if (result != ClaimResult::Claimed) {
        const std::string reason =
            message.substr(program.size() + (result == ClaimResult::Held ? HELD_WORDS : REFUSED_WORDS).size());
        message = std::string(program) + ": " + name + " is a link to " + printableArgument(target) + ", whose directory " +
                  (result == ClaimResult::Held ? reason : "cannot be claimed: " + reason);
    }
    return result;
}

void releaseDirectory(DirClaim& claim) {
    if (claim.fd < 0) return;
    // Removed while still locked, so that no one can lock this file after it is gone.
    if (sameFile(claim.path, claim.device, claim.inode)) ::unlink(claim.path);
    ::close(claim.fd);
    claim.fd = -1;
}

std::string readClaimHolder(const char* directory) {
    const std::string path = std::string(directory) + "/" + CLAIM_FILE_NAME;
    const int fd = ::open(path.c_str(), O_RDONLY | OPEN_FLAGS);
    if (fd < 0) return {};
    struct stat info {};
    std::string holder = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? holderFrom(fd) : std::string();
    ::close(fd);
    return holder;
}

namespace {
DirClaim workingDirectoryClaim, writtenFileClaim;
void releaseWorkingDirectory() { releaseDirectory(workingDirectoryClaim); }
void releaseWrittenFile() { releaseDirectory(writtenFileClaim); }

// The claim the program's starter took and handed down on the descriptor that
// ZENTARA_CLAIM_FD names (the campaign's wrapper holds it until the program and
// its own last writes are done): taken when that descriptor is the lock file here
// and holds its lock. Whoever set the variable, a descriptor that is not the
// claim gains nothing.
bool inheritedClaim(std::string_view program) {
    const char* text = std::getenv("ZENTARA_CLAIM_FD");
    if (text == nullptr) return false;
    const std::string digits(text);
    ::unsetenv("ZENTARA_CLAIM_FD");
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    const int fd = std::stoi(digits);
    struct stat info {};
    if (fd < 3 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) return false;
    if (!sameFile(CLAIM_FILE_NAME, info.st_dev, info.st_ino) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    nameHolder(fd, program);
    return true;  // the starter removes the file once it lets go
}

}  // namespace

bool claimWorkingDirectory(std::string_view program) {
    if (inheritedClaim(program)) return true;
    std::string message;
    if (claimDirectory(".", program, workingDirectoryClaim, message) != ClaimResult::Claimed) {
        // The message names the program as it was started; the claim names it itself.
        std::cerr << invokedName(program) << message.substr(program.size()) << std::endl;
        return false;
    }
    std::atexit(releaseWorkingDirectory);
    return true;
}

bool claimWrittenFile(const char* name, std::string_view program) {
    std::string message;
    if (claimLinkedFile(".", name, program, writtenFileClaim, message) != ClaimResult::Claimed) {
        std::cerr << message << std::endl;
        return false;
    }
    if (writtenFileClaim.fd >= 0) std::atexit(releaseWrittenFile);
    return true;
}

}  // namespace zentara
