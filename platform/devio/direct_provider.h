#pragma once
// A device I/O provider wired straight to recorder models, without the
// driver and bus in between. Each attached model shows up as one present
// interface of the recorder's interface class; a file opened on its path
// turns writes into bulk OUT transfers, reads into bulk IN transfers and the
// command-framing control codes into the recorder's vendor requests.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/devio/devio.h"
#include "platform/usb/usb_function.h"

namespace vox::devio {

class DirectProvider final : public Provider {
  public:
    DirectProvider() = default;
    ~DirectProvider() override;

    // Makes `model` present; returns its interface path
    // ("\\?\usb#vid_0dab&pid_3000#simN#{640a6544-...}").
    std::string attach(std::shared_ptr<usb::UsbFunction> model);
    // Takes the model away: it is no longer listed, and files already open
    // on it fail every call.
    void detach(const std::string& path);

    std::vector<std::string> presentInterfaces(const InterfaceClass& cls) override;
    std::unique_ptr<DeviceFile> open(const std::string& path, std::uint32_t& error) override;

    struct Attachment;

  private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<Attachment>> attached_;
    int nextSerial_ = 0;
};

}  // namespace vox::devio
