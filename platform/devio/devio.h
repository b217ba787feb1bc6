#pragma once
// User-mode device access: what the device access library calls where the
// Windows code calls SetupDi*, CreateFileA, ReadFile, WriteFile,
// DeviceIoControl and CloseHandle.
//
// A provider lists the present interfaces of a device-interface class (each
// as a path) and opens paths. A path is an interface path, optionally
// followed by a backslash and a pipe name ("...\PIPE00"). Every call blocks
// until it is done; there are no time limits.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vox::devio {

// A device-interface class GUID in its registry text form without braces,
// upper case, e.g. "640A6544-5077-4EE4-884C-3C713514B23D".
using InterfaceClass = std::string;

// Windows error numbers that GetLastError gives for these calls.
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;

class DeviceFile {
  public:
    virtual ~DeviceFile() = default;
    // Each returns true on success and the bytes moved in `done`.
    virtual bool write(const void* data, std::uint32_t length, std::uint32_t& done) = 0;
    virtual bool read(void* data, std::uint32_t length, std::uint32_t& done) = 0;
    virtual bool control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                         std::uint32_t outLength, std::uint32_t& returned) = 0;
};

class Provider {
  public:
    virtual ~Provider() = default;
    // Paths of the present interfaces of `cls`, in enumeration order.
    virtual std::vector<std::string> presentInterfaces(const InterfaceClass& cls) = 0;
    // Opens `path`; null (and `error` set) when it cannot be opened.
    virtual std::unique_ptr<DeviceFile> open(const std::string& path, std::uint32_t& error) = 0;
};

// Makes the provider a process uses unless one is installed outright.
using ProviderFactory = std::function<std::shared_ptr<Provider>()>;

// The provider every device access in this process goes through. Until one
// is installed, the first use makes one with the default factory; without
// a default factory the process sees no device at all.
Provider& provider();
// Replaces the process-wide provider (tests, the program's start-up).
// Returns the previous one.
std::shared_ptr<Provider> installProvider(std::shared_ptr<Provider> next);
// Sets the factory that provider() falls back on (the device stack a front
// end links registers itself here). A provider already made stays.
void setDefaultProviderFactory(ProviderFactory factory);
// Sets the factory only when none is set yet: how a library that can reach
// devices by itself offers its own way without overruling a front end's.
void offerDefaultProviderFactory(ProviderFactory factory);

// A provider with no device: every search is empty and every open fails
// with kErrorFileNotFound.
std::shared_ptr<Provider> makeEmptyProvider();

}  // namespace vox::devio
