#pragma once
// Directory streams as the recorder sends them after a listing's FINISH.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vox::devsys::testing {

class DirectoryStream {
  public:
    DirectoryStream(std::uint32_t total, std::uint32_t free) {
        be32(total);
        be32(free);
    }

    // A short entry; `eleven` is the 8 + 3 stored name.
    DirectoryStream& entry(std::string_view eleven, std::uint8_t attribute, std::uint32_t size = 0,
                           std::uint16_t date = 0, std::uint16_t time = 0) {
        std::uint8_t raw[32] = {};
        for (std::size_t k = 0; k < 11 && k < eleven.size(); ++k)
            raw[k] = static_cast<std::uint8_t>(eleven[k]);
        raw[11] = attribute;
        put16(raw + 22, time);
        put16(raw + 24, date);
        put16(raw + 28, static_cast<std::uint16_t>(size));
        put16(raw + 30, static_cast<std::uint16_t>(size >> 16));
        bytes_.insert(bytes_.end(), raw, raw + 32);
        return *this;
    }

    // The long-name run for `name` (last part first, 0x40 on the first
    // entry), followed by its short entry.
    DirectoryStream& longEntry(std::u16string_view name, std::string_view eleven,
                               std::uint32_t size = 0) {
        const std::size_t parts = (name.size() + 12) / 13;
        for (std::size_t k = parts; k-- > 0;) {
            std::uint8_t raw[32] = {};
            raw[0] = static_cast<std::uint8_t>((k + 1) | (k + 1 == parts ? 0x40 : 0));
            raw[11] = 0x0F;
            static constexpr int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
            for (std::size_t u = 0; u < 13; ++u) {
                const std::size_t at = k * 13 + u;
                const char16_t unit = at < name.size()    ? name[at]
                                      : at == name.size() ? u'\0'
                                                          : u'\xFFFF';
                put16(raw + offsets[u], static_cast<std::uint16_t>(unit));
            }
            bytes_.insert(bytes_.end(), raw, raw + 32);
        }
        return entry(eleven, 0x20, size);
    }

    DirectoryStream& raw(std::vector<std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    std::uint32_t length() const { return static_cast<std::uint32_t>(bytes_.size()); }
    // Padded the way the library reads it.
    std::vector<std::uint8_t> padded() const {
        std::vector<std::uint8_t> out = bytes_;
        out.resize((bytes_.size() + 1) / 64 * 64 + 64, 0);
        return out;
    }

  private:
    static void put16(std::uint8_t* at, std::uint16_t value) {
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
    }
    void be32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vox::devsys::testing
