// The campaign report page: what it gathers from a campaign directory, and what a
// real browser renders of it.
#include "tools/campaign_report.hpp"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/xml_check.hpp"

namespace zentara {
namespace {

using testing::countOf;
using testing::readFile;
using testing::sourcePath;
using testing::writeFile;
namespace fs = std::filesystem;

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
        writeFile("camp/instance-001/started.txt", "2026-12-08 01:00:00.100 on node1, seeds of a = 1 to 200 claimed\n"
                                                   "started from: Best244.csv, the seed board\n");
        writeFile("camp/instance-001/progress.txt",
                  "2026-12-08 01:00:00\t0\tBest244.csv\t244\t470\t\n"
                  "2026-12-08 02:00:00\t3600\tBest248.csv\t248\t474\tLevel 240, max. 248, shifts 10 K, config OK=50,RE=50\n"
                  "2026-12-08 04:00:00\t10800\tBest250.csv\t250\t477\tLevel 245, max. 250, shifts 30 K, config OK=51,RE=49\n"
                  "2026-12-08 04:00:01\t108");  // cut short by a kill
        writeFile("camp/instance-001/exit.txt", "143\n");
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

TEST_F(CampaignReportTest, PageHoldsEveryInstanceTheBestBoardAndTheProgressAndNothingFromElsewhere) {
    makeCampaign();
    writeFile("states.txt", "instance-002\tended, exit 1\ninstance-003\tnot started\n");
    ASSERT_EQ(report({"--states", "states.txt", "camp"}), 0) << err_.str();
    EXPECT_EQ(out_.str(), "campaign-report: wrote camp/report.html (3 instances, best board instance-001/Best250.csv)\n");
    const std::string page = readFile("camp/report.html");

    const std::regex row("<tr class=\"(\\w+)\"><td>(instance-\\d+)</td><td class=\"state\">([^<]*)</td><td "
                         "class=\"number\">([^<]*)</td><td>([^<]*)</td><td class=\"number\">([^<]*)</td><td "
                         "class=\"number\">([^<]*)</td><td>([^<]*)</td><td>([^<]*)</td><td class=\"status\">([^<]*)</td></tr>");
    std::vector<std::vector<std::string>> rows;
    for (auto m = std::sregex_iterator(page.begin(), page.end(), row); m != std::sregex_iterator(); ++m)
        rows.push_back(std::vector<std::string>(m->begin() + 1, m->end()));
    ASSERT_EQ(rows.size(), 3u) << page;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"ended", "instance-001", "stopped", "3 h 00 min", "Best250.csv", "250",
                                                 "468", "250 of 256 pieces placed, 468 of 480 seams matched, consistent",
                                                 "Best244.csv, the seed board",
                                                 "Level 245, max. 250, shifts 30 K, config OK=51,RE=49"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"failed", "instance-002", "ended, exit 1", "30 min", "B241-430.csv",
                                                 "241", "445", "241 of 256 pieces placed, 445 of 480 seams matched, consistent",
                                                 "", "done"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"ended", "instance-003", "not started", "", "none yet", "", "", "", "", ""}));
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

    // Two plots, one line per instance with samples: instance-001 three, instance-002
    // one (its first sample had no board yet).
    for (const char* plot : {"pieces-plot", "seams-plot"}) {
        SCOPED_TRACE(plot);
        const std::size_t at = page.find(std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"") + plot);
        ASSERT_NE(at, std::string::npos);
        const std::string svg = page.substr(at, page.find("</svg>", at) + 7 - at);
        EXPECT_EQ(testing::xmlProblem(svg), "");
        const std::regex series("<polyline class=\"series\" data-instance=\"(instance-\\d+)\" points=\"([^\"]*)\"");
        std::vector<std::pair<std::string, int>> lines;
        for (auto m = std::sregex_iterator(svg.begin(), svg.end(), series); m != std::sregex_iterator(); ++m)
            lines.emplace_back((*m)[1], countOf((*m)[2].str(), ",")), void();
        EXPECT_EQ(lines, (std::vector<std::pair<std::string, int>>{{"instance-001", 3}, {"instance-002", 2}}));
        EXPECT_NE(svg.find(">hours since the instance started</text>"), std::string::npos);
    }
    // Self-contained: nothing fetched, no script.
    for (const char* outside : {"<script", "src=", "href=", "url(", "@import"}) EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    EXPECT_EQ(countOf(page, "http"), 3);  // the SVG namespace name of the three pictures
}

