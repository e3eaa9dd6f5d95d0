// Test support: permission cases run as an unprivileged user, since the tests
// themselves run as root in CI and root may write anything.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace zentara::testing {

inline constexpr int NOBODY = 65534;

// A command prefix that runs a program as nobody when the tests run as root, and
// as it is otherwise (an ordinary user is already bound by the permissions).
inline std::string unprivilegedPrefix() {
    return ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
}

// Runs `body` in a child process and returns what it returned (0..255), or -1
// when the child died otherwise: killed, or still running after `seconds` (so a
// call that blocks fails the test instead of hanging it). With `dropRoot` the
// child first becomes nobody when the tests run as root.
template <class Body>
int runInChild(Body body, bool dropRoot, unsigned seconds = 20) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(seconds);
        if (dropRoot && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(NOBODY, NOBODY, NOBODY) != 0 ||
             ::setresuid(NOBODY, NOBODY, NOBODY) != 0))
            ::_exit(255);
        ::_exit(body() & 0xFF);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

template <class Body>
int runUnprivileged(Body body) {
    return runInChild(body, true);
}

}  // namespace zentara::testing
