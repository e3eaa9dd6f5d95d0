// The suite's one idea of "best" between boards of one puzzle: a board that a
// solution could still hold before one that none can (rim pieces off the rim),
// then more pieces placed, then more matched seams. status, the report page,
// board-check --best and the campaigns all rank boards by it.
#pragma once

namespace zentara {

struct BoardRank {
    int piecesPlaced = 0;
    int matchedSeams = 0;
    bool deadEnd = false;  // no solution holds the board
};

// Below every board: where a search for the best starts.
inline constexpr BoardRank NO_BOARD_RANK{-1, -1, true};

constexpr bool isBetter(const BoardRank& a, const BoardRank& b) {
    if (a.deadEnd != b.deadEnd) return b.deadEnd;
    if (a.piecesPlaced != b.piecesPlaced) return a.piecesPlaced > b.piecesPlaced;
    return a.matchedSeams > b.matchedSeams;
}

}  // namespace zentara
