#include "tools/campaign_report.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "core/board_check.hpp"
#include "tools/board_view.hpp"
#include "core/command_line.hpp"
#include "tools/whole_file.hpp"

namespace zentara {

namespace {

namespace fs = std::filesystem;

// The last `limit` bytes of a regular file; a FIFO, device or directory is never
// opened for reading, so a stray one cannot block the report.
bool readTail(const fs::path& path, std::size_t limit, std::string& text) {
    text.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const off_t size = st.st_size;
    const off_t from = size > static_cast<off_t>(limit) ? size - static_cast<off_t>(limit) : 0;
    text.resize(static_cast<std::size_t>(size - from));
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::pread(fd, text.data() + got, text.size() - got, from + static_cast<off_t>(got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    // Begin at a whole line when the start was cut off.
    if (from > 0) text.erase(0, std::min(text.size(), text.find('\n') + 1));
    return true;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// "key: value" lines of campaign.txt and started.txt.
std::string field(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(key + ": ")) return line.substr(key.size() + 2);
    return {};
}

// Best231.csv -> {231, 0}, B231-435.csv -> {231, 435}, anything else {0, 0}:
// the same ranking as campaign status.
bool boardLevel(const std::string& name, int& level, int& score) {
    level = score = 0;
    int a = 0, b = 0, used = 0;
    if (std::sscanf(name.c_str(), "Best%d.csv%n", &a, &used) == 1 && used == static_cast<int>(name.size()) &&
        name.size() > 8 && name[4] >= '0' && name[4] <= '9') {
        level = a;
        return true;
    }
    if (std::sscanf(name.c_str(), "B%d-%d.csv%n", &a, &b, &used) == 2 && used == static_cast<int>(name.size()) &&
        name[1] >= '0' && name[1] <= '9') {
        level = a, score = b;
        return true;
    }
    return name == "Best.csv";
}

std::string verdict(const BoardCheck& c) {
    return c.complete() ? "complete and consistent" : c.consistent() ? "consistent" : "inconsistent";
}

std::string duration(long seconds) {
    if (seconds < 0) return "";
    char s[64];
    if (seconds < 60) std::snprintf(s, sizeof s, "%ld s", seconds);
    else if (seconds < 3600) std::snprintf(s, sizeof s, "%ld min", seconds / 60);
    else if (seconds < 86400) std::snprintf(s, sizeof s, "%ld h %02ld min", seconds / 3600, seconds / 60 % 60);
    else std::snprintf(s, sizeof s, "%ld d %ld h", seconds / 86400, seconds / 3600 % 24);
    return s;
}

// Lines of distinct colours for the instances, in turn.
constexpr const char* LINE_COLOURS[] = {"#1F77B4", "#D62728", "#2CA02C", "#9467BD", "#FF7F0E",
                                        "#17BECF", "#8C564B", "#E377C2", "#7F7F7F", "#BCBD22"};

// A round step for about `parts` ticks over `span`.
double tickStep(double span, int parts) {
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

std::string number(double v) {
    char s[32];
    std::snprintf(s, sizeof s, "%g", std::round(v * 1000) / 1000);
    return s;
}

// One plot: a value of every instance's samples against the time since its start,
// in hours (minutes while every instance is younger than two hours).
std::string renderPlot(const CampaignReport& report, bool seams, const char* cssClass, const char* title) {
    const auto value = [seams](const ProgressSample& p) { return seams ? p.seams : p.pieces; };
    double maxSeconds = 0;
    int low = 1 << 30, high = -1;
    for (const InstanceReport& inst : report.instances)
        for (const ProgressSample& p : inst.progress) {
            if (value(p) < 0) continue;
            maxSeconds = std::max(maxSeconds, static_cast<double>(p.seconds));
            low = std::min(low, value(p));
            high = std::max(high, value(p));
        }
    if (high < 0) return "<p class=\"" + std::string(cssClass) + "\">No progress samples yet.</p>\n";
    const bool hours = maxSeconds >= 2 * 3600;
    const double unit = hours ? 3600 : 60;
    const double maxTime = std::max(maxSeconds / unit, 1.0);
    if (high - low < 4) low -= 2, high += 2;
    const double xStep = tickStep(maxTime, 6), yStep = tickStep(high - low, 5);
    const double x1 = std::ceil(maxTime / xStep) * xStep;
    const double y0 = std::floor(low / yStep) * yStep, y1 = std::ceil(high / yStep) * yStep;
    constexpr int W = 800, H = 320, LEFT = 56, RIGHT = 170, TOP = 16, BOTTOM = 44;
    const double plotW = W - LEFT - RIGHT, plotH = H - TOP - BOTTOM;
    const auto px = [&](double t) { return LEFT + t / x1 * plotW; };
    const auto py = [&](double v) { return TOP + (y1 - v) / (y1 - y0) * plotH; };

    std::string s;
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"" + std::string(cssClass) + "\" viewBox=\"0 0 " +
         std::to_string(W) + " " + std::to_string(H) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<title>" + std::string(title) + "</title>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(W) + "\" height=\"" + std::to_string(H) + "\" fill=\"#FFFFFF\"/>\n";
    for (double v = y0; v <= y1 + yStep / 2; v += yStep)
        s += "<line x1=\"" + number(LEFT) + "\" y1=\"" + number(py(v)) + "\" x2=\"" + number(LEFT + plotW) + "\" y2=\"" +
             number(py(v)) + "\" stroke=\"#DDDDDD\"/><text x=\"" + number(LEFT - 6) + "\" y=\"" + number(py(v) + 4) +
             "\" text-anchor=\"end\">" + number(v) + "</text>\n";
    for (double h = 0; h <= x1 + xStep / 2; h += xStep)
        s += "<line x1=\"" + number(px(h)) + "\" y1=\"" + number(TOP) + "\" x2=\"" + number(px(h)) + "\" y2=\"" +
             number(TOP + plotH) + "\" stroke=\"#DDDDDD\"/><text x=\"" + number(px(h)) + "\" y=\"" +
             number(TOP + plotH + 16) + "\" text-anchor=\"middle\">" + number(h) + "</text>\n";
    s += "<text x=\"" + number(LEFT + plotW / 2) + "\" y=\"" + number(H - 6) +
         "\" text-anchor=\"middle\">" + (hours ? "hours" : "minutes") + " since the instance started</text>\n";
    s += "<rect x=\"" + number(LEFT) + "\" y=\"" + number(TOP) + "\" width=\"" + number(plotW) + "\" height=\"" +
         number(plotH) + "\" fill=\"none\" stroke=\"#000000\"/>\n";
    int k = 0;
    for (const InstanceReport& inst : report.instances) {
        const char* colour = LINE_COLOURS[k++ % std::size(LINE_COLOURS)];
        std::string points;
        int count = 0;
        for (const ProgressSample& p : inst.progress) {
            if (value(p) < 0) continue;
            if (count++) points += ' ';
            points += number(px(p.seconds / unit));
            points += ',';
            points += number(py(value(p)));
        }
        if (count == 0) continue;
        // A single sample is drawn as a dot, which a polyline of one point is not.
        if (count == 1) {
            const std::string point = points;
            points += ' ';
            points += point;
        }
        const std::string name = xmlEscape(inst.name);
        s += "<polyline class=\"series\" data-instance=\"" + name + "\" points=\"" + points + "\" fill=\"none\" stroke=\"" +
             colour + "\" stroke-width=\"2\" stroke-linejoin=\"round\" stroke-linecap=\"round\"><title>" + name +
             "</title></polyline>\n";
        const double ly = TOP + 8 + (k - 1) * 16;
        if (ly < TOP + plotH) {
            s += "<line x1=\"" + number(W - RIGHT + 12) + "\" y1=\"" + number(ly) + "\" x2=\"" + number(W - RIGHT + 32) +
                 "\" y2=\"" + number(ly) + "\" stroke=\"" + colour + "\" stroke-width=\"3\"/><text x=\"" +
                 number(W - RIGHT + 38) + "\" y=\"" + number(ly + 4) + "\">" + name + "</text>\n";
        }
    }
    s += "</svg>\n";
    return s;
}

}  // namespace

std::vector<ProgressSample> parseProgress(const std::string& text, std::string* lastStatus) {
    std::vector<ProgressSample> samples;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::size_t from = 0;
        for (int k = 0; k < 5; ++k) {
            const std::size_t tab = line.find('\t', from);
            if (tab == std::string::npos) break;
            f.push_back(line.substr(from, tab - from));
            from = tab + 1;
        }
        if (f.size() != 5) continue;  // not a sample line (a line cut short by a kill)
        f.push_back(line.substr(from));
        ProgressSample p;
        char* end = nullptr;
        p.seconds = std::strtol(f[1].c_str(), &end, 10);
        if (end == f[1].c_str() || *end != '\0' || p.seconds < 0) continue;
        if (f[2] != "-") {
            p.pieces = std::atoi(f[3].c_str());
            p.seams = std::atoi(f[4].c_str());
        }
        samples.push_back(p);
        if (lastStatus) *lastStatus = f[5];
    }
    return samples;
}

CampaignReport gatherCampaign(const std::string& directory, const std::string& states) {
    CampaignReport report;
    report.directory = directory;
    std::string text;
    readTail(fs::path(directory) / "campaign.txt", 64 * 1024, text);
    report.program = fs::path(field(text, "program")).filename().string();
    report.started = field(text, "started");
    report.seedBoard = field(text, "seed board");

    std::map<std::string, std::string> stateOf;
    std::istringstream lines(states);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos) stateOf[line.substr(0, tab)] = line.substr(tab + 1);
    }

