#include "cli/options.h"

#include "avr/timers.h"

#include <fmt/format.h>

#include <charconv>
#include <string>

namespace cli {

std::string complaint(std::string_view given, std::string_view problem, std::string_view option,
                      std::string_view example) {
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

CLI::Validator quantityCheck(solver::Dimension dimension, std::string_view option, std::string_view example) {
    return CLI::Validator(
        [=, option = std::string(option), example = std::string(example)](std::string& text) {
            try {
                solver::parseQuantity(text, dimension);
                return std::string();
            } catch (const solver::QuantityError& error) {
                return complaint(text, quantityProblem(error, dimension), option, example);
            }
        },
        "");
}

CLI::Validator numberCheck(std::string_view option, std::string_view example) {
    return CLI::Validator(
        [option = std::string(option), example = std::string(example)](std::string& text) {
            try {
                solver::parseNumber(text);
                return std::string();
            } catch (const solver::QuantityError&) {
                return complaint(text, "is not a plain number", option, example);
            }
        },
        "");
}

long wholeNumber(const std::string& text) {
    long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

CLI::Validator wholeNumberCheck(long lowest, long highest, std::string_view option, std::string_view example) {
    return CLI::Validator(
        [=, option = std::string(option), example = std::string(example)](std::string& text) {
            long value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
                return complaint(text, fmt::format("is not a whole number from {} to {}", lowest, highest), option,
                                 example);
            return std::string();
        },
        "");
}

CLI::Validator chipCheck() {
    return CLI::Validator(
        [](std::string& text) {
            if (avr::findChip(text) != nullptr)
                return std::string();
            std::vector<std::string_view> names;
            for (const avr::Chip& chip : avr::chips())
                names.push_back(chip.name);
            return complaint(text, fmt::format("is not a chip avrtimer-calc knows ({})", fmt::join(names, ", ")),
                             "--mcu", "atmega328p");
        },
        "");
}

CLI::Validator keywordCheck(std::initializer_list<std::string_view> keywords, std::string_view option,
                            std::string_view example) {
    const std::vector<std::string> accepted(keywords.begin(), keywords.end());
    return CLI::Validator(
        [=, option = std::string(option), example = std::string(example)](std::string& text) {
            for (const std::string& keyword : accepted)
                if (keyword == text)
                    return std::string();
            return complaint(text, fmt::format("is not one of {}", fmt::join(accepted, ", ")), option, example);
        },
        "");
}

}  // namespace cli
