// The campaign's page: one self-contained HTML file, no script, nothing fetched.
#include "campaign/report_parts.hpp"

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/board_check.hpp"
#include "tools/board_view.hpp"

namespace zentara {

namespace fs = std::filesystem;

std::string renderCampaignPage(const CampaignReport& report, const std::string& generatedAt) {
    std::string s;
    const std::string title = "Campaign " + xmlEscape(report.directory);
    s += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" + title + "</title>\n";
    s += "<style>\n"
         "body{font-family:sans-serif;margin:1em;color:#111}\n"
         "table{border-collapse:collapse;margin-bottom:1.5em;width:100%}\n"
         "div.instances{overflow-x:auto}\n"
         "th,td{border:1px solid #BBB;padding:3px 6px;text-align:left;vertical-align:top}\n"
         "th{background:#EEE}\n"
         "td.number,td.name{text-align:right;white-space:nowrap}\ntd.name{text-align:left}\n"
         "td.from,td.status{overflow-wrap:anywhere}\n"
         "td.status{font-family:monospace;font-size:90%;min-width:8em}\n"
         "@media (max-width:800px){body{margin:0.5em}table{font-size:80%}th,td{padding:2px 3px}"
         "td.number,td.name{white-space:normal}td.board{overflow-wrap:anywhere}td.status{min-width:6em}}\n"
         "tr.running td.state{color:#006600;font-weight:bold}\n"
         "tr.failed td.state{color:#B00000;font-weight:bold}\n"
         "svg.board{display:block;width:100%;max-width:720px;height:auto}\n"
         "svg.level-plot,svg.pieces-plot,svg.seams-plot{display:block;width:100%;max-width:900px;height:auto}\n"
         "</style>\n</head>\n<body>\n";
    int total = 0, running = 0, leftOvers = 0;
    std::map<std::string, int> states;
    for (const InstanceReport& i : report.instances) {
        if (!i.inCampaign) {
            ++leftOvers;
            continue;
        }
        ++total;
        running += i.state == "running";
        ++states[i.state];
    }
    s += "<h1>" + title + "</h1>\n<p class=\"summary\">" + xmlEscape(report.program.empty() ? "?" : report.program) +
         ", " + std::to_string(total) + (total == 1 ? " instance" : " instances") + ", " + std::to_string(running) +
         " running";
    if (!report.started.empty()) s += "; started " + xmlEscape(report.started);
    if (!report.seedBoard.empty()) s += "; seed board " + xmlEscape(report.seedBoard);
    if (!report.pieceSet.empty()) s += "; piece set " + xmlEscape(report.pieceSet);
    s += ". Page written " + xmlEscape(generatedAt) + "; run <code>tools/campaign report</code> again to renew it.</p>\n";
    if (leftOvers > 0)
        s += "<p class=\"left-over\">" + std::to_string(leftOvers) + (leftOvers == 1 ? " instance directory is" : " instance directories are") +
             " left from an earlier start with more instances; not part of this campaign and not shown.</p>\n";

    const std::vector<std::size_t> order = rankInstances(report);
    std::vector<std::size_t> shown;
    for (std::size_t i : order)
        if (report.instances[i].inCampaign && static_cast<int>(shown.size()) < REPORT_TABLE_ROWS) shown.push_back(i);
    const bool all = static_cast<int>(shown.size()) == total;
    if (all) std::sort(shown.begin(), shown.end());  // by name

    s += "<h2>Instances</h2>\n";
    if (!all)
        s += "<p>The " + std::to_string(shown.size()) + " best of " + std::to_string(total) +
             " instances, best first (most pieces placed on a board of its own, then most matched seams, then the "
             "highest level of its status line).</p>\n";
    // Long texts wrap inside their cells; what still does not fit a narrow window
    // scrolls inside the table's box, not the page.
    // Where an instance started from is a column only for programs that resume from
    // a board: an empty column would only narrow the others.
    bool anyStart = false;
    for (std::size_t index : shown) anyStart = anyStart || !report.instances[index].startedFrom.empty();
    s += "<div class=\"instances\"><table class=\"instances\">\n<thead><tr><th>Instance</th><th>State</th><th>Elapsed</th>"
         "<th>Own deepest board</th><th>Pieces</th><th>Seams</th><th>Best level</th>";
    s += anyStart ? "<th>Started from</th>" : "";
    s += "<th>Last status line</th></tr></thead>\n<tbody>\n";
    for (std::size_t index : shown) {
        const InstanceReport& i = report.instances[index];
        const bool failed = i.state.starts_with("ended, exit ") && i.state != "ended, exit 0";
        const char* rowClass = i.state == "running" ? "running" : failed ? "failed" : "ended";
        std::string board = i.deepestBoard.empty() ? "none yet" : i.deepestBoard;
        if (i.figures.starts_with("unreadable")) board += " (unreadable)";
        else if (i.figures.ends_with(", inconsistent")) board += " (inconsistent)";
        else if (i.figures.ends_with("complete and consistent")) board += " (complete)";
        s += std::string("<tr class=\"") + rowClass + "\"><td class=\"name\">" + xmlEscape(i.name) + "</td><td class=\"state\">" +
             xmlEscape(i.state) + "</td><td class=\"number\">" + duration(i.elapsedSeconds) + "</td><td class=\"board\">" +
             xmlEscape(board) + "</td><td class=\"number\">" + (i.pieces >= 0 ? std::to_string(i.pieces) : "") +
             "</td><td class=\"number\">" + (i.seams >= 0 ? std::to_string(i.seams) : "") +
             "</td><td class=\"number\">" + (i.levels.reached() >= 0 ? std::to_string(i.levels.reached()) : "") +
             "</td>" +
             (anyStart ? "<td class=\"from\">" + xmlEscape(i.startedFrom) +
                             (i.startBoardPieces < 0 || i.startPieces < 0 ? std::string()
                              : i.startPieces == i.startBoardPieces
                                  ? "; all " + std::to_string(i.startPieces) + " pieces kept"
                                  : "; " + std::to_string(i.startPieces) + " of its " +
                                        std::to_string(i.startBoardPieces) + " pieces kept") +
                             "</td>"
                       : std::string()) +
             "<td class=\"status\">" + xmlEscape(i.lastStatus) +
             "</td></tr>\n";
    }
    s += "</tbody>\n</table></div>\n";
    if (!all) {
        // The rest in a few figures.
        std::vector<std::pair<int, int>> boards;
        int none = 0;
        for (std::size_t r = shown.size(); r < order.size(); ++r) {
            const InstanceReport& i = report.instances[order[r]];
            if (!i.inCampaign) continue;
            if (i.pieces >= 0) boards.emplace_back(i.pieces, i.seams);
            else ++none;
        }
        s += "<p class=\"rest\">The other " + std::to_string(total - static_cast<int>(shown.size())) + " instances: ";
        if (!boards.empty()) {
            const auto& top = boards.front();
            const auto& middle = boards[boards.size() / 2];
            const auto& last = boards.back();
            s += "own deepest boards from " + std::to_string(top.first) + " pieces (" + std::to_string(top.second) +
                 " seams) down to " + std::to_string(last.first) + " (" + std::to_string(last.second) + "), median " +
                 std::to_string(middle.first) + " (" + std::to_string(middle.second) + ")";
        }
        if (none > 0) s += std::string(boards.empty() ? "" : "; ") + std::to_string(none) + " without a board of their own";
        s += ". All instances by state:";
        bool first = true;
        for (const auto& [state, count] : states) {
            s += (first ? " " : ", ") + std::to_string(count) + " " + xmlEscape(state);
            first = false;
        }
        s += ". <code>tools/campaign status</code> lists every one.</p>\n";
    }

    s += "<h2>Best board</h2>\n";
    const InstanceReport* best = report.best >= 0 ? &report.instances[static_cast<std::size_t>(report.best)] : nullptr;
    BoardCheck check;
    std::string reason;
    if (report.seedIsBest) {
        const std::string seed = seedName(report);
        s += "<p class=\"best\">The seed board " + xmlEscape(seed) + ": " + xmlEscape(report.seedFigures) +
             ". No instance has found a better board yet";
        s += best ? "; the best found is " + xmlEscape(best->name + "/" + best->deepestBoard) + ": " +
                        xmlEscape(best->figures) + ".</p>\n"
                  : ".</p>\n";
        const std::string seedPath = (fs::path(report.directory) / "seed-board.csv").string();
        if (checkBoardFile(seedPath.c_str(), check, reason)) {
            s += inlineSvg(renderBoardSvg(check, "seed board " + seed));
        }
    } else if (best && checkBoardFile((fs::path(report.directory) / best->name / best->deepestBoard).c_str(), check,
                                      reason)) {
        s += "<p class=\"best\">" + xmlEscape(best->name + "/" + best->deepestBoard) + ": " + xmlEscape(best->figures) +
             "</p>\n";
        s += inlineSvg(renderBoardSvg(check, best->name + "/" + best->deepestBoard));
    } else {
        s += "<p class=\"best\">No board yet.</p>\n";
    }

    // The plots: the best instances, as many as there are line colours.
    std::vector<Series> levels, pieces, seams;
    for (std::size_t index : order) {
        const InstanceReport& i = report.instances[index];
        if (!i.inCampaign || static_cast<int>(levels.size()) == REPORT_PLOT_SERIES) break;
        Series l{&i, {}}, p{&i, {}}, m{&i, {}};
        // A resuming solver starts at the pieces it kept of the board it resumed from.
        if (i.startPieces >= 0) l.points.emplace_back(0, i.startPieces);
        for (const ProgressSample& sample : i.progress) {
            if (sample.level >= 0) l.points.emplace_back(sample.seconds, sample.level);
            if (sample.pieces >= 0) p.points.emplace_back(sample.seconds, sample.pieces);
            if (sample.seams >= 0) m.points.emplace_back(sample.seconds, sample.seams);
        }
        // Each line goes on to the instance's elapsed time at the figures the table
        // shows: samples come about once a minute, the page at any moment.
        const auto endAt = [&](Series& series, int value) {
            if (value >= 0 && !series.points.empty() && i.elapsedSeconds > series.points.back().first)
                series.points.emplace_back(i.elapsedSeconds, value);
        };
        endAt(l, i.levels.reached());
        endAt(p, i.pieces);
        endAt(m, i.seams);
        levels.push_back(std::move(l));
        pieces.push_back(std::move(p));
        seams.push_back(std::move(m));
    }
    s += "<h2>Progress</h2>\n";
    if (total > REPORT_PLOT_SERIES)
        s += "<p>The " + std::to_string(REPORT_PLOT_SERIES) + " best instances (the first rows of the ranking).</p>\n";
    s += "<h3>Level reached, as the status line names it</h3>\n";
    s += renderPlot(levels, "level-plot", "best level over time");
    s += "<h3>Pieces placed on the instance's own deepest board</h3>\n";
    s += renderPlot(pieces, "pieces-plot", "pieces placed over time");
    s += "<h3>Matched seams of that board</h3>\n";
    s += renderPlot(seams, "seams-plot", "matched seams over time");
    s += "<p>Each instance samples its status line and its own deepest board about once a minute into its "
         "<code>progress.txt</code>; a board copied from the seed is not its own. A resuming instance's level line "
         "starts at the pieces it kept of the board it resumed from.</p>\n";
    s += "</body>\n</html>\n";
    return s;
}

}  // namespace zentara
