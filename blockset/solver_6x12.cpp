// The engine compiled once for the 6 x 12 puzzle.
#include "blockset/block_solver.hpp"

namespace zentara::blockset {

template RunEnd searchBlockSets<Puzzle6x12>(BlockSolver<Puzzle6x12>&);
template RunEnd runBlockSolver<Puzzle6x12>(BlockSolver<Puzzle6x12>&);

}  // namespace zentara::blockset
