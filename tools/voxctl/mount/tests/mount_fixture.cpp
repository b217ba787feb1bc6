#include "tools/voxctl/mount/tests/mount_fixture.h"

#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace vox::voxctl::testing {

namespace {

using namespace std::chrono_literals;

bool fuseAvailable(std::string& missing) {
    if (!std::filesystem::exists("/dev/fuse"))
        missing = "/dev/fuse";
    else if (std::system("command -v fusermount3 >/dev/null 2>&1") != 0)
        missing = "fusermount3";
    return missing.empty();
}

}  // namespace

void MountTest::SetUp() {
    std::string missing;
    if (!fuseAvailable(missing)) GTEST_SKIP() << "no FUSE here: " << missing << " is missing";
    for (const char* name : {"run", "cache", "data"})
        std::filesystem::create_directory(sandbox.folder() + "/" + name);
    std::filesystem::create_directory(mountPoint());
    sandbox.setEnvironment("XDG_RUNTIME_DIR", sandbox.folder() + "/run");
    sandbox.setEnvironment("XDG_CACHE_HOME", sandbox.folder() + "/cache");
    sandbox.setEnvironment("XDG_DATA_HOME", sandbox.folder() + "/data");
    ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image()}).status, 0);
}

void MountTest::TearDown() {
    if (!std::filesystem::exists(sandbox.folder() + "/run")) return;
    // Whatever the test left: no mount point stays behind.
    shell("fusermount3 -u -z mnt 2>/dev/null");
    std::ifstream lock(sandbox.folder() + "/run/voxerin/mount.lock");
    long pid = 0;
    if (lock >> pid && pid > 0) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        for (int i = 0; i < 100 && ::kill(static_cast<pid_t>(pid), 0) == 0; ++i)
            std::this_thread::sleep_for(50ms);
    }
}

bool MountTest::mount(const std::vector<std::string>& options) {
    std::vector<std::string> arguments{"mount"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(mountPoint());
    const Finished finished = sandbox.run(arguments);
    mountErrors = finished.err;
    return finished.status == 0 && mounted();
}

void MountTest::unmount() {
    EXPECT_EQ(sandbox.run({"unmount", mountPoint()}).status, 0);
}

bool MountTest::mounted() const {
    std::ifstream mounts("/proc/mounts");
    for (std::string device, point, rest; mounts >> device >> point && std::getline(mounts, rest);)
        if (point == mountPoint()) return true;
    return false;
}

bool MountTest::waitMounted(bool wanted) {
    for (int i = 0; i < 400; ++i) {
        if (mounted() == wanted) return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

int MountTest::shell(const std::string& command, std::string* output) {
    const std::string line = "cd '" + sandbox.folder() + "' && " + command;
    std::FILE* pipe = ::popen(line.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    const int status = ::pclose(pipe);
    if (output != nullptr) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vox::voxctl::testing
