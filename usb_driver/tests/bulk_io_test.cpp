// Reads, writes and control codes through the driver, as user mode sends them.

#include <array>
#include <numeric>
#include <vector>

#include "usb_driver/tests/driver_fixture.h"

namespace vox::vxr250::testing {
namespace {

using namespace vox::usb;

class BulkIoTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        port = plug();
        ASSERT_EQ(bus->startStatus(port), STATUS_SUCCESS);
    }
    int port = 0;
};

TEST_F(BulkIoTest, WritesGoOutInStagesOfAtMost4096Bytes) {
    KernelFile file;
    ASSERT_EQ(file.status, STATUS_SUCCESS);
    std::vector<std::uint8_t> data(64);
    std::iota(data.begin(), data.end(), 0);
    ULONG_PTR done = 0;
    ASSERT_EQ(file.write(data.data(), 64, done), STATUS_SUCCESS);
    EXPECT_EQ(done, 64u);
    EXPECT_EQ(recorder->outStages, (std::vector<std::size_t>{64}));

    recorder->outStages.clear();
    recorder->written.clear();
    std::vector<std::uint8_t> block(10000);
    std::iota(block.begin(), block.end(), 7);
    ASSERT_EQ(file.write(block.data(), 10000, done), STATUS_SUCCESS);
    EXPECT_EQ(done, 10000u);
    EXPECT_EQ(recorder->outStages, (std::vector<std::size_t>{4096, 4096, 1808}));
    EXPECT_EQ(recorder->written, block);
}

TEST_F(BulkIoTest, ShortReadStagesAddUpAndTheirBytesStayTogether) {
    recorder->perStage = 64;
    KernelFile file("\\PIPE01");
    std::vector<std::uint8_t> buffer(32768, 0xEE);
    ULONG_PTR done = 0;
    ASSERT_EQ(file.read(buffer.data(), 32768, done), STATUS_SUCCESS);
    EXPECT_EQ(done, 512u);
    EXPECT_EQ(recorder->inStages, std::vector<std::size_t>(8, 4096));
    for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(buffer[i], static_cast<std::uint8_t>(i)) << i;
    EXPECT_EQ(buffer[512], 0xEE);
}

TEST_F(BulkIoTest, EmptyRequestsCompleteWithoutTransfers) {
    KernelFile file;
    ULONG_PTR done = 99;
    EXPECT_EQ(file.read(nullptr, 0, done), STATUS_SUCCESS);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(file.write(nullptr, 0, done), STATUS_SUCCESS);
    EXPECT_TRUE(recorder->inStages.empty());
    EXPECT_TRUE(recorder->outStages.empty());
}

TEST_F(BulkIoTest, AFailedReadStageResetsTheInPipeBeforeTheNextReadOnly) {
    KernelFile file;
    std::vector<std::uint8_t> buffer(100);
    ULONG_PTR done = 0;
    recorder->stallNextIn = true;
    EXPECT_FALSE(NT_SUCCESS(file.read(buffer.data(), 100, done)));
    recorder->events.clear();
    recorder->resets.clear();

    // A write is not affected.
    ASSERT_EQ(file.write(buffer.data(), 64, done), STATUS_SUCCESS);
    EXPECT_TRUE(recorder->resets.empty());

    recorder->inStages.clear();
    ASSERT_EQ(file.read(buffer.data(), 100, done), STATUS_SUCCESS);
    EXPECT_EQ(done, 100u);
    EXPECT_EQ(recorder->resets, (std::vector<std::uint8_t>{0x83}));
    ASSERT_EQ(recorder->inStages.size(), 1u);

    // Once reset, the pipe is not reset again.
    recorder->resets.clear();
    ASSERT_EQ(file.read(buffer.data(), 100, done), STATUS_SUCCESS);
    EXPECT_TRUE(recorder->resets.empty());
}

