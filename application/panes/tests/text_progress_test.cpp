// The text progress bar: redraws only when the bar's pixel width changes,
// the second value's limits, and the drawing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "application/panes/text_progress_ctrl.h"

namespace vox::panes {
namespace {

class ProgressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bar.resize(204, 24);  // an inner area of 200 x 20
        bar.setBarColour(QColor(0, 0, 200));
        bar.setBackgroundColour(QColor(250, 250, 250));
        bar.setShowText(false);
        bar.show();
        QApplication::processEvents();
    }

    QImage shot() { return bar.grab().toImage(); }

    TextProgressCtrl bar;
};

TEST_F(ProgressTest, SamePositionTwiceRedrawsOnce) {
    const int before = bar.paintCount();
    bar.setPosition(10);
    EXPECT_EQ(bar.paintCount(), before + 1);
    bar.setPosition(10);
    EXPECT_EQ(bar.paintCount(), before + 1);
    // 100 and 101 of 1000 are both 20 pixels of 204.
    bar.setRange(0, 1000);
    QApplication::processEvents();
    const int afterRange = bar.paintCount();
    bar.setPosition(100);
    bar.setPosition(101);
    EXPECT_EQ(bar.paintCount(), afterRange + 1);
    bar.setPosition(150);
    EXPECT_EQ(bar.paintCount(), afterRange + 2);
}

TEST_F(ProgressTest, SecondValueStaysBetweenZeroAndTheRoomLeft) {
    bar.setPosition(30);
    bar.setSecondValue(200);
    EXPECT_EQ(bar.secondValue(), 70);
    bar.setSecondValue(-5);
    EXPECT_EQ(bar.secondValue(), 0);
    bar.setSecondValue(20);
    EXPECT_EQ(bar.secondValue(), 20);
}

TEST_F(ProgressTest, StepsAndOffsetsMoveThePosition) {
    EXPECT_EQ(bar.setStep(5), 1);
    EXPECT_EQ(bar.step(), 0);
    EXPECT_EQ(bar.offsetPosition(7), 5);
    EXPECT_EQ(bar.position(), 12);
}

TEST_F(ProgressTest, SecondSegmentCoversHalfOfTheRightHalf) {
    bar.setPosition(50);
    bar.setSecondValue(50);
    bar.repaint();
    EXPECT_EQ(bar.firstSegmentWidth(), 100);
    EXPECT_EQ(bar.secondSegmentWidth(), 50);
    const QImage image = shot();
    const int y = 12;
    EXPECT_EQ(image.pixelColor(2 + 99, y), QColor(0, 0, 200));
    EXPECT_EQ(image.pixelColor(2 + 100, y), QColor(10, 255, 10));
    EXPECT_EQ(image.pixelColor(2 + 149, y), QColor(10, 255, 10));
    EXPECT_EQ(image.pixelColor(2 + 150, y), QColor(250, 250, 250));
    EXPECT_EQ(image.pixelColor(2 + 199, y), QColor(250, 250, 250));
}

TEST_F(ProgressTest, SunkenBorderAndPositionsOutsideTheRange) {
    bar.setPosition(500);
    bar.repaint();
    EXPECT_EQ(bar.firstSegmentWidth(), 200);
    const QImage image = shot();
    const QRgb shadow = bar.palette().color(QPalette::Dark).rgb();
    const QRgb light = bar.palette().color(QPalette::Light).rgb();
    EXPECT_EQ(image.pixel(0, 10), shadow);
    EXPECT_EQ(image.pixel(1, 10), shadow);
    EXPECT_EQ(image.pixel(100, 0), shadow);
    EXPECT_EQ(image.pixel(203, 10), light);
    EXPECT_EQ(image.pixel(100, 23), light);
    EXPECT_EQ(image.pixelColor(201, 10), QColor(0, 0, 200));
    bar.setPosition(-20);
    EXPECT_EQ(bar.firstSegmentWidth(), 0);
}

TEST_F(ProgressTest, TextTakesTheColourOfWhatItCrosses) {
    bar.setShowText(true);
    bar.setTextColour(QColor(160, 0, 0));  // both read well on their fills
    bar.setTextOnBarColour(QColor(0, 255, 0));
    bar.setText(QStringLiteral("\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588"));
    bar.setPosition(50);
    bar.repaint();
    const QImage image = shot();
    int onBar = 0, onRest = 0;
    for (int y = 2; y < 22; ++y)
        for (int x = 2; x < 202; ++x) {
            const QColor c = image.pixelColor(x, y);
            onBar += (x < 102 && c == QColor(0, 255, 0));
            onRest += (x >= 102 && c == QColor(160, 0, 0));
            EXPECT_FALSE(x < 102 && c == QColor(160, 0, 0));
            EXPECT_FALSE(x >= 102 && c == QColor(0, 255, 0));
        }
    EXPECT_GT(onBar, 0);
    EXPECT_GT(onRest, 0);
}

TEST_F(ProgressTest, EmptyRangeIsSafe) {
    bar.setRange(5, 5);
    bar.setPosition(5);
    bar.repaint();
    EXPECT_EQ(bar.firstSegmentWidth(), 0);
    bar.setRange(-100, 0);
    bar.setPosition(-50);
    bar.setSecondValue(10);
    EXPECT_EQ(bar.secondSegmentWidth(), 0);
}

}  // namespace
}  // namespace vox::panes
