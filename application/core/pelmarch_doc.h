#pragma once
// The document: the one object that every pane, the main window and the
// workers share. It holds the link to the recorder, the last listing of the
// current recorder folder, what runs, and the six panes (each registers
// itself here).

#include <array>
#include <functional>
#include <string>

#include "application/core/device_api.h"
#include "application/core/running_work.h"
#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

namespace vox::app {

class CDirForm;
class CDirTree;
class CDirList;
class CFlashForm;
class CFlashTree;
class CFlashList;

inline constexpr int kFolderCount = 5;

class CPelmarchDoc {
  public:
    explicit CPelmarchDoc(DeviceApi api = libraryDeviceApi());
    ~CPelmarchDoc();
    CPelmarchDoc(const CPelmarchDoc&) = delete;
    CPelmarchDoc& operator=(const CPelmarchDoc&) = delete;

    // Makes sure the held link still answers, builds a new one when it does
    // not (or none is held), and returns it; null when no recorder answers.
    DeviceContext* checkDevice();
    // The Refresh command: re-lists the recorder pane, or clears it when the
    // recorder is gone. Does nothing while a device operation holds the link.
    // `mainFrame` receives the memory-bar update.
    void refresh(vox::messages::MessageTarget* mainFrame);
    // False (after telling the user) while an operation runs.
    bool canClose();
    // Asks a running worker to stop, waits for the workers to end and
    // destroys the device link. Safe to call more than once.
    void shutdown();

    // The cancel flag, read by the workers while the GUI thread sets it.
    void setCancel(int value);
    int cancel() const;
    int* cancelFlagAddress() { return &cancelFlag_; }

    // The device library's calls, for the recorder listing.
    const DeviceApi& deviceApi() const { return api_; }

    // Device link from CreateDev until DestroyDev; null while no recorder is known.
    DeviceContext* deviceLink = nullptr;

    CDirForm* dirForm = nullptr;
    CDirTree* dirTree = nullptr;
    CDirList* dirList = nullptr;
    CFlashList* flashList = nullptr;
    CFlashTree* flashTree = nullptr;
    CFlashForm* flashForm = nullptr;
    // The main window, where the panes send status and memory-bar news.
    vox::messages::MessageTarget* mainFrame = nullptr;

    // PC folder shown by the PC list, ending with '/'.
    std::string workingDirectory;
    // The document's title: the folder the PC list shows last. The main
    // window hears of each change through `titleChanged`.
    void setTitle(std::string title);
    const std::string& title() const { return title_; }
    std::function<void(const std::string&)> titleChanged;
    // Recorder folder shown (0 A, 1 B, 2 C, 3 MP3, 4 HD), -1 until one is.
    int currentFolder = -1;
    // Names passed to the listing, filled by the recorder tree.
    std::array<const char*, kFolderCount> folderNames{};
    DeviceListing listing{};

    // What runs: the transfer, delete or format that holds the recorder,
    // and a conversion.
    RunningWork work;
    // Whether a transfer, delete or format holds the recorder.
    bool deviceWorkerRunning() const { return work.onRecorder() != Work::Nothing; }

  private:
    DeviceApi api_;
    int cancelFlag_ = 0;
    std::string title_;
};

}  // namespace vox::app
