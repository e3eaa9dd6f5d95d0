// random-solver: depth-first runs along the path chosen in ZentaraRnd.ini, for ever.
#include <iostream>

#include "core/console.hpp"
#include "path/random_solver.hpp"
#include "path/settings.hpp"
#include "core/user_file.hpp"

namespace {
zentara::path::RandomSolver solver;  // about 10 MB of lists: static, built once
constexpr zentara::RandomState COMPILED_SEED = 0;  // 0 takes the time seed
}  // namespace

int main() {
    zentara::removeStaleTemporaries(".");  // what killed runs left while writing
    const int pathMode = zentara::path::readPathMode();
    zentara::lowerPriority(zentara::Priority::BelowNormal);
    const zentara::RandomState seed = COMPILED_SEED != 0 ? COMPILED_SEED : zentara::timeSeedNow();
    zentara::path::setUpRandomSolver(solver, pathMode, seed);
    zentara::path::runRandomSolver(solver, std::cout);
    return 0;
}
