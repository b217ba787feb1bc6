#pragma once
// What user mode's CreateFile, ReadFile, WriteFile, DeviceIoControl and
// CloseHandle become in the kernel: a file object on the top device of a
// stack and one request per call. Every call waits until its request is done.

#include <string_view>

#include "platform/kernel/io_types.h"

namespace vox::kernel {

// `path` is an enabled device interface's link or a device's name,
// optionally followed by a backslash and a file name that the driver gets
// as the file object's name. STATUS_OBJECT_NAME_NOT_FOUND when nothing of
// that name exists; otherwise the driver's answer to IRP_MJ_CREATE.
NTSTATUS IoOpenFile(std::u16string_view path, FILE_OBJECT** file);
NTSTATUS IoReadFile(FILE_OBJECT* file, void* buffer, ULONG length, ULONG_PTR* done);
NTSTATUS IoWriteFile(FILE_OBJECT* file, const void* buffer, ULONG length, ULONG_PTR* done);
NTSTATUS IoDeviceIoControlFile(FILE_OBJECT* file, ULONG code, const void* input, ULONG inputLength,
                               void* output, ULONG outputLength, ULONG_PTR* returned);
// Cleanup and close; the file object is gone afterwards.
void IoCloseFile(FILE_OBJECT* file);

}  // namespace vox::kernel
