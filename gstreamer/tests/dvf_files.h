#pragma once
// The recordings the plugin's tests play: the simulated recorder's samples
// at each rate, what voxctl decodes them to, and damaged copies of them.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/voxctl/tests/voxctl_process.h"
#include "voice_decoder/dvf_block.h"

namespace vox::dvf::testing {

struct RateSample {
    g729::Rate rate;
    const char* path;  // under the sample recordings' folder
};

inline constexpr RateSample kRateSamples[] = {
    {g729::Rate::k6400, "B/CALLBANK.DVF"},
    {g729::Rate::k8000, "A/VOICE002.DVF"},
    {g729::Rate::k11800, "A/MEETING.DVF"},
};

std::string samplePath(const char* path);

// A folder of files for one test, with voxctl beside it.
class Workbench {
  public:
    // Writes `bytes` as `name` and returns its path.
    std::string put(const std::string& name, const std::string& bytes);
    // What `voxctl decode` makes of `path` (copied in first); empty when
    // it decodes nothing.
    std::vector<std::int16_t> voxctlDecode(const std::string& path);
    voxctl::testing::VoxctlSandbox& sandbox() { return sandbox_; }

  private:
    voxctl::testing::VoxctlSandbox sandbox_;
    int decodes_ = 0;
};

}  // namespace vox::dvf::testing
