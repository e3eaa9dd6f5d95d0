// shift-solver: only --pieces; resumes from the deepest best board in the current
// directory and shifts pieces until the board is complete.
#include <iostream>

#include "shift/shift_search.hpp"
#include "core/command_line.hpp"

namespace {
constexpr const char* USAGE =
    "usage: shift-solver [--pieces FILE]\n"
    "Self-tuning local search on the 16 x 16 puzzle that shifts fitting pieces into empty\n"
    "cells, resuming from the deepest best board. Runs in the current directory, with no\n"
    "arguments.\n"
    "Reads:  the deepest Best255.csv ... Best200.csv of more than 500 bytes\n"
    "Writes: Best%d.csv from level 200, Result.csv\n"
    "Ends:   at a full board (exit 0)\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";
}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "shift-solver", USAGE); end >= 0) return end;
    static zentara::shift::ShiftSearch search;
    return zentara::shift::runShiftSolver(search, std::cout);
}
