#include "bench/process_timer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>

namespace bench {
namespace {

// A shell script standing in for a measured program.
std::string script(const std::string& name, const std::string& body) {
    const std::string path = testing::TempDir() + "process_timer_" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
}

struct FailureCase {
    const char* name;
    const char* body;  // empty: no such program
    const char* reason;
};

void PrintTo(const FailureCase& row, std::ostream* out) { *out << row.name; }

class TimeProcessFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(TimeProcessFailure, NamesHowTheProgramEnded) {
    const std::string program = *GetParam().body == '\0' ? testing::TempDir() + "no_such_program"
                                                         : script(GetParam().name, GetParam().body);
    try {
        timeProcess(program, "offscreen");
        FAIL() << "no error for " << program;
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().reason), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, TimeProcessFailure,
                         testing::Values(FailureCase{"exitStatus", "exit 3", "exit status 3"},
                                         FailureCase{"signal", "kill -TERM $$", "ended by signal 15"},
                                         FailureCase{"missing", "", "could not be started"}),
                         [](const auto& info) { return info.param.name; });

TEST(TimeProcess, PassesThePlatformAndMeasuresTheRun) {
    const std::string program = script("platform", "[ \"$QT_QPA_PLATFORM\" = xcb ] || exit 9\nsleep 0.05");
    const ProcessRun run = timeProcess(program, "xcb");
    EXPECT_GE(run.wallMs, 50);
    EXPECT_LT(run.wallMs, 5000);
    EXPECT_GT(run.peakRssMiB, 0);
    EXPECT_THROW(timeProcess(program, "offscreen"), std::runtime_error);
}

}  // namespace
}  // namespace bench
