// Short campaigns of a stand-in solver through tools/campaign and GNU parallel.
#include "tests/campaign/campaign_fixture.hpp"

namespace zentara {
namespace {

TEST_F(CampaignTest, ShortCampaignHasOneDirectoryAndOneSeedPerInstanceAndStopsCleanly) {
    Result r = campaign("start --stagger 200 " + standin() + " 3 camp");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path dir = fs::canonical("camp");
    EXPECT_EQ(r.out, "campaign: started 3 of 3 instances of campaign-standin in " + dir.string() + "\n");

    std::set<RandomState> seeds;
    for (const char* name : {"instance-001", "instance-002", "instance-003"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(waitFor(dir / name / "start.txt"));
        ASSERT_TRUE(waitFor(dir / name / "Best200.csv"));
        std::istringstream start(readFile(dir / name / "start.txt"));
        LocalTime t{};
        RandomState seed = 0;
        start >> t.day >> t.minute >> t.second >> t.millisecond >> seed;
        EXPECT_EQ(timeSeed(t), seed);
        seeds.insert(seed);
        EXPECT_TRUE(fs::exists(dir / name / "instance.pid"));
        EXPECT_NE(readFile(dir / name / "started.txt").find("; time seeds claimed: a = minute * 2567 + second * 137 + millisecond = "),
                  std::string::npos);
    }
    EXPECT_EQ(seeds.size(), 3u) << "two instances share a time seed";
    EXPECT_FALSE(fs::exists(dir / "instance-004"));

    // GNU parallel holds the campaign's claim on its directory while it runs.
    EXPECT_EQ(readFile(dir / ".zentara.lock"), heldBy(dir));
    r = campaign("start " + standin() + " 3 camp");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "campaign: " + dir.string() + " is in use by " + trimmed(heldBy(dir)) + "; nothing started\n");

    // Status: each instance's own deepest board (Best25x over Best200), the level
    // its status line names, and the campaign's best.
    for (const char* name : {"instance-001", "instance-002", "instance-003"})
        ASSERT_TRUE(waitForStatus(dir / name, std::string("stand-in ") + name + " running"));
    r = campaign("status camp");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected{"campaign camp: campaign-standin, 3 instances, 3 running"};
    for (int k = 1; k <= 3; ++k) {
        const std::string name = "instance-00" + std::to_string(k), board = "Best25" + std::to_string(6 - k) + ".csv";
        const std::string level = std::to_string(256 - k);
        expected.push_back(name + "  running         own deepest board: " + board + ": " + summary(dir / name / board));
        expected.push_back("    own best level " + level + "; status: Level " + level + ", max. " + level + ", stand-in " +
                           name + " running");
    }
    expected.push_back("best board: camp/instance-001/Best255.csv: " + summary(dir / "instance-001/Best255.csv"));
    expected.push_back("piece set: built-in");  // as campaign.txt recorded it
    EXPECT_EQ(lines(r.out), expected);

    r = campaign("stop camp");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "campaign: sent SIGTERM to 3 instances; all stopped\n");
    for (const char* name : {"instance-001", "instance-002", "instance-003"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readFile(dir / name / "stopped.txt"), "stopped on request\n");  // SIGTERM, handled
        EXPECT_EQ(readFile(dir / name / "exit.txt"), "0\n");
        EXPECT_FALSE(fs::exists(dir / name / "instance.pid"));
    }
    r = campaign("status camp");
    EXPECT_EQ(lines(r.out)[0], "campaign camp: campaign-standin, 3 instances, 0 running");
    EXPECT_TRUE(lines(r.out)[3].starts_with("instance-002  ended, exit 0   own deepest board: Best254.csv: ")) << r.out;

