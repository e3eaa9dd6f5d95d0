// board-check FILE: prints what is right and wrong with a board file.
// Exit 0 for a consistent board, 1 for an inconsistent one, 2 when it cannot be read.
#include <cstdio>
#include <string>

#include "core/board_check.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: board-check FILE\n");
        return 2;
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
