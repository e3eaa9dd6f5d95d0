// score-solver: runs until stopped; Ctrl-C, SIGTERM or SIGHUP ends it at the
// next progress report with Stat.bin and Result.csv saved (exit 0), or with one
// line saying what was not saved (exit 1).
#include <iostream>

#include "core/console.hpp"
#include "core/user_file.hpp"
#include "score/score_solver.hpp"

namespace {
zentara::score::ScoreSolver solver;  // 4 MiB of statistics and the tables: static storage
}

int main() {
    zentara::lowerPriority(zentara::Priority::Idle);
    zentara::installStopHandlers();
    zentara::removeStaleTemporaries(".");
    return zentara::score::runScoreSolver(solver, std::cout);
}
