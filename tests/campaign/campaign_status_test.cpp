// The campaign status text and what it reads: every solver's status lines, the
// progress log, each instance's own board and level apart from its seed.
#include "campaign/campaign_report.hpp"

#include <filesystem>
#include <regex>
#include <sstream>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "tests/campaign/campaign_report_fixture.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/xml_check.hpp"

namespace zentara {
namespace {

TEST(CampaignStatusLines, LevelsOfEverySolversStatusLineAndNoneOfABanner) {
    const std::vector<std::tuple<std::string, int, int>> cases{
        {"Level/Score: 240/431, Best: 246/440, Tests: 30 M, Resets: 2", 240, 246},      // score-solver
        {"Current level: 210, Best level: 231, Tests: 40 millions...", 210, 231},       // frequency, brute
        {"Variants 500, Max. level 140", -1, 140},                                     // block-solver
        {"Variants 5, Max. level 60, Solutions: 0", -1, 60},                           // the small block-set ones
        {"Level 180, Max 201, Resets    3, Tests   60 millions", 180, 201},             // random-solver
        {"RandomSeed 77, Current level 150, max. 199, variants 3 millions", 150, 199},  // path-solver
        {"Level 238, max. 241, shifts 10 K, config OK=50,RE=50 RESET", 238, 241},       // shift-solver
        {"Lev 230, cur 228, max 241, tst      5 mil, res      2 K, big res   0", 230, 241},  // berserker-solver
        {"Zentara Score Solver", -1, -1},
        {"RandomMode 1, RandomSeed 5, PathMode 2, AutoReset 1, ResetLevel 256.", -1, -1},
        {"Read error from Best240.csv, bad block at [3,14]!", -1, -1},
    };
    for (const auto& [line, level, best] : cases) {
        SCOPED_TRACE(line);
        const StatusLevels l = parseStatusLevels(line);
        EXPECT_EQ(l.level, level);
        EXPECT_EQ(l.best, best);
    }
    // The banner alone is no status line; the line being rewritten is one, also
    // when it names no level; a later message does not hide the status before it.
    EXPECT_EQ(lastStatusLine("Zentara Berserker\n"), "");
    EXPECT_EQ(lastStatusLine("Zentara Berserker\nLev 200, cur 199, max 201, tst 1 mil  \n"), "Lev 200, cur 199, max 201, tst 1 mil");
    EXPECT_EQ(lastStatusLine("Zentara Score Solver\nLevel/Score: 1/2, Best: 3/4, Tests: 10 M, Resets: 0\n"
                             "Stat.bin saved again\n"),
              "Level/Score: 1/2, Best: 3/4, Tests: 10 M, Resets: 0");
    EXPECT_EQ(lastStatusLine("banner\n\rwaiting\tfor work "), "waiting for work");
    // Shown on a terminal, escape sequences and other controls are harmless text.
    EXPECT_EQ(terminalSafe("a\x1b]0;title\x07 \x1b[2J\r\t\xc2\x9b" "1m \xc3\xa9 \xff\xed\xa0\x80"),
              "a\\e]0;title\\x07 \\e[2J\\r\\t\\u009b1m \xc3\xa9 \\xff\\xed\\xa0\\x80");
}

// A campaign started again in the same directory appends a run whose seconds start
// at 0 again: the plots keep only the latest run (a line never runs back in
// time), and the console line the earlier run left, sampled before the new
// program prints, is no level of the new run.
TEST(CampaignProgress, ARestartInTheSameDirectoryKeepsOnlyTheLatestRun) {
    const std::string old = "Level/Score: 232/422, Best: 243/436, Tests: 450 M, Resets: 44";
    std::string last;
    const std::vector<ProgressSample> samples = parseProgress(
        "2026-12-08 12:27:34\t1\t-\t-\t-\tLevel/Score: 231/421, Best: 237/429, Tests: 30 M, Resets: 2\n"
        "2026-12-08 12:27:54\t21\tB243-436.csv\t243\t436\t" + old + "\n"
        "2026-12-08 12:39:54\t0\tB243-436.csv\t243\t436\t" + old + "\n"
        "2026-12-08 12:39:55\t1\tB243-436.csv\t243\t436\t" + old + "\n"
        "2026-12-08 12:39:59\t5\tB244-439.csv\t244\t439\tLevel/Score: 232/423, Best: 244/439, Tests: 140 M\n"
        "2026-12-08 12:40:03\t9\tB244-439.csv\t244\t439\t" + old + "\n",
        &last);
    ASSERT_EQ(samples.size(), 4u);
    const std::vector<long> seconds{0, 1, 5, 9};
    const std::vector<int> levels{-1, -1, 244, 243}, pieces{243, 243, 244, 244};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].seconds, seconds[i]) << i;
        EXPECT_EQ(samples[i].level, levels[i]) << i;
        EXPECT_EQ(samples[i].pieces, pieces[i]) << i;
    }
    EXPECT_EQ(last, old);
}

