#include "core/console.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace zentara {

namespace {
volatile std::sig_atomic_t stopFlag = 0;    // stop signals received
volatile std::sig_atomic_t waitMode = 0;    // 0: none; 1: first signal ends; 2: second signal ends
volatile std::sig_atomic_t waitExitCode = 0;
const char* volatile waitMessage = nullptr;

extern "C" void onStopSignal(int) {
    if (stopFlag < 2) stopFlag = stopFlag + 1;
    const int mode = waitMode;
    if (mode == 0 || stopFlag < mode) return;
    // Only async-signal-safe calls from here on.
    const char* message = waitMessage;
    std::size_t length = 0;
    while (message != nullptr && message[length] != '\0') ++length;
    if (length > 0) (void)!::write(STDOUT_FILENO, message, length);
    ::_exit(waitExitCode);
}
}  // namespace

void lowerPriority(Priority priority) {
    const int nice = priority == Priority::Idle ? 19 : 10;
    (void)setpriority(PRIO_PROCESS, 0, nice);
}

void printTo(std::ostream& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    if (n >= static_cast<int>(sizeof buffer)) n = sizeof buffer - 1;
    out.write(buffer, n);
    out.flush();
}

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool stopRequested() { return stopFlag != 0; }
void clearStopRequest() { stopFlag = 0; }

StopWhileWaiting::StopWhileWaiting(const char* message, int exitCode, bool secondSignal) {
    waitMessage = message;
    waitExitCode = exitCode;
    waitMode = secondSignal ? 2 : 1;
}

StopWhileWaiting::~StopWhileWaiting() { waitMode = 0; }

}  // namespace zentara
