#pragma once

#include <string>
#include <vector>

class Log;

namespace tessal {

// The run's log, set once at the start of the run and kept until the process ends.
extern Log *runLog;

// The plug-in's one run over the temporary file named by arguments[1]: returns 0 once the
// file is rewritten; any failure is logged, then leaves the run.
int run(const std::vector<std::string> &arguments);

} // namespace tessal
