#include "tools/stat_merge.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "core/stat_builder.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

using testing::writeFile;

// Whole-file read in one block: statistics files are 4 MiB, too many for a
// character-by-character read in the sanitizer build.
std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::size_t at(int i, int j) { return static_cast<std::size_t>(i) * STAT_EDGE_CODES + static_cast<std::size_t>(j); }

// Edges of one colour with edges 3, 552, 0 and 555 (the hint piece's left edge):
// seams of these pieces. A count on two colours would be refused as another set's.
const int M3 = sameColourEdge(3), M552 = sameColourEdge(552), M0 = sameColourEdge(0), HINT_MATE = sameColourEdge(555);

// A table frequency-solver runs on: symmetric counts on a few pairs, as
// score-solver gathers them, and `hint` on a pair of the hint piece's left edge,
// without which it finds no list for the hint cell.
StatTable table(std::initializer_list<std::tuple<int, int, std::uint32_t>> pairs, std::uint32_t hint = 1) {
    StatTable t(STAT_COUNTERS, 0);
    t[at(555, HINT_MATE)] = t[at(HINT_MATE, 555)] = hint;
    for (const auto& [i, j, v] : pairs) t[at(i, j)] = t[at(j, i)] = v;
    return t;
}

class StatMergeTest : public testing::TempDirTest {
protected:
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), "stat-merge");
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        out_.str({});
        err_.str({});
        return runStatMerge(static_cast<int>(argv.size()), argv.data(), out_, err_);
    }
    StatTable load(const std::string& path) {
        StatTable t;
        std::string reason;
        EXPECT_TRUE(loadStatFile(path, t, reason)) << reason;
        return t;
    }
    std::ostringstream out_, err_;
};

