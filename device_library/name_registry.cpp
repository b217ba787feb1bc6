#include "device_library/name_registry.h"

namespace vox::devsys {

void NameRegistry::resetFrom(const DeviceListing& listing) {
    std::lock_guard lock(mutex_);
    counter_ = listing.entryCount;
    taken_.clear();
    for (int i = 0; i < listing.entryCount; ++i) taken_.insert(shortNameKey(listing.entries[i]));
}

int NameRegistry::counter() const {
    std::lock_guard lock(mutex_);
    return counter_;
}

int NameRegistry::next() {
    std::lock_guard lock(mutex_);
    return ++counter_;
}

bool NameRegistry::taken(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return taken_.count(key) != 0;
}

void NameRegistry::record(const std::string& key) {
    std::lock_guard lock(mutex_);
    taken_.insert(key);
}

}  // namespace vox::devsys
