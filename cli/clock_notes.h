#pragma once

#include "cli/options.h"
#include "solver/search.h"

#include <gmpxx.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the clocks given say about the chip: a bare number read as hertz, a
// clock above the chip's rating, a watch crystal on pins the CPU's own
// crystal needs.
namespace cli {

// Notes for stderr after a command that ran; nothing to say is no note.
std::vector<std::string> clockNotes(const avr::Chip& chip, const Given<mpq_class>* clock,
                                    const std::optional<Given<mpq_class>>& crystal);

// The CPU clock as the culprit of a target the solver refused: one above
// the chip's rating that makes an interval need 2^32 interrupts, or a bare
// number far below any AVR's clock that makes every target too short.
std::optional<InputError> clockAtFault(solver::Problem problem, const avr::Chip& chip, const Given<mpq_class>& clock,
                                       std::string_view target);

}  // namespace cli
