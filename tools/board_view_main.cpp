// board-view [--html] FILE [OUT.svg]: draws a board file as an SVG picture.
#include <iostream>

#include "tools/board_view.hpp"

int main(int argc, char** argv) { return zentara::runBoardView(argc, argv, std::cout, std::cerr); }
