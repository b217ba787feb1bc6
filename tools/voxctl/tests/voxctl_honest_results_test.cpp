// voxctl reports what happened and nothing else: a put interrupted at any
// instant says "canceled" only when the file is not on the recorder, and a
// listing in JSON is valid UTF-8 whatever bytes the recorder's names hold.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 0x2) return false;
            point = (point << 6) | (next & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

class VoxctlHonestResults : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
    }
    VoxctlSandbox sandbox;
};

TEST_F(VoxctlHonestResults, JsonListingIsValidUtf8ForAnyRecorderName) {
    {
        std::string error;
        auto recorder = model::Recorder::openImage(sandbox.image(), error);
        ASSERT_TRUE(recorder) << error;
        ASSERT_TRUE(recorder->fileSystem().addFile('M', "HD", "\xE9T\xFF.TXT", u"", {1, 2, 3},
                                                   model::FatStamp::now(), error))
            << error;
        ASSERT_TRUE(recorder->save(error)) << error;
    }
    const Finished listed = sandbox.run({"ls", "HD", "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(isUtf8(listed.out)) << listed.out;
    EXPECT_NE(listed.out.find(R"(\ufffdT\ufffd)"), std::string::npos) << listed.out;
}

TEST_F(VoxctlHonestResults, ShortUsbStagesListTheWholeFolder) {
    std::filesystem::remove(sandbox.image());
    ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image()}).status, 0);  // with sample files
    for (const char* folder : {"A", "HD"}) {
        const Finished whole = sandbox.run({"ls", folder});
        ASSERT_EQ(whole.status, 0) << whole.err;
        ASSERT_FALSE(whole.out.empty()) << folder;
        for (const char* stage : {"64", "128", "200"}) {
            sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", std::string("short-stages=") + stage);
            const Finished staged = sandbox.run({"ls", folder});
            sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");
            EXPECT_EQ(staged.status, 0) << folder << " " << stage << ": " << staged.err;
            EXPECT_EQ(staged.out, whole.out) << folder << " in stages of " << stage;
        }
    }
}

TEST_F(VoxctlHonestResults, AnInterruptedPutSaysCanceledOnlyWhenTheFileIsNotSent) {
    writeFile(sandbox.pcPath("memo.dvf"), patternBytes(70000, 1));
    std::mt19937 random(9122026);
    std::uniform_int_distribution<int> instantMs(0, 400);
    for (int round = 0; round < 6; ++round) {
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "slow-us=20000");
        const pid_t child = sandbox.start({"put", "--force", sandbox.pcPath("memo.dvf"), "A"});
        ASSERT_TRUE(sandbox.waitUntilCatchingInterrupt(child));
        std::this_thread::sleep_for(std::chrono::milliseconds(instantMs(random)));
        kill(child, SIGINT);
        const Finished finished = sandbox.wait(child);
        sandbox.setEnvironment("VXR250_SIMULATOR_FAULTS", "");

        const Finished listed = sandbox.run({"ls", "A"});
        ASSERT_EQ(listed.status, 0) << listed.err;
        const bool onRecorder = listed.out.find("memo.dvf") != std::string::npos;
        if (finished.status == 130) {
            EXPECT_FALSE(onRecorder) << "reported canceled, yet the file was sent";
        } else {
            EXPECT_EQ(finished.status, 0) << finished.err;
            EXPECT_TRUE(onRecorder);
        }
        if (onRecorder) {
            ASSERT_EQ(sandbox.run({"rm", "A/memo.dvf"}).status, 0);
        }
    }
}

}  // namespace
}  // namespace vox::voxctl::testing
