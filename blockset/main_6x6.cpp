// block-solver-6x6: the 6 x 6 puzzle; counts full boards for ever.
#include "blockset/block_solver.hpp"

int main() { return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle6x6>(); }
