// From a plain piece list to the data header the programs are built from, and
// back: the importer behind the ZENTARA_PIECES_* configure options, and the texts
// of the data headers that make-puzzles writes for our own sets.
//
// The importer turns the list into the tables' layout (rim pieces of the 16 x 16
// set turned to the table orientation, colours renumbered into the ranges the
// programs work in), derives what the programs take from the set, and refuses,
// with one message naming the piece, line or colour and the rule, every set the
// build's own checks (core/table_checks.cpp) or the programs would not take.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/piece_list.hpp"
#include "core/puzzle.hpp"

namespace zentara::puzzle_import {

enum class SetKind { Board16x16, Board6x12, Board6x6 };

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
    // 16 x 16: the clue pieces in table numbers, the hint first (tools/puzzle_clues.hpp),
    // and where the hint stands in the list: its index, and the quarter turns from
    // its line to its table entry.
    std::vector<FixedPlacement> fixed;
    int hintListPiece = HINT_PIECE;
    int hintTurn = 0;
    double balanceRate = 0;  // 16 x 16: balanced block-set assignments per attempt under colourOrder
};

// The balance rate measured on our 16 x 16 set under its committed colour order.
inline constexpr double BUILT_IN_BALANCE_RATE = 1.0 / 41;

// Imports a list; false with `error` set when the set is refused. For the 16 x 16
// set this measures the block-set colour order (a few seconds) unless `measure`
// is false (the order then left at zero, for a caller that needs no header).
bool importPieceList(SetKind kind, const PieceList& list, ImportedSet& set, std::string& error, bool measure = true);

// The block-set colour order measured for the table of a 16 x 16 set, into its
// `colourOrder`; false when under no order tried an inner assignment balanced.
// `rate`: balanced attempts per attempt; `rimDrawn`: whether the rim assignment
// closed a rim to measure on at all.
bool measureColourOrder(ImportedSet& set, double& rate, bool* rimDrawn = nullptr);

// The data header text for a set, as make-puzzles writes it, and its colour order part.
std::string headerText(const ImportedSet& set);
std::string colourOrderText(const std::array<Colour, 23>& order);

// Reads the tables of a data header back (to write its set as a list, or to
// measure its colour order); its colours are taken as they stand.
bool parseHeader(SetKind kind, const std::string& text, ImportedSet& set, std::string& error);

// The plain list of a set: every piece top-first in its table orientation, the
// 16 x 16 set with its top-first colour line, so that importing it gives the
// same header back.
std::string plainListText(const ImportedSet& set);

}  // namespace zentara::puzzle_import
