#include "core/user_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zentara {

namespace {

constexpr int MAX_LINKS = 40;  // as the kernel's own limit for one path
constexpr std::size_t CHUNK = 64 * 1024;

// The host goes into temporary names: directories are shared between machines,
// and a process number only says something about this machine's processes.
const char* hostName() {
    static char name[65] = {};
    if (name[0] == '\0') {
        if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') std::strcpy(name, "host");
        for (char* p = name; *p; ++p)
            if (*p == '/') *p = '_';
    }
    return name;
}

// Follows `path` through symbolic links to the name that is finally written.
// `exists` is false when that name does not exist yet (a new file or a dangling link).
int resolveTarget(const char* path, char (&out)[PATH_MAX], struct stat& info, bool& exists) {
    if (std::snprintf(out, sizeof out, "%s", path) >= static_cast<int>(sizeof out)) return ENAMETOOLONG;
    for (int hop = 0; hop <= MAX_LINKS; ++hop) {
        if (::lstat(out, &info) != 0) {
            exists = false;
            return errno == ENOENT ? 0 : errno;
        }
        if (!S_ISLNK(info.st_mode)) {
            exists = true;
            return 0;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(out, link, sizeof link - 1);
        if (n < 0) return errno;
        link[n] = '\0';
        char next[PATH_MAX];
        const char* slash = std::strrchr(out, '/');
        int written;
        if (link[0] == '/' || slash == nullptr)
            written = std::snprintf(next, sizeof next, "%s", link);
        else
            written = std::snprintf(next, sizeof next, "%.*s/%s", static_cast<int>(slash - out), out, link);
        if (written >= static_cast<int>(sizeof next)) return ENAMETOOLONG;
        std::memcpy(out, next, static_cast<std::size_t>(written) + 1);
    }
    return ELOOP;
}

bool fail(FileReplacement& file, int error) {
    if (file.error == 0) file.error = error;
    return false;
}

bool writeAll(int fd, const char* p, std::size_t left, int& error) {
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            error = w == 0 ? EIO : errno;
            return false;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    return true;
}

void discard(FileReplacement& file) {
    if (file.fd >= 0) ::close(file.fd);
    file.fd = -1;
    if (file.temp[0] != '\0') ::unlink(file.temp);
    file.temp[0] = '\0';
}

bool processAlive(long pid) {
    if (pid <= 0 || pid > INT_MAX) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

const char* fileErrorText(int error) {
    switch (error) {
        case 0: return "no error";
        case NOT_REGULAR_FILE: return "not a regular file";
        case FILE_TOO_LONG: return "file too long";
        default: return std::strerror(error);
    }
}

FileRead readUserFile(const char* path, char* buffer, std::size_t capacity) {
    FileRead result;
    // Looked at before it is opened: opening a device can do things of its own.
    struct stat info {};
    if (::stat(path, &info) != 0) {
        result.error = errno;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = NOT_REGULAR_FILE;
        return result;
    }
    // O_NONBLOCK: should a FIFO have taken the name meanwhile, the open does not wait for a writer.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    if (::fstat(fd, &info) != 0) result.error = errno;
    else if (!S_ISREG(info.st_mode)) result.error = NOT_REGULAR_FILE;
    else result.fileBytes = static_cast<std::uint64_t>(info.st_size);
    if (result.error != 0) {
        ::close(fd);
        return result;
    }
    while (result.size < capacity) {
        const ssize_t n = ::read(fd, buffer + result.size, capacity - result.size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.error = errno;
            break;
        }
        if (n == 0) break;
        result.size += static_cast<std::size_t>(n);
    }
    if (result.error == 0 && result.size == capacity) {
        char extra;
        ssize_t n;
        do n = ::read(fd, &extra, 1);
        while (n < 0 && errno == EINTR);
        result.longer = n > 0;
    }
    ::close(fd);
    return result;
}

FileReplacement::~FileReplacement() { discard(*this); }

namespace {
void (*firstReplacementHook)() = nullptr;
}

void beforeFirstReplacement(void (*hook)()) { firstReplacementHook = hook; }

bool beginReplacement(FileReplacement& file, const char* path, bool durable) {
    if (void (*hook)() = firstReplacementHook) {
        firstReplacementHook = nullptr;  // the hook writes through here itself
        hook();
    }
    discard(file);
    file.error = 0;
    file.durable = durable;
    file.existed = false;
    struct stat info {};
    bool exists = false;
    if (const int error = resolveTarget(path, file.target, info, exists)) return fail(file, error);
    if (exists) {
        // Never replace a device, FIFO or directory by a file.
        if (!S_ISREG(info.st_mode)) return fail(file, NOT_REGULAR_FILE);
        // A file we could not open for writing is not ours to replace: the test is
        // the open itself (permissions, read-only mount, immutable flag), without
        // truncating anything.
        const int probe = ::open(file.target, O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (probe < 0) return fail(file, errno);
        const bool regular = ::fstat(probe, &info) == 0 && S_ISREG(info.st_mode);
        ::close(probe);
        if (!regular) return fail(file, NOT_REGULAR_FILE);
        file.existed = true;
        file.mode = info.st_mode & 07777;
        file.owner = info.st_uid;
        file.group = info.st_gid;
    }

    // The temporary file lives beside the target: rename() is atomic only within
    // one file system. Host and process number keep two programs that write the
    // same name (every program writes Result.csv) out of each other's way, and
    // tell a later start whose temporary file it is.
    const char* slash = std::strrchr(file.target, '/');
    const int dirLength = slash ? static_cast<int>(slash - file.target + 1) : 0;
    if (file.target[dirLength] == '\0') return fail(file, EISDIR);
    const int n = std::snprintf(file.temp, sizeof file.temp, "%.*s.%s.%s.%ld.tmp", dirLength, file.target,
                                file.target + dirLength, hostName(), static_cast<long>(getpid()));
    if (n <= 0 || n >= static_cast<int>(sizeof file.temp)) {
        file.temp[0] = '\0';
        return fail(file, ENAMETOOLONG);
    }
    ::unlink(file.temp);  // only a process of this number on this host made it: a dead one
    // A new file gets what a plain create gives (0666 less the umask).
    file.fd = ::open(file.temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, file.existed ? 0600 : 0666);
    if (file.fd < 0) {
        file.temp[0] = '\0';
        return fail(file, errno);
    }
    if (file.existed) {
        // Owner first: changing it clears set-id bits, which the mode then restores.
        if (file.owner != geteuid() || file.group != getegid()) (void)::fchown(file.fd, file.owner, file.group);
        if (::fchmod(file.fd, file.mode) != 0) {
            fail(file, errno);
            discard(file);
            return false;
        }
    }
    return true;
}

bool appendToReplacement(FileReplacement& file, std::string_view bytes) {
    if (file.error != 0 || file.fd < 0) return fail(file, EBADF);
    int error = 0;
    if (!writeAll(file.fd, bytes.data(), bytes.size(), error)) return fail(file, error);
    return true;
}

int finishReplacement(FileReplacement& file) {
    if (file.error == 0 && file.fd < 0) file.error = EBADF;
    if (file.error == 0 && file.durable && ::fsync(file.fd) != 0) file.error = errno;
    if (file.fd >= 0) {
        if (::close(file.fd) != 0 && file.error == 0) file.error = errno;
        file.fd = -1;
    }
    if (file.error == 0 && std::rename(file.temp, file.target) != 0) file.error = errno;
    if (file.error == 0) file.temp[0] = '\0';  // it is the target now
    discard(file);
    return file.error;
}

int replaceFile(const char* path, std::string_view bytes, bool durable) {
    FileReplacement file;
    if (beginReplacement(file, path, durable)) appendToReplacement(file, bytes);
    return finishReplacement(file);
}

int removeStaleTemporaries(const char* directory) {
    DIR* dir = ::opendir(directory);
    if (dir == nullptr) return 0;
    char marker[80];
    const int markerLength = std::snprintf(marker, sizeof marker, ".%s.", hostName());
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        // ".NAME.HOST.PID.tmp"
        const char* name = entry->d_name;
        const std::size_t length = std::strlen(name);
        if (name[0] != '.' || length < 6 || std::strcmp(name + length - 4, ".tmp") != 0) continue;
        const char* end = name + length - 4;
        const char* digits = end;
        while (digits > name && digits[-1] >= '0' && digits[-1] <= '9') --digits;
        if (digits == end || end - digits > 10) continue;
        const char* hostAt = digits - markerLength;
        if (hostAt <= name || std::strncmp(hostAt, marker, static_cast<std::size_t>(markerLength)) != 0) continue;
        if (processAlive(std::strtol(digits, nullptr, 10))) continue;
        char path[PATH_MAX];
        if (std::snprintf(path, sizeof path, "%s/%s", directory, name) >= static_cast<int>(sizeof path)) continue;
        struct stat info {};
        if (::lstat(path, &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace zentara
