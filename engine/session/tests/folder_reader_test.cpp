#include "engine/session/folder_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vox::session {
namespace {

// What the scripted recorder answers, one reply per listing call.
struct Reply {
    int result = 1;
    std::uint32_t totalBytes = 16384;
    bool dotEntries = true;
};

std::vector<Reply> script;
int calls = 0;
const char* askedFor = nullptr;

int scriptedRefresh(DeviceContext*, DeviceListing* out, const char* folder, int, int store) {
    EXPECT_EQ(store, STORE_MAIN);
    askedFor = folder;
    const Reply reply = script.at(static_cast<std::size_t>(calls++));
    // Whatever an earlier reply left must not leak into this one.
    EXPECT_EQ(out->entryCount, 0);
    EXPECT_EQ(out->totalBytes, 0u);
    out->totalBytes = reply.totalBytes;
    out->entryCount = 3;
    std::strcpy(out->entries[0].baseName, reply.dotEntries ? "." : "A");
    std::strcpy(out->entries[1].baseName, reply.dotEntries ? ".." : "B");
    std::strcpy(out->entries[2].baseName, "VOICE001");
    return reply.result;
}

ListingRead readWith(std::vector<Reply> replies, bool folderListing, DeviceListing& raw) {
    script = std::move(replies);
    calls = 0;
    return readListing(scriptedRefresh, nullptr, "A", folderListing, raw);
}

TEST(FolderReaderTest, AFailedOrEmptyListingIsAskedForOnceMore) {
    DeviceListing raw{};
    EXPECT_EQ(readWith({Reply{0}, Reply{}}, true, raw), ListingRead::Read);
    EXPECT_EQ(calls, 2);
    EXPECT_STREQ(askedFor, "A");
    EXPECT_EQ(raw.totalBytes, 16384u);

    EXPECT_EQ(readWith({Reply{1, 0}, Reply{}}, true, raw), ListingRead::Read);
    EXPECT_EQ(calls, 2);

    EXPECT_EQ(readWith({Reply{}}, true, raw), ListingRead::Read);
    EXPECT_EQ(calls, 1);
}

TEST(FolderReaderTest, TwoAttemptsWithoutCapacityAreNoAnswer) {
    DeviceListing raw{};
    EXPECT_EQ(readWith({Reply{0}, Reply{1, 0}}, true, raw), ListingRead::NoAnswer);
    EXPECT_EQ(calls, 2);
    EXPECT_STREQ(listingFailureCode(ListingRead::NoAnswer), "(1)\n");
}

TEST(FolderReaderTest, OnlyAFolderListingNeedsItsDotEntries) {
    DeviceListing raw{};
    EXPECT_EQ(readWith({Reply{1, 16384, false}}, true, raw), ListingRead::NotAFolder);
    EXPECT_EQ(calls, 1);
    EXPECT_STREQ(listingFailureCode(ListingRead::NotAFolder), "(2)\n");
    EXPECT_EQ(readWith({Reply{1, 16384, false}}, false, raw), ListingRead::Read);
}

}  // namespace
}  // namespace vox::session
