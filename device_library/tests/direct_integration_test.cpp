// The integration suite over the direct provider.

#include "device_library/tests/integration_suite.h"
#include "platform/devio/direct_provider.h"

namespace vox::devsys::testing {
namespace {

RecorderRig makeDirectRig(const model::RecorderOptions& options) {
    RecorderRig rig;
    rig.recorder = std::make_shared<model::Recorder>(options);
    auto provider = std::make_shared<devio::DirectProvider>();
    provider->attach(rig.recorder);
    rig.provider = provider;
    return rig;
}

INSTANTIATE_TEST_SUITE_P(Direct, RecorderIntegrationTest,
                         ::testing::Values(RigKind{"Direct", makeDirectRig}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vox::devsys::testing
