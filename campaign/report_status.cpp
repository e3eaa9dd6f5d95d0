// The campaign's status as a terminal shows it (`campaign status`), and the texts
// the page tells alike.
#include "campaign/report_parts.hpp"

#include <cstdio>

namespace zentara {

std::string duration(long seconds) {
    if (seconds < 0) return "";
    char s[64];
    if (seconds < 60) std::snprintf(s, sizeof s, "%ld s", seconds);
    else if (seconds < 3600) std::snprintf(s, sizeof s, "%ld min", seconds / 60);
    else if (seconds < 86400) std::snprintf(s, sizeof s, "%ld h %02ld min", seconds / 3600, seconds / 60 % 60);
    else std::snprintf(s, sizeof s, "%ld d %ld h", seconds / 86400, seconds / 3600 % 24);
    return s;
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

}  // namespace zentara
