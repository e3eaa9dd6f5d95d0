// The campaign report page: what it gathers from a campaign directory, and what a
// real browser renders of it.
#include "campaign/campaign_report.hpp"

#include <sys/time.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <map>
#include <sstream>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "tests/campaign/campaign_report_fixture.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/browser.hpp"
#include "tests/support/xml_check.hpp"

namespace zentara {
namespace {

using testing::countOf;

TEST_F(CampaignReportTest, PageHoldsEveryInstanceTheBestBoardAndTheProgressAndNothingFromElsewhere) {
    makeCampaign();
    writeFile("states.txt", "instance-002\tended, exit 1\ninstance-003\tnot started\n");
    ASSERT_EQ(report({"--states", "states.txt", "camp"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "campaign-report: wrote camp/report.html (3 instances, best board instance-001/Best250.csv)\n");
    EXPECT_EQ(testing::notXmlCharAt(readFile("camp/report.html")), std::string::npos);
    const std::string page = readFile("camp/report.html");

    const std::regex row("<tr class=\"(\\w+)\"><td class=\"name\">(instance-\\d+)</td><td class=\"state\">([^<]*)</td><td "
                         "class=\"number\">([^<]*)</td><td class=\"board\">([^<]*)</td><td class=\"number\">([^<]*)</td><td "
                         "class=\"number\">([^<]*)</td><td class=\"number\">([^<]*)</td><td class=\"from\">([^<]*)</td>"
                         "<td class=\"status\">([^<]*)</td></tr>");
    std::vector<std::vector<std::string>> rows;
    for (auto m = std::sregex_iterator(page.begin(), page.end(), row); m != std::sregex_iterator(); ++m)
        rows.push_back(std::vector<std::string>(m->begin() + 1, m->end()));
    ASSERT_EQ(rows.size(), 3u) << page;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"ended", "instance-001", "stopped", "3 h 10 min", "Best250.csv", "250",
                                                 "468", "250", "Best244.csv, the seed board; all 244 pieces kept",
                                                 "Level 245, max. 250, shifts 30 K, config OK=51,RE=49"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"failed", "instance-002", "ended, exit 1", "30 min", "B241-430.csv",
                                                 "241", "445", "", "", "done"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"ended", "instance-003", "not started", "", "none yet", "", "", "", "", ""}));
    EXPECT_EQ(countOf(page, "<th>"), 9);  // no column twice
    EXPECT_NE(page.find("shift-solver, 3 instances, 0 running; started 2026-12-08 01:00:00 UTC on node1; seed board "
                        "/runs/score/instance-004/B244-440.csv as Best244.csv."),
              std::string::npos);

    // The best board, drawn as board-view draws it.
    const std::size_t svgAt = page.find("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"board\"");
    ASSERT_NE(svgAt, std::string::npos);
    const std::string board = page.substr(svgAt, page.find("</svg>", svgAt) + 7 - svgAt);
    EXPECT_EQ(testing::xmlProblem(board), "");
    EXPECT_EQ(countOf(board, "<g class=\"piece\">"), 250);
    EXPECT_NE(board.find("<title>instance-001/Best250.csv</title>"), std::string::npos);

