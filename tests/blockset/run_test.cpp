// Whole seeded runs of the small-board programs: full boards the checker accepts,
// the file and status cadences, and exact repetition from a seed.
#include <filesystem>

#include "tests/blockset/blockset_support.hpp"

using namespace zentara;
using namespace zentara::blockset;
using namespace zentara::blockset::testing;
using zentara::testing::readFile;

namespace {

class BlockRun : public zentara::testing::TempDirTest {};

constexpr BlockRandom SEED_6X6{12345, 678};
constexpr BlockRandom SEED_6X12{8, 0};  // finds its first full board in its first variant

const char* const SMALL_FILES_6X6[] = {"Best36.csv", "Set36.csv", "Result.csv", "Blocks.csv"};

int filesHere() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++n;
    return n;
}

void removeFilesHere() {
    for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
}

template <class P>
std::unique_ptr<BlockSolver<P>> seededSolver(std::ostream& out, BlockRandom seed) {
    auto s = std::make_unique<BlockSolver<P>>();
    s->out = &out;
    s->random = seed;
    return s;
}

// The board files hold a complete, valid board; the block files every piece once.
template <class P>
void expectFullBoardFiles(const char* best, const char* set) {
    for (const char* name : {best, "Result.csv"}) {
        const BoardCheck check = checkWritten(name, KIND<P>);
        EXPECT_TRUE(check.complete()) << name;
        EXPECT_EQ(readFile(name).size(), static_cast<std::size_t>(P::LAYOUT.fileBytes())) << name;
    }
    for (const char* name : {set, "Blocks.csv"}) {
        const BoardCheck check = checkWritten(name, KIND<P>);
        EXPECT_EQ(check.piecesPlaced, P::PIECES) << name;
        EXPECT_EQ(check.piecesUsedTwice, 0) << name;
        EXPECT_EQ(readFile(name).size(), static_cast<std::size_t>(P::LAYOUT.fileBytes())) << name;
    }
}

}  // namespace

