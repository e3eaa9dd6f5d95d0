#include "tools/stat_merge.hpp"

#include <climits>
#include <cstring>
#include <memory>

#include "frequency/frequency_solver.hpp"
#include "core/command_line.hpp"
#include "tools/whole_file.hpp"

namespace zentara {

bool loadStatFile(const std::string& path, StatTable& table, std::string& reason) {
    table.assign(STAT_COUNTERS, 0);
    const StatLoad load = zentara::loadStatFile(path.c_str(), table.data());
    if (load.usable()) return true;
    char text[200];
    describeStatLoad(load, text, sizeof text);
    reason = text;
    return false;
}

std::string statBytes(const StatTable& table) {
    return std::string(reinterpret_cast<const char*>(table.data()), STAT_FILE_BYTES);
}

int runStatMerge(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    static constexpr const char* USAGE =
        "usage: stat-merge [--pieces FILE] OUT IN...\n"
        "Adds the neighbour statistics of several Stat.bin files into OUT, for frequency-solver;\n"
        "counts stop at 10,000,000. An input frequency-solver would refuse is refused, and so\n"
        "is a sum it would refuse; nothing is written then. Exit 0: OUT written; 1: refused or\n"
        "not written; 2: usage.\n"
        "  --help     prints this text\n"
        "  --pieces FILE  merges statistics of your own plain list FILE\n"
        "  --version  prints the suite's version\n";
    CommandSyntax taken{"stat-merge", USAGE, {}, 2, INT_MAX};
    taken.pieces = PuzzleKind::Board16x16;
    const int answered = answerCommandLine(argc, argv, taken, out, err);
    if (answered >= 0) return answered;
    std::vector<std::string> inputs;
    bool namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (!namesOnly && std::string_view(argv[i]) == "--") namesOnly = true;
        else if (!namesOnly && std::string_view(argv[i]) == "--pieces") ++i;  // loaded above
        else inputs.emplace_back(argv[i]);
    }
    const std::string outPath = inputs.front();
    inputs.erase(inputs.begin());
    // OUT replaces its file whole, so naming an input as OUT would modify that input;
    // and one file given twice would count its boards twice.
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        if (sameFile(outPath, inputs[k])) {
            err << invokedName("stat-merge") << ": " << printableArgument(inputs[k]) << ": refused: it is also OUT, and inputs are never modified\n";
            return 1;
        }
        for (std::size_t m = 0; m < k; ++m) {
            if (sameFile(inputs[m], inputs[k])) {
                err << invokedName("stat-merge") << ": " << printableArgument(inputs[k]) << ": refused: the same file as " << printableArgument(inputs[m])
                    << ", its counts would be added twice\n";
                return 1;
            }
        }
    }

    // Every input must be one frequency-solver would run on: a file it refuses
    // (all zeros, say) is damaged or not a statistics file, and a sum would hide it.
    auto scratch = std::make_unique<frequency::FrequencyEngine>();
    StatTable total(STAT_COUNTERS, 0), table;
    std::string reason;
    int atLimit = 0;
    for (const std::string& input : inputs) {
        if (!loadStatFile(input, table, reason)) {
            err << invokedName("stat-merge") << ": " << printableArgument(input) << ": " << reason << '\n';
            return 1;
        }
        if (const char* refusal = frequency::statisticsRefusal(*scratch, table.data())) {
            err << invokedName("stat-merge") << ": " << printableArgument(input) << ": frequency-solver refuses it: " << refusal << '\n';
            return 1;
        }
        atLimit = addStatCounts(total.data(), table.data());
    }
    // More pairs in the sum may make lists that overflow frequency-solver's pool.
    if (const char* refusal = frequency::statisticsRefusal(*scratch, total.data())) {
        err << invokedName("stat-merge") << ": " << printableArgument(outPath) << " not written: frequency-solver would refuse the sum: " << refusal << '\n';
        return 1;
    }

    if (!writeWholeFile(outPath, statBytes(total), reason)) {
        err << invokedName("stat-merge") << ": cannot write " << printableArgument(outPath) << ": " << reason << '\n';
        return 1;
    }
    out << invokedName("stat-merge") << ": wrote " << printableArgument(outPath) << " from " << inputs.size() << (inputs.size() == 1 ? " file" : " files");
    if (atLimit > 0) out << ", " << atLimit << " counts stopped at " << STAT_COUNT_LIMIT;
    out << '\n';
    return 0;
}

}  // namespace zentara
