// voxctl import end to end on simulated recorders: what a first, second and
// later import copy, imports cut short by an unplug, Ctrl-C or a stop, checked
// copies, deleting after a checked copy, WAV output, and names from the
// recorder that must stay inside the import folder.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "recorder_model/recorder.h"
#include "tools/voxctl/tests/import_fixture.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

using Names = std::vector<std::string>;

TEST_F(VoxctlImport, FirstImportCopiesAllSecondNothingLaterOnlyTheNew) {
    ASSERT_EQ(box->run({"sim", "create", box->image()}).status, 0);
    const Finished first = box->run({"import", dir()});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.out.ends_with("imported 7 file(s), 63488 bytes; skipped 0; failed 0\n"))
        << first.out;
    const Names a = imported("A");
    ASSERT_EQ(a.size(), 3u);
    for (const std::string& name : a) {
        // "2026-12-09 14.03 VOICE001.DVF": the recording's date, then its name.
        ASSERT_GT(name.size(), 17u);
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(name[0])) && name[4] == '-' &&
                    name[7] == '-' && name[10] == ' ' && name[13] == '.' && name[16] == ' ')
            << name;
    }
    EXPECT_EQ(imported("B").size(), 2u);
    EXPECT_EQ(imported("C").size(), 2u);
    EXPECT_TRUE(imported("MP3").empty());
    // The copy is the recorder's file, byte for byte.
    const std::string meeting =
        dir() + "/A/" + a[0].substr(0, 17) + "Meeting with the design team.DVF";
    ASSERT_TRUE(exists(meeting)) << a[0];
    ASSERT_EQ(box->run({"get", "A/Meeting with the design team.DVF", box->pcPath("")}).status, 0);
    EXPECT_EQ(readFile(meeting), readFile(box->pcPath("Meeting with the design team.DVF")));

    const Finished second = box->run({"import", dir()});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "imported 0 file(s), 0 bytes; skipped 7; failed 0\n");
    EXPECT_EQ(imported("A").size(), 3u);

    writeFile(box->pcPath("new.dvf"), patternBytes(5000, 9));
    ASSERT_EQ(box->run({"put", box->pcPath("new.dvf"), "B"}).status, 0);
    const Finished third = box->run({"import", dir(), "--json"});
    ASSERT_EQ(third.status, 0) << third.err;
    EXPECT_NE(third.out.find("\"name\":\"new.dvf\""), std::string::npos) << third.out;
    EXPECT_NE(third.out.find("\"files\":1,\"bytes\":5000,\"skipped\":7}"), std::string::npos)
        << third.out;
    EXPECT_EQ(imported("B").size(), 3u);
    EXPECT_EQ(stateLines().size(), 8u);
}

TEST_F(VoxctlImport, AllTakesTheMusicAndFileFoldersToo) {
    ASSERT_EQ(box->run({"sim", "create", box->image()}).status, 0);
    ASSERT_EQ(import({"--all"}).status, 0);
    EXPECT_EQ(imported("MP3"), (Names{"Morning walk.mp3", "SONG.MP3"}));
    EXPECT_EQ(imported("HD"), (Names{"NOTES.TXT", "Photo of the whiteboard.jpg"}));
}

TEST_F(VoxctlImport, ExistingPcFilesAreNeverOverwritten) {
    createEmpty();
    seed("A", "MEMO.DVF", u"", "recorded");
    fs::create_directories(dir() + "/A");
    writeFile(dir() + "/A/MEMO.DVF", "the PC's own");
    ASSERT_EQ(import().status, 0);
    EXPECT_EQ(readFile(dir() + "/A/MEMO.DVF"), "the PC's own");
    EXPECT_EQ(readFile(dir() + "/A/MEMO (2).DVF"), "recorded");
}

