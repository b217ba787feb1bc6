#pragma once
// A Windows machine with the recorder's driver package on a setup disk and
// two USB root hubs, for driving the installer down its Windows paths.

#include <memory>
#include <string>

#include "driver_installer/installer.h"
#include "platform/setup/windows_model.h"

namespace vox::qinst::testing {

inline const std::string kInf = "C:\\SETUP\\VXR250.INF";
inline const std::string kRecorderId = "USB\\VID_0DAB&PID_3000";
inline const std::string kRecorderInstance = "USB\\VID_0DAB&PID_3000\\5&1A2B&0&1";

struct WindowsMachine {
    explicit WindowsMachine(setup::WindowsModel::Edition edition)
        : model(edition), installer(model) {
        model.addInf(
            {kInf, {{"VX_R250", {"vxr250.sys"}}}, {kRecorderId}, "Tevra VX-R250 Voice Recorder"},
            5);
        model.addFile("C:\\SETUP\\vxr250.sys", "driver", 5);
        model.addDevice({"USB\\ROOT_HUB\\4&11&0", {"USB\\ROOT_HUB"}, "USB Root Hub", 0});
        model.addDevice({"USB\\ROOT_HUB20\\4&22&0", {"USB\\ROOT_HUB20"}, "USB 2.0 Root Hub", 0});
        model.addDevice({"PCI\\VEN_8086&DEV_7112\\3&1&0",
                         {"PCI\\VEN_8086&DEV_7112"},
                         "USB Host Controller",
                         0,
                         "USB"});
    }

    // The recorder plugged in; `installed` gives it the Enum values of a
    // working install, otherwise its Enum key is as new hardware leaves it.
    void plugRecorder(bool installed = false) {
        model.addDevice(
            {kRecorderInstance, {kRecorderId + "&REV_0100", kRecorderId}, "USB Device", 0});
        if (!installed) return;
        const std::string key = model.enumKey(kRecorderInstance);
        model.registry().setValue(key, "Class", std::string("USB"));
        model.registry().setValue(key, "Driver",
                                  std::string("{36FC9E60-C465-11CF-8056-444553540000}\\0001"));
    }

    // An earlier install of the recorder (a registered device, present or
    // not) whose Enum key holds the given values; its driver key exists too.
    void earlierInstall(const char* deviceClass, const char* driver,
                        std::uint32_t configFlags = 0) {
        if (model.device(kRecorderInstance) == nullptr)
            model.addDevice({kRecorderInstance,
                             {kRecorderId},
                             "Tevra VX-R250 Voice Recorder",
                             configFlags,
                             "USB",
                             false});
        const std::string key = model.enumKey(kRecorderInstance);
        if (driver)
            model.registry().setValue(model.driverKey(driver), "DriverDesc",
                                      std::string("VX-R250"));
        if (deviceClass) model.registry().setValue(key, "Class", std::string(deviceClass));
        if (driver) model.registry().setValue(key, "Driver", std::string(driver));
        model.registry().setValue(key, "ConfigFlags", configFlags);
    }

    int install(int type = 3) { return installer.install(kInf, type, nullptr); }

    setup::WindowsModel model;
    Installer installer;
};

}  // namespace vox::qinst::testing
