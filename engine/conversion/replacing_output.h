#pragma once
// A conversion's output, written under a fresh name of our own beside its
// destination and put in the destination's place only when it is whole, so
// that a failure, a cancel or a kill never leaves a truncated file where the
// old output was.

#include <cstdio>
#include <string>

namespace vox::conversion {

class ReplacingOutput {
  public:
    explicit ReplacingOutput(std::string destination) : destination_(std::move(destination)) {}
    // Removes the file made here unless it was put in place.
    ~ReplacingOutput();
    ReplacingOutput(const ReplacingOutput&) = delete;
    ReplacingOutput& operator=(const ReplacingOutput&) = delete;

    // Makes the file (never an existing file, never through a link); null
    // when that failed. The caller writes and closes it.
    std::FILE* create();
    // After the caller closed the whole file: it replaces the destination.
    bool commit();

  private:
    std::string destination_;
    std::string temporary_;
    bool committed_ = false;
};

}  // namespace vox::conversion
