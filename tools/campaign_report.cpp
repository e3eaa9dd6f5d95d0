#include "tools/campaign_report.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "core/board_check.hpp"
#include "core/board_rank.hpp"
#include "tools/board_view.hpp"
#include "core/command_line.hpp"
#include "core/user_file.hpp"
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

// A whole small file (a board), or false when it is no regular file or longer than `limit`.
bool readSmall(const fs::path& path, std::size_t limit, std::string& text) {
    text.resize(limit + 1);  // one byte more tells a longer file
    const FileRead read = readUserFile(path.c_str(), text.data(), text.size());
    text.resize(read.ok() ? read.size : 0);
    return read.ok() && read.size <= limit;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// "key: value" lines of campaign.txt and started.txt.
std::string field(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(key + ": ")) return line.substr(key.size() + 2);
    return {};
}

// The number after "instance-", or -1.
int instanceNumber(const std::string& name) {
    if (!name.starts_with("instance-") || name.size() == 9 || name.size() > 18) return -1;
    int n = 0;
    for (std::size_t i = 9; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// Plain digits worth at most MAX, or -1: campaign.txt may come from anyone, and a
// number in it decides how many instances are listed.
int boundedNumber(const std::string& text, int max) {
    int n = -1;
    const char* end = text.data() + text.size();
    if (text.empty() || text.size() > 9 || std::from_chars(text.data(), end, n).ptr != end || n > max) return -1;
    return n;
}

// As many instances as a start takes, numbered as the instances accept (a Slurm
// array may number its tasks from 0 and up to its MaxArraySize).
constexpr int MAX_INSTANCES = 9999;
constexpr int MAX_INSTANCE_NUMBER = 9999999;

std::string figuresOf(const BoardCheck& check) {
    char figures[160];
    std::snprintf(figures, sizeof figures, "%d of %d pieces placed, %d of %d seams matched, %s", check.piecesPlaced,
                  check.geometry.cells(), check.matchedSeams, check.totalSeams, checkVerdict(check));
    return figures;
}

bool wordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// The number after `key` at `at` (blanks between), or -1 when `key` is not there
// as a word of its own followed by a number.
int numberAfter(std::string_view lower, std::size_t at, std::string_view key, std::size_t& end) {
    if (lower.substr(at, key.size()) != key) return -1;
    if (at > 0 && wordChar(lower[at - 1])) return -1;
    std::size_t i = at + key.size();
    while (i < lower.size() && lower[i] == ' ') ++i;
    if (i >= lower.size() || !std::isdigit(static_cast<unsigned char>(lower[i]))) return -1;
    long n = 0;
    while (i < lower.size() && std::isdigit(static_cast<unsigned char>(lower[i])) && n < 100000) n = n * 10 + (lower[i++] - '0');
    end = i;
    return static_cast<int>(n);
}

std::string trimmed(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return std::string(s.substr(a, b - a));
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

// An instance's own deepest board: the best consistent board among the names the
// solvers write, ranked as board-check --best ranks them (core/board_rank.hpp,
// ties to the name first in byte order), leaving out a copy of the seed board
// (`seed`, empty when none). Where it has written nothing consistent, the first
// board that is not says why.
void findOwnBoard(const fs::path& dir, const std::string& seed, InstanceReport& inst) {
    std::error_code ec;
    BoardRank best = NO_BOARD_RANK;
    std::string faultyName, faultyFigures, bytes;
    const auto fault = [&](const std::string& name, const std::string& figures) {
        if (faultyName.empty() || name < faultyName) faultyName = name, faultyFigures = figures;
    };
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (!isSolverBoardName(name)) continue;
        if (!readSmall(e.path(), MAX_BOARD_CHECK_BYTES, bytes)) {
            fault(name, "unreadable (not a regular file of a board's size)");
            continue;
        }
        if (!seed.empty() && bytes == seed) continue;  // where it started, not what it found
        BoardCheck check;
        std::string reason;
        if (!checkBoardText(bytes, check, reason)) {
            fault(name, "unreadable (" + reason + ")");
            continue;
        }
        if (!check.consistent()) {
            fault(name, figuresOf(check));
            continue;
        }
        const BoardRank rank = check.rank();
        if (isBetter(rank, best) || (!isBetter(best, rank) && name < inst.deepestBoard)) {
            best = rank;
            inst.deepestBoard = name;
            inst.pieces = check.piecesPlaced, inst.seams = check.matchedSeams, inst.deadEnd = check.deadEnd();
            inst.figures = figuresOf(check);
        }
    }
    if (inst.deepestBoard.empty() && !faultyName.empty()) {
        inst.deepestBoard = faultyName;
        inst.figures = faultyFigures;
    }
}

// Status line of the console file's end (a few KB is lines enough).
std::string consoleStatus(const fs::path& dir) {
    std::string text;
    if (!readTail(dir / "console.txt", 4096, text)) return {};
    return lastStatusLine(text);
}

// The resuming solver a program is, by its name; false for any other.
bool resumingSolverOf(const std::string& program, ResumingSolver& solver) {
    if (program == "shift-solver") solver = ResumingSolver::Shift;
    else if (program == "berserker-solver") solver = ResumingSolver::Berserker;
    else return false;
    return true;
}

// The pieces a resuming solver keeps of a board file, read and refused as it reads
// and refuses them: where it really starts, some cells below the file's pieces.
// -1 when the file cannot be read as it reads it.
int piecesKept(const fs::path& board, const std::string& program) {
    ResumingSolver solver;
    if (!resumingSolverOf(program, solver)) return -1;
    BoardCheck asRead;
    bool passedOver = false;
    std::string reason;
    if (!readBoardAsResumed(board.c_str(), asRead, passedOver, reason) || passedOver) return -1;
    return asRead.piecesPlaced - countResumeRefusals(asRead, solver);
}

void readInstance(const fs::path& d, const std::string& seed, const std::string& program, InstanceReport& inst) {
    std::string text;
    if (readTail(d / "started.txt", 64 * 1024, text)) {
        // "2026-12-08 01:00:00.100 on node1; ...": the local time the instance started.
        std::tm start{};
        if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &start.tm_year, &start.tm_mon, &start.tm_mday,
                        &start.tm_hour, &start.tm_min, &start.tm_sec) == 6) {
            start.tm_year -= 1900, start.tm_mon -= 1, start.tm_isdst = -1;
            inst.startTime = static_cast<long>(std::mktime(&start));
        }
        inst.startedFrom = field(text, "started from");
        int n = 0, used = 0;
        if (std::sscanf(inst.startedFrom.c_str(), "Best%d.csv%n", &n, &used) == 1 && used > 0) {
            inst.startBoardPieces = inst.startPieces = n;
            // A board of its own from an earlier run: still there unless it was
            // overwritten since, which only a deeper board does.
            if (!inst.startedFrom.ends_with(", the seed board")) {
                const int kept = piecesKept(d / inst.startedFrom.substr(0, static_cast<std::size_t>(used)), program);
                if (kept >= 0) inst.startPieces = kept;
            }
        }
    }
    std::string progressStatus;
    // Its end only: gatherCampaign reads the whole log of the instances the page draws.
    if (readTail(d / "progress.txt", 4096, text)) {
        inst.progress = parseProgress(text, &progressStatus);
    }
    inst.lastStatus = consoleStatus(d);
    if (inst.lastStatus.empty()) inst.lastStatus = progressStatus;
    inst.levels = parseStatusLevels(inst.lastStatus);
    findOwnBoard(d, seed, inst);
}