    // Restarted at once with fewer instances, while every seed of the hour is
    // taken for two seconds (as by many starts a moment ago): the start reports
    // both once they run, not as failed or missing while they wait for their
    // seeds; the third is left from the earlier start: named apart, counted nowhere.
    std::vector<fs::path> taken;
    for (int block = 0; block <= 160535 / 200; ++block)
        if (fs::create_directory(dir / ".seeds" / std::to_string(block))) taken.push_back(dir / ".seeds" / std::to_string(block));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        for (const fs::path& claim : taken) fs::remove(claim);
    });
    r = campaign("start --stagger 200 " + standin() + " 2 camp");
    release.join();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "campaign: started 2 of 2 instances of campaign-standin in " + dir.string() + "\n");
    EXPECT_EQ(r.err, "");
    for (const char* name : {"instance-001", "instance-002"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::exists(dir / name / "instance.pid"));
        EXPECT_FALSE(fs::exists(dir / name / "exit.txt"));
        // Its status line as it runs again, after the one it stopped with.
        ASSERT_TRUE(waitUntil([&] {
            const std::string console = readFile(dir / name / "console.txt");
            return console.rfind(" running") != std::string::npos && console.rfind(" running") > console.rfind(" stopped");
        }));
    }
    r = campaign("status camp");
    const std::vector<std::string> restarted = lines(r.out);
    ASSERT_EQ(restarted.size(), 8u) << r.out;
    EXPECT_EQ(restarted[0], "campaign camp: campaign-standin, 2 instances, 2 running");
    EXPECT_EQ(restarted[5], "left from an earlier start with more instances, not part of this campaign: instance-003");
    EXPECT_EQ(countOf(r.out, "instance-003"), 1) << r.out;
    EXPECT_EQ(campaign("stop camp").out, "campaign: sent SIGTERM to 2 instances; all stopped\n");
}

TEST_F(CampaignTest, AnyConsistentBoardSeedsTheResumingSolversUnderItsBestName) {
    // A score-solver record board of 242 pieces whose cell 45 (row 2, column 13)
    // holds piece 181 instead of 255: shift-solver keeps 255 there and refuses it.
    Board16 cells = plantedBoard({243, 244, 245, 246, 247, 248, 249, 250, 251, 29, 44, 46, 61, 210});
    cells[45] = PlacedCell{180, 1};
    ASSERT_TRUE(writeBoardFile("B242-430.csv", cells.data(), LAYOUT_16X16));
    const std::string seed = readFile("B242-430.csv");
    // The stand-in under the name of a resuming solver.
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/shift-solver");
    const std::string shift = fs::absolute("bin/shift-solver").string();
    setenv("STANDIN_BOARDS", "0", 1);

    fs::create_directories("seeded/instance-002");
    writeFile("seeded/campaign.txt", "program: none\n");
    writeFile("seeded/instance-002/Best242.csv", "an earlier run's own board");
    Result r = campaign("start --board B242-430.csv " + shift + " 2 seeded");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.err).back(), "campaign: " + fs::canonical("seeded/instance-002/Best242.csv").string() +
                                       " exists and differs from B242-430.csv; not replaced");
    EXPECT_EQ(readFile("seeded/instance-002/Best242.csv"), "an earlier run's own board");
    EXPECT_FALSE(fs::exists("seeded/instance-001/Best242.csv"));

    fs::remove("seeded/instance-002/Best242.csv");
    r = campaign("start --board B242-430.csv " + shift + " 2 seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const fs::path dir = fs::canonical("seeded");
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "campaign: shift-solver will refuse 1 of the 242 pieces of B242-430.csv: besides the "
                                "hint it fixes piece 181 on row 13, column 2 and 255 on row 2, column 13, and takes "
                                "only pieces that fit them",
                                "campaign: seed board B242-430.csv copied into each instance as Best242.csv",
                                "campaign: started 2 of 2 instances of shift-solver in " + dir.string()}));
    EXPECT_EQ(readFile("seeded/instance-001/Best242.csv"), seed);
    EXPECT_EQ(readFile("seeded/instance-002/Best242.csv"), seed);
    for (const char* name : {"instance-001", "instance-002"})
        ASSERT_TRUE(waitForStatus(dir / name, std::string("stand-in ") + name + " running"));
    r = campaign("status seeded");
    const std::string from = "    started from Best242.csv, the seed board " + fs::canonical("B242-430.csv").string() +
                             "; it kept 241 of its 242 pieces (1 cell refused, see board-check --resume)";
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{
                                "campaign seeded: shift-solver, 2 instances, 2 running",
                                "instance-001  running         own deepest board: none yet",
                                "    own best level 1; status: Level 1, max. 1, stand-in instance-001 running", from,
                                "instance-002  running         own deepest board: none yet",
                                "    own best level 1; status: Level 1, max. 1, stand-in instance-002 running", from,
                                "best board: the seed board " + fs::canonical("B242-430.csv").string() + ": " +
                                    summary("B242-430.csv") + "; no instance has found a better one yet",
                                "piece set: built-in"}));
    EXPECT_EQ(campaign("stop seeded").out, "campaign: sent SIGTERM to 2 instances; all stopped\n");

    // A program that reads no seed board is refused one: nothing starts. With the
    // hint and the two fixed pieces in place all pieces are taken.
    ASSERT_TRUE(writeBoardFile("Result.csv", plantedBoard({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).data(), LAYOUT_16X16));
    r = campaign("start --board Result.csv " + standin() + " 1 other");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "campaign: --board: campaign-standin reads no seed board (only shift-solver and berserker-solver "
                     "do); nothing started\n");
    EXPECT_FALSE(fs::exists("other"));
    // The instances get the board as checked, in the suite's own layout: a blank
    // after each comma, which the checker reads past and the solvers do not, is gone.
    const std::string canonical = readFile("Result.csv");
    writeFile("Result.csv", std::regex_replace(canonical, std::regex(","), ", "));
    r = campaign("start --board Result.csv " + shift + " 1 other");
    EXPECT_EQ(lines(r.out)[0], "campaign: shift-solver takes all 245 pieces of Result.csv");
    EXPECT_EQ(readFile("other/instance-001/Best245.csv"), canonical);
    EXPECT_EQ(campaign("stop other").status, 0);
}

