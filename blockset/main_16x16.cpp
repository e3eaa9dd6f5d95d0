// block-solver: the 16 x 16 puzzle; runs until a placement fills the board.
#include "blockset/block_solver.hpp"
#include "core/user_file.hpp"

int main() {
    zentara::removeStaleTemporaries(".");  // what killed runs left while writing
    return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle16x16>();
}
