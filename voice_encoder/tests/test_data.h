#pragma once
// Data the coder's tests read from outside the tree (the conformance vectors
// and the block vectors). Where it is absent a test skips with a message, but
// a CI run (CI=true) must not pass quietly without it: there it fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vox::g729::testing {

inline bool running_in_ci() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace vox::g729::testing

// Skips the calling test (or fails it under CI=true) when `location` does not
// exist. Use it in a test body or in SetUp.
#define VOX_REQUIRE_TEST_DATA(location)                                         \
    do {                                                                        \
        const std::filesystem::path vox_required_data_{location};               \
        if (!std::filesystem::exists(vox_required_data_)) {                     \
            if (::vox::g729::testing::running_in_ci())                          \
                FAIL() << "test data missing under CI: " << vox_required_data_; \
            GTEST_SKIP() << "test data not found at " << vox_required_data_;    \
        }                                                                       \
    } while (false)