TEST_F(CampaignReportTest, StatesComeFromTheFilesWhenNotGivenAndRefusalsSayWhy) {
    makeCampaign();
    writeFile("camp/instance-001/exit.txt", "0\n");
    writeFile("camp/instance-003/instance.pid", "4242 :\n");
    ASSERT_EQ(report({"camp", "page.html"}), 0) << err_.str();
    const std::string page = readFile("page.html");
    EXPECT_NE(page.find("<td>instance-001</td><td class=\"state\">ended, exit 0</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>instance-003</td><td class=\"state\">running</td>"), std::string::npos);

    // Whatever a program printed reaches the page as text, never as markup.
    writeFile("camp/instance-002/progress.txt", "2026-12-08 01:00:00\t0\t-\t-\t-\t<b>starting & \"quoted\"\n");
    ASSERT_EQ(report({"camp", "page.html"}), 0) << err_.str();
    EXPECT_NE(readFile("page.html").find("<td class=\"status\">&lt;b&gt;starting &amp; &quot;quoted&quot;</td>"),
              std::string::npos);

    EXPECT_EQ(report({"nowhere"}), 2);
    EXPECT_EQ(err_.str(), "campaign-report: nowhere is not a campaign directory (no campaign.txt)\n");
    EXPECT_EQ(report({"camp", "no-such-dir/page.html"}), 1);
    EXPECT_EQ(err_.str(), "campaign-report: cannot write no-such-dir/page.html: No such file or directory\n");
    EXPECT_EQ(report({"--states"}), 2);
    EXPECT_EQ(report({"--open", "camp"}), 2);
}

// Measures, in the browser, what it laid out and painted: one line per finding.
constexpr const char* MEASURE_SCRIPT = R"(<script>
const out = [];
const box = el => el.getBoundingClientRect();
const shown = el => { const b = box(el); return b.width > 0 && b.height > 0; };
const rows = [...document.querySelectorAll('table.instances tbody tr')];
out.push('rows ' + rows.filter(shown).length);
for (const tr of rows) out.push('row ' + tr.innerText.replace(/\s+/g, ' ').trim());
const board = document.querySelector('svg.board');
const b = box(board);
out.push('board ' + Math.round(b.width) + ' ' + Math.round(b.height));
const inside = g => { const r = box(g); return r.width > 5 && r.height > 5 && r.left >= b.left && r.right <= b.right + 1 && r.top >= b.top && r.bottom <= b.bottom + 1; };
out.push('pieces ' + [...board.querySelectorAll('g.piece')].filter(inside).length);
const hint = board.querySelector('g.hint');
const h = box(hint);
const hit = document.elementFromPoint(h.left + 1, h.top + h.height / 2);  // on the frame's stroke
out.push('hint ' + inside(hint) + ' ' + (hit ? hit.closest('g').getAttribute('class') : 'none'));
for (const plot of document.querySelectorAll('svg.pieces-plot, svg.seams-plot')) {
  const p = box(plot);
  out.push('plot ' + plot.getAttribute('class') + ' ' + Math.round(p.width) + ' ' + Math.round(p.height));
  for (const line of plot.querySelectorAll('polyline.series')) {
    const l = box(line);
    out.push('series ' + plot.getAttribute('class') + ' ' + line.dataset.instance + ' ' + line.points.numberOfItems + ' ' +
             Math.round(l.width) + ' ' + Math.round(l.height) + ' ' + getComputedStyle(line).stroke);
  }
}
const pre = document.createElement('pre');
pre.id = 'measured';
pre.textContent = out.join('\n');
document.body.appendChild(pre);
</script>
)";

