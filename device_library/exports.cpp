// The flat exports: thin wrappers over the one process-wide device link.
// Nothing thrown inside gets past them.

#include "device_library/catalogue.h"
#include "device_library/device_link.h"
#include "device_library/file_management.h"
#include "device_library/qvdevsys.h"
#include "device_library/transfers.h"
#include "platform/stack/device_stack.h"

namespace {

using vox::devsys::DeviceLink;

// A program that loads the library and nothing else reaches the recorder
// through the device stack; a front end or test that chose another provider
// before keeps it.
DeviceLink& processLink() {
    static const bool stackOffered = (vox::stack::offerDeviceStack(), true);
    static DeviceLink link;
    (void)stackOffered;
    return link;
}

template <typename Result, typename Call>
Result guarded(Result onFailure, Call call) noexcept {
    try {
        return call(processLink());
    } catch (...) {
        return onFailure;
    }
}

std::string text(const char* value) {
    return value != nullptr ? value : "";
}

}  // namespace

extern "C" {

int CreateDev(DeviceContext** out) {
    return guarded(0, [&](DeviceLink& link) { return link.createDev(out); });
}

int DestroyDev(DeviceContext*) {
    return guarded(0, [](DeviceLink& link) { return link.destroyDev(); });
}

int GetQVVqdc(void) {
    return guarded(0, [](DeviceLink& link) { return link.instanceCount(); });
}

int QVGetOpen(DeviceContext* ctx) {
    return guarded(0, [&](DeviceLink& link) { return link.isCurrent(ctx) ? ctx->openCounter : 0; });
}

int QVIsUsed(DeviceContext* ctx) {
    return guarded(0, [&](DeviceLink& link) { return link.isUsed(ctx); });
}

DeviceContext* UnlockDev(DeviceContext* ctx) {
    return guarded(ctx, [&](DeviceLink& link) { return link.unlock(ctx); });
}

int QVCheckDevice(DeviceContext* ctx) {
    return guarded(0, [&](DeviceLink& link) { return link.checkDevice(ctx); });
}

int QVGetPlayerVersion(DeviceContext* ctx, PlayerInfo* out) {
    return guarded(0, [&](DeviceLink& link) { return link.playerVersion(ctx, out); });
}

int QVRefreshDevice(DeviceContext* ctx, DeviceListing* out, const char* folder, int, int store) {
    return guarded(0, [&](DeviceLink& link) {
        return vox::devsys::refreshDevice(link, ctx, out, folder, store);
    });
}

int QVGetPlayerStatus(DeviceContext* ctx) {
    return guarded(0, [&](DeviceLink& link) { return vox::devsys::playerStatus(link, ctx); });
}

int QVDownloadFile(DeviceContext* ctx, const char* pcPath, int store,
                   vox::messages::WindowHandle window, vox::messages::Message message,
                   vox::messages::ThreadHandle* slot, int* cancel) {
    return guarded(0, [&](DeviceLink& link) {
        vox::devsys::TransferJob job{
            text(pcPath), "", store, {window, message}, vox::devsys::CancelFlag(cancel)};
        return vox::devsys::startDownload(link, ctx, std::move(job), slot);
    });
}

int QVUploadFile(DeviceContext* ctx, const char* recorderName, const char* pcPath, int store,
                 vox::messages::WindowHandle window, vox::messages::Message message,
                 vox::messages::ThreadHandle* slot, int* cancel) {
    return guarded(0, [&](DeviceLink& link) {
        vox::devsys::TransferJob job{text(recorderName),
                                     text(pcPath),
                                     store,
                                     {window, message},
                                     vox::devsys::CancelFlag(cancel)};
        return vox::devsys::startUpload(link, ctx, std::move(job), slot);
    });
}

int QVFormatDevice(DeviceContext* ctx, FormatRequest* request) {
    return guarded(0,
                   [&](DeviceLink& link) { return vox::devsys::startFormat(link, ctx, request); });
}

int QVDeleteFile(DeviceContext* ctx, const char* name, int store) {
    return guarded(
        -1, [&](DeviceLink& link) { return vox::devsys::deleteFile(link, ctx, name, store); });
}

int QVRemoveDirectory(DeviceContext* ctx, const char* name, int store) {
    return guarded(
        -1, [&](DeviceLink& link) { return vox::devsys::removeDirectory(link, ctx, name, store); });
}

int QVReplaceFile(DeviceContext* ctx, const char* name, int position, int store) {
    return guarded(-1, [&](DeviceLink& link) {
        return vox::devsys::moveFile(link, ctx, name, position, store);
    });
}

int QVRenameFile(DeviceContext* ctx, const char* currentName, const char* newName, int store) {
    return guarded(-1, [&](DeviceLink& link) {
        return vox::devsys::renameFile(link, ctx, currentName, newName, store);
    });
}

int QVMakeDirectory(DeviceContext* ctx, const char* name, int store) {
    return guarded(
        -1, [&](DeviceLink& link) { return vox::devsys::makeDirectory(link, ctx, name, store); });
}

}  // extern "C"
