// What the files of the campaign report share, beside its public interface
// (campaign_report.hpp): bounded reads of a campaign's files, the figures of a
// board, the texts the page and the status tell alike, and the plots.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "campaign/campaign_report.hpp"
#include "core/board_check.hpp"

namespace zentara {

// The last `limit` bytes of a regular file, from a whole line on; false for
// anything else (a FIFO, device or directory is never opened for reading).
bool readTail(const std::filesystem::path& path, std::size_t limit, std::string& text);
// A whole small file (a board), or false when it is no regular file or longer than `limit`.
bool readSmall(const std::filesystem::path& path, std::size_t limit, std::string& text);

// "244 of 256 pieces placed, 439 of 480 seams matched, consistent"
std::string figuresOf(const BoardCheck& check);
// `s` without blanks at either end.
std::string trimmed(std::string_view s);
// "42 s", "17 min", "3 h 05 min", "2 d 4 h"; empty for a negative count.
std::string duration(long seconds);
// The seed board as campaign.txt names it, less the name of its copy.
std::string seedName(const CampaignReport& report);
// What a resuming solver kept of the board it started from, as a clause; empty when unknown.
std::string keptClause(const InstanceReport& i);

// One line of a plot: an instance's values against the seconds since it started.
struct Series {
    const InstanceReport* instance;
    std::vector<std::pair<double, int>> points;  // seconds, value
};
std::string renderPlot(const std::vector<Series>& all, const char* cssClass, const char* title);

}  // namespace zentara
