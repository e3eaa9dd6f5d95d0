// What a careless user does to the files the programs read, run as the user would:
// unreadable, write-protected, linked and non-regular Stat.bin files, and ones no
// program can use. Every case runs the real programs in its own directory;
// permission cases run them as an unprivileged user.
#include "tests/faults/faults_fixture.hpp"

namespace zentara::faults {
namespace {

// 1. A Stat.bin that is there but cannot be read: one line naming it and the
// reason, exit 1, and nothing written (days of counts are not replaced by zeros).
// frequency-solver refuses the same files at once.
TEST_F(Faults, UnreadableStatBinStopsScoreSolverWithoutWritingAnything) {
    struct Case {
        std::string name;
        std::function<bool(const fs::path&)> make;  // false: the case cannot be made here
        std::string reason;
        bool unprivileged = false;
    };
    const std::vector<Case> cases{
        {"protected", [](const fs::path& d) {
             writeFile(d / "Stat.bin", usableStatBin(7));
             return ::chmod((d / "Stat.bin").c_str(), 0200) == 0;
         }, "Permission denied", true},
        {"fifo", [](const fs::path& d) { return ::mkfifo((d / "Stat.bin").c_str(), 0644) == 0; }, "not a regular file"},
        {"directory", [](const fs::path& d) { return fs::create_directory(d / "Stat.bin"); }, "not a regular file"},
        {"link-to-fifo", [](const fs::path& d) {
             fs::create_symlink("pipe", d / "Stat.bin");
             return ::mkfifo((d / "pipe").c_str(), 0644) == 0;
         }, "not a regular file"},
        {"device", [](const fs::path& d) { return makeDeviceNode((d / "Stat.bin").c_str()); }, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = directory(c.name);
        if (!c.make(dir)) continue;
        const std::vector<std::string> before = entries(dir);
        const Started run = start(dir, "score-solver", {}, c.unprivileged);
        const Ended end = wait(run, 30s);
        EXPECT_EQ(end.code, 1);
        EXPECT_EQ(run.output(), "Zentara Score Solver\nCannot read Stat.bin: " + c.reason + "\n");
        EXPECT_EQ(entries(dir), before);
        if (c.name == "protected") {
            ASSERT_EQ(::chmod((dir / "Stat.bin").c_str(), 0644), 0);
            EXPECT_EQ(readFile(dir / "Stat.bin"), usableStatBin(7));
        }
        if (c.unprivileged) continue;
        const Started frequency = start(dir, "frequency-solver");
        EXPECT_EQ(wait(frequency, 30s).code, 1);
        EXPECT_EQ(frequency.output(), "Zentara Frequency Solver\nCannot find Stat.bin file!\n");
    }
}

// 1b. A Stat.bin frequency-solver would refuse for its size or its content, or
// one gathered on another piece set, is refused by score-solver at start the
// same way: adding to it would save, again and again, a file that no program
// can use. One line with the reason, exit 1, the file unchanged and nothing else
// written; stat-merge refuses it as an input the same way.
TEST_F(Faults, StatBinFrequencySolverRefusesIsRefusedByScoreSolverUntouched) {
    const fs::path source = directory("source");
    {
        const Started run = start(source, "score-solver");
        ASSERT_TRUE(searching(run));
        ASSERT_EQ(::kill(run.pid, SIGTERM), 0);
        ASSERT_EQ(wait(run).code, 0);
    }
    const std::string real = readFile(source / "Stat.bin");
    ASSERT_TRUE(wholeStatBin(source / "Stat.bin"));
    std::string noise(1000, '\0');
    std::mt19937 random(1000);
    for (char& ch : noise) ch = static_cast<char>(random());
    std::string lopsided = real;
    lopsided[4 * (3 * 1024 + 7)] ^= 1;  // [3][7] no longer equals [7][3]
    const std::uint32_t at37 = static_cast<unsigned char>(lopsided[4 * (3 * 1024 + 7)]) |
                               static_cast<std::uint32_t>(static_cast<unsigned char>(lopsided[4 * (3 * 1024 + 7) + 1])) << 8;
    const std::uint32_t at73 = static_cast<unsigned char>(real[4 * (7 * 1024 + 3)]) |
                               static_cast<std::uint32_t>(static_cast<unsigned char>(real[4 * (7 * 1024 + 3) + 1])) << 8;
    ASSERT_LT(std::max(at37, at73), 65536u) << "the case reads two bytes of each count";
    // The counts of another set: the same seams under other piece numbers (pieces
    // 2k and 2k + 1 swapped), so that most join edges of two colours. The first in
    // row order, found here by colour from the table.
    std::vector<std::uint32_t> counts(STAT_COUNTERS), swapped(STAT_COUNTERS);
    std::memcpy(counts.data(), real.data(), STAT_FILE_BYTES);
    for (int i = 0; i < STAT_EDGE_CODES; ++i)
        for (int j = 0; j < STAT_EDGE_CODES; ++j) swapped[i * 1024 + j] = counts[(i ^ 4) * 1024 + (j ^ 4)];
    const std::string foreign(reinterpret_cast<const char*>(swapped.data()), STAT_FILE_BYTES);
    std::string foreignFault;
    for (int k = 0; k < STAT_COUNTERS && foreignFault.empty(); ++k) {
        const int i = k / 1024, j = k % 1024;
        if (swapped[k] != 0 && pieceSet().bottomFirst[i / 4][i % 4] != pieceSet().bottomFirst[j / 4][j % 4])
            foreignFault = "count " + std::to_string(swapped[k]) + " at [" + std::to_string(i) + "][" + std::to_string(j) + "]";
    }
    ASSERT_NE(foreignFault, "");
    const struct {
        const char* name;
        std::string bytes;
        std::string reason;
        std::string frequencyReason;
        std::uintmax_t sparseTo = 0;  // grown to this size with a hole after the bytes
    } cases[] = {
        {"truncated", real.substr(0, 2 * 1024 * 1024), "invalid size: 2097152 bytes, a statistics file holds 4194304",
         "Invalid size of Stat.bin file!"},
        {"noise", noise, "invalid size: 1000 bytes, a statistics file holds 4194304", "Invalid size of Stat.bin file!"},
        {"one byte long", real + "x", "invalid size: 4194305 bytes, a statistics file holds 4194304",
         "Invalid size of Stat.bin file!"},
        {"two joined", real + real, "invalid size: 8388608 bytes, a statistics file holds 4194304",
         "Invalid size of Stat.bin file!"},
        {"sparse tail", real, "invalid size: 1077936128 bytes, a statistics file holds 4194304",
         "Invalid size of Stat.bin file!", 1077936128},
        {"lopsided", lopsided,
         "invalid content: count " + std::to_string(at37) + " at [3][7] but " + std::to_string(at73) + " at [7][3]",
         "Invalid content of Stat.bin file!"},
        {"foreign", foreign, "belongs to another piece set: " + foreignFault + " joins two edges of different colours",
         "Stat.bin belongs to another piece set: " + foreignFault + " joins two edges of different colours"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = directory(c.name);
        writeFile(dir / "Stat.bin", c.bytes);
        if (c.sparseTo > 0) fs::resize_file(dir / "Stat.bin", c.sparseTo);
        // Left as it was: its size, and the bytes it began with.
        const auto untouched = [&] {
            EXPECT_EQ(fs::file_size(dir / "Stat.bin"), c.sparseTo > 0 ? c.sparseTo : c.bytes.size());
            std::ifstream in(dir / "Stat.bin", std::ios::binary);
            std::string head(c.bytes.size(), '\0');
            in.read(head.data(), static_cast<std::streamsize>(head.size()));
            EXPECT_TRUE(head == c.bytes);
        };
        const Started run = start(dir, "score-solver");
        EXPECT_EQ(wait(run, 30s).code, 1);
        EXPECT_EQ(run.output(), "Zentara Score Solver\nCannot use Stat.bin: " + c.reason + "; nothing written\n");
        untouched();
        EXPECT_EQ(leftIn(dir), std::vector<std::string>{"Stat.bin"});
        const Started frequency = start(dir, "frequency-solver");
        EXPECT_EQ(wait(frequency, 30s).code, 1);
        EXPECT_EQ(frequency.output(), "Zentara Frequency Solver\n" + c.frequencyReason + "\n");
        const Started merge = start(dir, "stat-merge", {"merged.bin", "Stat.bin"});
        EXPECT_EQ(wait(merge, 30s).code, 1);
        EXPECT_EQ(merge.output(), "stat-merge: Stat.bin: " + c.reason + "\n");
        untouched();
        EXPECT_EQ(leftIn(dir), std::vector<std::string>{"Stat.bin"});
    }
}


}  // namespace
}  // namespace zentara::faults
