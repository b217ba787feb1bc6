#pragma once
// The recorder form's side of the long operations: it runs the transfers
// and formats on the transfer session, answers the session's questions with
// boxes, and draws every worker notice and session event (transfer, format,
// delete, conversion) as the progress bars, the status bar, the boxes and
// the end of the operation. This holds the session objects that own the
// workers.

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "application/core/delete_worker.h"
#include "engine/session/format_run.h"
#include "engine/session/transfer_session.h"
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

class FlashOperations final : public vox::session::SessionFrontEnd,
                              public vox::session::FormatListener {
  public:
    FlashOperations(CPelmarchDoc& doc, CFlashForm& form);
    // Stops what still runs and waits for its end.
    ~FlashOperations() override;
    FlashOperations(const FlashOperations&) = delete;
    FlashOperations& operator=(const FlashOperations&) = delete;

    // Plans a transfer with the user (the session's questions are boxes)
    // and runs it on `link`.
    void send(DeviceContext* link, const vox::session::SendRequest& request);
    void fetch(DeviceContext* link, const vox::session::FetchRequest& request);
    // Deletes the job's files; `shownNames` are shown in the status bar as
    // each one goes, in the job's order.
    void startDelete(DeleteJob job, std::vector<std::string> shownNames);
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

    // SessionFrontEnd
    bool replaceExisting(const std::string& question) override;
    bool replaceInPlace(const std::string& text) override;
    void onEvent(const vox::session::SessionEvent& event) override;
    // FormatListener
    void onFormatEvent(const vox::session::FormatEvent& event) override;
    void onFormatEnd(bool carriedOut) override;

  private:
    void startSession(DeviceContext* link);
    void onFileStarted(const vox::session::event::FileStarted& started);
    void onSessionFinished(const vox::session::event::Finished& finished);
    int fileBlocks(std::size_t index) const;
    int blocksBefore(std::size_t index) const;
    void showTransferProgress(std::size_t index, int done);
    void showArrivedFile(std::size_t index);
    void clearBar(vox::panes::TextProgressCtrl* bar);
    void enableControls(bool enable);
    void showBox(const QString& text);
    void statusText(const QString& text);

    CPelmarchDoc& doc_;
    CFlashForm& form_;
    vox::session::SessionTiming timing_;
    std::unique_ptr<vox::session::TransferSession> session_;
    std::unique_ptr<vox::session::FormatRun> format_;
    int deleteCount_ = 0;
    std::vector<std::string> deleteNames_;
};

// The texts the two bars show.
QString percentText(int done, int whole);
QString batchText(int done, int whole, int file, int files);

}  // namespace vox::app
