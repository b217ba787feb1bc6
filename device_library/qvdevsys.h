#pragma once
// QVDevSys: the device access library. Finds the recorder through its device
// interface, frames its commands and replies, lists its folders, runs
// transfers and formatting on worker threads that report to a window, and
// carries out the file management commands.
//
// Every export takes and returns plain values and never throws. The
// operations that talk to the recorder take the context's busy lock and
// return 0 at once when it is taken; the three worker-starting ones leave the
// lock taken until the caller's UnlockDev after the worker's end notice.

#include <cstddef>
#include <cstdint>

#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

#if defined(__GNUC__)
#define QVDEVSYS_API __attribute__((visibility("default")))
#else
#define QVDEVSYS_API
#endif

extern "C" {

// The library's one context, handed out by CreateDev.
struct DeviceContext {
    std::int32_t busy;                   // 1 while an operation holds the lock
    vox::messages::ThreadHandle worker;  // worker slot; the library leaves it null
    std::int32_t openCounter;            // 10 when made, lowered when destroyed
};

// The 32-byte identify payload, kept byte for byte as the recorder sent it.
struct PlayerInfo {
    char versionMajor;  // ASCII digit
    char versionSeparator;
    char versionMinor;  // ASCII digit
    std::uint8_t reserved1[16];
    char modelName[7];  // "QZ-410T" on this recorder, not terminated
    std::uint8_t reserved2[6];
};

struct DeviceEntry {
    char longName[195];      // ANSI code page, NUL-terminated; empty when none
    char baseName[10];       // 8 bytes as stored (space padded), then NULs
    char extension[6];       // 3 bytes as stored (space padded), then NULs
    char displayName[16];    // "%s.%s" below version 0x10, "%s%s" from 0x10 on
    std::uint8_t attribute;  // 0x10 folder, 0x20 file
    std::uint32_t size;
    std::uint16_t hasLongName;
    std::uint16_t year;
    std::uint16_t month;
    std::uint16_t day;
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
    std::uint16_t reserved;
};

constexpr int kListingSlots = 106;
constexpr int kListingMaxEntries = 102;

struct DeviceListing {
    std::uint8_t versionByte;
    std::uint8_t reserved[3];
    std::uint32_t streamLength;  // L of the listing reply
    std::int32_t entryCount;
    std::uint32_t totalBytes;  // multiple of 16,384
    std::uint32_t freeBytes;   // multiple of 16,384
    DeviceEntry entries[kListingSlots];
};

// Filled by the caller of QVFormatDevice, read by both format threads.
struct FormatRequest {
    std::uint32_t pacingValue;  // the store's total bytes from the last listing
    vox::messages::WindowHandle window;
    vox::messages::Message message;
    std::int32_t store;
    vox::messages::ThreadHandle* threadSlot;  // receives the format worker
};

// Store selectors.
constexpr int STORE_MAIN = 1000;
constexpr int STORE_ALT = 2000;

// wParam codes of the worker notifications.
constexpr int TRANSFER_STARTED = 0;   // lParam: const uint32_t* total bytes
constexpr int TRANSFER_PROGRESS = 1;  // lParam: const uint32_t* bytes so far
constexpr int TRANSFER_FINISHED = 2;  // lParam: outcome value
constexpr int FORMAT_STARTED = 10;    // lParam: 0
constexpr int FORMAT_PROGRESS = 11;   // lParam: const int* step 1..100
constexpr int FORMAT_DONE = 13;       // lParam: null, or const int* holding 1

// TRANSFER_FINISHED outcomes.
constexpr int TRANSFER_DONE = 0;
constexpr int TRANSFER_FILE_FAILED = 1;
constexpr int TRANSFER_DEVICE_FAILED = 2;
constexpr int TRANSFER_CANCELLED = 3;

// Device link.
QVDEVSYS_API int CreateDev(DeviceContext** out);
QVDEVSYS_API int DestroyDev(DeviceContext* ignored);
QVDEVSYS_API int GetQVVqdc(void);
QVDEVSYS_API int QVGetOpen(DeviceContext* ctx);
QVDEVSYS_API int QVIsUsed(DeviceContext* ctx);
QVDEVSYS_API DeviceContext* UnlockDev(DeviceContext* ctx);
QVDEVSYS_API int QVCheckDevice(DeviceContext* ctx);
QVDEVSYS_API int QVGetPlayerVersion(DeviceContext* ctx, PlayerInfo* out);

// Catalogue.
QVDEVSYS_API int QVRefreshDevice(DeviceContext* ctx, DeviceListing* out, const char* folder,
                                 int reserved, int store);
QVDEVSYS_API int QVGetPlayerStatus(DeviceContext* ctx);

// Transfer workers. The thread handle stored in `slot` belongs to the caller,
// who joins and deletes it after TRANSFER_FINISHED / the last FORMAT_DONE.
QVDEVSYS_API int QVDownloadFile(DeviceContext* ctx, const char* pcPath, int store,
                                vox::messages::WindowHandle window, vox::messages::Message message,
                                vox::messages::ThreadHandle* slot, int* cancel);
QVDEVSYS_API int QVUploadFile(DeviceContext* ctx, const char* recorderName, const char* pcPath,
                              int store, vox::messages::WindowHandle window,
                              vox::messages::Message message, vox::messages::ThreadHandle* slot,
                              int* cancel);
QVDEVSYS_API int QVFormatDevice(DeviceContext* ctx, FormatRequest* request);

// File management: 0 when the recorder carried the command out, its outcome
// byte when it refused, -1 when the command could not be carried out at all
// (lock taken, no recorder, a malformed reply, a name too long to send).
QVDEVSYS_API int QVDeleteFile(DeviceContext* ctx, const char* name, int store);
QVDEVSYS_API int QVRemoveDirectory(DeviceContext* ctx, const char* name, int store);
QVDEVSYS_API int QVReplaceFile(DeviceContext* ctx, const char* name, int position, int store);
QVDEVSYS_API int QVRenameFile(DeviceContext* ctx, const char* currentName, const char* newName,
                              int store);
QVDEVSYS_API int QVMakeDirectory(DeviceContext* ctx, const char* name, int store);

}  // extern "C"

