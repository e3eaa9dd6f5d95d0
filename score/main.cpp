// score-solver: runs until stopped; Ctrl-C, SIGTERM or SIGHUP ends it at the
// next progress report with Stat.bin and Result.csv saved (exit 0), or with one
// line saying what was not saved (exit 1).
#include <iostream>

#include "core/console.hpp"
#include "core/command_line.hpp"
#include "core/dir_claim.hpp"
#include "core/stat_file.hpp"
#include "score/score_solver.hpp"

namespace {

constexpr const char* USAGE =
    "usage: score-solver [--pieces FILE]\n"
    "Searches the 16 x 16 puzzle depth first in reading order over shuffled candidate lists,\n"
    "restarting every 10,000,000 tests, and gathers neighbour statistics from good boards.\n"
    "Runs in the current directory.\n"
    "Reads:  Stat.bin (if present: its counts so far)\n"
    "Writes: Stat.bin, Stat.txt, Result.csv, record boards B%03d-%03d.csv\n"
    "Ends:   when stopped: Ctrl-C, SIGTERM or SIGHUP saves the statistics and exits 0\n"
    "        (1 if they could not be saved)\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";

zentara::score::ScoreSolver solver;  // 4 MiB of statistics and the tables: static storage
}

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "score-solver", USAGE); end >= 0) return end;
    // Two runs whose Stat.bin link to one file would each save over the other's counts.
    if (!zentara::claimWrittenFile(zentara::STAT_FILE_NAME, "score-solver")) return 1;
    zentara::lowerPriority(zentara::Priority::Idle);
    zentara::installStopHandlers();
    return zentara::score::runScoreSolver(solver, std::cout);
}
