// Neighbour statistics: which piece edges meet on the good boards of the search,
// kept across runs in Stat.bin and printed as the report Stat.txt.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/user_file.hpp"
#include "score/score_solver.hpp"

namespace zentara::score {

namespace {

constexpr const char* REPORT_FILE = "Stat.txt";

// Counts stop at the frequency solver's limit instead of running into values it
// refuses (and, much later, wrapping); pairs stay equal because both stop there.
inline void addOne(std::uint32_t& counter) {
    if (counter < STAT_COUNT_LIMIT) ++counter;
}

inline void addPair(std::uint32_t* statistics, int a, int edgeA, int b, int edgeB) {
    addOne(statistics[statIndex(a, edgeA, b, edgeB)]);
    addOne(statistics[statIndex(b, edgeB, a, edgeA)]);
}

}  // namespace

StatLoad loadStatistics(ScoreSolver& s) {
    // No file: zero counts. A file that cannot be read, or that frequency-solver
    // would refuse, is refused here too: starting from zero would replace days of
    // counts at the first save, and adding to a damaged table would save, again
    // and again, a file that no program can use.
    StatLoad load = loadStatFile(STAT_FILE_NAME, s.statistics.data());
    if (load.refusal == StatRefusal::Missing) load.refusal = StatRefusal::None;
    return load;
}

void gatherStatistics(ScoreSolver& s) {
    const SearchCell* board = s.periodBestBoard.data();
    std::uint32_t* statistics = s.statistics.data();
    for (int cell = 0; cell < CELL_COUNT; ++cell) {
        const SearchCell& c = board[cell];
        if (c.colours == EMPTY_COLOURS || c.position == nullptr) continue;
        const OrientedPiece& piece = **c.position;
        const int q = piece.rotation;
        // Step 1. Left seam: left side (1) against the right side (3) of cell - 1.
        if (cell % BOARD_WIDTH > 0) {
            const SearchCell& n = board[cell - 1];
            if (((c.colours >> 8) & 0xFF) == (n.colours >> 24) && n.position != nullptr) {
                const OrientedPiece& other = **n.position;
                addPair(statistics, piece.piece, (1 - q) & 3, other.piece, (3 - other.rotation) & 3);
            }
        }
        // Step 2. Upper seam: top side (2) against the bottom side (0) of cell - 16.
        if (cell >= BOARD_WIDTH) {
            const SearchCell& n = board[cell - BOARD_WIDTH];
            if (((c.colours >> 16) & 0xFF) == (n.colours & 0xFF) && n.position != nullptr) {
                const OrientedPiece& other = **n.position;
                addPair(statistics, piece.piece, (2 - q) & 3, other.piece, (0 - other.rotation) & 3);
            }
        }
    }
}

int saveStatistics(const ScoreSolver& s) { return saveStatFile(STAT_FILE_NAME, s.statistics.data()); }

bool writeStatisticsReport(const ScoreSolver& s) {
    FileReplacement file;
    if (!beginReplacement(file, REPORT_FILE, false)) return false;
    // Lines are gathered in a buffer and written in large blocks.
    static char buffer[1 << 16];
    std::size_t used = 0;
    // Makes room for one item (at most 40 bytes).
    auto makeRoom = [&] {
        if (sizeof buffer - used >= 64) return;
        appendToReplacement(file, std::string_view(buffer, used));
        used = 0;
    };
    std::array<int, 1024> keys;
    std::array<std::int32_t, 1024> values;
    for (int i = 0; i < 1024; ++i) {
        // Step 1. The row's positive counters in increasing order of the partner.
        const std::int32_t* row = reinterpret_cast<const std::int32_t*>(s.statistics.data()) + i * 1024;
        int n = 0;
        std::int64_t sum = 0;
        for (int k = 0; k < 1024; ++k) {
            if (row[k] > 0) {
                // Step 2 as we go: a stable descending insertion sort.
                int at = n++;
                while (at > 0 && values[at - 1] < row[k]) {
                    keys[at] = keys[at - 1];
                    values[at] = values[at - 1];
                    --at;
                }
                keys[at] = k;
                values[at] = row[k];
                sum += row[k];
            }
        }
        if (sum <= 0) continue;
        // Step 3. The line: each count in per mille of the row's mean count.
        makeRoom();
        used += static_cast<std::size_t>(std::snprintf(buffer + used, sizeof buffer - used, "%3d.%d(%5lld): ", i / 4,
                                                       i % 4, static_cast<long long>(sum)));
        for (int j = 0; j < n; ++j) {
            const long long perMille = static_cast<long long>(values[j]) * n * 1000 / sum;
            makeRoom();
            used += static_cast<std::size_t>(std::snprintf(buffer + used, sizeof buffer - used, "%s%3d.%d(%5lld)",
                                                           j > 0 ? ";" : "", keys[j] / 4, keys[j] % 4, perMille));
        }
        makeRoom();
        buffer[used++] = '\r';
        buffer[used++] = '\n';
    }
    appendToReplacement(file, std::string_view(buffer, used));
    return finishReplacement(file) == 0;
}

}  // namespace zentara::score
