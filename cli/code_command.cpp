#include "cli/code_command.h"

#include "cli/options.h"
#include "solver/setupcode.h"

#include <fmt/format.h>

#include <ostream>
#include <stdexcept>

namespace cli {

void addCodeCommand(CLI::App& app, CodeOptions& o) {
    CLI::App* code = app.add_subcommand("code", "C for avr-libc that sets up a row of the ranking");
    addQueryOptions(*code, o.query);
    code->add_option("--pick", o.pick, "the row of the ranking to set up (1, the best)")
        ->type_name("N")
        ->check(wholeNumberCheck(1, 1000000, "--pick", "1"));
    code->add_option("--duty", o.duty, "the PWM duty in percent, 0..100 (50)")
        ->type_name("D")
        ->check(wholeNumberCheck(0, 100, "--duty", "50"));
    code->add_flag("--header", o.header, "a header of macros that fails the build on another F_CPU");
    code->add_flag("--arduino", o.arduino, "say what the Arduino core uses the timer for, and prefer Timer2");
    code->footer(
        "The setup function writes the control registers, the compare values, the interrupt mask and\n"
        "the pin's DDR bit, every bit by its avr-libc name; the interrupt routine counts interrupts in\n"
        "software where the row needs it, and reloads a NORMAL preload without adding the latency.\n\n"
        "Examples:\n"
        "  avrtimer-calc code --clock 16MHz --interval 1ms\n\n"
        "  avrtimer-calc code --mcu atmega8 --clock 8MHz --frequency 38kHz --header\n\n"
        "  avrtimer-calc code --clock 16MHz --pwm-frequency 20kHz --duty 25 --arduino\n\n"
        "  avrtimer-calc code --clock 16MHz --interval 1s --pick 2");
}

int runCode(const CodeOptions& o, const std::string& command, std::ostream& out, std::ostream& err) {
    solver::Query query = queryOf(o.query);
    if (o.arduino && query.chip->timer(2) != nullptr)
        query.preferredTimer = 2;
    const solver::Ranking ranking = rankingOf(o.query, query);
    const std::size_t within = rowsWithin(o.query, ranking);
    const auto pick = static_cast<std::size_t>(wholeNumber(o.pick));
    const std::size_t available = within == 0 ? 1 : within;
    if (pick > available)
        throw badInput("--pick", o.pick, fmt::format("is beyond the {} rows of the ranking", available), "1");
    const solver::Row row = ranking.row(pick - 1);
    solver::CodeStyle style;
    style.header = o.header;
    style.arduino = o.arduino;
    style.dutyPercent = static_cast<int>(wholeNumber(o.duty));
    style.command = command;
    try {
        out << solver::setupCode(query, row, style);
    } catch (const std::invalid_argument&) {
        throw badInput("--clock", o.query.clock, "is not a whole number of hertz, which the header's F_CPU check needs",
                       "16MHz");
    }
    if (within > 0)
        return 0;
    err << noneWithin(o.query, row);
    return 1;
}

}  // namespace cli
