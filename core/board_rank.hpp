// The suite's one idea of "best" between boards of one puzzle: more pieces placed,
// then more matched seams. status, the report page, board-check --best and the
// campaigns all rank boards by it.
#pragma once

namespace zentara {

struct BoardRank {
    int piecesPlaced = 0;
    int matchedSeams = 0;
};

constexpr bool isBetter(const BoardRank& a, const BoardRank& b) {
    if (a.piecesPlaced != b.piecesPlaced) return a.piecesPlaced > b.piecesPlaced;
    return a.matchedSeams > b.matchedSeams;
}

}  // namespace zentara