// ---------------------------------------------------------------------------
// Plots.

// Lines of distinct colours for the instances, in turn, each with a marker of
// its own shape and size, so that lines that coincide still show every instance:
// each line's markers are smaller than those of the lines drawn before it, and
// every other line's are hollow, so a marker drawn over another leaves its rim
// (or its inside) in view.
constexpr const char* LINE_COLOURS[] = {"#1F77B4", "#D62728", "#2CA02C", "#9467BD", "#FF7F0E",
                                        "#17BECF", "#8C564B", "#E377C2", "#7F7F7F", "#BCBD22"};
static_assert(std::size(LINE_COLOURS) == REPORT_PLOT_SERIES);

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
    std::snprintf(s, sizeof s, "%g", std::round(v * 10) / 10);
    return s;
}

// The marker of line `k`: 14 pixels across for the first, one less for each line
// after it; every shape spans its whole size, so a smaller one leaves a rim.
double markerRadius(int k) { return 7.0 - 0.5 * k; }
bool hollowMarker(int k) { return k % 2 == 1; }

// A marker of shape and size `k` centred on (x, y), as a path.
std::string marker(int k, double x, double y) {
    const double r = markerRadius(k);
    char s[200];
    switch (k % 5) {
        case 0:  // circle
            std::snprintf(s, sizeof s, "M%s %sa%g %g 0 1 0 %g 0a%g %g 0 1 0 %g 0", number(x - r).c_str(),
                          number(y).c_str(), r, r, 2 * r, r, r, -2 * r);
            break;
        case 1:  // square
            std::snprintf(s, sizeof s, "M%s %sh%gv%gh%gz", number(x - r).c_str(), number(y - r).c_str(), 2 * r, 2 * r,
                          -2 * r);
            break;
        case 2:  // triangle
            std::snprintf(s, sizeof s, "M%s %sl%g %gh%gz", number(x).c_str(), number(y - r).c_str(), r, 2 * r, -2 * r);
            break;
        case 3:  // diamond
            std::snprintf(s, sizeof s, "M%s %sl%g %gl%g %gl%g %gz", number(x).c_str(), number(y - r).c_str(), r, r, -r,
                          r, -r, -r);
            break;
        default:  // triangle pointing down
            std::snprintf(s, sizeof s, "M%s %sl%g %gh%gz", number(x).c_str(), number(y + r).c_str(), r, -2 * r, -2 * r);
    }
    return s;
}

