// berserker-solver: grows the board by random placements until it is complete,
// resuming from the deepest best-board file in the working directory.
#include <iostream>

#include "berserker/berserker.hpp"
#include "core/console.hpp"
#include "core/user_file.hpp"

namespace {
zentara::berserker::Berserker engine;  // about 5 MB of tables: static storage
}

int main() {
    using namespace zentara;
    removeStaleTemporaries(".");  // what killed runs left while writing
    lowerPriority(Priority::Idle);
    printTo(std::cout, "Zentara Berserker\n");
    const RandomState seed = timeSeedNow();
    berserker::setUp(engine, seed);
    berserker::resumeFromBestFile(engine, std::cout);
    const BoardWriteConsole boardWrites(std::cout);
    berserker::runSearch(engine, std::cout);
    return berserker::finishRun(engine, std::cout);
}
