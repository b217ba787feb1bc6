// The parts of the Windows model the installer's tests rely on to behave
// like Windows: the registry's case rules and trees, and the OEM INF store.

#include <gtest/gtest.h>

#include "platform/setup/windows_model.h"

namespace vox::setup {
namespace {

TEST(RegistryTree, KeysAndValuesIgnoreCaseAndDeleteAsTrees) {
    RegistryTree tree;
    tree.setValue("Enum\\USB\\VID_0DAB&PID_3000\\Inst1", "Class", std::string("USB"));
    tree.createKey("Enum\\USB\\VID_0DAB&PID_3000\\Inst2\\Device Parameters");
    EXPECT_TRUE(tree.hasKey("ENUM\\usb"));
    EXPECT_EQ(tree.subkeys("enum\\usb\\vid_0dab&pid_3000"), (std::vector<std::string>{"Inst1", "Inst2"}));
    EXPECT_EQ(tree.value("ENUM\\USB\\VID_0DAB&PID_3000\\INST1", "class"), RegistryValue(std::string("USB")));
    EXPECT_FALSE(tree.subkeys("Enum\\PCI"));
    EXPECT_TRUE(tree.deleteTree("Enum\\USB\\VID_0DAB&PID_3000\\Inst2"));
    EXPECT_FALSE(tree.hasKey("Enum\\USB\\VID_0DAB&PID_3000\\Inst2\\Device Parameters"));
    EXPECT_EQ(tree.subkeys("Enum\\USB\\VID_0DAB&PID_3000"), (std::vector<std::string>{"Inst1"}));
    EXPECT_FALSE(tree.deleteTree("Enum\\USB\\VID_0DAB&PID_3000\\Inst2"));
}

TEST(WindowsModel, OemInfStoreRefusesOverwriteAndReplaceOfTheUnknown) {
    WindowsModel model(WindowsModel::Edition::WindowsXp);
    model.addInf({"D:\\DRV\\A.INF", {}, {}, ""});
    EXPECT_EQ(model.copyOemInf("D:\\DRV\\A.INF", OemInfMode::ReplaceOnly), OemInfResult::Failed);
    EXPECT_EQ(model.copyOemInf("D:\\DRV\\A.INF", OemInfMode::NoOverwrite), OemInfResult::Copied);
    EXPECT_EQ(model.copyOemInf("d:\\drv\\a.inf", OemInfMode::NoOverwrite), OemInfResult::AlreadyPresent);
    EXPECT_EQ(model.copyOemInf("D:\\DRV\\A.INF", OemInfMode::ReplaceOnly), OemInfResult::Copied);
    EXPECT_EQ(model.copyOemInf("D:\\DRV\\MISSING.INF", OemInfMode::NoOverwrite), OemInfResult::Failed);
    EXPECT_TRUE(model.hasFile("C:\\WINDOWS\\INF\\oem0.inf"));
    EXPECT_FALSE(model.hasFile("C:\\WINDOWS\\INF\\oem1.inf"));
}

TEST(WindowsModel, RemovingADeviceTakesItsEnumKeyAndFailedCallsChangeNothing) {
    WindowsModel model(WindowsModel::Edition::Windows98);
    model.addDevice({"USB\\VID_1\\1", {"USB\\VID_1"}, "One", 0});
    model.registry().setValue(model.enumKey("USB\\VID_1\\1"), "Driver", std::string("{G}\\0001"));
    model.registry().setValue(model.driverKey("{G}\\0001"), "DriverDesc", std::string("One"));
    model.failOn("SetupDiRemoveDevice");
    EXPECT_FALSE(model.removeDevice("USB\\VID_1\\1"));
    EXPECT_NE(model.device("USB\\VID_1\\1"), nullptr);
    EXPECT_TRUE(model.deleteDriverKey("usb\\vid_1\\1"));
    EXPECT_FALSE(model.registry().hasKey("System\\CurrentControlSet\\Services\\Class\\{G}\\0001"));
    EXPECT_TRUE(model.logged("SetupDiRemoveDevice USB\\VID_1\\1"));
}

}  // namespace
}  // namespace vox::setup
