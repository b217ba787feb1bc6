#pragma once
// Device I/O through the kernel layer: the present interfaces of a class
// come from the kernel's device interface registry, and a file opened on a
// path is a file object on the device behind it, so every write, read and
// control request is an I/O request to the driver (VXR250 for a recorder).

#include <functional>
#include <memory>

#include "platform/devio/devio.h"

namespace vox::stack {

class KernelProvider final : public devio::Provider {
  public:
    // `keepAlive` holds whatever the devices behind this provider need (a
    // bus and the driver loaded on it); it goes when the provider and the
    // last file opened through it have gone. `rescan`, when given, runs
    // before every interface search, so that a search sees every device
    // the buses have noticed until then (as a scan for hardware changes).
    explicit KernelProvider(std::shared_ptr<void> keepAlive = nullptr,
                            std::function<void()> rescan = nullptr);
    ~KernelProvider() override;

    std::vector<std::string> presentInterfaces(const devio::InterfaceClass& cls) override;
    std::unique_ptr<devio::DeviceFile> open(const std::string& path, std::uint32_t& error) override;

  private:
    std::shared_ptr<void> keepAlive_;
    std::function<void()> rescan_;
};

// The Windows error number GetLastError gives for a kernel status.
std::uint32_t win32ErrorFor(std::int32_t status);

}  // namespace vox::stack
