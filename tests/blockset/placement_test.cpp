// The placement search and its files, on the planted rotations: the search must
// find a full board, and every board it writes must pass the checker.
#include <filesystem>

#include "tests/blockset/blockset_support.hpp"

using namespace zentara;
using namespace zentara::blockset;
using namespace zentara::blockset::testing;
using zentara::testing::readFile;

namespace {

class BlockPlacement : public zentara::testing::TempDirTest {};

std::set<std::string> filesHere() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) names.insert(entry.path().filename().string());
    return names;
}

// A block list holds every piece once; returns the rotation shown for `piece`.
template <class P>
int expectEveryPieceOnce(const std::string& name, int piece) {
    BoardCheck check = checkWritten(name.c_str(), KIND<P>);
    std::set<int> seen;
    int rotation = -1;
    for (const PlacedCell& c : check.cells) {
        seen.insert(c.piece);
        if (c.piece == piece) rotation = c.rotation;
    }
    EXPECT_EQ(static_cast<int>(seen.size()), P::PIECES) << name;
    EXPECT_EQ(check.piecesPlaced, P::PIECES) << name;
    return rotation;
}

template <class P>
std::unique_ptr<BlockSolver<P>> plantedSearch(std::ostream& out) {
    auto s = startedSolver<P>(out);
    plantRotations(*s);
    buildCandidateLists(*s);
    return s;
}

}  // namespace

TEST_F(BlockPlacement, PlantedRotationsFill16x16AndEveryBestFileChecks) {
    std::ostringstream out;
    auto s = plantedSearch<Puzzle16x16>(out);
    // The corners are the only candidates of the four corner cells.
    auto onlyCandidate = [&](int table, bool byTop, int rotation) {
        int found = 0;
        for (int key = 0; key < BlockSolver<Puzzle16x16>::HEADS; ++key) {
            const int top = key % Puzzle16x16::COLOURS, left = key / Puzzle16x16::COLOURS;
            if (table != CORNER_TABLE && (byTop ? top : left) != BORDER_COLOUR) continue;
            for (int r = s->heads[table][key]; r != NO_RECORD; r = s->records[r].next) {
                if (table == OPEN_TABLE && (top != 0 || left != 0)) continue;
                ++found;
                EXPECT_LT(r, 4);
                EXPECT_EQ(s->records[r].rotation, rotation);
            }
        }
        EXPECT_EQ(found, 1) << "table " << table;
    };
    onlyCandidate(OPEN_TABLE, true, 1);           // cell 0
    onlyCandidate(RIGHT_BORDER_TABLE, true, 2);   // cell 15
    onlyCandidate(BOTTOM_BORDER_TABLE, false, 0); // cell 240
    onlyCandidate(CORNER_TABLE, true, 3);         // cell 255

    ASSERT_TRUE(placePieces(*s));
    EXPECT_EQ(s->level, 256);
    EXPECT_EQ(s->maxLevel, 256);
    finishFullBoard(*s);
    EXPECT_EQ(out.str(), "\rFinished: Variants 0, Max. level 256  ");

    // One numbered file per level reached; level 136 never exists.
    std::set<std::string> expected{"Result.csv", "Blocks.csv", "Set256.csv"};
    for (int level = 1; level <= 256; ++level)
        if (level != 136) expected.insert((level < 10 ? "Best00" : level < 100 ? "Best0" : "Best") + std::to_string(level) + ".csv");
    EXPECT_EQ(filesHere(), expected);
    expectBestBoards16x16(256);
    EXPECT_TRUE(checkWritten("Best256.csv", PuzzleKind::Board16x16).complete());
    EXPECT_EQ(readFile("Result.csv"), readFile("Best256.csv"));
    EXPECT_EQ(expectEveryPieceOnce<Puzzle16x16>("Blocks.csv", HINT_PIECE), HINT_ROTATION);
    EXPECT_EQ(readFile("Set256.csv"), readFile("Blocks.csv"));
    EXPECT_EQ(readFile("Blocks.csv").size(), 1552u);
}

