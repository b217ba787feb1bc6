// The installer's Windows paths, each driven on a modelled machine.

#include <gtest/gtest.h>

#include <algorithm>

#include "driver_installer/qinst.h"
#include "driver_installer/tests/windows_fixture.h"

namespace vox::qinst::testing {
namespace {

using Edition = setup::WindowsModel::Edition;

bool anyLogged(const setup::WindowsModel& model, const std::string& prefix) {
    return std::any_of(model.log().begin(), model.log().end(),
                       [&](const std::string& entry) { return entry.starts_with(prefix); });
}

std::size_t positionOf(const setup::WindowsModel& model, const std::string& entry) {
    return static_cast<std::size_t>(std::find(model.log().begin(), model.log().end(), entry) -
                                    model.log().begin());
}

const std::string kDatabase98[] = {"C:\\WINDOWS\\INF\\drvidx.bin", "C:\\WINDOWS\\INF\\drvdata.bin"};

TEST(WindowsInstall, UnsupportedVersionsInstallNothing) {
    for (Edition edition : {Edition::Windows95, Edition::WindowsNt4}) {
        WindowsMachine machine(edition);
        EXPECT_EQ(machine.install(), 0);
        EXPECT_EQ(machine.installer.platformCode(), kPlatformUnsupported);
        EXPECT_FALSE(anyLogged(machine.model, "SetupCopyOEMInfA"));
        EXPECT_FALSE(anyLogged(machine.model, "CopyFileA"));
        EXPECT_FALSE(anyLogged(machine.model, "SetupDiGetClassDevsA"));
    }
}

TEST(WindowsInstall, PlatformCodesFollowTheVersion) {
    const std::pair<Edition, int> expected[] = {{Edition::Windows98, kPlatformWindows98},
                                                {Edition::WindowsMe, kPlatformWindowsMe},
                                                {Edition::Windows2000, kPlatformWindows2000},
                                                {Edition::WindowsXp, kPlatformWindowsXp}};
    for (const auto& [edition, code] : expected) {
        WindowsMachine machine(edition);
        EXPECT_EQ(machine.install(), 1);
        EXPECT_EQ(machine.installer.platformCode(), code);
    }
}

TEST(WindowsInstall, PendingInstallsStopBeforeAnythingElse) {
    WindowsMachine machine(Edition::WindowsXp);
    machine.model.setPendingInstalls(true);
    EXPECT_EQ(machine.install(), 0);
    EXPECT_EQ(machine.model.log(), std::vector<std::string>{"CMP_WaitNoPendingInstallEvents 0"});
    EXPECT_TRUE(machine.installer.installsPending());

    machine.model.setPendingInstalls(false);
    EXPECT_FALSE(machine.installer.installsPending());
    machine.model.setSetupApi(false, false);  // cannot tell: treated as pending
    EXPECT_TRUE(machine.installer.installsPending());
    machine.model.setSetupApi(true, false);  // an old setupapi.dll without the wait
    EXPECT_FALSE(machine.installer.installsPending());
}

TEST(WindowsInstall, OnlyTheRecorderTypeInstalls) {
    for (int type : {0, 1, 2, 4}) {
        WindowsMachine machine(Edition::WindowsXp);
        EXPECT_EQ(machine.install(type), 0) << type;
        EXPECT_FALSE(anyLogged(machine.model, "SetupCopyOEMInfA")) << type;
        EXPECT_FALSE(anyLogged(machine.model, "RegEnumKeyExA")) << type;
    }
}

TEST(WindowsInstall, Windows98FirstInstallWithRecorderUnplugged) {
    WindowsMachine machine(Edition::Windows98);
    for (const std::string& file : kDatabase98) machine.model.addFile(file, "db");
    machine.model.addFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\vxr250.sys", "newer driver", 9);

    EXPECT_EQ(machine.install(), 1);
    EXPECT_TRUE(machine.model.hasFile("C:\\WINDOWS\\INF\\VXR250.INF"));
    EXPECT_TRUE(machine.model.logged("SetupInstallFromInfSectionA " + kInf + " VX_R250 NEWER"));
    EXPECT_EQ(machine.model.fileContent("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\vxr250.sys"),
              "newer driver");
    for (const std::string& file : kDatabase98) EXPECT_FALSE(machine.model.hasFile(file)) << file;
    EXPECT_TRUE(machine.model.logged("CM_Reenumerate_DevNode USB\\ROOT_HUB\\4&11&0"));
    EXPECT_TRUE(machine.model.logged("CM_Reenumerate_DevNode USB\\ROOT_HUB20\\4&22&0"));
    EXPECT_FALSE(anyLogged(machine.model, "CM_Reenumerate_DevNode PCI"));
    EXPECT_FALSE(anyLogged(machine.model, "SetupCopyOEMInfA"));
}

TEST(WindowsInstall, IntactEarlierInstallRebuildsTheDatabaseOnlyOn98) {
    for (Edition edition : {Edition::Windows98, Edition::WindowsMe}) {
        WindowsMachine machine(edition);
        machine.earlierInstall("USB", "{36FC9E60-C465-11CF-8056-444553540000}\\0003");
        for (const std::string& file : kDatabase98) machine.model.addFile(file, "db");
        EXPECT_EQ(machine.install(), 1);
        EXPECT_NE(machine.model.device(kRecorderInstance), nullptr);  // kept
        const bool on98 = edition == Edition::Windows98;
        for (const std::string& file : kDatabase98)
            EXPECT_EQ(machine.model.hasFile(file), !on98) << file;
    }
}

TEST(WindowsInstall, WindowsMePluggedInstallsTheDeviceFromTheOneInf) {
    WindowsMachine machine(Edition::WindowsMe);
    machine.plugRecorder(true);

    EXPECT_EQ(machine.install(), 1);
    const std::vector<std::string> steps = {
        "SetupDiSetSelectedDevice " + kRecorderInstance,
        "SetupDiSetDeviceInstallParamsA " + kRecorderInstance + " ENUMSINGLEINF NOFILECOPY " + kInf,
        "SetupDiBuildDriverInfoList " + kRecorderInstance + " COMPATDRIVER",
        "SetupDiSetSelectedDriverA " + kRecorderInstance + " 0",
        "SetupDiInstallDevice " + kRecorderInstance};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        ASSERT_TRUE(machine.model.logged(steps[i])) << steps[i];
        if (i > 0) {
            EXPECT_LT(positionOf(machine.model, steps[i - 1]), positionOf(machine.model, steps[i]));
        }
    }
    const std::string key = machine.model.enumKey(kRecorderInstance);
    EXPECT_EQ(machine.model.registry().value(key, "Class"),
              setup::RegistryValue(std::string("USB")));
    EXPECT_TRUE(machine.model.registry().value(key, "Driver").has_value());
    EXPECT_FALSE(anyLogged(machine.model,
                           "CM_Reenumerate_DevNode"));  // the device install's result is final
}

TEST(WindowsInstall, Windows9xPluggedInstallFailsWithoutAMatchingDriver) {
    WindowsMachine machine(Edition::Windows98);
    machine.plugRecorder(true);
    machine.model.failOn("SetupDiInstallDevice");
    EXPECT_EQ(machine.install(), 0);

    WindowsMachine other(Edition::Windows98);
    other.model.addInf(
        {kInf, {{"VX_R250", {"vxr250.sys"}}}, {"USB\\VID_0DAB&PID_9999"}, "Another device"}, 5);
    other.plugRecorder(true);
    EXPECT_EQ(other.install(), 0);
    EXPECT_FALSE(anyLogged(other.model, "SetupDiSetSelectedDriverA"));
}

TEST(WindowsInstall, Windows9xTakesNewHardwareWithoutADriverThroughReenumeration) {
    WindowsMachine machine(Edition::Windows98);
    machine.plugRecorder();  // its Enum key has no class or driver yet
    for (const std::string& file : kDatabase98) machine.model.addFile(file, "db");
    EXPECT_EQ(machine.install(), 1);
    EXPECT_EQ(machine.model.device(kRecorderInstance), nullptr);
    for (const std::string& file : kDatabase98) EXPECT_FALSE(machine.model.hasFile(file));
    EXPECT_FALSE(anyLogged(machine.model, "SetupDiInstallDevice"));
    EXPECT_TRUE(machine.model.logged("CM_Reenumerate_DevNode USB\\ROOT_HUB\\4&11&0"));
}

TEST(WindowsInstall, Windows2000UnpluggedRegistersTheInfAndCopiesTheFiles) {
    WindowsMachine machine(Edition::Windows2000);
    machine.model.addFile("C:\\WINNT\\SYSTEM32\\DRIVERS\\vxr250.sys", "newer driver", 9);

    EXPECT_EQ(machine.install(), 1);
    EXPECT_TRUE(machine.model.logged("SetupCopyOEMInfA " + kInf + " NOOVERWRITE"));
    EXPECT_FALSE(anyLogged(machine.model, "SetupCopyOEMInfA " + kInf + " REPLACEONLY"));
    EXPECT_TRUE(machine.model.hasFile("C:\\WINNT\\INF\\oem0.inf"));
    EXPECT_TRUE(machine.model.logged("SetupInstallFromInfSectionA " + kInf + " VX_R250"));
    EXPECT_EQ(machine.model.fileContent("C:\\WINNT\\SYSTEM32\\DRIVERS\\vxr250.sys"), "driver");
    EXPECT_TRUE(
        machine.model.logged("RegEnumKeyExA SYSTEM\\CurrentControlSet\\Enum\\" + kRecorderId));
    EXPECT_TRUE(machine.model.logged("CM_Reenumerate_DevNode USB\\ROOT_HUB\\4&11&0"));
    EXPECT_FALSE(anyLogged(machine.model, "DeleteFileA"));
}

TEST(WindowsInstall, WindowsXpPluggedUpdatesTheDriverAndReplacesARegisteredInf) {
    WindowsMachine machine(Edition::WindowsXp);
    machine.plugRecorder();
    ASSERT_EQ(machine.install(), 1);  // registers the INF
    EXPECT_TRUE(machine.model.logged("UpdateDriverForPlugAndPlayDevicesA " + kRecorderId + " " +
                                     kInf + " 0"));
    EXPECT_TRUE(machine.model.registry()
                    .value(machine.model.enumKey(kRecorderInstance), "Driver")
                    .has_value());
    EXPECT_FALSE(anyLogged(machine.model, "CM_Reenumerate_DevNode"));

    EXPECT_EQ(machine.install(), 1);
    EXPECT_TRUE(machine.model.logged("SetupCopyOEMInfA " + kInf + " REPLACEONLY"));
    EXPECT_FALSE(machine.model.hasFile("C:\\WINDOWS\\INF\\oem1.inf"));

    machine.model.failOn("UpdateDriverForPlugAndPlayDevicesA");
    EXPECT_EQ(machine.install(), 0);
}

TEST(WindowsInstall, MissingDriverUpdateLibraryCountsAsSuccess) {
    for (bool libraryPresent : {false, true}) {
        WindowsMachine machine(Edition::WindowsXp);
        machine.plugRecorder();
        machine.model.setNewdev(libraryPresent, false);
        EXPECT_EQ(machine.install(), 1);
        EXPECT_TRUE(machine.model.hasFile(
            "C:\\WINDOWS\\INF\\oem0.inf"));  // the INF is registered all the same
        EXPECT_FALSE(
            machine.model.registry().value(machine.model.enumKey(kRecorderInstance), "Driver"));
    }
}

TEST(WindowsInstall, FailedPackagePlacementEndsTheInstall) {
    struct Case {
        Edition edition;
        const char* failing;
    };
    for (const Case& c : {Case{Edition::Windows98, "CopyFileA"},
                          Case{Edition::WindowsMe, "SetupInstallFromInfSectionA"},
                          Case{Edition::WindowsXp, "SetupCopyOEMInfA"}}) {
        WindowsMachine machine(c.edition);
        machine.plugRecorder();
        machine.model.failOn(c.failing);
        EXPECT_EQ(machine.install(), 0) << c.failing;
        EXPECT_FALSE(anyLogged(machine.model, "RegEnumKeyExA")) << c.failing;
        EXPECT_FALSE(anyLogged(machine.model, "UpdateDriverForPlugAndPlayDevicesA")) << c.failing;
    }
    // A missing driver file fails the 98 copy, and the XP copy for an
    // unplugged recorder, before any re-enumeration.
    for (Edition edition : {Edition::Windows98, Edition::WindowsXp}) {
        WindowsMachine missing(edition);
        ASSERT_TRUE(missing.model.deleteFile("C:\\SETUP\\vxr250.sys"));
        EXPECT_EQ(missing.install(), 0);
        EXPECT_FALSE(anyLogged(missing.model, "CM_Reenumerate_DevNode"));
    }
}

TEST(WindowsInstall, Windows9xRemovesFailedInstallsCarryingTheVendorWord) {
    for (Edition edition : {Edition::Windows98, Edition::WindowsMe, Edition::WindowsXp}) {
        WindowsMachine machine(edition);
        auto& model = machine.model;
        model.addDevice({"USB\\VID_0DAB&PID_2000\\1",
                         {"USB\\VID_0DAB&PID_2000"},
                         "tevra ZR-10 Recorder",
                         0x40});
        model.addDevice(
            {"USB\\VID_0DAB&PID_2001\\1", {"USB\\VID_0DAB&PID_2001"}, "TEVRA ZR-20", 0});
        model.addDevice(
            {"USB\\VID_1234&PID_0001\\1", {"USB\\VID_1234&PID_0001"}, "Other Camera", 0x40});
        model.addDevice(
            {"USB\\VID_0DAB&PID_2002\\1", {"USB\\VID_0DAB&PID_2002"}, std::nullopt, 0x40});
        const std::string failedDriver = "{36FC9E60-C465-11CF-8056-444553540000}\\0007";
        model.registry().setValue(model.enumKey("USB\\VID_0DAB&PID_2000\\1"), "Driver",
                                  failedDriver);
        model.registry().setValue(model.driverKey(failedDriver), "DriverDesc",
                                  std::string("ZR-10"));

        EXPECT_EQ(machine.install(), 1);
        const bool nineX = edition != Edition::WindowsXp;
        EXPECT_EQ(model.device("USB\\VID_0DAB&PID_2000\\1") == nullptr, nineX);
        EXPECT_EQ(model.registry().hasKey(model.driverKey(failedDriver)), !nineX);
        EXPECT_NE(model.device("USB\\VID_0DAB&PID_2001\\1"),
                  nullptr);  // flags clear: a working install
        EXPECT_NE(model.device("USB\\VID_1234&PID_0001\\1"), nullptr);  // another maker's
        EXPECT_NE(model.device("USB\\VID_0DAB&PID_2002\\1"), nullptr);  // no description to go by
    }
}

TEST(WindowsInstall, Windows9xRemovesADamagedEarlierInstallAndStartsAfresh) {
    struct Damage {
        const char* deviceClass;
        const char* driver;
    };
    for (Damage damage :
         {Damage{"Unknown", "{X}\\0001"}, Damage{nullptr, "{X}\\0001"}, Damage{"USB", nullptr}}) {
        WindowsMachine machine(Edition::Windows98);
        machine.earlierInstall(damage.deviceClass, damage.driver);
        for (const std::string& file : kDatabase98) machine.model.addFile(file, "db");
        EXPECT_EQ(machine.install(), 1);
        EXPECT_EQ(machine.model.device(kRecorderInstance), nullptr);
        EXPECT_FALSE(machine.model.registry().hasKey(machine.model.enumKey(kRecorderInstance)));
        if (damage.driver) {
            EXPECT_FALSE(machine.model.registry().hasKey(machine.model.driverKey(damage.driver)));
        }
        for (const std::string& file : kDatabase98) EXPECT_FALSE(machine.model.hasFile(file));
    }
}

TEST(WindowsInstall, WindowsMeResetsHalfInstalledFlagsAndRemovesTheInstall) {
    WindowsMachine machine(Edition::WindowsMe);
    machine.earlierInstall("USB", "{X}\\0001", 0x20000);
    EXPECT_EQ(machine.install(), 1);
    const std::string key = machine.model.enumKey(kRecorderInstance);
    EXPECT_TRUE(machine.model.logged("RegSetValueExA " + key + " ConfigFlags 0"));
    EXPECT_LT(positionOf(machine.model, "RegSetValueExA " + key + " ConfigFlags 0"),
              positionOf(machine.model, "SetupDiRemoveDevice " + kRecorderInstance));
    EXPECT_EQ(machine.model.device(kRecorderInstance), nullptr);

    // The same flags on 98 are no sign of damage.
    WindowsMachine on98(Edition::Windows98);
    on98.earlierInstall("USB", "{X}\\0001", 0x20000);
    EXPECT_EQ(on98.install(), 1);
    EXPECT_NE(on98.model.device(kRecorderInstance), nullptr);
    EXPECT_FALSE(anyLogged(on98.model, "RegSetValueExA"));
}

TEST(WindowsInstall, WindowsXpLeavesADamagedEarlierInstallInPlace) {
    WindowsMachine machine(Edition::WindowsXp);
    machine.earlierInstall("Unknown", nullptr, 0x20000);
    EXPECT_EQ(machine.install(), 1);
    EXPECT_NE(machine.model.device(kRecorderInstance), nullptr);
    EXPECT_FALSE(anyLogged(machine.model, "SetupDiRemoveDevice"));
    EXPECT_FALSE(anyLogged(machine.model, "RegSetValueExA"));
}

}  // namespace
}  // namespace vox::qinst::testing
