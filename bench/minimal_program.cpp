// The baseline of avrtimer-calc's start-up: a C++ program that only prints
// a line, built with the same flags.
#include <iostream>

int main() {
    std::cout << "minimal\n";
    return 0;
}
