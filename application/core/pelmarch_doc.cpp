#include "application/core/pelmarch_doc.h"

#include <atomic>
#include <utility>

#include "application/core/message_boxes.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "application/resources/resources.h"
#include "engine/session/mount_lock.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

CPelmarchDoc::CPelmarchDoc(DeviceApi api) : api_(api) {}

CPelmarchDoc::~CPelmarchDoc() {
    shutdown();
}

// A link held by a running worker answers no check (the library refuses it
// while its lock is taken), so it is never dropped from under the worker.
DeviceContext* CPelmarchDoc::checkDevice() {
    if (deviceLink && deviceWorkerRunning()) return deviceLink;
    if (deviceLink && api_.checkDevice(deviceLink) == 0) {
        api_.destroyDev(deviceLink);
        deviceLink = nullptr;
    }
    // voxctl mount holds the recorder while it is mounted; the user is told
    // once per mount.
    if (auto holder = vox::session::otherMountHolder(); !deviceLink && holder) {
        static long toldAbout = 0;
        if (std::exchange(toldAbout, holder->pid) != holder->pid)
            messageBoxes().show(QString::fromStdString(vox::session::mountedBusyText(*holder)),
                                BoxButtons::Ok, BoxIcon::Stop);
        return nullptr;
    }
    if (!deviceLink) api_.createDev(&deviceLink);
    return deviceLink;
}

void CPelmarchDoc::refresh(vox::messages::MessageTarget* mainFrame) {
    if (deviceLink && (api_.isUsed(deviceLink) != 0 || deviceWorkerRunning())) return;
    if (checkDevice()) {
        if (flashTree) flashTree->showFolder(-1);
        return;
    }
    if (flashList) flashList->send(vox::messages::WM_REFRESH_LIST, 0, 0);
    if (mainFrame) mainFrame->send(vox::messages::WM_MEMORY_BAR, 0, 0);
}

// A batch is busy between its files too, while its next file starts.
bool CPelmarchDoc::canClose() {
    if (!work.busy() && !deviceWorkerRunning()) return true;
    messageBoxes().show(vox::res::text(QStringLiteral("busy")), BoxButtons::Ok, BoxIcon::Stop);
    return false;
}

// The workers end before the link they use goes away.
void CPelmarchDoc::shutdown() {
    if (work.hasWorkers()) setCancel(1);
    work.joinAll();
    if (deviceLink) {
        api_.destroyDev(deviceLink);
        deviceLink = nullptr;
    }
}

void CPelmarchDoc::setCancel(int value) {
    std::atomic_ref<int>(cancelFlag_).store(value);
}

int CPelmarchDoc::cancel() const {
    return std::atomic_ref<int>(const_cast<int&>(cancelFlag_)).load();
}

void CPelmarchDoc::setTitle(std::string title) {
    title_ = std::move(title);
    if (titleChanged) titleChanged(title_);
}

}  // namespace vox::app
