#include "device_library/firmware.h"

#include <gtest/gtest.h>

namespace vox::devsys {
namespace {

PlayerInfo identifying(char major, char minor) {
    PlayerInfo info{};
    info.versionMajor = major;
    info.versionSeparator = '.';
    info.versionMinor = minor;
    return info;
}

TEST(FirmwareTest, VersionByteCarriesBothDigits) {
    EXPECT_EQ(firmwareVersionByte(identifying('1', '0')), 0x10);
    EXPECT_EQ(firmwareVersionByte(identifying('0', '9')), 0x09);
    EXPECT_EQ(firmwareVersionByte(identifying('1', '5')), 0x15);
    // A minor "digit" below '0' wraps within the byte instead of spilling
    // into the major nibble's neighbours.
    EXPECT_EQ(firmwareVersionByte(identifying('1', ' ')), 0xF0);
}

TEST(FirmwareTest, OnlyNewerFirmwareReorders) {
    EXPECT_FALSE(canReorder(0x09));
    EXPECT_TRUE(canReorder(0x10));
    EXPECT_TRUE(canReorder(0x15));
}

}  // namespace
}  // namespace vox::devsys
