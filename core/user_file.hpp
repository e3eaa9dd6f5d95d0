// The one reader and the one writer of every file a user keeps: Stat.bin,
// Stat.txt, board and block files, the tools' outputs.
//
// Writer: the new contents go to a temporary file beside the target, flushed,
// and are renamed into place, so a reader (or a kill) sees the old file or the
// new one, never a part. A symbolic link is followed (its target is replaced,
// the link stays); a target that is not a regular file is refused; a target the
// running user may not open for writing is not replaced; the replacement keeps
// the target's permission bits (and owner, where the user may set it).
//
// Reader: never blocks (a FIFO, device, socket or directory is refused at once)
// and never reads more than the caller's buffer.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <string_view>

namespace zentara {

// Why a file could not be read or written: an errno value, or one of these.
inline constexpr int NOT_REGULAR_FILE = -1;
inline constexpr int FILE_TOO_LONG = -2;

// "not a regular file", "too long", or the system's text for an errno value.
const char* fileErrorText(int error);

// ---------------------------------------------------------------- reading

struct FileRead {
    int error = 0;            // 0: read; ENOENT: no such file; else why not
    std::size_t size = 0;     // bytes placed in the buffer
    bool longer = false;      // the file holds more than the buffer took
    std::uint64_t fileBytes = 0;  // the file's size when it was opened

    bool ok() const { return error == 0; }
    bool missing() const { return error == ENOENT; }
};

// Reads at most `capacity` bytes from the start of `path` (links followed).
FileRead readUserFile(const char* path, char* buffer, std::size_t capacity);

// ---------------------------------------------------------------- writing

// One replacement in progress. Plain record: begin, append, finish (or let it
// go out of scope, which abandons it and removes the temporary file).
struct FileReplacement {
    int fd = -1;
    int error = 0;  // the first failure; later steps do nothing
    bool durable = false;
    bool existed = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    char target[PATH_MAX] = {};
    char temp[PATH_MAX + 96] = {};

    FileReplacement() = default;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();
};

// Called once, before the first file this process replaces: where a solver
// records its directory's piece set (core/dir_set.hpp), so that a run refused
// before it writes anything leaves the directory as it was.
void beforeFirstReplacement(void (*hook)());

// Checks the target by the policy above and creates the temporary file.
// `durable` flushes the data to the disk before the rename (for files that hold
// days of work; it costs milliseconds). Returns false with `file.error` set.
bool beginReplacement(FileReplacement& file, const char* path, bool durable);
bool appendToReplacement(FileReplacement& file, std::string_view bytes);
// Flushes, closes and renames into place; on failure removes the temporary file
// and leaves the target as it was. Returns 0 or the reason.
int finishReplacement(FileReplacement& file);

// All of it for bytes in memory. Returns 0 or the reason (fileErrorText).
int replaceFile(const char* path, std::string_view bytes, bool durable = false);

// Removes, in `directory`, the temporary files that runs of this machine left
// when they were killed while writing (their process no longer exists). Every
// solver calls it on its working directory at start, once it holds the directory
// (core/dir_claim.hpp): a refused second run removes nothing. Returns how many it
// removed; the claim's lock file is no temporary and stays.
int removeStaleTemporaries(const char* directory);

}  // namespace zentara
