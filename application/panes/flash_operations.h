#pragma once
// The recorder form's side of the long operations: it runs the transfer
// batches and formats on the transfer session, and turns every worker notice
// (transfer, format, delete, conversion) into the progress bars, the status
// bar, the boxes, the next file and the end of the operation. The document
// holds what the operation is about (direction, files, sizes); this holds
// the session objects that own the workers.

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/session/format_run.h"
#include "engine/session/transfer_batch.h"
#include "platform/messages/message_target.h"

namespace vox::panes {
class TextProgressCtrl;
}

namespace vox::app {

class CPelmarchDoc;
class CFlashForm;

// Posted by a conversion worker with WM_CONVERT_NOTIFY: lParam is a text
// the user is shown.
inline constexpr vox::messages::WParam kConversionMessage = 0x12;

class FlashOperations final : public vox::session::BatchListener,
                              public vox::session::FormatListener {
  public:
    FlashOperations(CPelmarchDoc& doc, CFlashForm& form);
    // Stops what still runs and waits for its end.
    ~FlashOperations() override;
    FlashOperations(const FlashOperations&) = delete;
    FlashOperations& operator=(const FlashOperations&) = delete;

    // Starts the batch that the document's transfer fields describe, one
    // session file per transfer entry. `deleteBefore[i]` lists recorder
    // files deleted right before file i is sent (the user agreed to lose
    // them where the folder has no room for two copies).
    void startBatch(DeviceContext* link, std::vector<vox::session::TransferFile> files,
                    std::vector<std::vector<std::string>> deleteBefore = {});
    // False when the library's lock was taken.
    bool startFormat(DeviceContext* link, std::uint32_t pacingBytes);
    // The Cancel button: the transfer worker stops after its next block.
    void cancel();
    // The waits between files; tests put a clock and a sleeper of their own.
    void setTiming(vox::session::SessionTiming timing) { timing_ = std::move(timing); }

    // Every worker notice that reaches the form.
    void onTransferNotice(vox::messages::WParam code, vox::messages::LParam value);
    void onFormatNotice(vox::messages::WParam code, vox::messages::LParam value);
    void onDeleteNotice(vox::messages::WParam code, vox::messages::LParam value);
    void onConvertNotice(vox::messages::WParam code, vox::messages::LParam value);

    // BatchListener
    bool beforeFile(std::size_t index) override;
    void onTransferEvent(std::size_t index, const vox::session::TransferEvent& event) override;
    bool afterFile(std::size_t index) override;
    void onBatchEnd(vox::session::BatchEnd end, std::size_t filesDone) override;
    // FormatListener
    void onFormatEvent(const vox::session::FormatEvent& event) override;
    void onFormatEnd(bool carriedOut) override;

  private:
    int fileBlocks(std::size_t index) const;
    int blocksBefore(std::size_t index) const;
    void showTransferProgress(std::size_t index, int done);
    void showArrivedFile(std::size_t index);
    void clearBar(vox::panes::TextProgressCtrl* bar);
    void enableControls(bool enable);
    void showBox(const QString& text);
    void statusText(const QString& text);
    void joinFinishedWorker(vox::messages::ThreadHandle& worker);

    CPelmarchDoc& doc_;
    CFlashForm& form_;
    vox::session::SessionTiming timing_;
    std::unique_ptr<vox::session::TransferBatch> batch_;
    std::unique_ptr<vox::session::FormatRun> format_;
    std::vector<std::vector<std::string>> deleteBefore_;
    std::vector<bool> replaces_;      // file i takes the place of a recorder file
    std::vector<std::string> paths_;  // file i's PC path
    DeviceContext* link_ = nullptr;
    int deleteCount_ = 0;
};

// The texts the two bars show.
QString percentText(int done, int whole);
QString batchText(int done, int whole, int file, int files);

}  // namespace vox::app
