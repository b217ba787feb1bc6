// The picture buttons' keys: one letter per button across the window, the
// caption's own letter first, and tooltips that say the caption and the key.

#include "application/panes/button_keys.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "application/panes/hover_button.h"

namespace vox::panes {
namespace {

TEST(ButtonKeysTest, MnemonicMarksAreLeftOut) {
    EXPECT_EQ(withoutMnemonic(QStringLiteral("&Download")), QStringLiteral("Download"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("List &Up")), QStringLiteral("List Up"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("Save && &Quit")), QStringLiteral("Save & Quit"));
    EXPECT_EQ(withoutMnemonic(QStringLiteral("DirBtn")), QStringLiteral("DirBtn"));
}

class ButtonKeysWindowTest : public ::testing::Test {
  protected:
    CHoverButton* add(const QString& caption) {
        auto* button = new CHoverButton(&window);
        button->setCaption(caption);
        buttons.append(button);
        return button;
    }
    QWidget window;
    QList<CHoverButton*> buttons;
};

TEST_F(ButtonKeysWindowTest, EveryButtonGetsItsOwnLetterAndMarkedLettersComeFirst) {
    CHoverButton* download = add(QStringLiteral("&Download"));
    CHoverButton* remove = add(QStringLiteral("&Delete"));
    CHoverButton* listDown = add(QStringLiteral("List &Down"));
    CHoverButton* picture = add(QString());
    CHoverButton* refresh = add(QStringLiteral("&Refresh"));
    CHoverButton* create = add(QStringLiteral("C&reate"));
    assignButtonKeys(buttons);

    EXPECT_EQ(download->shortcut(), QKeySequence(QStringLiteral("Alt+D")));
    EXPECT_EQ(refresh->shortcut(), QKeySequence(QStringLiteral("Alt+R")));
    // "Delete" takes its next letter, "List Down" the first letter of a word.
    EXPECT_EQ(remove->shortcut(), QKeySequence(QStringLiteral("Alt+E")));
    EXPECT_EQ(listDown->shortcut(), QKeySequence(QStringLiteral("Alt+L")));
    // "Create" lost its R to a button with R marked, not to its order.
    EXPECT_EQ(create->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
    EXPECT_TRUE(picture->shortcut().isEmpty());
    EXPECT_EQ(download->tooltipText(), QStringLiteral("Download (Alt+D)"));
    EXPECT_EQ(remove->tooltipText(), QStringLiteral("Delete (Alt+E)"));
    EXPECT_EQ(picture->tooltipTool(), 0);
}

TEST_F(ButtonKeysWindowTest, TheKeyClicksItsButton) {
    CHoverButton* download = add(QStringLiteral("&Download"));
    CHoverButton* remove = add(QStringLiteral("&Delete"));
    assignButtonKeys(buttons);
    int downloads = 0;
    int deletes = 0;
    QObject::connect(download, &QAbstractButton::clicked, [&] { ++downloads; });
    QObject::connect(remove, &QAbstractButton::clicked, [&] { ++deletes; });
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_E, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return deletes == 1; }));
    EXPECT_EQ(downloads, 0);
    // A disabled button's key does nothing.
    download->setEnabled(false);
    QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier);
    EXPECT_FALSE(QTest::qWaitFor([&] { return downloads > 0; }, 300));
}

TEST(HoverButtonScaleTest, DoubleSizeStripKeepsTheButtonsSize) {
    QImage strip(4 * 84, 72, QImage::Format_RGB32);
    strip.fill(Qt::gray);
    strip.setDevicePixelRatio(2);
    CHoverButton button;
    button.setStrip(strip);
    EXPECT_EQ(button.frameSize(), QSize(42, 36));
    EXPECT_EQ(button.sizeHint(), QSize(42, 36));
}

}  // namespace
}  // namespace vox::panes