struct Series {
    const InstanceReport* instance;
    std::vector<std::pair<double, int>> points;  // seconds, value
};

// One plot: a value of the chosen instances against the time since each started,
// in hours (minutes while every instance is younger than two hours), from 0.
// Each line holds at most a point per two pixels of width (the highest value of
// those it stands for), whatever the number of samples.
std::string renderPlot(const std::vector<Series>& all, const char* cssClass, const char* title) {
    double maxSeconds = 0;
    int low = 1 << 30, high = -1;
    for (const Series& series : all)
        for (const auto& [t, v] : series.points) {
            maxSeconds = std::max(maxSeconds, t);
            low = std::min(low, v);
            high = std::max(high, v);
        }
    if (high < 0) return "<p class=\"" + std::string(cssClass) + "\">Nothing to show yet.</p>\n";
    const bool hours = maxSeconds >= 2 * 3600;
    const double unit = hours ? 3600 : 60;
    const double maxTime = std::max(maxSeconds / unit, 1.0);
    if (high - low < 4) low -= 2, high += 2;
    const double xStep = tickStep(maxTime, 6), yStep = tickStep(high - low, 5);
    const double x1 = std::ceil(maxTime / xStep) * xStep;
    const double y0 = std::floor(low / yStep) * yStep, y1 = std::ceil(high / yStep) * yStep;
    constexpr int W = 800, H = 320, LEFT = 56, RIGHT = 170, TOP = 16, BOTTOM = 44;
    const double plotW = W - LEFT - RIGHT, plotH = H - TOP - BOTTOM;
    const auto px = [&](double t) { return LEFT + t / unit / x1 * plotW; };
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
        s += "<line x1=\"" + number(px(h * unit)) + "\" y1=\"" + number(TOP) + "\" x2=\"" + number(px(h * unit)) +
             "\" y2=\"" + number(TOP + plotH) + "\" stroke=\"#DDDDDD\"/><text x=\"" + number(px(h * unit)) + "\" y=\"" +
             number(TOP + plotH + 16) + "\" text-anchor=\"middle\">" + number(h) + "</text>\n";
    s += "<text x=\"" + number(LEFT + plotW / 2) + "\" y=\"" + number(H - 6) +
         "\" text-anchor=\"middle\">" + (hours ? "hours" : "minutes") + " since the instance started</text>\n";
    s += "<rect x=\"" + number(LEFT) + "\" y=\"" + number(TOP) + "\" width=\"" + number(plotW) + "\" height=\"" +
         number(plotH) + "\" fill=\"none\" stroke=\"#000000\"/>\n";
    // Every line first, then every marker: a line drawn later never covers another's markers.
    std::string markers;
    int k = -1;
    for (const Series& series : all) {
        ++k;
        const char* colour = LINE_COLOURS[k % REPORT_PLOT_SERIES];
        std::vector<std::pair<double, double>> kept;  // pixels
        int keptColumn = -1;
        for (const auto& [t, v] : series.points) {
            const double x = px(t), y = py(v);
            const int column = static_cast<int>(x / 2);
            // The first point is where the line starts (a resuming solver's kept
            // pieces) and stays, also when a sample follows in its column.
            if (column == keptColumn && kept.size() > 1) {
                kept.back().first = x;
                kept.back().second = std::min(kept.back().second, y);  // the higher value
            } else {
                kept.emplace_back(x, y);
                keptColumn = column;
            }
        }
        if (kept.empty()) continue;
        std::string points;
        for (const auto& [x, y] : kept) {
            if (!points.empty()) points += ' ';
            points += number(x) + ',' + number(y);
        }
        // A single sample is drawn as a dot, which a polyline of one point is not.
        if (kept.size() == 1) points += ' ' + number(kept[0].first) + ',' + number(kept[0].second);
        const std::string name = xmlEscape(series.instance->name);
        s += "<polyline class=\"series\" data-instance=\"" + name + "\" points=\"" + points + "\" fill=\"none\" stroke=\"" +
             colour + "\" stroke-width=\"2\" stroke-linejoin=\"round\" stroke-linecap=\"round\"><title>" + name +
             "</title></polyline>\n";
        // Markers on about eight points of each line, each line's at other places
        // along it, and always on its last point.
        const std::size_t stride = std::max<std::size_t>(1, kept.size() / 8);
        const std::size_t offset = static_cast<std::size_t>(k) * stride / REPORT_PLOT_SERIES;
        std::string path;
        for (std::size_t i = 0; i < kept.size(); ++i)
            if ((i + stride - offset % stride) % stride == 0 || i + 1 == kept.size())
                path += marker(k, kept[i].first, kept[i].second);
        const std::string fill = hollowMarker(k) ? "none" : colour;
        markers += "<path class=\"markers\" data-instance=\"" + name + "\" d=\"" + path + "\" fill=\"" + fill +
                   "\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>\n";
        const double ly = TOP + 8 + k * 16;
        if (ly < TOP + plotH) {
            s += "<line x1=\"" + number(W - RIGHT + 12) + "\" y1=\"" + number(ly) + "\" x2=\"" + number(W - RIGHT + 36) +
                 "\" y2=\"" + number(ly) + "\" stroke=\"" + colour + "\" stroke-width=\"2\"/><path d=\"" +
                 marker(k, W - RIGHT + 24, ly) + "\" fill=\"" + (hollowMarker(k) ? "#FFFFFF" : colour) + "\" stroke=\"" +
                 colour + "\" stroke-width=\"1.5\"/><text x=\"" + number(W - RIGHT + 42) + "\" y=\"" + number(ly + 4) +
                 "\">" + name + "</text>\n";
        }
    }
    s += markers;
    s += "</svg>\n";
    return s;
}

}  // namespace