TEST_F(BulkIoTest, AFailedMappingEndsTheRequestAndMarksThePipe) {
    KernelFile file;
    std::vector<std::uint8_t> buffer(8192);
    ULONG_PTR done = 0;
    failMdlMapping(1);  // the second stage cannot be mapped
    EXPECT_EQ(file.read(buffer.data(), 8192, done), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(done, 4096u);
    EXPECT_EQ(recorder->inStages.size(), 1u);
    recorder->resets.clear();
    ASSERT_EQ(file.read(buffer.data(), 64, done), STATUS_SUCCESS);
    EXPECT_EQ(recorder->resets, (std::vector<std::uint8_t>{0x83}));
}

TEST_F(BulkIoTest, NoTransferContextMeansInsufficientResources) {
    KernelFile file;
    std::vector<std::uint8_t> buffer(64);
    ULONG_PTR done = 0;
    failPoolAllocation(kPoolTag);
    EXPECT_EQ(file.write(buffer.data(), 64, done), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_TRUE(recorder->outStages.empty());
}

TEST_F(BulkIoTest, ConfigurationDescriptorIsCopiedOnlyWhenItFits) {
    KernelFile file;
    const USB_CONFIGURATION_DESCRIPTOR* kept = extensionOn(port)->ConfigurationDescriptor;
    ASSERT_NE(kept, nullptr);
    const ULONG total = kept->wTotalLength;
    EXPECT_EQ(total, 32u);

    std::vector<std::uint8_t> out(64, 0xAA);
    ULONG_PTR returned = 99;
    EXPECT_EQ(file.control(IOCTL_GET_CONFIG_DESCRIPTOR, out.data(), total - 1, returned),
              STATUS_INVALID_PARAMETER);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(out, std::vector<std::uint8_t>(64, 0xAA));

    ASSERT_EQ(file.control(IOCTL_GET_CONFIG_DESCRIPTOR, out.data(), total, returned),
              STATUS_SUCCESS);
    EXPECT_EQ(returned, total);
    EXPECT_EQ(std::memcmp(out.data(), kept, total), 0);
    EXPECT_EQ(out[total], 0xAA);
}

TEST_F(BulkIoTest, ControlCodesBecomeTheirVendorRequests) {
    KernelFile file;
    std::uint8_t out[64];
    ULONG_PTR returned = 0;
    for (const VendorRequest& entry : kVendorRequests) {
        recorder->vendor.clear();
        ASSERT_EQ(file.control(entry.code, out, sizeof out, returned), STATUS_SUCCESS)
            << controlCodeName(entry.code);
        EXPECT_EQ(returned, 0u);
        ASSERT_EQ(recorder->vendor.size(), 1u);
        EXPECT_EQ(recorder->vendor[0], std::make_tuple(entry.request, entry.value, entry.index));
    }
    recorder->vendor.clear();
    EXPECT_EQ(file.control(IOCTL_NOP, out, sizeof out, returned), STATUS_SUCCESS);
    EXPECT_EQ(file.control(IOCTL_RESET_PORT, out, sizeof out, returned), STATUS_SUCCESS);
    EXPECT_EQ(recorder->portResets, 1);
    EXPECT_EQ(file.control(0x220020, out, sizeof out, returned), STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_EQ(file.control(0x220001, out, sizeof out, returned), STATUS_INVALID_DEVICE_REQUEST);
    EXPECT_TRUE(recorder->vendor.empty());
}

TEST_F(BulkIoTest, BothPipeNamesReachTheSamePipes) {
    KernelFile out("\\PIPE00");
    KernelFile in("\\PIPE01");
    std::uint8_t byte = 5;
    ULONG_PTR done = 0;
    ASSERT_EQ(in.write(&byte, 1, done), STATUS_SUCCESS);
    ASSERT_EQ(out.read(&byte, 1, done), STATUS_SUCCESS);
    EXPECT_EQ(recorder->outStages.size(), 1u);
    EXPECT_EQ(recorder->inStages.size(), 1u);
    EXPECT_EQ(extensionOn(port)->OpenCount, 2);
}

}  // namespace
}  // namespace vox::vxr250::testing