TEST_F(VoxctlImport, DamagedNamesAndDatesImportUnderSafeNames) {
    createEmpty();
    seed("A", "EVIL.DVF", u"../../evil.DVF", "one");
    seed("A", "DOTS.DVF", u"..", "two");
    seed("A", "CTRL.DVF", u"\x1b[2J.DVF", "three");
    seed("A", "NODATE.DVF", u"", "four", model::FatStamp{0, 0});
    const Finished finished = box->run({"import", dir()});
    ASSERT_EQ(finished.status, 0) << finished.err;
    const Names names = imported("A");
    ASSERT_EQ(names.size(), 4u);
    EXPECT_NE(std::find(names.begin(), names.end(), "1980-01-01 00.00 NODATE.DVF"), names.end());
    for (const std::string& name : names) EXPECT_EQ(name.find('\x1b'), std::string::npos);
    // Nothing reached outside the import folder.
    EXPECT_EQ(namesIn(box->pcPath("")), Names{"import"});
    EXPECT_EQ(namesIn(dir()), Names{"A"});
    EXPECT_FALSE(exists(box->folder() + "/evil.DVF"));
}

// Two recordings; the unplug comes at every step of the second one (and at
// the first's reply), so the first is whole or not started.
TEST_F(VoxctlImport, AnUnplugAtAnyStepLeavesOnlyWholeFilesAndTheRestComesNextTime) {
    for (const char* step :
         {"list-stream", "read-reply", "read-block:2", "read-block:3", "read-block:4"}) {
        SCOPED_TRACE(step);
        renew();
        createEmpty();
        seed("A", "FIRST.DVF", u"", patternBytes(1000, 1));
        seed("A", "SECOND.DVF", u"", patternBytes(100000, 2));

        box->setEnvironment("VXR250_SIMULATOR_FAULTS", std::string("unplug-at=") + step);
        const Finished cut = import();
        EXPECT_EQ(cut.status, 8) << cut.err;
        const Names whole = imported("A");
        // The recording under way counts as failed.
        if (std::string(step) != "list-stream") {
            EXPECT_TRUE(cut.out.ends_with("skipped 0; failed 1\n")) << cut.out;
        }
        EXPECT_EQ(stateLines(), whole) << "the state lists exactly the whole copies";
        for (const std::string& name : whole)
            EXPECT_EQ(
                readFile(dir() + "/A/" + name),
                patternBytes(name == "FIRST.DVF" ? 1000 : 100000, name == "FIRST.DVF" ? 1 : 2));

        box->setEnvironment("VXR250_SIMULATOR_FAULTS", "");
        const Finished rest = import();
        ASSERT_EQ(rest.status, 0) << rest.err;
        EXPECT_NE(rest.out.find("skipped " + std::to_string(whole.size())), std::string::npos)
            << rest.out;
        EXPECT_EQ(imported("A"), (Names{"FIRST.DVF", "SECOND.DVF"}));
        EXPECT_EQ(readFile(dir() + "/A/SECOND.DVF"), patternBytes(100000, 2));
        EXPECT_EQ(stateLines(), (Names{"FIRST.DVF", "SECOND.DVF"}));
    }
}

// A stop of the import service (SIGTERM) and a hang-up end an import as
// Ctrl-C does.
TEST_F(VoxctlImport, CtrlCOrAStopLeavesNoPartialOrTemporaryFile) {
    createEmpty();
    seed("A", "BIG.DVF", u"", patternBytes(4u << 20, 3));
    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "slow-us=20000");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t child = box->start({"import", dir(), "--name", "{name}"});
        ASSERT_TRUE(box->waitUntilCatchingInterrupt(child));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(child, signal);
        const Finished cancelled = box->wait(child);
        EXPECT_EQ(cancelled.status, 130) << cancelled.err;
        EXPECT_TRUE(imported("A").empty());
        EXPECT_TRUE(stateLines().empty());
    }

    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    ASSERT_EQ(import().status, 0);
    EXPECT_EQ(readFile(dir() + "/A/BIG.DVF"), patternBytes(4u << 20, 3));
}