StatusLevels parseStatusLevels(std::string_view line) {
    std::string lower(line);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    StatusLevels found;
    static constexpr std::string_view BEST[] = {"best level:", "best:", "max. level", "max.", "max"};
    static constexpr std::string_view LEVEL[] = {"level/score:", "current level:", "current level", "level", "lev"};
    for (std::size_t i = 0; i < lower.size(); ++i) {
        std::size_t end = 0;
        int n = -1;
        for (std::string_view key : BEST)
            if ((n = numberAfter(lower, i, key, end)) >= 0) break;
        if (n >= 0) {
            if (found.best < 0) found.best = n;
            i = end - 1;
            continue;
        }
        for (std::string_view key : LEVEL)
            if ((n = numberAfter(lower, i, key, end)) >= 0) break;
        if (n >= 0) {
            if (found.level < 0) found.level = n;
            i = end - 1;
        }
    }
    return found;
}

std::string lastStatusLine(std::string_view text) {
    // Lines end at "\n"; a "\r" left in a raw console file starts a rewrite.
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(from, i - from));
            from = i + 1;
        }
    }
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::string t = trimmed(*line);
        if (!t.empty() && parseStatusLevels(t).any()) return t;
    }
    // A program whose status names no level: the line it is still rewriting.
    if (!text.empty() && text.back() != '\n') {
        std::string t = trimmed(lines.back());
        for (char& c : t)
            if (c == '\t') c = ' ';
        return t;
    }
    return {};
}

