#pragma once
// The document: the one object that every pane, the main window and the
// workers share. It holds the link to the recorder, the last listing of the
// current recorder folder, the running transfer's file list, the conversion
// and format requests, the flags that say an operation runs, and the six
// panes (each registers itself here).

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "application/core/device_api.h"
#include "engine/rules/transfer_units.h"
#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

namespace vox::app {

class CDirForm;
class CDirTree;
class CDirList;
class CFlashForm;
class CFlashTree;
class CFlashList;

inline constexpr int kMaxTransferFiles = static_cast<int>(rules::kBatchLimit);
inline constexpr int kPathBytes = 260;
inline constexpr int kFolderCount = 5;

struct ConversionRequest {
    int mode = 0;  // 1 voice file to WAVE, 0 WAVE to voice file
    int count = 0;
    std::array<char, kPathBytes> source{};
    std::array<char, kPathBytes> destination{};
};

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

    // The running transfer.
    int transferDirection = 0;  // 1 PC to recorder, 0 recorder to PC
    int transferCount = 0;
    int transferIndex = 0;
    std::uint32_t freeBytesAtStart = 0;
    int totalBlocks = 0;
    std::array<DeviceEntry, kMaxTransferFiles> transferEntries{};

    ConversionRequest conversion;

    // Thread handles of the running device worker and conversion worker.
    vox::messages::ThreadHandle workerThread = nullptr;
    // A transfer batch or a format runs on the transfer session, which owns
    // its worker.
    bool sessionWorker = false;
    // Whether a transfer, delete or format worker holds the recorder.
    bool deviceWorkerRunning() const { return workerThread != nullptr || sessionWorker; }
    vox::messages::ThreadHandle conversionThread = nullptr;
    // 1 from the start of a transfer, delete, format or conversion to its end.
    int busy = 0;

  private:
    DeviceApi api_;
    int cancelFlag_ = 0;
    std::string title_;
};

}  // namespace vox::app
