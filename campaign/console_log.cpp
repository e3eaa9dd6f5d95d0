#include "campaign/console_log.hpp"

namespace zentara {

namespace {

void finishLine(ConsoleScreen& screen) {
    screen.lines += screen.current;
    screen.lines += '\n';
    screen.current.clear();
    screen.column = 0;
    if (screen.lines.size() <= CONSOLE_LINES_LIMIT) return;
    // Down to half, at a line start, so that this happens once per half a limit of lines.
    std::size_t cut = screen.lines.size() - CONSOLE_LINES_LIMIT / 2;
    cut = screen.lines.find('\n', cut - 1) + 1;
    screen.lines.erase(0, cut);
    ++screen.drops;
}

}  // namespace

void feedConsole(ConsoleScreen& screen, std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') {
            finishLine(screen);
        } else if (c == '\r') {
            screen.column = 0;
        } else {
            if (screen.column == CONSOLE_LINE_LIMIT) finishLine(screen);
            if (screen.column < screen.current.size()) {
                screen.current[screen.column] = c;
            } else {
                screen.current += c;
            }
            ++screen.column;
        }
    }
}

void finishConsoleLine(ConsoleScreen& screen) {
    if (!screen.current.empty()) finishLine(screen);
    screen.column = 0;
}

std::string consoleText(const ConsoleScreen& screen) {
    std::string text;
    if (screen.drops > 0) text = CONSOLE_DROPPED_NOTE;
    text += screen.lines;
    text += screen.current;
    return text;
}

}  // namespace zentara
