// frequency-solver: builds weighted candidate lists from the neighbour statistics in
// Stat.bin and searches the 16 x 16 board once through. No arguments.
#include <iostream>

#include "core/console.hpp"
#include "frequency/frequency_solver.hpp"
#include "core/user_file.hpp"

namespace {
zentara::frequency::FrequencyEngine engine;  // about 80 MB of tables, static
}

int main() {
    zentara::removeStaleTemporaries(".");  // what killed runs left while writing
    zentara::lowerPriority(zentara::Priority::Idle);
    zentara::printTo(std::cout, "Zentara Frequency Solver\n");
    return zentara::frequency::runFrequencySolver(engine, std::cout);
}
