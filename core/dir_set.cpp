#include "core/dir_set.hpp"

#include <dirent.h>

#include <cstdio>
#include <cstring>

#include "core/command_line.hpp"
#include "core/pieces.hpp"
#include "core/user_file.hpp"

namespace zentara {

namespace {

// What the suite's programs write into their directory: a directory that holds
// one of them has been worked in.
bool holdsSuiteFiles() {
    DIR* dir = opendir(".");
    if (dir == nullptr) return false;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        const std::size_t n = std::strlen(name);
        const bool csv = n > 4 && std::strcmp(name + n - 4, ".csv") == 0;
        // Best%03d.csv, B%03d-%03d.csv and Blocks.csv all start with B.
        if (std::strcmp(name, "Stat.bin") == 0 ||
            (csv && (name[0] == 'B' || std::strcmp(name, "Result.csv") == 0 || std::strncmp(name, "Set", 3) == 0))) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

// The record's line; `present` false where there is no record.
bool readRecord(std::string& line, bool& present, std::string& error) {
    char text[64];
    const FileRead read = readUserFile(SET_RECORD_FILE, text, sizeof text);
    present = !read.missing();
    line.clear();
    if (!present) return true;
    std::string_view shown(text, read.size);
    if (shown.ends_with("\r\n")) shown.remove_suffix(2);
    if (!read.ok() || read.longer || shown.empty() ||
        shown.find_first_not_of("0123456789abcdefx ") != std::string_view::npos) {
        error = std::string(SET_RECORD_FILE) + " " +
                (read.ok() ? "does not name a piece set" : std::string("cannot be read: ") + fileErrorText(read.error));
        return false;
    }
    line = std::string(shown);
    return true;
}

}  // namespace

bool directorySet(PuzzleKind kind, std::string& set, std::string& error) {
    bool present = false;
    if (!readRecord(set, present, error)) return false;
    if (!present && holdsSuiteFiles()) set = setName(builtInSet(kind));
    return true;
}

bool directoryTakesSet(PuzzleKind kind, std::string_view program) {
    std::string set, error;
    const std::string name(invokedName(program));
    if (!directorySet(kind, set, error)) {
        std::fprintf(stderr, "%s: %s; nothing changed\n", name.c_str(), error.c_str());
        return false;
    }
    const std::string ours = runSetName(kind);
    // A record of another puzzle's set concerns that puzzle's files only.
    if (set.empty() || set == ours || set.substr(0, set.find(' ')) != ours.substr(0, ours.find(' '))) return true;
    std::fprintf(stderr,
                 "%s: this directory belongs to piece set %s, this run's is %s: give the run a directory of its "
                 "own; nothing changed\n",
                 name.c_str(), set.c_str(), ours.c_str());
    return false;
}

namespace {
PuzzleKind recordKind = PuzzleKind::Board16x16;
std::string recordProgram;

void recordDirectorySet() {
    std::string line, error;
    bool present = false;
    if (readRecord(line, present, error) && present) return;  // checked before the claim
    const int failed = replaceFile(SET_RECORD_FILE, runSetName(recordKind) + "\r\n");
    if (failed != 0)
        std::fprintf(stderr, "%s: cannot record the piece set in %s: %s\n", recordProgram.c_str(), SET_RECORD_FILE,
                     fileErrorText(failed));
}
}  // namespace

void recordSetAtFirstWrite(PuzzleKind kind, std::string_view program) {
    recordKind = kind;
    recordProgram = std::string(invokedName(program));
    beforeFirstReplacement(recordDirectorySet);
}

}  // namespace zentara
