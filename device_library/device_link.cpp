#include "device_library/device_link.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "device_library/command_builder.h"
#include "device_library/exchange.h"
#include "device_library/reply_checks.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {
namespace {

constexpr std::int32_t kOpenCounterStart = 10;
// What the interface path gets appended before a pipe is opened: a
// backslash and a six-letter pipe name.
constexpr std::size_t kPipeSuffixLength = 7;

}  // namespace

DeviceLink::DeviceLink(devio::Provider* provider) : provider_(provider) {}

DeviceLink::~DeviceLink() {
    std::vector<OwnThread> threads;
    {
        std::lock_guard guard(threadsMutex_);
        threads.swap(threads_);
    }
    for (auto& thread : threads) thread.worker->join();
}

devio::Provider& DeviceLink::provider() {
    return provider_ ? *provider_ : devio::provider();
}

int DeviceLink::createDev(DeviceContext** out) {
    if (current_) return 1;
    ++instances_;
    current_ = std::make_unique<DeviceContext>(DeviceContext{0, nullptr, kOpenCounterStart});
    if (checkDevice(current_.get()) != 0) {
        if (out != nullptr) *out = current_.get();
        return 0;
    }
    destroyCurrent();
    --instances_;
    return 0;
}

int DeviceLink::destroyDev() {
    destroyCurrent();
    --instances_;
    return 0;
}

void DeviceLink::destroyCurrent() {
    if (!current_) return;
    --current_->openCounter;
    // The library never records a worker in the slot (callers own every
    // worker handle), so there is no thread to end here.
    current_.reset();
}

bool DeviceLink::lock(DeviceContext* ctx) {
    if (!isCurrent(ctx) || ctx->worker != nullptr) return false;
    // The busy word is a plain int of the context the callers share, so the
    // test and the set are one compare-and-exchange: of two threads asking
    // at once exactly one gets the lock.
    std::int32_t idle = 0;
    return std::atomic_ref<std::int32_t>(ctx->busy).compare_exchange_strong(idle, 1);
}

DeviceContext* DeviceLink::unlock(DeviceContext* ctx) {
    if (isCurrent(ctx)) std::atomic_ref<std::int32_t>(ctx->busy).store(0);
    return ctx;
}

int DeviceLink::isUsed(DeviceContext* ctx) const {
    return isCurrent(ctx) ? std::atomic_ref<std::int32_t>(ctx->busy).load() : 0;
}

bool DeviceLink::findRecorderInterface() {
    const devio::InterfaceClass cls(vxr250::kRecorderInterfaceClass);
    for (const std::string& path : provider().presentInterfaces(cls)) {
        if (path.size() + kPipeSuffixLength + 1 > kInterfacePathRoom) {
            std::printf("FAILED to open %s\n", path.c_str());
            continue;
        }
        std::uint32_t error = 0;
        if (provider().open(path, error) == nullptr) {
            std::printf("FAILED to open %s\n", path.c_str());
            continue;
        }
        interfacePath_ = path;
        return true;
    }
    return false;
}

std::unique_ptr<devio::DeviceFile> DeviceLink::openPipe(std::string_view pipeName) {
    std::lock_guard guard(pathMutex_);
    if (!findRecorderInterface()) {
        std::printf("Failed to GetUsbDeviceFileName\n");
        return nullptr;
    }
    interfacePath_ += '\\';
    interfacePath_ += pipeName;
    std::uint32_t error = 0;
    auto file = provider().open(interfacePath_, error);
    if (!file) {
        std::printf("Failed to open (%s) = %u", interfacePath_.c_str(), error);
    } else {
        std::printf("Opened successfully.\n");
    }
    return file;
}

std::optional<PlayerInfo> DeviceLink::identify() {
    Exchange exchange(*this);
    std::array<std::uint8_t, kReplyBlockSize> reply{};
    exchange.request(identifyCommand(), reply);
    if (!isIdentifyReply(reply)) {
        // A transfer that ended early may have left its reply in front.
        if (!resync_.exchange(false)) return std::nullopt;
        exchange.readReply(reply);
        if (!isIdentifyReply(reply)) return std::nullopt;
    }
    PlayerInfo info;
    std::memcpy(&info, reply.data() + 4, sizeof info);
    versionByte_.store(firmwareVersionByte(info));
    exchange.control(vxr250::IOCTL_END_COMMAND);
    return info;
}

int DeviceLink::checkDevice(DeviceContext* ctx) {
    if (!lock(ctx)) return 0;
    const bool answered = identify().has_value();
    unlock(ctx);
    return answered ? 1 : 0;
}

int DeviceLink::playerVersion(DeviceContext* ctx, PlayerInfo* out) {
    if (!lock(ctx)) return 0;
    const auto info = identify();
    unlock(ctx);
    if (!info) return 0;
    if (out != nullptr) *out = *info;
    return 1;
}

void DeviceLink::keepThread(std::unique_ptr<messages::Worker> worker,
                            std::shared_ptr<std::atomic<bool>> done) {
    std::vector<OwnThread> finished;
    {
        std::lock_guard guard(threadsMutex_);
        for (auto it = threads_.begin(); it != threads_.end();) {
            if (it->done->load()) {
                finished.push_back(std::move(*it));
                it = threads_.erase(it);
            } else {
                ++it;
            }
        }
        threads_.push_back({std::move(worker), std::move(done)});
    }
    for (auto& thread : finished) thread.worker->join();
}

}  // namespace vox::devsys