    // Three plots, best instance first, one line per instance with something to
    // draw: the level line of instance-001 from its seed's 244 at minute 0, then
    // its samples that name a level, then its end 10 min after its last sample; the
    // boards: instance-001 three and its end, instance-002 one (drawn as a dot), as
    // its first sample had no board yet.
    const std::map<std::string, std::vector<std::pair<std::string, int>>> expectedLines{
        {"level-plot", {{"instance-001", 4}}},
        {"pieces-plot", {{"instance-001", 4}, {"instance-002", 2}}},
        {"seams-plot", {{"instance-001", 4}, {"instance-002", 2}}}};
    for (const auto& [plot, expected] : expectedLines) {
        SCOPED_TRACE(plot);
        const std::size_t at = page.find("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"" + plot);
        ASSERT_NE(at, std::string::npos);
        const std::string svg = page.substr(at, page.find("</svg>", at) + 7 - at);
        EXPECT_EQ(testing::xmlProblem(svg), "");
        const std::regex series("<polyline class=\"series\" data-instance=\"(instance-\\d+)\" points=\"([^\"]*)\"");
        std::vector<std::pair<std::string, int>> lines;
        for (auto m = std::sregex_iterator(svg.begin(), svg.end(), series); m != std::sregex_iterator(); ++m)
            lines.emplace_back((*m)[1], countOf((*m)[2].str(), ",")), void();
        EXPECT_EQ(lines, expected);
        // Every line has markers of its own shape, so that lines that coincide still show.
        EXPECT_EQ(countOf(svg, "<path class=\"markers\""), static_cast<int>(expected.size()));
        EXPECT_NE(svg.find(">hours since the instance started</text>"), std::string::npos);
    }
    EXPECT_NE(page.find("<polyline class=\"series\" data-instance=\"instance-001\" points=\"56,"), std::string::npos)
        << "the level line starts at minute 0";
    // A first sample at second 0 that is already higher (a few thousand iterations
    // in) does not hide where the line starts: the kept 244 is its first point.
    writeFile("camp/instance-001/progress.txt",
              "2026-12-08 01:00:00\t0\tBest244.csv\t244\t470\tLevel 246, max. 246, shifts 10 K, config OK=50,RE=50\n"
              "2026-12-08 02:00:00\t3600\tBest248.csv\t248\t474\tLevel 240, max. 248, shifts 10 K, config OK=50,RE=50\n");
    ASSERT_EQ(report({"camp"}), 0) << err_.str();
    const std::string again = readFile("camp/report.html");
    const std::string head = "<polyline class=\"series\" data-instance=\"instance-001\" points=\"";
    const std::size_t line = again.find(head, again.find("class=\"level-plot\""));
    ASSERT_NE(line, std::string::npos);
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    ASSERT_EQ(std::sscanf(again.c_str() + line + head.size(), "%lf,%lf %lf,%lf", &x0, &y0, &x1, &y1), 4);
    EXPECT_EQ(x0, 56);
    EXPECT_EQ(x1, 56);
    EXPECT_GT(y0, y1) << "the start at 244 lies below the first sample's 246";
    // Self-contained: nothing fetched, no script.
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import"}) EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    EXPECT_EQ(countOf(page, "http"), 4);  // the SVG namespace name of the four pictures
}

TEST_F(CampaignReportTest, StatesComeFromTheFilesWhenNotGivenAndRefusalsSayWhy) {
    makeCampaign();
    writeFile("camp/instance-001/exit.txt", "0\n");
    writeFile("camp/instance-003/instance.pid", "4242 :\n");
    ASSERT_EQ(report({"camp", "page.html"}), 0) << err_.str();
    const std::string page = readFile("page.html");
    EXPECT_NE(page.find("<td class=\"name\">instance-001</td><td class=\"state\">ended, exit 0</td>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"name\">instance-003</td><td class=\"state\">running</td>"), std::string::npos);

    // Whatever a program printed reaches the page as text, never as markup.
    writeFile("camp/instance-002/progress.txt", "2026-12-08 01:00:00\t0\t-\t-\t-\t<b>starting & \"quoted\"\n");
    ASSERT_EQ(report({"camp", "page.html"}), 0) << err_.str();
    EXPECT_NE(readFile("page.html").find("<td class=\"status\">&lt;b&gt;starting &amp; &quot;quoted&quot;</td>"),
              std::string::npos);
    EXPECT_NE(readFile("page.html").find("<th>Started from</th>"), std::string::npos);

    // A campaign of a program that resumes from no board has no column for it.
    fs::remove("camp/instance-001/started.txt");
    ASSERT_EQ(report({"camp", "page.html"}), 0) << err_.str();
    EXPECT_EQ(readFile("page.html").find("Started from"), std::string::npos);
    EXPECT_EQ(readFile("page.html").find("class=\"from\""), std::string::npos);
    EXPECT_EQ(countOf(readFile("page.html"), "<th>"), 8);

    // A Slurm job's tasks count before they made their directory; a range no
    // start could have made (campaign.txt may come from anyone) lists no more
    // than the directories there, at once.
    writeFile("camp/campaign.txt", "program: /opt/zentara/build/bin/shift-solver\ninstances: 5\nslurm job: 7\ntasks: 1-5\n");
    ASSERT_EQ(report({"--status", "camp"}), 0) << err_.str();
    EXPECT_EQ(countOf(out_.str(), "instance-005  not started"), 1) << out_.str();
    for (const char* tasks : {"1-999999999", "2147483000-2147483647", "0-9999", "99999999-100000001", "3-1", "-1-2"}) {
        SCOPED_TRACE(tasks);
        writeFile("camp/campaign.txt", std::string("program: /opt/zentara/build/bin/shift-solver\ninstances: 3\n"
                                                   "slurm job: 7\ntasks: ") + tasks + "\n");
        ASSERT_EQ(report({"--status", "camp"}), 0) << err_.str();
        EXPECT_TRUE(out_.str().starts_with("campaign camp: shift-solver, 3 instances, 1 running\n")) << out_.str();
        EXPECT_EQ(countOf(out_.str(), "instance-"), 3 + 1) << out_.str();  // and the best board's name
    }

    EXPECT_EQ(report({"nowhere"}), 2);
    EXPECT_EQ(err_.str(), "campaign-report: nowhere is not a campaign directory (no campaign.txt)\n");
    EXPECT_EQ(report({"camp", "no-such-dir/page.html"}), 1);
    EXPECT_EQ(err_.str(), "campaign-report: cannot write no-such-dir/page.html: No such file or directory\n");
    EXPECT_EQ(report({"--states"}), 2);
    EXPECT_EQ(report({"--open", "camp"}), 2);
}

// The elapsed time runs from the instance's start record to the page while it
// runs, or to its end; the last sample only stands in where the start is not
// known or a clock went back. The plots end where the table says.
TEST_F(CampaignReportTest, ElapsedRunsFromTheStartRecordToThePageOrTheEndAndThePlotsAgree) {
    const std::time_t start = localTime("2026-12-08 01:00:00");
    fs::create_directories("camp");
    writeFile("camp/campaign.txt", "program: /opt/zentara/build/bin/shift-solver\ninstances: 6\n");
    struct Case {
        const char* started;  // started.txt's first line; nullptr: none
        const char* samples;  // seconds of its progress samples
        long end;             // seconds after the start that exit.txt was written; -1: none
        const char* state;
        long elapsed;
    };
    const std::vector<Case> cases{
        {"2026-12-08 01:00:00.100 on node1; time seeds claimed: a = 1 to 200", "0 1", -1, "running", 33},
        {"2026-12-08 01:00:00.100 on node1; time seeds claimed: a = 1 to 200", "0 60 540", 600, "stopped", 600},
        {nullptr, "0 1", -1, "running", 1},
        {"started at some time", "0 20", -1, "running", 20},
        {"2026-12-08 01:00:00.100 on node1", "0 20", -5, "ended, exit 0", 20},  // its end before its start
        {"2026-12-08 01:00:00.100 on node1", "", -1, "gone", -1},
    };
    std::string states;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const std::string dir = "camp/instance-00" + std::to_string(k + 1);
        fs::create_directories(dir);
        if (cases[k].started) writeFile(dir + "/started.txt", std::string(cases[k].started) + "\n");
        std::string progress;
        std::istringstream seconds(cases[k].samples);
        for (long s; seconds >> s;)
            progress += "2026-12-08 01:00:00\t" + std::to_string(s) + "\tBest240.csv\t240\t400\tLevel 239, max. 240\n";
        writeFile(dir + "/progress.txt", progress);
        writeFile(dir + "/console.txt", "Level 241, max. 241\n");
        if (cases[k].end != -1) writeEnd(dir + "/exit.txt", "143\n", start + cases[k].end);
        states += dir.substr(5) + "\t" + cases[k].state + "\n";
    }
    const CampaignReport report = gatherCampaign("camp", states, REPORT_PLOT_SERIES, start + 33);
    ASSERT_EQ(report.instances.size(), cases.size());
    for (std::size_t k = 0; k < cases.size(); ++k) EXPECT_EQ(report.instances[k].elapsedSeconds, cases[k].elapsed) << k;

