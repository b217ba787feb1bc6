// The image file: what it keeps, what it refuses, and who may hold it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <optional>

#include "recorder_model/tests/temp_folder.h"
#include "recorder_model/tests/wire.h"

namespace vox::model::testing {
namespace {

Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Runs `child` in a forked process and gives its exit code.
template <typename Child>
int inChildProcess(Child child) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(child());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RecorderImage, ChangesLastAcrossReopening) {
    TempFolder folder;
    auto image = folder / "recorder.img";
    std::string error;
    Bytes content(70000);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<std::uint8_t>(i % 251);
    {
        auto recorder =
            Recorder::openImage(image, error, {.firmwareVersion = "0.9", .sampleContent = true});
        ASSERT_TRUE(recorder) << error;
        Host host(*recorder);
        host.listFolder("A");
        ASSERT_EQ(host.create('M', "NEW.DVF", u"New one.DVF", content), 0);
        ASSERT_EQ(host.outcome(block(cat({{'M', 0x45}, text("VOICE001.DVF")}))), 0);
    }
    auto recorder = Recorder::openImage(image, error, {.firmwareVersion = "1.5"});
    ASSERT_TRUE(recorder) << error;
    EXPECT_EQ(recorder->options().firmwareVersion, "0.9");
    FlashEntry* a = recorder->fileSystem().folder('M', "A");
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->childByDisplayName("VOICE001.DVF", false));
    FlashEntry* created = a->childByDisplayName("NEW     .DVF", false);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->longName, u"New one.DVF");
    EXPECT_EQ(*created->content, content);
    EXPECT_EQ(created->stamp.date, 0x5A21);
    // What seeding adds reaches the image with save().
    ASSERT_TRUE(
        recorder->fileSystem().addFile('M', "HD", "SEEDED.TXT", u"", Bytes(5, 9), {}, error));
    ASSERT_TRUE(recorder->save(error)) << error;
    recorder.reset();
    recorder = Recorder::openImage(image, error);
    ASSERT_TRUE(recorder) << error;
    EXPECT_TRUE(
        recorder->fileSystem().folder('M', "HD")->childByDisplayName("SEEDED  .TXT", false));
}

TEST(RecorderImage, DamagedImagesAreRefusedAndLeftAlone) {
    TempFolder folder;
    auto image = folder / "recorder.img";
    std::string error;
    ASSERT_TRUE(Recorder::createImage(image, {.sampleContent = true}, error)) << error;
    EXPECT_FALSE(Recorder::createImage(image, {}, error));
    const Bytes good = fileBytes(image);
    Bytes flipped = good;
    flipped[good.size() / 2] ^= 0x10;
    Bytes garbage(4096);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37);
    const std::pair<const char*, Bytes> damaged[] = {
        {"a flipped bit", flipped},
        {"cut in half",
         Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2))},
        {"cut to ten bytes", Bytes(good.begin(), good.begin() + 10)},
        {"empty", Bytes()},
        {"not an image", garbage},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        writeBytes(image, bytes);
        error.clear();
        EXPECT_FALSE(Recorder::openImage(image, error));
        EXPECT_NE(error.find(image.string()), std::string::npos) << error;
        EXPECT_EQ(fileBytes(image), bytes);
    }
    writeBytes(image, good);
    EXPECT_TRUE(Recorder::openImage(image, error)) << error;
}

// While it lives, this process cannot write a file past 16 bytes.
class FullDisk {
  public:
    FullDisk() {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &small);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a signal
    }
    ~FullDisk() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(RecorderImage, AChangeThatCannotBeSavedIsUndoneAndReported) {
    TempFolder folder;
    auto image = folder / "recorder.img";
    std::string error;
    auto recorder = Recorder::openImage(image, error, {.sampleContent = true});
    ASSERT_TRUE(recorder) << error;
    Host host(*recorder);
    host.listFolder("A");
    // Files cannot grow past a few bytes, as on a full disk, so saving fails.
    std::optional<FullDisk> full(std::in_place);
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("VOICE001DVF")}))), 10);
    EXPECT_TRUE(recorder->fileSystem().folder('M', "A")->childByDisplayName("VOICE001DVF", true));
    // A file whose image cannot be saved fails its last data block.
    ASSERT_EQ(host.query(createBlock('M', "LOST    DVF", u"", 10))[4], 0);
    host.end();
    host.beginData();
    EXPECT_EQ(host.write(Bytes(32768, 0)).status, usb::UsbStatus::Stall);
    EXPECT_FALSE(recorder->fileSystem().folder('M', "A")->childByDisplayName("LOST    DVF", true));
    // No new image is left behind by the failed saves.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(image.parent_path()), {}), 2);
    full.reset();
    EXPECT_EQ(host.outcome(block(cat({{'M', 0x45}, text("VOICE001DVF")}))), 0);
}

TEST(RecorderImage, ASecondProgramIsRefusedWhileTheImageIsOpen) {
    TempFolder folder;
    auto image = folder / "recorder.img";
    std::string error;
    auto recorder = Recorder::openImage(image, error);
    ASSERT_TRUE(recorder) << error;
    int refused = inChildProcess([&] {
        std::string childError;
        auto second = Recorder::openImage(image, childError);
        // The holder is this test's parent process, named as Linux lists it.
        bool ok = !second &&
                  childError.starts_with("recorder image " + image.string() +
                                         " is in use by another program (") &&
                  childError.ends_with("process " + std::to_string(::getppid()) + ")");
        return ok ? 0 : 1;
    });
    EXPECT_EQ(refused, 0);
    // A save replaces the image file; the lock still holds.
    Host(*recorder).listFolder("A");
    ASSERT_EQ(Host(*recorder).create('M', "AFTER   DVF", u"", Bytes(10, 1)), 0);
    EXPECT_EQ(inChildProcess([&] {
                  std::string childError;
                  return Recorder::openImage(image, childError) ? 1 : 0;
              }),
              0);
    recorder.reset();
    EXPECT_EQ(inChildProcess([&] {
                  std::string childError;
                  return Recorder::openImage(image, childError) ? 0 : 1;
              }),
              0);
}

}  // namespace
}  // namespace vox::model::testing
