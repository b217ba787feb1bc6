#include "engine/session/recorder_names.h"

#include <algorithm>

#include "device_library/short_names.h"
#include "platform/text/conversion.h"

namespace vox::session {

namespace {

constexpr std::size_t kShortBase = 8;
constexpr std::size_t kShortExtension = 3;
constexpr std::string_view kForbiddenShortNameBytes = "\"*+,./:;<=>?[\\]|";

// The short name only matters for its bytes here, not for its "~N" tail.
class AnyCounter final : public devsys::NameCounter {
  public:
    int next() override { return 1; }
    bool taken(const std::string&) const override { return false; }
    void record(const std::string&) override {}
};

bool storableField(std::string_view field) {
    return std::all_of(field.begin(), field.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 &&
               kForbiddenShortNameBytes.find(c) == std::string_view::npos;
    });
}

std::string_view withoutTrailingSpaces(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<UnstorableName> unstorableName(std::string_view pcName, std::uint8_t versionByte) {
    if (text::toWide(pcName).size() > devsys::kCreateLongNameUnits)
        return UnstorableName{NameProblem::TooLong,
                              "the recorder keeps names of at most 65 characters"};
    AnyCounter counter;
    const std::string shortName = devsys::createShortName(pcName, versionByte, counter);
    // The 11-byte form from firmware 0x10 on; "base.ext" below it.
    std::string_view base = shortName;
    std::string_view extension;
    if (versionByte >= devsys::kNewerFirmware) {
        base = std::string_view(shortName).substr(0, std::min(shortName.size(), kShortBase));
        extension = shortName.size() > kShortBase ? std::string_view(shortName).substr(kShortBase)
                                                  : std::string_view();
    } else if (const std::size_t dot = shortName.rfind('.'); dot != std::string::npos) {
        base = std::string_view(shortName).substr(0, dot);
        extension = std::string_view(shortName).substr(dot + 1);
    }
    base = withoutTrailingSpaces(base);
    extension = withoutTrailingSpaces(extension);
    if (base.empty() || base.front() == ' ' || base.size() > kShortBase ||
        extension.size() > kShortExtension || !storableField(base) || !storableField(extension))
        return UnstorableName{
            NameProblem::NoShortName,
            "the recorder cannot make a short name of it (\"" + shortName + "\")"};
    return std::nullopt;
}

std::optional<std::string> unstorableNameReason(std::string_view pcName, std::uint8_t versionByte) {
    std::optional<UnstorableName> name = unstorableName(pcName, versionByte);
    if (!name) return std::nullopt;
    return std::move(name->reason);
}

}  // namespace vox::session
