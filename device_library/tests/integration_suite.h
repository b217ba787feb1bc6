#pragma once
// The device access library end to end, through its flat exports, against
// the recorder model. The suite is written once and run over every way of
// reaching a recorder: a test program instantiates it with a rig factory,
//
//   INSTANTIATE_TEST_SUITE_P(Direct, RecorderIntegrationTest,
//                            ::testing::Values(RigKind{"Direct", makeDirectRig}));

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "device_library/qvdevsys.h"
#include "platform/devio/devio.h"
#include "recorder_model/recorder.h"

namespace vox::devsys::testing {

// One recorder model and the provider through which the library reaches it.
struct RecorderRig {
    std::shared_ptr<model::Recorder> recorder;
    std::shared_ptr<devio::Provider> provider;
};

struct RigKind {
    const char* name;
    std::function<RecorderRig(const model::RecorderOptions&)> make;
};

inline void PrintTo(const RigKind& kind, std::ostream* out) {
    *out << kind.name;
}

class RecorderIntegrationTest : public ::testing::TestWithParam<RigKind> {
  protected:
    void SetUp() override;
    void TearDown() override;

    model::Recorder& recorder() { return *rig_.recorder; }
    // Lists a folder of the main store through the library.
    bool list(const char* folder, DeviceListing& listing);
    // The index of the entry whose long name (or display name) is `name`, or -1.
    static int find(const DeviceListing& listing, const std::string& name);

    DeviceContext* ctx = nullptr;

  private:
    RecorderRig rig_;
    std::shared_ptr<devio::Provider> previous_;
};

}  // namespace vox::devsys::testing
