// Which files an INF install section copies.

#include "platform/setup/inf_file.h"

#include <gtest/gtest.h>

namespace vox::setup {
namespace {

std::vector<std::string> targets(const std::optional<std::vector<InfCopyEntry>>& entries) {
    std::vector<std::string> names;
    for (const InfCopyEntry& entry : entries.value())
        names.push_back(entry.target + "<" + entry.source);
    return names;
}

TEST(InfFile, CopyFilesListsSingleFilesAndPlainLines) {
    const InfFile inf(
        "; header comment\r\n"
        "[Version]\r\nSignature=\"$CHICAGO$\" ; trailing\r\n"
        "[ vx_r250 ]\r\n"
        "AddReg=VX_R250.Reg\r\n"
        "CopyFiles = Files.A, @single.sys ; both\r\n"
        "extra.dat\r\n"
        "[files.a]\r\n"
        "a.sys\r\n"
        "renamed.sys, original.sys,,4\r\n"
        "[VX_R250.Reg]\r\nHKR,,Value,,\"a;b\"\r\n");
    EXPECT_EQ(targets(inf.filesOf("VX_R250")),
              (std::vector<std::string>{"a.sys<a.sys", "renamed.sys<original.sys",
                                        "single.sys<single.sys", "extra.dat<extra.dat"}));
    EXPECT_FALSE(inf.filesOf("Missing"));
}

TEST(InfFile, RefusesMissingListsAndNamesThatAreNotPlainFiles) {
    EXPECT_FALSE(InfFile("[S]\nCopyFiles=Nowhere\n").filesOf("S"));
    for (const char* bad : {"../x", "a/b", "a\\b", "..", "C:x"}) {
        EXPECT_FALSE(InfFile(std::string("[S]\nCopyFiles=L\n[L]\n") + bad + "\n").filesOf("S"))
            << bad;
        EXPECT_FALSE(InfFile(std::string("[S]\nCopyFiles=L\n[L]\nok,") + bad + "\n").filesOf("S"))
            << bad;
        EXPECT_FALSE(InfFile(std::string("[S]\nCopyFiles=@") + bad + "\n").filesOf("S")) << bad;
    }
    EXPECT_TRUE(InfFile("[S]\n").filesOf("S")->empty());
}

}  // namespace
}  // namespace vox::setup
