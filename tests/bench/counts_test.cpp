// A bench's counts, bounded: a count that the engine would take as "no limit"
// (0 reports, 0 variants) or that would overflow on its way there is refused
// before anything runs, in one line and the usage, exit 2.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::readFile;

struct Refusal {
    const char* bench;
    const char* counts;
    const char* reason;
};

// Runs `bench counts` in the current directory; its exit code, its output in out and err.
int run(const std::string& bench, const std::string& counts) {
    const std::string command =
        "'" + testing::programPath(bench).string() + "' " + counts + " > ../bench.out 2> ../bench.err < /dev/null";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

class BenchCounts : public testing::TempDirTest {};

TEST_F(BenchCounts, ACountOutOfItsRangeIsRefusedBeforeAnythingRuns) {
    const Refusal cases[] = {
        {"baseline-bench", "0", "PLACEMENTS must be 1 to 1000000000000"},
        {"score-bench", "0", "TESTS must be 1 to 1000000000000"},
        {"score-bench", "999999999999999999", "TESTS must be 1 to 1000000000000"},
        {"frequency-bench", "0", "REPORTS must be 1 to 1000000"},
        {"frequency-bench", "3 10001", "RANDOM_BOARDS must be 0 to 10000"},
        {"frequency-bench", "2147483648", "REPORTS must be 1 to 1000000"},
        {"blockset-bench", "0", "VARIANTS_16X16 must be 1 to 100000000"},
        {"blockset-bench", "4294967297", "VARIANTS_16X16 must be 1 to 100000000"},
        {"blockset-bench", "20 1001", "SEEDS_6X12 must be 0 to 1000"},
        {"shift-bench", "0 5", "STATUS_REPORTS must be 1 to 1000000000"},
        {"shift-bench", "5 254", "HOLES must be 0 to 253"},
        {"berserker-bench", "0", "REPORTS must be 1 to 1000000000"},
    };
    const fs::path work = fs::absolute("work");
    fs::create_directory(work);
    fs::current_path(work);
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string(c.bench) + " " + c.counts);
        ASSERT_EQ(run(c.bench, "--help"), 0);
        const std::string usage = readFile("../bench.out");
        EXPECT_EQ(run(c.bench, c.counts), 2);
        EXPECT_EQ(readFile("../bench.out"), "");
        EXPECT_EQ(readFile("../bench.err"), std::string(c.bench) + ": " + c.reason + "\n" + usage);
        EXPECT_TRUE(fs::is_empty(work)) << "a refused bench wrote in its directory";
    }
}

}  // namespace
}  // namespace zentara