std::string terminalSafe(std::string_view text) {
    std::string s;
    char hex[8];
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            s += static_cast<char>(c);
            ++i;
            continue;
        }
        unsigned code = 0;
        const std::size_t n = c >= 0x80 ? utf8At(text, i, code) : 0;
        if (n > 0 && code >= 0xA0) {
            s.append(text.substr(i, n));
            i += n;
            continue;
        }
        if (c == 0x1B) s += "\\e";
        else if (c == '\r') s += "\\r";
        else if (c == '\n') s += "\\n";
        else if (c == '\t') s += "\\t";
        else if (n > 0) std::snprintf(hex, sizeof hex, "\\u%04x", code), s += hex;  // a C1 control
        else std::snprintf(hex, sizeof hex, "\\x%02x", c), s += hex;
        i += n > 0 ? n : 1;
    }
    return s;
}

std::vector<ProgressSample> parseProgress(const std::string& text, std::string* lastStatus) {
    std::vector<ProgressSample> samples;
    // A campaign started again in the same directory appends the new run's samples,
    // its seconds counted from 0 again: only the latest run is kept, since the plots
    // show time since the instance started. Its console file still ends with the
    // earlier run's last line until the program prints, so a first sample naming
    // exactly that line names no level of this run (nor do the next ones, until
    // the line changes).
    std::string status, previousStatus, runEndStatus;
    bool restarted = false;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        const std::string_view line(text.data() + lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        std::string_view f[6];
        std::size_t from = 0;
        int k = 0;
        for (; k < 5; ++k) {
            const std::size_t tab = line.find('\t', from);
            if (tab == std::string_view::npos) break;
            f[k] = line.substr(from, tab - from);
            from = tab + 1;
        }
        if (k != 5) continue;  // not a sample line (a line cut short by a kill)
        f[5] = line.substr(from);
        ProgressSample p;
        const std::string seconds(f[1]);
        char* end = nullptr;
        p.seconds = std::strtol(seconds.c_str(), &end, 10);
        if (end == seconds.c_str() || *end != '\0' || p.seconds < 0) continue;
        if (f[2] != "-") {
            p.pieces = std::atoi(std::string(f[3]).c_str());
            p.seams = std::atoi(std::string(f[4]).c_str());
        }
        status = trimmed(f[5]);
        if (!samples.empty() && p.seconds < samples.back().seconds) {
            samples.clear();
            runEndStatus = previousStatus;
            restarted = true;
        }
        restarted = restarted && status == runEndStatus;  // until the program of this run prints
        p.level = restarted ? -1 : parseStatusLevels(status).reached();
        samples.push_back(p);
        previousStatus = status;
        if (lastStatus) *lastStatus = status;
    }
    return samples;
}

std::vector<std::size_t> rankInstances(const CampaignReport& report) {
    std::vector<std::size_t> order(report.instances.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const InstanceReport &x = report.instances[a], &y = report.instances[b];
        if (x.inCampaign != y.inCampaign) return x.inCampaign;
        const BoardRank rx{x.pieces, x.seams, x.deadEnd}, ry{y.pieces, y.seams, y.deadEnd};
        if (isBetter(rx, ry)) return true;
        if (isBetter(ry, rx)) return false;
        return x.levels.reached() > y.levels.reached();
    });
    return order;
}

namespace {

// The running time up to `now`, or to the end exit.txt records; the last sample
// when the start is not known (or a clock went back).
long elapsedOf(const fs::path& d, const InstanceReport& inst, std::time_t now) {
    const long sampled = inst.progress.empty() ? -1 : inst.progress.back().seconds;
    if (inst.startTime < 0) return sampled;
    struct stat ended {};
    long until = -1;
    if (::stat((d / "exit.txt").c_str(), &ended) == 0) until = static_cast<long>(ended.st_mtime);
    else if (inst.state == "running" || inst.state == "unreachable") until = static_cast<long>(now);
    return until < inst.startTime ? sampled : std::max(sampled, until - inst.startTime);
}

}  // namespace

