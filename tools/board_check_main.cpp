// board-check FILE: prints what is right and wrong with a board file.
// Exit 0 for a consistent board, 1 for an inconsistent one, 2 when it cannot be read.
#include <cstdio>
#include <iostream>
#include <string>

#include "core/board_check.hpp"
#include "core/command_line.hpp"

namespace {

constexpr const char* USAGE =
    "usage: board-check [--resume] FILE\n"
    "Checks a board file of the 16 x 16, 6 x 12 or 6 x 6 puzzle: pieces placed, matched and\n"
    "mismatched seams, frame faults, pieces used twice, numbers out of range, the hint piece.\n"
    "  --resume   also counts the cells shift-solver and berserker-solver refuse when they\n"
    "             resume from the board (they fix two more pieces than the hint)\n"
    "  --help     prints this text\n"
    "  --version  prints the suite's version\n"
    "Exit 0: consistent; 1: inconsistent; 2: the file cannot be read as a board, or usage.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara;
    const int answered =
        answerCommandLine(argc, argv, {"board-check", USAGE, {{"--resume"}}, 1, 1}, std::cout, std::cerr);
    if (answered >= 0) return answered;
    bool resume = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (file == nullptr && arg == "--") file = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--") break;
        if (arg == "--resume") resume = true;
        else file = argv[i];
    }
    BoardCheck check;
    std::string reason;
    if (!checkBoardFile(file, check, reason)) {
        std::printf("%s: unreadable: %s\n", file, reason.c_str());
        return 2;
    }
    std::fputs(formatCheckReport(file, check).c_str(), stdout);
    if (resume && check.kind == PuzzleKind::Board16x16) {
        std::printf("cells shift-solver refuses on resuming: %d\n", countResumeRefusals(check, ResumingSolver::Shift));
        std::printf("cells berserker-solver refuses on resuming: %d\n",
                    countResumeRefusals(check, ResumingSolver::Berserker));
    }
    return check.consistent() ? 0 : 1;
}
