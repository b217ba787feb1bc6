#pragma once
// New files of our own beside a file they will replace: created under a
// freshly drawn name, exclusively, so that an existing file or a symbolic link
// under that name is never opened, truncated or followed.

#include <cstdio>
#include <string>

namespace vox::files {

// Creates `target` + ".xxxxxxxx" (eight random hexadecimal digits) for
// writing, with the mode of a plain creation under the user's umask. Returns
// the open stream and sets `path`, or null (errno set) when no name could be
// had or the folder refused.
std::FILE* createBeside(const std::string& target, std::string& path);

}  // namespace vox::files
