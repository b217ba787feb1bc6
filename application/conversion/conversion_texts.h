#pragma once
// The texts the conversion shows to the user, exactly as the program has them.

namespace vox::conversion {

inline constexpr const char* kConvertingNowText = "Converting Now!!!";
inline constexpr const char* kCannotConvertText = "This type of file can not be converted.";
inline constexpr const char* kUnsupportedWaveText =
    "The converting only supports 8KHz, 16bit, Mono Wave data only !!";
// %s is the destination path.
inline constexpr const char* kOverwriteQuestionFormat =
    "Already \"%s\" exist. It will be overwrited.\nDo want to you continue?";

}  // namespace vox::conversion
