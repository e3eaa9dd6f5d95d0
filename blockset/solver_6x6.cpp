// The engine compiled once for the 6 x 6 puzzle.
#include "blockset/block_solver.hpp"

namespace zentara::blockset {

template RunEnd searchBlockSets<Puzzle6x6>(BlockSolver<Puzzle6x6>&);
template RunEnd runBlockSolver<Puzzle6x6>(BlockSolver<Puzzle6x6>&);

}  // namespace zentara::blockset
