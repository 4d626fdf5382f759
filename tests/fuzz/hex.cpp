// hex(k): the low 32 bits in upper-case hexadecimal, padded to two digits.
#include "calc/numtext.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using fuzz::fail;
using fuzz::quoted;

bool isUpperHexDigit(char c) { return fuzz::isDigit(c) || (c >= 'A' && c <= 'F'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int64_t k = 0;
    std::memcpy(&k, data, std::min(size, sizeof k));
    const std::string shown = calc::hex(k);
    const std::string value = fuzz::show(static_cast<long long>(k));
    if (shown.size() < 2 || shown.size() > 8 || !std::all_of(shown.begin(), shown.end(), isUpperHexDigit))
        fail({"hex of", value, "is", quoted(shown)});
    // "0" pads only a single digit.
    if (shown[0] == '0' && shown.size() > 2)
        fail({"hex of", value, "has a leading zero:", quoted(shown)});
    std::uint32_t back = 0;
    const auto result = std::from_chars(shown.data(), shown.data() + shown.size(), back, 16);
    if (result.ptr != shown.data() + shown.size() || back != static_cast<std::uint32_t>(k))
        fail({"hex of", value, "is", quoted(shown), "which is not its low 32 bits"});
    return 0;
}
