#pragma once

#include <string>
#include <vector>

namespace bench {

// One whole run of a program, from just before fork until wait4 returned.
struct ProcessRun {
    double wallMs = 0;
    double cpuMs = 0;         // user plus system time of the child
    double peakRssMiB = 0;    // the child's ru_maxrss
};

// Runs `program` without arguments, its output discarded, with
// QT_QPA_PLATFORM set to `platform`. Throws std::runtime_error when it cannot
// be started or does not exit with status 0 within a minute.
ProcessRun timeProcess(const std::string& program, const std::string& platform);
// The same for a command with arguments, the program first.
ProcessRun timeProcess(const std::vector<std::string>& command, const std::string& platform);

}  // namespace bench
