// The campaign script's texts and checks of what it is handed: names shown
// harmlessly, numbers checked as text (never evaluated), an instance's call.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "campaign/campaign_script.hpp"

namespace zentara {
namespace {

bool isC0(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool holdsControls(std::string_view text) { return shownText(text) != text; }

}  // namespace

std::string shownText(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            s += '?';  // a C1 control as UTF-8 encodes it, one '?' for both bytes
            ++i;
        } else {
            s += isC0(c) ? '?' : static_cast<char>(c);
        }
    }
    return s;
}

std::string instanceName(long k) {
    char name[32];
    std::snprintf(name, sizeof name, "instance-%03ld", k);
    return name;
}

std::string staggerProblem(std::string_view ms) {
    static const std::regex number("^[1-9][0-9]{0,2}$");
    const std::string text(ms);
    if (std::regex_match(text, number) && std::stoi(text) <= 500) return {};
    return "must be a whole number of milliseconds from 1 to 500, not '" + shownText(ms) + "'";
}

std::string instanceRefusal(const InstanceCall& call) {
    static const std::regex number("^(0|[1-9][0-9]{0,6})$"), slurmRoute("^slurm [0-9]+_[0-9]+$"),
        seconds("^[1-9][0-9]{0,4}$");
    const std::string progress(call.progressSeconds);
    // The last problem found is the one named.
    std::string refusal;
    if (!std::regex_match(std::string(call.k), number))
        refusal = "instance number must be 0 to 9999999, not '" + shownText(call.k) + "'";
    if (call.route != "parallel" && !std::regex_match(std::string(call.route), slurmRoute))
        refusal = "unknown route '" + shownText(call.route) + "'";
    // What goes into the pid file: one line, nothing a terminal would obey.
    if (call.route == "parallel" && holdsControls(call.sshlogin))
        refusal = "GNU parallel's sshlogin holds control characters: " + shownText(call.sshlogin);
    if (holdsControls(call.host))
        refusal = "this machine's name holds control characters: " + shownText(call.host);
    if (const std::string problem = staggerProblem(call.stagger); !problem.empty())
        refusal = "ZENTARA_STAGGER_MS: " + problem;
    if (!progress.empty() && (!std::regex_match(progress, seconds) || std::stol(progress) > 86400))
        refusal = "ZENTARA_PROGRESS_SECONDS must be a whole number of seconds from 1 to 86400";
    return refusal;
}

bool resolveProgram(const std::string& name, const std::string& binDir, std::string& path) {
    path.clear();
    if (name.find('/') != std::string::npos) {
        char resolved[PATH_MAX];
        if (::realpath(name.c_str(), resolved)) path = resolved;
    } else {
        path = binDir + "/" + name;
        struct stat info {};
        // The names on PATH (zentara-score-solver) stand for the programs beside the campaign.
        if (name.starts_with("zentara-") && ::stat(path.c_str(), &info) != 0)
            path = binDir + "/" + name.substr(8);
    }
    struct stat info {};
    if (!path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0)
        return true;
    path = name.find('/') != std::string::npos
               ? shownText(name) + " is not an executable program"
               : "no program " + shownText(name) + " in " + binDir + " (build the suite first, or give a path)";
    return false;
}

std::string dirArgsProblem(std::string_view command, std::size_t mostNames, const std::vector<std::string_view>& args) {
    const std::string c(command);
    std::string names;
    std::size_t count = 0;
    bool namesOnly = false;
    for (const std::string_view arg : args) {
        if (!namesOnly && arg == "--") {
            namesOnly = true;
        } else if (!namesOnly && arg.starts_with('-')) {
            return c + ": unknown option '" + shownText(arg) + "'";
        } else {
            names += (count++ ? " " : "") + std::string(arg);
        }
    }
    if (count == 0) return c + ": DIR is needed";
    if (count > mostNames) return c + ": too many names: " + shownText(names);
    return {};
}

}  // namespace zentara
