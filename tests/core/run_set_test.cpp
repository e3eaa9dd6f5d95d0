// Piece lists given at run time (--pieces FILE): a foreign set of our generator's
// is what the programs then check boards against; a list that cannot work is
// refused in one line naming the file and line, before anything is claimed or
// written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>

#include "core/dir_set.hpp"
#include "core/pieces.hpp"
#include "core/set_loader.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

using testing::programPath;
using testing::readFile;

class RunSet : public testing::TempDirTest {
protected:
    int run(const std::string& program, const std::string& args) {
        const int status = std::system((programPath(program).string() + " " + args + " >out.txt 2>err.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // A set of our generator's that is not ours (with a cross piece), as plain lists, and its planted solutions.
    void makeForeignSet() {
        std::filesystem::create_directory("gen");
        ASSERT_EQ(run("make-puzzles", "--seed 4711 --cross gen"), 0) << readFile("err.txt");
        for (const char* size : {"16x16", "6x12", "6x6"})
            ASSERT_EQ(run("make-puzzles", std::string("--plain ") + size + " gen/puzzle_" + size + ".hpp " + size + ".txt"), 0)
                << readFile("err.txt");
    }
};

TEST_F(RunSet, BoardsOfAForeignSetAreCheckedAgainstTheListGiven) {
    makeForeignSet();
    struct Case {
        const char* list;
        const char* solution;
    } cases[] = {{"16x16.txt", "gen/solution_16x16.csv"},
                 {"6x12.txt", "gen/solution_6x12.csv"},
                 {"6x6.txt", "gen/solution_6x6.csv"}};
    for (const Case& c : cases) {
        // The planted solution is a solution of its own set only.
        EXPECT_EQ(run("board-check", std::string("--pieces ") + c.list + " " + c.solution), 0) << c.list << readFile("out.txt");
        EXPECT_EQ(run("board-check", c.solution), 1) << c.list;
    }
    // The set loaded in this process is the list's, and the programs' numbering holds.
    PieceSet set;
    std::string error;
    ASSERT_TRUE(loadPieceSet(PuzzleKind::Board16x16, "16x16.txt", set, error)) << error;
    EXPECT_NE(fingerprintOf(set), fingerprintOf(builtInSet(PuzzleKind::Board16x16)));
    EXPECT_FALSE(set.colourOrderKnown) << "block-solver measures a foreign set's order";
    ASSERT_EQ(run("score-solver", "--version --pieces 16x16.txt"), 0);
    EXPECT_NE(readFile("out.txt").find("pieces: 16x16.txt, piece set 16x16 " + fingerprintOf(set) + "\n"),
              std::string::npos)
        << readFile("out.txt");
    // Our own list loads as the compiled-in set, colour order included.
    ASSERT_EQ(run("make-puzzles", "--plain 16x16 " + testing::sourcePath("data/puzzle_16x16.hpp").string() + " ours.txt"), 0);
    ASSERT_TRUE(loadPieceSet(PuzzleKind::Board16x16, "ours.txt", set, error)) << error;
    EXPECT_EQ(set.bottomFirst, builtInSet(PuzzleKind::Board16x16).bottomFirst);
    EXPECT_EQ(set.colourOrder, builtInSet(PuzzleKind::Board16x16).colourOrder);
    EXPECT_TRUE(set.colourOrderKnown);
}

TEST_F(RunSet, ListsThatCannotWorkAreRefusedBeforeAnythingIsWritten) {
    makeForeignSet();
    const std::string ours16 = readFile("16x16.txt");
    // Two clues side by side whose seam does not match: the hint on 135 and an
    // inner piece beside it in a rotation that shows it another colour.
    testing::writeFile("clash.txt", ours16 + "fixed 100 136 0\r\nfixed 101 137 0\r\n");
    testing::writeFile("short.txt", "0 0 1 2\r\n");
    mkfifo("fifo.txt", 0600);
    struct Case {
        const char* program;
        const char* list;
        const char* message;  // the start of the one line on standard error
        const char* also = "";  // and what it says further on
    } cases[] = {
        {"score-solver", "short.txt", "score-solver: short.txt: the list holds 1 pieces; the 16 x 16 puzzle has 256"},
        {"block-solver-6x6", "16x16.txt", "block-solver-6x6: 16x16.txt: the list holds 256 pieces; the 6 x 6 puzzle has 36"},
        {"block-solver-6x12", "6x6.txt", "block-solver-6x12: 6x6.txt: the list holds 36 pieces; the 6 x 12 puzzle has 72"},
        {"path-solver", "missing.txt", "path-solver: missing.txt: "},
        {"shift-solver", "fifo.txt", "shift-solver: fifo.txt: "},
        {"berserker-solver", "clash.txt", "berserker-solver: clash.txt: line ",
         ": the pieces fixed on cell 135 (row 8, column 7) and cell 136 (row 8, column 8) show each other colours "},
        {"board-check", "short.txt", "board-check: short.txt: the list holds 1 pieces; the 16 x 16 puzzle has 256"},
    };
    for (const Case& c : cases) {
        std::filesystem::create_directory("work");
        std::filesystem::current_path("work");
        EXPECT_EQ(run(c.program, std::string("--pieces ../") + c.list + (std::string(c.program) == "board-check" ? " x.csv" : "")),
                  2)
            << c.program << " " << c.list;
        const std::string err = readFile("err.txt");
        const std::string expected = std::string(c.message).replace(std::string(c.message).find(": ") + 2, 0, "../");
        EXPECT_EQ(err.rfind(expected, 0), 0u) << c.program << ": " << err;
        EXPECT_NE(err.find(c.also), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        // Nothing but the test's own two files: no claim, no board, no statistics.
        int entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(".")) entries += e.path().filename() != "out.txt" &&
                                                                               e.path().filename() != "err.txt";
        EXPECT_EQ(entries, 0) << c.program;
        std::filesystem::current_path("..");
        std::filesystem::remove_all("work");
    }
}

// A directory belongs to the set that first wrote into it: a run of another set
// there, the compiled-in one included, is refused naming both and changes nothing.
TEST_F(RunSet, ADirectoryBelongsToTheSetThatWroteIt) {
    makeForeignSet();
    PieceSet foreign;
    std::string error;
    ASSERT_TRUE(loadPieceSet(PuzzleKind::Board16x16, "16x16.txt", foreign, error)) << error;
    const std::string foreignName = setName(foreign), ours = setName(builtInSet(PuzzleKind::Board16x16));
    struct Case {
        const char* what;
        std::string record;  // .zentara.set as found, "" for none
        bool statBin;        // a Stat.bin of an earlier run there
        const char* args;
        std::string belongsTo, runs;  // the refusal's two sets, or "" where the run goes on
    } cases[] = {
        {"ours in a foreign set's directory", foreignName + "\r\n", false, "", foreignName, ours},
        {"a foreign list in our directory", ours + "\r\n", true, "--pieces ../16x16.txt", ours, foreignName},
        {"a foreign list where runs wrote before sets were recorded", "", true, "--pieces ../16x16.txt", ours,
         foreignName},
        {"frequency-solver's Stat.bin of another set", foreignName + "\r\n", true, "", foreignName, ours},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::create_directory("work");
        if (!c.record.empty()) testing::writeFile("work/.zentara.set", c.record);
        if (c.statBin) testing::writeFile("work/Stat.bin", "counts");
        std::filesystem::current_path("work");
        const char* program = std::string(c.what).starts_with("frequency") ? "frequency-solver" : "score-solver";
        EXPECT_EQ(run(program, c.args), 1);
        EXPECT_EQ(readFile("err.txt"), std::string(program) + ": this directory belongs to piece set " + c.belongsTo +
                                           ", this run's is " + c.runs +
                                           ": give the run a directory of its own; nothing changed\n");
        EXPECT_EQ(c.record.empty() ? "" : readFile(".zentara.set"), c.record);
        EXPECT_EQ(std::filesystem::exists(".zentara.lock"), false);
        std::filesystem::current_path("..");
        std::filesystem::remove_all("work");
    }
}

}  // namespace
}  // namespace zentara
