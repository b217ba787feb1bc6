#pragma once
// A scripted recorder behind the document's device-link calls: present or
// not, busy or idle, and a count of every call.

#include "application/core/device_api.h"

namespace vox::app::testing {

struct FakeRecorderApi {
    static inline bool present = false;
    static inline int busy = 0;
    static inline int creates = 0;
    static inline int checks = 0;
    static inline int destroys = 0;
    static inline DeviceContext context{};

    static void reset(bool recorderPresent) {
        present = recorderPresent;
        busy = 0;
        creates = checks = destroys = 0;
        context = {};
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

    static DeviceApi api() { return {create, destroy, check, isUsed}; }
};

}  // namespace vox::app::testing
