// The engine compiled once for the 16 x 16 puzzle.
#include "blockset/block_solver.hpp"

namespace zentara::blockset {

template RunEnd searchBlockSets<Puzzle16x16>(BlockSolver<Puzzle16x16>&);
template RunEnd runBlockSolver<Puzzle16x16>(BlockSolver<Puzzle16x16>&);

}  // namespace zentara::blockset
