// The campaign report: one self-contained HTML page about a campaign directory
// (as tools/campaign lays it out): a table of its instances, the campaign's best
// board drawn, and the progress of every instance over time. Nothing on the page
// is fetched from elsewhere and it holds no script.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zentara {

// One line of an instance's progress.txt: seconds since its start, and the
// pieces placed and matched seams of its deepest board (-1 while it had none).
struct ProgressSample {
    long seconds = 0;
    int pieces = -1;
    int seams = -1;
};

struct InstanceReport {
    std::string name;           // "instance-001"
    std::string state;          // "running", "stopped", "ended, exit 1", ...
    long elapsedSeconds = -1;   // at the last sample; -1 when never sampled
    std::string deepestBoard;   // file name, empty when none
    std::string figures;        // "244 of 256 pieces placed, 439 of 480 seams matched, consistent"
    int pieces = -1, seams = -1;
    std::string startedFrom;    // as the instance recorded it; empty when it reads no board
    std::string lastStatus;     // the program's last status line
    std::vector<ProgressSample> progress;
};

struct CampaignReport {
    std::string directory;
    std::string program;
    std::string started;
    std::string seedBoard;
    std::vector<InstanceReport> instances;
    int best = -1;  // index of the instance with the campaign's best board
};

// Parses progress.txt (tab-separated: time, seconds, board, pieces, seams, status).
std::vector<ProgressSample> parseProgress(const std::string& text, std::string* lastStatus = nullptr);

// Gathers everything from the directory's files. `states` holds lines
// "instance-NNN<TAB>state" from tools/campaign, which knows whether a program
// runs; an instance it does not name gets its state from exit.txt alone.
CampaignReport gatherCampaign(const std::string& directory, const std::string& states);

std::string renderCampaignPage(const CampaignReport& report, const std::string& generatedAt);

// campaign-report [--states FILE] DIR [OUT.html]: exit 0 when written, 1 when
// the page could not be written, 2 for a usage error or DIR not a campaign.
int runCampaignReport(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zentara
