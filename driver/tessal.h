#pragma once

#include <string>
#include <vector>

namespace tessal {

// The plug-in's one run over the temporary file named by arguments[1]: returns 0 after a
// completed run, whether or not a lyric changed; any failure is logged with its reason, then
// leaves the run.
int run(const std::vector<std::string> &arguments);

} // namespace tessal
