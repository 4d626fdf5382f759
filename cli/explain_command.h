#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

struct ExplainOptions {
    std::string mcu{"atmega328p"};
    std::string clock, crystal;
    std::vector<std::string> registers;  // REG=VALUE
};

void addExplainCommand(CLI::App& app, ExplainOptions& options);
int runExplain(const ExplainOptions& options, std::ostream& out);

}  // namespace cli
