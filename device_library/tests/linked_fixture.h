#pragma once
// A fresh device link over a scripted recorder, with its context created
// (firmware 1.5) and the script's record cleared.

#include <gtest/gtest.h>

#include "device_library/device_link.h"
#include "device_library/tests/scripted_provider.h"

namespace vox::devsys::testing {

class LinkedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        provider.reply(identifyReply('1', '5'));
        ASSERT_EQ(link.createDev(&ctx), 0);
        ASSERT_NE(ctx, nullptr);
        provider.events.clear();
    }

    ScriptedProvider provider;
    DeviceLink link{&provider};
    DeviceContext* ctx = nullptr;
};

}  // namespace vox::devsys::testing
