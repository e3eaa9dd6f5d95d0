// path-solver: seeded path search with the compiled-in settings.
#include <iostream>

#include "core/console.hpp"
#include "path/path_solver.hpp"
#include "core/user_file.hpp"

namespace {
zentara::path::PathSolver solver;  // about 10 MB of lists: static, rebuilt every run
}  // namespace

int main() {
    zentara::removeStaleTemporaries(".");  // what killed runs left while writing
    zentara::lowerPriority(zentara::Priority::Idle);
    zentara::path::startPathSolver(solver, zentara::path::PATH_SOLVER_SETTINGS, zentara::timeSeedNow(), std::cout);
    const zentara::path::SearchEnd end = zentara::path::runPathSolver(solver, std::cout);
    return zentara::path::finishPathRun(solver, end, std::cout);
}
