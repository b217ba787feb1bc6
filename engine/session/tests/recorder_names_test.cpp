// Which PC names the recorder can store whole, on both firmware generations.

#include "engine/session/recorder_names.h"

#include <gtest/gtest.h>

namespace vox::session {
namespace {

constexpr std::uint8_t kNewer = 0x15;
constexpr std::uint8_t kOlder = 0x09;

TEST(RecorderNamesTest, OrdinaryNamesAreStoredWhole) {
    for (std::uint8_t version : {kNewer, kOlder}) {
        for (const char* name : {"memo.dvf", "meeting notes 1.dvf", "README", "song.mp3",
                                 "voix \xC3\xA9t\xC3\xA9.dvf", "Report 2024-05.txt"})
            EXPECT_FALSE(unstorableNameReason(name, version)) << name << " on " << int(version);
    }
    const std::string sixtyFive = std::string(61, 'n') + ".txt";
    EXPECT_FALSE(unstorableNameReason(sixtyFive, kNewer));
}

TEST(RecorderNamesTest, LongNamesAreRefusedNotCut) {
    for (std::size_t length : {66u, 90u, 255u}) {
        const std::string name = std::string(length - 4, 'n') + ".txt";
        EXPECT_EQ(unstorableNameReason(name, kNewer),
                  "the recorder keeps names of at most 65 characters")
            << length;
    }
    // Counted in UTF-16 units: 33 two-byte characters are 33 units, not 66.
    std::string accented;
    for (int i = 0; i < 33; ++i) accented += "\xC3\xA9";
    EXPECT_FALSE(unstorableNameReason(accented + ".txt", kNewer));
}

TEST(RecorderNamesTest, NamesWithoutAStorableShortNameAreRefused) {
    for (std::uint8_t version : {kNewer, kOlder}) {
        for (const char* name : {"a.b.c.d.txt", ".hidden", "  leading.txt", "what?.txt", "x:y.txt",
                                 "a*b.txt", "pipe|d.txt", "q\"uote.txt", "<in>.txt"}) {
            const auto reason = unstorableNameReason(name, version);
            ASSERT_TRUE(reason) << name << " on " << int(version);
            EXPECT_EQ(reason->rfind("the recorder cannot make a short name of it", 0), 0u)
                << *reason;
        }
    }
}

}  // namespace
}  // namespace vox::session
