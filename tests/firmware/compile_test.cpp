// Every timer and mode `avrtimer-calc code` can emit for a chip, as a
// function, a header and for Arduino, compiled by avr-gcc with warnings as
// errors; and a header compiled for another F_CPU must fail.
#include "avr/timers.h"
#include "cli/cli.h"
#include "solver/quantity.h"
#include "solver/words.h"

#include "tests/firmware/cases.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Variant {
    std::string goal;  // --interval, --frequency, --pwm-frequency
    std::string target;
    std::string mode;
    std::vector<std::string> extra;
};

// At 16 MHz: CTC and NORMAL interrupts, a preload, a software count, a
// crystal, the PLL; both square waves; every TOP of every PWM mode, and 0 %.
const std::vector<Variant> variants{
    {"--interval", "1ms", "ctc", {}},
    {"--interval", "1ms", "ctc", {"--header"}},
    {"--interval", "1ms", "ctc", {"--arduino"}},
    {"--interval", "1.024ms", "normal", {}},
    {"--interval", "100us", "normal", {"--pick", "3"}},
    {"--interval", "1s", "ctc", {}},
    {"--interval", "10ms", "normal", {"--header"}},
    {"--interval", "1s", "ctc", {"--timer2-clock", "32768"}},
    {"--interval", "1s", "ctc", {"--timer2-clock", "32768", "--header"}},
    {"--interval", "1s", "ctc", {"--top", "icr"}},
    {"--interval", "1s", "ctc", {"--top", "icr", "--header", "--arduino"}},
    {"--interval", "1ms", "ctc", {"--timer1-clock", "64MHz"}},
    {"--frequency", "38kHz", "ctc", {}},
    {"--frequency", "1kHz", "ctc", {"--top", "icr"}},
    {"--frequency", "3906.25Hz", "normal", {}},
    {"--pwm-frequency", "976.5625Hz", "fast-pwm", {}},
    {"--pwm-frequency", "976.5625Hz", "fast-pwm", {"--duty", "0"}},
    {"--pwm-frequency", "20kHz", "fast-pwm", {"--header"}},
    {"--pwm-frequency", "490Hz", "phase-pwm", {}},
    {"--pwm-frequency", "20kHz", "phase-pwm", {"--duty", "100"}},
    {"--pwm-frequency", "50Hz", "fast-pwm", {"--top", "icr"}},
    {"--pwm-frequency", "50Hz", "fast-pwm", {"--top", "icr", "--header"}},
    {"--pwm-frequency", "20kHz", "phase-pwm", {"--top", "icr"}},
    {"--pwm-frequency", "50Hz", "phase-frequency-pwm", {}},
    {"--pwm-frequency", "50Hz", "phase-frequency-pwm", {"--top", "icr", "--duty", "0"}},
    {"--pwm-frequency", "250kHz", "fast-pwm", {"--timer1-clock", "64MHz", "--duty", "0"}},
    {"--pwm-frequency", "125kHz", "fast-pwm", {"--timer1-clock", "32MHz", "--header"}},
};

struct Emitted {
    int status;
    std::string code;
};

Emitted emit(const std::string& chip, int timer, const Variant& v) {
    std::vector<std::string> args{"avrtimer-calc", "code", "--mcu", chip, "--clock", "16MHz", v.goal, v.target,
                                  "--mode", v.mode, "--timer", std::to_string(timer)};
    args.insert(args.end(), v.extra.begin(), v.extra.end());
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str()};
}

bool has(const std::vector<std::string>& words, const std::string& word) {
    return std::ranges::find(words, word) != words.end();
}

// What --top asks for: "icr", or empty for the best TOP of the mode.
std::string topAsked(const Variant& v) {
    const auto top = std::ranges::find(v.extra, "--top");
    return top == v.extra.end() ? std::string() : *(top + 1);
}

