#include "platform/kernel/mdl.h"

#include <atomic>
#include <cstdint>

#include "platform/kernel/io_types.h"
#include "platform/kernel/pool.h"

namespace vox::kernel {
namespace {

constexpr ULONG kMdlTag = poolTag("Mdl ");
std::atomic<long> mappingsAllowed{-1};  // -1: no failure planned
std::atomic<long> liveMappings{0};

void unmap(MDL* mdl) {
    if ((mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) == 0) return;
    mdl->MdlFlags &= static_cast<USHORT>(~MDL_MAPPED_TO_SYSTEM_VA);
    mdl->MappedSystemVa = nullptr;
    --liveMappings;
}

}  // namespace

MDL* IoAllocateMdl(PVOID virtualAddress, ULONG length, BOOLEAN secondaryBuffer, BOOLEAN, IRP* irp) {
    auto* mdl = static_cast<MDL*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(MDL), kMdlTag));
    if (mdl == nullptr) return nullptr;
    mdl->StartVa = virtualAddress;
    mdl->ByteCount = length;
    mdl->Capacity = length;
    if (irp != nullptr && !secondaryBuffer) irp->MdlAddress = mdl;
    return mdl;
}

void IoFreeMdl(MDL* mdl) {
    unmap(mdl);
    ExFreePoolWithTag(mdl, kMdlTag);
}

void IoBuildPartialMdl(MDL* source, MDL* target, PVOID virtualAddress, ULONG length) {
    const auto start = reinterpret_cast<std::uintptr_t>(source->StartVa);
    const auto first = reinterpret_cast<std::uintptr_t>(virtualAddress);
    if (first < start || first + length > start + source->ByteCount) {
        KeBugCheck("IoBuildPartialMdl: range outside the source buffer");
    }
    if (length > target->Capacity)
        KeBugCheck("IoBuildPartialMdl: range larger than the descriptor");
    if ((target->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) != 0) {
        KeBugCheck("IoBuildPartialMdl: descriptor still mapped");
    }
    target->StartVa = virtualAddress;
    target->ByteCount = length;
    target->MdlFlags |= MDL_PARTIAL;
}

void MmProbeAndLockPages(MDL* mdl, int, int) {
    mdl->MdlFlags |= MDL_PAGES_LOCKED;
}

void MmUnlockPages(MDL* mdl) {
    mdl->MdlFlags &= static_cast<USHORT>(~MDL_PAGES_LOCKED);
}

PVOID MmGetSystemAddressForMdlSafe(MDL* mdl, MM_PAGE_PRIORITY) {
    if ((mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) != 0) return mdl->MappedSystemVa;
    long allowed = mappingsAllowed.load();
    while (allowed >= 0) {
        if (mappingsAllowed.compare_exchange_weak(allowed, allowed - 1)) {
            if (allowed == 0) return nullptr;
            break;
        }
    }
    mdl->MappedSystemVa = mdl->StartVa;
    mdl->MdlFlags |= MDL_MAPPED_TO_SYSTEM_VA;
    ++liveMappings;
    return mdl->MappedSystemVa;
}

void MmPrepareMdlForReuse(MDL* mdl) {
    if ((mdl->MdlFlags & MDL_PARTIAL) != 0) unmap(mdl);
}

void failMdlMapping(unsigned skip) {
    mappingsAllowed = static_cast<long>(skip);
}

void clearMdlMappingFailures() {
    mappingsAllowed = -1;
}

long liveMdlMappings() {
    return liveMappings.load();
}

}  // namespace vox::kernel
