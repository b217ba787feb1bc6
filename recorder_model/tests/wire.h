#pragma once
// Hand-made command blocks and a host's side of the exchanges, for driving a
// recorder model byte by byte in tests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recorder_model/recorder.h"

namespace vox::model::testing {

using Bytes = std::vector<std::uint8_t>;

// '#', N, ':', `body`, '.', then zeros up to `written` bytes (0: no padding).
inline Bytes block(const Bytes& body, std::size_t written = 64) {
    Bytes out = {0x23, 0x00, static_cast<std::uint8_t>(body.size() + 2), 0x3A};
    out.insert(out.end(), body.begin(), body.end());
    out.push_back(0x2E);
    if (written > out.size()) out.resize(written, 0);
    return out;
}

inline Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline Bytes be16(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

inline Bytes utf16(std::u16string_view s) {
    Bytes out;
    for (char16_t u : s) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

// CREATE as the host builds it, padded to whole 64-byte packets plus one.
inline Bytes createBlock(char store, std::string_view shortName, std::u16string_view longName,
                         std::uint32_t size, std::uint16_t date = 0x5A21,
                         std::uint16_t time = 0x6B40) {
    Bytes body = cat({{static_cast<std::uint8_t>(store), 0x90, 0x17, 0x02, 0x20},
                      be16(date),
                      be16(time),
                      be16(size >> 16),
                      be16(size & 0xFFFF),
                      {0x32},
                      be16(static_cast<std::uint32_t>(shortName.size())),
                      text(shortName),
                      be16(static_cast<std::uint32_t>(longName.size() * 2)),
                      utf16(longName)});
    std::size_t length = body.size() + 5;  // with "#", N, ":" and "."
    return block(body, (length / 64 + 1) * 64);
}

class Host {
  public:
    explicit Host(Recorder& recorder) : r_(recorder) {}
    usb::UsbStatus begin() { return r_.vendorRequest(0x0A, 0x0040, 0x0000); }
    usb::UsbStatus end() { return r_.vendorRequest(0x0A, 0x0000, 0xFFFF); }
    usb::UsbStatus await() { return r_.vendorRequest(0x0C, 0, 0); }
    usb::UsbStatus beginData() { return r_.vendorRequest(0x0B, 0, 0); }
    usb::UsbResult write(const Bytes& bytes) { return r_.bulkOut(bytes); }
    // Reads up to `length` bytes, in as many transfers as the recorder needs;
    // a short transfer ends it.
    Bytes read(std::size_t length) {
        Bytes out(length, 0);
        std::size_t got = 0;
        while (got < length) {
            auto result = r_.bulkIn(std::span(out).subspan(got));
            lastStatus = result.status;
            got += result.transferred;
            if (result.status != usb::UsbStatus::Ok || result.transferred == 0) break;
        }
        out.resize(got);
        return out;
    }
    // Begin, command, end, await, one read of `replyLength` bytes.
    Bytes query(const Bytes& command, std::size_t replyLength = 64) {
        begin();
        write(command);
        end();
        await();
        return read(replyLength);
    }
    // A command-with-outcome exchange; gives the FINISH reply's outcome byte,
    // or -1 when no FINISH reply came.
    int outcome(const Bytes& command) {
        query(command);
        end();
        auto reply = query(block({0x46}, 0));
        end();
        return reply.size() == 64 ? reply[4] : -1;
    }
    // A listing exchange; gives the directory stream's first L bytes.
    Bytes list(const Bytes& command) {
        auto reply = query(command);
        if (reply.size() < 8 || reply[0] != 0x23 || reply[2] != 0x06) return {};
        std::size_t length = static_cast<std::size_t>(reply[6] << 8 | reply[7]);
        end();
        auto stream = query(block({0x46}), ((length + 1) / 64 + 1) * 64);
        end();
        if (stream.size() != ((length + 1) / 64 + 1) * 64) return {};
        stream.resize(length);
        return stream;
    }
    Bytes listFolder(std::string_view name) {
        std::string padded(name);
        padded.resize(8, ' ');
        return list(block(cat({{'M', 0x67}, text(padded)})));
    }
    // A create exchange; gives the CREATE reply's outcome, or -1.
    int create(char store, std::string_view shortName, std::u16string_view longName,
               const Bytes& content) {
        auto reply = query(
            createBlock(store, shortName, longName, static_cast<std::uint32_t>(content.size())));
        if (reply.size() != 64) return -1;
        if (reply[4] != 0) return reply[4];
        end();
        beginData();
        for (std::size_t at = 0; at <= content.size(); at += 32768) {
            Bytes chunk(32768, 0);
            std::copy(
                content.begin() + static_cast<std::ptrdiff_t>(at),
                content.begin() + static_cast<std::ptrdiff_t>(std::min(content.size(), at + 32768)),
                chunk.begin());
            if (write(chunk).status != usb::UsbStatus::Ok) return -1;
        }
        end();
        return 0;
    }
    usb::UsbStatus lastStatus = usb::UsbStatus::Ok;

  private:
    Recorder& r_;
};

// Names of the short entries in a directory stream, in order, as 11 bytes.
inline std::vector<std::string> shortNames(const Bytes& stream) {
    std::vector<std::string> names;
    for (std::size_t at = 8; at + 32 <= stream.size(); at += 32)
        if (stream[at + 11] != 0x0F)
            names.emplace_back(reinterpret_cast<const char*>(stream.data() + at), 11);
    return names;
}

inline std::uint32_t be32At(const Bytes& bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

}  // namespace vox::model::testing