TEST_F(BlockRun, SeededRunsFindValidBoardsAndRepeatExactly) {
    std::string files[2][4];
    std::string output[2];
    std::int32_t variants[2]{};
    for (int run = 0; run < 2; ++run) {
        std::filesystem::create_directory(std::to_string(run));
        std::filesystem::current_path(std::to_string(run));
        std::ostringstream out;
        auto s = seededSolver<Puzzle6x6>(out, SEED_6X6);
        s->limits.solutions = 3;
        EXPECT_EQ(runBlockSolver(*s), RunEnd::Stopped);
        EXPECT_EQ(s->solutions, 3);
        EXPECT_EQ(s->maxLevel, 36);
        expectFullBoardFiles<Puzzle6x6>("Best36.csv", "Set36.csv");
        EXPECT_EQ(filesHere(), 4);
        for (int i = 0; i < 4; ++i) files[run][i] = readFile(SMALL_FILES_6X6[i]);
        output[run] = out.str();
        variants[run] = s->variants;
        std::filesystem::current_path("..");
    }
    EXPECT_EQ(output[0], "Zentara Block Set Solver (6x6 Puzzle)\n");
    EXPECT_EQ(output[1], output[0]);
    EXPECT_EQ(variants[1], variants[0]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(files[1][i], files[0][i]) << SMALL_FILES_6X6[i];
}

TEST_F(BlockRun, Board16x16ReachesItsFirstStatusLineAndEveryBoardChecks) {
    std::ostringstream out;
    auto s = seededSolver<Puzzle16x16>(out, BlockRandom{20261208, 16});
    s->limits.reports = 1;
    EXPECT_EQ(runBlockSolver(*s), RunEnd::Stopped);
    EXPECT_EQ(s->variants, 500);
    char expected[96];
    std::snprintf(expected, sizeof expected, "Zentara Block Set Solver\n\rVariants 500, Max. level %d  ",
                  static_cast<int>(s->maxLevel));
    EXPECT_EQ(out.str(), expected);
    // A numbered board for every level up to the deepest (136 is never a level), each
    // one the checker accepts; Result.csv is the deepest, Blocks.csv lists every piece.
    ASSERT_GT(s->maxLevel, 16);
    EXPECT_EQ(filesHere(), s->maxLevel - (s->maxLevel > HINT_CELL) + 2);
    expectBestBoards16x16(s->maxLevel);
    char deepest[32];
    std::snprintf(deepest, sizeof deepest, "Best%03d.csv", static_cast<int>(s->maxLevel));
    EXPECT_EQ(readFile("Result.csv"), readFile(deepest));
    const BoardCheck blocks = checkWritten("Blocks.csv", PuzzleKind::Board16x16);
    EXPECT_EQ(blocks.piecesPlaced, 256);
    EXPECT_EQ(blocks.piecesUsedTwice, 0);
}

TEST_F(BlockRun, Board6x12StatusAfterEveryVariantAndFilesAtFullBoard) {
    std::ostringstream out;
    auto s = seededSolver<Puzzle6x12>(out, SEED_6X12);
    s->limits.solutions = 1;
    EXPECT_EQ(runBlockSolver(*s), RunEnd::Stopped);
    ASSERT_EQ(s->solutions, 1);
    ASSERT_EQ(s->variants, 1);
    EXPECT_EQ(out.str(), "Zentara Block Set Solver (6x12 Puzzle)\n\rVariants 1, Max. level 0, Solutions: 0  ");
    expectFullBoardFiles<Puzzle6x12>("Best72.csv", "Set72.csv");
    EXPECT_EQ(filesHere(), 4);
}

TEST_F(BlockRun, NoFileBeforeTheFirstFullBoard) {
    std::ostringstream out;
    auto first = seededSolver<Puzzle6x6>(out, SEED_6X6);
    first->limits.solutions = 1;
    runBlockSolver(*first);
    const std::int32_t variantsToFirst = first->variants;
    ASSERT_GT(variantsToFirst, 1);
    removeFilesHere();

    // The same run stopped one variant earlier has written nothing at all.
    auto early = seededSolver<Puzzle6x6>(out, SEED_6X6);
    early->limits.variants = variantsToFirst - 1;
    EXPECT_EQ(runBlockSolver(*early), RunEnd::Stopped);
    EXPECT_EQ(early->solutions, 0);
    EXPECT_GT(early->maxLevel, 0);
    EXPECT_LT(early->maxLevel, 36);
    EXPECT_EQ(filesHere(), 0);
}

TEST_F(BlockRun, Board6x6FileCadence) {
    std::ostringstream out;
    auto s = seededSolver<Puzzle6x6>(out, SEED_6X6);
    // Files at the first full board...
    s->limits.solutions = 1;
    runBlockSolver(*s);
    EXPECT_EQ(filesHere(), 4);
    removeFilesHere();
    // ...none again up to the 200th...
    s->limits.solutions = 200;
    runBlockSolver(*s);
    EXPECT_EQ(s->solutions, 200);
    EXPECT_EQ(filesHere(), 0);
    // ...and all four at the 201st, showing that board.
    s->limits.solutions = 201;
    runBlockSolver(*s);
    EXPECT_EQ(filesHere(), 4);
    expectFullBoardFiles<Puzzle6x6>("Best36.csv", "Set36.csv");
}

namespace {
// The 6 x 12 cadence (files after every full board) on the quicker 6 x 6 board.
struct Puzzle6x6FilesEverySolution : Puzzle6x6 {
    static constexpr int FILE_COUNTDOWN_RELOAD = 1;
};
}  // namespace

TEST_F(BlockRun, FilesAfterEverySolutionWhenTheCountdownReloadsWithOne) {
    std::ostringstream out;
    auto s = seededSolver<Puzzle6x6FilesEverySolution>(out, SEED_6X6);
    for (int solutions = 1; solutions <= 3; ++solutions) {
        s->limits.solutions = solutions;
        runBlockSolver(*s);
        EXPECT_EQ(filesHere(), 4) << solutions;
        expectFullBoardFiles<Puzzle6x6>("Best36.csv", "Set36.csv");
        removeFilesHere();
    }
}

TEST_F(BlockRun, Board6x6StatusEvery20000Variants) {
    std::ostringstream out;
    auto s = seededSolver<Puzzle6x6>(out, SEED_6X6);
    s->limits.reports = 1;
    EXPECT_EQ(runBlockSolver(*s), RunEnd::Stopped);
    EXPECT_EQ(s->variants, 20000);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "Zentara Block Set Solver (6x6 Puzzle)\n\rVariants 20000, Max. level 36, Solutions: %d  ",
                  static_cast<int>(s->solutions));
    EXPECT_EQ(out.str(), expected);
    EXPECT_GT(s->solutions, 10);
}

namespace {
// A clock that notes what the console showed when the seed was taken.
std::ostringstream* consoleAtSeed = nullptr;
std::string shownAtSeed;
int clockReads = 0;
LocalTime fixedClock() {
    ++clockReads;
    if (consoleAtSeed != nullptr) shownAtSeed = consoleAtSeed->str();
    return LocalTime{7, 12, 34, 567};
}
}  // namespace

TEST_F(BlockRun, SeedIsTakenAfterTheBannerAndBeforeTheTables) {
    std::ostringstream out;
    auto s = seededSolver<Puzzle6x6>(out, BlockRandom{});
    s->seedClock = fixedClock;
    consoleAtSeed = &out;
    clockReads = 0;
    s->limits.variants = 1;
    EXPECT_EQ(runBlockSolver(*s), RunEnd::Stopped);
    consoleAtSeed = nullptr;
    EXPECT_EQ(clockReads, 1);
    EXPECT_EQ(shownAtSeed, "Zentara Block Set Solver (6x6 Puzzle)\n");
    // The run is the one the clock's seed gives.
    std::ostringstream again;
    auto t = seededSolver<Puzzle6x6>(again, BlockRandom::fromTime(LocalTime{7, 12, 34, 567}));
    t->limits.variants = 1;
    runBlockSolver(*t);
    EXPECT_EQ(s->random.w0, t->random.w0);
    EXPECT_EQ(s->random.w1, t->random.w1);
    EXPECT_EQ(s->records[20].rotation, t->records[20].rotation);
}
