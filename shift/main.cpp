// shift-solver: no arguments; resumes from the deepest best board in the current
// directory and shifts pieces until the board is complete.
#include <iostream>

#include "shift/shift_search.hpp"
#include "core/user_file.hpp"

int main() {
    zentara::removeStaleTemporaries(".");  // what killed runs left while writing
    static zentara::shift::ShiftSearch search;
    return zentara::shift::runShiftSolver(search, std::cout);
}
