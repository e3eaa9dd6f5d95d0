// random-solver: depth-first runs along the path chosen in ZentaraRnd.ini, for ever.
#include <iostream>

#include "core/console.hpp"
#include "core/huge_pages.hpp"
#include "path/random_solver.hpp"
#include "path/settings.hpp"
#include "core/command_line.hpp"

namespace {

constexpr const char* USAGE =
    "usage: random-solver [--pieces FILE]\n"
    "Depth-first runs of 20,000,000 steps along one of seven cell paths of the 16 x 16\n"
    "puzzle, perturbing its lists between runs. Runs in the current directory, with no\n"
    "arguments.\n"
    "Reads:  ZentaraRnd.ini (key PathMode in section Global, 0 to 6, default 0)\n"
    "Writes: Best%03d.csv from level 200, Result.csv\n"
    "Ends:   never; stop it with Ctrl-C or SIGTERM\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";

constexpr zentara::RandomState COMPILED_SEED = 0;  // 0 takes the time seed
}  // namespace

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "random-solver", USAGE); end >= 0) return end;
    const int pathMode = zentara::path::readPathMode();
    zentara::lowerPriority(zentara::Priority::BelowNormal);
    const zentara::RandomState seed = COMPILED_SEED != 0 ? COMPILED_SEED : zentara::timeSeedNow();
    // About 12 MB of lists and walk pool, read all over by the walk.
    const auto solverOnHugePages = zentara::makeOnHugePages<zentara::path::RandomSolver>();
    zentara::path::RandomSolver& solver = *solverOnHugePages;
    zentara::path::setUpRandomSolver(solver, pathMode, seed);
    zentara::path::runRandomSolver(solver, std::cout);
    return 0;
}
