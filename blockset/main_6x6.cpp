// block-solver-6x6: the 6 x 6 puzzle; counts full boards for ever.
#include "blockset/block_solver.hpp"
#include "core/user_file.hpp"

int main() {
    zentara::removeStaleTemporaries(".");  // what killed runs left while writing
    return zentara::blockset::runBlockProgram<zentara::blockset::Puzzle6x6>();
}
