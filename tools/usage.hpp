// The tools' command lines: --help prints the usage and succeeds; an option the
// tool does not know prints it as an error, exit code 2.
#pragma once

#include <initializer_list>
#include <ostream>
#include <string_view>

namespace zentara {

inline constexpr int EXIT_USAGE = 2;

// Returns 0 after --help (usage on `out`), EXIT_USAGE after an unknown option
// (usage on `err`), and -1 when the arguments hold neither. "-" and arguments
// after "--" are names, not options.
inline int answerHelpOrUnknownOption(int argc, const char* const* argv, std::initializer_list<std::string_view> known,
                                     std::string_view usage, std::ostream& out, std::ostream& err) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            out << usage;
            return 0;
        }
        if (arg.size() < 2 || arg[0] != '-') continue;
        bool isKnown = false;
        for (std::string_view k : known) isKnown |= arg == k;
        if (!isKnown) {
            err << usage;
            return EXIT_USAGE;
        }
    }
    return -1;
}

}  // namespace zentara
