#include "cli/code_command.h"

#include "cli/cli.h"
#include "solver/setupcode.h"

#include <ostream>
#include <string>
#include <stdexcept>

namespace cli {

int runCode(const CodeOptions& o, const std::string& command, std::ostream& out, std::ostream& err) {
    solver::Query query = queryOf(o.query);
    if (o.arduino && query.chip->timer(2) != nullptr)
        query.preferredTimer = 2;
    const solver::Ranking ranking = rankingOf(o.query, query);
    const auto [row, within] = pickedRow(o.query, ranking, o.pick);
    solver::CodeStyle style;
    style.header = o.header;
    style.arduino = o.arduino;
    style.dutyPercent = o.duty;
    style.command = command;
    try {
        out << solver::setupCode(query, row, style);
    } catch (const std::invalid_argument&) {
        throw badInput("--clock", o.query.clock.text,
                       "is not a whole number of hertz, which the header's F_CPU check needs", "16MHz");
    }
    // Said beside the code too, which a script may write to a file unread.
    const std::string miss = solver::dutyMiss(row, solver::setupOf(query, row, o.duty, o.arduino), o.duty);
    if (!miss.empty())
        err << "avrtimer-calc: note: " << miss << "\n";
    if (within)
        return exitOk;
    err << noneWithin(o.query, row);
    return exitNoResult;
}

}  // namespace cli
