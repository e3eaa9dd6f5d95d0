// The campaign report tests' fixture: a stopped shift campaign as the campaign
// script leaves it, and campaign-report run in process.
#pragma once

#include <sys/time.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "campaign/campaign_report.hpp"
#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "tests/support/temp_dir.hpp"

namespace zentara {

namespace fs = std::filesystem;
using testing::readFile;
using testing::sourcePath;
using testing::writeFile;

// "2026-12-08 04:00:30" in local time, as started.txt records a start.
inline std::time_t localTime(const char* text) {
    std::tm t{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min, &t.tm_sec);
    t.tm_year -= 1900, t.tm_mon -= 1, t.tm_isdst = -1;
    return std::mktime(&t);
}

// Writes `path` as tools/campaign writes exit.txt when the instance ends at `when`.
inline void writeEnd(const std::string& path, const std::string& code, std::time_t when) {
    writeFile(path, code);
    const timeval times[2] = {{when, 0}, {when, 0}};
    ::utimes(path.c_str(), times);
}

class CampaignReportTest : public testing::TempDirTest {
protected:
    // A stopped shift campaign as tools/campaign leaves it: instance-001 seeded and
    // now deepest at 250, instance-002 failed with a record board of its own,
    // instance-003 never started.
    void makeCampaign() {
        Board16 planted{};
        parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), planted);
        fs::create_directories("camp/instance-001");
        fs::create_directories("camp/instance-002");
        fs::create_directories("camp/instance-003");
        writeFile("camp/campaign.txt", "program: /opt/zentara/build/bin/shift-solver\ninstances: 3\n"
                                       "started: 2026-12-08 01:00:00 UTC on node1\n"
                                       "seed board: /runs/score/instance-004/B244-440.csv as Best244.csv\n");
        Board16 b = planted;
        for (int c = 250; c < CELL_COUNT; ++c) b[static_cast<std::size_t>(c)] = PlacedCell{};
        ASSERT_TRUE(writeBoardFile("camp/instance-001/Best250.csv", b.data(), LAYOUT_16X16));
        for (int c = 244; c < 250; ++c) b[static_cast<std::size_t>(c)] = PlacedCell{};
        ASSERT_TRUE(writeBoardFile("camp/instance-001/Best244.csv", b.data(), LAYOUT_16X16));
        writeFile("camp/instance-001/started.txt", "2026-12-08 01:00:00.100 on node1; time seeds claimed: a = 1 to 200\n"
                                                   "started from: Best244.csv, the seed board\n");
        writeFile("camp/seed-board.csv", readFile("camp/instance-001/Best244.csv"));
        writeFile("camp/instance-001/progress.txt",
                  "2026-12-08 01:00:00\t0\tBest244.csv\t244\t470\t\n"
                  "2026-12-08 02:00:00\t3600\tBest248.csv\t248\t474\tLevel 240, max. 248, shifts 10 K, config OK=50,RE=50\n"
                  "2026-12-08 04:00:00\t10800\tBest250.csv\t250\t477\tLevel 245, max. 250, shifts 30 K, config OK=51,RE=49\n"
                  "2026-12-08 04:00:01\t108");  // cut short by a kill
        writeEnd("camp/instance-001/exit.txt", "143\n", localTime("2026-12-08 04:10:00"));
        for (int c : {17, 100, 101}) b[static_cast<std::size_t>(c)] = PlacedCell{};
        ASSERT_TRUE(writeBoardFile("camp/instance-002/B241-430.csv", b.data(), LAYOUT_16X16));
        writeFile("camp/instance-002/progress.txt", "2026-12-08 01:00:00\t0\t-\t-\t-\tstarting\n"
                                                    "2026-12-08 01:30:00\t1800\tB241-430.csv\t241\t460\tdone\n");
        writeFile("camp/instance-002/exit.txt", "1\n");
    }
    int report(const std::vector<std::string>& args) {
        std::vector<const char*> argv{"campaign-report"};
        for (const std::string& a : args) argv.push_back(a.c_str());
        out_.str({});
        err_.str({});
        return runCampaignReport(static_cast<int>(argv.size()), argv.data(), out_, err_);
    }
    std::ostringstream out_, err_;
};


}  // namespace zentara
