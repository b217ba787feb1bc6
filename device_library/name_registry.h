#pragma once
// The library-wide entry counter and the short names it must not repeat:
// those of the last listing's folder and those generated since. Workers and
// the interface thread reach it, so it locks.

#include <mutex>
#include <set>
#include <string>

#include "device_library/short_names.h"

namespace vox::devsys {

class NameRegistry final : public NameCounter {
  public:
    // A listing stored `listing.entryCount` entries: the counter starts from
    // there, and those entries' names are the ones on the recorder.
    void resetFrom(const DeviceListing& listing);
    int counter() const;

    int next() override;
    bool taken(const std::string& key) const override;
    void record(const std::string& key) override;

  private:
    mutable std::mutex mutex_;
    int counter_ = 0;
    std::set<std::string> taken_;
};

}  // namespace vox::devsys
