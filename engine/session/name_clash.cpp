#include "engine/session/name_clash.h"

#include <algorithm>

#include "device_library/short_names.h"
#include "engine/rules/text_case.h"

namespace vox::session {

namespace {

constexpr std::size_t kShortBase = 8;

// Tells whether the short name was made with a "~N" tail: such a name is
// drawn until it is free, so it never clashes.
class TailWatch final : public devsys::NameCounter {
  public:
    int next() override {
        tailed = true;
        return 1;
    }
    bool taken(const std::string&) const override { return false; }
    void record(const std::string&) override {}
    bool tailed = false;
};

}  // namespace

std::optional<std::string> shortNameClashText(const rules::RecorderListing& listing,
                                              std::string_view pcName, std::uint8_t versionByte) {
    TailWatch watch;
    const std::string shortName = devsys::createShortName(pcName, versionByte, watch);
    if (watch.tailed) return std::nullopt;
    // The 11-byte form from firmware 0x10 on; "base.ext" below it.
    std::string key;
    if (versionByte >= devsys::kNewerFirmware) {
        const std::string_view name = shortName;
        key = devsys::shortNameKey(name.substr(0, std::min(name.size(), kShortBase)),
                                   name.size() > kShortBase ? name.substr(kShortBase) : "");
    } else {
        const std::size_t dot = shortName.rfind('.');
        key = dot == std::string::npos
                  ? devsys::shortNameKey(shortName, "")
                  : devsys::shortNameKey(std::string_view(shortName).substr(0, dot),
                                         std::string_view(shortName).substr(dot + 1));
    }
    const std::optional<std::size_t> replaced = rules::findFile(listing, pcName);
    for (std::size_t row = 0; row < listing.files.size(); ++row) {
        const rules::ListedFile& entry = listing.files[row];
        if (row == replaced || devsys::shortNameKey(entry.baseName, entry.extension) != key)
            continue;
        return "Error : \"" + std::string(pcName) +
               "\" would get the same short name on the recorder as \"" +
               rules::printable(rules::entryName(entry)) +
               "\", which is there already; rename one of them.";
    }
    return std::nullopt;
}

}  // namespace vox::session
