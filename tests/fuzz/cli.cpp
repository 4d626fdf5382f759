// avrtimer-calc run in-process on argument vectors made from the input: any
// command line ends in status 0, 1 or 2, and status 2 says why in exactly
// one line on stderr.
//
// The input is words, one a line. A word that starts with a byte below 0x20
// is made from the words the program knows, chosen by its next bytes: a
// subcommand, an option, a quantity, a register assignment, a chip, a mode
// or kind of TOP, a whole number. Any other word is passed as it is, so that
// the seeds are command lines as typed.
#include "cli/cli.h"
#include "tests/fuzz/fuzzcheck.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::fail;
using fuzz::quoted;

constexpr std::array<std::string_view, 7> subcommands{"solve", "code", "explain", "figures", "diagram", "--help",
                                                      "--version"};
constexpr std::array<std::string_view, 24> options{
    "--mcu",    "--clock",  "--interval", "--frequency", "--pwm-frequency", "--timer",     "--mode",   "--top",
    "--limit",  "--json",   "--wide",     "--pick",      "--duty",          "--header",    "--arduino", "--periods",
    "--svg",    "--prescaler", "--register", "--ocr",   "--timer2-clock",  "--timer1-clock", "--max-error", "--help"};
constexpr std::array<std::string_view, 10> units{"", "Hz", "kHz", "MHz", "s", "ms", "us", " MHz", "GHz", "e6"};
constexpr std::array<std::string_view, 26> registers{
    "TCCR0A", "TCCR0B", "OCR0A", "OCR0B", "TIMSK0", "TCCR1A", "TCCR1B", "TCCR1C", "OCR1A",
    "OCR1B",  "ICR1",   "TIMSK1", "TCCR2A", "TCCR2B", "OCR2A", "OCR2B",  "TIMSK2", "ASSR",
    "TCCR0",  "TCCR2",  "OCR2",   "TCCR1",  "GTCCR",  "OCR1C", "DDRB",   "PLLCSR"};
constexpr std::array<std::string_view, 8> chips{"atmega328p", "atmega48", "atmega8", "atmega16", "atmega32",
                                                "atmega2560", "attiny85", "atmega9"};
constexpr std::array<std::string_view, 10> keywords{"normal", "ctc", "fast-pwm", "phase-pwm", "phase-frequency-pwm",
                                                    "fixed", "ocr", "icr", "slow", "-"};
constexpr std::array<std::string_view, 10> wholeNumbers{"0", "1", "2", "3", "5", "10", "100", "255", "1000", "-1"};

template <std::size_t N>
std::string_view pick(const std::array<std::string_view, N>& words, unsigned char choice) {
    return words[choice % N];
}

// Digits, a point and an exponent from the bytes, then a unit.
std::string quantity(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 1; i < bytes.size() && i < 12; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text += b % 16 < 10 ? static_cast<char>('0' + b % 16) : ".,e-+ "[b % 16 - 10];
    }
    return text + std::string(pick(units, bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0])));
}

std::string registerAssignment(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
    const unsigned value = byte(1) * 256 + byte(2);
    return std::string(pick(registers, static_cast<unsigned char>(byte(0)))) + "=" +
           (byte(3) % 2 ? "0x" + std::to_string(value) : std::to_string(value));
}

std::string made(std::string_view word) {
    const auto kind = static_cast<unsigned char>(word[0]);
    const std::string_view rest = word.substr(1);
    const unsigned char choice = rest.empty() ? 0 : static_cast<unsigned char>(rest[0]);
    switch (kind % 7) {
    case 0: return std::string(pick(subcommands, choice));
    case 1: return std::string(pick(options, choice));
    case 2: return quantity(rest);
    case 3: return registerAssignment(rest);
    case 4: return std::string(pick(chips, choice));
    case 5: return std::string(pick(keywords, choice));
    default: return std::string(pick(wholeNumbers, choice));
    }
}

std::vector<std::string> argumentsOf(std::string_view input) {
    std::vector<std::string> args{"avrtimer-calc"};
    while (!input.empty() && args.size() < 40) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        const std::string_view word = input.substr(0, end);
        input.remove_prefix(std::min(end + 1, input.size()));
        args.push_back(!word.empty() && static_cast<unsigned char>(word[0]) < 0x20 ? made(word) : std::string(word));
        // The drawing goes to standard output: no file is written.
        if (args.back().starts_with("--svg="))
            args.back() = "--svg=-";
        else if (args.size() > 2 && args[args.size() - 2] == "--svg")
            args.back() = "-";
    }
    return args;
}

std::string shown(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args)
        text += quoted(arg) + " ";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 400)
        return 0;
    const std::vector<std::string> args = argumentsOf(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    std::ostringstream out, err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    if (status != cli::exitOk && status != cli::exitNoResult && status != cli::exitBadInput)
        fail({"status", fuzz::show(static_cast<long long>(status)), "of", shown(args), quoted(err.str())});
    const std::string message = err.str();
    if (status == cli::exitBadInput && (message.empty() || message.find('\n') != message.size() - 1))
        fail({"not one line on stderr with status 2:", shown(args), quoted(message)});
    return 0;
}