TEST_F(VoxctlImport, VerifyCatchesACorruptedCopyAndKeepsItOutOfTheState) {
    seedWithACorruptedRead();
    const Finished checked = import({"--verify"});
    EXPECT_EQ(checked.status, 11) << checked.err;
    EXPECT_NE(checked.err.find("ONE.DVF: the copy did not read back the same"), std::string::npos)
        << checked.err;
    EXPECT_TRUE(checked.out.ends_with("imported 1 file(s), 3000 bytes; skipped 0; failed 1\n"))
        << checked.out;
    EXPECT_EQ(imported("A"), Names{"TWO.DVF"});
    EXPECT_EQ(stateLines(), Names{"TWO.DVF"});

    // Without --verify the same fault would have gone unnoticed.
    renew();
    seedWithACorruptedRead();
    ASSERT_EQ(import().status, 0);
    EXPECT_NE(readFile(dir() + "/A/ONE.DVF"), patternBytes(70000, 4));
}

TEST_F(VoxctlImport, AnUnplugWhileACopyIsCheckedKeepsItOutOfFolderAndState) {
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(100000, 6));
    // The copy takes four 32,768-byte blocks; the cut comes in its reading back.
    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "unplug-after-bytes=200000");
    const Finished cut = import({"--verify"});
    EXPECT_EQ(cut.status, 8) << cut.err;
    EXPECT_TRUE(imported("A").empty());
    EXPECT_TRUE(stateLines().empty());

    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    ASSERT_EQ(import({"--verify"}).status, 0);
    EXPECT_EQ(readFile(dir() + "/A/ONE.DVF"), patternBytes(100000, 6));
    EXPECT_EQ(stateLines(), Names{"ONE.DVF"});

    // The same cut lets a copy that is not read back arrive whole.
    renew();
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(100000, 6));
    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "unplug-after-bytes=200000");
    EXPECT_EQ(import().status, 0);
}

TEST_F(VoxctlImport, DeleteAfterDeletesOnlyCheckedCopies) {
    seedWithACorruptedRead();
    const Finished first = import({"--delete-after"});
    EXPECT_EQ(first.status, 11) << first.err;
    const std::string left = listed("A");
    EXPECT_NE(left.find("ONE"), std::string::npos) << left;
    EXPECT_EQ(left.find("TWO"), std::string::npos) << left;

    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    const Finished second = import({"--delete-after", "--json"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("\"deleted\":true"), std::string::npos) << second.out;
    EXPECT_EQ(listed("A"), "");
    EXPECT_EQ(readFile(dir() + "/A/ONE.DVF"), patternBytes(70000, 4));
    EXPECT_EQ(readFile(dir() + "/A/TWO.DVF"), patternBytes(3000, 5));
}

// Each WAV is what decoding its file by hand gives, also while several are
// decoded at once, and holds all of the recording.
TEST_F(VoxctlImport, WavOutputIsTheDecodedRecording) {
    createEmpty();
    const std::vector<int> lengths{3 * 8000 + 123, 5 * 8000, 2 * 8000 + 7, 4 * 8000 + 999};
    std::vector<std::string> recordings;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const std::string name = "talk" + std::to_string(i);
        writeFile(box->pcPath(name + ".wav"), wave(1, 8000, lengths[i]));
        ASSERT_EQ(box->run({"encode", box->pcPath(name + ".wav")}).status, 0);
        recordings.push_back(name + "_SP.DVF");
        ASSERT_EQ(box->run({"put", box->pcPath(recordings.back()), "A"}).status, 0);
    }

    const Finished finished = import({"--wav", "--json"});
    ASSERT_EQ(finished.status, 0) << finished.err;
    fs::create_directories(box->pcPath("by-hand"));
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        SCOPED_TRACE(recordings[i]);
        const std::string stem = recordings[i].substr(0, recordings[i].size() - 4);
        ASSERT_TRUE(exists(dir() + "/A/" + stem + ".wav"));
        EXPECT_NE(finished.out.find("\"wav\":\"" + dir() + "/A/" + stem + ".wav\""),
                  std::string::npos);
        const std::string byHandDvf = box->pcPath("by-hand/" + recordings[i]);
        fs::copy_file(dir() + "/A/" + recordings[i], byHandDvf);
        const Finished decoded = box->run({"decode", byHandDvf});
        ASSERT_EQ(decoded.status, 0) << decoded.err;
        const std::string byHandWav = decoded.out.substr(0, decoded.out.find('\n'));
        const std::string wav = readFile(dir() + "/A/" + stem + ".wav");
        EXPECT_EQ(wav, readFile(byHandWav));
        ASSERT_GT(wav.size(), 44u);
        const std::size_t samples = (wav.size() - 44) / 2;
        EXPECT_GE(samples, static_cast<std::size_t>(lengths[i]));
        EXPECT_LT(samples, static_cast<std::size_t>(lengths[i]) + 51 * 80);
    }
}