    // Each level line ends at its elapsed time at the level the table shows (241):
    // its last point lies at elapsed / 600 of instance-002's, which ends at 600 s.
    const std::string page = renderCampaignPage(report, "now");
    EXPECT_NE(page.find("<td class=\"number\">33 s</td>"), std::string::npos);
    const std::size_t plot = page.find("class=\"level-plot\"");
    ASSERT_NE(plot, std::string::npos);
    const auto lastPoint = [&](const std::string& instance) {
        const std::string head = "<polyline class=\"series\" data-instance=\"" + instance + "\" points=\"";
        const std::size_t at = page.find(head, plot);
        const std::string points = page.substr(at + head.size(), page.find('"', at + head.size()) - at - head.size());
        double x = 0, y = 0;
        std::sscanf(points.c_str() + points.rfind(' ') + 1, "%lf,%lf", &x, &y);
        return std::pair{x, y};
    };
    const auto [x1, y1] = lastPoint("instance-001");
    const auto [x2, y2] = lastPoint("instance-002");
    const double left = 56;  // the plots' left edge: minute 0
    EXPECT_NEAR((x1 - left) / (x2 - left), 33.0 / 600.0, 0.002);
    EXPECT_EQ(y1, y2);  // both at 241
}

// Lines that coincide stay visible: of two identical series, the one drawn later
// has hollow or smaller markers centred on the same points, so the first one's
// show around or through them; and no line is drawn over any marker.
TEST_F(CampaignReportTest, CoincidingLinesKeepTheirMarkersInView) {
    fs::create_directories("camp");
    writeFile("camp/campaign.txt", "program: /opt/zentara/build/bin/shift-solver\ninstances: 10\n");
    std::string progress;
    for (int s = 0; s <= 3600; s += 60)
        progress += "2026-12-08 01:00:00\t" + std::to_string(s) + "\tBest240.csv\t240\t" + std::to_string(400 + s / 600) +
                    "\tLevel 239, max. " + std::to_string(230 + s / 360) + "\n";
    for (int k = 1; k <= 10; ++k) {
        const std::string dir = "camp/instance-" + std::string(k < 10 ? "00" : "0") + std::to_string(k);
        fs::create_directories(dir);
        writeFile(dir + "/progress.txt", progress);
        writeFile(dir + "/exit.txt", "143\n");
    }
    const std::string page = renderCampaignPage(gatherCampaign("camp", "", REPORT_PLOT_SERIES), "now");
    // A marker's horizontal extent and centre, from the points its path visits.
    struct Extent {
        double low = 1e9, high = -1e9;
    };
    const auto lastMarker = [](const std::string& d) {
        Extent e;
        std::istringstream in(d.substr(d.rfind('M')));
        char command = 0;
        double x = 0, y = 0;
        in >> command >> x >> y;
        e.low = e.high = x;
        for (std::string token; in >> command;) {
            double a[7] = {};
            const int count = command == 'a' ? 7 : command == 'l' ? 2 : command == 'h' || command == 'v' ? 1 : 0;
            for (int i = 0; i < count; ++i) in >> a[i];
            if (command == 'a') x += a[5];
            else if (command == 'l' || command == 'h') x += a[0];
            e.low = std::min(e.low, x), e.high = std::max(e.high, x);
        }
        return e;
    };
    for (const char* plot : {"level-plot", "pieces-plot", "seams-plot"}) {
        SCOPED_TRACE(plot);
        const std::size_t at = page.find(std::string("class=\"") + plot + "\"");
        const std::string svg = page.substr(at, page.find("</svg>", at) - at);
        EXPECT_GT(svg.find("<path class=\"markers\""), svg.rfind("<polyline")) << "a line over a marker";
        const std::regex markers("<path class=\"markers\" data-instance=\"[^\"]+\" d=\"([^\"]+)\" fill=\"([^\"]+)\"");
        std::vector<std::pair<Extent, bool>> drawn;  // in drawing order: extent, hollow
        for (auto m = std::sregex_iterator(svg.begin(), svg.end(), markers); m != std::sregex_iterator(); ++m)
            drawn.emplace_back(lastMarker((*m)[1]), (*m)[2] == "none");
        ASSERT_EQ(drawn.size(), 10u);
        for (std::size_t j = 0; j < drawn.size(); ++j)
            for (std::size_t k = j + 1; k < drawn.size(); ++k) {
                SCOPED_TRACE(std::to_string(j) + " under " + std::to_string(k));
                const Extent &under = drawn[j].first, &over = drawn[k].first;
                EXPECT_NEAR(under.low + under.high, over.low + over.high, 0.25);  // one centre
                EXPECT_TRUE(drawn[k].second || over.high - over.low < under.high - under.low - 0.5);
            }
    }
}

// What every solver's status line names, and which lines are none.
TEST_F(CampaignReportTest, ALargeCampaignGivesASmallPageOfItsBestInstances) {
    constexpr int INSTANCES = 150, SAMPLES = 4000;
    Board16 planted{};
    parseBoardBytes(readFile(sourcePath("data/solution_16x16.csv")), planted);
    writeFile("big/campaign.txt", "");
    fs::create_directories("big");
    writeFile("big/campaign.txt", "program: /x/score-solver\ninstances: 150\n");
    for (int k = 1; k <= INSTANCES; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "big/instance-%03d", k);
        fs::create_directories(name);
        const int pieces = 200 + k % 50;  // instances 49, 99 and 149 best
        Board16 b = planted;
        for (int c = pieces; c < CELL_COUNT; ++c) b[static_cast<std::size_t>(c)] = PlacedCell{};
        char board[64];
        std::snprintf(board, sizeof board, "%s/B%03d-430.csv", name, pieces);
        ASSERT_TRUE(writeBoardFile(board, b.data(), LAYOUT_16X16));
        std::string log;
        log.reserve(SAMPLES * 120);
        for (int i = 0; i < SAMPLES; ++i)
            log += "2026-12-08 01:00:00\t" + std::to_string(i * 60) + "\t" + (board + 14) + "\t" + std::to_string(pieces) +
                   "\t430\tLevel/Score: 180/390, Best: " + std::to_string(pieces - 1 + i % 2) + "/431, Tests: 10 M, Resets: 0\n";
        writeFile(std::string(name) + "/progress.txt", log);
        writeFile(std::string(name) + "/exit.txt", "143\n");
    }
    ASSERT_EQ(report({"big"}), 0) << err_.str();
    const std::string page = readFile("big/report.html");
    EXPECT_LT(page.size(), 1u << 20);
    EXPECT_EQ(countOf(page, "<tr class="), REPORT_TABLE_ROWS);
    EXPECT_NE(page.find("<p>The 40 best of 150 instances, best first"), std::string::npos);
    const std::size_t rest = page.find("<p class=\"rest\">The other 110 instances: own deepest boards from 236 pieces (");
    ASSERT_NE(rest, std::string::npos);
    EXPECT_NE(page.find(" seams) down to 200 (", rest), std::string::npos);
    EXPECT_NE(page.find("All instances by state: 150 stopped."), std::string::npos);
    const std::size_t firstRow = page.find("<tr class=");
    EXPECT_EQ(page.substr(firstRow, 52), "<tr class=\"ended\"><td class=\"name\">instance-049</td>");
    const std::regex series("<polyline class=\"series\" data-instance=\"instance-(\\d+)\" points=\"([^\"]*)\"");
    int lines = 0;
    for (auto m = std::sregex_iterator(page.begin(), page.end(), series); m != std::sregex_iterator(); ++m) {
        ++lines;
        EXPECT_LE(countOf((*m)[2].str(), ","), 300) << "instance-" << (*m)[1];
    }
    EXPECT_EQ(lines, 3 * REPORT_PLOT_SERIES);
    EXPECT_EQ(testing::xmlProblem(page.substr(page.find("<svg"), page.find("</svg>") + 6 - page.find("<svg"))), "");
}