// A solver resumed from a seed board loses ground at first: status and the page
// tell its own boards and level apart from the seed, and the seed stays the
// campaign's best until something beats it. The seed's cell 45 holds piece 181
// where shift-solver fixes 255: it keeps 241 of the 242 pieces, and that is where
// its level starts.
TEST_F(CampaignTest, ASeededCampaignShowsWhatEachInstanceReachedBelowItsSeed) {
    Board16 seedCells = plantedBoard({243, 244, 245, 246, 247, 248, 249, 250, 251, 29, 44, 46, 61, 210});
    seedCells[45] = PlacedCell{180, 1};
    ASSERT_TRUE(writeBoardFile("seed.csv", seedCells.data(), LAYOUT_16X16));
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/shift-solver");
    setenv("STANDIN_TOP", "242", 1);  // instance k writes Best200.csv and Best(242 - k).csv
    setenv("ZENTARA_PROGRESS_SECONDS", "1", 1);
    Result r = campaign("start --board seed.csv " + fs::absolute("bin/shift-solver").string() + " 2 seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path dir = fs::canonical("seeded");
    for (const char* name : {"instance-001", "instance-002"})
        ASSERT_TRUE(waitForStatus(dir / name, std::string("stand-in ") + name + " running"));
    r = campaign("status seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string from = "    started from Best242.csv, the seed board " + fs::canonical("seed.csv").string() +
                             "; it kept 241 of its 242 pieces (1 cell refused, see board-check --resume)";
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{
                  "campaign seeded: shift-solver, 2 instances, 2 running",
                  "instance-001  running         own deepest board: Best241.csv: " + summary(dir / "instance-001/Best241.csv"),
                  "    own best level 241; status: Level 241, max. 241, stand-in instance-001 running", from,
                  "instance-002  running         own deepest board: Best240.csv: " + summary(dir / "instance-002/Best240.csv"),
                  "    own best level 240; status: Level 240, max. 240, stand-in instance-002 running", from,
                  "best board: the seed board " + fs::canonical("seed.csv").string() + ": " + summary("seed.csv") +
                      "; no instance has found a better one yet (best found: seeded/instance-001/Best241.csv: " +
                      summary(dir / "instance-001/Best241.csv") + ")",
                  "piece set: built-in"}));

    // The page, as a browser shows it.
    ASSERT_TRUE(waitUntil([&] { return readFile(dir / "instance-002/progress.txt").find("Level 240") != std::string::npos; }));
    r = campaign("report seeded");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "campaign-report: wrote seeded/report.html (2 instances, best board the seed board)\n");
    const std::string page = readFile(dir / "report.html");
    EXPECT_NE(page.find("<p class=\"best\">The seed board " + fs::canonical("seed.csv").string() + ": " +
                        summary("seed.csv") + ". No instance has found a better board yet; the best found is "
                        "instance-001/Best241.csv: " + summary(dir / "instance-001/Best241.csv") + ".</p>"),
              std::string::npos);
    // The level lines start at minute 0 (the plot's left edge, x = 56), at the 241
    // pieces kept, not at the seed's 242: instance-001 stays level at 241 from
    // there, instance-002 goes down to 240.
    const std::size_t levelPlot = page.find("class=\"level-plot\"");
    ASSERT_NE(levelPlot, std::string::npos);
    const auto heights = [&](const std::string& instance) {
        const std::string head = "class=\"series\" data-instance=\"" + instance + "\" points=\"";
        const std::size_t at = page.find(head, levelPlot);
        std::vector<double> ys;
        if (at > page.find("</svg>", levelPlot)) return ys;
        std::istringstream points(page.substr(at + head.size(), page.find('"', at + head.size()) - at - head.size()));
        double x = 0, y = 0;
        char comma = 0;
        while (points >> x >> comma >> y) {
            if (ys.empty()) {
                EXPECT_EQ(x, 56) << instance;
            }
            ys.push_back(y);
        }
        return ys;
    };
    const std::vector<double> first = heights("instance-001"), second = heights("instance-002");
    ASSERT_GE(first.size(), 2u);
    ASSERT_GE(second.size(), 2u);
    for (double y : first) EXPECT_EQ(y, first[0]);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_GT(second.back(), second[0]);  // lower on the screen
    const std::string chromium = testing::findChromium();
    if (chromium.empty())
        GTEST_SKIP() << "NOT TESTED: no headless Chromium here; the page was not rendered in a browser";
    std::vector<std::string> found;
    std::string problem;
    ASSERT_TRUE(testing::measureInChromium(
        chromium, page,
        "<script>const out = [];\n"
        "for (const tr of document.querySelectorAll('table.instances tbody tr')) out.push('row ' + tr.innerText.replace(/\\s+/g, ' ').trim());\n"
        "out.push('best ' + document.querySelector('p.best').innerText);\n"
        "const board = document.querySelector('svg.board').getBoundingClientRect();\n"
        "for (const t of document.querySelectorAll('svg.board text.caption'))\n"
        "  out.push('caption ' + (t.getBoundingClientRect().right <= board.right + 1 ? 'inside' : 'cut off'));\n"
        "const pre = document.createElement('pre'); pre.id = 'measured'; pre.textContent = out.join('\\n'); document.body.appendChild(pre);\n"
        "</script>\n",
        1024, found, problem))
        << problem;
    const std::vector<std::string> rows = testing::withPrefix(found, "row ");
    ASSERT_EQ(rows.size(), 2u);
    for (int k = 1; k <= 2; ++k) {
        const std::string name = "instance-00" + std::to_string(k), level = std::to_string(242 - k);
        BoardCheck c;
        std::string reason;
        ASSERT_TRUE(checkBoardFile((dir / name / ("Best" + level + ".csv")).c_str(), c, reason));
        EXPECT_TRUE(std::regex_match(rows[static_cast<std::size_t>(k - 1)],
                                     std::regex(name + " running \\d+ s Best" + level + "\\.csv " + level + " " +
                                                std::to_string(c.matchedSeams) + " " + level +
                                                " Best242\\.csv, the seed board; 241 of its 242 pieces kept Level " +
                                                level + ", max\\. " + level +
                                                ", stand-in " + name + " running")))
            << rows[static_cast<std::size_t>(k - 1)];
    }
    EXPECT_EQ(testing::withPrefix(found, "best ").at(0).substr(0, 15), "The seed board ");
    EXPECT_EQ(testing::withPrefix(found, "caption "), std::vector<std::string>(3, "inside"));
}