TEST_F(CampaignReportTest, StatusTellsEachInstancesOwnBoardAndLevelFromTheSeedItStartedFrom) {
    makeCampaign();
    // instance-002 resumed from the seed too, and wrote boards below it only.
    writeFile("camp/instance-002/Best244.csv", readFile("camp/seed-board.csv"));
    writeFile("camp/instance-002/started.txt", "x\nstarted from: Best244.csv, the seed board\n");
    writeFile("camp/instance-002/console.txt", "Level 236, max. 241, shifts 1 K, config OK=1,RE=1 \n");
    fs::remove("camp/instance-001/Best250.csv");
    fs::remove("camp/instance-001/progress.txt");
    writeFile("states.txt", "instance-001\trunning\n");
    // What a program printed and what files are called reach a terminal harmlessly.
    writeFile("camp/instance-001/console.txt", "Level 244, max. 244 \x1b[2J\x1b]0;owned\x07\n");
    ASSERT_EQ(report({"--status", "--states", "states.txt", "camp"}), 0) << err_.str();
    const std::string seedFigures = "244 of 256 pieces placed, 456 of 480 seams matched, consistent";
    const std::string own = "241 of 256 pieces placed, 445 of 480 seams matched, consistent";
    EXPECT_EQ(out_.str(),
              "campaign camp: shift-solver, 3 instances, 1 running\n"
              "instance-001  running         own deepest board: none yet\n"
              "    own best level 244; status: Level 244, max. 244 \\e[2J\\e]0;owned\\x07\n"
              "    started from Best244.csv, the seed board /runs/score/instance-004/B244-440.csv; it kept all 244 pieces\n"
              "instance-002  ended, exit 1   own deepest board: B241-430.csv: " + own + "\n"
              "    own best level 241; status: Level 236, max. 241, shifts 1 K, config OK=1,RE=1\n"
              "    started from Best244.csv, the seed board /runs/score/instance-004/B244-440.csv; it kept all 244 pieces\n"
              "instance-003  not started     own deepest board: none yet\n"
              "best board: the seed board /runs/score/instance-004/B244-440.csv: " + seedFigures +
              "; no instance has found a better one yet (best found: camp/instance-002/B241-430.csv: " + own + ")\n");

    // The page says the same, and draws the seed as the seed.
    ASSERT_EQ(report({"--states", "states.txt", "camp"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "campaign-report: wrote camp/report.html (3 instances, best board the seed board)\n");
    const std::string page = readFile("camp/report.html");
    EXPECT_NE(page.find("<p class=\"best\">The seed board /runs/score/instance-004/B244-440.csv: " + seedFigures +
                        ". No instance has found a better board yet; the best found is instance-002/B241-430.csv: " +
                        own + ".</p>"),
              std::string::npos);
    EXPECT_NE(page.find("<title>seed board /runs/score/instance-004/B244-440.csv</title>"), std::string::npos);
    // Running since its start record, sampled or not.
    EXPECT_TRUE(std::regex_search(page, std::regex("<td class=\"name\">instance-001</td><td class=\"state\">running</td>"
                                                   "<td class=\"number\">[0-9][^<]*</td><td class=\"board\">none yet</td>")))
        << page;
    EXPECT_EQ(testing::notXmlCharAt(page), std::string::npos);

    // One progress sample: the own board, never the seed's copy.
    EXPECT_EQ(progressSampleFields("camp/instance-002"),
              "B241-430.csv\t241\t445\tLevel 236, max. 241, shifts 1 K, config OK=1,RE=1");
    // A file longer than any board is no board, whatever its end holds (as board-check says).
    writeFile("camp/instance-001/B241-430.csv", std::string(8200, '\n') + readFile("camp/instance-002/B241-430.csv"));
    EXPECT_EQ(progressSampleFields("camp/instance-001").substr(0, 7), "-\t-\t-\tL");
}

// Every field status prints from the campaign's files and names (the directory,
// the program, the seed board's name, started.txt, the console) reaches a terminal
// as text: no ESC, no C1 control, no line break of its own.
TEST_F(CampaignReportTest, StatusShowsEveryFieldWithoutItsControls) {
    makeCampaign();
    const std::string odd = "\x1b]0;t\x07\xc2\x9b" "2J\r";
    writeFile("camp/campaign.txt", "program: /opt/" + odd + "/shift-solver\ninstances: 3\n"
                                   "seed board: /runs/" + odd + "B244-440.csv as Best244.csv\n");
    writeFile("camp/instance-001/started.txt", "x\nstarted from: Best244.csv" + odd + ", the seed board\n");
    writeFile("camp/instance-002/started.txt", "x\nstarted from: Best244.csv, the seed board\n");
    writeFile("camp/instance-001/console.txt", "Level 244, max. 244 " + odd + "\n");
    const std::string dir = "camp" + odd;
    fs::rename("camp", dir);
    ASSERT_EQ(report({"--status", "--", dir}), 0) << err_.str();
    const std::string out = out_.str();
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_EQ(out.find("\xc2\x9b"), std::string::npos) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos) << out;
    EXPECT_EQ(out.find('\x07'), std::string::npos) << out;
    const std::string shown = "\\e]0;t\\x07\\u009b2J\\r";
    for (const std::string& field : {"campaign camp" + shown + ": shift-solver", std::string("status: Level 244, max. 244 \\e]0;t\\x07\\u009b2J\n"),
                                     "started from Best244.csv" + shown + ", the seed board",
                                     "the seed board /runs/" + shown + "B244-440.csv"})
        EXPECT_NE(out.find(field), std::string::npos) << field << "\n" << out;
}

// Thousands of instances with long logs: a page of a bounded size, the best
// ones in the table and the plots, the rest summed up, each line thinned to
// what the plot's width can show.

}  // namespace
}  // namespace zentara
