// voxctl import where it could lose or misreport recordings: what is on the
// disk before the recorder is changed (also across a power cut), state files
// that cannot be saved, leftovers, unreadable entries, missing WAV files and
// recordings that look like imported ones.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/voxctl/tests/import_fixture.h"
#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

class VoxctlImportSafety : public VoxctlImport {
  protected:
    // Every later run logs its flushes and renames, in order, to the
    // returned file.
    std::string logFlushes() {
        const std::string log = box->folder() + "/sync.log";
        box->setEnvironment("VOX_SYNC_LOG", log);
        box->setEnvironment("LD_PRELOAD", SYNC_LOG_SHIM_PATH);
        // A sanitized voxctl accepts a library preloaded ahead of its runtime.
        const char* asan = std::getenv("ASAN_OPTIONS");
        box->setEnvironment("ASAN_OPTIONS",
                            std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0");
        return log;
    }

    static std::vector<std::string> linesOf(const std::string& path) {
        std::istringstream in(readFile(path));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

// The order of the first line equal to `line`; -1 when there is none.
long firstAt(const std::vector<std::string>& lines, const std::string& line) {
    for (std::size_t at = 0; at < lines.size(); ++at)
        if (lines[at] == line) return static_cast<long>(at);
    return -1;
}

// A recording is deleted only once its copy and the folder entry naming it
// are on the disk: both are flushed before the recorder's image changes.
TEST_F(VoxctlImportSafety, DeleteAfterFlushesTheCopyAndItsFolderBeforeTheRecorderChanges) {
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(5000, 1));
    const std::string log = logFlushes();
    const Finished finished = import({"--delete-after"});
    ASSERT_EQ(finished.status, 0) << finished.err;
    const std::vector<std::string> lines = linesOf(log);

    const std::string folder = fs::canonical(dir() + "/A").string();
    const long copy = firstAt(lines, "fsync " + folder + "/ONE.DVF");
    const long entry = firstAt(lines, "fsync " + folder);
    long imageChanged = -1;
    for (std::size_t at = 0; at < lines.size() && imageChanged < 0; ++at)
        if (lines[at].starts_with("rename ") && lines[at].ends_with("recorder.img"))
            imageChanged = static_cast<long>(at);
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    ASSERT_GE(imageChanged, 0) << "the recording was not deleted:\n" << all;
    EXPECT_GE(copy, 0) << all;
    EXPECT_LT(copy, imageChanged) << all;
    EXPECT_GE(entry, 0) << all;
    EXPECT_LT(entry, imageChanged) << all;
    EXPECT_EQ(listed("A"), "");
}

// A power cut right after an import with --delete-after: the disk as it is
// at that moment (a copy of a loop-mounted ext4 image, mounted with
// noauto_da_alloc so that the file system flushes nothing on its own) holds
// every copy whose recording was deleted. Needs root and loop devices.
TEST_F(VoxctlImportSafety, APowerCutRightAfterADeletingImportLosesNoRecording) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a loop device needs root";
    const std::string disk = box->folder() + "/disk.img", cut = box->folder() + "/cut.img";
    const std::string mounted = box->folder() + "/disk", after = box->folder() + "/after";
    fs::create_directories(mounted);
    fs::create_directories(after);
    const auto shell = [](const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    };
    if (!shell("truncate -s 32M '" + disk + "' && mkfs.ext4 -q -F '" + disk +
               "' && mount -o loop,noauto_da_alloc '" + disk + "' '" + mounted + "'"))
        GTEST_SKIP() << "no loop-mounted ext4 can be made here (loop devices, mkfs.ext4)";
    struct Unmount {
        std::vector<std::string> paths;
        ~Unmount() {
            for (const std::string& path : paths)
                (void)!std::system(("umount -l '" + path + "' >/dev/null 2>&1").c_str());
        }
    } unmount{{mounted, after}};
    createEmpty();
    const std::vector<std::string> names{"ONE.DVF", "TWO.DVF", "THREE.DVF"};
    for (std::size_t i = 0; i < names.size(); ++i)
        seed("A", names[i], u"", patternBytes(20000, static_cast<unsigned>(i + 1)));

    const Finished done =
        box->run({"import", mounted + "/import", "--name", "{name}", "--delete-after"});
    ASSERT_EQ(done.status, 0) << done.err;
    ASSERT_TRUE(shell("cp '" + disk + "' '" + cut + "'"));  // the disk when the power goes
    EXPECT_EQ(listed("A"), "");
    ASSERT_TRUE(shell("mount -o loop '" + cut + "' '" + after + "'"));
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(readFile(after + "/import/A/" + names[i]),
                  patternBytes(20000, static_cast<unsigned>(i + 1)))
            << names[i];
}

// When the state cannot be saved, the copy it would record is removed and
// the run says which file failed and why: no run places a second copy of a
// recording, and the first run that can save imports each once.
TEST_F(VoxctlImportSafety, ACopyStaysOnlyOnceTheStateRecordingItIsSaved) {
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(3000, 1));
    seed("A", "TWO.DVF", u"", patternBytes(3000, 2));
    logFlushes();
    box->setEnvironment("VOX_FAIL_RENAME_TO", ".state");
    for (int run = 0; run < 2; ++run) {
        const Finished failed = import();
        EXPECT_EQ(failed.status, 7) << failed.err;
        EXPECT_NE(failed.err.find(".state: Input/output error"), std::string::npos) << failed.err;
        EXPECT_NE(failed.err.find("the copy of A/ONE.DVF was removed"), std::string::npos)
            << failed.err;
        EXPECT_EQ(failed.out, "imported 0 file(s), 0 bytes; skipped 0; failed 1\n");
        EXPECT_EQ(imported("A"), std::vector<std::string>{}) << "run " << run;
    }
    box->setEnvironment("VOX_FAIL_RENAME_TO", "");
    const Finished saved = import();
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(imported("A"), (std::vector<std::string>{"ONE.DVF", "TWO.DVF"}));
    EXPECT_TRUE(import().out.ends_with("skipped 2; failed 0\n"));
}

