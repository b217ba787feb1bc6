// The hover button's looks, hover and focus highlighting, and tooltip.

#include "application/panes/hover_button.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "application/core/tests/support/gtest_wait.h"

namespace vox::panes {
namespace {

// A strip whose four frames are told apart by their colour.
QImage colouredStrip() {
    QImage strip(168, 36, QImage::Format_RGB32);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int frame = 0; frame < 4; ++frame)
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < 42; ++x) strip.setPixelColor(frame * 42 + x, y, colours[frame]);
    return strip;
}

QColor shownColour(CHoverButton& button) {
    return button.grab().toImage().pixelColor(20, 18);
}

class HoverButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(200, 100);
        button = new CHoverButton(&window);
        button->setStrip(colouredStrip());
        other = new CHoverButton(&window);
        other->move(100, 0);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    CHoverButton* button = nullptr;
    CHoverButton* other = nullptr;
};

TEST_F(HoverButtonTest, BuiltInStripsGiveButtonsOfOneFrame) {
    CHoverButton download;
    ASSERT_TRUE(download.loadBitmap(QStringLiteral("bitmaps/139_download.png")));
    EXPECT_EQ(download.frameSize(), QSize(42, 36));
    EXPECT_EQ(download.size(), QSize(42, 36));
    CHoverButton missing;
    EXPECT_FALSE(missing.loadBitmap(QStringLiteral("bitmaps/none.png")));
    EXPECT_EQ(missing.frameSize(), QSize(0, 0));
}

TEST_F(HoverButtonTest, PressedWinsOverDisabledOverHighlighted) {
    other->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(button->currentFrame(), CHoverButton::Normal);
    EXPECT_EQ(shownColour(*button), QColor(Qt::red));

    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->highlighted());
    button->setDown(true);
    EXPECT_EQ(button->currentFrame(), CHoverButton::Pressed);
    EXPECT_EQ(shownColour(*button), QColor(Qt::green));

    button->setDown(false);
    button->setEnabled(false);
    EXPECT_EQ(button->currentFrame(), CHoverButton::Disabled);
    EXPECT_EQ(shownColour(*button), QColor(Qt::yellow));
}

TEST_F(HoverButtonTest, TabbingOntoTheButtonHighlightsIt) {
    other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(button->currentFrame(), CHoverButton::Normal);
    QTest::keyClick(other, Qt::Key_Tab);
    QApplication::processEvents();
    ASSERT_TRUE(button->hasFocus());
    EXPECT_EQ(button->currentFrame(), CHoverButton::Highlighted);
    EXPECT_EQ(shownColour(*button), QColor(Qt::blue));
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(button->currentFrame(), CHoverButton::Normal);
}

TEST_F(HoverButtonTest, PointerRestingOnTheButtonHighlightsUntilItLeaves) {
    QTest::mouseMove(button, QPoint(10, 10));
    VOX_TRY_VERIFY_WITH_TIMEOUT(button->highlighted(), 1000);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->highlighted());
    EXPECT_EQ(button->currentFrame(), CHoverButton::Normal);
}

TEST_F(HoverButtonTest, TooltipHasOneToolWithId1) {
    EXPECT_EQ(button->tooltipTool(), 0);
    button->activateTooltip(true);
    EXPECT_FALSE(button->tooltipActive());

    button->setTooltipFromTable(QStringLiteral("no-such-entry"));
    EXPECT_EQ(button->tooltipTool(), 0);

    button->setTooltipText(QStringLiteral("&Download"), false);
    EXPECT_EQ(button->tooltipTool(), CHoverButton::kToolId);
    EXPECT_FALSE(button->tooltipActive());
    button->setTooltipFromTable(QStringLiteral("ready"));
    EXPECT_EQ(button->tooltipText(), QStringLiteral("Ready"));
    EXPECT_TRUE(button->tooltipActive());
}

TEST(StandardGreys, MapToTheThreeDColours) {
    QImage bitmap(4, 1, QImage::Format_RGB32);
    bitmap.setPixelColor(0, 0, QColor(0, 0, 0));
    bitmap.setPixelColor(1, 0, QColor(128, 128, 128));
    bitmap.setPixelColor(2, 0, QColor(192, 192, 192));
    bitmap.setPixelColor(3, 0, QColor(12, 34, 56));
    QPalette palette;
    palette.setColor(QPalette::ButtonText, QColor(1, 1, 1));
    palette.setColor(QPalette::Dark, QColor(2, 2, 2));
    palette.setColor(QPalette::Button, QColor(3, 3, 3));
    const QImage mapped = mapStandardGreys(bitmap, palette);
    EXPECT_EQ(mapped.pixelColor(0, 0), QColor(1, 1, 1));
    EXPECT_EQ(mapped.pixelColor(1, 0), QColor(2, 2, 2));
    EXPECT_EQ(mapped.pixelColor(2, 0), QColor(3, 3, 3));
    EXPECT_EQ(mapped.pixelColor(3, 0), QColor(12, 34, 56));
}

}  // namespace
}  // namespace vox::panes