    std::vector<fs::path> dirs;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(directory, ec))
        if (e.is_directory(ec) && e.path().filename().string().starts_with("instance-")) dirs.push_back(e.path());
    std::sort(dirs.begin(), dirs.end());

    int bestSeams = -1, bestPieces = -1;
    for (const fs::path& d : dirs) {
        InstanceReport inst;
        inst.name = d.filename().string();
        if (auto s = stateOf.find(inst.name); s != stateOf.end()) {
            inst.state = s->second;
        } else if (readTail(d / "exit.txt", 64, text)) {
            const std::string rc = firstLine(text);
            inst.state = rc == "130" || rc == "143" ? "stopped" : "ended, exit " + rc;
        } else {
            inst.state = fs::exists(d / "instance.pid") ? "running" : "not started";
        }
        if (readTail(d / "started.txt", 64 * 1024, text)) inst.startedFrom = field(text, "started from");
        if (readTail(d / "progress.txt", 4 << 20, text)) {
            inst.progress = parseProgress(text, &inst.lastStatus);
            if (!inst.progress.empty()) inst.elapsedSeconds = inst.progress.back().seconds;
        }

        // The deepest board: the highest level in its name, as campaign status picks it.
        int deepestLevel = -1, deepestScore = -1;
        BoardCheck deepestCheck;
        for (const auto& e : fs::directory_iterator(d, ec)) {
            const std::string name = e.path().filename().string();
            int level = 0, score = 0;
            if (!e.is_regular_file(ec) || !boardLevel(name, level, score)) continue;
            BoardCheck check;
            std::string reason;
            const bool readable = checkBoardFile(e.path().c_str(), check, reason);
            if (name == "Best.csv") level = readable ? check.piecesPlaced : 0;
            if (level < deepestLevel || (level == deepestLevel && score <= deepestScore)) continue;
            deepestLevel = level, deepestScore = score;
            inst.deepestBoard = name;
            if (readable) {
                inst.pieces = check.piecesPlaced, inst.seams = check.matchedSeams;
                char figures[128];
                std::snprintf(figures, sizeof figures, "%d of %d pieces placed, %d of %d seams matched, %s",
                              check.piecesPlaced, check.geometry.cells(), check.matchedSeams, check.totalSeams,
                              verdict(check).c_str());
                inst.figures = figures;
            } else {
                inst.pieces = inst.seams = -1;
                inst.figures = "unreadable (" + reason + ")";
            }
        }
        // The campaign's best: most matched seams, then most pieces.
        if (inst.seams > bestSeams || (inst.seams == bestSeams && inst.seams >= 0 && inst.pieces > bestPieces)) {
            bestSeams = inst.seams, bestPieces = inst.pieces;
            report.best = static_cast<int>(report.instances.size());
        }
        report.instances.push_back(std::move(inst));
    }
    return report;
}

