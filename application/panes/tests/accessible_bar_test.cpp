// The text progress bar as a screen reader sees it: a progress bar with a
// value and a value text, and value announcements that follow every move
// without flooding the listener.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include "application/core/tests/support/accessibility_events.h"
#include "application/panes/text_progress_ctrl.h"

namespace vox::panes {
namespace {

using vox::app::testing::AccessibilityEvents;

class AccessibleBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bar.setAccessibleName(QStringLiteral("Total"));
        bar.resize(200, 20);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }

    QAccessibleInterface* face() { return QAccessible::queryAccessibleInterface(&bar); }
    std::vector<int> valuesOf(const QObject* object) const { return heard.values(object); }

    TextProgressCtrl bar;
    AccessibilityEvents heard;
};

TEST_F(AccessibleBarTest, IsAProgressBarWithRangePositionAndText) {
    QAccessibleInterface* accessible = face();
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::ProgressBar);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Total"));
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);

    bar.setRange(0, 3);
    bar.setPosition(2);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 3);
    EXPECT_EQ(value->currentValue().toInt(), 2);
    // Without a text the percent is said, with one the text, with a spoken
    // form that one.
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("66%"));
    bar.setText(QStringLiteral("42% Complete (2/3)"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("42% Complete (2/3)"));
    bar.setSpokenText(QStringLiteral("2 of 3 MB used"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("2 of 3 MB used"));
    // The same words as read-only text, as the desktop's bus hands them on.
    QAccessibleTextInterface* words = accessible->textInterface();
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words->characterCount(), 14);
    EXPECT_EQ(words->text(0, words->characterCount()), QStringLiteral("2 of 3 MB used"));
    // The listener cannot move the bar.
    value->setCurrentValue(0);
    EXPECT_EQ(bar.position(), 2);
}

TEST_F(AccessibleBarTest, ManyMovesAreAnnouncedAFewTimesEndingWithTheLastValue) {
    VOX_REQUIRE_ACCESSIBILITY_BUS();
    bar.setRange(0, 1000);
    // The range's own announcement, then its interval running out.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !valuesOf(&bar).empty(); }, 1000));
    QElapsedTimer sinceRange;
    sinceRange.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return sinceRange.elapsed() > TextProgressCtrl::kAnnounceIntervalMs; }, 1000));
    heard.events.clear();
    QElapsedTimer clock;
    clock.start();
    for (int position = 1; position <= 1000; ++position) bar.setPosition(position);
    const qint64 elapsed = clock.elapsed();
    // The first move is heard at once, the rest wait for the interval.
    ASSERT_FALSE(valuesOf(&bar).empty());
    EXPECT_EQ(valuesOf(&bar).front(), 1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !valuesOf(&bar).empty() && valuesOf(&bar).back() == 1000; }, 5000));
    const std::size_t allowed =
        2 + static_cast<std::size_t>(elapsed / TextProgressCtrl::kAnnounceIntervalMs);
    EXPECT_LE(valuesOf(&bar).size(), allowed);
    // A bar standing still says nothing more.
    const std::size_t heard = valuesOf(&bar).size();
    bar.setPosition(1000);
    EXPECT_FALSE(QTest::qWaitFor([&] { return valuesOf(&bar).size() > heard; },
                                 2 * TextProgressCtrl::kAnnounceIntervalMs));
}

}  // namespace
}  // namespace vox::panes
