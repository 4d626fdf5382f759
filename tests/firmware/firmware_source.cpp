// Writes the firmware sources of a chip's cases into a directory:
//   firmware_source CHIP DIRECTORY
#include "tests/firmware/cases.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: firmware_source CHIP DIRECTORY\n", stderr);
        return 2;
    }
    try {
        const avr::Chip* chip = avr::findChip(argv[1]);
        if (chip == nullptr)
            throw std::invalid_argument(std::string("unknown chip ") + argv[1]);
        for (const firmware::Simulator simulator : {firmware::Simulator::Simavr, firmware::Simulator::Avr8js})
            for (const firmware::Case& c : firmware::casesOf(*chip, simulator)) {
                std::ofstream file(std::string(argv[2]) + "/" + c.name + ".c");
                file << firmware::firmwareSource(*chip, c);
                if (!file)
                    throw std::runtime_error("cannot write " + c.name + ".c");
            }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "firmware_source: %s\n", error.what());
        return 1;
    }
}
