// The clue pieces of an imported set: the "fixed PIECE CELL ROTATION" lines of a
// plain list, checked against the set and turned into the programs' numbering.
//
// Every 16 x 16 program fixes the hint at table index HINT_PIECE on HINT_CELL in
// HINT_ROTATION. Any inner piece of the list may be the hint: the table holds it
// at HINT_PIECE, turned so that HINT_ROTATION shows it in the declared rotation,
// and the piece it displaced at the hint's own list index. Files and screens keep
// the list's numbers and rotations (core/pieces.hpp maps them). A list without
// fixed lines keeps the rule of our set: line 139 is the hint, in rotation 2 as
// listed, and no further piece is fixed.
#pragma once

#include <string>
#include <vector>

#include "core/piece_list.hpp"
#include "core/set_import.hpp"

namespace zentara::puzzle_import {

// Checks the list's fixed lines against the set's table (built from the list,
// rim pieces in their table orientation) and applies them: the hint exchanged
// into HINT_PIECE and turned, `fixed`, `hintListPiece` and `hintTurn` set. False
// with `error` naming the line for a clue that cannot be met.
bool applyClues(const PieceList& list, ImportedSet& set, std::string& error);

// The clues as a list declares them (list numbers and rotations), the hint first.
std::vector<FixedLine> clueLines(const ImportedSet& set);

// The clue part of a 16 x 16 data header.
std::string clueHeaderText(const ImportedSet& set);

// Reads the clue part back from the numbers of a header's FIXED_PIECES (index,
// cell, rotation triples) and HINT_IN_LIST (list number, turn) arrays; false
// when they do not describe the hint first and clues on distinct cells.
bool cluesFromHeader(const std::vector<int>& fixedNumbers, const std::vector<int>& hintNumbers, ImportedSet& set);

}  // namespace zentara::puzzle_import
