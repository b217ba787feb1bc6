#include "application/core/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include "application/core/app_title.h"

namespace vox::app {

namespace {

MessageBoxes* installed = nullptr;

QMessageBox::StandardButtons standardButtons(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case BoxButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case BoxButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

BoxAnswer answerOf(int button) {
    switch (button) {
        case QMessageBox::Cancel:
            return BoxAnswer::Cancel;
        case QMessageBox::Yes:
            return BoxAnswer::Yes;
        case QMessageBox::No:
            return BoxAnswer::No;
        default:
            return BoxAnswer::Ok;
    }
}

// A question's default answer is the one that changes nothing: Enter
// pressed without reading never formats, deletes or overwrites.
QMessageBox::StandardButton safeAnswer(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::OkCancel:
            return QMessageBox::Cancel;
        case BoxButtons::YesNo:
            return QMessageBox::No;
        case BoxButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

BoxAnswer QtMessageBoxes::show(const QString& text, BoxButtons buttons, BoxIcon icon) {
    QMessageBox box(icon == BoxIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromUtf8(kAppTitle), text, standardButtons(buttons),
                    QApplication::activeWindow());
    box.setDefaultButton(safeAnswer(buttons));
    box.setEscapeButton(safeAnswer(buttons));
    return answerOf(box.exec());
}

MessageBoxes& messageBoxes() {
    static QtMessageBoxes qtBoxes;
    return installed ? *installed : qtBoxes;
}

void installMessageBoxes(MessageBoxes* boxes) {
    installed = boxes;
}

}  // namespace vox::app
