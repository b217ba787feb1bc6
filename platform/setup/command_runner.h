#pragma once
// Running a program the way the Linux setup provider needs it: by name on
// PATH, with arguments, waiting for it to end.

#include <functional>
#include <string>
#include <vector>

namespace vox::setup {

// Returns the program's exit status, 128 + the signal number when a signal
// ended it, or 127 when it could not be started.
using CommandRunner = std::function<int(const std::vector<std::string>& argv)>;

int runCommand(const std::vector<std::string>& argv);

}  // namespace vox::setup
