// The kernel layer's own rules: completion routines, chained completion,
// the remove lock, pool tracking, descriptors and the interface registry.

#include <gtest/gtest.h>

#include <thread>

#include "platform/kernel/wdm.h"

namespace vox::kernel {
namespace {

// A two-device stack whose lower driver completes with the status in its
// extension, counting the requests it saw.
struct LowerState {
    NTSTATUS status = STATUS_SUCCESS;
    int seen = 0;
};

NTSTATUS lowerDispatch(DEVICE_OBJECT* device, IRP* irp) {
    auto* state = *static_cast<LowerState**>(device->DeviceExtension);
    ++state->seen;
    irp->IoStatus.Status = state->status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return state->status;
}

NTSTATUS lowerEntry(DRIVER_OBJECT* driver, UNICODE_STRING*) {
    driver->MajorFunction[IRP_MJ_READ] = &lowerDispatch;
    return STATUS_SUCCESS;
}

class StackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NTSTATUS status;
        driver = IoLoadDriver(u"\\Driver\\KernelTestLower", &lowerEntry, u"", &status);
        ASSERT_EQ(IoCreateDevice(driver, sizeof(LowerState*), nullptr, FILE_DEVICE_UNKNOWN, 0,
                                 FALSE, &lower),
                  STATUS_SUCCESS);
        *static_cast<LowerState**>(lower->DeviceExtension) = &state;
    }
    void TearDown() override {
        IoDeleteDevice(lower);
        IoUnloadDriver(driver);
        EXPECT_EQ(poolUsage(poolTag("Irp ")).blocks, 0u);
    }

    DRIVER_OBJECT* driver = nullptr;
    DEVICE_OBJECT* lower = nullptr;
    LowerState state;
};

struct Calls {
    int count = 0;
    KIRQL irql = PASSIVE_LEVEL;
    int resubmitLeft = 0;
    DEVICE_OBJECT* lower = nullptr;
};

NTSTATUS countCall(DEVICE_OBJECT*, IRP* irp, PVOID context) {
    auto* calls = static_cast<Calls*>(context);
    ++calls->count;
    calls->irql = KeGetCurrentIrql();
    if (calls->resubmitLeft-- > 0) {
        IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_READ;
        IoSetCompletionRoutine(irp, &countCall, calls, TRUE, TRUE, TRUE);
        IoCallDriver(calls->lower, irp);
    }
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS sendRead(DEVICE_OBJECT* lower, Calls& calls, BOOLEAN onSuccess, BOOLEAN onError,
                  BOOLEAN cancelled) {
    IRP* irp = IoAllocateIrp(1, FALSE);
    irp->Cancel = cancelled;
    IoGetNextIrpStackLocation(irp)->MajorFunction = IRP_MJ_READ;
    IoSetCompletionRoutine(irp, &countCall, &calls, onSuccess, onError, TRUE);
    const NTSTATUS status = IoCallDriver(lower, irp);
    IoFreeIrp(irp);
    return status;
}

TEST_F(StackTest, CompletionRoutinesRunOnlyForTheirOutcomes) {
    Calls calls;
    sendRead(lower, calls, TRUE, FALSE, FALSE);
    EXPECT_EQ(calls.count, 1);
    EXPECT_EQ(calls.irql, DISPATCH_LEVEL);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    state.status = STATUS_UNSUCCESSFUL;
    sendRead(lower, calls, TRUE, FALSE, FALSE);
    EXPECT_EQ(calls.count, 1);
    sendRead(lower, calls, FALSE, TRUE, FALSE);
    EXPECT_EQ(calls.count, 2);
    state.status = STATUS_CANCELLED;
    sendRead(lower, calls, FALSE, FALSE, TRUE);  // invoke on cancel only
    EXPECT_EQ(calls.count, 3);
}

TEST_F(StackTest, RequestsResubmittedFromCompletionDoNotNest) {
    Calls calls;
    calls.lower = lower;
    calls.resubmitLeft = 100000;  // deep enough to overflow the stack if nested
    sendRead(lower, calls, TRUE, TRUE, FALSE);
    EXPECT_EQ(calls.count, 100001);
    EXPECT_EQ(state.seen, 100001);
}

TEST(RemoveLockTest, RemovalWaitsForHoldersAndRefusesNewOnes) {
    IO_REMOVE_LOCK lock;
    IoInitializeRemoveLock(&lock, 0, 0, 0);
    ASSERT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_SUCCESS);  // a request in flight
    ASSERT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_SUCCESS);  // the removal's own hold
    std::atomic<bool> removed{false};
    std::thread removal([&] {
        IoReleaseRemoveLockAndWait(&lock, nullptr);
        removed = true;
    });
    while (std::atomic_ref<LONG>(lock.Removed).load() == 0) std::this_thread::yield();
    EXPECT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_DELETE_PENDING);
    EXPECT_FALSE(removed.load());
    IoReleaseRemoveLock(&lock, nullptr);
    removal.join();
    EXPECT_TRUE(removed.load());
    EXPECT_EQ(lock.IoCount, 0);
}