TEST_F(CampaignTest, SeedBoardsTheResumingSolversCannotUseAreRefusedWithTheReason) {
    fs::create_directory("bin");
    fs::copy_file(standin(), "bin/berserker-solver");
    writeFile("garbage.csv", "not a board\r\n");
    ASSERT_TRUE(writeBoardFile("Best199.csv", plantedBoard({}).data(), LAYOUT_16X16));
    Board16 low = plantedBoard({});
    for (int c = 199; c < CELL_COUNT; ++c) low[static_cast<std::size_t>(c)] = PlacedCell{};
    ASSERT_TRUE(writeBoardFile("B199-380.csv", low.data(), LAYOUT_16X16));
    Board16 swapped = plantedBoard({});
    std::swap(swapped[17], swapped[18]);
    ASSERT_TRUE(writeBoardFile("Best250.csv", swapped.data(), LAYOUT_16X16));
    writeFile("Best72.csv", readFile(sourcePath("data/solution_6x12.csv")));
    const std::vector<std::pair<std::string, std::string>> cases{
        {"missing.csv", "missing.csv: unreadable: cannot open missing.csv"},
        {"garbage.csv", "garbage.csv: unreadable: line 1: not a board cell: \"not a board\""},
        {"Best250.csv", "Best250.csv: inconsistent board (board-check: 7 mismatched seams); not a seed board"},
        {"Best72.csv", "Best72.csv: not a 16 x 16 board; shift-solver and berserker-solver resume only 16 x 16 boards"},
        {"Best199.csv", "Best199.csv: 256 pieces placed; shift-solver and berserker-solver resume only from boards "
                        "of 200 to 255 pieces (Best200.csv to Best255.csv)"},
        {"B199-380.csv", "B199-380.csv: 199 pieces placed; shift-solver and berserker-solver resume only from "
                         "boards of 200 to 255 pieces (Best200.csv to Best255.csv)"},
    };
    for (const auto& [board, reason] : cases) {
        SCOPED_TRACE(board);
        const Result r = campaign("start --board " + board + " bin/berserker-solver 1 seeded");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "campaign: " + reason + "\n");
        EXPECT_FALSE(fs::exists("seeded"));
    }
}

