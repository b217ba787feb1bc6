#pragma once
// The descriptors a VX-R250 recorder presents (vendor 0x0DAB, product
// 0x3000, one configuration with one interface and the bulk endpoints 0x02
// out and 0x83 in, 64-byte packets), and variants for tests.

#include <cstdint>
#include <string>
#include <vector>

namespace vox::usb {

constexpr std::uint16_t kRecorderVendorId = 0x0DAB;
constexpr std::uint16_t kRecorderProductId = 0x3000;

enum class DescriptorVariant {
    Recorder,            // as the recorder presents itself
    NamedConfiguration,  // with configuration and interface strings
    WrongEndpoints,      // in endpoint first, so the endpoint check fails
};

struct DescriptorSet {
    std::vector<std::uint8_t> device;
    std::vector<std::uint8_t> configuration;  // with its interface and endpoints
    std::vector<std::u16string> strings;      // string index 1, 2, ...
};

DescriptorSet recorderDescriptors(const std::u16string& serialNumber, DescriptorVariant variant);
// A string descriptor (index 0: the language list) as GET_DESCRIPTOR returns it.
std::vector<std::uint8_t> stringDescriptor(const DescriptorSet& set, std::uint8_t index);

}  // namespace vox::usb