std::string renderCampaignPage(const CampaignReport& report, const std::string& generatedAt) {
    std::string s;
    const std::string title = "Campaign " + xmlEscape(report.directory);
    s += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title + "</title>\n";
    s += "<style>\n"
         "body{font-family:sans-serif;margin:1em;color:#111}\n"
         "table{border-collapse:collapse;margin-bottom:1.5em}\n"
         "th,td{border:1px solid #BBB;padding:3px 8px;text-align:left;vertical-align:top}\n"
         "th{background:#EEE}\n"
         "td.number{text-align:right}\n"
         "td.status{font-family:monospace;font-size:90%}\n"
         "tr.running td.state{color:#006600;font-weight:bold}\n"
         "tr.failed td.state{color:#B00000;font-weight:bold}\n"
         "svg.board{display:block;width:100%;max-width:720px;height:auto}\n"
         "svg.pieces-plot,svg.seams-plot{display:block;width:100%;max-width:900px;height:auto}\n"
         "</style>\n</head>\n<body>\n";
    s += "<h1>" + title + "</h1>\n<p class=\"summary\">" + xmlEscape(report.program.empty() ? "?" : report.program) +
         ", " + std::to_string(report.instances.size()) + " instances";
    int running = 0;
    for (const InstanceReport& i : report.instances) running += i.state == "running";
    s += ", " + std::to_string(running) + " running";
    if (!report.started.empty()) s += "; started " + xmlEscape(report.started);
    if (!report.seedBoard.empty()) s += "; seed board " + xmlEscape(report.seedBoard);
    s += ". Page written " + xmlEscape(generatedAt) + "; run <code>tools/campaign report</code> again to renew it.</p>\n";

    s += "<h2>Instances</h2>\n<table class=\"instances\">\n<thead><tr><th>Instance</th><th>State</th><th>Elapsed</th>"
         "<th>Deepest board</th><th>Pieces</th><th>Seams matched</th><th>Figures</th><th>Started from</th>"
         "<th>Last status line</th></tr></thead>\n<tbody>\n";
    for (const InstanceReport& i : report.instances) {
        const bool failed = i.state.starts_with("ended, exit ") && i.state != "ended, exit 0";
        const char* rowClass = i.state == "running" ? "running" : failed ? "failed" : "ended";
        s += std::string("<tr class=\"") + rowClass + "\"><td>" + xmlEscape(i.name) + "</td><td class=\"state\">" +
             xmlEscape(i.state) + "</td><td class=\"number\">" + duration(i.elapsedSeconds) + "</td><td>" +
             xmlEscape(i.deepestBoard.empty() ? "none yet" : i.deepestBoard) + "</td><td class=\"number\">" +
             (i.pieces >= 0 ? std::to_string(i.pieces) : "") + "</td><td class=\"number\">" +
             (i.seams >= 0 ? std::to_string(i.seams) : "") + "</td><td>" + xmlEscape(i.figures) + "</td><td>" +
             xmlEscape(i.startedFrom) + "</td><td class=\"status\">" + xmlEscape(i.lastStatus) + "</td></tr>\n";
    }
    s += "</tbody>\n</table>\n";

    s += "<h2>Best board</h2>\n";
    const InstanceReport* best =
        report.best >= 0 ? &report.instances[static_cast<std::size_t>(report.best)] : nullptr;
    BoardCheck check;
    std::string reason;
    const std::string bestPath =
        best ? (fs::path(report.directory) / best->name / best->deepestBoard).string() : std::string();
    if (best && checkBoardFile(bestPath.c_str(), check, reason)) {
        s += "<p class=\"best\">" + xmlEscape(best->name + "/" + best->deepestBoard) + ": " + xmlEscape(best->figures) +
             "</p>\n";
        std::string svg = renderBoardSvg(check, best->name + "/" + best->deepestBoard);
        if (svg.starts_with("<?xml")) svg.erase(0, svg.find('\n') + 1);  // not allowed inside HTML
        s += svg;
    } else {
        s += "<p class=\"best\">No board yet.</p>\n";
    }

    s += "<h2>Progress</h2>\n<h3>Pieces placed on the deepest board</h3>\n";
    s += renderPlot(report, false, "pieces-plot", "pieces placed over time");
    s += "<h3>Matched seams of the deepest board</h3>\n";
    s += renderPlot(report, true, "seams-plot", "matched seams over time");
    s += "<p>Each instance samples its deepest board about once a minute into its <code>progress.txt</code>.</p>\n";
    s += "</body>\n</html>\n";
    return s;
}

