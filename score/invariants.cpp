// Recounts of what the search keeps incrementally, for its report point: the used
// pieces against the board, the level against the placed cells, the score against
// the matched seams, the terminator that ends every list, and the slot words and
// list starts beside them.
#include "core/checks.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

void checkSearchState(const ScoreSolver& s) {
    const WorkBoard& board = s.workBoard;
    std::array<int, PIECE_COUNT> onBoard{};
    int placed = 0, seams = 0;
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const SearchCell& c = board[cell];
        if (c.colours == EMPTY_COLOURS) continue;
        ZENTARA_CHECK(c.position != nullptr && *c.position != nullptr);
        const OrientedPiece& record = **c.position;
        ZENTARA_CHECK(record.colours == c.colours);
        ++onBoard[record.piece];
        placed += cell != HINT_CELL;
        // Every seam between two placed cells matches and scores one.
        if (cell >= BOARD_WIDTH && board[cell - BOARD_WIDTH].colours != EMPTY_COLOURS) {
            ZENTARA_CHECK((c.colours >> 16 & 0xFF) == (board[cell - BOARD_WIDTH].colours & 0xFF));
            ++seams;
        }
        if (cell % BOARD_WIDTH > 0 && board[cell - 1].colours != EMPTY_COLOURS) {
            ZENTARA_CHECK((c.colours >> 8 & 0xFF) == board[cell - 1].colours >> 24);
            ++seams;
        }
    }
    Board16 cells;
    toPlacedCells(board.data(), cells);
    checkBoard(cells, placed + 1);
    ZENTARA_CHECK(s.level == placed + 1);
    ZENTARA_CHECK(s.score == seams);
    ZENTARA_CHECK(s.periodLevel >= s.level && s.periodScore >= s.score);
    ZENTARA_CHECK(s.bestLevel >= s.periodLevel && s.bestScore >= s.periodScore);
    for (int piece = 0; piece < PIECE_COUNT; ++piece) {
        ZENTARA_CHECK(onBoard[piece] <= 1);
        for (int r = 0; r < 4; ++r) ZENTARA_CHECK(s.usedOriented[orientedNumber(piece, r)] == onBoard[piece]);
    }
    for (int i = ORIENTED_COUNT; i < ORIENTED_COUNT + 4; ++i) ZENTARA_CHECK(s.usedOriented[i] == 0);
    for (const CandidateList& list : s.tables.lists) {
        for (int i = 0; i < list.count; ++i) ZENTARA_CHECK(list.first[i] != nullptr);
        ZENTARA_CHECK(list.first[list.count] == nullptr);
    }
    ZENTARA_CHECK(s.tables.hintList.count == 1 && s.tables.hintList.first[1] == nullptr);
    // The search's view of the lists: every slot word and list start as the pool says.
    for (int k = 0; k < POOL_SLOTS; ++k) {
        const Slot record = s.tables.pool[k];
        ZENTARA_CHECK(s.tables.slotWords[k] == (record == nullptr ? END_WORD : slotWord(*record)));
    }
    for (int i = 0; i < TABLE_COUNT * LISTS_PER_TABLE; ++i)
        ZENTARA_CHECK(s.tables.pool.data() + s.tables.listStarts[i] == s.tables.lists[i].first);
}

}  // namespace zentara::score
