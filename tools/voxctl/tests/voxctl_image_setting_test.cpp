// The simulated recorder's settings as voxctl meets them: an image another
// program holds is busy and names that program, a fault setting that does not
// parse is a usage error, and the image behind a symbolic link is the one
// that changes, while a path that is no image file is refused untouched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

namespace fs = std::filesystem;

class VoxctlImageSetting : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        writeFile(sandbox.pcPath("memo.dvf"), patternBytes(3000, 7));
    }
    VoxctlSandbox sandbox;
};

TEST_F(VoxctlImageSetting, AnImageHeldByAnotherProgramIsBusyAndNamesIt) {
    std::string error;
    auto holder = model::Recorder::openImage(sandbox.image(), error);
    ASSERT_TRUE(holder) << error;
    const Finished listed = sandbox.run({"ls", "A"});
    EXPECT_EQ(listed.status, 4) << listed.err;
    EXPECT_NE(listed.err.find("is in use by another program"), std::string::npos) << listed.err;
    EXPECT_NE(listed.err.find("process " + std::to_string(::getpid())), std::string::npos)
        << listed.err;
    holder.reset();
    EXPECT_EQ(sandbox.run({"ls", "A"}).status, 0);
}

TEST_F(VoxctlImageSetting, AMalformedFaultSettingIsAUsageError) {
    for (const char* setting : {"short-stages", "unplug-after-bytes=lots", "no-such-fault=1"}) {
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", setting);
        const Finished put = sandbox.run({"put", sandbox.pcPath("memo.dvf"), "A"});
        EXPECT_EQ(put.status, 2) << setting << ": " << put.err;
        EXPECT_NE(put.err.find("VXR250_SIMULATOR_FAULTS"), std::string::npos) << put.err;
    }
    sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    const Finished listed = sandbox.run({"ls", "A"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.find("memo.dvf"), std::string::npos) << "nothing was sent";
}

TEST_F(VoxctlImageSetting, WritesReachTheImageBehindASymbolicLink) {
    const std::string real = sandbox.folder() + "/store/real.img";
    fs::create_directory(sandbox.folder() + "/store");
    fs::rename(sandbox.image(), real);
    fs::remove(sandbox.image() + ".lock");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, sandbox.image());

    const Finished put = sandbox.run({"put", sandbox.pcPath("memo.dvf"), "A"});
    ASSERT_EQ(put.status, 0) << put.err;

    EXPECT_TRUE(fs::is_symlink(sandbox.image()));
    EXPECT_FALSE(fs::exists(sandbox.image() + ".lock")) << "the lock sits beside the real image";
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(sandbox.folder() + "/store"),
              (std::vector<std::string>{"real.img", "real.img.lock"}));
    sandbox.setEnvironment("VXR250_SIMULATOR", real);
    const Finished listed = sandbox.run({"ls", "A"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("memo.dvf"), std::string::npos) << listed.out;
}

TEST_F(VoxctlImageSetting, APathThatIsNoImageFileIsRefusedUntouched) {
    const std::string folder = sandbox.folder() + "/folder";
    const std::string fifo = sandbox.folder() + "/fifo";
    const std::string dangling = sandbox.folder() + "/dangling.img";
    const std::string missing = sandbox.folder() + "/missing.img";
    fs::create_directory(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(missing, dangling);
    const struct {
        std::string path;
        const char* reason;
    } refused[] = {{dangling, "which does not exist"},
                   {folder, "is a folder"},
                   {fifo, "is a special file"},
                   {"/dev/null", "is a device"},
                   {sandbox.folder() + "/nowhere/new.img", "is not a writable folder"}};
    for (const auto& [path, reason] : refused) {
        sandbox.setEnvironment("VXR250_SIMULATOR", path);
        const Finished listed = sandbox.run({"ls", "A"});
        EXPECT_EQ(listed.status, 3) << path << ": " << listed.err;
        EXPECT_NE(listed.err.find(reason), std::string::npos) << listed.err;
        EXPECT_FALSE(fs::exists(path + ".lock")) << path;
    }
    EXPECT_FALSE(fs::exists(missing)) << "a dangling link does not become a fresh image";
    EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace vox::voxctl::testing
