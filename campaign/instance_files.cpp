// Gathering a campaign from its directory: campaign.txt, each instance's files
// (started.txt, progress.txt, console.txt, exit.txt, its boards), read within
// bounds and never blocking on what anybody may have put there.
#include "campaign/report_parts.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>

#include "campaign/campaign_fields.hpp"
#include "core/board_check.hpp"
#include "core/board_rank.hpp"
#include "core/user_file.hpp"

namespace zentara {

namespace fs = std::filesystem;

namespace {

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// "key: value" lines of campaign.txt and started.txt; empty when none.
std::string field(const std::string& text, const std::string& key) {
    std::string value;
    fieldOf(text, key, value);
    return value;
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

}  // namespace

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

std::string figuresOf(const BoardCheck& check) {
    char figures[160];
    std::snprintf(figures, sizeof figures, "%d of %d pieces placed, %d of %d seams matched, %s", check.piecesPlaced,
                  check.geometry.cells(), check.matchedSeams, check.totalSeams, checkVerdict(check));
    return figures;
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

}  // namespace zentara
