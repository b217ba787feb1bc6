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

// A ".DVF" file whose first block holds no voice (empty, or not one at all)
// is not decoded; the text follows the file's path.
inline constexpr const char* kNotVoiceFileText =
    " is not a voice file: it has no valid first block.";

// A batch refuses a file whose output another file of the batch writes or
// reads; the texts follow the destination's path.
inline constexpr const char* kDestinationTwiceText =
    " is the destination of an earlier file of this batch.";
inline constexpr const char* kDestinationIsSourceText =
    " is the destination of one file of this batch and the source of another.";

// A file whose output would be the file itself (the same file under any
// name) is never converted: the output would replace its own input.
inline constexpr const char* kDestinationIsItsSourceText =
    " would be both the file converted and its output; it is left as it is.";

}  // namespace vox::conversion
