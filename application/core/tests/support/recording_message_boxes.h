#pragma once
// A message-box double: records every box the program shows and gives the
// scripted answers in turn (OK once the script has run out). Installed for
// its lifetime.

#include <deque>
#include <vector>

#include "application/core/message_boxes.h"

namespace vox::app::testing {

struct ShownBox {
    QString text;
    BoxButtons buttons;
    BoxIcon icon;
};

class RecordingMessageBoxes final : public MessageBoxes {
  public:
    RecordingMessageBoxes() { installMessageBoxes(this); }
    ~RecordingMessageBoxes() override { installMessageBoxes(nullptr); }

    BoxAnswer show(const QString& text, BoxButtons buttons, BoxIcon icon) override {
        shown.push_back({text, buttons, icon});
        if (answers.empty()) return BoxAnswer::Ok;
        const BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownBox> shown;
    std::deque<BoxAnswer> answers;
};

}  // namespace vox::app::testing
