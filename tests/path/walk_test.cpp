#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "path/random_solver.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara::path {
namespace {

// The walk's rules written the plain way, from the cells' own key reads and the
// lists' pool: a recursive search along the path that spends one unit of the
// budget at every step back and leaves each cell's last placement behind.
struct PlainWalk {
    PathCells& cells;
    const CandidateLists& lists;
    std::uint32_t budget;
    std::uint64_t steps = 0;
    bool used[PIECE_COUNT] = {};
    int deepest = 0;  // cells placed at the deepest point, the hint included

    bool search(int cell, int depth) {  // true: stop
        if (cell == HINT_CELL) return true;
        for (std::uint32_t entry = lists.first[cells.listOf(cell)]; lists.pool[entry] != END_OF_LIST; ++entry) {
            const int oriented = lists.pool[entry];
            if (used[pieceOfOriented(oriented)]) continue;
            used[pieceOfOriented(oriented)] = true;
            cells.place(cell, entry, oriented);
            deepest = std::max(deepest, depth + 1);
            if (search(cells.next[cell], depth + 1)) return true;
            used[pieceOfOriented(oriented)] = false;
        }
        ++steps;
        return --budget == 0;
    }
};

enum class Lists { AsBuilt, Perturbed, StartListRotated };

struct WalkCase {
    int pathMode;
    RandomState seed;
    std::uint32_t budget;
    Lists lists;
};

// The walk's code per path and step (its keys, the colours it hands on, its copy
// of the pool) against the plain search on every path: the same steps, the same
// depth and the same placement left on every cell. The perturbed and edited
// lists show that the walk reads the lists as they stand when it starts.
class PathWalkTest : public zentara::testing::TempDirTest {};

TEST_F(PathWalkTest, EveryPathWalksTheTreeOfThePlainSearch) {
    const WalkCase cases[] = {
        {0, 1, 300000, Lists::AsBuilt},          {1, 2, 300000, Lists::AsBuilt},
        {2, 3, 300000, Lists::AsBuilt},          {3, 4, 300000, Lists::AsBuilt},
        {4, 5, 300000, Lists::AsBuilt},          {5, 6, 300000, Lists::AsBuilt},
        {6, 7, 300000, Lists::AsBuilt},          {0, 8, 200000, Lists::Perturbed},
        {4, 9, 200000, Lists::Perturbed},        {5, 10, 200000, Lists::StartListRotated},
        {3, 11, 1, Lists::AsBuilt},              {6, 12, 7, Lists::StartListRotated},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "path " << c.pathMode << " seed " << c.seed << " budget " << c.budget);
        auto solver = std::make_unique<RandomSolver>();
        solver->limits.runBudget = c.budget;
        solver->limits.bestLevel = CELL_COUNT + 1;  // no board files
        setUpRandomSolver(*solver, c.pathMode, c.seed);
        if (c.lists == Lists::Perturbed) perturbCandidateLists(solver->lists, solver->random, PERTURB_SWAPS);
        if (c.lists == Lists::StartListRotated) {
            const std::uint32_t start = solver->lists.first[solver->cells.listOf(solver->cells.startCell)];
            std::swap(solver->lists.pool[start], solver->lists.pool[start + 1]);
        }
        auto plainCells = std::make_unique<PathCells>(solver->cells);
        const RunEnd end = runRandomSearch(*solver);

        PlainWalk plain{*plainCells, solver->lists, c.budget};
        plain.search(plainCells->startCell, 1);
        EXPECT_EQ(end, RunEnd::BudgetSpent);
        EXPECT_EQ(solver->backtrackSteps, plain.steps);
        EXPECT_EQ(solver->runLevel, plain.deepest);
        EXPECT_EQ(solver->cells.placement, plainCells->placement);
        EXPECT_EQ(solver->cells.sides, plainCells->sides);
    }
}

// Each entry of the walk's copy of the pool holds the pool's oriented piece, its
// piece and its four colours; every end marker stays one.
TEST(PathWalkTables, WalkPoolEntriesCarryThePiecesAndColoursOfThePool) {
    const std::pair<InsertMode, RandomState> cases[] = {
        {InsertMode::Append, 1}, {InsertMode::ByScore, 1}, {InsertMode::Random, 77}};
    for (const auto& [mode, seed] : cases) {
        auto lists = std::make_unique<CandidateLists>();
        auto walkPool = std::make_unique<WalkPool>();
        Random random{seed};
        buildCandidateLists(*lists, mode, random, computePieceScores());
        fillWalkPool(*walkPool, *lists);
        int ends = 0;
        for (std::uint32_t i = 0; i < POOL_SIZE; ++i) {
            const WalkEntry e = walkPool->entries[i];
            if (lists->pool[i] == END_OF_LIST) {
                ASSERT_EQ(e, WALK_END) << i;
                ++ends;
                continue;
            }
            const int oriented = lists->pool[i];
            ASSERT_NE(e, WALK_END) << i;
            ASSERT_EQ(e >> WALK_ORIENTED_SHIFT, static_cast<WalkEntry>(oriented)) << i;
            ASSERT_EQ(e >> WALK_PIECE_SHIFT, static_cast<WalkEntry>(pieceOfOriented(oriented))) << i;
            for (int side = 0; side < 4; ++side)
                ASSERT_EQ(e >> (KEY_BITS * side) & 31, ORIENTED_SIDES[oriented][side]) << i << " side " << side;
        }
        EXPECT_EQ(ends, static_cast<int>(LIST_COUNT) + 1);
    }
}

// The step plans read, for every step of every path, the key the cell's own
// reads give, with the previous step's colour taken from its walk entry.
TEST(PathWalkTables, StepPlansReadTheKeyOfTheirCell) {
    for (int mode = 0; mode < PATH_MODES; ++mode) {
        SCOPED_TRACE(::testing::Message() << "path " << mode);
        auto cells = std::make_unique<PathCells>();
        setUpPath(*cells, mode);
        Random random{static_cast<RandomState>(100 + mode)};
        std::array<int, CELL_COUNT> oriented{};
        for (int cell = 0; cell < CELL_COUNT; ++cell) {
            if (cell == HINT_CELL) continue;
            oriented[cell] = static_cast<int>(random.upTo(ORIENTED_COUNT - 1));
            cells->place(cell, NO_PLACEMENT, oriented[cell]);
        }
        const PathPlan& plan = PATH_PLANS[mode];
        for (int step = 0; step < PATH_LENGTH; ++step) {
            const StepPlan& at = plan[step];
            ASSERT_EQ(at.cell, step == 0 ? cells->startCell : cells->next[plan[step - 1].cell]) << step;
            const WalkEntry previous = step == 0 ? 0 : walkEntryOf(oriented[plan[step - 1].cell]);
            std::uint32_t key = 0;
            for (int i = 0; i < at.knownCount; ++i)
                key = key << KEY_BITS |
                      (at.reads[i] == FROM_PREVIOUS ? previous >> at.previousShift & 31 : cells->sideBytes()[at.reads[i]]);
            ASSERT_EQ(at.classBase + key, cells->listOf(at.cell)) << "step " << step;
        }
    }
}

}  // namespace
}  // namespace zentara::path
