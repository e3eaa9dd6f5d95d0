#include "path/path_cells.hpp"

namespace zentara::path {

void clearPlacements(PathCells& cells) {
    cells.placement.fill(NO_PLACEMENT);
    cells.placement[HINT_CELL] = HINT_LIST;
}

void setUpPath(PathCells& cells, int pathMode) {
    const PathOrder& order = PATH_ORDERS[normalisedPathMode(pathMode)];
    const PathPlan& plan = PATH_PLANS[normalisedPathMode(pathMode)];
    fillOrientedSides();
    cells.pathMode = normalisedPathMode(pathMode);
    cells.startCell = order[0];
    static_assert(BORDER_COLOUR == 0, "the word after the cells reads as colour 0");
    cells.sides.fill(0);
    clearPlacements(cells);
    cells.sides[HINT_CELL] = ORIENTED_SIDE_WORDS[HINT_ORIENTED];

    cells.cellClass.fill(0);
    cells.cellClass[HINT_CELL] = HINT_CLASS;
    cells.next[HINT_CELL] = cells.previous[HINT_CELL] = HINT_CELL;
    cells.classBase[HINT_CELL] = 0;
    cells.knownCount[HINT_CELL] = 0;
    cells.knownColourAt[HINT_CELL] = {};
    cells.keyReads[HINT_CELL] = {ZERO_SIDE, ZERO_SIDE, ZERO_SIDE, ZERO_SIDE};

    for (int step = 0; step < PATH_LENGTH; ++step) {
        const StepPlan& at = plan[step];
        const int cell = at.cell;
        cells.previous[cell] = order[step == 0 ? 0 : step - 1];
        cells.next[cell] = step + 1 < PATH_LENGTH ? order[step + 1] : HINT_CELL;
        cells.cellClass[cell] = static_cast<std::uint8_t>(at.cellClass);
        cells.classBase[cell] = at.classBase;
        const int known = at.knownCount;
        cells.knownCount[cell] = static_cast<std::uint8_t>(known);
        cells.knownColourAt[cell] = {};
        for (int i = 0; i < known; ++i) cells.knownColourAt[cell][i] = static_cast<std::uint16_t>(at.facing[i]);
        for (int i = 0; i < 4; ++i)
            cells.keyReads[cell][i] = i < 4 - known ? ZERO_SIDE : cells.knownColourAt[cell][i - (4 - known)];
    }
}

int countPlaced(const PathCells& cells) {
    int n = 0;
    for (std::uint32_t p : cells.placement) n += p != NO_PLACEMENT;
    return n;
}

void exportBoard(const PathCells& cells, const CandidateLists& lists, Board16& board) {
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        board[cell] = PlacedCell{};
        if (cells.placement[cell] == NO_PLACEMENT) continue;
        const int oriented = lists.pool[cells.placement[cell]];
        board[cell].piece = static_cast<std::int16_t>(pieceOfOriented(oriented));
        board[cell].rotation = static_cast<std::uint8_t>(rotationOfOriented(oriented));
    }
}

bool writeBoard(const char* name, const PathCells& cells, const CandidateLists& lists) {
    Board16 board;
    exportBoard(cells, lists, board);
    return writeBoardFile(name, board.data(), LAYOUT_16X16);
}

}  // namespace zentara::path
