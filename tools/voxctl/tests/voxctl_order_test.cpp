// voxctl order and sort on both firmware generations: the play order the
// recorder lists afterwards, the number of moves, and the refusal on
// firmware that cannot reorder.

#include <gtest/gtest.h>

#include <sstream>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

class VoxctlOrder : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--firmware", GetParam()}).status,
                  0);
    }

    bool newerFirmware() const { return std::string(GetParam()) != "0.9"; }

    // The names `ls` shows for `folder`, in play order.
    std::vector<std::string> order(const std::string& folder) {
        const Finished listed = sandbox.run({"ls", folder});
        EXPECT_EQ(listed.status, 0) << listed.err;
        std::vector<std::string> names;
        std::istringstream lines(listed.out);
        for (std::string line; std::getline(lines, line);)
            names.push_back(line.substr(0, line.find("  ")));
        return names;
    }

    VoxctlSandbox sandbox;
};

using Names = std::vector<std::string>;

TEST_P(VoxctlOrder, OrderPutsTheNamedFilesFirstWithTheFewestMoves) {
    const Names before = order("A");
    ASSERT_EQ(before.size(), 3u);
    const Finished ordered = sandbox.run({"order", "A", before[2], before[1]});
    if (!newerFirmware()) {
        EXPECT_EQ(ordered.status, 5);
        EXPECT_EQ(ordered.err,
                  "voxctl: the recorder's firmware 0.9 cannot change the play order (1.0 or later "
                  "can)\n");
        EXPECT_EQ(order("A"), before);
        return;
    }
    ASSERT_EQ(ordered.status, 0) << ordered.err;
    EXPECT_EQ(order("A"), (Names{before[2], before[1], before[0]}));
    EXPECT_NE(ordered.err.find("2 move(s)"), std::string::npos) << ordered.err;
    // Asking for the order that is there sends nothing.
    const Finished again = sandbox.run({"order", "A", before[2], "--json"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out.rfind("{\"moves\":0,\"listing\":{\"folder\":\"A\"", 0), 0u) << again.out;
}

TEST_P(VoxctlOrder, SortByEachKeyAndReverse) {
    const Finished bySize = sandbox.run({"sort", "A", "--by", "size", "--reverse"});
    if (!newerFirmware()) {
        EXPECT_EQ(bySize.status, 5) << bySize.err;
        return;
    }
    ASSERT_EQ(bySize.status, 0) << bySize.err;
    const Names largestFirst{"Meeting with the design team.DVF", "VOICE002.DVF", "VOICE001.DVF"};
    EXPECT_EQ(order("A"), largestFirst);
    ASSERT_EQ(sandbox.run({"sort", "A", "--by", "name"}).status, 0);
    EXPECT_EQ(order("A"),
              (Names{"Meeting with the design team.DVF", "VOICE001.DVF", "VOICE002.DVF"}));
    ASSERT_EQ(sandbox.run({"sort", "A", "--by", "size"}).status, 0);
    EXPECT_EQ(order("A"),
              (Names{"VOICE001.DVF", "VOICE002.DVF", "Meeting with the design team.DVF"}));
    EXPECT_EQ(sandbox.run({"sort", "A", "--by", "colour"}).status, 2);
}

TEST_P(VoxctlOrder, UnknownNamesChangeNothing) {
    const Names before = order("A");
    const Finished missing = sandbox.run({"order", "A", before[1], "NOPE.DVF"});
    EXPECT_EQ(missing.status, newerFirmware() ? 6 : 5) << missing.err;
    EXPECT_EQ(order("A"), before);
}

INSTANTIATE_TEST_SUITE_P(Firmware, VoxctlOrder, ::testing::Values("1.5", "0.9"));

}  // namespace
}  // namespace vox::voxctl::testing
