// Convert: one selected PC file between WAV and the recorder's voice format.
// The conversion rules decide; the main window asks and starts the worker,
// which the document keeps as the running conversion.

#include <sys/stat.h>

#include "application/core/main_frame.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_panes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_operations.h"
#include "engine/conversion/conversion_job.h"
#include "engine/conversion/convert_command.h"
#include "engine/conversion/voice_codec.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

namespace conv = vox::conversion;

bool fileExists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

}  // namespace

void CMainFrame::onConvert(WParam direction) {
    if (!dirList_) return;
    conv::ConvertSelection selection;
    selection.selectedNames = dirList_->selectedNames();
    selection.workingDirectory = doc_.workingDirectory;
    selection.direction =
        direction == 1 ? conv::ConvertDirection::DvfToWav : conv::ConvertDirection::WavToDvf;
    selection.quality = doc_.dirForm ? doc_.dirForm->quality : 1;
    selection.workerRunning = doc_.work.converting();
    const conv::ConvertDecision decision = conv::decideConvert(selection, fileExists);
    switch (decision.action) {
        case conv::ConvertDecision::Action::Ignore:
            return;
        case conv::ConvertDecision::Action::ShowMessage:
            messageBoxes().show(QString::fromStdString(decision.message), BoxButtons::Ok,
                                BoxIcon::None);
            return;
        case conv::ConvertDecision::Action::AskOverwrite:
            if (messageBoxes().show(QString::fromStdString(decision.message), BoxButtons::YesNo,
                                    BoxIcon::None) != BoxAnswer::Yes)
                return;
            break;
        case conv::ConvertDecision::Action::Start:
            break;
    }
    const conv::ConversionRequest& request = decision.request;

    conv::ConversionJob job;
    job.sourcePath = request.sourcePath;
    job.destinationPath = request.destinationPath;
    job.quality = selection.quality;
    job.notify = flashForm_;
    job.codec = conv::recorderVoiceCodec();
    // The worker's refusal reaches the user through the form, on the GUI thread.
    job.showMessage = [form = flashForm_](const std::string& text) {
        form->postText(vox::messages::WM_CONVERT_NOTIFY, kConversionMessage, text);
    };
    std::unique_ptr<vox::messages::Worker> worker =
        request.direction == conv::ConvertDirection::DvfToWav
            ? conv::startDecodeWorker(std::move(job))
            : conv::startEncodeWorker(std::move(job));
    doc_.work.begin(Work::Conversion, std::move(worker));
}

}  // namespace vox::app
