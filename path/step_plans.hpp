// What the walk needs of each step of each path, worked out when the program is
// built: the cell, its class and first list, and where the key's colours are.
// The seven paths are fixed, so the walk's code for a step of a path has all of
// this as constants.
#pragma once

#include <array>
#include <cstdint>

#include "path/candidate_lists.hpp"
#include "path/paths.hpp"

namespace zentara::path {

// A key read that takes the colour from the piece just placed on the previous
// step's cell (the walk hands its entry on), not from the board's colours.
inline constexpr int FROM_PREVIOUS = -1;

struct StepPlan {
    int cell = 0;
    int cellClass = 0;
    std::uint32_t classBase = 0;
    int knownCount = 0;
    // Where the colour of each known side is, in key order (left, bottom, right,
    // top): the index in `sides` of the colour the neighbour turns towards the
    // cell, and the same with FROM_PREVIOUS for the previous step's cell in `reads`.
    std::array<int, 4> facing{};
    std::array<int, 4> reads{};
    int previousShift = 0;  // bit offset of that colour in the previous step's walk entry
};

using PathPlan = std::array<StepPlan, PATH_LENGTH>;

// Where the neighbour on `side` keeps the colour it turns towards `cell`.
constexpr int facingColourAt(int cell, int side) {
    const Geometry& g = BOARD_16X16;
    switch (side) {
        case top_first::TOP: return g.above(cell) * 4 + top_first::BOTTOM;
        case top_first::RIGHT: return g.right(cell) * 4 + top_first::LEFT;
        case top_first::BOTTOM: return g.below(cell) * 4 + top_first::TOP;
        default: return g.left(cell) * 4 + top_first::RIGHT;
    }
}

// A side is known when its neighbour comes earlier on the path or is the hint cell.
constexpr PathPlan planOf(int pathMode) {
    const Geometry& g = BOARD_16X16;
    const PathOrder& order = PATH_ORDERS[normalisedPathMode(pathMode)];
    std::array<bool, CELL_COUNT> hasClass{};
    hasClass[HINT_CELL] = true;
    PathPlan plan{};
    for (int step = 0; step < PATH_LENGTH; ++step) {
        StepPlan& at = plan[step];
        const int cell = order[step];
        const std::array<bool, 4> facesFrame{g.topFacesFrame(cell), g.rightFacesFrame(cell), g.bottomFacesFrame(cell),
                                             g.leftFacesFrame(cell)};
        const std::array<int, 4> neighbour{g.above(cell), g.right(cell), g.below(cell), g.left(cell)};
        at.cell = cell;
        for (int side = 0; side < 4; ++side) {
            int digit = DIGIT_OPEN;
            if (facesFrame[side])
                digit = DIGIT_FRAME;
            else if (hasClass[neighbour[side]])
                digit = DIGIT_KNOWN;
            at.cellClass += digit * SIDE_WEIGHT[side];
        }
        hasClass[cell] = true;
        at.classBase = CLASS_BASE[at.cellClass];
        for (int side : {top_first::LEFT, top_first::BOTTOM, top_first::RIGHT, top_first::TOP}) {
            if (classDigit(at.cellClass, side) != DIGIT_KNOWN) continue;
            const int facing = facingColourAt(cell, side);
            at.facing[at.knownCount] = facing;
            at.reads[at.knownCount] = facing;
            if (step > 0 && facing / 4 == order[step - 1]) {
                at.reads[at.knownCount] = FROM_PREVIOUS;
                at.previousShift = facing % 4 * KEY_BITS;
            }
            ++at.knownCount;
        }
    }
    return plan;
}

inline constexpr std::array<PathPlan, PATH_MODES> PATH_PLANS = [] {
    std::array<PathPlan, PATH_MODES> plans{};
    for (int mode = 0; mode < PATH_MODES; ++mode) plans[mode] = planOf(mode);
    return plans;
}();

}  // namespace zentara::path
