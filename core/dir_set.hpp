// A working directory belongs to one piece set: its Stat.bin counts seams of that
// set's pieces and its boards place them, and a program of another set would
// take them for its own. The first program that works in a directory records its
// set there in ".zentara.set", one line "16x16 3f9a2c41d07b" (CR LF), next to the
// lock; a program started there with another set is refused and changes nothing.
// A directory that holds the suite's files but no record was written before sets
// were recorded, by a build of the compiled-in set: it belongs to that one.
#pragma once

#include <string>
#include <string_view>

#include "core/puzzle.hpp"

namespace zentara {

inline constexpr const char* SET_RECORD_FILE = ".zentara.set";

// The set the working directory belongs to, "16x16 3f9a2c41d07b", or "" for a
// directory no program of the suite has worked in. False with `error` when the
// record cannot be read or is not one.
bool directorySet(PuzzleKind kind, std::string& set, std::string& error);

// A solver's check at start, before it claims the directory: true when the
// directory belongs to the set this run is on (or to none yet); else prints one
// line naming both sets on standard error.
bool directoryTakesSet(PuzzleKind kind, std::string_view program);

// Once the directory is claimed: records the set where none is recorded yet,
// just before the program's first write, so that a run that ends before it
// writes anything changes nothing. A record that cannot be written is said in one
// line on standard error; the write after it says what became of the file.
void recordSetAtFirstWrite(PuzzleKind kind, std::string_view program);

}  // namespace zentara
