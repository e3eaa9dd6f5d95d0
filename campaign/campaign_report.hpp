// What a campaign's instances reached, read from a campaign directory as
// campaign/campaign lays it out, told three ways: the status text (`campaign status`),
// one self-contained HTML page (`campaign report`) and one progress sample of an
// instance (the line its wrapper appends to progress.txt about once a minute).
// Nothing on the page is fetched from elsewhere and it holds no script.
//
// Words, one for one idea in every file of campaign/ and in its scripts:
//   campaign  a directory DIR with its campaign.txt: many runs of one program
//   instance  one of those runs, in DIR/instance-NNN (NNN its number); its
//             wrapper is the script's _instance, which starts and waits for it
//   task      a task of a Slurm job array; it runs the instance of its number
//   claim     the lock on a directory's .zentara.lock: one writer per directory
//             (the holder is who holds it; see claim_holder.cpp)
//   route     the way to an instance's machine, as its pid file names it
//             (":", "slurm JOB_TASK" or an sshlogin; see campaign_route.hpp)
//   window    the time-seed values an instance reserves in DIR/.seeds before
//             it starts, so that no two seed alike (see seed_window.cpp)
//   sample    one line of an instance's progress.txt
// The campaign script only launches, signals and holds claims; whatever it
// reads or works out, campaign-report answers (campaign_script.hpp).
//
// An instance's own work is told apart from where it started: its deepest board
// is the best consistent board it wrote itself (a file byte for byte equal to the
// seed board it was given is not its own), ranked as board-check --best ranks
// them (core/board_rank.hpp: more pieces placed, then more matched seams).
#pragma once

#include <ctime>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zentara {

// The level figures a status line names: the current level and the best (or
// maximum) level so far, -1 where the line names none. Knows the status lines of
// every solver of the suite ("Level/Score: 240/431, Best: 246/440, ...",
// "Current level: 210, Best level: 231, ...", "Level 238, max. 241, ...",
// "Lev 230, cur 228, max 241, ...", "Variants 5, Max. level 140", ...).
struct StatusLevels {
    int level = -1;
    int best = -1;
    bool any() const { return level >= 0 || best >= 0; }
    int reached() const { return best >= 0 ? best : level; }
};
StatusLevels parseStatusLevels(std::string_view line);

// The program's last status line in its console text: the last line that names a
// level, else the line still open (a status line being rewritten); a banner or a
// start report is no status line. Blanks at either end are dropped.
std::string lastStatusLine(std::string_view consoleText);

// Text made harmless for a terminal: control characters (ESC among them), the C1
// controls and bytes that are not UTF-8 shown as visible escapes (\e, \r, \x9b).
std::string terminalSafe(std::string_view text);

// One line of an instance's progress.txt: seconds since its start, the level its
// status line named (-1 when none), and the pieces placed and matched seams of
// its own deepest board (-1 while it had none).
struct ProgressSample {
    long seconds = 0;
    int level = -1;
    int pieces = -1;
    int seams = -1;
};

struct InstanceReport {
    std::string name;           // "instance-001"
    std::string state;          // "running", "stopped", "ended, exit 1", ...
    bool inCampaign = true;     // false: left from an earlier start with more instances
    long elapsedSeconds = -1;   // running time up to the page or its end; -1 when unknown
    long startTime = -1;        // started.txt's start record, seconds since the epoch; -1 when none
    std::string deepestBoard;   // its own deepest board's file name, empty when none
    std::string figures;        // "244 of 256 pieces placed, 439 of 480 seams matched, consistent"
    int pieces = -1, seams = -1;
    bool deadEnd = false;       // no solution holds that board (rim pieces off the rim)
    std::string startedFrom;    // as the instance recorded it; empty when it reads no board
    int startBoardPieces = -1;  // pieces of the board it started from, when known
    int startPieces = -1;       // those it kept: the level it really started at
    std::string lastStatus;     // the program's last status line
    StatusLevels levels;        // what that line names
    std::vector<ProgressSample> progress;
};

struct CampaignReport {
    std::string directory;
    std::string program;
    std::string started;
    std::string seedBoard;      // as campaign.txt names it
    std::string pieceSet;       // the piece sets the suite was built for, as campaign.txt records them
    int declared = -1;          // instances of the latest start, -1 when campaign.txt does not say
    int seedPieces = -1, seedSeams = -1;  // the seed board copy's figures, when there is one
    bool seedDeadEnd = false;
    int seedKept = -1;          // of those, the pieces the campaign's resuming solver keeps
    std::string seedFigures;
    std::vector<InstanceReport> instances;  // those of the campaign first, by number, then the left-over ones
    int best = -1;              // index of the instance with the best board found, -1 when none
    bool seedIsBest = false;    // the seed board beats (or equals) every board found
};

// Parses progress.txt (tab-separated: time, seconds, board, pieces, seams, status).
std::vector<ProgressSample> parseProgress(const std::string& text, std::string* lastStatus = nullptr);

// Gathers everything from the directory's files. `states` holds lines
// "instance-NNN<TAB>state" from tools/campaign, which knows whether a program
// runs; an instance it does not name gets its state from exit.txt alone, and a
// name without a directory (a Slurm task not started) is listed with its state.
// With `progressOf` set, the whole progress log is read for the instances that
// many best ones (ranked as the report ranks them); for the others only its end.
// An instance's elapsed time runs from its start record to `now` (the page's
// time) while it runs, or to its end (exit.txt written); never less than its
// last sample.
CampaignReport gatherCampaign(const std::string& directory, const std::string& states, int progressOf = 1 << 30,
                              std::time_t now = std::time(nullptr));

// The instances from best to worst: own deepest board (core/board_rank.hpp), then
// the level its status line names, then name.
std::vector<std::size_t> rankInstances(const CampaignReport& report);

// The page shows this many instances in its table and plots at most; the rest are summed up.
inline constexpr int REPORT_TABLE_ROWS = 40;
inline constexpr int REPORT_PLOT_SERIES = 10;

std::string renderCampaignPage(const CampaignReport& report, const std::string& generatedAt);
std::string renderCampaignStatus(const CampaignReport& report);

// One progress sample of the instance directory `dir` (without time and seconds):
// "BOARD<TAB>PIECES<TAB>SEAMS<TAB>STATUS", "-" for each board figure while it has
// no board of its own; the seed copy is DIR/../seed-board.csv.
std::string progressSampleFields(const std::string& dir);

// campaign-report [--states FILE] DIR [OUT.html]: the page; exit 0 when written,
// 1 when the page could not be written, 2 for a usage error or DIR not a campaign.
// campaign-report --status [--states FILE] DIR: the status text on `out`.
// campaign-report --sample INSTANCE_DIR: one progress sample's fields on `out`.
int runCampaignReport(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace zentara
