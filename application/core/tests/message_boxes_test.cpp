// The Qt message boxes: a question's default answer is the one that changes
// nothing, so Enter pressed without reading neither formats nor deletes,
// and Escape answers the same.

#include "application/core/message_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace vox::app {
namespace {

// Shows a box and answers it with `key` once it is up; the default button
// is kept.
BoxAnswer answerWith(BoxButtons buttons, Qt::Key key, QMessageBox::StandardButton& shown) {
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        watch.stop();
        shown = box->standardButton(box->defaultButton());
        QTest::keyClick(box, key);
    });
    watch.start();
    QtMessageBoxes boxes;
    return boxes.show(QStringLiteral("All data of the recorder will be deleted."), buttons,
                      BoxIcon::None);
}

TEST(QtMessageBoxesTest, EnterOnAQuestionTakesTheAnswerThatChangesNothing) {
    QMessageBox::StandardButton shown = QMessageBox::NoButton;
    EXPECT_EQ(answerWith(BoxButtons::OkCancel, Qt::Key_Return, shown), BoxAnswer::Cancel);
    EXPECT_EQ(shown, QMessageBox::Cancel);
    EXPECT_EQ(answerWith(BoxButtons::YesNo, Qt::Key_Return, shown), BoxAnswer::No);
    EXPECT_EQ(shown, QMessageBox::No);
    EXPECT_EQ(answerWith(BoxButtons::Ok, Qt::Key_Return, shown), BoxAnswer::Ok);
}

TEST(QtMessageBoxesTest, EscapeOnAQuestionTakesTheAnswerThatChangesNothing) {
    QMessageBox::StandardButton shown = QMessageBox::NoButton;
    EXPECT_EQ(answerWith(BoxButtons::OkCancel, Qt::Key_Escape, shown), BoxAnswer::Cancel);
    EXPECT_EQ(answerWith(BoxButtons::YesNo, Qt::Key_Escape, shown), BoxAnswer::No);
}

}  // namespace
}  // namespace vox::app