// A header is compiled through a file that includes it, defines the
// routine it names and runs the setup.
std::string sourceFor(const fs::path& dir, const std::string& name, int timer, const Variant& v,
                      const std::string& code) {
    if (!has(v.extra, "--header"))
        return code;
    std::ofstream(dir / (name + ".h")) << code;
    const std::string vector = fmt::format("TIMER{}_VECTOR", timer);
    std::string source = "#include \"" + name + ".h\"\n";
    if (code.find("#define " + vector) != std::string::npos)
        source += "ISR(" + vector + ")\n{\n}\n";
    return source + fmt::format("void setup(void);\nvoid setup(void)\n{{\n    TIMER{}_SETUP();\n}}\n", timer);
}

struct Compiled {
    int status;
    std::string messages;
};

Compiled compile(const fs::path& dir, const std::string& chip, const std::string& files, const std::string& flags) {
    const std::string command = "cd '" + dir.string() + "' && " + AVRTIMER_AVR_GCC + " -mmcu=" + chip +
                                " -std=gnu11 -Os -Wall -Wextra -Werror " + flags + " -c " + files + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string messages;
    char buffer[512];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr)
        messages += buffer;
    const int status = pipe == nullptr ? -1 : pclose(pipe);
    return {status, messages};
}

class SetupCode : public testing::TestWithParam<const avr::Chip*> {};

TEST_P(SetupCode, CompilesForEveryTimerAndMode) {
    const avr::Chip& chip = *GetParam();
    // One directory per process: runs of the suite from other build trees
    // share the temporary directory, and would clear each other's files.
    const fs::path dir = fs::path(testing::TempDir()) / fmt::format("setupcode-{}-{}", chip.name, getpid());
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string files;
    std::set<std::tuple<int, std::string, std::string>> emitted;
    std::string aHeader;
    for (const avr::Timer& timer : chip.timers) {
        for (std::size_t i = 0; i < variants.size(); ++i) {
            const Variant& v = variants[i];
            const Emitted e = emit(std::string(chip.name), timer.number, v);
            // Refused when the timer lacks the mode, the TOP, the crystal or the PLL.
            if (e.status == cli::exitBadInput)
                continue;
            ASSERT_EQ(e.status, cli::exitOk) << v.goal << " " << v.target;
            std::istringstream lines(e.code);
            for (std::string line; std::getline(lines, line);)
                EXPECT_LE(line.size(), 100u) << line;
            const std::string name = fmt::format("t{}_{}", timer.number, i);
            std::ofstream(dir / (name + ".c")) << sourceFor(dir, name, timer.number, v, e.code);
            files += " " + name + ".c";
            emitted.insert({timer.number, v.mode, topAsked(v)});
            if (has(v.extra, "--header") && aHeader.empty())
                aHeader = name + ".c";
        }
    }
    const Compiled compiled = compile(dir, std::string(chip.name), files, "-DF_CPU=16000000UL");
    EXPECT_EQ(compiled.status, 0) << compiled.messages;
    // A mode with ICRn as TOP only when asked for; the others as the best row.
    for (const avr::Timer& timer : chip.timers)
        for (const avr::WaveformMode& mode : timer.modes) {
            const std::string keyword(solver::modeKeyword(mode.mode));
            const std::string top = mode.top == avr::Top::Icr ? "icr" : "";
            EXPECT_TRUE(emitted.contains({timer.number, keyword, top}))
                << "Timer" << timer.number << " " << keyword << " " << top << " never emitted";
        }
    ASSERT_FALSE(aHeader.empty());
    const Compiled otherClock = compile(dir, std::string(chip.name), aHeader, "-DF_CPU=8000000UL");
    EXPECT_NE(otherClock.status, 0) << "a header compiled for another F_CPU";
    EXPECT_NE(otherClock.messages.find("these values are for F_CPU 16000000 Hz"), std::string::npos)
        << otherClock.messages;
    if (!HasFailure())
        fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Chips, SetupCode, testing::ValuesIn(firmware::allChips()),
                         [](const auto& info) { return std::string(info.param->name); });

}  // namespace
