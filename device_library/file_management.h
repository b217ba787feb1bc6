#pragma once
// The synchronous commands that change the recorder's directory. Each
// returns the recorder's outcome (0: carried out), or -1 when the command
// could not be carried out at all: the lock was taken, the name does not fit
// the command, or no FINISH reply came back.

#include "device_library/device_link.h"

namespace vox::devsys {

constexpr int kNotCarriedOut = -1;

int deleteFile(DeviceLink& link, DeviceContext* ctx, const char* name, int store);
int removeDirectory(DeviceLink& link, DeviceContext* ctx, const char* name, int store);
// Moves a file to `position` (counted from 0 after "." and ".."); only the
// low byte travels.
int moveFile(DeviceLink& link, DeviceContext* ctx, const char* name, int position, int store);
int renameFile(DeviceLink& link, DeviceContext* ctx, const char* currentName, const char* newName,
               int store);
int makeDirectory(DeviceLink& link, DeviceContext* ctx, const char* name, int store);

}  // namespace vox::devsys
