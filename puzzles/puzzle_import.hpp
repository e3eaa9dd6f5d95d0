// From a plain piece list to the data header the programs are built from, and
// back: the importer behind the ZENTARA_PIECES_* configure options, and the texts
// of the data headers that make-puzzles writes for our own sets.
//
// The checks and the tables themselves are core's (core/set_import.hpp), shared
// with the programs that load a list at start; here are the header texts and the
// measurement of block-solver's colour order.
//
// Words as in core/set_import.hpp.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/set_import.hpp"

namespace zentara::puzzle_import {

// The balance rate measured on our 16 x 16 set under its committed colour order.
inline constexpr double BUILT_IN_BALANCE_RATE = 1.0 / 41;

// Imports a list (core/set_import.hpp) and, for the 16 x 16 set, measures its
// block-set colour order (a few seconds) unless `measure` is false.
bool importMeasured(SetKind kind, const PieceList& list, ImportedSet& set, std::string& error, bool measure = true);

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
