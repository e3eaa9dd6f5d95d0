// stat-merge OUT IN...: adds several Stat.bin files into one.
#include <iostream>

#include "tools/stat_merge.hpp"

int main(int argc, char** argv) { return zentara::runStatMerge(argc, argv, std::cout, std::cerr); }
