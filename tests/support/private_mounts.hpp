// Test support: full-disk cases mount a small tmpfs in a private mount namespace,
// so that the mount is seen by the script and its children only and is gone when
// the script ends; nothing outside the test's directory is touched.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zentara::testing {

// A script's exit code when it could not mount its tmpfs (not root, or no right to
// mount in a private namespace): the case is skipped, loudly.
inline constexpr int NO_TMPFS = 77;

// Runs the sh script at `path` with mounts of its own; returns its exit code, or
// -1 when it did not exit.
inline int runWithPrivateMounts(const std::string& path, bool quiet = true) {
    const std::string command =
        "unshare --mount --propagation private sh '" + path + "'" + (quiet ? " 2>/dev/null" : "");
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Says on the error stream, where a CI log shows it, that a full-disk case did not run.
inline void sayNotRunWithoutTmpfs(const char* what) {
    std::fprintf(stderr,
                 "\n*** SKIPPED: the %s was NOT run: no small tmpfs can be mounted here "
                 "(needs root and the right to mount in a private namespace) ***\n\n",
                 what);
}

}  // namespace zentara::testing
