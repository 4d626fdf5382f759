#include "cli/suggest.h"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

namespace cli {
namespace {

// ASCII only: the C library's tolower follows the user's locale.
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(), lower);
    return result;
}

// Edits from a to b, a swap of neighbours counting as one.
std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// What a short name stands for: avrdude calls the atmega328p m328p and the
// attiny85 t85.
std::vector<std::string> spellings(const std::string& given) {
    std::vector<std::string> all{given, "at" + given};
    if (given.size() > 1 && given[0] == 'm')
        all.push_back("atmega" + given.substr(1));
    if (given.size() > 1 && given[0] == 't')
        all.push_back("attiny" + given.substr(1));
    return all;
}

}  // namespace

std::optional<std::string> nearestName(std::string_view given, std::span<const std::string_view> names) {
    const std::string typed = lowered(given);
    for (const std::string& spelling : spellings(typed))
        for (std::string_view name : names)
            if (lowered(name) == spelling)
                return spelling == typed ? std::nullopt : std::optional<std::string>(name);
    const std::size_t allowed = typed.size() <= 4 ? 1 : 2;
    std::optional<std::string> nearest;
    std::size_t best = allowed + 1;
    for (std::string_view name : names)
        if (const std::size_t d = distance(typed, lowered(name)); d < best) {
            best = d;
            nearest = std::string(name);
        }
    return nearest;
}

std::string didYouMean(std::string_view given, std::span<const std::string_view> names) {
    const std::optional<std::string> nearest = nearestName(given, names);
    return nearest ? fmt::format("; did you mean {}?", *nearest) : std::string();
}

}  // namespace cli