int runCampaignReport(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    static constexpr const char* USAGE =
        "usage: campaign-report [--states FILE] DIR [OUT.html]\n"
        "Writes one self-contained HTML page about the campaign in DIR (DIR/report.html by\n"
        "default): its instances, the best board drawn, the progress over time. tools/campaign\n"
        "report DIR runs it with the instances' states (--states: lines \"instance-NNN<TAB>state\",\n"
        "- for standard input).\n"
        "  --help     prints this text\n"
        "  --version  prints the suite's version\n"
        "Exit 0: written; 1: the page could not be written; 2: usage, or DIR is not a campaign.\n";
    const int answered =
        answerCommandLine(argc, argv, {"campaign-report", USAGE, {{"--states", true}}, 1, 2}, out, err);
    if (answered >= 0) return answered;
    std::string statesFile;
    std::vector<std::string> names;
    bool namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (namesOnly) names.emplace_back(arg);
        else if (arg == "--") namesOnly = true;
        else if (arg == "--states") statesFile = argv[++i];  // there is one: checked above
        else names.emplace_back(arg);
    }
    const std::string& dir = names[0];
    std::string text;
    if (!readTail(fs::path(dir) / "campaign.txt", 64 * 1024, text)) {
        err << "campaign-report: " << dir << " is not a campaign directory (no campaign.txt)\n";
        return EXIT_USAGE;
    }
    std::string states;
    if (statesFile == "-") {
        // One short line per instance; anything past a megabyte is no list of states.
        states.resize(1 << 20);
        std::cin.read(states.data(), static_cast<std::streamsize>(states.size()));
        states.resize(static_cast<std::size_t>(std::cin.gcount()));
    } else if (!statesFile.empty() && !readTail(statesFile, 1 << 20, states)) {
        err << "campaign-report: cannot read " << statesFile << '\n';
        return EXIT_USAGE;
    }
    const std::string outPath = names.size() == 2 ? names[1] : (fs::path(dir) / "report.html").string();

    const CampaignReport report = gatherCampaign(dir, states);
    char when[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&now));
    std::string reason;
    if (!writeWholeFile(outPath, renderCampaignPage(report, when), reason)) {
        err << "campaign-report: cannot write " << outPath << ": " << reason << '\n';
        return 1;
    }
    out << "campaign-report: wrote " << outPath << " (" << report.instances.size() << " instances";
    if (report.best >= 0) {
        const InstanceReport& b = report.instances[static_cast<std::size_t>(report.best)];
        out << ", best board " << b.name << "/" << b.deepestBoard;
    }
    out << ")\n";
    return 0;
}

}  // namespace zentara
