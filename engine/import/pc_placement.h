#pragma once
// Putting a finished file of our own under its final name without ever
// replacing a file that is there: the name is taken with link() (or, where
// the file system has no links, a rename that refuses to replace), which
// fails rather than overwrite, and a name taken meanwhile moves on to the
// next counter.

#include <optional>
#include <string>

namespace vox::importing {

// Gives the whole file `temporary` the name `wanted` in `folder` (or
// `wanted` with a counter, see freeName) and removes the temporary name.
// Returns the name it got; none, with `temporary` left for the caller to
// remove and `error` set, when no name could be had.
std::optional<std::string> placeWithoutOverwrite(const std::string& temporary,
                                                 const std::string& folder,
                                                 const std::string& wanted, std::string& error);

// Whether the two files hold the same bytes; false also when either cannot
// be read.
bool sameContent(const std::string& first, const std::string& second);

}  // namespace vox::importing
