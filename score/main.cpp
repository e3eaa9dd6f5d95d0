// score-solver: runs until stopped; Ctrl-C or SIGTERM ends it at the next
// progress report with Stat.bin and Result.csv saved.
#include <iostream>

#include "core/console.hpp"
#include "score/score_solver.hpp"

namespace {
zentara::score::ScoreSolver solver;  // 4 MiB of statistics and the tables: static storage
}

int main() {
    zentara::lowerPriority(zentara::Priority::Idle);
    zentara::installStopHandlers();
    zentara::score::ScoreRunOptions options;
    options.out = &std::cout;
    return zentara::score::runScoreSolver(solver, options);
}