static_assert(sizeof(PlayerInfo) == 32);
static_assert(offsetof(PlayerInfo, versionMinor) == 2);
static_assert(offsetof(PlayerInfo, modelName) == 19);

static_assert(sizeof(DeviceEntry) == 248);
static_assert(offsetof(DeviceEntry, baseName) == 195);
static_assert(offsetof(DeviceEntry, extension) == 205);
static_assert(offsetof(DeviceEntry, displayName) == 211);
static_assert(offsetof(DeviceEntry, attribute) == 227);
static_assert(offsetof(DeviceEntry, size) == 228);
static_assert(offsetof(DeviceEntry, hasLongName) == 232);
static_assert(offsetof(DeviceEntry, year) == 234);
static_assert(offsetof(DeviceEntry, month) == 236);
static_assert(offsetof(DeviceEntry, day) == 238);
static_assert(offsetof(DeviceEntry, hour) == 240);
static_assert(offsetof(DeviceEntry, minute) == 242);
static_assert(offsetof(DeviceEntry, second) == 244);
static_assert(offsetof(DeviceEntry, reserved) == 246);

static_assert(sizeof(DeviceListing) == 26308);
static_assert(offsetof(DeviceListing, streamLength) == 4);
static_assert(offsetof(DeviceListing, entryCount) == 8);
static_assert(offsetof(DeviceListing, totalBytes) == 12);
static_assert(offsetof(DeviceListing, freeBytes) == 16);
static_assert(offsetof(DeviceListing, entries) == 20);

static_assert(offsetof(DeviceContext, busy) == 0);
static_assert(offsetof(DeviceContext, worker) == sizeof(void*));
static_assert(offsetof(DeviceContext, openCounter) == 2 * sizeof(void*));

static_assert(offsetof(FormatRequest, pacingValue) == 0);
static_assert(offsetof(FormatRequest, window) == sizeof(void*));
static_assert(offsetof(FormatRequest, message) == 2 * sizeof(void*));
static_assert(offsetof(FormatRequest, store) == 2 * sizeof(void*) + 4);
static_assert(offsetof(FormatRequest, threadSlot) == 3 * sizeof(void*));
