// berserker-solver: grows the board by random placements until it is complete,
// resuming from the deepest best-board file in the working directory.
#include <iostream>

#include "berserker/berserker.hpp"
#include "core/console.hpp"
#include "core/command_line.hpp"

namespace {

constexpr const char* USAGE =
    "usage: berserker-solver [--pieces FILE]\n"
    "Random growth on free cells of the 16 x 16 puzzle with 3 x 3 knock-outs, fall-backs\n"
    "and big resets, resuming from the deepest best board. Runs in the current directory.\n"
    "Reads:  the deepest Best255.csv ... Best200.csv of more than 500 bytes\n"
    "Writes: Best%d.csv from level 200, Result.csv\n"
    "Ends:   at a full board (exit 0)\n"
    "One program per directory: a second one started there is refused.\n"
    "  --help     prints this text\n"
    "  --pieces FILE  runs on the pieces of your own plain list FILE\n"
    "  --version  prints the suite's version\n";

zentara::berserker::Berserker engine;  // about 5 MB of tables: static storage
}

int main(int argc, char** argv) {
    if (const int end = zentara::enterSolver(argc, argv, "berserker-solver", USAGE); end >= 0) return end;
    using namespace zentara;
    lowerPriority(Priority::Idle);
    printTo(std::cout, "Zentara Berserker\n");
    const RandomState seed = timeSeedNow();
    berserker::setUp(engine, seed);
    berserker::resumeFromBestFile(engine, std::cout);
    const BoardWriteConsole boardWrites(std::cout);
    berserker::runSearch(engine, std::cout);
    return berserker::finishRun(engine, std::cout);
}
