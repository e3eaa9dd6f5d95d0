// The search against a slow model written straight from the rules, step by step:
// own board, own list choice per cell, own counters and report. Both start from
// the same seed, so they meet the same list orders; after every report the status
// line, the period's best board and the statistics must agree exactly.
#include <cstdio>

#include "tests/support/temp_dir.hpp"
#include "tests/score/support.hpp"

namespace zentara::score {
namespace {

using namespace testing;

struct ModelCell {
    const Slot* position = nullptr;
    std::uint32_t colours = EMPTY_COLOURS;
    int joinCount = 0;
};

struct Model {
    CandidateTables tables;
    RandomState random = 0;
    ModelCell board[CELL_COUNT];
    bool used[PIECE_COUNT] = {};
    int level = 1, score = 0, periodLevel = 1, periodScore = 0, bestLevel = 1, bestScore = 0;
    Board16 periodBest{};
    std::uint32_t countdown = 0, period = 0;
    int testsTotal = 0, resetsTotal = 0, resultCountdown = 5;
    Counts statistics;
    std::string console;
    std::vector<Board16> reportedBoards;
    std::vector<std::pair<int, int>> records;  // (level, score) of every record board written
    long cellsLeftEmpty = 0;

    static int next(int cell) { return cell == 134 ? 136 : cell + 1; }
    static int previous(int cell) { return cell == 136 ? 134 : cell - 1; }
    static int threshold(int cell) {
        static constexpr int R[4] = {352, 375, 394, 408};
        return cell < 192 ? 1 << 30 : R[cell / 16 - 12] + 2 * (cell % 16);
    }

    Board16 snapshot() const {
        Board16 cells;
        for (int c = 0; c < CELL_COUNT; ++c) {
            if (board[c].colours == EMPTY_COLOURS) {
                cells[c] = PlacedCell{};
            } else {
                const OrientedPiece& r = **board[c].position;
                cells[c] = PlacedCell{static_cast<std::int16_t>(r.piece), r.rotation};
            }
        }
        return cells;
    }

    void resetBoard() {
        level = 1, periodLevel = 1, score = 0, periodScore = 0;
        for (ModelCell& c : board) c = ModelCell{};
        for (bool& u : used) u = false;
        board[HINT_CELL].position = tables.hintList.first;
        board[HINT_CELL].colours = (*tables.hintList.first)->colours;
        used[(*tables.hintList.first)->piece] = true;
    }

    // The list and join count of a cell, case by case as the rule table has them.
    const CandidateList& listOf(int cell, int& joins) const {
        const int row = cell / 16, column = cell % 16;
        const int U = row > 0 ? static_cast<int>(board[cell - 16].colours & 0xFF) : 0;
        const int L = column > 0 ? static_cast<int>(board[cell - 1].colours >> 24) : 0;
        const int above = U != 23, left = L != 23;
        if (cell == 0) return joins = 0, tables.table(OPEN_TABLE, 0, 0);
        if (cell < 15) return joins = left, tables.table(OPEN_TABLE, 0, L);
        if (cell == 15) return joins = left, tables.table(RIGHT_BORDER_TABLE, 0, L);
        if (cell == 240) return joins = above, tables.table(BOTTOM_BORDER_TABLE, U, 0);
        if (cell == 255) return joins = left + above, tables.table(CORNER_TABLE, U, L);
        if (row == 15) return joins = left + above, tables.table(BOTTOM_BORDER_TABLE, U, L);
        if (column == 0) return joins = above, tables.table(OPEN_TABLE, U, 0);
        if (column == 15) return joins = left + above, tables.table(RIGHT_BORDER_TABLE, U, L);
        if (cell == 119 || cell == 134) return joins = left + above + 1, tables.table(OPEN_TABLE, U, L);
        if (cell == 136) return joins = above + 1, tables.table(OPEN_TABLE, U, 9);
        if (cell == 151) return joins = left + 1, tables.table(OPEN_TABLE, 9, L);
        return joins = left + above, tables.table(OPEN_TABLE, U, L);
    }

    bool passOver(int cell, const OrientedPiece* r) const {
        if (cell == 119 && (r->colours & 0xFF) != 8) return true;
        if (cell == 134 && (r->colours >> 24) != 12) return true;
        return used[r->piece];
    }

    void report() {
        testsTotal += 10;
        char line[128];
        std::snprintf(line, sizeof line, "\rLevel/Score: %3d/%3d, Best: %3d/%3d, Tests: %d M, Resets: %d ", periodLevel,
                      periodScore, bestLevel, bestScore, testsTotal, resetsTotal);
        console += line;
        reportedBoards.push_back(periodBest);
        if (periodLevel > 150) addSeams(periodBest, statistics);
        periodLevel = 1;
        periodScore = 0;
        if (--resultCountdown <= 0) resultCountdown = 5;
        ++resetsTotal;
        buildCandidateTables(tables, random);
        resetBoard();
    }

