#pragma once
// Hand-written expected wire bytes.

#include <cstdint>
#include <string_view>
#include <vector>

namespace vox::devsys::testing {

class Expected {
  public:
    Expected& raw(std::initializer_list<std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes);
        return *this;
    }
    Expected& text(std::string_view text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    Expected& utf16(std::u16string_view units) {
        for (char16_t unit : units)
            raw({static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
        return *this;
    }
    Expected& padTo(std::size_t size) {
        bytes_.resize(size, 0);
        return *this;
    }
    operator std::vector<std::uint8_t>() const { return bytes_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace vox::devsys::testing
