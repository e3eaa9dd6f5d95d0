// One program per working directory. Two solvers writing the same Stat.bin or
// best files lose each other's work, so every solver claims its directory for as
// long as it runs: an exclusive flock on ".zentara.lock" there, which the system
// drops whenever the process ends, a kill included, so no claim outlives its
// holder. The file holds one line naming the holder, "PID on HOST: PROGRAM", for
// the one who is refused. Shell scripts take the same claim with `flock -n FILE`.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace zentara {

inline constexpr const char* CLAIM_FILE_NAME = ".zentara.lock";

// A claim held by this process. Plain record; release it, or let the process end.
struct DirClaim {
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    char path[4096] = {};
};

enum class ClaimResult {
    Claimed,
    Held,     // another process holds it; `message` names the holder
    Refused,  // the lock file is unusable or the directory not writable; `message` says why
};

// Claims `directory` for `program`. On Held and Refused `message` is the one line
// to show, "PROGRAM: ..." without a line end, and nothing in the directory changed.
ClaimResult claimDirectory(const char* directory, std::string_view program, DirClaim& claim, std::string& message);

// A file a program writes, `name` in `directory`, may be a symbolic link into
// another directory, which two directories' links may share (one Stat.bin for
// two runs): claims the directory the file is written in as well. Claimed with
// `claim` left unused when `name` is no link or its file is in `directory`
// itself; on Held and Refused `message` names the link and the holder or reason.
ClaimResult claimLinkedFile(const char* directory, const char* name, std::string_view program, DirClaim& claim,
                            std::string& message);

// Gives the claim up; the lock file goes with it when it is still the claimed one.
void releaseDirectory(DirClaim& claim);

// The holder line of the lock file in `directory`, read with a bound, without
// following links or waiting on a FIFO; empty when there is none.
std::string readClaimHolder(const char* directory);

// What a solver's main() does right after its command line: claims the working
// directory until the process ends (released at a normal exit), or prints the
// refusal on the standard error and returns false. A claim its starter handed
// down (descriptor ZENTARA_CLAIM_FD, the locked lock file of this directory) is
// taken as it is; the starter keeps it after the program and removes the file.
bool claimWorkingDirectory(std::string_view program);
// The same for a file the program writes in the working directory (claimLinkedFile).
bool claimWrittenFile(const char* name, std::string_view program);

}  // namespace zentara
