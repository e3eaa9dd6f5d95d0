// From a plain piece list to the tables the programs run on: the one place where
// a user's list is checked. The programs load a list given with --pieces through
// it at start (core/piece_sets.hpp), and make-puzzles imports a list into a data
// header through it.
//
// The import turns the list into the tables' layout (rim pieces of the 16 x 16
// set turned to the table orientation, colours renumbered into the ranges the
// programs work in), derives what the programs take from the set, and refuses,
// with one message naming the piece, line or colour and the rule, every set the
// programs would not take.
//
// Words, one for one idea:
//   set       the pieces of one puzzle size (16 x 16, 6 x 12, 6 x 6)
//   list      a set as plain text, one piece a line, as a user gives it
//   table     a set as the programs hold it, in their numbering
//   planted   the solution a generated set is made from
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/piece_list.hpp"
#include "core/puzzle.hpp"

namespace zentara::puzzle_import {

using SetKind = PuzzleKind;

struct SetShape {
    const char* name;        // "16x16": the word the command line takes
    const char* title;       // "16 x 16"
    const char* arrayName;   // PIECES_16X16
    const char* headerName;  // puzzle_16x16.hpp
    int pieces, corners, edges;
    int rimColours, innerColours;  // at most (small sets) or exactly (16 x 16)
};

const SetShape& shapeOf(SetKind kind);
bool kindOfName(const std::string& name, SetKind& kind);

struct ImportedSet {
    SetKind kind = SetKind::Board16x16;
    std::vector<PieceEntry> table;            // bottom-first, in the programs' colour numbers
    std::vector<int> turned;                  // quarter turns from the list's piece to its table entry
    std::vector<ListColour> listColour;       // the list's colour for each table colour
    std::array<Colour, 23> topFirst{};        // 16 x 16: table colour -> top-first colour
    std::array<Colour, 23> colourOrder{};     // 16 x 16: the block-set solver's working order
    // 16 x 16: the clue pieces in table numbers, the hint first (core/set_clues.hpp),
    // and where the hint stands in the list: its index, and the quarter turns from
    // its line to its table entry.
    std::vector<FixedPlacement> fixed;
    int hintListPiece = HINT_PIECE;
    int hintTurn = 0;
    double balanceRate = 0;  // 16 x 16: balanced block-set assignments per attempt under colourOrder
};

// Told every so many search steps while the rim proof works (it may take seconds
// on a list whose rim hardly closes): the steps taken and the bound.
using ImportProgress = std::function<void(std::int64_t steps, std::int64_t bound)>;

// Imports a list, every check included; false with `error` set when the set is
// refused. The colour order is left at zero: block-solver derives it
// (puzzles/ for a data header, blockset/ at start).
bool importPieceList(SetKind kind, const PieceList& list, ImportedSet& set, std::string& error,
                     const ImportProgress& progress = {});

}  // namespace zentara::puzzle_import
