// Markdown for the README: for each chip, the setup of its first interrupt
// case and the cycles the simulator measured between the interrupt flags,
// chips with the same setup together.
//   firmware_report
#include "tests/firmware/cases.h"
#include "tests/firmware/simulator.h"

#include "solver/setupcode.h"
#include "solver/words.h"

#include <fmt/format.h>

#include <exception>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

// The setup function alone, from "static inline" to its closing brace.
std::string functionOf(const std::string& code) {
    const std::size_t start = code.find("static inline");
    return code.substr(start, code.find("\n}\n", start) + 3 - start);
}

struct Proof {
    std::string function;
    std::vector<std::string> lines;
};

std::string measured(const avr::Chip& chip, const firmware::Case& c) {
    firmware::Simulation sim(fmt::format("{}/{}/{}.elf", AVRTIMER_FIRMWARE_DIR, chip.name, c.name), chip.name);
    const firmware::Events& flags = sim.flag(*sim.routineVector());
    const mpz_class claimed = firmware::claimedCycles(c);
    sim.run(claimed.get_ui() * 8);
    const std::vector<std::uint64_t> intervals = flags.intervals(1);
    const std::set<std::uint64_t> distinct(intervals.begin(), intervals.end());
    return fmt::format("{}: {} periods measured, each {} cycles; claimed {} cycles, {} at 16 MHz", chip.title,
                       intervals.size(), fmt::join(distinct, " or "), claimed.get_str(), solver::timeText(c.row.achieved));
}

}  // namespace

int main() {
    try {
        std::vector<Proof> proofs;
        for (const avr::Chip& chip : avr::chips()) {
            // A CTC interrupt where a timer has one, else an overflow.
            const std::vector<firmware::Case> cases = firmware::casesOf(chip, firmware::Simulator::Simavr);
            auto chosen = std::ranges::find_if(cases, [](const firmware::Case& c) { return c.name.ends_with("-ctc"); });
            if (chosen == cases.end())
                chosen = std::ranges::find(cases, firmware::Measure::InterruptFlag, &firmware::Case::measure);
            const std::string function = functionOf(solver::setupCode(chosen->query, chosen->row, {}));
            auto same = std::ranges::find(proofs, function, &Proof::function);
            if (same == proofs.end())
                same = proofs.insert(proofs.end(), {function, {}});
            same->lines.push_back(measured(chip, *chosen));
        }
        for (const Proof& proof : proofs) {
            std::cout << "```c\n" << proof.function << "```\n\n";
            for (const std::string& line : proof.lines)
                std::cout << "- " << line << "\n";
            std::cout << "\n";
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "firmware_report: " << error.what() << "\n";
        return 1;
    }
}
