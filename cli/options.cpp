#include "cli/options.h"

#include <fmt/format.h>

#include <string>

namespace cli {

std::string complaint(std::string_view given, std::string_view problem, std::string_view option,
                      std::string_view example) {
    if (example.empty())
        return fmt::format("'{}' {}", given, problem);
    if (option.empty())
        return fmt::format("'{}' {}; for example {}", given, problem, example);
    return fmt::format("'{}' {}; for example {} {}", given, problem, option, example);
}

InputError badInput(std::string_view option, std::string_view given, std::string_view problem,
                    std::string_view example) {
    return InputError(fmt::format("{}: {}", option, complaint(given, problem, option, example)));
}

std::string quantityProblem(const solver::QuantityError& error, solver::Dimension expected) {
    const bool frequency = expected == solver::Dimension::Frequency;
    switch (error.kind()) {
    case solver::QuantityError::Kind::Empty:
    case solver::QuantityError::Kind::NotANumber: return "is not a number";
    case solver::QuantityError::Kind::UnknownUnit:
        return fmt::format("has an unknown unit '{}' ({})", error.unit(), frequency ? "Hz, kHz, MHz" : "s, ms, us");
    case solver::QuantityError::Kind::WrongDimension:
        return frequency ? "is a time, not a frequency" : "is a frequency, not a time";
    case solver::QuantityError::Kind::TooLong:
        return fmt::format("has more than {} digits or an exponent beyond {}", solver::maxDigits,
                           solver::maxExponent);
    }
    return {};
}

}  // namespace cli
