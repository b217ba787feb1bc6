#include "platform/usb/recorder_descriptors.h"

namespace vox::usb {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void endpoint(std::vector<std::uint8_t>& out, std::uint8_t address) {
    out.insert(out.end(), {7, 0x05, address, 0x02});  // bulk
    put16(out, 64);
    out.push_back(0);
}

}  // namespace

DescriptorSet recorderDescriptors(const std::u16string& serialNumber, DescriptorVariant variant) {
    DescriptorSet set;
    set.strings = {u"Tevra Media", u"VX-R250 Voice Recorder", serialNumber};
    std::uint8_t configurationName = 0;
    std::uint8_t interfaceName = 0;
    if (variant == DescriptorVariant::NamedConfiguration) {
        set.strings.push_back(u"Recorder");
        set.strings.push_back(u"Command pipes");
        configurationName = 4;
        interfaceName = 5;
    }

    set.device = {18, 0x01};
    put16(set.device, 0x0110);  // USB 1.1
    set.device.insert(set.device.end(), {0x00, 0x00, 0x00, 64});
    put16(set.device, kRecorderVendorId);
    put16(set.device, kRecorderProductId);
    put16(set.device, 0x0100);
    set.device.insert(set.device.end(), {1, 2, 3, 1});

    auto& c = set.configuration;
    c = {9, 0x02, 0, 0, 1, 1, configurationName, 0x80, 50};
    c.insert(c.end(), {9, 0x04, 0, 0, 2, 0xFF, 0x00, 0x00, interfaceName});
    if (variant == DescriptorVariant::WrongEndpoints) {
        endpoint(c, 0x83);
        endpoint(c, 0x02);
    } else {
        endpoint(c, 0x02);
        endpoint(c, 0x83);
    }
    c[2] = static_cast<std::uint8_t>(c.size() & 0xFF);
    c[3] = static_cast<std::uint8_t>(c.size() >> 8);
    return set;
}

std::vector<std::uint8_t> stringDescriptor(const DescriptorSet& set, std::uint8_t index) {
    std::vector<std::uint8_t> out = {0, 0x03};
    if (index == 0) {
        put16(out, 0x0409);
    } else if (index <= set.strings.size()) {
        for (char16_t c : set.strings[index - 1]) put16(out, static_cast<std::uint16_t>(c));
    } else {
        return {};
    }
    out[0] = static_cast<std::uint8_t>(out.size());
    return out;
}

}  // namespace vox::usb
