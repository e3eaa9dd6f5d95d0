// board-check FILE: prints what is right and wrong with a board file.
// Exit 0 for a consistent board, 1 for an inconsistent one, 2 when it cannot be read.
#include <cstdio>
#include <iostream>
#include <string>

#include "core/board_check.hpp"
#include "tools/usage.hpp"

namespace {

constexpr const char* USAGE =
    "usage: board-check FILE\n"
    "Checks a board file of the 16 x 16, 6 x 12 or 6 x 6 puzzle: pieces placed, matched and\n"
    "mismatched seams, frame faults, pieces used twice, numbers out of range, the hint piece.\n"
    "Exit 0: consistent; 1: inconsistent; 2: the file cannot be read as a board.\n";

}  // namespace

int main(int argc, char** argv) {
    const int answered = zentara::answerHelpOrUnknownOption(argc, argv, {}, USAGE, std::cout, std::cerr);
    if (answered >= 0) return answered;
    if (argc != 2) {
        std::cerr << USAGE;
        return zentara::EXIT_USAGE;
    }
    zentara::BoardCheck check;
    std::string reason;
    if (!zentara::checkBoardFile(argv[1], check, reason)) {
        std::printf("%s: unreadable: %s\n", argv[1], reason.c_str());
        return 2;
    }
    std::fputs(zentara::formatCheckReport(argv[1], check).c_str(), stdout);
    return check.consistent() ? 0 : 1;
}
