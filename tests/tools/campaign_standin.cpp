// A stand-in for a solver in campaign tests: records the time seed it would use,
// writes best-board files like a 16 x 16 solver, prints a status line, and runs
// until SIGTERM, which it answers by saving a file, as score-solver saves its
// statistics. It writes no boards when STANDIN_BOARDS=0; STANDIN_TOP=N puts its
// deeper board at N - k pieces instead of 256 - k (below a seed board, say).
// Like a solver it first claims its directory; STANDIN_CLAIM_MS=N makes it take
// N milliseconds to get there, as a program slow to start would.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "core/board_file.hpp"
#include "core/console.hpp"
#include "core/dir_claim.hpp"
#include "core/random.hpp"

int main() {
    using namespace zentara;
    installStopHandlers();
    if (const char* slow = std::getenv("STANDIN_CLAIM_MS")) usleep(static_cast<useconds_t>(std::atoi(slow)) * 1000);
    if (!claimWorkingDirectory("campaign-standin")) return 1;
    const LocalTime t = readLocalTime();
    const RandomState seed = timeSeed(t);
    {
        std::ofstream out("start.txt");
        out << t.day << ' ' << t.minute << ' ' << t.second << ' ' << t.millisecond << ' ' << seed << '\n';
    }
    // Instance k (from its directory name) holds a level-200 board and the
    // planted solution with k cells emptied under the name of its level.
    const std::string here = std::filesystem::current_path().filename().string();
    const int k = std::atoi(here.c_str() + here.find_last_of('-') + 1);
    const char* boards = std::getenv("STANDIN_BOARDS");
    const char* topText = std::getenv("STANDIN_TOP");
    const int top = topText ? std::atoi(topText) : CELL_COUNT;
    int reached = 1;
    if (k > 0 && !(boards && std::strcmp(boards, "0") == 0)) {
        std::ifstream in(ZENTARA_SOURCE_DIR "/data/solution_16x16.csv", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        Board16 cells{};
        parseBoardBytes(bytes.str(), cells);
        Board16 low = cells;
        for (int c = 200; c < CELL_COUNT; ++c) low[c] = PlacedCell{};
        writeBoardFile("Best200.csv", low.data(), LAYOUT_16X16);
        reached = top - k;
        for (int c = 0; c < CELL_COUNT - reached; ++c) cells[c] = PlacedCell{};
        char name[32];
        std::snprintf(name, sizeof name, "Best%03d.csv", reached);
        writeBoardFile(name, cells.data(), LAYOUT_16X16);
    }
    printTo(std::cout, "\rLevel %d, max. %d, stand-in %s running ", reached, reached, here.c_str());
    while (!stopRequested()) usleep(5000);
    std::ofstream("stopped.txt") << "stopped on request\n";
    printTo(std::cout, "\rLevel %d, max. %d, stand-in %s stopped ", reached, reached, here.c_str());
    return 0;
}
