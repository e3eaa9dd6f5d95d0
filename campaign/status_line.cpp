// What the solvers' status lines and the instances' progress logs say: the levels
// a line names, the last status line of a console, the samples of progress.txt,
// and text made harmless for a terminal.
#include "campaign/report_parts.hpp"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "tools/board_view.hpp"

namespace zentara {

namespace {

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

}  // namespace

std::string trimmed(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return std::string(s.substr(a, b - a));
}

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

}  // namespace zentara
