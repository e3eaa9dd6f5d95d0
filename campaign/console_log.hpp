// What a terminal would show of a long run's output, kept small enough for a
// file that lives for days: every line the program ends with a new line, and the
// status line it rewrites in place (a carriage return, then the new text) only
// as it stands now. shift-solver rewrites its status line about 1,300 times a
// second; kept whole, that is gigabytes a day.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zentara {

// Lines beyond this many bytes push the oldest ones out, down to half of it.
inline constexpr std::size_t CONSOLE_LINES_LIMIT = 1 << 20;
// A line that grows past this without a line end is kept as if the terminal wrapped it.
inline constexpr std::size_t CONSOLE_LINE_LIMIT = 4096;
inline constexpr std::string_view CONSOLE_DROPPED_NOTE = "(earlier lines dropped to keep this file small)\n";

struct ConsoleScreen {
    std::string lines;    // finished lines, each with its "\n", oldest first
    std::string current;  // the line the cursor is on, as the terminal shows it
    std::size_t column = 0;
    unsigned drops = 0;  // times older lines were pushed out (the text then moves)
};

// Feeds program output through the screen: "\r" returns to the start of the
// line, later text overwrites it; "\n" finishes the line.
void feedConsole(ConsoleScreen& screen, std::string_view bytes);

// Finishes a line left open (a status line), as the next run starts on a new line.
void finishConsoleLine(ConsoleScreen& screen);

// The file's text: the note when lines were dropped, the lines, the open line.
std::string consoleText(const ConsoleScreen& screen);

}  // namespace zentara
