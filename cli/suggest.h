#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// "Did you mean": the name a mistyped one was most likely meant to be.
namespace cli {

// The one of `names` nearest `given`, without regard to case: a letter
// wrong, missing, extra or two swapped (two such in a longer name), or
// avrdude's short part names ("m328p", "t85") and a chip name missing its
// "at" ("tiny85"). Empty when none is that near, or `given` is one of them.
std::optional<std::string> nearestName(std::string_view given, std::span<const std::string_view> names);

// "; did you mean solve?", or nothing.
std::string didYouMean(std::string_view given, std::span<const std::string_view> names);

}  // namespace cli
