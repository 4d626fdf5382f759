// Peak memory of whole runs, which hyperfine does not measure.
//
//   peak_rss RUNS NAME=PROGRAM...
//
// Runs each program RUNS times, taking turns, output discarded, and prints
// {"NAME": [peak RSS of each run in MiB, ...], ...}. Fails when a run does
// not exit with status 0.
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

double peakRssMiB(const std::string& program) {
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("cannot fork");
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR)
            throw std::runtime_error("wait4 failed for " + program);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " did not exit with status 0");
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

int positiveInteger(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1)
        throw std::invalid_argument("not a positive number of runs: " + text);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc < 3)
            throw std::invalid_argument("usage: peak_rss RUNS NAME=PROGRAM...");
        const int runs = positiveInteger(argv[1]);
        nlohmann::json result = nlohmann::json::object();
        for (int run = 0; run < runs; ++run)
            for (int i = 2; i < argc; ++i) {
                const std::string argument = argv[i];
                const std::size_t equals = argument.find('=');
                if (equals == std::string::npos)
                    throw std::invalid_argument("not NAME=PROGRAM: " + argument);
                result[argument.substr(0, equals)].push_back(peakRssMiB(argument.substr(equals + 1)));
            }
        std::fputs((result.dump() + "\n").c_str(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fputs(("peak_rss: " + std::string(error.what()) + "\n").c_str(), stderr);
        return 1;
    }
}