// What a run cut short left under names of our own goes at the start of
// the next run; files that only look alike, and another recorder's state
// file's temporary, stay.
TEST_F(VoxctlImportSafety, LeftoversOfAnEarlierRunAreRemovedAndNothingElse) {
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(3000, 1));
    ASSERT_EQ(import().status, 0);
    const std::string states = box->folder() + "/state/voxerin";
    const std::vector<std::string> stateFiles = namesIn(states);
    ASSERT_EQ(stateFiles.size(), 1u);
    fs::create_directories(dir() + "/B");
    const std::vector<std::string> ours{
        dir() + "/A/.voxerin-import.0123abcd", dir() + "/A/.voxerin-wav.89abcdef",
        dir() + "/B/.voxerin-wav.89abcdef.01234567", states + "/" + stateFiles[0] + ".deadbeef"};
    const std::vector<std::string> others{dir() + "/A/.voxerin-import",
                                          dir() + "/A/.voxerin-import.notmine",
                                          dir() + "/A/ONE.DVF.0123abcd",
                                          dir() + "/A/.voxerin-wav.0123ABCD",
                                          dir() + "/B/.voxerin-import.0123abcd.extra",
                                          states + "/other.state.deadbeef"};
    for (const std::string& path : ours) writeFile(path, "left");
    for (const std::string& path : others) writeFile(path, "kept");
    fs::create_directory(dir() + "/B/.voxerin-wav.76543210");

    const Finished next = import();
    ASSERT_EQ(next.status, 0) << next.err;
    for (const std::string& path : ours) EXPECT_FALSE(fs::exists(path)) << path;
    for (const std::string& path : others) EXPECT_EQ(readFile(path), "kept") << path;
    EXPECT_TRUE(fs::is_directory(dir() + "/B/.voxerin-wav.76543210"));
}

// An entry the recorder cannot read is named, counted as failed and
// skipped: the recordings after it are imported, and a later run tries it
// again.
TEST_F(VoxctlImportSafety, AnUnreadableEntryIsNamedCountedAndSkipped) {
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(3000, 1));
    seed("A", "TWO.DVF", u"", patternBytes(3000, 2));
    seed("A", "THREE.DVF", u"", patternBytes(3000, 3));
    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "refuse-read=TWO.DVF");
    const Finished first = import();
    EXPECT_EQ(first.status, 7) << first.err;
    EXPECT_NE(first.err.find("voxctl: A/TWO.DVF: the recorder could not read it ("),
              std::string::npos)
        << first.err;
    EXPECT_TRUE(first.out.ends_with("imported 2 file(s), 6000 bytes; skipped 0; failed 1\n"))
        << first.out;
    EXPECT_EQ(imported("A"), (std::vector<std::string>{"ONE.DVF", "THREE.DVF"}));

    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    const Finished second = import();
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(readFile(dir() + "/A/TWO.DVF"), patternBytes(3000, 2));
}

