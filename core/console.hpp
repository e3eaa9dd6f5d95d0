// Console and process conventions shared by every program: priority, banner,
// the self-overwriting status line and the stop request from a signal.
#pragma once

#include <cstdarg>
#include <ostream>

namespace zentara {

enum class Priority {
    Idle,         // nice 19
    BelowNormal,  // nice 10
};

// Lowers the priority of the whole process once at start; failures are ignored.
void lowerPriority(Priority priority);

// printf-style formatting straight into a stream, without allocating.
// Status texts begin with "\r" and end without "\n"; the stream is flushed so the
// line shows at once.
void printTo(std::ostream& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// SIGINT, SIGTERM and SIGHUP (a closed terminal) only set a flag; a program that
// wants to stop cleanly polls it at its progress reports. SIGPIPE is ignored, so
// that a closed console pipe makes the console writes fail instead of killing the
// program before it saves. Programs that do not install the handlers keep the
// default (immediate) termination; their files are always replaced atomically.
void installStopHandlers();
bool stopRequested();
void clearStopRequest();  // for tests

// While the program waits on a file, the next report may never come. Within the
// scope of this guard a stop signal ends the process at once: it writes `message`
// to the console and exits with `exitCode`; with `secondSignal` only a second stop
// signal does so (the first still lets the program finish what it writes).
class StopWhileWaiting {
public:
    StopWhileWaiting(const char* message, int exitCode, bool secondSignal = false);
    ~StopWhileWaiting();
    StopWhileWaiting(const StopWhileWaiting&) = delete;
    StopWhileWaiting& operator=(const StopWhileWaiting&) = delete;
};

}  // namespace zentara
