// The identity of an imported piece set: a short fingerprint of what the programs
// are built from (the pieces in the programs' numbering and orientation, and the
// clues), not of how the list spelled it. Colours renamed, 16 x 16 rim pieces
// turned or the sides listed in another order give the same fingerprint; another
// piece, another numbering or another clue gives another.
#pragma once

#include <span>
#include <string>

#include "core/set_import.hpp"

namespace zentara::puzzle_import {

// Twelve lower-case hex digits.
std::string setFingerprint(const ImportedSet& set);
std::string setFingerprint(SetKind kind, std::span<const PieceEntry> table, std::span<const FixedPlacement> clues,
                           int hintListPiece, int hintTurn);

}  // namespace zentara::puzzle_import
