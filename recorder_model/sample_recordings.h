#pragma once
// The recordings a new simulated recorder holds: real speech at each
// quality, made by samples/make_samples.sh and built into the model from
// the .DVF files beside that script.

#include <cstdint>
#include <span>
#include <string_view>

namespace vox::model {

// The bytes of samples/`path` ("A/VOICE001.DVF"); empty for a path that is
// not one of them.
std::span<const std::uint8_t> sampleRecording(std::string_view path);

}  // namespace vox::model