TEST_F(CampaignTest, InstancesLogTheirProgressAndAStopBySignalIsNoFailure) {
    setenv("ZENTARA_PROGRESS_SECONDS", "1", 1);
    Result r = campaign("start " + standin() + " 1 camp");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path log = "camp/instance-001/progress.txt";
    for (int i = 0; i < 200 && lines(readFile(log)).size() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The report page takes the states from the campaign tool, which sees the program run.
    Result r2 = campaign("report camp");
    ASSERT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(r2.out, "campaign-report: wrote camp/report.html (1 instance, best board instance-001/Best255.csv)\n");
    EXPECT_NE(readFile("camp/report.html").find("<td class=\"name\">instance-001</td><td class=\"state\">running</td>"),
              std::string::npos);
    ASSERT_EQ(campaign("stop camp").status, 0);
    // stop returns once the wrapper is done: the last sample, exit.txt, the pid file gone.
    ASSERT_TRUE(fs::exists("camp/instance-001/exit.txt"));
    EXPECT_FALSE(fs::exists("camp/instance-001/instance.pid"));
    const std::vector<std::string> samples = lines(readFile(log));
    ASSERT_GE(samples.size(), 3u);
    const std::regex sample(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\t(\d+)\t([^\t]*)\t([^\t]*)\t([^\t]*)\t(.*))");
    int previousSeconds = -1;
    bool stopped = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(samples[i]);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(samples[i], m, sample));
        EXPECT_GE(std::stoi(m[1]), previousSeconds);
        previousSeconds = std::stoi(m[1]);
        // Nothing is logged before the program reached something: no banner, no "- - -".
        // Sampled before the stand-in's status line reached console.txt (console-log
        // writes it at most once a second), a sample holds its boards alone.
        EXPECT_EQ(m[2], "Best255.csv");
        EXPECT_EQ(m[3], "255");
        BoardCheck c;
        std::string reason;
        ASSERT_TRUE(checkBoardFile("camp/instance-001/Best255.csv", c, reason));
        EXPECT_EQ(m[4], std::to_string(c.matchedSeams));
        // The sampler may catch the last words before the wrapper's own last sample.
        if (m[5].str().empty()) continue;
        if (m[5] == "Level 255, max. 255, stand-in instance-001 stopped") stopped = true;
        EXPECT_EQ(m[5], std::string("Level 255, max. 255, stand-in instance-001 ") + (stopped ? "stopped" : "running"));
    }
    EXPECT_TRUE(stopped);

    // A program that SIGTERM simply ends shows as stopped; one that failed keeps its exit code.
    writeFile("sleeper", "#!/bin/sh\nexec sleep 600\n");
    fs::permissions("sleeper", fs::perms::owner_all);
    ASSERT_EQ(campaign("start ./sleeper 1 sleepers").status, 0);
    ASSERT_EQ(campaign("stop sleepers").status, 0);
    ASSERT_TRUE(waitFor("sleepers/instance-001/exit.txt"));
    EXPECT_EQ(readFile("sleepers/instance-001/exit.txt"), "143\n");
    EXPECT_EQ(lines(campaign("status sleepers").out)[1], "instance-001  stopped         own deepest board: none yet");
    EXPECT_EQ(readFile("sleepers/instance-001/progress.txt"), "");  // it never reached anything
}

