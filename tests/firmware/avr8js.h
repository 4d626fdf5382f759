#pragma once

// avr8js run by Node: tests/avr8js/run.mjs simulates each firmware for a
// number of cycles and prints its events, which come back here as the
// harness's Events, one list per pin or flag. The runner counts each timer
// tick at its own cycle; Loop::Plain asks for avr8js's own loop instead,
// which a guard test compares.
#include "tests/firmware/simulator.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace firmware {

class Avr8jsRun {
public:
    enum class Loop { TickByTick, Plain };
    struct Job {
        std::string hex;
        std::uint64_t cycles;
    };

    // Node is empty when the build found none.
    static bool available() { return !std::string_view(AVRTIMER_NODE).empty() && modulesInstalled(); }

    // The jobs' runs, in their order, from one start of Node.
    static std::vector<Avr8jsRun> runAll(std::string_view chip, const std::vector<Job>& jobs, Loop loop = Loop::TickByTick) {
        std::string command = "'" + std::string(AVRTIMER_NODE) + "' '" + AVRTIMER_AVR8JS_DIR + "/run.mjs' " +
                              (loop == Loop::Plain ? "--plain " : "") + std::string(chip);
        for (const Job& job : jobs) {
            if (job.hex.find('\'') != std::string::npos)
                throw std::invalid_argument("a quote in " + job.hex);
            command += " '" + job.hex + "' " + std::to_string(job.cycles);
        }
        FILE* const pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            throw std::runtime_error("cannot start " + command);
        std::string output;
        std::array<char, 65536> buffer;
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            output.append(buffer.data(), n);
        if (pclose(pipe) != 0)
            throw std::runtime_error("avr8js failed: " + command);
        std::vector<Avr8jsRun> runs;
        for (std::size_t begin = 0, end; (end = output.find('\n', begin)) != std::string::npos; begin = end + 1) {
            nlohmann::json event = nlohmann::json::parse(output.substr(begin, end - begin));
            if (event["event"] == "firmware")
                runs.push_back(Avr8jsRun());
            else if (!runs.empty())
                runs.back().events_.push_back(std::move(event));
        }
        if (runs.size() != jobs.size())
            throw std::runtime_error("avr8js ran " + std::to_string(runs.size()) + " of the firmware: " + command);
        return runs;
    }

    Avr8jsRun(const std::string& hex, std::string_view chip, std::uint64_t cycles, Loop loop = Loop::TickByTick)
        : Avr8jsRun(std::move(runAll(chip, {{hex, cycles}}, loop).front())) {}

    // The changes of a pin driven as an output.
    Events pin(char port, int bit) const {
        return select(true, [&](const nlohmann::json& e) {
            return e["event"] == "pin" && e["port"] == std::string(1, port) && e["bit"] == bit;
        });
    }
    // Each time the hardware sets the flag.
    Events flag(std::string_view reg, int bit) const {
        return select(false, [&](const nlohmann::json& e) {
            return e["event"] == "flag" && e["register"] == reg && e["bit"] == bit;
        });
    }

private:
    Avr8jsRun() = default;

    static bool modulesInstalled() {
        return std::filesystem::exists(std::string(AVRTIMER_AVR8JS_DIR) + "/node_modules/avr8js/package.json");
    }

    template <class Matches>
    Events select(bool levels, Matches matches) const {
        Events result;
        result.levels = levels;
        for (const nlohmann::json& event : events_) {
            if (!matches(event))
                continue;
            // A cycle avr8js could not place exactly would make a period
            // look wrong, or right, by chance.
            if (event.contains("inexact"))
                throw std::runtime_error("avr8js counted a timer late, at cycle " + event["cycle"].dump());
            result.at.push_back(event["cycle"].get<std::uint64_t>());
            result.level.push_back(!levels || event["level"] == 1);
        }
        return result;
    }

    std::vector<nlohmann::json> events_;
};

}  // namespace firmware
