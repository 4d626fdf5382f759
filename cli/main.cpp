#include "cli/cli.h"

#include <iostream>

int main(int argc, char** argv) { return cli::run(argc, argv, std::cout, std::cerr); }
