#pragma once
// Runs korvex-inspect in the test's own process and keeps what it printed.

#include "tools/korvex-inspect/inspect.h"

#include <sstream>
#include <string>
#include <vector>

namespace korvex {

struct InspectRun {
    int status;
    std::string out;
    std::string err;
};

inline InspectRun inspect(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    ProgramState state;
    const int status = runInspect(args, state, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace korvex
