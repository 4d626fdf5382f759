#pragma once

#include "cli/options.h"
#include "cli/solve_command.h"

#include <iosfwd>
#include <string>

namespace cli {

struct CodeOptions {
    SolveOptions query;
    Given<int> pick{"1", 1};
    int duty = 50;
    bool header = false;
    bool arduino = false;
};

// `command` is the command line, for the code's comment.
int runCode(const CodeOptions& options, const std::string& command, std::ostream& out, std::ostream& err);

}  // namespace cli
