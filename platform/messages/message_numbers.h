#pragma once
// The private window message numbers the program's windows, the device
// access library's workers and the conversion workers exchange.

#include "platform/messages/message_target.h"

namespace vox::messages {

inline constexpr Message WM_UPLOAD_FILES = 0x914;
inline constexpr Message WM_DOWNLOAD_FILES = 0x915;
inline constexpr Message WM_FORMAT_DEVICE = 0x916;
inline constexpr Message WM_TRANSFER_NOTIFY = 0x917;
inline constexpr Message WM_FORMAT_NOTIFY = 0x918;
inline constexpr Message WM_DELETE_FILES = 0x919;
inline constexpr Message WM_MOVE_FILE = 0x91A;
inline constexpr Message WM_DELETE_NOTIFY = 0x91B;
inline constexpr Message WM_DEVICE_STATE = 0x91C;
inline constexpr Message WM_CONVERT_FILES = 0x91D;
inline constexpr Message WM_REFRESH_LIST = 0x91F;
inline constexpr Message WM_MEMORY_BAR = 0x920;
inline constexpr Message WM_NEW_FOLDER = 0x921;
inline constexpr Message WM_ENABLE_CONTROLS = 0x922;
inline constexpr Message WM_CONVERT_NOTIFY = 0x923;
inline constexpr Message WM_STATUS_INFO = 0x924;
inline constexpr Message WM_MEDIA_CHANGED = 0x926;

}  // namespace vox::messages
