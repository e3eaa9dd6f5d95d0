// Whether the rim pieces of a set can close into a rim at all: a program built
// on a set whose rim never closes starts, prints its banner and then searches for
// ever. The importer asks this before anything else that searches.
//
// Each rim piece is read along the rim in one direction (counterclockwise round
// the board): an edge piece with its border at the bottom from its left side to
// its right side, a corner with its borders at the bottom and on the left from its
// top side to its right side. A closed rim is then a ring of the pieces, a corner
// at the start of each board side, in which every piece ends on the colour the
// next one begins with.
//
// First the quick count: on a closed rim each rim colour ends as many pieces as
// it begins. Then the search for a ring, in steps bounded by a budget so that the
// verdict is the same on every machine; edge pieces that begin and end alike are
// one kind with a count, and a state (where, which colour, what is left) found
// to lead nowhere is not searched again.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/piece_list.hpp"

namespace zentara::puzzle_import {

struct RimPiece {
    ListColour begins = 0, ends = 0;
};

struct RimPieces {
    std::vector<RimPiece> corners;     // four
    std::vector<RimPiece> edges;
    std::array<int, 4> sideEdges{};    // edge pieces between corner s and corner s + 1
};

enum class RimVerdict { Closes, CountsDiffer, NeverCloses, Undecided };

struct RimProof {
    RimVerdict verdict = RimVerdict::Undecided;
    ListColour colour = 0;  // CountsDiffer: the lowest colour that begins and ends unequally
    int begins = 0, ends = 0;
    std::int64_t steps = 0;  // search steps taken
};

// Search steps the importer allows (a minute at most; a ring is found in well under
// a million on sets made from a solution); a set whose ring is not
// found or ruled out within them is refused as one block-solver would not close either.
inline constexpr std::int64_t RIM_SEARCH_STEPS = std::int64_t{1} << 25;
// Progress is told every so many steps.
inline constexpr std::int64_t RIM_PROGRESS_STEPS = std::int64_t{1} << 22;

// The rim pieces of a list (pieces with a border side; none has more than two,
// and a corner's two are adjacent), read along the rim, for a board of `width` x
// `height` cells.
RimPieces rimPiecesOf(const PieceList& list, int width, int height);

// The count, then the search within `steps`; `progress` is called with the steps
// taken every RIM_PROGRESS_STEPS.
RimProof proveRimCloses(const RimPieces& rim, std::int64_t steps,
                        const std::function<void(std::int64_t)>& progress = {});

// The refusal for a proof that is not Closes, one line naming why.
std::string rimRefusal(const RimPieces& rim, const RimProof& proof, std::int64_t steps);

}  // namespace zentara::puzzle_import
