#include "engine/import/content_checksum.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>

namespace vox::importing {

std::string contentChecksum(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    constexpr std::uint64_t kOffsetBasis = 0xcbf29ce484222325ull;
    constexpr std::uint64_t kPrime = 0x100000001b3ull;
    std::uint64_t hash = kOffsetBasis;
    std::array<char, 1 << 15> buffer{};
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash ^= static_cast<unsigned char>(buffer[static_cast<std::size_t>(i)]);
            hash *= kPrime;
        }
        if (in.eof()) break;
    }
    if (in.bad()) return {};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace vox::importing