TEST_F(BlockPlacement, CellsNextToTheHintMustMatchIt) {
    std::ostringstream out;
    // The hint shows another top colour: the planted piece above it no longer fits,
    // and every board that passes cell 119 shows the new colour at the bottom of
    // that cell; the same with another left colour and the right side of cell 134.
    for (int side : {SIDE_TOP, SIDE_LEFT}) {
        const int cell = side == SIDE_TOP ? HINT_CELL - 16 : HINT_CELL - 1;
        const int facing = side == SIDE_TOP ? bottom_first::BOTTOM : bottom_first::RIGHT;
        auto s = plantedSearch<Puzzle16x16>(out);
        BlockRecord& hint = s->records[s->hintRecord];
        const Colour other = hint.colours[side] == 10 ? 11 : 10;
        hint.colours[side] = hint.colours[side + 4] = other;
        buildCandidateLists(*s);
        EXPECT_FALSE(placePieces(*s));
        EXPECT_GE(s->maxLevel, cell);
        for (int level = cell + 1; level <= s->maxLevel; ++level) {
            char name[32];
            std::snprintf(name, sizeof name, "Best%03d.csv", level);
            const PlacedCell placed = checkWritten(name, PuzzleKind::Board16x16).cells[cell];
            const Colour shown = rotate(Puzzle16x16::TABLE[placed.piece], placed.rotation)[facing];
            EXPECT_EQ(Puzzle16x16::COLOUR_ORDER[other], shown) << name;
        }
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
    }
}

TEST_F(BlockPlacement, NumberedBoardFallsBackToBestCsv) {
    std::filesystem::create_directory("Best200.csv");
    std::filesystem::create_directory("Blocks.csv");
    std::ostringstream out;
    auto s = plantedSearch<Puzzle16x16>(out);
    ASSERT_TRUE(placePieces(*s));
    // Best.csv received the board of level 200 and was not touched afterwards.
    const BoardCheck fallback = checkWritten("Best.csv", PuzzleKind::Board16x16);
    EXPECT_TRUE(fallback.consistent());
    EXPECT_EQ(fallback.piecesPlaced, 200);
    EXPECT_TRUE(std::filesystem::is_directory("Blocks.csv"));
    EXPECT_TRUE(std::filesystem::is_directory("Best200.csv"));
    for (const std::string& name : filesHere()) EXPECT_EQ(name.rfind("Set", 0), std::string::npos) << name;
}

// Neither the numbered file nor Best.csv nor Result.csv can take the full board:
// the failure is said once, and the board goes to the console with exit code 1.
TEST_F(BlockPlacement, FullBoardThatCannotBeWrittenGoesToTheConsole) {
    for (const char* name : {"Best256.csv", "Best.csv", "Result.csv"}) std::filesystem::create_directory(name);
    std::ostringstream out;
    auto s = plantedSearch<Puzzle16x16>(out);
    const BoardWriteConsole watch(out);
    ASSERT_TRUE(placePieces(*s));
    finishFullBoard(*s);
    EXPECT_EQ(s->exitCode, 1);
    const std::string console = out.str();
    const std::string said = "\nBoard not written: ", head = "\nThe full board could not be written to its file; here it is:\n";
    EXPECT_NE(console.find(said), std::string::npos) << console;
    EXPECT_EQ(console.find(said), console.rfind(said)) << "said once: " << console;
    const std::size_t at = console.find(head);
    ASSERT_NE(at, std::string::npos) << console;
    EXPECT_EQ(console.substr(at + head.size()), readFile(zentara::testing::sourcePath("data/solution_16x16.csv")));
}

TEST_F(BlockPlacement, SmallBoardsWriteOnlyFullBoards) {
    std::ostringstream out;
    auto s6 = plantedSearch<Puzzle6x6>(out);
    ASSERT_TRUE(placePieces(*s6));
    EXPECT_EQ(filesHere(), (std::set<std::string>{"Best36.csv", "Set36.csv", "Result.csv", "Blocks.csv"}));
    EXPECT_TRUE(checkWritten("Best36.csv", PuzzleKind::Board6x6).complete());
    EXPECT_EQ(readFile("Result.csv"), readFile("Best36.csv"));
    expectEveryPieceOnce<Puzzle6x6>("Set36.csv", 0);
    for (const char* name : {"Best36.csv", "Set36.csv", "Result.csv", "Blocks.csv"})
        EXPECT_EQ(readFile(name).size(), 186u) << name;

    std::filesystem::create_directory("x12");
    std::filesystem::current_path("x12");
    auto s12 = plantedSearch<Puzzle6x12>(out);
    ASSERT_TRUE(placePieces(*s12));
    EXPECT_EQ(filesHere(), (std::set<std::string>{"Best72.csv", "Set72.csv", "Result.csv", "Blocks.csv"}));
    EXPECT_TRUE(checkWritten("Result.csv", PuzzleKind::Board6x12).complete());
    expectEveryPieceOnce<Puzzle6x12>("Blocks.csv", 0);
    for (const char* name : {"Best72.csv", "Set72.csv", "Result.csv", "Blocks.csv"})
        EXPECT_EQ(readFile(name).size(), 366u) << name;
    std::filesystem::current_path("..");
    EXPECT_EQ(out.str(), "");
}
