#pragma once
// A simulated recorder mounted with the built voxctl in a sandbox of its
// own (runtime, cache and data folders included), and the PC side's tools
// run on it. The mount is undone in teardown whatever happened.

#include <gtest/gtest.h>

#include <string>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {

class MountTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Mounts on mountPoint() (with the extra voxctl mount options); true
    // once it is mounted.
    bool mount(const std::vector<std::string>& options = {});
    void unmount();
    bool mounted() const;
    // Waits until the mount point is (or is no longer) mounted.
    bool waitMounted(bool wanted);

    std::string at(const std::string& path) const { return mountPoint() + "/" + path; }
    std::string mountPoint() const { return sandbox.folder() + "/mnt"; }
    std::string recovered(const std::string& name) const {
        return sandbox.folder() + "/data/voxerin/recovered/" + name;
    }
    // Runs a shell command with the sandbox's folder as its working folder;
    // its exit status, with its output in `output` when given.
    int shell(const std::string& command, std::string* output = nullptr);

    VoxctlSandbox sandbox;
    std::string mountErrors;  // what the last mount wrote on stderr
};

}  // namespace vox::voxctl::testing
