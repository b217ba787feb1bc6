#include "voice_encoder/vector_path.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifndef VOX_CODER_DEFAULT_PATH
#define VOX_CODER_DEFAULT_PATH avx2
#endif

namespace vox::g729 {

namespace {

constexpr VectorPath kPaths[] = {VectorPath::portable, VectorPath::sse2, VectorPath::avx2};

bool parse(const char* name, VectorPath& path) {
    if (name == nullptr) return false;
    for (VectorPath p : kPaths) {
        if (std::strcmp(name, vector_path_name(p)) == 0) {
            path = p;
            return true;
        }
    }
    return false;
}

}  // namespace

const char* vector_path_name(VectorPath path) {
    switch (path) {
        case VectorPath::portable:
            return "portable";
        case VectorPath::sse2:
            return "sse2";
        case VectorPath::avx2:
            return "avx2";
    }
    return "portable";
}

VectorPath best_vector_path() {
#if defined(__x86_64__)
    return __builtin_cpu_supports("avx2") ? VectorPath::avx2 : VectorPath::sse2;
#else
    return VectorPath::portable;
#endif
}

VectorPath choose_vector_path(const char* requested, VectorPath build_default, VectorPath best) {
    VectorPath path = build_default;
    parse(requested, path);
    return std::min(path, best);
}

VectorPath active_vector_path() {
    static const VectorPath path = choose_vector_path(
        std::getenv("VOX_CODER_PATH"), VectorPath::VOX_CODER_DEFAULT_PATH, best_vector_path());
    return path;
}

}  // namespace vox::g729
