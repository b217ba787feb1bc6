#include "engine/session/recorder_move.h"

#include "engine/rules/recorder_edits.h"

namespace vox::session {

std::optional<MoveDone> moveFile(const rules::RecorderListing& listing, std::size_t row, bool up,
                                 const std::function<DeviceContext*()>& link) {
    const std::optional<rules::MoveAction> move = rules::planMove(listing, row, up);
    if (!move) return std::nullopt;
    DeviceContext* device = link();
    if (device == nullptr) return std::nullopt;
    const int answer = QVReplaceFile(device, move->shortName.c_str(),
                                     static_cast<int>(move->position), STORE_MAIN);
    return MoveDone{move->position, answer};
}

}  // namespace vox::session
