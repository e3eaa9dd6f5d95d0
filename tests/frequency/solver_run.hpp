// Runs the frequency engine in the current directory with a fixed seed and keeps
// its console output.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "frequency/frequency_solver.hpp"

namespace zentara::testing {

struct SolverRun {
    int exitCode = -1;
    std::string console;
};

inline std::unique_ptr<frequency::FrequencyEngine> makeEngine() {
    return std::make_unique<frequency::FrequencyEngine>();
}

inline SolverRun runSolver(frequency::FrequencyEngine& engine, RandomState seed, int reportLimit = 0) {
    std::ostringstream out;
    SolverRun run;
    run.exitCode = frequency::runFrequencySolver(engine, out, RunLimits{.seed = seed, .reports = reportLimit});
    run.console = out.str();
    return run;
}

}  // namespace zentara::testing
