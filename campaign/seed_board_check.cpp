// Seed boards. Shift-solver and berserker-solver resume from the deepest
// Best200.csv ... Best255.csv in their directory, the number naming the pieces
// placed; any board the checker accepts can seed them under that name. What
// board-check says of the board given to start decides it.
#include <sys/stat.h>

#include <regex>

#include "campaign/campaign_fields.hpp"
#include "campaign/campaign_script.hpp"
#include "tools/whole_file.hpp"

namespace zentara {
namespace {

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        if (end == text.size() && from == end) break;
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

// A line naming a fault the board has: "mismatched seams: 3", ...
bool isFault(std::string_view line) {
    for (const std::string_view key : {"mismatched seams: ", "frame violations: ", "pieces used twice: ",
                                       "piece numbers out of range: "})
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] >= '1' && line[key.size()] <= '9')
            return true;
    return false;
}

}  // namespace

SeedBoardVerdict judgeSeedBoard(std::string_view label, std::string_view program, int canonicalExit,
                                std::string_view canonicalReport, std::string_view resumeReport, bool builtInPieces) {
    SeedBoardVerdict v;
    const std::string name(label), prog(program);
    const std::vector<std::string_view> report = linesOf(canonicalReport);
    if (canonicalExit > 1) {
        v.message = report.empty() ? std::string() : std::string(report[0]);
        return v;
    }
    // Its figures: "pieces placed: 240 of 256", and the faults that are not zero.
    std::string pieces, faults;
    for (const std::string_view line : report) {
        const std::string text(line);
        if (line.starts_with("pieces placed: ")) {
            pieces = text.substr(15, text.find(' ', 15) == std::string::npos ? std::string::npos : text.find(' ', 15) - 15);
        } else if (isFault(line)) {
            faults += (faults.empty() ? "" : ", ") + text.substr(text.rfind(": ") + 2) + " " + text.substr(0, text.find(": "));
        }
    }
    if (canonicalExit != 0) {
        v.message = name + ": inconsistent board (board-check: " + (faults.empty() ? "see its report" : faults) +
                    "); not a seed board";
        return v;
    }
    if (report.empty() || !report[0].ends_with("(16 x 16)")) {
        v.message = name + ": not a 16 x 16 board; shift-solver and berserker-solver resume only 16 x 16 boards";
        return v;
    }
    static const std::regex count("^[0-9]{1,3}$");
    if (!std::regex_match(pieces, count)) {
        v.message = name + ": board-check gave no count of pieces placed";
        return v;
    }
    const int placed = std::stoi(pieces);
    if (placed < 200 || placed > 255) {
        v.message = name + ": " + std::to_string(placed) +
                    " pieces placed; shift-solver and berserker-solver resume only from boards of 200 to 255 pieces "
                    "(Best200.csv to Best255.csv)";
        return v;
    }
    // The cells the program refuses, on one line of its own.
    const std::string prefix = "cells " + prog + " refuses on resuming: ";
    std::string refused;
    int named = 0;
    for (const std::string_view line : linesOf(resumeReport))
        if (line.starts_with(prefix)) refused = line.substr(prefix.size()), ++named;
    if (named != 1 || !std::regex_match(refused, count)) {
        v.message = name + ": board-check cannot tell which cells " + prog + " refuses";
        return v;
    }
    v.ok = true;
    v.name = "Best" + std::to_string(placed) + ".csv";
    if (std::stoi(refused) == 0) {
        v.message = prog + " takes all " + std::to_string(placed) + " pieces of " + name;
    } else {
        const std::string clues = builtInPieces ? "piece 181 on row 13, column 2 and 255 on row 2, column 13"
                                                : "the further clue pieces its piece list declares";
        v.message = prog + " will refuse " + refused + " of the " + std::to_string(placed) + " pieces of " + name +
                    ": besides the hint it fixes " + clues + ", and takes only pieces that fit them";
    }
    return v;
}

bool placeSeedBoard(const std::string& seedCopy, const std::string& dir, int count, const std::string& name,
                    std::string_view label, std::string& problem) {
    constexpr std::size_t LIMIT = 1 << 20;  // a board file is a few KB
    std::string board, there, reason;
    if (!readCampaignFile(seedCopy, LIMIT, board)) {
        problem = "cannot copy " + std::string(label) + " into " + dir;
        return false;
    }
    const auto targetOf = [&](int k) { return dir + "/" + instanceName(k) + "/" + name; };
    const auto exists = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0;
    };
    for (int k = 1; k <= count; ++k) {
        const std::string target = targetOf(k);
        if (exists(target) && !(readCampaignFile(target, LIMIT, there) && there == board)) {
            problem = shownText(target) + " exists and differs from " + std::string(label) + "; not replaced";
            return false;
        }
    }
    if (!writeWholeFile(dir + "/seed-board.csv", board, reason)) {
        problem = "cannot copy " + std::string(label) + " into " + dir;
        return false;
    }
    for (int k = 1; k <= count; ++k) {
        const std::string target = targetOf(k);
        if (!exists(target) && !writeWholeFile(target, board, reason)) {
            problem = "cannot copy " + std::string(label) + " to " + shownText(target);
            return false;
        }
    }
    return true;
}

}  // namespace zentara
