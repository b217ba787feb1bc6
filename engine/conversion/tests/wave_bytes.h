#pragma once
// Builds RIFF files in memory and on disk for the conversion tests.

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vox::conversion::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline Bytes chunk(const char* id, const Bytes& body, bool pad = true) {
    Bytes out(id, id + 4);
    put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) out.push_back(0);
    return out;
}

struct FormatFields {
    std::uint16_t tag = 1, channels = 1;
    std::uint32_t rate = 8000, avgBytes = 16000;
    std::uint16_t align = 2, bits = 16;
};

// A 16-byte "fmt " body, as most WAV files have it.
inline Bytes formatBody(const FormatFields& f) {
    Bytes body;
    put16(body, f.tag);
    put16(body, f.channels);
    put32(body, f.rate);
    put32(body, f.avgBytes);
    put16(body, f.align);
    put16(body, f.bits);
    return body;
}

inline Bytes riff(const std::vector<Bytes>& chunks) {
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return chunk("RIFF", body);
}

// Data bytes whose 16-bit samples count up from `first`.
inline Bytes rampBytes(std::size_t count, std::uint16_t first = 1) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) {
        const auto sample = static_cast<std::uint16_t>(first + i / 2);
        out.push_back(static_cast<std::uint8_t>(i % 2 == 0 ? sample : sample >> 8));
    }
    return out;
}

inline Bytes plainWave(const Bytes& data, const FormatFields& f = {}) {
    return riff({chunk("fmt ", formatBody(f)), chunk("data", data)});
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vox_conversion_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace vox::conversion::testing