    // Runs until `reports` reports have been made.
    void run(int reports) {
        enum { START, ENTER, SCAN, END_OF_LIST, TAKE_BACK, COUNT } step = START;
        int cell = 0, joins = 0;
        const Slot* position = nullptr;
        for (;;) {
            switch (step) {
            case START:
                cell = 0;
                position = listOf(0, joins).first;
                step = SCAN;
                break;
            case ENTER: {
                const CandidateList& list = listOf(cell, joins);
                if (joins == 0) {
                    cell = previous(cell);
                    step = TAKE_BACK;
                } else {
                    position = list.first;
                    step = SCAN;
                }
                break;
            }
            case SCAN:
                while (*position != nullptr && passOver(cell, *position)) ++position;
                if (*position == nullptr) {
                    step = END_OF_LIST;
                    break;
                }
                used[(*position)->piece] = true;
                board[cell] = ModelCell{position, (*position)->colours, joins};
                score += joins;
                if (score > periodScore) {
                    periodScore = score;
                    periodBest = snapshot();
                }
                ++level;
                if (level > periodLevel) periodLevel = level;
                if (level > bestLevel) {
                    bestLevel = level;
                    if (score > bestScore) bestScore = score;
                    if (score >= 430) records.emplace_back(level, score);
                } else if (score > bestScore) {
                    bestScore = score;
                    if (score >= 430) records.emplace_back(level, score);
                }
                step = COUNT;
                break;
            case END_OF_LIST:
                if (cell < 192 || score < threshold(cell)) {
                    if (cell == 0) return;
                    cell = previous(cell);
                    step = TAKE_BACK;
                } else {
                    board[cell].position = position;  // on the terminator; colours stay empty
                    ++cellsLeftEmpty;
                    step = COUNT;
                }
                break;
            case COUNT:
                if (--countdown == 0) {
                    report();
                    countdown = period;
                    if (static_cast<int>(reportedBoards.size()) == reports) return;
                    step = START;
                    break;
                }
                if (cell == 255) {
                    step = TAKE_BACK;
                } else {
                    cell = next(cell);
                    step = ENTER;
                }
                break;
            case TAKE_BACK:
                while (*board[cell].position == nullptr) cell = previous(cell);
                board[cell].colours = EMPTY_COLOURS;
                used[(*board[cell].position)->piece] = false;
                joins = board[cell].joinCount;
                score -= joins;
                --level;
                position = board[cell].position + 1;
                step = SCAN;
                break;
            }
        }
    }
};

class ReferenceSearchTest : public zentara::testing::TempDirTest {};

void expectSameRun(RandomState seed, std::uint32_t period, int reports) {
    auto model = std::make_unique<Model>();
    model->random = seed;
    model->period = model->countdown = period;
    buildCandidateTables(model->tables, model->random);
    model->resetBoard();
    model->run(reports);
    EXPECT_GT(model->cellsLeftEmpty, 0) << "no cell was left empty: the run proves little";

    auto solver = std::make_unique<ScoreSolver>();
    std::ostringstream console;
    runScoreSolver(*solver, console, RunLimits{.seed = seed, .reports = 1, .workPerReport = period});
    for (int report = 1; report <= reports; ++report) {
        if (report > 1) {
            solver->reportLimit = report;
            runSearch(*solver);
        }
        EXPECT_EQ(solver->reportedBoard, model->reportedBoards[report - 1]) << "report " << report;
    }
    EXPECT_EQ(console.str(), "Zentara Score Solver\n" + model->console);

    std::uint64_t total = 0, expectedTotal = 0;
    for (std::uint32_t v : solver->statistics) total += v;
    for (const auto& [index, n] : model->statistics) {
        EXPECT_EQ(solver->statistics[index], n) << index;
        expectedTotal += n;
    }
    EXPECT_EQ(total, expectedTotal);

    std::vector<std::pair<int, int>> written;
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        int level = 0, score = 0;
        if (std::sscanf(e.path().filename().c_str(), "B%d-%d.csv", &level, &score) == 2) written.emplace_back(level, score);
    }
    std::sort(written.begin(), written.end());
    std::sort(model->records.begin(), model->records.end());
    model->records.erase(std::unique(model->records.begin(), model->records.end()), model->records.end());
    EXPECT_EQ(written, model->records);
}

// Short periods: deep enough that rows 12..15 see cells left empty.
TEST_F(ReferenceSearchTest, ShortPeriodsAgreeWithTheModel) { expectSameRun(424242, 100'000, 6); }

TEST_F(ReferenceSearchTest, LongerPeriodsAgreeWithTheModel) { expectSameRun(77, 500'000, 3); }

}  // namespace
}  // namespace zentara::score
