// The fields the campaign script reads from a campaign directory's own files
// ("KEY: VALUE" lines of campaign.txt and stop.requested), read here rather than
// in shell: a campaign directory may be shared and written by others, and a FIFO,
// a huge file or a line of terminal escapes put there must reach neither the
// script nor the terminal.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace zentara {

// At most `limit` bytes from the start of a regular file (links followed); false
// for anything else, and at once for a FIFO or a device.
bool readCampaignFile(const std::string& path, std::size_t limit, std::string& text);

// The value of the first line "KEY: VALUE" of `text`; false when no line is one.
bool fieldOf(std::string_view text, std::string_view key, std::string& value);

// campaign-report --field KEY FILE: the value of FILE's first "KEY: VALUE" line on
// `out`, each control character shown as '?'; exit 0 when FILE holds the field,
// 1 when it does not or is no regular file, 2 for a usage error.
int runCampaignField(int argc, const char* const* argv, std::ostream& out);

}  // namespace zentara
