#include "platform/stack/kernel_provider.h"

#include "platform/kernel/wdm.h"

namespace vox::stack {
namespace {

using namespace vox::kernel;

class KernelDeviceFile final : public devio::DeviceFile {
  public:
    // Keeps the provider's holdings for as long as the file is open.
    KernelDeviceFile(FILE_OBJECT* file, std::shared_ptr<void> keepAlive)
        : file_(file), keepAlive_(std::move(keepAlive)) {}
    ~KernelDeviceFile() override { IoCloseFile(file_); }

    bool write(const void* data, std::uint32_t length, std::uint32_t& done) override {
        ULONG_PTR moved = 0;
        const bool ok = NT_SUCCESS(IoWriteFile(file_, data, length, &moved));
        done = static_cast<std::uint32_t>(moved);
        return ok;
    }

    bool read(void* data, std::uint32_t length, std::uint32_t& done) override {
        ULONG_PTR moved = 0;
        const bool ok = NT_SUCCESS(IoReadFile(file_, data, length, &moved));
        done = static_cast<std::uint32_t>(moved);
        return ok;
    }

    bool control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                 std::uint32_t outLength, std::uint32_t& returned) override {
        ULONG_PTR moved = 0;
        const bool ok =
            NT_SUCCESS(IoDeviceIoControlFile(file_, code, in, inLength, out, outLength, &moved));
        returned = static_cast<std::uint32_t>(moved);
        return ok;
    }

  private:
    FILE_OBJECT* file_;
    std::shared_ptr<void> keepAlive_;
};

}  // namespace

KernelProvider::KernelProvider(std::shared_ptr<void> keepAlive, std::function<void()> rescan)
    : keepAlive_(std::move(keepAlive)), rescan_(std::move(rescan)) {}

KernelProvider::~KernelProvider() = default;

std::vector<std::string> KernelProvider::presentInterfaces(const devio::InterfaceClass& cls) {
    GUID guid{};
    if (!parseGuid(cls, guid)) return {};
    if (rescan_) rescan_();
    std::vector<std::string> paths;
    for (const std::u16string& link : enabledDeviceInterfaces(guid)) paths.push_back(narrow(link));
    return paths;
}

std::unique_ptr<devio::DeviceFile> KernelProvider::open(const std::string& path,
                                                        std::uint32_t& error) {
    FILE_OBJECT* file = nullptr;
    const NTSTATUS status = IoOpenFile(widen(path), &file);
    if (!NT_SUCCESS(status)) {
        error = win32ErrorFor(status);
        return nullptr;
    }
    error = 0;
    return std::make_unique<KernelDeviceFile>(file, keepAlive_);
}

std::uint32_t win32ErrorFor(std::int32_t status) {
    switch (status) {
        case STATUS_SUCCESS:
            return 0;
        case STATUS_OBJECT_NAME_NOT_FOUND:
        case STATUS_NO_SUCH_DEVICE:
            return devio::kErrorFileNotFound;
        case STATUS_DELETE_PENDING:
            return 5;  // ERROR_ACCESS_DENIED
        case STATUS_INVALID_DEVICE_REQUEST:
            return 1;  // ERROR_INVALID_FUNCTION
        case STATUS_INVALID_PARAMETER:
            return 87;  // ERROR_INVALID_PARAMETER
        case STATUS_INSUFFICIENT_RESOURCES:
            return 1450;  // ERROR_NO_SYSTEM_RESOURCES
        case STATUS_DEVICE_NOT_CONNECTED:
            return devio::kErrorDeviceNotConnected;
        default:
            return devio::kErrorGenFailure;
    }
}

}  // namespace vox::stack
