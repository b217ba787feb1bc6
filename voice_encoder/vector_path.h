#pragma once
// The coder's hot blocks exist in up to three forms that give the same bits:
// portable C++, SSE2 (every x86-64 processor) and AVX2. One of them is chosen
// once per process: the best the processor runs, unless the build's default
// (VOX_CODER_PATH in CMake) or the VOX_CODER_PATH environment variable asks
// for a simpler one, so that the tests can run every path on one machine.

namespace vox::g729 {

enum class VectorPath { portable = 0, sse2 = 1, avx2 = 2 };

// The path the coder runs, chosen at the first call.
VectorPath active_vector_path();

// The most capable path this build and processor can run.
VectorPath best_vector_path();

// "portable", "sse2" or "avx2".
const char* vector_path_name(VectorPath path);

// The path to run: the one `requested` names (an environment value, or null
// or an unknown name for none), else `build_default`; never beyond `best`.
VectorPath choose_vector_path(const char* requested, VectorPath build_default, VectorPath best);

}  // namespace vox::g729
