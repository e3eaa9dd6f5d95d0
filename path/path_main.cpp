// path-solver: seeded path search with the compiled-in settings.
#include <iostream>

#include "core/console.hpp"
#include "core/huge_pages.hpp"
#include "path/path_solver.hpp"
#include "core/command_line.hpp"

namespace {

constexpr const char* USAGE =
    "usage: path-solver [--pieces FILE]\n"
    "Seeded, repeatable runs along a compiled-in path of the 16 x 16 puzzle, with automatic\n"
    "reset; prints its settings at start. Runs in the current directory.\n"
    "Reads:  nothing\n"
    "Writes: Best%d.csv from level 180, Result.csv\n"
    "Ends:   in practice never (exit 0 if its whole tree is searched); stop it with Ctrl-C\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";

}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "path-solver", USAGE); end >= 0) return end;
    zentara::lowerPriority(zentara::Priority::Idle);
    // About 12 MB of lists and walk pool, read all over by the walk.
    const auto solverOnHugePages = zentara::makeOnHugePages<zentara::path::PathSolver>();
    zentara::path::PathSolver& solver = *solverOnHugePages;
    zentara::path::startPathSolver(solver, zentara::path::PATH_SOLVER_SETTINGS, zentara::timeSeedNow(), std::cout);
    const zentara::path::SearchEnd end = zentara::path::runPathSolver(solver, std::cout);
    return zentara::path::finishPathRun(solver, end, std::cout);
}
