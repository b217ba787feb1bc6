#pragma once
// The library-wide state behind the flat exports: the one device context,
// the instance count, the recorder's interface path, the firmware version
// byte of the last identify, the short-name counter, the resync flag, and
// the threads the library itself owns. The exports work on one process-wide
// instance; tests make their own over their own provider.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_library/name_registry.h"
#include "device_library/qvdevsys.h"
#include "platform/devio/devio.h"
#include "platform/messages/worker.h"

namespace vox::devsys {

// The interface path, a backslash, a pipe name and the terminator must fit
// this many bytes.
constexpr std::size_t kInterfacePathRoom = 256;

class DeviceLink {
  public:
    // With no provider, the process-wide one of the device I/O layer.
    explicit DeviceLink(devio::Provider* provider = nullptr);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    int createDev(DeviceContext** out);
    int destroyDev();
    int instanceCount() const { return instances_; }

    // The busy lock: taken only on the current context while it is idle and
    // its worker slot is empty.
    bool lock(DeviceContext* ctx);
    DeviceContext* unlock(DeviceContext* ctx);
    // 1 while the lock is taken on the current context, else 0.
    int isUsed(DeviceContext* ctx) const;
    bool isCurrent(const DeviceContext* ctx) const {
        return ctx != nullptr && ctx == current_.get();
    }

    // The identify exchange; none when no recorder answered.
    std::optional<PlayerInfo> identify();
    int checkDevice(DeviceContext* ctx);
    int playerVersion(DeviceContext* ctx, PlayerInfo* out);

    // Searches the recorder's interface and opens `pipeName` under it; null
    // when either fails (the diagnostics say which).
    std::unique_ptr<devio::DeviceFile> openPipe(std::string_view pipeName);

    std::uint8_t versionByte() const { return versionByte_.load(); }
    NameRegistry& names() { return names_; }
    // A transfer that ended early leaves a reply the next identify may skip.
    void requestResync() { resync_.store(true); }

    // Threads the library starts and nobody else joins (the format pacer, a
    // worker whose caller gave no handle slot). Finished ones are joined on
    // the next call; the rest when the link goes away.
    void keepThread(std::unique_ptr<messages::Worker> worker,
                    std::shared_ptr<std::atomic<bool>> done);

  private:
    struct OwnThread {
        std::unique_ptr<messages::Worker> worker;
        std::shared_ptr<std::atomic<bool>> done;
    };

    devio::Provider& provider();
    bool findRecorderInterface();
    void destroyCurrent();

    devio::Provider* provider_;
    std::unique_ptr<DeviceContext> current_;
    int instances_ = 0;
    std::mutex pathMutex_;
    std::string interfacePath_;
    std::atomic<std::uint8_t> versionByte_{0};
    std::atomic<bool> resync_{false};
    NameRegistry names_;
    std::mutex threadsMutex_;
    std::vector<OwnThread> threads_;
};

}  // namespace vox::devsys
