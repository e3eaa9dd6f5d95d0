// What start and an instance's wrapper read of an instance directory: whether its
// program started (or failed), what a resuming solver starts from, and the lines
// of progress.txt.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <ostream>

#include "campaign/campaign_fields.hpp"
#include "campaign/campaign_report.hpp"
#include "campaign/campaign_script.hpp"

namespace zentara {
namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// "read -r FIRST REST": the first blank-separated word and the rest, blanks trimmed.
void splitFirstWord(std::string_view line, std::string& first, std::string& rest) {
    constexpr std::string_view BLANKS = " \t";
    const std::size_t from = line.find_first_not_of(BLANKS);
    line.remove_prefix(from == std::string_view::npos ? line.size() : from);
    const std::size_t end = std::min(line.find_first_of(BLANKS), line.size());
    first = line.substr(0, end);
    line.remove_prefix(end);
    const std::size_t restFrom = line.find_first_not_of(BLANKS);
    line.remove_prefix(restFrom == std::string_view::npos ? line.size() : restFrom);
    const std::size_t restEnd = line.find_last_not_of(BLANKS);
    rest = line.substr(0, restEnd == std::string_view::npos ? 0 : restEnd + 1);
}

// Tab-separated field `n` (from 1) of `line`, empty when there is none.
std::string_view tabField(std::string_view line, int n) {
    for (int i = 1; i < n; ++i) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return {};
        line.remove_prefix(tab + 1);
    }
    return line.substr(0, line.find('\t'));
}

std::vector<std::string_view> records(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

}  // namespace

StartCount countStarted(const std::string& dir, int count) {
    StartCount result;
    // GNU parallel's job log names the instances whose wrapper has ended: its
    // sequence number (column 1) and exit value (column 7), after a heading.
    std::map<std::string, std::string> ended;
    std::string log;
    if (readCampaignFile(dir + "/joblog.txt", 16 << 20, log)) {
        const std::vector<std::string_view> lines = records(log);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            std::string seq, rc;
            splitFirstWord(std::string(tabField(lines[i], 1)) + " " + std::string(tabField(lines[i], 7)), seq, rc);
            if (!seq.empty() && seq.find_first_not_of("0123456789") == std::string::npos) ended[seq] = rc;
        }
    }
    for (int k = 1; k <= count; ++k) {
        const std::string name = instanceName(k), d = dir + "/" + name;
        const auto end = ended.find(std::to_string(k));
        if (exists(d + "/exit.txt")) {
            // Written by the wrapper, or by anybody: shown, never obeyed.
            std::string rc;
            if (!readCampaignFile(d + "/exit.txt", 4096, rc)) rc = "?";
            while (!rc.empty() && rc.back() == '\n') rc.pop_back();
            if (rc != "0") result.failed += name + " ended with exit " + shownText(rc) + " (see its console.txt)\n";
        } else if (end != ended.end() && !end->second.empty()) {
            result.failed += name + " did not start, exit " + shownText(end->second) + " (see " + shownText(dir) +
                             "/parallel.txt)\n";
            continue;
        } else if (!exists(d + "/instance.pid")) {
            continue;
        }
        ++result.started;
    }
    return result;
}

std::string resumesText(std::string_view program, const std::string& campaignDir) {
    if (program != "shift-solver" && program != "berserker-solver") return {};
    // The deepest BestNNN.csv, as these solvers pick it: a readable file of more than 500 bytes.
    std::string board;
    for (int n = 255; n >= 200 && board.empty(); --n) {
        const std::string name = "Best" + std::to_string(n) + ".csv";
        struct stat info {};
        if (::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(name.c_str(), R_OK) == 0 &&
            info.st_size > 500)
            board = name;
    }
    if (board.empty()) return "no board (its fixed pieces only)";
    std::string own, seed;
    constexpr std::size_t LIMIT = 1 << 20;
    if (readCampaignFile(board, LIMIT, own) && readCampaignFile(campaignDir + "/seed-board.csv", LIMIT, seed) &&
        own == seed)
        board += ", the seed board";
    return board;
}

std::string progressLine(std::time_t start, std::time_t now) {
    const std::string fields = progressSampleFields(".");
    if (fields.empty() || fields == "-\t-\t-\t") return {};
    char when[64];
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(when) + "\t" + std::to_string(now - start) + "\t" + fields + "\n";
}

std::string thinnedProgress(std::string_view text) {
    const std::vector<std::string_view> lines = records(text);
    const std::size_t keep = lines.size() > 1000 ? lines.size() - 1000 : 0;
    std::string s;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (i >= keep || i % 2 == 0) s.append(lines[i]) += '\n';
    return s;
}

int awaitStart(const StartWatch& watch, std::ostream& out, std::ostream& err) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const std::time_t deadline = now.tv_sec + watch.seconds;
    const timespec poll{0, 100'000'000}, moment{1, 0};
    const auto failures = [](const StartCount& c) { return static_cast<int>(std::count(c.failed.begin(), c.failed.end(), '\n')); };
    StartCount count;
    while (true) {
        count = countStarted(watch.dir, watch.count);
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        if (count.started + failures(count) >= watch.expected || now.tv_sec >= deadline) break;
        if (::kill(watch.parallel, 0) != 0) break;
        ::nanosleep(&poll, nullptr);
    }
    // A moment longer for an instance that fails at once.
    ::nanosleep(&moment, nullptr);
    count = countStarted(watch.dir, watch.count);
    // Instances still on their way (waiting for a seed window or a slot) are
    // named as such: they are neither running yet nor failed.
    const int waiting = ::kill(watch.parallel, 0) == 0 ? watch.expected - count.started - failures(count) : 0;
    const std::string later =
        waiting > 0 ? "; " + std::to_string(waiting) + " not yet (campaign status " + watch.dir + " shows them once they run)" : "";
    out << watch.me << ": started " << count.started << " of " << watch.count << (watch.count == 1 ? " instance" : " instances")
        << " of " << watch.program << " in " << watch.dir << later << '\n';
    // A failure at the start is no success: an sshlogin that does not work, a
    // program that cannot run.
    std::size_t from = 0;
    for (std::size_t end; (end = count.failed.find('\n', from)) != std::string::npos; from = end + 1)
        err << watch.me << ": " << std::string_view(count.failed).substr(from, end - from) << '\n';
    if (!count.failed.empty()) return 1;
    if (count.started > 0) return 0;
    err << watch.me << ": no instance started" << (later.empty() ? "" : " yet") << "; see " << watch.dir << "/parallel.txt\n";
    return 1;
}

bool removeOwnPidFile(const std::string& record) {
    std::string text;
    if (!readCampaignFile("instance.pid", 4096, text) || text.substr(0, text.find('\n')) != record) return false;
    return ::unlink("instance.pid") == 0;
}

}  // namespace zentara