std::string findChromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const std::string command = std::string("command -v ") + name + " > chromium.path 2> /dev/null";
        if (std::system(command.c_str()) == 0) {
            std::string path = readFile("chromium.path");
            while (!path.empty() && path.back() == '\n') path.pop_back();
            fs::remove("chromium.path");
            return path;
        }
    }
    fs::remove("chromium.path");
    return {};
}

TEST_F(CampaignReportTest, ABrowserRendersTheTableTheBoardAndThePlots) {
    const std::string chromium = findChromium();
    if (chromium.empty())
        GTEST_SKIP() << "NOT TESTED: no headless Chromium here (tools/install-deps installs Debian's chromium); the "
                        "report page was not rendered in a browser";
    makeCampaign();
    ASSERT_EQ(report({"camp"}), 0) << err_.str();
    std::string page = readFile("camp/report.html");
    page.insert(page.rfind("</body>"), MEASURE_SCRIPT);
    writeFile("measured.html", page);

    // Everything the browser keeps stays in this test's directory.
    const fs::path here = fs::current_path();
    fs::create_directories("home");
    const std::string command = "HOME=" + (here / "home").string() + " XDG_CONFIG_HOME=" + (here / "home").string() +
                                " XDG_CACHE_HOME=" + (here / "home").string() + " timeout 120 " + chromium +
                                " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --user-data-dir=" + (here / "profile").string() +
                                " --window-size=1280,2400 --dump-dom file://" + (here / "measured.html").string() +
                                " > dom.html 2> chromium.err";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readFile("chromium.err");
    const std::string dom = readFile("dom.html");
    const std::size_t at = dom.find("<pre id=\"measured\">");
    ASSERT_NE(at, std::string::npos) << dom.substr(0, 2000) << readFile("chromium.err");
    std::vector<std::string> found;
    std::istringstream lines(dom.substr(at + 19, dom.find("</pre>", at) - at - 19));
    for (std::string line; std::getline(lines, line);) found.push_back(line);
    const auto withPrefix = [&](const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& f : found)
            if (f.starts_with(prefix)) out.push_back(f.substr(prefix.size()));
        return out;
    };

    // The table: three rows laid out, each with its rendered text.
    EXPECT_EQ(withPrefix("rows "), std::vector<std::string>{"3"});
    EXPECT_EQ(withPrefix("row "),
              (std::vector<std::string>{
                  "instance-001 stopped 3 h 00 min Best250.csv 250 468 250 of 256 pieces placed, 468 of 480 seams "
                  "matched, consistent Best244.csv, the seed board Level 245, max. 250, shifts 30 K, config OK=51,RE=49",
                  "instance-002 ended, exit 1 30 min B241-430.csv 241 445 241 of 256 pieces placed, 445 of 480 seams "
                  "matched, consistent done",
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
    // The plots: both laid out, one line per instance with samples, the
    // three-hour run of instance-001 spanning most of the time axis.
    EXPECT_EQ(withPrefix("plot ").size(), 2u);
    const std::vector<std::string> series = withPrefix("series ");
    ASSERT_EQ(series.size(), 4u) << dom;
    for (const std::string& s : series) {
        SCOPED_TRACE(s);
        char plot[32], instance[32], stroke[64];
        int points = 0, w = 0, h = 0;
        ASSERT_EQ(std::sscanf(s.c_str(), "%31s %31s %d %d %d %63[^\n]", plot, instance, &points, &w, &h, stroke), 6);
        if (std::string(instance) == "instance-001") {
            EXPECT_EQ(points, 3);
            EXPECT_GT(w, 400);
            EXPECT_GT(h, 10);
            EXPECT_EQ(std::string(stroke), "rgb(31, 119, 180)");
        } else {
            EXPECT_EQ(std::string(instance), "instance-002");
            EXPECT_EQ(points, 2);  // one sample, drawn as a dot
            EXPECT_EQ(std::string(stroke), "rgb(214, 39, 40)");
        }
    }
}

}  // namespace
}  // namespace zentara
