// What Slurm answers about a campaign's job, as scontrol and squeue print it.
// The script runs them (it may not be given the job, and a campaign directory's
// campaign.txt names a job anybody could have written there); this reads them.
#include <sys/stat.h>

#include <cctype>
#include <regex>

#include "campaign/campaign_script.hpp"
#include "tools/whole_file.hpp"

namespace zentara {
namespace {

// The value of the first line "   KEY=VALUE" (blanks before KEY), empty when none.
std::string firstValue(std::string_view text, std::string_view key) {
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        std::string_view line = text.substr(from, end - from);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        if (line.starts_with(key) && line.substr(key.size()).starts_with("=")) return std::string(line.substr(key.size() + 1));
        from = end + 1;
    }
    return {};
}

}  // namespace

bool slurmJobGivenDir(std::string_view scontrolOutput, const std::string& dir) {
    const std::string command = firstValue(scontrolOutput, "Command"), workDir = firstValue(scontrolOutput, "WorkDir");
    // "Command=SCRIPT PROGRAM DIR": DIR is the end after some blank (it may hold blanks itself).
    for (std::size_t blank = command.find(' '); blank != std::string::npos; blank = command.find(' ', blank + 1)) {
        const std::string rest = command.substr(blank + 1);
        if (rest.starts_with('/') ? sameFile(rest, dir) : !workDir.empty() && sameFile(workDir + "/" + rest, dir))
            return true;
    }
    return false;
}

std::string slurmTasksWaiting(std::string_view squeueOutput, const std::string& dir) {
    static const std::regex line("^[ \t]*([0-9]{1,7})[ \t]+([A-Z_]+)[ \t]*$");
    std::string s;
    for (std::size_t from = 0; from < squeueOutput.size();) {
        const std::size_t end = std::min(squeueOutput.find('\n', from), squeueOutput.size());
        const std::string text(squeueOutput.substr(from, end - from));
        from = end + 1;
        std::smatch m;
        if (!std::regex_match(text, m, line)) continue;
        const std::string name = instanceName(std::stol(m[1]));
        struct stat info {};
        if (::stat((dir + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
        std::string state = m[2];
        for (char& c : state) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        s += name + "\t" + state + "\n";
    }
    return s;
}

}  // namespace zentara
