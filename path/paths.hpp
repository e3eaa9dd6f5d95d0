// The seven visiting orders of the path solvers. Each visits the 255 cells other
// than the hint cell once; after the last one the path leads to the hint cell.
#pragma once

#include <array>
#include <cstdint>

#include "core/puzzle.hpp"

namespace zentara::path {

inline constexpr int PATH_MODES = 7;
inline constexpr int PATH_LENGTH = CELL_COUNT - 1;

// Cells in visiting order.
using PathOrder = std::array<std::uint8_t, PATH_LENGTH>;

// Settings outside 0..6 fall back to the row-by-row path.
constexpr int normalisedPathMode(int value) { return value < 0 || value >= PATH_MODES ? 0 : value; }

namespace path_tables {

inline constexpr std::int16_t H = -1;  // the hint cell, never visited

// PathMode 3: the step of every cell, row by row.
inline constexpr std::array<std::int16_t, CELL_COUNT> STEPS_MODE_3{{
    18, 23, 26, 49, 57, 72, 80, 81, 73, 58, 50, 37, 30, 7, 1, 0,
    24, 25, 71, 108, 109, 110, 111, 112, 113, 114, 115, 66, 31, 4, 3, 2,
    27, 70, 106, 144, 146, 147, 148, 149, 150, 151, 152, 116, 32, 6, 5, 8,
    48, 105, 107, 145, 200, 201, 202, 203, 204, 205, 206, 153, 36, 35, 34, 33,
    56, 104, 143, 199, 215, 214, 213, 212, 211, 210, 209, 207, 154, 117, 67, 38,
    79, 103, 142, 217, 216, 198, 197, 196, 195, 194, 193, 208, 254, 155, 118, 51,
    87, 102, 141, 218, 219, 179, 178, 180, 181, 183, 192, 252, 253, 156, 119, 59,
    86, 101, 140, 221, 220, 177, 90, 88, 92, 182, 191, 250, 251, 157, 120, 74,
    78, 100, 139, 222, 223, 176, 89, H, 91, 184, 190, 249, 248, 158, 121, 82,
    63, 99, 138, 225, 224, 174, 95, 93, 94, 185, 189, 246, 247, 159, 122, 83,
    55, 98, 137, 226, 227, 175, 173, 172, 186, 187, 188, 245, 244, 160, 123, 75,
    47, 64, 97, 96, 228, 229, 232, 233, 236, 237, 240, 242, 243, 161, 124, 60,
    42, 43, 44, 45, 171, 230, 231, 234, 235, 238, 239, 241, 163, 127, 125, 52,
    17, 14, 15, 41, 136, 170, 169, 168, 167, 166, 165, 164, 162, 126, 68, 28,
    11, 12, 13, 40, 65, 135, 134, 133, 132, 131, 130, 129, 128, 69, 22, 21,
    9, 10, 16, 39, 46, 54, 62, 77, 85, 84, 76, 61, 53, 29, 20, 19,
}};

// PathMode 4: the step of every cell, row by row.
inline constexpr std::array<std::int16_t, CELL_COUNT> STEPS_MODE_4{{
    122, 121, 118, 115, 112, 109, 106, 103, 100, 97, 94, 91, 90, 86, 82, 81,
    123, 124, 119, 116, 113, 110, 107, 104, 101, 98, 95, 92, 89, 85, 83, 80,
    125, 126, 120, 117, 114, 111, 108, 105, 102, 99, 96, 93, 87, 84, 77, 79,
    127, 128, 129, 182, 183, 186, 187, 188, 189, 248, 246, 245, 88, 75, 76, 78,
    130, 131, 132, 181, 184, 185, 192, 191, 190, 249, 247, 244, 242, 74, 73, 72,
    133, 134, 135, 180, 179, 178, 193, 194, 195, 251, 250, 243, 241, 71, 70, 69,
    136, 137, 138, 175, 176, 177, 198, 197, 196, 253, 252, 240, 234, 68, 67, 66,
    139, 140, 141, 174, 173, 172, 199, 200, 201, 254, 239, 235, 233, 65, 64, 63,
    142, 143, 144, 169, 170, 171, 203, H, 202, 238, 236, 230, 229, 62, 61, 60,
    145, 146, 147, 168, 167, 166, 205, 204, 206, 237, 232, 231, 228, 59, 58, 57,
    148, 149, 150, 163, 164, 165, 209, 208, 207, 218, 219, 226, 227, 56, 55, 54,
    151, 156, 155, 162, 161, 160, 210, 213, 214, 217, 220, 225, 224, 53, 52, 51,
    152, 153, 154, 157, 158, 159, 211, 212, 215, 216, 221, 222, 223, 50, 49, 48,
    7, 4, 5, 11, 14, 17, 20, 23, 26, 29, 32, 35, 38, 41, 47, 46,
    2, 3, 6, 10, 13, 16, 19, 22, 25, 28, 31, 34, 37, 40, 45, 44,
    0, 1, 8, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 43, 42,
}};

// PathMode 5: the step of every cell, row by row.
inline constexpr std::array<std::int16_t, CELL_COUNT> STEPS_MODE_5{{
    133, 148, 162, 175, 187, 198, 208, 217, 225, 232, 238, 243, 247, 250, 252, 254,
    117, 131, 146, 160, 173, 185, 196, 206, 215, 223, 230, 236, 241, 245, 249, 253,
    103, 115, 129, 144, 158, 171, 183, 194, 204, 213, 221, 228, 234, 240, 246, 251,
    89, 101, 113, 127, 142, 156, 169, 181, 192, 202, 211, 219, 227, 235, 242, 248,
    76, 87, 99, 111, 125, 140, 154, 167, 179, 190, 200, 210, 220, 229, 237, 244,
    64, 74, 85, 97, 109, 123, 138, 152, 165, 177, 189, 201, 212, 222, 231, 239,
    53, 62, 72, 83, 95, 107, 121, 136, 150, 164, 178, 191, 203, 214, 224, 233,
    43, 51, 60, 70, 81, 93, 105, 119, 135, 151, 166, 180, 193, 205, 216, 226,
    34, 41, 49, 58, 68, 79, 91, H, 120, 137, 153, 168, 182, 195, 207, 218,
    26, 32, 39, 47, 56, 66, 78, 92, 106, 122, 139, 155, 170, 184, 197, 209,
    19, 24, 30, 37, 45, 55, 67, 80, 94, 108, 124, 141, 157, 172, 186, 199,
    13, 17, 22, 28, 36, 46, 57, 69, 82, 96, 110, 126, 143, 159, 174, 188,
    8, 11, 15, 21, 29, 38, 48, 59, 71, 84, 98, 112, 128, 145, 161, 176,
    4, 6, 10, 16, 23, 31, 40, 50, 61, 73, 86, 100, 114, 130, 147, 163,
    1, 3, 7, 12, 18, 25, 33, 42, 52, 63, 75, 88, 102, 116, 132, 149,
    0, 2, 5, 9, 14, 20, 27, 35, 44, 54, 65, 77, 90, 104, 118, 134,
}};

constexpr PathOrder fromRowOrder(const std::array<int, BOARD_HEIGHT>& rows) {
    PathOrder order{};
    int step = 0;
    for (int row : rows)
        for (int column = 0; column < BOARD_WIDTH; ++column) {
            const int cell = row * BOARD_WIDTH + column;
            if (cell != HINT_CELL) order[step++] = static_cast<std::uint8_t>(cell);
        }
    return order;
}

constexpr PathOrder fromSteps(const std::array<std::int16_t, CELL_COUNT>& steps) {
    PathOrder order{};
    for (int cell = 0; cell < CELL_COUNT; ++cell)
        if (steps[cell] != H) order[steps[cell]] = static_cast<std::uint8_t>(cell);
    return order;
}

// Lower half column by column from the bottom up, then the upper half column by
// column from the right, each from row 7 up.
constexpr PathOrder columnHalves() {
    PathOrder order{};
    int step = 0;
    auto visit = [&](int row, int column) {
        const int cell = row * BOARD_WIDTH + column;
        if (cell != HINT_CELL) order[step++] = static_cast<std::uint8_t>(cell);
    };
    for (int column = 0; column < BOARD_WIDTH; ++column)
        for (int row = 15; row >= 8; --row) visit(row, column);
    for (int column = 15; column >= 0; --column)
        for (int row = 7; row >= 0; --row) visit(row, column);
    return order;
}

// A steps table must give the hint cell no step and every other cell a distinct
// step 0..254; a mistyped entry stops the build here.
constexpr bool validSteps(const std::array<std::int16_t, CELL_COUNT>& steps) {
    std::array<bool, PATH_LENGTH> seen{};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const int s = steps[cell];
        if ((cell == HINT_CELL) != (s == H)) return false;
        if (s == H) continue;
        if (s < 0 || s >= PATH_LENGTH || seen[s]) return false;
        seen[s] = true;
    }
    return true;
}
static_assert(validSteps(STEPS_MODE_3) && validSteps(STEPS_MODE_4) && validSteps(STEPS_MODE_5));

}  // namespace path_tables

inline constexpr std::array<PathOrder, PATH_MODES> PATH_ORDERS{{
    path_tables::fromRowOrder({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}),
    path_tables::fromRowOrder({0, 15, 1, 14, 2, 13, 3, 12, 4, 11, 5, 10, 6, 9, 7, 8}),
    path_tables::fromRowOrder({0, 15, 14, 1, 13, 12, 2, 11, 10, 3, 9, 8, 4, 7, 6, 5}),
    path_tables::fromSteps(path_tables::STEPS_MODE_3),
    path_tables::fromSteps(path_tables::STEPS_MODE_4),
    path_tables::fromSteps(path_tables::STEPS_MODE_5),
    path_tables::columnHalves(),
}};

static_assert(PATH_ORDERS[0][0] == 0 && PATH_ORDERS[1][0] == 0 && PATH_ORDERS[2][0] == 0);
static_assert(PATH_ORDERS[3][0] == 15 && PATH_ORDERS[4][0] == 240 && PATH_ORDERS[5][0] == 240 &&
              PATH_ORDERS[6][0] == 240);

}  // namespace zentara::path
