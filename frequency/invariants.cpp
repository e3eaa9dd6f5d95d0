// Recounts of what the search keeps incrementally, for its report point: the
// board by the independent checker against the level, the used pieces and the
// oriented numbers against the board, and the word that ends every list.
#include "core/checks.hpp"
#include "frequency/search.hpp"

namespace zentara::frequency {

void checkSearchState(const FrequencyTables& tables, const SearchState& state) {
    Board16 cells{};
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        if (state.board[cell] == NO_ENTRY) {
            ZENTARA_CHECK(cell != HINT_CELL);
            continue;
        }
        const int number = entryNumber(tables.pool[state.board[cell]]);
        ZENTARA_CHECK(state.oriented[ORIENTED_PAD + cell] == number);
        cells[cell] = PlacedCell{static_cast<std::int16_t>(pieceOfOriented(number)),
                                 static_cast<std::uint8_t>(rotationOfOriented(number))};
    }
    checkBoard(cells, state.level);
    checkUsedPieces(cells, [&](int piece) { return (state.used[piece >> 6] >> (piece & 63)) & 1; });
    ZENTARA_CHECK(state.bestLevel >= state.level);
    for (const WeightedList& list : tables.lists)
        if (list.count > 0) ZENTARA_CHECK(tables.pool[list.first + static_cast<std::uint32_t>(list.count)] == END_WORD);
}

}  // namespace zentara::frequency
