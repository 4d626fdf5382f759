#include "cli/cli.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    try {
        return cli::run(argc, argv, std::cout, std::cerr);
    } catch (const std::exception& error) {
        // Nothing the options can ask should end here; say so rather than abort.
        std::cerr << "avrtimer-calc: internal error: " << error.what() << "\n";
        return 3;
    }
}