CampaignReport gatherCampaign(const std::string& directory, const std::string& states, int progressOf,
                              std::time_t now) {
    CampaignReport report;
    report.directory = directory;
    const fs::path top(directory);
    std::string text;
    readTail(top / "campaign.txt", 64 * 1024, text);
    report.program = fs::path(field(text, "program")).filename().string();
    report.started = field(text, "started");
    report.seedBoard = field(text, "seed board");
    report.pieceSet = field(text, "piece set");
    report.declared = boundedNumber(field(text, "instances"), MAX_INSTANCES);
    int firstTask = 1, lastTask = report.declared;
    // A Slurm job's task numbers, when they are one range of at most as many as a start takes.
    bool taskRange = false;
    if (const std::string tasks = field(text, "tasks"); tasks.find('-') != std::string::npos) {
        const int first = boundedNumber(tasks.substr(0, tasks.find('-')), MAX_INSTANCE_NUMBER);
        const int last = boundedNumber(tasks.substr(tasks.find('-') + 1), MAX_INSTANCE_NUMBER);
        taskRange = first >= 0 && last >= first && last - first < MAX_INSTANCES;
        if (taskRange) firstTask = first, lastTask = last;
    }

    std::string seed;
    if (readSmall(top / "seed-board.csv", MAX_BOARD_CHECK_BYTES, seed) && !report.seedBoard.empty()) {
        BoardCheck check;
        std::string reason;
        if (checkBoardText(seed, check, reason)) {
            report.seedPieces = check.piecesPlaced, report.seedSeams = check.matchedSeams;
            report.seedDeadEnd = check.deadEnd();
            report.seedFigures = figuresOf(check);
            report.seedKept = piecesKept(top / "seed-board.csv", report.program);
        }
    }

    std::map<std::string, std::string> stateOf;
    std::istringstream lines(states);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos && instanceNumber(line.substr(0, tab)) >= 0)
            stateOf[line.substr(0, tab)] = line.substr(tab + 1);
    }

    std::map<int, std::string> names;  // by number, as "instance-010" follows "instance-009"
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(top, ec)) {
        const std::string name = e.path().filename().string();
        if (instanceNumber(name) >= 0 && e.is_directory(ec)) names.emplace(instanceNumber(name), name);
    }
    for (const auto& [name, state] : stateOf) names.emplace(instanceNumber(name), name);
    // A Slurm job's tasks, also those that have not made their directory yet.
    if (taskRange) {
        char name[32];
        for (int k = firstTask; k <= lastTask; ++k) {
            std::snprintf(name, sizeof name, "instance-%03d", k);
            names.emplace(k, name);
        }
    }

    for (const auto& [k, name] : names) {
        InstanceReport inst;
        inst.name = name;
        inst.inCampaign = lastTask < 0 || (k >= firstTask && k <= lastTask);
        const fs::path d = top / name;
        const bool exists = fs::is_directory(d, ec);
        if (auto s = stateOf.find(name); s != stateOf.end()) {
            inst.state = s->second;
        } else if (readTail(d / "exit.txt", 64, text)) {
            const std::string rc = firstLine(text);
            inst.state = rc == "130" || rc == "143" ? "stopped" : "ended, exit " + rc;
        } else {
            inst.state = fs::exists(d / "instance.pid", ec) ? "running" : "not started";
        }
        if (exists) readInstance(d, seed, report.program, inst);
        if (exists) inst.elapsedSeconds = elapsedOf(d, inst, now);
        if (inst.startedFrom.ends_with(", the seed board") && report.seedPieces >= 0) {
            inst.startBoardPieces = report.seedPieces;
            inst.startPieces = report.seedKept >= 0 ? report.seedKept : report.seedPieces;
        }
        report.instances.push_back(std::move(inst));
    }

    // The campaign's best: the best board an instance of this campaign found.
    const std::vector<std::size_t> order = rankInstances(report);
    if (!order.empty() && report.instances[order[0]].inCampaign && report.instances[order[0]].pieces >= 0)
        report.best = static_cast<int>(order[0]);
    if (report.seedPieces >= 0) {
        const BoardRank seedRank{report.seedPieces, report.seedSeams, report.seedDeadEnd};
        const InstanceReport& first = report.instances[order[0]];
        report.seedIsBest =
            report.best < 0 || !isBetter(BoardRank{first.pieces, first.seams, first.deadEnd}, seedRank);
    }
    // The whole progress log only of those the page draws.
    for (std::size_t r = 0; r < order.size() && static_cast<int>(r) < progressOf; ++r) {
        InstanceReport& inst = report.instances[order[r]];
        if (!inst.inCampaign) break;
        if (readTail(top / inst.name / "progress.txt", 8 << 20, text)) inst.progress = parseProgress(text);
    }
    return report;
}