// How many import summaries a running watch has printed.
std::size_t summariesSoFar(const VoxctlSandbox& box, pid_t watch) {
    const std::string out = box.outputSoFar(watch);
    std::size_t count = 0;
    for (std::size_t at = 0; (at = out.find("imported ", at)) != std::string::npos; ++at) ++count;
    return count;
}

bool waitForSummaries(const VoxctlSandbox& box, pid_t watch, std::size_t wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (summariesSoFar(box, watch) < wanted && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return summariesSoFar(box, watch) >= wanted;
}

TEST_F(VoxctlImport, WatchImportsOnEveryPlugUntilCtrlC) {
    ASSERT_EQ(box->run({"sim", "create", box->image()}).status, 0);
    ASSERT_EQ(box->run({"sim", "unplug", box->image()}).status, 0);
    const pid_t watch = box->start({"import", "--watch", dir()});
    ASSERT_TRUE(box->waitUntilCatchingInterrupt(watch));
    auto waitFor = [&](std::size_t wanted) { return waitForSummaries(*box, watch, wanted); };
    EXPECT_EQ(summariesSoFar(*box, watch), 0u) << "nothing is imported while the cable is out";

    ASSERT_EQ(box->run({"sim", "plug", box->image()}).status, 0);
    ASSERT_TRUE(waitFor(1)) << box->outputSoFar(watch);
    EXPECT_EQ(imported("A").size(), 3u);
    ASSERT_EQ(box->run({"sim", "unplug", box->image()}).status, 0);
    ASSERT_EQ(box->run({"sim", "plug", box->image()}).status, 0);
    ASSERT_TRUE(waitFor(2)) << box->outputSoFar(watch);

    kill(watch, SIGINT);
    const Finished ended = box->wait(watch);
    EXPECT_EQ(ended.status, 130) << ended.err;
    EXPECT_NE(ended.out.find("imported 7 file(s)"), std::string::npos) << ended.out;
    EXPECT_NE(ended.out.find("imported 0 file(s), 0 bytes; skipped 7"), std::string::npos)
        << ended.out;
}

// Between its imports the watch leaves the recorder to other commands, and
// a recorder pulled and plugged in again is imported once more.
TEST_F(VoxctlImport, AnIdleWatchLeavesTheRecorderToOtherCommands) {
    ASSERT_EQ(box->run({"sim", "create", box->image()}).status, 0);
    const pid_t watch = box->start({"import", "--watch", dir()});
    ASSERT_TRUE(waitForSummaries(*box, watch, 1)) << box->outputSoFar(watch);
    EXPECT_EQ(imported("A").size(), 3u);

    // The watch may still be letting go of the recorder when its summary
    // is out; a recorder it kept would stay busy (4) to the end.
    Finished listed = box->run({"ls", "A"});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (listed.status == 4 && std::chrono::steady_clock::now() < until)
        listed = box->run({"ls", "A"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    writeFile(box->pcPath("LATER.DVF"), patternBytes(3000, 9));
    const Finished put = box->run({"put", box->pcPath("LATER.DVF"), "A"});
    EXPECT_EQ(put.status, 0) << put.err;

    ASSERT_EQ(box->run({"sim", "unplug", box->image()}).status, 0);
    ASSERT_EQ(box->run({"sim", "plug", box->image()}).status, 0);
    EXPECT_TRUE(waitForSummaries(*box, watch, 2)) << box->outputSoFar(watch);
    EXPECT_EQ(imported("A").size(), 4u);

    kill(watch, SIGINT);
    const Finished ended = box->wait(watch);
    EXPECT_EQ(ended.status, 130) << ended.err;
    EXPECT_NE(ended.out.find("imported 1 file(s)"), std::string::npos) << ended.out;
}

}  // namespace
}  // namespace vox::voxctl::testing
