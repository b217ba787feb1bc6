#pragma once
// Pool allocation with tags. Every allocation is tracked, so tests can check
// that a driver gave back all it took, and allocations can be made to fail.

#include <cstddef>

#include "platform/kernel/ntstatus.h"

namespace vox::kernel {

enum POOL_TYPE { NonPagedPool = 0, PagedPool = 1 };

// A tag as the pool keeps it: the four characters in memory order, so
// poolTag("Wdm ") is stored as the bytes 57 64 6D 20.
constexpr ULONG poolTag(const char (&text)[5]) {
    return static_cast<ULONG>(static_cast<unsigned char>(text[0])) |
           static_cast<ULONG>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<ULONG>(static_cast<unsigned char>(text[2])) << 16 |
           static_cast<ULONG>(static_cast<unsigned char>(text[3])) << 24;
}

// Null when the pool is exhausted (or made to fail). Memory is zeroed.
PVOID ExAllocatePoolWithTag(POOL_TYPE type, std::size_t bytes, ULONG tag);
void ExFreePool(PVOID block);
void ExFreePoolWithTag(PVOID block, ULONG tag);

struct PoolUsage {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
};

// What is allocated and not yet freed, in all and for one tag.
PoolUsage poolUsage();
PoolUsage poolUsage(ULONG tag);
// Lets `skip` more allocations with `tag` succeed, then fails the next one.
void failPoolAllocation(ULONG tag, unsigned skip = 0);
void clearPoolFailures();

}  // namespace vox::kernel
