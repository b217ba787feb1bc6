#pragma once
// The one way the program asks or tells the user something in a box: the
// caption is always the application title, the buttons OK, OK and Cancel, or
// Yes and No. Tests put a recording double in place of the Qt boxes.

#include <QString>

class QWidget;

namespace vox::app {

enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxIcon { None, Stop };
enum class BoxAnswer { Ok, Cancel, Yes, No };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(const QString& text, BoxButtons buttons, BoxIcon icon) = 0;
};

// Modal Qt message boxes over the active window.
class QtMessageBoxes final : public MessageBoxes {
  public:
    BoxAnswer show(const QString& text, BoxButtons buttons, BoxIcon icon) override;
};

// The boxes in use: the Qt ones unless another was installed.
MessageBoxes& messageBoxes();
// Installs `boxes` (not owned; null restores the Qt boxes).
void installMessageBoxes(MessageBoxes* boxes);

}  // namespace vox::app