TEST(PoolTest, TracksTagsAndFailsOnRequest) {
    const ULONG tag = poolTag("Test");
    EXPECT_EQ(tag, 0x74736554u);  // bytes 54 65 73 74 in memory
    void* first = ExAllocatePoolWithTag(NonPagedPool, 100, tag);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(poolUsage(tag).blocks, 1u);
    EXPECT_EQ(poolUsage(tag).bytes, 100u);
    failPoolAllocation(tag, 1);
    void* second = ExAllocatePoolWithTag(NonPagedPool, 8, tag);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(ExAllocatePoolWithTag(NonPagedPool, 8, tag), nullptr);
    void* third = ExAllocatePoolWithTag(NonPagedPool, 8, tag);  // one failure only
    EXPECT_NE(third, nullptr);
    ExFreePool(first);
    ExFreePool(second);
    ExFreePoolWithTag(third, tag);
    EXPECT_EQ(poolUsage(tag).blocks, 0u);
}

TEST(MdlTest, PartialDescriptorsStayInsideTheirSourceAndMappingsCanFail) {
    std::uint8_t buffer[10000];
    MDL* whole = IoAllocateMdl(buffer, sizeof buffer, FALSE, FALSE, nullptr);
    MDL* part = IoAllocateMdl(buffer, 4096, FALSE, FALSE, nullptr);
    IoBuildPartialMdl(whole, part, buffer + 8192, 1808);
    EXPECT_EQ(MmGetMdlVirtualAddress(part), buffer + 8192);
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(part, NormalPagePriority), buffer + 8192);
    EXPECT_EQ(liveMdlMappings(), 1);
    MmPrepareMdlForReuse(part);
    EXPECT_EQ(liveMdlMappings(), 0);
    failMdlMapping();
    EXPECT_EQ(MmGetSystemAddressForMdlSafe(part, NormalPagePriority), nullptr);
    EXPECT_NE(MmGetSystemAddressForMdlSafe(part, NormalPagePriority), nullptr);
    IoFreeMdl(part);
    IoFreeMdl(whole);
    EXPECT_EQ(liveMdlMappings(), 0);
    EXPECT_DEATH(
        {
            MDL* source = IoAllocateMdl(buffer, 100, FALSE, FALSE, nullptr);
            MDL* target = IoAllocateMdl(buffer, 4096, FALSE, FALSE, nullptr);
            IoBuildPartialMdl(source, target, buffer + 50, 51);
        },
        "outside the source");
}

TEST(InterfaceRegistryTest, OnlyEnabledInterfacesAreFoundAndOpened) {
    NTSTATUS status;
    DRIVER_OBJECT* driver = IoLoadDriver(u"\\Driver\\KernelTestBus", &lowerEntry, u"", &status);
    DEVICE_OBJECT* device = nullptr;
    ASSERT_EQ(IoCreateDevice(driver, 0, nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &device),
              STATUS_SUCCESS);
    device->InstanceId = u"USB\\VID_1234&PID_5678\\A1";
    GUID cls{};
    ASSERT_TRUE(parseGuid("{640a6544-5077-4ee4-884c-3c713514b23d}", cls));
    EXPECT_EQ(guidText(cls), "640A6544-5077-4EE4-884C-3C713514B23D");
    UNICODE_STRING link{};
    ASSERT_EQ(IoRegisterDeviceInterface(device, &cls, nullptr, &link), STATUS_SUCCESS);
    EXPECT_EQ(view(link),
              u"\\\\?\\usb#vid_1234&pid_5678#a1#{640a6544-5077-4ee4-884c-3c713514b23d}");
    EXPECT_TRUE(enabledDeviceInterfaces(cls).empty());
    std::u16string rest;
    EXPECT_EQ(resolveDeviceInterface(std::u16string(view(link)) + u"\\PIPE00", rest), nullptr);

    ASSERT_EQ(IoSetDeviceInterfaceState(&link, TRUE), STATUS_SUCCESS);
    EXPECT_EQ(enabledDeviceInterfaces(cls).size(), 1u);
    DEVICE_OBJECT* found = resolveDeviceInterface(
        u"\\\\?\\USB#VID_1234&PID_5678#A1#{640A6544-5077-4EE4-884C-3C713514B23D}\\PIPE01", rest);
    EXPECT_EQ(found, device);
    EXPECT_EQ(rest, u"\\PIPE01");
    if (found != nullptr) ObDereferenceObject(found);
    EXPECT_EQ(resolveDeviceInterface(std::u16string(view(link)) + u"X", rest), nullptr);

    RtlFreeUnicodeString(&link);
    IoDeleteDevice(device);
    EXPECT_TRUE(enabledDeviceInterfaces(cls).empty());
    IoUnloadDriver(driver);
}

TEST(DebugPrintTest, WideStringsAndNumbersAreFormatted) {
    captureDebugOutput(true);
    DbgPrint("KTR55USB - Product is %ws\n", u"VX-R250");
    DbgPrint("%d %u %04X %s %%\n", -5, 7u, 0xABu, "text");
    captureDebugOutput(false);
    EXPECT_EQ(takeDebugOutput(), "KTR55USB - Product is VX-R250\n-5 7 00AB text %\n");
}

}  // namespace
}  // namespace vox::kernel
