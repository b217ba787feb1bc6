#pragma once
// A temporary folder standing for a machine's "/", with helpers to lay out
// sysfs and udev's folders below it. Removed with everything in it.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vox::setup::testing {

class TempRoot {
  public:
    TempRoot() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vox-setup-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::filesystem::filesystem_error("mkdtemp", std::error_code());
        path_ = pattern;
    }
    ~TempRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void write(const std::filesystem::path& relative, const std::string& content) const {
        std::filesystem::create_directories((path_ / relative).parent_path());
        std::ofstream(path_ / relative, std::ios::binary) << content;
    }

    std::string read(const std::filesystem::path& relative) const {
        std::ifstream in(path_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A USB device as the kernel shows it in sysfs.
    void usbDevice(const std::string& name, const std::string& vendor, const std::string& product,
                   const std::string& productName = "") const {
        const std::filesystem::path folder = std::filesystem::path("sys/bus/usb/devices") / name;
        write(folder / "idVendor", vendor + "\n");
        write(folder / "idProduct", product + "\n");
        write(folder / "bcdDevice", "0100\n");
        if (!productName.empty()) write(folder / "product", productName + "\n");
    }

  private:
    std::filesystem::path path_;
};

}  // namespace vox::setup::testing
