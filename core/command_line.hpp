// Every program's command line: --help prints the usage and succeeds, --version
// prints "NAME (Zentara) VERSION" and succeeds, and anything the program does not
// take is refused with one line naming it, then the usage, exit code 2. All of it
// is answered before the program writes, claims or changes anything.
#pragma once

#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "core/puzzle.hpp"

namespace zentara {

inline constexpr int EXIT_USAGE = 2;

// An option a program takes besides --help and --version.
struct CommandOption {
    std::string_view name;
    bool takesValue = false;  // the next argument is its value, whatever it looks like
};

// What a program takes: its options, and how many names (files, directories)
// may stand beside them. "-" and every argument after "--" are names.
struct CommandSyntax {
    std::string_view program;
    std::string_view usage;
    std::initializer_list<CommandOption> options = {};
    int minNames = 0;
    int maxNames = 0;
    // A program that runs on a piece set takes --pieces FILE, a list of this
    // puzzle's size: loaded and checked here (a refusal names the file and line,
    // EXIT_USAGE), and named by its fingerprint on --version.
    std::optional<PuzzleKind> pieces = std::nullopt;
    // A board tool's --pieces takes a list of any of the three sizes.
    bool piecesOfAnySize = false;
};

// Returns the exit code when the command line has been answered here (0 after
// --help or --version, EXIT_USAGE after a refusal), or -1 when the program goes on.
int answerCommandLine(int argc, const char* const* argv, const CommandSyntax& syntax, std::ostream& out,
                      std::ostream& err);

// A solver takes no arguments but --pieces FILE: answers --help and --version,
// refuses the rest.
int answerSolverCommandLine(int argc, const char* const* argv, std::string_view program, std::string_view usage,
                            PuzzleKind kind = PuzzleKind::Board16x16);

// A solver's first step: answers its command line, claims the working directory
// (see core/dir_claim.hpp) and removes the temporaries a killed run left there.
// Returns the exit code when the program ends here (1: the directory is held or
// cannot be claimed), else -1.
int enterSolver(int argc, const char* const* argv, std::string_view program, std::string_view usage,
                PuzzleKind kind = PuzzleKind::Board16x16);

// The name the program was started under: the last part of argv[0], so that the
// installed zentara-score-solver says so in its usage line and messages. It is
// `program` until answerCommandLine has seen the command line (or when argv[0]
// is empty). --version names the program itself, whatever it was started as.
std::string_view invokedName(std::string_view program);

// `usage` with the program's name at the start of each usage line ("usage: NAME",
// and "       NAME" below it) replaced by `invoked`.
std::string usageAsInvoked(std::string_view usage, std::string_view program, std::string_view invoked);

// Prints "NAME: REASON" and the usage on `err`, NAME as invoked; returns EXIT_USAGE.
int refuseCommandLine(std::ostream& err, const CommandSyntax& syntax, std::string_view reason);

// An argument as it may be shown on a terminal: control characters (C0, DEL and
// C1) as \xNN, so that a crafted argument cannot drive the terminal.
std::string printableArgument(std::string_view argument);

}  // namespace zentara
