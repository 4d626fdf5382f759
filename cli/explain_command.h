#pragma once

#include "solver/explain.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ExplainOptions {
    std::string mcu{"atmega328p"};
    std::string clock, crystal;
    std::vector<std::string> registers;  // REG=VALUE
};

int runExplain(const ExplainOptions& options, std::ostream& out);
// "NAME=VALUE" with the value decimal, 0x hexadecimal or 0b binary, a byte.
std::optional<solver::RegisterValue> registerValue(const std::string& text);

}  // namespace cli
