#pragma once

#include "cli/options.h"
#include "solver/explain.h"

#include <gmpxx.h>

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ExplainOptions {
    const avr::Chip* chip = avr::findChip(avr::defaultChip);
    std::optional<Given<mpq_class>> clock, crystal, pll;
    std::vector<solver::RegisterValue> registers;
};

int runExplain(const ExplainOptions& options, std::ostream& out);
// "NAME=VALUE" with the value decimal, 0x hexadecimal or 0b binary; whether
// it fits the register is the chip's to say.
std::optional<solver::RegisterValue> registerValue(const std::string& text);

}  // namespace cli
