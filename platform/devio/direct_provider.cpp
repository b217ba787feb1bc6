#include "platform/devio/direct_provider.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <span>

#include "usb_driver/vxr250_public.h"

namespace vox::devio {

struct DirectProvider::Attachment {
    std::string path;
    std::shared_ptr<usb::UsbFunction> model;
    std::atomic<bool> attached{true};
};

namespace {

using usb::UsbStatus;

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string interfacePathFor(int serial) {
    std::string guid(vxr250::kRecorderInterfaceClass);
    std::transform(guid.begin(), guid.end(), guid.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return "\\\\?\\usb#vid_0dab&pid_3000#sim" + std::to_string(serial) + "#{" + guid + "}";
}

// The part of `path` after the interface path: empty, or a backslash and
// one of the two pipe names. Anything else names no file.
bool isPipeSuffix(std::string_view rest) {
    if (rest.empty()) return true;
    if (rest.front() != '\\') return false;
    rest.remove_prefix(1);
    return equalNoCase(rest, vxr250::kOutPipeName) || equalNoCase(rest, vxr250::kInPipeName);
}

class DirectFile final : public DeviceFile {
  public:
    DirectFile(std::shared_ptr<usb::UsbFunction> model,
               std::shared_ptr<const DirectProvider::Attachment> attachment)
        : model_(std::move(model)), attachment_(std::move(attachment)) {}

    bool write(const void* data, std::uint32_t length, std::uint32_t& done) override {
        done = 0;
        if (!usable()) return false;
        const auto result =
            model_->bulkOut(std::span(static_cast<const std::uint8_t*>(data), length));
        done = static_cast<std::uint32_t>(result.transferred);
        return result.status == usb::UsbStatus::Ok;
    }

    bool read(void* data, std::uint32_t length, std::uint32_t& done) override {
        done = 0;
        if (!usable()) return false;
        const auto result = model_->bulkIn(std::span(static_cast<std::uint8_t*>(data), length));
        done = static_cast<std::uint32_t>(result.transferred);
        return result.status == usb::UsbStatus::Ok;
    }

    bool control(std::uint32_t code, const void*, std::uint32_t, void*, std::uint32_t,
                 std::uint32_t& returned) override {
        returned = 0;
        if (!usable()) return false;
        if (const auto vendor = vxr250::vendorRequestFor(code)) {
            return model_->vendorRequest(vendor->request, vendor->value, vendor->index) ==
                   usb::UsbStatus::Ok;
        }
        if (code == vxr250::IOCTL_RESET_PORT) return model_->resetPort() == usb::UsbStatus::Ok;
        return code == vxr250::IOCTL_NOP;
    }

  private:
    bool usable() const { return attachment_->attached.load() && model_->connected(); }

    std::shared_ptr<usb::UsbFunction> model_;
    std::shared_ptr<const DirectProvider::Attachment> attachment_;
};

}  // namespace

DirectProvider::~DirectProvider() = default;

std::string DirectProvider::attach(std::shared_ptr<usb::UsbFunction> model) {
    std::lock_guard lock(mutex_);
    auto attachment = std::make_shared<Attachment>();
    attachment->path = interfacePathFor(nextSerial_++);
    attachment->model = std::move(model);
    attached_.push_back(attachment);
    return attachment->path;
}

void DirectProvider::detach(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto found = std::find_if(attached_.begin(), attached_.end(),
                                    [&](const auto& entry) { return entry->path == path; });
    if (found == attached_.end()) return;
    (*found)->attached = false;
    attached_.erase(found);
}

std::vector<std::string> DirectProvider::presentInterfaces(const InterfaceClass& cls) {
    std::vector<std::string> paths;
    if (!equalNoCase(cls, vxr250::kRecorderInterfaceClass)) return paths;
    std::lock_guard lock(mutex_);
    for (const auto& entry : attached_) {
        if (entry->model->connected()) paths.push_back(entry->path);
    }
    return paths;
}

std::unique_ptr<DeviceFile> DirectProvider::open(const std::string& path, std::uint32_t& error) {
    std::lock_guard lock(mutex_);
    for (const auto& entry : attached_) {
        const std::string_view prefix(entry->path);
        if (path.size() < prefix.size() || !equalNoCase(prefix, path.substr(0, prefix.size())) ||
            !isPipeSuffix(std::string_view(path).substr(prefix.size()))) {
            continue;
        }
        if (!entry->model->connected()) {
            error = kErrorDeviceNotConnected;
            return nullptr;
        }
        error = 0;
        return std::make_unique<DirectFile>(entry->model, entry);
    }
    error = kErrorFileNotFound;
    return nullptr;
}

}  // namespace vox::devio
