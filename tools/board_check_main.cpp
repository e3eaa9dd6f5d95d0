// board-check FILE: prints what is right and wrong with a board file.
// Exit 0 for a consistent board, 1 for an inconsistent one, 2 when it cannot be read.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "core/board_check.hpp"
#include "core/board_file.hpp"
#include "core/command_line.hpp"
#include "core/user_file.hpp"

namespace {

constexpr const char* USAGE =
    "usage: board-check [--pieces FILE] [--resume] FILE\n"
    "       board-check --canonical FILE OUT\n"
    "       board-check --best DIR\n"
    "Checks a board file of the 16 x 16, 6 x 12 or 6 x 6 puzzle: pieces placed, matched and\n"
    "mismatched seams, frame faults, pieces used twice, numbers out of range, the hint piece.\n"
    "  --resume     also lists the cells shift-solver and berserker-solver refuse when they\n"
    "               resume from the board, as they read it (they fix two more pieces than\n"
    "               the hint), one line per cell with the reason\n"
    "  --canonical  also writes the board as checked to OUT in the suite's own layout\n"
    "               (the layout every solver reads back cell for cell); a board with\n"
    "               numbers out of range is not written, and an OUT holding another\n"
    "               board is kept (exit 1): only the same board is written over it\n"
    "  --best       prints the path of the best board file in DIR and nothing else: among\n"
    "               Result.csv, Best*.csv and B*-*.csv the consistent board with the most\n"
    "               pieces, then the most matched seams; of equal boards the name first in\n"
    "               byte order. Exit 0: found; 1: none; 2: DIR cannot be read (or holds\n"
    "               more than 4096 board files)\n"
    "  --help       prints this text\n"
    "  --pieces FILE  checks against the pieces of your own plain list FILE\n"
    "  --version    prints the suite's version\n"
    "Exit 0: consistent; 1: inconsistent, or OUT holds another board; 2: FILE cannot be read as a\n"
    "board, or OUT not written, or usage.\n";

using namespace zentara;

void printRefusals(const char* solverName, const BoardCheck& asRead, ResumingSolver solver) {
    const std::vector<ResumeRefusal> refusals = listResumeRefusals(asRead, solver);
    std::printf("cells %s refuses on resuming: %zu\n", solverName, refusals.size());
    // Each line starts with the cell as the solver's own "Read error from FILE, bad
    // block at [ROW,COLUMN]!" names it (counted from 1), so that the two can be matched.
    for (const ResumeRefusal& r : refusals)
        std::printf("  [%d,%d] %s\n", BOARD_16X16.row(r.cell) + 1, BOARD_16X16.column(r.cell) + 1,
                    describeRefusal(r).c_str());
}

// What the two resuming solvers make of the file, read their way.
void reportResume(const char* file, const BoardCheck& check) {
    BoardCheck asRead;
    bool passedOver = false;
    std::string reason;
    if (!readBoardAsResumed(file, asRead, passedOver, reason)) {
        std::printf("resuming: %s\n", printableArgument(reason).c_str());
        return;
    }
    if (passedOver) {
        std::printf("resuming: shift-solver and berserker-solver pass over a file of %d bytes or fewer\n",
                    BEST_MIN_BYTES - 1);
        return;
    }
    if (!(asRead.cells == check.cells))
        std::printf("resuming: the solvers read this file differently: %d pieces placed as they read it\n",
                    asRead.piecesPlaced);
    printRefusals("shift-solver", asRead, ResumingSolver::Shift);
    printRefusals("berserker-solver", asRead, ResumingSolver::Berserker);
}

BoardLayout layoutOf(PuzzleKind kind) {
    switch (kind) {
        case PuzzleKind::Board6x12: return LAYOUT_6X12;
        case PuzzleKind::Board6x6: return LAYOUT_6X6;
        default: return LAYOUT_16X16;
    }
}

enum class Canonical { Written, NotWritten, Refused };

// Why an existing OUT must be kept, or nullptr when it may be written over: only
// an empty file or the same board may be, never a board another solver found
// under that name, nor anything that is no board.
const char* keepExisting(const BoardCheck& check, const char* out) {
    struct stat status {};
    if (::stat(out, &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;  // the writer decides
    if (status.st_size == 0) return nullptr;
    BoardCheck existing;
    std::string reason;
    if (!checkBoardFile(out, existing, reason)) return "it is no board file";
    if (existing.kind != check.kind || !(existing.cells == check.cells)) return "it holds another board";
    return nullptr;
}

// Writes the board as checked to OUT; anything else is said in one line.
Canonical writeCanonical(const BoardCheck& check, const char* out) {
    if (check.outOfRange > 0) {
        std::printf("%s: not written: piece numbers out of range have no place in a board file\n",
                    printableArgument(out).c_str());
        return Canonical::NotWritten;
    }
    if (const char* why = keepExisting(check, out)) {
        std::printf("%s: not replaced: %s; remove it or name another file\n", printableArgument(out).c_str(), why);
        return Canonical::Refused;
    }
    BoardText text;
    formatBoard(check.cells.data(), layoutOf(check.kind), text);
    if (const int error = replaceFile(out, text.view()); error != 0) {
        std::printf("%s: not written: %s\n", printableArgument(out).c_str(), fileErrorText(error));
        return Canonical::NotWritten;
    }
    std::printf("written: %s\n", printableArgument(out).c_str());
    return Canonical::Written;
}

int reportBest(const char* directory) {
    const BestInDirectory best = findBestBoard(directory);
    switch (best.result) {
        case BestSearch::Found: {
            std::string path = directory;
            if (!path.ends_with('/')) path += '/';
            std::printf("%s%s\n", path.c_str(), best.name.c_str());
            return 0;
        }
        case BestSearch::NoneFound:
            std::fprintf(stderr, "%s: no consistent board file in %s (%d with a board file's name)\n",
                         invokedName("board-check").data(), printableArgument(directory).c_str(), best.candidates);
            return 1;
        default:
            std::fprintf(stderr, "%s: %s\n", invokedName("board-check").data(), printableArgument(best.reason).c_str());
            return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zentara;
    CommandSyntax taken{"board-check", USAGE, {{"--resume"}, {"--canonical"}, {"--best"}}, 1, 2};
    taken.pieces = PuzzleKind::Board16x16;
    taken.piecesOfAnySize = true;
    const int answered = answerCommandLine(argc, argv, taken, std::cout, std::cerr);
    if (answered >= 0) return answered;
    bool resume = false, canonical = false, best = false;
    const char* names[2] = {nullptr, nullptr};
    int nameCount = 0;
    bool afterDashes = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!afterDashes && arg == "--") {
            afterDashes = true;
            continue;
        }
        if (!afterDashes && arg == "--pieces") ++i;  // loaded above
        else if (!afterDashes && arg == "--resume") resume = true;
        else if (!afterDashes && arg == "--canonical") canonical = true;
        else if (!afterDashes && arg == "--best") best = true;
        else if (nameCount < 2) names[nameCount++] = argv[i];
    }
    const CommandSyntax syntax{"board-check", USAGE};
    if (int(resume) + int(canonical) + int(best) > 1)
        return refuseCommandLine(std::cerr, syntax, "--resume, --canonical and --best go one at a time");
    if (nameCount != (canonical ? 2 : 1))
        return refuseCommandLine(std::cerr, syntax, canonical ? "--canonical takes FILE and OUT" : "one FILE or DIR, no more");
    if (best) return reportBest(names[0]);
    const char* file = names[0];
    BoardCheck check;
    std::string reason;
    // Names and file contents reach a terminal shown, never as escape sequences.
    const std::string shown = printableArgument(file);
    if (!checkBoardFile(file, check, reason)) {
        std::printf("%s: unreadable: %s\n", shown.c_str(), printableArgument(reason).c_str());
        return 2;
    }
    std::fputs(formatCheckReport(shown.c_str(), check).c_str(), stdout);
    if (resume && check.kind == PuzzleKind::Board16x16) reportResume(file, check);
    if (canonical) {
        const Canonical written = writeCanonical(check, names[1]);
        if (written == Canonical::Refused) return 1;
        if (written == Canonical::NotWritten && check.outOfRange == 0) return 2;
    }
    return check.consistent() ? 0 : 1;
}