// Measures, in the browser, what it laid out and painted: one line per finding.
constexpr const char* MEASURE_SCRIPT = R"(<script>
const out = [];
const box = el => el.getBoundingClientRect();
const shown = el => { const b = box(el); return b.width > 0 && b.height > 0; };
const rows = [...document.querySelectorAll('table.instances tbody tr')];
out.push('rows ' + rows.filter(shown).length);
for (const tr of rows) out.push('row ' + tr.innerText.replace(/\s+/g, ' ').trim());
out.push('page width ' + document.documentElement.scrollWidth + ' of ' + window.innerWidth);
for (const td of document.querySelectorAll('td.status'))
  out.push('status cell ' + (td.scrollWidth <= td.clientWidth + 1 ? 'whole' : 'cut') + ' ' + (box(td).right <= window.innerWidth ? 'inside' : 'outside'));
const board = document.querySelector('svg.board');
const b = box(board);
out.push('board ' + Math.round(b.width) + ' ' + Math.round(b.height));
const inside = g => { const r = box(g); return r.width > 5 && r.height > 5 && r.left >= b.left && r.right <= b.right + 1 && r.top >= b.top && r.bottom <= b.bottom + 1; };
out.push('pieces ' + [...board.querySelectorAll('g.piece')].filter(inside).length);
const hint = board.querySelector('g.hint');
const h = box(hint);
const hit = document.elementFromPoint(h.left + 1, h.top + h.height / 2);  // on the frame's stroke
out.push('hint ' + inside(hint) + ' ' + (hit ? hit.closest('g').getAttribute('class') : 'none'));
for (const plot of document.querySelectorAll('svg.level-plot, svg.pieces-plot, svg.seams-plot')) {
  const p = box(plot);
  out.push('plot ' + plot.getAttribute('class') + ' ' + Math.round(p.width) + ' ' + Math.round(p.height));
  for (const line of plot.querySelectorAll('polyline.series')) {
    const l = box(line);
    out.push('series ' + plot.getAttribute('class') + ' ' + line.dataset.instance + ' ' + line.points.numberOfItems + ' ' +
             Math.round(l.width) + ' ' + Math.round(l.height) + ' ' + getComputedStyle(line).stroke);
  }
  for (const m of plot.querySelectorAll('path.markers')) {
    const r = box(m);
    out.push('markers ' + plot.getAttribute('class') + ' ' + m.dataset.instance + ' ' + (r.width > 3 && r.height > 3));
  }
}
const pre = document.createElement('pre');
pre.id = 'measured';
pre.textContent = out.join('\n');
document.body.appendChild(pre);
</script>
)";

