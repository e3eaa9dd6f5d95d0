// The cell records of the path solvers: links along the chosen path, classes,
// the last placement and its colours, and the neighbour colours that make up the
// key of each cell's candidate list.
#pragma once

#include <array>
#include <cstdint>

#include "core/board_file.hpp"
#include "path/candidate_lists.hpp"
#include "path/paths.hpp"
#include "path/step_plans.hpp"

namespace zentara::path {

inline constexpr std::uint32_t NO_PLACEMENT = 0xFFFFFFFF;
inline constexpr std::uint16_t ZERO_SIDE = CELL_COUNT * 4;  // a colour byte that is always 0

struct PathCells {
    // Pool index of the entry last placed on the cell in this run; NO_PLACEMENT
    // while the cell has not been reached. The search never clears it when it
    // leaves a cell, so the cells that have one are always a prefix of the path.
    std::array<std::uint32_t, CELL_COUNT> placement;
    // Colours (top, right, bottom, left) of the piece last placed, cell by cell,
    // one word a cell and read byte by byte (sideBytes). One more word after the
    // cells, always 0: the key reads it for sides that are not known. Words, not
    // bytes, because a byte store may alias anything: after each placement the
    // walk would load every pointer it holds again (see UsedPieces).
    std::array<std::uint32_t, CELL_COUNT + 1> sides;
    std::array<std::uint8_t, CELL_COUNT> next;
    std::array<std::uint8_t, CELL_COUNT> previous;  // the start cell is its own predecessor
    std::array<std::uint8_t, CELL_COUNT> cellClass;
    // Derived from the class: the cell's first list, how many sides are known and
    // where in `sides` the colours that the known neighbours turn towards the cell
    // are, in key order (left, bottom, right, top).
    std::array<std::uint32_t, CELL_COUNT> classBase;
    std::array<std::uint8_t, CELL_COUNT> knownCount;
    std::array<std::array<std::uint16_t, 4>, CELL_COUNT> knownColourAt;
    int pathMode = 0;
    int startCell = 0;

    // Where the key reads its four colours: the known sides' colours right-aligned
    // in key order, led by reads of ZERO_SIDE for the sides that are not known, so
    // that every cell builds its key by the same four loads and shifts. A switch on
    // the count of known sides instead cost a mispredicted branch on about one cell
    // entry in ten (4.3 M of 22 M mispredictions on path-bench).
    std::array<std::array<std::uint16_t, 4>, CELL_COUNT> keyReads;

    // The colours of `sides` one byte each: 4 * cell + side (top, right, bottom, left).
    const Colour* sideBytes() const { return reinterpret_cast<const Colour*>(sides.data()); }

    // The list for a cell from its class and the colours of its known neighbours.
    std::uint32_t listOf(int cell) const {
        const Colour* s = sideBytes();
        const std::array<std::uint16_t, 4>& at = keyReads[cell];
        const std::uint32_t key = std::uint32_t{s[at[0]]} << 15 | std::uint32_t{s[at[1]]} << 10 |
                                  std::uint32_t{s[at[2]]} << 5 | s[at[3]];
        return classBase[cell] + key;
    }

    void place(int cell, std::uint32_t entry, int oriented) {
        placement[cell] = entry;
        sides[cell] = ORIENTED_SIDE_WORDS[oriented];
    }
};

// Links, classes and key positions of the path `pathMode` (0..6), the hint on
// its cell, every other placement cleared.
void setUpPath(PathCells& cells, int pathMode);

// Clears the placement of every cell but the hint cell.
void clearPlacements(PathCells& cells);

// Cells that have a placement, the hint cell included.
int countPlaced(const PathCells& cells);

// The board as the files show it: every placed cell with its piece and rotation.
void exportBoard(const PathCells& cells, const CandidateLists& lists, Board16& board);

// Writes the current board under `name`; false when the file could not be written.
bool writeBoard(const char* name, const PathCells& cells, const CandidateLists& lists);


// The pieces in use, one byte each: a plain byte test and store beat the
// 256-bit set in path-bench (58.8 against 50.0 M placements/s, best of five).
// bool, not std::uint8_t: a store through a character type may alias anything,
// so after every placement the walk loaded its five pointers again.
struct UsedPieces {
    // One more, never in use: the walk's end marker reads as piece PIECE_COUNT.
    std::array<bool, PIECE_COUNT + 1> inUse{};

    void clear() { inUse.fill(false); }
    void release(int piece) { inUse[piece] = false; }
    bool contains(int piece) const { return inUse[piece]; }
};

// Recounts the used pieces, placements and list ends against what the walk keeps
// (checked builds, at report points).
void checkWalkState(const PathCells& cells, const CandidateLists& lists, const UsedPieces& used);

}  // namespace zentara::path