TEST_F(StatMergeTest, CountsAddAndStopAtTheLimitKeepingTheTableSymmetric) {
    writeFile("a.bin", statBytes(table({{3, M3, 5}, {552, M552, 9'000'000}, {10, 10, 2}, {0, M0, 1}})));
    writeFile("b.bin", statBytes(table({{3, M3, 4}, {552, M552, 1'000'001}, {10, 10, 3}})));
    writeFile("c.bin", statBytes(table({{3, M3, 1}, {552, M552, 10'000'000}, {1023, 1023, 10'000'000}})));
    const std::string a = readFile("a.bin"), b = readFile("b.bin"), c = readFile("c.bin");

    ASSERT_EQ(run({"Stat.bin", "a.bin", "b.bin", "c.bin"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "stat-merge: wrote Stat.bin from 3 files, 3 counts stopped at 10000000\n");
    EXPECT_EQ(err_.str(), "");
    EXPECT_EQ(std::filesystem::file_size("Stat.bin"), 4'194'304u);
    const StatTable merged = load("Stat.bin");  // also: what we write passes our own check
    EXPECT_EQ(merged,
              table({{3, M3, 10}, {552, M552, 10'000'000}, {10, 10, 5}, {0, M0, 1}, {1023, 1023, 10'000'000}}, 3));
    // The raw bytes are little-endian counters at 4 x index.
    const std::string bytes = readFile("Stat.bin");
    EXPECT_EQ(bytes.substr(4 * at(3, M3), 4), std::string("\x0a\0\0\0", 4));
    EXPECT_EQ(bytes.substr(4 * at(M552, 552), 4), std::string("\x80\x96\x98\x00", 4));
    // Inputs untouched.
    EXPECT_EQ(readFile("a.bin"), a);
    EXPECT_EQ(readFile("b.bin"), b);
    EXPECT_EQ(readFile("c.bin"), c);

    // One input gives its own counts back.
    ASSERT_EQ(run({"one.bin", "a.bin"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "stat-merge: wrote one.bin from 1 file\n");
    EXPECT_EQ(readFile("one.bin"), a);
}

// Every file frequency-solver refuses as its Stat.bin is refused as an input
// (merging it would hide the damage in a sum), and a sum it would refuse is not
// written; OUT stays as it was either way.
TEST_F(StatMergeTest, RefusesWhatTheFrequencySolverRefusesAndLeavesOutAlone) {
    writeFile("good.bin", statBytes(table({{3, M3, 5}})));
    writeFile("Stat.bin", "old merged counts");
    StatTable t = table({{3, M3, 5}});
    t[at(3, M3)] = 6;  // [3][M3] = 6 but [M3][3] = 5
    writeFile("asym.bin", statBytes(t));
    t = table({{3, M3, 5}, {600, 2, 10'000'001}});
    writeFile("big.bin", statBytes(t));
    t = table({{3, M3, 5}});
    t[at(9, 9)] = 0xFFFFFFFF;  // negative as a signed count
    writeFile("negative.bin", statBytes(t));
    writeFile("short.bin", statBytes(table({})).substr(0, 4'194'303));
    writeFile("long.bin", statBytes(table({{3, M3, 5}})) + "tail");
    t = table({{3, M3, 5}, {600, 2, 10'000'001}});
    t[at(1, 2)] = 4;  // the first fault in row order wins
    writeFile("first.bin", statBytes(t));
    writeFile("zero.bin", std::string(STAT_FILE_BYTES, '\0'));
    writeFile("nohint.bin", statBytes(table({{3, M3, 5}}, 0)));
    ASSERT_EQ(::mkfifo("fifo.bin", 0644), 0);

    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.bin", "stat-merge: missing.bin: cannot read: No such file or directory\n"},
        {"short.bin", "stat-merge: short.bin: invalid size: 4194303 bytes, a statistics file holds 4194304\n"},
        {"long.bin", "stat-merge: long.bin: invalid size: 4194308 bytes, a statistics file holds 4194304\n"},
        {"asym.bin", "stat-merge: asym.bin: invalid content: count 6 at [3][" + std::to_string(M3) + "] but 5 at [" +
                         std::to_string(M3) + "][3]\n"},
        {"big.bin", "stat-merge: big.bin: invalid content: count 10000001 at [2][600] is above 10000000\n"},
        {"negative.bin", "stat-merge: negative.bin: invalid content: count 4294967295 at [9][9] is above 10000000\n"},
        {"first.bin", "stat-merge: first.bin: invalid content: count 4 at [1][2] but 0 at [2][1]\n"},
        {"zero.bin", "stat-merge: zero.bin: frequency-solver refuses it: Invalid statistic file!\n"},
        {"nohint.bin", "stat-merge: nohint.bin: frequency-solver refuses it: Invalid statistic file!\n"},
        {".", "stat-merge: .: cannot read: not a regular file\n"},
        {"fifo.bin", "stat-merge: fifo.bin: cannot read: not a regular file\n"},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(run({"Stat.bin", "good.bin", name}), 1);
        EXPECT_EQ(err_.str(), message);
        EXPECT_EQ(out_.str(), "");
        EXPECT_EQ(readFile("Stat.bin"), "old merged counts");
    }
    // (A file or a sum that overflows frequency-solver's pool needs far more pairs
    // than the seams of these pieces can form: tests/frequency fills the pool.)

    // A count of exactly the limit is valid.
    writeFile("limit.bin", statBytes(table({{5, 5, 10'000'000}})));
    EXPECT_EQ(run({"Stat.bin", "limit.bin"}), 0) << err_.str();
}

TEST_F(StatMergeTest, NeverWritesOverAnInputNorCountsOneFileTwice) {
    const std::string a = statBytes(table({{3, M3, 5}}));
    writeFile("a.bin", a);
    writeFile("b.bin", statBytes(table({{1, 2, 1}})));
    ASSERT_EQ(::link("a.bin", "same-as-a.bin"), 0);

    EXPECT_EQ(run({"a.bin", "b.bin", "a.bin"}), 1);
    EXPECT_EQ(err_.str(), "stat-merge: a.bin: refused: it is also OUT, and inputs are never modified\n");
    EXPECT_EQ(run({"same-as-a.bin", "b.bin", "a.bin"}), 1);
    EXPECT_EQ(err_.str(), "stat-merge: a.bin: refused: it is also OUT, and inputs are never modified\n");
    EXPECT_EQ(run({"out.bin", "a.bin", "b.bin", "./same-as-a.bin"}), 1);
    EXPECT_EQ(err_.str(), "stat-merge: ./same-as-a.bin: refused: the same file as a.bin, its counts would be added twice\n");
    EXPECT_FALSE(std::filesystem::exists("out.bin"));
    EXPECT_EQ(readFile("a.bin"), a);

    EXPECT_EQ(run({"out.bin"}), 2);
    EXPECT_TRUE(err_.str().starts_with("stat-merge: missing arguments\nusage: stat-merge [--pieces FILE] OUT IN...\n")) << err_.str();
    EXPECT_EQ(run({"no-such-dir/out.bin", "a.bin"}), 1);
    EXPECT_EQ(err_.str(), "stat-merge: cannot write no-such-dir/out.bin: No such file or directory\n");
    // Nothing half-written is left anywhere.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(".")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.bin", "b.bin", "same-as-a.bin"}));
}

TEST_F(StatMergeTest, ProgramMergesIntoAnotherDirectory) {
    std::filesystem::create_directories("runs/1");
    std::filesystem::create_directories("merged");
    writeFile("runs/1/Stat.bin", statBytes(table({{3, M3, 5}})));
    writeFile("runs/2.bin", statBytes(table({{3, M3, 2}})));
    const std::string command =
        testing::programPath("stat-merge").string() + " merged/Stat.bin runs/1/Stat.bin runs/2.bin > out.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readFile("out.txt"), "stat-merge: wrote merged/Stat.bin from 2 files\n");
    EXPECT_EQ(load("merged/Stat.bin"), table({{3, M3, 7}}, 2));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("merged"), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace zentara
