// The fields the campaign script reads from campaign.txt and stop.requested:
// the first "KEY: VALUE" line of a regular file, shown harmlessly, and nothing
// from anything else, at once.
#include "campaign/campaign_fields.hpp"

#include <sys/stat.h>

#include <sstream>

#include "tests/support/temp_dir.hpp"

namespace zentara {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

class CampaignFieldsTest : public testing::TempDirTest {};

TEST_F(CampaignFieldsTest, TheFirstFieldOfARegularFileAndNothingElse) {
    writeFile("campaign.txt", "program: /opt/bin/score-solver\ninstances: 64\nslurm job: 4242\nslurm job: 99\n");
    writeFile("other.txt", "slurm jobs: 1\nslurm job:2\n slurm job: 3\nSlurm job: 4\n");
    writeFile("escapes.txt", "slurm job: 42\x1b[2J\r\nprogram: a\tb\x7f\n");
    writeFile("empty-value.txt", "slurm job: \n");
    writeFile("late.txt", std::string(64 * 1024, '#') + "\nslurm job: 7\n");
    writeFile("no-newline.txt", "slurm job: 8");
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);  // nobody writes it: a read would wait forever
    fs::create_directory("dir");
    fs::create_symlink("campaign.txt", "link");

    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string out;
    };
    const std::vector<Case> cases{
        {{"slurm job", "campaign.txt"}, 0, "4242\n"},  // the first line that names it
        {{"instances", "campaign.txt"}, 0, "64\n"},
        {{"program", "campaign.txt"}, 0, "/opt/bin/score-solver\n"},
        {{"slurm job", "link"}, 0, "4242\n"},
        {{"seed board", "campaign.txt"}, 1, ""},
        {{"slurm job", "other.txt"}, 1, ""},  // another key, no blank, indented, another case
        {{"slurm job", "escapes.txt"}, 0, "42?[2J?\n"},
        {{"program", "escapes.txt"}, 0, "a?b?\n"},
        {{"slurm job", "empty-value.txt"}, 0, "\n"},
        {{"slurm job", "late.txt"}, 1, ""},  // past what a campaign.txt may hold
        {{"slurm job", "no-newline.txt"}, 0, "8\n"},
        {{"slurm job", "fifo"}, 1, ""},
        {{"slurm job", "dir"}, 1, ""},
        {{"slurm job", "missing.txt"}, 1, ""},
        {{"slurm job"}, 2, ""},
        {{"slurm job", "campaign.txt", "more"}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"campaign-report", "--field"};
        for (const std::string& a : c.args) argv.push_back(a.c_str());
        std::ostringstream out;
        EXPECT_EQ(runCampaignField(static_cast<int>(argv.size()), argv.data(), out), c.exit) << c.args.back();
        EXPECT_EQ(out.str(), c.out) << c.args.back();
    }
}

}  // namespace
}  // namespace zentara
