#pragma once
// The texts the transfer commands show, exactly as the program's string
// table has them (its spelling included). "%s" marks where a value goes.

namespace vox::rules::texts {

inline constexpr char kNotAFile[] = "Please select a file, Not directory.";
inline constexpr char kVoiceFileOnly[] = "Error : Please select voice file (*.dvf)";
inline constexpr char kMusicFileOnly[] =
    "Error : Please select MP3 file (*.mp3) or WMA file ( *.wma)";
inline constexpr char kFolderFull[] = "Error : Maximum 99 files can store in each folder.";
inline constexpr char kNotEnoughSpace[] = "Selected files is bigger than free memory.  ( %s over )";
// Files from several PC folders may share a name; only one can go on the recorder.
inline constexpr char kSelectedTwice[] = "Error : \"%s\" is selected more than once.";
inline constexpr char kOverwriteQuestion[] =
    "Already \"%s\" exist. It will be overwrited.\nDo want to you continue?";
inline constexpr char kDeleteQuestion[] = "%d file(s) will be deleted.\nDo you want to continue ?";
inline constexpr char kFormatQuestion[] =
    "All data of the recorder will be deleted.\nDo you want to continue ?\n";
inline constexpr char kFormatPlugWarning[] =
    "Do not plug out during formatting!!!\nDo you want to proceed format?";
inline constexpr char kFileOpenFailed[] = "File open failed.";
inline constexpr char kUsbFailed[] = "USB communicationn failed.";
inline constexpr char kReconnect[] = "Try to reconnect the recorder.";
inline constexpr char kCancelled[] = "Up/Download canceled.";
inline constexpr char kBusy[] = "Uploading/Downloading/Formating Now!!!";
inline constexpr char kRecorderNotFound[] = "The recorder not found!!!";
// A replaced recorder file is kept until its successor is whole; a folder
// without room for both copies needs the user's consent to delete it first.
inline constexpr char kNoRoomForBothCopies[] =
    "Error : The folder has no room for a second copy while a file is replaced; "
    "the old file would be deleted before the new one is sent.";
inline constexpr char kReplaceInPlaceQuestion[] = "Do want to you continue?";
// A PC file name the recorder cannot store whole (the reason follows).
inline constexpr char kUnstorableName[] = "Error : \"%s\" cannot be stored on the recorder: ";
// A recorder name that cannot be a plain PC file name (a path, "." or "..",
// control characters) is never written to the PC.
inline constexpr char kUnsafeRecorderName[] =
    "Error : The recorder file name \"%s\" cannot be used as a PC file name.";

}  // namespace vox::rules::texts

#include <string>
#include <string_view>

namespace vox::rules {

// `pattern` with its first "%s" or "%d" replaced by `value`.
std::string fillIn(std::string_view pattern, std::string_view value);

// The refusal of a PC file whose name the recorder cannot store whole.
std::string unstorableNameText(std::string_view name, std::string_view reason);

}  // namespace vox::rules