TEST_F(CampaignTest, FindsProgramsByNameInTheBuildAndRefusesWhatItCannotRun) {
    Result r = campaign("start no-such-solver 2 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string("campaign: no program no-such-solver in ") + ZENTARA_BIN_DIR +
                         " (build the suite first, or give a path)\n");
    EXPECT_EQ(campaign("status nowhere").err, "campaign: nowhere is not a campaign directory\n");

    // board-check without arguments ends at once with exit code 2: start and status say so.
    r = campaign("start board-check 1 named");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "campaign: started 1 of 1 instance of board-check in " + fs::canonical("named").string() + "\n");
    EXPECT_EQ(r.err, "campaign: instance-001 ended with exit 2 (see its console.txt)\n");
    ASSERT_TRUE(waitFor("named/instance-001/exit.txt"));
    r = campaign("status named");
    EXPECT_EQ(lines(r.out)[0], "campaign named: board-check, 1 instance, 0 running");
    EXPECT_EQ(lines(r.out)[1], "instance-001  ended, exit 2   own deepest board: none yet");
    EXPECT_EQ(lines(r.out).end()[-2], "best board: none yet");
    EXPECT_EQ(lines(r.out).back(), "piece set: built-in");
}

TEST_F(CampaignTest, AnswersHelpAndVersionAndNamesWhatItRefuses) {
    Result r = campaign("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("usage: campaign start [--sshloginfile FILE]")) << r.out;
    EXPECT_EQ(r.err, "");
    r = campaign("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "campaign (Zentara) " + std::string(VERSION) + "\npiece set: built-in\n");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"start --frobnicate " + standin() + " 1 named", "campaign: unknown option '--frobnicate'"},
        {"start " + standin() + " 1 named --jobs 2", "campaign: start takes PROGRAM N [DIR] after its options"},
        {"start --board", "campaign: option --board needs a value"},
        {"stop --wait soon named", "campaign: --wait takes a number of seconds"},
        {"launch named", "campaign: unknown command 'launch'"},
        {"status --all named", "campaign: status: unknown option '--all'"},
        {"status", "campaign: status: DIR is needed"},
        {"status named other", "campaign: status: too many names: named other"},
        {"report -o page.html named", "campaign: report: unknown option '-o'"},
        {"report named page.html more", "campaign: report: too many names: named page.html more"},
    };
    for (const auto& [args, reason] : cases) {
        SCOPED_TRACE(args);
        r = campaign(args);
        EXPECT_EQ(r.status, 2);
        ASSERT_GE(lines(r.err).size(), 2u) << r.err;
        EXPECT_EQ(lines(r.err)[0], reason);
        EXPECT_TRUE(lines(r.err)[1].starts_with("usage: campaign start")) << r.err;
    }
    // A name is shown without its controls whatever the locale, also a C1 CSI (U+009B).
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        setenv("LC_ALL", locale, 1);
        r = campaign("status 'x\xc2\x9b" "2J\x1b[1m\xc3\xa9'");
        unsetenv("LC_ALL");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "campaign: x?2J?[1m\xc3\xa9 is not a campaign directory\n");
    }
    // The Slurm script answers the same way, in or out of a Slurm task, before it makes DIR.
    setenv("SLURM_ARRAY_TASK_ID", "1", 1);
    const std::string slurm = "bash " + sourcePath("tools/campaign.slurm").string();
    int raw = std::system((slurm + " --help > slurm.out 2> slurm.err").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_TRUE(readFile("slurm.out").starts_with("usage: sbatch --array=1-N campaign.slurm PROGRAM DIR\n"));
    EXPECT_EQ(readFile("slurm.err"), "");
    raw = std::system((slurm + " --version > slurm.out 2> slurm.err").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_EQ(readFile("slurm.out"), "campaign.slurm (Zentara) " + std::string(VERSION) + "\npiece set: built-in\n");
    raw = std::system((slurm + " --frobnicate " + standin() + " named > slurm.out 2> slurm.err").c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_EQ(readFile("slurm.out"), "");
    EXPECT_TRUE(readFile("slurm.err").starts_with("campaign.slurm: unknown argument '--frobnicate'\nusage: sbatch"))
        << readFile("slurm.err");
    unsetenv("SLURM_ARRAY_TASK_ID");
    EXPECT_FALSE(fs::exists("named"));
}

}  // namespace
}  // namespace zentara