// A WAV an earlier run did not make (killed, a full disk, or no --wav) is
// made by the next run with --wav, without copying the recording again; a
// file already under the WAV's name is kept as it is.
TEST_F(VoxctlImportSafety, AWavMissingAfterAnEarlierRunIsMadeByTheNext) {
    createEmpty();
    for (const char* name : {"talk", "note"}) {
        writeFile(box->pcPath(std::string(name) + ".wav"), wave(1, 8000, 8000 + 77));
        ASSERT_EQ(box->run({"encode", box->pcPath(std::string(name) + ".wav")}).status, 0);
        ASSERT_EQ(box->run({"put", box->pcPath(std::string(name) + "_SP.DVF"), "A"}).status, 0);
    }
    ASSERT_EQ(import().status, 0);
    writeFile(dir() + "/A/note_SP.wav", "mine");

    const Finished later = import({"--wav"});
    ASSERT_EQ(later.status, 0) << later.err;
    EXPECT_EQ(later.out,
              dir() + "/A/talk_SP.wav\nimported 0 file(s), 0 bytes; skipped 2; failed 0\n");
    EXPECT_EQ(readFile(dir() + "/A/note_SP.wav"), "mine");
    fs::create_directories(box->pcPath("by-hand"));
    fs::copy_file(dir() + "/A/talk_SP.DVF", box->pcPath("by-hand/talk_SP.DVF"));
    const Finished byHand = box->run({"decode", box->pcPath("by-hand/talk_SP.DVF")});
    ASSERT_EQ(byHand.status, 0) << byHand.err;
    EXPECT_EQ(readFile(dir() + "/A/talk_SP.wav"), readFile(box->pcPath("by-hand/talk_SP.WAV")));
    EXPECT_EQ(import({"--wav"}).out, "imported 0 file(s), 0 bytes; skipped 2; failed 0\n");
}

// A recorder whose clock is not set gives every recording one date, and a
// name comes back after a delete: a new recording of the folder, name, size
// and date of one imported before is told apart by its content and
// imported; the one imported before is still skipped.
TEST_F(VoxctlImportSafety, ANewRecordingThatLooksLikeAnImportedOneIsImported) {
    createEmpty();
    const model::FatStamp clockNotSet = model::FatStamp::now();
    seed("A", "ONE.DVF", u"", patternBytes(3000, 1), clockNotSet);
    ASSERT_EQ(import({"--delete-after"}).status, 0);
    EXPECT_EQ(listed("A"), "");
    seed("A", "ONE.DVF", u"", patternBytes(3000, 2), clockNotSet);

    const Finished second = import();
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_TRUE(second.out.ends_with("imported 1 file(s), 3000 bytes; skipped 0; failed 0\n"))
        << second.out;
    std::vector<std::string> contents;
    for (const std::string& name : imported("A"))
        contents.push_back(readFile(dir() + "/A/" + name));
    std::sort(contents.begin(), contents.end());
    std::vector<std::string> expected{patternBytes(3000, 1), patternBytes(3000, 2)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(contents, expected);
    EXPECT_EQ(import().out, "imported 0 file(s), 0 bytes; skipped 1; failed 0\n");
}

// Two recorders of one model and capacity, their clocks never set, keep a
// state each; one whose first recording was deleted finds its own again.
TEST_F(VoxctlImportSafety, TwoRecordersOfOneModelAndCapacityKeepAStateEach) {
    const model::FatStamp stamp = model::FatStamp::now();
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(3000, 1), stamp);
    seed("A", "TWO.DVF", u"", patternBytes(3000, 2), stamp);
    const std::string first = box->image();
    const std::string second = box->folder() + "/second.img";
    ASSERT_EQ(box->run({"sim", "create", second, "--empty", "--firmware", "1.5"}).status, 0);
    seed("A", "ONE.DVF", u"", patternBytes(3000, 3), stamp, second);

    const Finished fromFirst = import();
    EXPECT_EQ(fromFirst.status, 0) << fromFirst.err;
    EXPECT_NE(fromFirst.err.find("the recorder tells only its model, firmware and capacity"),
              std::string::npos)
        << fromFirst.err;
    box->setEnvironment("VXR250_SIMULATOR", second);
    const Finished fromSecond = import();
    EXPECT_EQ(fromSecond.status, 0) << fromSecond.err;
    EXPECT_NE(fromSecond.err.find("(A/ONE.DVF)"), std::string::npos) << fromSecond.err;
    const std::string states = box->folder() + "/state/voxerin";
    const std::vector<std::string> stateFiles = namesIn(states);
    ASSERT_EQ(stateFiles.size(), 2u);
    std::vector<long> recordingsPerState;
    for (const std::string& name : stateFiles) {
        const std::string text = readFile(states + "/" + name);
        recordingsPerState.push_back(std::count(text.begin(), text.end(), '\n') - 1);
    }
    std::sort(recordingsPerState.begin(), recordingsPerState.end());
    EXPECT_EQ(recordingsPerState, (std::vector<long>{1, 2}));

    box->setEnvironment("VXR250_SIMULATOR", first);
    ASSERT_EQ(box->run({"rm", "A/ONE.DVF"}).status, 0);
    const Finished again = import();
    EXPECT_EQ(again.out, "imported 0 file(s), 0 bytes; skipped 1; failed 0\n") << again.err;
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(namesIn(states), stateFiles);
}

