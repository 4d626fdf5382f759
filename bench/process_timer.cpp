#include "bench/process_timer.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace bench {
namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double toMs(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// A program that never sees its window painted would otherwise hang the
// whole measurement.
constexpr unsigned timeLimitSeconds = 60;

// In the child: only async-signal-safe calls until exec. The alarm survives
// exec, and its default action ends the program.
[[noreturn]] void execQuietly(char* const* argv) {
    alarm(timeLimitSeconds);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
    }
    execv(argv[0], argv);
    _exit(127);
}

std::string howItEnded(int status) {
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return "still running after " + std::to_string(timeLimitSeconds) + " s";
    if (WIFSIGNALED(status))
        return "ended by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) == 127)
        return "could not be started";
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

ProcessRun timeProcess(const std::string& program, const std::string& platform) {
    return timeProcess(std::vector<std::string>{program}, platform);
}

ProcessRun timeProcess(const std::vector<std::string>& command, const std::string& platform) {
    const std::string& program = command.front();
    // Made before fork: the child may not allocate between fork and exec.
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const double start = nowMs();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork: " + std::string(std::strerror(errno)));
    if (pid == 0)
        execQuietly(argv.data());
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            throw std::runtime_error("wait4: " + std::string(std::strerror(errno)));
    }
    const double end = nowMs();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " under QT_QPA_PLATFORM=" + platform + ": " + howItEnded(status));
    return {end - start, toMs(usage.ru_utime) + toMs(usage.ru_stime),
            static_cast<double>(usage.ru_maxrss) / 1024.0};
}

}  // namespace bench
