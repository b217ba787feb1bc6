#include "platform/kernel/pool.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

namespace vox::kernel {

void KeBugCheck(const char* what) {
    std::fprintf(stderr, "*** kernel check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

namespace {

struct Allocation {
    std::size_t bytes;
    ULONG tag;
};

struct Pool {
    std::mutex mutex;
    std::unordered_map<void*, Allocation> live;
    std::map<ULONG, unsigned> failAfter;  // tag -> allocations still allowed
};

// Never destroyed: drivers and buses torn down by other libraries at
// process exit still reach it after this library's statics are gone.
Pool& pool() {
    static Pool& instance = *new Pool;
    return instance;
}

}  // namespace

PVOID ExAllocatePoolWithTag(POOL_TYPE, std::size_t bytes, ULONG tag) {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    if (auto failing = p.failAfter.find(tag); failing != p.failAfter.end()) {
        if (failing->second == 0) {
            p.failAfter.erase(failing);
            return nullptr;
        }
        --failing->second;
    }
    void* block = std::calloc(1, bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    p.live.emplace(block, Allocation{bytes, tag});
    return block;
}

void ExFreePool(PVOID block) {
    if (block == nullptr) KeBugCheck("BAD_POOL_CALLER: freeing a null block");
    Pool& p = pool();
    {
        std::lock_guard lock(p.mutex);
        if (p.live.erase(block) == 0) KeBugCheck("BAD_POOL_CALLER: block not allocated");
    }
    std::free(block);
}

void ExFreePoolWithTag(PVOID block, ULONG tag) {
    Pool& p = pool();
    {
        std::lock_guard lock(p.mutex);
        auto found = p.live.find(block);
        if (found == p.live.end()) KeBugCheck("BAD_POOL_CALLER: block not allocated");
        if (found->second.tag != tag) KeBugCheck("BAD_POOL_CALLER: tag does not match");
    }
    ExFreePool(block);
}

PoolUsage poolUsage() {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    PoolUsage usage;
    for (const auto& entry : p.live) {
        ++usage.blocks;
        usage.bytes += entry.second.bytes;
    }
    return usage;
}

PoolUsage poolUsage(ULONG tag) {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    PoolUsage usage;
    for (const auto& entry : p.live) {
        if (entry.second.tag != tag) continue;
        ++usage.blocks;
        usage.bytes += entry.second.bytes;
    }
    return usage;
}

void failPoolAllocation(ULONG tag, unsigned skip) {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    p.failAfter[tag] = skip;
}

void clearPoolFailures() {
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    p.failAfter.clear();
}

}  // namespace vox::kernel
