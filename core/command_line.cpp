#include "core/command_line.hpp"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "core/dir_claim.hpp"
#include "core/dir_set.hpp"
#include "core/set_loader.hpp"
#include "core/user_file.hpp"
#include "core/version.hpp"

namespace zentara {

std::string printableArgument(std::string_view argument) {
    std::string shown;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        const auto byte = static_cast<unsigned char>(argument[i]);
        // C1 controls in UTF-8 are the pairs 0xC2 0x80..0x9F.
        const bool c1 = byte == 0xC2 && i + 1 < argument.size() &&
                        (static_cast<unsigned char>(argument[i + 1]) & 0xE0) == 0x80;
        if (byte >= 0x20 && byte != 0x7F && !c1) {
            shown += static_cast<char>(byte);
            continue;
        }
        for (std::size_t end = c1 ? i + 1 : i; i <= end; ++i) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(argument[i]));
            shown += hex;
        }
        --i;
    }
    return shown;
}

namespace {
std::string invoked;  // set once, from argv[0], before anything else runs
}

std::string_view invokedName(std::string_view program) {
    return invoked.empty() ? program : std::string_view(invoked);
}

std::string usageAsInvoked(std::string_view usage, std::string_view program, std::string_view invoked) {
    std::string shown;
    std::size_t start = 0;
    while (start < usage.size()) {
        std::size_t end = usage.find('\n', start);
        end = end == std::string_view::npos ? usage.size() : end + 1;
        std::string_view line = usage.substr(start, end - start);
        for (const std::string_view lead : {std::string_view("usage: "), std::string_view("       ")}) {
            const std::string_view rest = line.substr(std::min(lead.size(), line.size()));
            if (line.starts_with(lead) && rest.starts_with(program) &&
                (rest.size() == program.size() || rest[program.size()] == ' ' || rest[program.size()] == '\n')) {
                shown.append(lead).append(invoked);
                line = rest.substr(program.size());
                break;
            }
        }
        shown.append(line);
        start = end;
    }
    return shown;
}

int refuseCommandLine(std::ostream& err, const CommandSyntax& syntax, std::string_view reason) {
    const std::string_view name = invokedName(syntax.program);
    err << name << ": " << reason << '\n' << usageAsInvoked(syntax.usage, syntax.program, name);
    return EXIT_USAGE;
}

int answerCommandLine(int argc, const char* const* argv, const CommandSyntax& syntax, std::ostream& out,
                      std::ostream& err) {
    if (argc > 0 && argv[0] != nullptr) {
        const std::string_view path = argv[0];
        invoked = path.substr(path.find_last_of('/') + 1);  // npos + 1: the whole of it
    }
    std::string refusal;  // the first fault; --help or --version later on still answers
    const auto refuse = [&](std::string_view what, std::string_view argument) {
        if (refusal.empty()) refusal = std::string(what) + " '" + printableArgument(argument) + "'";
    };
    int names = 0;
    bool namesOnly = false;
    bool version = false;
    const char* piecesPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool option = !namesOnly && arg.size() >= 2 && arg[0] == '-';
        if (!namesOnly && arg == "--") {
            namesOnly = true;
        } else if (option && (arg == "--help" || arg == "-h")) {
            out << usageAsInvoked(syntax.usage, syntax.program, invokedName(syntax.program));
            return 0;
        } else if (option && arg == "--version") {
            version = true;
        } else if (option && syntax.pieces && arg == "--pieces") {
            if (i + 1 >= argc) refuse("no value after", arg);
            else if (piecesPath != nullptr) refuse("a second", arg);
            else piecesPath = argv[++i];
        } else if (option) {
            const CommandOption* known = nullptr;
            for (const CommandOption& o : syntax.options)
                if (o.name == arg) known = &o;
            if (known == nullptr) refuse("unknown argument", arg);
            else if (known->takesValue && i + 1 >= argc) refuse("no value after", arg);
            else if (known->takesValue) ++i;
        } else if (++names > syntax.maxNames) {
            refuse(syntax.maxNames == 0 ? "unknown argument" : "one argument too many:", arg);
        }
    }
    if (!version) {
        if (refusal.empty() && names < syntax.minNames) refusal = "missing arguments";
        if (!refusal.empty()) return refuseCommandLine(err, syntax, refusal);
    }
    // The list before anything else happens: a refused one ends the program here.
    PuzzleKind loaded = syntax.pieces.value_or(PuzzleKind::Board16x16);
    if (piecesPath != nullptr &&
        !runOnPieceList(loaded, piecesPath, invokedName(syntax.program), syntax.piecesOfAnySize, &loaded))
        return EXIT_USAGE;
    if (version) {
        printVersion(out, syntax.program);
        if (piecesPath != nullptr)
            out << "pieces: " << printableArgument(piecesPath) << ", piece set " << runSetName(loaded) << '\n';
        return 0;
    }
    return -1;
}

int answerSolverCommandLine(int argc, const char* const* argv, std::string_view program, std::string_view usage,
                            PuzzleKind kind) {
    CommandSyntax syntax{program, usage};
    syntax.pieces = kind;
    return answerCommandLine(argc, argv, syntax, std::cout, std::cerr);
}

int enterSolver(int argc, const char* const* argv, std::string_view program, std::string_view usage, PuzzleKind kind) {
    const int answered = answerSolverCommandLine(argc, argv, program, usage, kind);
    if (answered >= 0) return answered;
    if (!directoryTakesSet(kind, program) || !claimWorkingDirectory(program)) return 1;
    // Only once the directory is ours: a second run refused above must not take
    // the running one's temporaries for what a killed run left.
    removeStaleTemporaries(".");
    recordSetAtFirstWrite(kind, program);
    return -1;
}

}  // namespace zentara