// The seed board as campaign.txt names it, less the name of its copy (" as Best246.csv").
std::string seedName(const CampaignReport& report) {
    return report.seedBoard.substr(0, report.seedBoard.rfind(" as "));
}

// What a resuming solver kept of the board it started from, as a clause; empty when unknown.
std::string keptClause(const InstanceReport& i) {
    if (i.startBoardPieces < 0 || i.startPieces < 0) return {};
    const int refused = i.startBoardPieces - i.startPieces;
    if (refused == 0) return "it kept all " + std::to_string(i.startPieces) + " pieces";
    return "it kept " + std::to_string(i.startPieces) + " of its " + std::to_string(i.startBoardPieces) + " pieces (" +
           std::to_string(refused) + (refused == 1 ? " cell" : " cells") + " refused, see board-check --resume)";
}

std::string renderCampaignStatus(const CampaignReport& report) {
    int total = 0, running = 0;
    for (const InstanceReport& i : report.instances) {
        total += i.inCampaign;
        running += i.inCampaign && i.state == "running";
    }
    std::string s = "campaign " + terminalSafe(report.directory) + ": " +
                    terminalSafe(report.program.empty() ? "?" : report.program) + ", " + std::to_string(total) +
                    (total == 1 ? " instance, " : " instances, ") + std::to_string(running) + " running\n";
    std::string leftOver;
    int leftOvers = 0;
    char head[160];
    for (const InstanceReport& i : report.instances) {
        if (!i.inCampaign) {
            if (++leftOvers <= 10) leftOver += (leftOvers > 1 ? ", " : "") + terminalSafe(i.name);
            continue;
        }
        std::snprintf(head, sizeof head, "%s  %-14s", terminalSafe(i.name).c_str(), terminalSafe(i.state).c_str());
        s += head;
        if (i.deepestBoard.empty()) s += "  own deepest board: none yet\n";
        else s += "  own deepest board: " + terminalSafe(i.deepestBoard) + ": " + terminalSafe(i.figures) + "\n";
        if (!i.lastStatus.empty()) {
            s += "    ";
            if (i.levels.best >= 0) s += "own best level " + std::to_string(i.levels.best) + "; ";
            s += "status: " + terminalSafe(i.lastStatus) + "\n";
        }
        if (!i.startedFrom.empty()) {
            s += "    started from " + terminalSafe(i.startedFrom);
            if (i.startedFrom.ends_with(", the seed board") && !report.seedBoard.empty())
                s += " " + terminalSafe(seedName(report));
            if (const std::string kept = keptClause(i); !kept.empty()) s += "; " + kept;
            s += "\n";
        }
    }
    if (leftOvers > 0)
        s += "left from an earlier start with more instances, not part of this campaign: " + leftOver +
             (leftOvers > 10 ? " and " + std::to_string(leftOvers - 10) + " more" : "") + "\n";
    const InstanceReport* best = report.best >= 0 ? &report.instances[static_cast<std::size_t>(report.best)] : nullptr;
    const std::string found = best ? terminalSafe(report.directory + "/" + best->name + "/" + best->deepestBoard) + ": " +
                                         terminalSafe(best->figures)
                                   : std::string();
    if (report.seedIsBest) {
        s += "best board: the seed board " + terminalSafe(seedName(report)) +
             ": " + report.seedFigures + "; no instance has found a better one yet";
        s += best ? " (best found: " + found + ")\n" : "\n";
    } else if (best) {
        s += "best board: " + found + "\n";
    } else {
        s += "best board: none yet\n";
    }
    if (!report.pieceSet.empty()) s += "piece set: " + terminalSafe(report.pieceSet) + "\n";
    return s;
}

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