// 103 recordings in A: one listing carries "." and ".." and 100 of them.
TEST_F(VoxctlImportSafety, AFolderWithMoreEntriesThanOneListingIsToldNotPassedAsWhole) {
    createEmpty();
    {
        std::string error;
        auto recorder = model::Recorder::openImage(box->image(), error);
        ASSERT_TRUE(recorder) << error;
        for (int k = 1; k <= 103; ++k) {
            const std::string content = patternBytes(100, static_cast<unsigned>(k));
            char name[16];
            std::snprintf(name, sizeof name, "F%03d.DVF", k);
            ASSERT_TRUE(recorder->fileSystem().addFile('M', "A", name, u"",
                                                       {content.begin(), content.end()},
                                                       model::FatStamp::now(), error))
                << error;
        }
        ASSERT_TRUE(recorder->save(error)) << error;
    }
    const Finished listing = box->run({"ls", "A"});
    EXPECT_EQ(listing.status, 12) << listing.err;
    EXPECT_EQ(std::count(listing.out.begin(), listing.out.end(), '\n'), 100);
    EXPECT_NE(listing.err.find("A: the recorder holds more entries than one listing shows"),
              std::string::npos)
        << listing.err;

    const Finished run = import();
    EXPECT_EQ(run.status, 12) << run.err;
    EXPECT_EQ(imported("A").size(), 100u);
    EXPECT_NE(run.err.find("A: the recorder holds more entries than one listing shows"),
              std::string::npos)
        << run.err;
}

// Ctrl-C while the WAVs are still being decoded ends the import then, not
// once every decoding is over: no WAV and nothing of ours stays. The
// recording decodes for seconds (a five-minute recording twenty times over).
TEST_F(VoxctlImportSafety, CtrlCStopsTheDecodingsStillRunning) {
    createEmpty();
    writeFile(box->pcPath("talk.wav"), wave(1, 8000, 8000 * 300));
    ASSERT_EQ(box->run({"encode", box->pcPath("talk.wav")}).status, 0);
    const std::string fiveMinutes = readFile(box->pcPath("talk_SP.DVF"));
    std::string long_;
    for (int k = 0; k < 20; ++k) long_ += fiveMinutes;
    writeFile(box->pcPath("LONG.DVF"), long_);
    ASSERT_EQ(box->run({"put", box->pcPath("LONG.DVF"), "A"}).status, 0);
    ASSERT_EQ(import().status, 0);

    // The copy is there already: this run goes straight to decoding it.
    const pid_t child = box->start({"import", dir(), "--name", "{name}", "--wav"});
    ASSERT_TRUE(box->waitUntilCatchingInterrupt(child));
    kill(child, SIGINT);
    const Finished stopped = box->wait(child);
    EXPECT_EQ(stopped.status, 130) << stopped.out << stopped.err;
    EXPECT_EQ(namesIn(dir() + "/A"), std::vector<std::string>{"LONG.DVF"});
}

// A --delete-after delete that did not happen (refused here; an unplug does
// the same) is done by the next run with --delete-after, but only while the
// copy is in the import folder with the recording's content.
TEST_F(VoxctlImportSafety, ADeleteThatDidNotHappenIsDoneLaterWhileTheCopyIsThere) {
    createEmpty();
    seed("A", "ONE.DVF", u"", patternBytes(3000, 1));
    seed("A", "TWO.DVF", u"", patternBytes(3000, 2));
    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "refuse-next-delete");
    EXPECT_EQ(import({"--delete-after"}).status, 9);
    box->setEnvironment("VXR250_SIMULATOR_FAULTS", "");
    const std::string left = listed("A");
    ASSERT_NE(left.find("ONE"), std::string::npos) << left;
    ASSERT_EQ(left.find("TWO"), std::string::npos) << left;

    fs::rename(dir() + "/A/ONE.DVF", box->pcPath("moved.DVF"));
    const Finished withoutCopy = import({"--delete-after"});
    EXPECT_EQ(withoutCopy.status, 0) << withoutCopy.err;
    EXPECT_EQ(listed("A"), left) << "deleted while its copy was gone";

    fs::rename(box->pcPath("moved.DVF"), dir() + "/A/ONE.DVF");
    const Finished retried = import({"--delete-after"});
    EXPECT_EQ(retried.status, 0) << retried.err;
    EXPECT_EQ(retried.out, "A/ONE.DVF: deleted from the recorder; its copy " + dir() +
                               "/A/ONE.DVF was imported before\n"
                               "imported 0 file(s), 0 bytes; skipped 1; failed 0\n");
    EXPECT_EQ(listed("A"), "");
    EXPECT_EQ(readFile(dir() + "/A/ONE.DVF"), patternBytes(3000, 1));
}

}  // namespace
}  // namespace vox::voxctl::testing
