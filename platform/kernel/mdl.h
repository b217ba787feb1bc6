#pragma once
// Memory descriptors: a buffer's description as drivers hand it down. A
// partial descriptor describes part of another's buffer; mapping it into
// system space can be made to fail, as it can under memory pressure.

#include "platform/kernel/ntstatus.h"

namespace vox::kernel {

struct IRP;

constexpr USHORT MDL_MAPPED_TO_SYSTEM_VA = 0x0001;
constexpr USHORT MDL_PAGES_LOCKED = 0x0002;
constexpr USHORT MDL_PARTIAL = 0x0010;

struct MDL {
    MDL* Next;
    USHORT MdlFlags;
    PVOID StartVa;    // first byte described
    ULONG ByteCount;  // bytes described
    ULONG Capacity;   // bytes the descriptor was allocated for
    PVOID MappedSystemVa;
};

enum MM_PAGE_PRIORITY { LowPagePriority = 0, NormalPagePriority = 16, HighPagePriority = 32 };

// With a request and not secondary, the descriptor becomes its MdlAddress.
MDL* IoAllocateMdl(PVOID virtualAddress, ULONG length, BOOLEAN secondaryBuffer, BOOLEAN chargeQuota,
                   IRP* irp);
void IoFreeMdl(MDL* mdl);
// Describes [virtualAddress, virtualAddress + length) of `source` in
// `target`; the range must lie inside both.
void IoBuildPartialMdl(MDL* source, MDL* target, PVOID virtualAddress, ULONG length);
void MmProbeAndLockPages(MDL* mdl, int accessMode, int operation);
void MmUnlockPages(MDL* mdl);
// Null when the mapping fails.
PVOID MmGetSystemAddressForMdlSafe(MDL* mdl, MM_PAGE_PRIORITY priority);
// Undoes a partial descriptor's mapping so it can describe another range.
void MmPrepareMdlForReuse(MDL* mdl);
inline PVOID MmGetMdlVirtualAddress(const MDL* mdl) {
    return mdl->StartVa;
}
inline ULONG MmGetMdlByteCount(const MDL* mdl) {
    return mdl->ByteCount;
}

// Lets `skip` more mappings succeed, then fails the next one.
void failMdlMapping(unsigned skip = 0);
void clearMdlMappingFailures();
// Mappings made and not yet undone.
long liveMdlMappings();

}  // namespace vox::kernel
