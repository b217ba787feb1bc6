#pragma once
// A scripted recorder behind the document's device calls: present or not,
// busy or idle, the listing it gives and how many listing calls fail first,
// and a count of every call.

#include <cstdio>
#include <cstring>
#include <string>

#include "application/core/device_api.h"

namespace vox::app::testing {

struct FakeRecorderApi {
    static inline bool present = false;
    static inline int busy = 0;
    static inline int creates = 0;
    static inline int checks = 0;
    static inline int destroys = 0;
    static inline int refreshes = 0;
    // Listing calls that still fail (return 0) before the listing is given.
    static inline int failingRefreshes = 0;
    static inline std::string lastFolder;
    static inline DeviceContext context{};
    static inline DeviceListing listing{};

    static void reset(bool recorderPresent) {
        present = recorderPresent;
        busy = 0;
        creates = checks = destroys = refreshes = failingRefreshes = 0;
        lastFolder.clear();
        context = {};
        std::memset(&listing, 0, sizeof listing);
        listing.versionByte = 0x15;
        listing.totalBytes = 64u << 20;
        listing.freeBytes = 32u << 20;
        addEntry(".", "");
        addEntry("..", "");
    }

    // Appends an entry with an 8.3 name (and a long name when `longName` is
    // not empty); returns it for further changes.
    static DeviceEntry& addEntry(const char* base, const char* extension, std::uint32_t size = 0,
                                 const char* longName = "") {
        DeviceEntry& entry = listing.entries[listing.entryCount++];
        entry = {};
        std::snprintf(entry.baseName, sizeof entry.baseName, "%s", base);
        std::snprintf(entry.extension, sizeof entry.extension, "%s", extension);
        std::snprintf(entry.longName, sizeof entry.longName, "%s", longName);
        entry.hasLongName = longName[0] != '\0' ? 1 : 0;
        entry.attribute = 0x20;
        entry.size = size;
        entry.year = 2005;
        entry.month = 6;
        entry.day = 7;
        entry.hour = 8;
        entry.minute = 9;
        entry.second = 10;
        return entry;
    }

    static int create(DeviceContext** out) {
        ++creates;
        if (!present) return 0;
        *out = &context;
        return 1;
    }
    static int destroy(DeviceContext*) {
        ++destroys;
        return 1;
    }
    // A busy link fails its check the way the library's does.
    static int check(DeviceContext*) {
        ++checks;
        return present && busy == 0 ? 1 : 0;
    }
    static int isUsed(DeviceContext*) { return busy; }
    static int refresh(DeviceContext*, DeviceListing* out, const char* folder, int, int) {
        ++refreshes;
        lastFolder = folder ? folder : "";
        if (!present || failingRefreshes > 0) {
            if (failingRefreshes > 0) --failingRefreshes;
            return 0;
        }
        std::memcpy(out, &listing, sizeof listing);
        return 1;
    }

    static DeviceApi api() { return {create, destroy, check, isUsed, refresh}; }
};

}  // namespace vox::app::testing
