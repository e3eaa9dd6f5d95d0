#include "core/console.hpp"

#include <sys/resource.h>

#include <csignal>
#include <cstdio>

namespace zentara {

namespace {
volatile std::sig_atomic_t stopFlag = 0;

extern "C" void onStopSignal(int) { stopFlag = 1; }
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
}

bool stopRequested() { return stopFlag != 0; }
void clearStopRequest() { stopFlag = 0; }

}  // namespace zentara