TEST_F(CampaignReportTest, ABrowserRendersTheTableTheBoardAndThePlots) {
    const std::string chromium = testing::findChromium();
    if (chromium.empty())
        GTEST_SKIP() << "NOT TESTED: no headless Chromium here (tools/install-deps installs Debian's chromium); the "
                        "report page was not rendered in a browser";
    makeCampaign();
    ASSERT_EQ(report({"camp"}), 0) << err_.str();
    std::vector<std::string> found;
    std::string problem;
    ASSERT_TRUE(testing::measureInChromium(chromium, readFile("camp/report.html"), MEASURE_SCRIPT, 1280, found, problem))
        << problem;
    const auto withPrefix = [&](const std::string& prefix) { return testing::withPrefix(found, prefix); };

    // The table: three rows laid out, each with its rendered text.
    EXPECT_EQ(withPrefix("rows "), std::vector<std::string>{"3"});
    EXPECT_EQ(withPrefix("row "),
              (std::vector<std::string>{
                  "instance-001 stopped 3 h 10 min Best250.csv 250 468 250 Best244.csv, the seed board; all 244 pieces kept "
                  "Level 245, "
                  "max. 250, shifts 30 K, config OK=51,RE=49",
                  "instance-002 ended, exit 1 30 min B241-430.csv 241 445 done",
                  "instance-003 not started none yet"}));
    // The board: drawn at a readable size in its proportions, every piece inside
    // it, and the hint cell's frame painted on top where it belongs.
    const std::vector<std::string> board = withPrefix("board ");
    ASSERT_EQ(board.size(), 1u);
    int width = 0, height = 0;
    std::sscanf(board[0].c_str(), "%d %d", &width, &height);
    EXPECT_GE(width, 500);
    EXPECT_NEAR(static_cast<double>(height) / width, (34 + 640 + 68) / (34 + 640 + 12.0), 0.02);
    EXPECT_EQ(withPrefix("pieces "), std::vector<std::string>{"250"});
    EXPECT_EQ(withPrefix("hint "), std::vector<std::string>{"true hint"});
    // The plots: all three laid out, one line per instance with something to
    // draw, the three-hour run of instance-001 (to its end) spanning most of the time axis,
    // every line with its markers painted.
    EXPECT_EQ(withPrefix("plot ").size(), 3u);
    const std::vector<std::string> series = withPrefix("series ");
    ASSERT_EQ(series.size(), 5u) << testing::readFile("dom.html");
    for (const std::string& s : series) {
        SCOPED_TRACE(s);
        char plot[32], instance[32], stroke[64];
        int points = 0, w = 0, h = 0;
        ASSERT_EQ(std::sscanf(s.c_str(), "%31s %31s %d %d %d %63[^\n]", plot, instance, &points, &w, &h, stroke), 6);
        if (std::string(instance) == "instance-001") {
            EXPECT_EQ(points, 4);  // its samples and its end
            EXPECT_GT(w, 400);
            EXPECT_GT(h, 10);
            EXPECT_EQ(std::string(stroke), "rgb(31, 119, 180)");
        } else {
            EXPECT_EQ(std::string(instance), "instance-002");
            EXPECT_EQ(points, 2);  // one sample, drawn as a dot
            EXPECT_EQ(std::string(stroke), "rgb(214, 39, 40)");
        }
    }
    const std::vector<std::string> markers = withPrefix("markers ");
    EXPECT_EQ(markers.size(), 5u);
    for (const std::string& m : markers) EXPECT_TRUE(m.ends_with(" true")) << m;

    // A narrow window: the table fits, long status lines wrap inside their cells.
    writeFile("camp/instance-001/progress.txt",
              "2026-12-08 02:00:00\t3600\tBest250.csv\t250\t474\tLevel 240, max. 248, shifts 10 K, config "
              "OK=50,RE=50, and a long tail of text that a solver might print-with-no-blanks-at-all-for-quite-a-while\n");
    ASSERT_EQ(report({"camp"}), 0) << err_.str();
    ASSERT_TRUE(testing::measureInChromium(chromium, readFile("camp/report.html"), MEASURE_SCRIPT, 560, found, problem))
        << problem;
    const std::vector<std::string> widths = withPrefix("page width ");
    ASSERT_EQ(widths.size(), 1u);
    int scroll = 0, inner = 0;
    ASSERT_EQ(std::sscanf(widths[0].c_str(), "%d of %d", &scroll, &inner), 2);
    EXPECT_LE(scroll, inner) << "the page scrolls sideways";
    EXPECT_EQ(withPrefix("status cell "), std::vector<std::string>(3, "whole inside"));
}

}  // namespace
}  // namespace zentara
