#pragma once

#include "solver/quantity.h"

#include <stdexcept>
#include <string>
#include <string_view>

// What the subcommands share: bad input as one line that names the option,
// quotes what was given and shows an accepted value. Every subcommand's
// options, and the validators that read them, are in cli.cpp, the one file
// that includes CLI11.
namespace cli {

class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An option's value as read, beside the text it was read from, which the
// messages about it quote.
template <typename T>
struct Given {
    std::string text;
    T value{};
};

// "'<given>' <problem>; for example <option> <example>", without the option
// in front: CLI11 puts it there for its validators. No example when it is
// empty: a problem that says "did you mean" has one.
std::string complaint(std::string_view given, std::string_view problem, std::string_view option,
                      std::string_view example);
// The same with the option in front, for what is found after parsing.
InputError badInput(std::string_view option, std::string_view given, std::string_view problem,
                    std::string_view example);

// Why parseQuantity refused a text, in words.
std::string quantityProblem(const solver::QuantityError& error, solver::Dimension expected);

}  // namespace cli
