// Building the chains and the starting board.
#include <cstring>

#include "brute/brute_solver.hpp"
#include "brute/cell_keys.hpp"
#include "core/pieces.hpp"

namespace zentara::brute {

void buildChains(BruteSolver& solver) {
    using namespace bottom_first;
    // Step 1. Empty all four tables.
    solver.chainHeads.fill(nullptr);
    // Chain lengths, so that a draw turns into a position without walking the
    // circle of head and records more than once.
    static_assert(CHAIN_TABLES * CHAIN_HEADS <= 65536);
    std::array<std::uint16_t, CHAIN_TABLES * CHAIN_HEADS> lengths{};

    // Step 2. Fill every record; link all but the hint's at a drawn position.
    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            LinkedPiece& record = solver.records[orientedNumber(piece, rotation)];
            record.next = nullptr;
            record.colours = rotate(pieceSet().bottomFirst[piece], rotation);
            record.piece = static_cast<std::uint8_t>(piece);
            record.rotation = static_cast<std::uint8_t>(rotation);
            if (piece == HINT_PIECE || repeatsSmallerRotation(pieceSet().bottomFirst[piece], rotation)) continue;

            const int head = chainTableOf(record.colours) * CHAIN_HEADS +
                             chainIndex(record.colours[LEFT], record.colours[TOP]);
            const std::uint32_t draw = solver.random.highHalf() & 255u;
            // n steps around the circle of head + L records end at position n mod (L + 1).
            const std::uint32_t position = draw % (lengths[head] + 1u);
            LinkedPiece** link = &solver.chainHeads[head];
            for (std::uint32_t step = 0; step < position; ++step) link = &(*link)->next;
            record.next = *link;
            *link = &record;
            ++lengths[head];
        }
    }
}

void resetBoard(BruteSolver& solver) {
    solver.level = 1;
    solver.placed.fill(nullptr);
    solver.colourCopies.fill(BORDER_COLOUR);
    solver.used.fill(0);
    solver.used[HINT_PIECE] = 1;
    solver.filled = 0;

    const LinkedPiece& hint = solver.records[HINT_RECORD];
    solver.placed[HINT_CELL] = &hint;
    std::memcpy(&solver.colourCopies[4 * HINT_CELL], hint.colours.data(), 4);
    const PieceEntry hintSides = pieceSet().hintSides();
    std::memcpy(&solver.colourCopies[4 * HINT_ENTRY], hintSides.data(), 4);
}

void pushRecord(BruteSolver& solver, const LinkedPiece& record) {
    const int cell = cellOfPosition(solver.filled++);
    solver.placed[cell] = &record;
    std::memcpy(&solver.colourCopies[4 * cell], record.colours.data(), 4);
    solver.used[record.piece] = 1;
    solver.level = cell + 1;
}

}  // namespace zentara::brute
