#pragma once
// A sandbox for voxctl import runs: a simulated recorder seeded with files,
// an import folder and a state folder of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {

namespace fs = std::filesystem;

class VoxctlImport : public ::testing::Test {
  protected:
    void SetUp() override {
        box->setEnvironment("XDG_STATE_HOME", box->folder() + "/state");
        box->setEnvironment("HOME", box->folder());
    }

    void createEmpty(const std::string& firmware = "1.5") {
        ASSERT_EQ(
            box->run({"sim", "create", box->image(), "--empty", "--firmware", firmware}).status, 0);
    }

    // `image` empty: the sandbox's recorder.
    void seed(const std::string& folder, const std::string& shortName, std::u16string longName,
              const std::string& content, model::FatStamp stamp = model::FatStamp::now(),
              const std::string& image = {}) {
        std::string error;
        auto recorder = model::Recorder::openImage(image.empty() ? box->image() : image, error);
        ASSERT_TRUE(recorder) << error;
        ASSERT_TRUE(recorder->fileSystem().addFile('M', folder, shortName, std::move(longName),
                                                   {content.begin(), content.end()}, stamp, error))
            << error;
        ASSERT_TRUE(recorder->save(error)) << error;
    }

    // ONE.DVF (three blocks), whose first read gets a corrupted second
    // block, and TWO.DVF (one block), read cleanly.
    void seedWithACorruptedRead() {
        createEmpty();
        seed("A", "ONE.DVF", u"", patternBytes(70000, 4));
        seed("A", "TWO.DVF", u"", patternBytes(3000, 5));
        box->setEnvironment("VXR250_SIMULATOR_FAULTS", "corrupt-read-block=2");
    }

    std::string dir() const { return box->pcPath("import"); }

    Finished import(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments{"import", dir(), "--name", "{name}"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return box->run(arguments);
    }

    // The state file's recordings (one a line after the header), sorted.
    std::vector<std::string> stateLines() {
        const std::string folder = box->folder() + "/state/voxerin";
        if (!fs::exists(folder)) return {};
        std::vector<std::string> lines;
        for (const std::string& name : namesIn(folder)) {
            EXPECT_TRUE(name.ends_with(".state")) << "left beside the state: " << name;
            std::istringstream in(readFile(folder + "/" + name));
            std::string line;
            std::getline(in, line);
            while (std::getline(in, line)) lines.push_back(line.substr(line.rfind('\t') + 1));
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // The files of one import subfolder; never a name of ours.
    std::vector<std::string> imported(const std::string& folder) {
        if (!fs::exists(dir() + "/" + folder)) return {};
        const std::vector<std::string> names = namesIn(dir() + "/" + folder);
        for (const std::string& name : names)
            EXPECT_NE(name.front(), '.') << "a temporary file was left: " << name;
        return names;
    }

    std::string listed(const std::string& folder) {
        const Finished finished = box->run({"ls", folder});
        EXPECT_EQ(finished.status, 0) << finished.err;
        return finished.out;
    }

    // A fresh sandbox with its own recorder, import folder and state.
    void renew() {
        box = std::make_unique<VoxctlSandbox>();
        SetUp();
    }

    std::unique_ptr<VoxctlSandbox> box = std::make_unique<VoxctlSandbox>();
};

}  // namespace vox::voxctl::testing