std::string progressSampleFields(const std::string& dir) {
    std::string seed;
    if (!readSmall(fs::path(dir) / ".." / "seed-board.csv", MAX_BOARD_CHECK_BYTES, seed)) seed.clear();
    InstanceReport inst;
    findOwnBoard(dir, seed, inst);
    std::string status = consoleStatus(dir);
    for (char& c : status)
        if (c == '\t') c = ' ';
    if (inst.pieces < 0) return "-\t-\t-\t" + status;
    return inst.deepestBoard + "\t" + std::to_string(inst.pieces) + "\t" + std::to_string(inst.seams) + "\t" + status;
}

int runCampaignReport(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    static constexpr const char* USAGE =
        "usage: campaign-report [--states FILE] DIR [OUT.html]\n"
        "       campaign-report --status [--states FILE] DIR\n"
        "       campaign-report --sample INSTANCE_DIR\n"
        "Writes one self-contained HTML page about the campaign in DIR (DIR/report.html by\n"
        "default): its instances, the best board drawn, the progress over time. tools/campaign\n"
        "report DIR runs it with the instances' states (--states: lines \"instance-NNN<TAB>state\",\n"
        "- for standard input). --status prints what tools/campaign status shows; --sample the\n"
        "fields of one progress.txt line of an instance.\n"
        "  --help     prints this text\n"
        "  --version  prints the suite's version\n"
        "Exit 0: written; 1: the page could not be written; 2: usage, or DIR is not a campaign.\n";
    const int answered = answerCommandLine(
        argc, argv, {"campaign-report", USAGE, {{"--states", true}, {"--status"}, {"--sample"}}, 1, 2}, out, err);
    if (answered >= 0) return answered;
    std::string statesFile;
    std::vector<std::string> names;
    bool status = false, sample = false, namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (namesOnly) names.emplace_back(arg);
        else if (arg == "--") namesOnly = true;
        else if (arg == "--states") statesFile = argv[++i];  // there is one: checked above
        else if (arg == "--status") status = true;
        else if (arg == "--sample") sample = true;
        else names.emplace_back(arg);
    }
    if (((status || sample) && names.size() != 1) || (status && sample) || (sample && !statesFile.empty()))
        return refuseCommandLine(err, {"campaign-report", USAGE},
                                 "--status and --sample take one DIR, one at a time, without --states");
    const std::string& dir = names[0];
    if (sample) {
        out << progressSampleFields(dir) << '\n';
        return 0;
    }
    std::string text;
    if (!readTail(fs::path(dir) / "campaign.txt", 64 * 1024, text)) {
        err << "campaign-report: " << printableArgument(dir) << " is not a campaign directory (no campaign.txt)\n";
        return EXIT_USAGE;
    }
    std::string states;
    if (statesFile == "-") {
        // A short line per instance; anything past a few megabytes is no list of states.
        states.resize(8 << 20);
        std::cin.read(states.data(), static_cast<std::streamsize>(states.size()));
        states.resize(static_cast<std::size_t>(std::cin.gcount()));
    } else if (!statesFile.empty() && !readTail(statesFile, 8 << 20, states)) {
        err << "campaign-report: cannot read " << printableArgument(statesFile) << '\n';
        return EXIT_USAGE;
    }
    if (status) {
        out << renderCampaignStatus(gatherCampaign(dir, states, 0));
        return 0;
    }
    const std::string outPath = names.size() == 2 ? names[1] : (fs::path(dir) / "report.html").string();

    const std::time_t now = std::time(nullptr);
    const CampaignReport report = gatherCampaign(dir, states, REPORT_PLOT_SERIES, now);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&now));
    std::string reason;
    if (!writeWholeFile(outPath, renderCampaignPage(report, when), reason)) {
        err << "campaign-report: cannot write " << printableArgument(outPath) << ": " << reason << '\n';
        return 1;
    }
    int total = 0;
    for (const InstanceReport& i : report.instances) total += i.inCampaign;
    out << "campaign-report: wrote " << printableArgument(outPath) << " (" << total << (total == 1 ? " instance" : " instances");
    if (report.seedIsBest) {
        out << ", best board the seed board";
    } else if (report.best >= 0) {
        const InstanceReport& b = report.instances[static_cast<std::size_t>(report.best)];
        out << ", best board " << terminalSafe(b.name + "/" + b.deepestBoard);
    }
    out << ")\n";
    return 0;
}

}  // namespace zentara
