// Everything around the search: start-up, the board reset, the two board files
// and the progress report with its countdowns.
#include <cstdio>

#include "core/checks.hpp"
#include "core/console.hpp"
#include "core/user_file.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

void toPlacedCells(const SearchCell* board, Board16& out) {
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const SearchCell& c = board[cell];
        // A zeroed board (before the first copy) has no position: empty as well.
        if (c.colours == EMPTY_COLOURS || c.position == nullptr || *c.position == nullptr) {
            out[cell] = PlacedCell{};
        } else {
            const OrientedPiece& record = **c.position;
            out[cell] = PlacedCell{static_cast<std::int16_t>(record.piece), record.rotation};
        }
    }
}

void buildFirstLists(ScoreSolver& s, RandomState seed) {
    s.random = seed;
    buildCandidateTables(s.tables, s.random);
    startFreshStarts(s.freshStarts, seed, drawKeyBits(static_cast<std::uint16_t>(s.tables.largestList - 1)));
    (void)enterUnit(s.freshStarts, seed);
}

void rebuildLists(ScoreSolver& s) {
    const bool fresh = enterUnit(s.freshStarts, s.random);
    buildCandidateTables(s.tables, s.random, fresh ? &s.freshStarts : nullptr);
}

void resetBoard(ScoreSolver& s) {
    // Step 1. Counters.
    s.level = 1;
    s.periodLevel = 1;
    s.score = 0;
    s.periodScore = 0;
    // Step 2. Every cell empty; the sentinel shows the border colour to row 0 and column 0.
    for (int cell = 0; cell < CELL_COUNT; ++cell) s.workBoard[cell] = SearchCell{nullptr, EMPTY_COLOURS, 0};
    s.workBoard[BORDER_SENTINEL] = SearchCell{nullptr, 0, 0};
    // Step 3. No piece used.
    s.usedOriented.fill(0);
    // Step 4. The hint from the first slot of the hint list.
    const Slot* hint = s.tables.hintList.first;
    s.workBoard[HINT_CELL].position = hint;
    s.workBoard[HINT_CELL].colours = (*hint)->colours;
    setPieceUsed(s, (*hint)->piece, 1);
}

void writeResultBoard(const ScoreSolver& s) {
    Board16 cells;
    toPlacedCells(s.periodBestBoard.data(), cells);
    (void)writeBoardFile("Result.csv", cells.data(), LAYOUT_16X16);
}

void writeRecordBoard(const ScoreSolver& s) {
    if (s.score < RECORD_SCORE) return;
    char name[32];
    std::snprintf(name, sizeof name, "B%03d-%03d.csv", static_cast<int>(s.level), static_cast<int>(s.score));
    Board16 cells;
    toPlacedCells(s.workBoard.data(), cells);
    (void)writeBoardFile(name, cells.data(), LAYOUT_16X16);
}

namespace {

// A save stuck on the file (a hung network share, say) must not keep the
// program from stopping: a second stop signal ends it there.
int saveStatisticsNow(const ScoreSolver& s) {
    const StopWhileWaiting guard("\nStatistics not saved: stopped while writing Stat.bin\n", 1, true);
    return saveStatistics(s);
}

}  // namespace

void reportProgress(ScoreSolver& s) {
    ZENTARA_RECOUNT(checkSearchState(s));
    // Step 1. The status line.
    s.testsTotal += 10;
    printTo(*s.out, "\rLevel/Score: %3d/%3d, Best: %3d/%3d, Tests: %d M, Resets: %d ", s.periodLevel, s.periodScore,
            s.bestLevel, s.bestScore, s.testsTotal, s.resetsTotal);
    toPlacedCells(s.periodBestBoard.data(), s.reportedBoard);  // before the rebuild reorders the lists
    // Step 2. Deep periods feed the statistics.
    if (s.periodLevel > GATHER_LEVEL) gatherStatistics(s);
    // Step 3. A new period.
    s.periodLevel = 1;
    s.periodScore = 0;
    // Step 4. Result.csv and Stat.bin every fifth report, Stat.txt every tenth save.
    bool saved = false;
    int saveError = 0;
    if (--s.resultCountdown <= 0) {
        s.resultCountdown = RESULT_PERIOD;
        writeResultBoard(s);
        saveError = saveStatisticsNow(s);
        saved = true;
        if (--s.statisticsReportCountdown <= 0) {
            s.statisticsReportCountdown = STATISTICS_REPORT_PERIOD;
            writeStatisticsReport(s);
        }
    }
    // A stop request (Ctrl-C, SIGTERM, SIGHUP) only set a flag; the search ends
    // here with everything gathered so far on disk, or says what is not.
    const bool stopping = stopRequested();
    if (stopping && !saved) {
        writeResultBoard(s);
        saveError = saveStatisticsNow(s);
        saved = true;
    }
    if (stopping) {
        if (saveError != 0) {
            printTo(*s.out, "\nStatistics not saved: Stat.bin: %s\n", fileErrorText(saveError));
            s.exitCode = 1;
        } else {
            printTo(*s.out, "\n");  // the status line ends before the program does
        }
    } else if (saved && (saveError != 0) != (s.saveError != 0)) {
        // A failing save is said once, and again when saving works again.
        if (saveError != 0)
            printTo(*s.out, "\nStat.bin not saved: %s; trying again at the next save\n", fileErrorText(saveError));
        else
            printTo(*s.out, "\nStat.bin saved again\n");
    }
    if (saved) s.saveError = saveError;
    // Step 5. Reset with fresh list orders.
    if (--s.resetCountdown <= 0) {
        ++s.resetsTotal;
        s.resetCountdown = RESET_PERIOD;
        s.resetRequested = true;
        rebuildLists(s);
        resetBoard(s);
    }
    ++s.reportsDone;
    if (stopping) {
        s.endRun = true;
        s.endReason = SearchEnd::Stopped;
    } else if (s.reportLimit > 0 && s.reportsDone >= s.reportLimit) {
        s.endRun = true;
        s.endReason = SearchEnd::ReportLimit;
    }
}

int runScoreSolver(ScoreSolver& s, std::ostream& out, const RunLimits& limits) {
    const BoardWriteConsole boardWrites(out);
    s.out = &out;
    s.testsPerReport = orOwn(limits.workPerReport, TESTS_PER_REPORT);
    s.testCountdown = s.testsPerReport;
    s.reportLimit = static_cast<std::int32_t>(limits.reports);
    printTo(*s.out, "Zentara Score Solver\n");
    {
        // Nothing is gathered yet, so a stop while Stat.bin is read loses nothing.
        const StopWhileWaiting guard("\nStopped while reading Stat.bin; nothing written\n", 0);
        if (const StatLoad load = loadStatistics(s); !load.usable()) {
            if (load.refusal == StatRefusal::Unreadable) {
                printTo(*s.out, "Cannot read Stat.bin: %s\n", fileErrorText(load.read.error));
            } else {
                char reason[200];
                describeStatLoad(load, reason, sizeof reason);
                printTo(*s.out, "Cannot use Stat.bin: %s; nothing written\n", reason);
            }
            return 1;
        }
    }
    buildFirstLists(s, limits.seed ? *limits.seed : timeSeedNow());
    resetBoard(s);
    s.bestLevel = 1;
    s.bestScore = 0;
    s.exitCode = 0;
    s.saveError = 0;
    (void)runSearch(s);
    return s.exitCode;
}

}  // namespace zentara::score
