// block-solver: the 16 x 16 puzzle; runs until a placement fills the board.
#include "blockset/block_solver.hpp"

int main() { return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle16x16>(); }
