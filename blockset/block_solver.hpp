// The block-set solver: orientation assignment and placement search alternate
// (one of each is a variant) until a placement fills the board. One engine for
// the 16 x 16, 6 x 12 and 6 x 6 puzzles; the puzzle description fixes the rest.
#pragma once

#include "blockset/block_puzzle.hpp"
#include "blockset/block_sets.hpp"
#include "blockset/block_state.hpp"
#include "blockset/invariants.hpp"
#include "blockset/orientation.hpp"
#include "blockset/placement.hpp"

namespace zentara::blockset {

template <class P>
bool limitReached(const BlockSolver<P>& s) {
    return (s.limits.variants > 0 && s.variants >= s.limits.variants) ||
           (s.limits.reports > 0 && s.statusLines >= s.limits.reports);
}

// Variants until one fills the board (FullBoard), or until a caller's limit ends
// the run after a variant (Stopped).
template <class P>
RunEnd searchBlockSets(BlockSolver<P>& s) {
    for (;;) {
        // A fresh rim: corners, edge sides and rotations, redrawn until every side
        // can be chained.
        do {
            fullRestart(s);
        } while (!assignRim(s) || !rimChainsClose(s));
        s.snapshot = s.balance;
        s.innerAttempts = P::INNER_ATTEMPTS;
        // Inner rotations on that rim, each tried by one placement search.
        for (;;) {
            if (assignInner(s)) {
                ZENTARA_RECOUNT(checkOrientation(s));
                ++s.variants;
                showStatus(s);
                buildCandidateLists(s);
                const bool full = placePieces(s);
                ZENTARA_RECOUNT(checkPlacement(s, full));
                if (full) return RunEnd::FullBoard;
                if (limitReached(s)) return RunEnd::Stopped;
            }
            s.balance = s.snapshot;
            if (--s.innerAttempts <= 0) break;
        }
    }
}

// The 16 x 16 program's last steps after a full board: all files, the numbered
// block list too, and the finishing line.
template <class P>
void finishFullBoard(BlockSolver<P>& s) {
    const std::uint64_t failuresBefore = boardWriteFailures();
    writeProgressFiles(s);
    writeBlockFile(s, true);
    showStatus(s);
    printStatus(s, "Finished: ");
    std::array<PlacedCell, P::CELLS> cells;
    boardCells(s, cells);
    s.exitCode = endWithFullBoard(*s.out, cells.data(), P::LAYOUT, failuresBefore);
}

// Everything a program does after lowering its priority: banner, seed, start-up,
// search, files. The 16 x 16 program ends at its first full board; the small boards count
// full boards for ever (or until a caller's limit).
template <class P>
RunEnd runBlockSolver(BlockSolver<P>& s) {
    const BoardWriteConsole boardWrites(*s.out);
    printTo(*s.out, "%s", P::BANNER);
    if (s.seedClock != nullptr) s.random = BlockRandom::fromTime(s.seedClock());
    if constexpr (!P::COUNTS_SOLUTIONS) {
        buildRecords(s);
        buildSets(s);
        buildPermutations(s);
        if (searchBlockSets(s) == RunEnd::Stopped) return RunEnd::Stopped;
        finishFullBoard(s);
        return RunEnd::FullBoard;
    } else {
        for (;;) {
            // Every search starts from the same record order with no rotations.
            buildRecords(s);
            buildSets(s);
            buildPermutations(s);
            if (searchBlockSets(s) == RunEnd::Stopped) return RunEnd::Stopped;
            ++s.solutions;
            if (--s.fileCountdown <= 0) {
                s.fileCountdown = P::FILE_COUNTDOWN_RELOAD;
                writeBoardFile(s, true);
                writeBlockFile(s, true);
                writeBoardFile(s, false);
                writeBlockFile(s, false);
            }
            if (s.limits.solutions > 0 && s.solutions >= s.limits.solutions) return RunEnd::Stopped;
        }
    }
}

// The program entry: priority, then banner, a generator seeded from the clock and
// the search; one solver in static storage. Returns the exit code.
template <class P>
int runBlockProgram() {
    static BlockSolver<P> solver;
    lowerPriority(P::PRIORITY);
    solver.seedClock = readLocalTime;
    runBlockSolver(solver);
    return solver.exitCode;
}

extern template RunEnd runBlockSolver<Puzzle16x16>(BlockSolver<Puzzle16x16>&);
extern template RunEnd runBlockSolver<Puzzle6x12>(BlockSolver<Puzzle6x12>&);
extern template RunEnd runBlockSolver<Puzzle6x6>(BlockSolver<Puzzle6x6>&);
extern template RunEnd searchBlockSets<Puzzle16x16>(BlockSolver<Puzzle16x16>&);
extern template RunEnd searchBlockSets<Puzzle6x12>(BlockSolver<Puzzle6x12>&);
extern template RunEnd searchBlockSets<Puzzle6x6>(BlockSolver<Puzzle6x6>&);

}  // namespace zentara::blockset
