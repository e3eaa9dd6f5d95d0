// campaign-report's command line: the page, the status text, a progress sample.
#include "campaign/report_parts.hpp"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "core/command_line.hpp"
#include "tools/whole_file.hpp"

namespace zentara {

namespace fs = std::filesystem;

int runCampaignReport(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    static constexpr const char* USAGE =
        "usage: campaign-report [--states FILE] DIR [OUT.html]\n"
        "       campaign-report --status [--states FILE] DIR\n"
        "       campaign-report --sample INSTANCE_DIR\n"
        "Writes one self-contained HTML page about the campaign in DIR (DIR/report.html by\n"
        "default): its instances, the best board drawn, the progress over time. tools/campaign\n"
        "report DIR runs it with the instances' states (--states: lines \"instance-NNN<TAB>state\",\n"
        "- for standard input). --status prints what tools/campaign status shows; --sample the\n"
        "fields of one progress.txt line of an instance.\n"
        "  --help     prints this text\n"
        "  --version  prints the suite's version\n"
        "Exit 0: written; 1: the page could not be written; 2: usage, or DIR is not a campaign.\n";
    const int answered = answerCommandLine(
        argc, argv, {"campaign-report", USAGE, {{"--states", true}, {"--status"}, {"--sample"}}, 1, 2}, out, err);
    if (answered >= 0) return answered;
    std::string statesFile;
    std::vector<std::string> names;
    bool status = false, sample = false, namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (namesOnly) names.emplace_back(arg);
        else if (arg == "--") namesOnly = true;
        else if (arg == "--states") statesFile = argv[++i];  // there is one: checked above
        else if (arg == "--status") status = true;
        else if (arg == "--sample") sample = true;
        else names.emplace_back(arg);
    }
    if (((status || sample) && names.size() != 1) || (status && sample) || (sample && !statesFile.empty()))
        return refuseCommandLine(err, {"campaign-report", USAGE},
                                 "--status and --sample take one DIR, one at a time, without --states");
    const std::string& dir = names[0];
    if (sample) {
        out << progressSampleFields(dir) << '\n';
        return 0;
    }
    std::string text;
    if (!readTail(fs::path(dir) / "campaign.txt", 64 * 1024, text)) {
        err << "campaign-report: " << printableArgument(dir) << " is not a campaign directory (no campaign.txt)\n";
        return EXIT_USAGE;
    }
    std::string states;
    if (statesFile == "-") {
        // A short line per instance; anything past a few megabytes is no list of states.
        states.resize(8 << 20);
        std::cin.read(states.data(), static_cast<std::streamsize>(states.size()));
        states.resize(static_cast<std::size_t>(std::cin.gcount()));
    } else if (!statesFile.empty() && !readTail(statesFile, 8 << 20, states)) {
        err << "campaign-report: cannot read " << printableArgument(statesFile) << '\n';
        return EXIT_USAGE;
    }
    if (status) {
        out << renderCampaignStatus(gatherCampaign(dir, states, 0));
        return 0;
    }
    const std::string outPath = names.size() == 2 ? names[1] : (fs::path(dir) / "report.html").string();

    const std::time_t now = std::time(nullptr);
    const CampaignReport report = gatherCampaign(dir, states, REPORT_PLOT_SERIES, now);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&now));
    std::string reason;
    if (!writeWholeFile(outPath, renderCampaignPage(report, when), reason)) {
        err << "campaign-report: cannot write " << printableArgument(outPath) << ": " << reason << '\n';
        return 1;
    }
    int total = 0;
    for (const InstanceReport& i : report.instances) total += i.inCampaign;
    out << "campaign-report: wrote " << printableArgument(outPath) << " (" << total << (total == 1 ? " instance" : " instances");
    if (report.seedIsBest) {
        out << ", best board the seed board";
    } else if (report.best >= 0) {
        const InstanceReport& b = report.instances[static_cast<std::size_t>(report.best)];
        out << ", best board " << terminalSafe(b.name + "/" + b.deepestBoard);
    }
    out << ")\n";
    return 0;
}

}  // namespace zentara
