#include "path/path_cells.hpp"

namespace zentara::path {

namespace {

// Where the neighbour on `side` keeps the colour it turns towards `cell`.
std::uint16_t facingColourAt(int cell, int side) {
    const Geometry& g = BOARD_16X16;
    switch (side) {
        case top_first::TOP: return static_cast<std::uint16_t>(g.above(cell) * 4 + top_first::BOTTOM);
        case top_first::RIGHT: return static_cast<std::uint16_t>(g.right(cell) * 4 + top_first::LEFT);
        case top_first::BOTTOM: return static_cast<std::uint16_t>(g.below(cell) * 4 + top_first::TOP);
        default: return static_cast<std::uint16_t>(g.left(cell) * 4 + top_first::RIGHT);
    }
}

}  // namespace

void clearPlacements(PathCells& cells) {
    cells.placement.fill(NO_PLACEMENT);
    cells.placement[HINT_CELL] = HINT_LIST;
}

void setUpPath(PathCells& cells, int pathMode) {
    const Geometry& g = BOARD_16X16;
    const PathOrder& order = PATH_ORDERS[normalisedPathMode(pathMode)];
    cells.pathMode = normalisedPathMode(pathMode);
    cells.startCell = order[0];
    cells.sides.fill(BORDER_COLOUR);
    clearPlacements(cells);
    std::memcpy(&cells.sides[HINT_CELL * 4], ORIENTED_SIDES[HINT_ORIENTED].data(), 4);

    std::array<bool, CELL_COUNT> hasClass{};
    hasClass[HINT_CELL] = true;
    cells.cellClass.fill(0);
    cells.cellClass[HINT_CELL] = HINT_CLASS;
    cells.next[HINT_CELL] = cells.previous[HINT_CELL] = HINT_CELL;
    cells.classBase[HINT_CELL] = 0;
    cells.knownCount[HINT_CELL] = 0;
    cells.knownColourAt[HINT_CELL] = {};
    cells.keyReads[HINT_CELL] = {ZERO_SIDE, ZERO_SIDE, ZERO_SIDE, ZERO_SIDE};

    for (int step = 0; step < PATH_LENGTH; ++step) {
        const int cell = order[step];
        cells.previous[cell] = order[step == 0 ? 0 : step - 1];
        cells.next[cell] = step + 1 < PATH_LENGTH ? order[step + 1] : HINT_CELL;

        const std::array<bool, 4> facesFrame{g.topFacesFrame(cell), g.rightFacesFrame(cell),
                                             g.bottomFacesFrame(cell), g.leftFacesFrame(cell)};
        const std::array<int, 4> neighbour{g.above(cell), g.right(cell), g.below(cell), g.left(cell)};
        int cellClass = 0;
        for (int side = 0; side < 4; ++side) {
            int digit = DIGIT_OPEN;
            if (facesFrame[side])
                digit = DIGIT_FRAME;
            else if (hasClass[neighbour[side]])
                digit = DIGIT_KNOWN;
            cellClass += digit * SIDE_WEIGHT[side];
        }
        hasClass[cell] = true;
        cells.cellClass[cell] = static_cast<std::uint8_t>(cellClass);
        cells.classBase[cell] = CLASS_BASE[cellClass];

        int known = 0;
        cells.knownColourAt[cell] = {};
        for (int side : {top_first::LEFT, top_first::BOTTOM, top_first::RIGHT, top_first::TOP})
            if (classDigit(cellClass, side) == DIGIT_KNOWN) cells.knownColourAt[cell][known++] = facingColourAt(cell, side);
        cells.knownCount[cell] = static_cast<std::uint8_t>(known);
        for (int i = 0; i < 4; ++i)
            cells.keyReads[cell][i] = i < 4 - known ? ZERO_SIDE : cells.knownColourAt[cell][i - (4 - known)];
        PathCells::Step& at = cells.steps[step];
        at = {cells.classBase[cell], cells.keyReads[cell], static_cast<std::uint32_t>(cell), 0, 0, 0};
        const int previousCell = order[step == 0 ? 0 : step - 1];
        for (int i = 4 - known; i < 4 && step > 0; ++i)
            if (at.keyReads[i] / 4 == previousCell) {
                at.previousMask = (1u << KEY_BITS) - 1;
                at.previousShift = static_cast<std::uint8_t>(at.keyReads[i] % 4 * KEY_BITS);
                at.previousKeyShift = static_cast<std::uint8_t>((3 - i) * KEY_BITS);
                at.keyReads[i] = ZERO_SIDE;
            }
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
