// --pieces FILE: the user's plain piece list (core/piece_list.hpp), loaded and
// checked at start by the import every list goes through (core/set_import.hpp),
// into the set the programs run on (core/pieces.hpp).
#pragma once

#include <string>
#include <string_view>

#include "core/pieces.hpp"
#include "core/set_import.hpp"

namespace zentara {

// Reads and checks the list at `path` for a puzzle of `kind` into `set`; false
// with `error` one line naming the file, its line and what is wrong. The 16 x 16
// colour order is known only for a list of a compiled-in set (block-solver
// measures it otherwise).
bool loadPieceSet(PuzzleKind kind, const char* path, PieceSet& set, std::string& error,
                  const puzzle_import::ImportProgress& progress = {});

// A program's --pieces option: loads the list and runs on it, or prints
// "PROGRAM: REFUSAL" on standard error and returns false. `program` is the name
// the rim proof's progress lines start with, when it takes long enough to tell.
// With `anySize` (the board tools, which read boards of every size) the list's
// own number of pieces says which puzzle it is for, `kind` the one a list of
// another number is refused for; the puzzle loaded is put in `loaded`.
bool runOnPieceList(PuzzleKind kind, const char* path, std::string_view program, bool anySize = false,
                    PuzzleKind* loaded = nullptr);

}  // namespace zentara
