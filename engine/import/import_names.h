#pragma once
// The PC names imported recordings get: a pattern of strftime fields filled
// from the recording's date on the recorder, with {name} (the recorder's
// name for it) and {folder} (its recorder folder) put in as they are. The
// result is always one plain, non-empty file name: whatever the recorder's
// name or date holds, it cannot reach outside the folder it is written to.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/rules/recorder_listing.h"

namespace vox::importing {

// "2026-12-09 14.03 MEETING.DVF".
inline constexpr char kDefaultNamePattern[] = "%Y-%m-%d %H.%M {name}";

// The longest pattern taken; strftime fields make each at most a few dozen
// bytes, so the result stays within a file name's 255 bytes once cut.
inline constexpr std::size_t kMaxPatternLength = 200;

// `pattern` filled in for `file` of recorder folder `folderLabel`. A date
// field out of its range (a damaged entry) is replaced by the range's start
// and days past a month's end carry over (2004-02-30 becomes 2004-03-01);
// fields in range are used as recorded.
std::string importName(std::string_view pattern, const rules::ListedFile& file,
                       std::string_view folderLabel);

// `name` made into one safe file name: '/' and control bytes become '_',
// surrounding spaces go, a leading '.' (a hidden file, "." or "..") gets a
// '_' in front, an empty name becomes "recording", and a name longer than
// 255 bytes is cut before its extension, at a character boundary.
std::string safeFileName(std::string_view name);

// `name`, or the first of "stem (2).ext", "stem (3).ext", ... that `taken`
// does not report; none after 9999 tries.
std::optional<std::string> freeName(const std::string& name,
                                    const std::function<bool(const std::string&)>& taken);

// `name` with its extension (from the last dot on) replaced by `extension`
// (dot included), or with it appended when there is none.
std::string withExtension(const std::string& name, std::string_view extension);

}  // namespace vox::importing
