// The extended list: sorting by header clicks, the text sort, the tint, the
// arrows, select-all and the focus marking.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QTest>

#include "application/panes/list_view_ex.h"

namespace vox::panes {
namespace {

class ListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        list.resize(400, 300);
        list.core().insertColumn(0, QStringLiteral("Name"), Qt::AlignLeft, 120);
        list.core().insertColumn(1, QStringLiteral("Size"), Qt::AlignRight, 60);
        list.core().insertColumn(2, QStringLiteral("Type"), Qt::AlignLeft, 80);
    }

    void addRow(const QString& name, const QString& size, const QString& type, int image = 0) {
        auto* item = new QTreeWidgetItem(&list, QStringList{name, size, type});
        item->setData(0, kImageIndexRole, image);
    }

    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            texts << list.topLevelItem(row)->text(c);
        return texts;
    }

    HeaderArrow arrowOf(int c) const {
        return static_cast<HeaderArrow>(list.headerItem()->data(c, kHeaderArrowRole).toInt());
    }

    void clickHeader(int c) {
        const QPoint centre(list.header()->sectionViewportPosition(c) + 10,
                            list.header()->height() / 2);
        QTest::mouseClick(list.header()->viewport(), Qt::LeftButton, {}, centre);
    }

    CListViewEx list;
};

TEST(SortColumnTint, FollowsTheListBackground) {
    EXPECT_EQ(sortColumnTint(QColor(255, 255, 255)), QColor(247, 247, 247));
    EXPECT_EQ(sortColumnTint(QColor(200, 100, 0)), QColor(220, 110, 0));
    EXPECT_EQ(sortColumnTint(QColor(240, 250, 250)), QColor(255, 255, 255));
    EXPECT_EQ(sortColumnTint(QColor(231, 232, 10)), QColor(254, 255, 11));
}

TEST(ArrowImages, AreNinePixelTrianglesInTheInkColour) {
    const QColor ink(120, 120, 120);
    const QImage up = arrowImage(true, ink);
    const QImage down = arrowImage(false, ink);
    ASSERT_EQ(up.size(), QSize(9, 5));
    EXPECT_EQ(up.pixelColor(4, 0), ink);
    EXPECT_EQ(up.pixelColor(3, 0).alpha(), 0);
    EXPECT_EQ(up.pixelColor(0, 4), ink);
    EXPECT_EQ(down.pixelColor(0, 0), ink);
    EXPECT_EQ(down.pixelColor(0, 4).alpha(), 0);
    EXPECT_EQ(down.pixelColor(4, 4), ink);
}

TEST_F(ListTest, HeaderClicksSortAndTheSecondColumnNeverDoes) {
    addRow("b", "2", "x");
    addRow("c", "1", "y");
    addRow("a", "3", "z");
    list.show();
    list.core().enableSorting(true, 1);
    EXPECT_EQ(arrowOf(0), HeaderArrow::Ascending);

    clickHeader(1);
    EXPECT_EQ(column(0), (QStringList{"b", "c", "a"}));
    EXPECT_EQ(list.core().sortValue(), 1);
    EXPECT_EQ(arrowOf(1), HeaderArrow::None);

    clickHeader(2);
    EXPECT_EQ(column(2), (QStringList{"x", "y", "z"}));
    EXPECT_EQ(list.core().sortValue(), 3);
    EXPECT_EQ(arrowOf(2), HeaderArrow::Ascending);
    EXPECT_EQ(arrowOf(0), HeaderArrow::None);

    clickHeader(2);
    EXPECT_EQ(column(2), (QStringList{"z", "y", "x"}));
    EXPECT_EQ(list.core().sortValue(), -3);
    EXPECT_EQ(arrowOf(2), HeaderArrow::Descending);
}

TEST_F(ListTest, ClicksDoNothingWhileSortingIsDisabled) {
    addRow("b", "2", "x");
    addRow("a", "3", "z");
    list.show();
    clickHeader(0);
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"b", "a"}));
    EXPECT_EQ(list.core().sortValue(), 1);
    EXPECT_EQ(arrowOf(0), HeaderArrow::None);
}

TEST_F(ListTest, TextSortIsByteOrderAndMovesWholeRows) {
    addRow("apple", "1", "t1", 7);
    addRow("Zebra", "2", "t2", 8);
    addRow("mango", "3", "t3", 9);
    addRow("Apple", "4", "t4", 10);
    list.topLevelItem(0)->setSelected(true);
    list.core().sort(1);
    EXPECT_EQ(column(0), (QStringList{"Apple", "Zebra", "apple", "mango"}));
    EXPECT_EQ(column(1), (QStringList{"4", "2", "1", "3"}));
    EXPECT_EQ(list.topLevelItem(2)->data(0, kImageIndexRole).toInt(), 7);
    EXPECT_TRUE(list.topLevelItem(2)->isSelected());
    EXPECT_FALSE(list.topLevelItem(0)->isSelected());

    list.core().sort(-1);  // re-applies the current value
    EXPECT_EQ(column(0), (QStringList{"Apple", "Zebra", "apple", "mango"}));
    list.core().sort(-2);  // the size column, descending
    EXPECT_EQ(column(1), (QStringList{"4", "3", "2", "1"}));
    EXPECT_EQ(column(0), (QStringList{"Apple", "mango", "Zebra", "apple"}));
}

TEST_F(ListTest, SortKeepsEveryRowAndOrdersEqualTexts) {
    const QStringList names{"d", "b", "d", "a", "c", "b", "d", "a", "e", "c", "a"};
    for (int i = 0; i < names.size(); ++i) addRow(names[i], QString::number(i), "");
    list.core().sort(1);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(column(0), sorted);
    QStringList sizes = column(1);
    std::sort(sizes.begin(), sizes.end());
    QStringList expected;
    for (int i = 0; i < names.size(); ++i) expected << QString::number(i);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sizes, expected);
}

TEST_F(ListTest, SortingAColumnThatDoesNotExistChangesNothing) {
    addRow("b", "", "");
    addRow("a", "", "");
    list.core().sort(9);
    EXPECT_EQ(column(0), (QStringList{"b", "a"}));
    EXPECT_EQ(list.core().sortedColumn(), -1);
}

TEST_F(ListTest, LetterASelectsEveryRowAndFocusesTheFirst) {
    addRow("a", "", "");
    addRow("b", "", "");
    addRow("c", "", "");
    list.show();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_A);
    EXPECT_EQ(list.selectedItems().size(), 3);
    EXPECT_EQ(list.currentIndex().row(), 0);
    list.clearSelection();
    QTest::keyClick(&list, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(list.selectedItems().size(), 3);
}

TEST_F(ListTest, FocusMarkFollowsTheFirstSelectedRow) {
    addRow("a", "", "");
    addRow("b", "", "");
    addRow("c", "", "");
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    list.show();
    list.topLevelItem(1)->setSelected(true);
    list.topLevelItem(2)->setSelected(true);

    list.activateWindow();
    list.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(list.hasFocus());
    EXPECT_EQ(list.currentIndex().row(), 1);

    list.clearFocus();
    QApplication::processEvents();
    EXPECT_FALSE(list.currentIndex().isValid());
    EXPECT_EQ(list.selectedItems().size(), 2);

    list.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(list.currentIndex().row(), 1);
}

TEST_F(ListTest, GainingFocusWithNothingSelectedMarksNoRow) {
    addRow("a", "", "");
    list.show();
    list.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(list.currentIndex().isValid());
}

TEST_F(ListTest, TintPaintsTheSortedColumnAndTheEmptyAreaBelow) {
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, QColor(200, 100, 0));
    list.setPalette(palette);
    addRow("a", "1", "x");
    list.core().enableSorting(true, 3);
    list.core().setTint(true);
    list.show();
    EXPECT_EQ(list.core().tint(), QColor(220, 110, 0));

    const QImage shot = list.viewport()->grab().toImage();
    const int typeX = list.header()->sectionViewportPosition(2) + 40;
    const int nameX = list.header()->sectionViewportPosition(0) + 100;
    const int belowRows = shot.height() - 10;
    EXPECT_EQ(shot.pixelColor(typeX, belowRows), QColor(220, 110, 0));
    EXPECT_EQ(shot.pixelColor(nameX, belowRows), QColor(200, 100, 0));
    const int rowY = list.visualItemRect(list.topLevelItem(0)).center().y();
    EXPECT_EQ(shot.pixelColor(list.header()->sectionViewportPosition(2) + 75, rowY),
              QColor(220, 110, 0));
}

TEST_F(ListTest, ColumnZeroStripColours) {
    addRow("a", "", "");
    addRow("b", "", "");
    list.core().enableSorting(true, 1);
    const QColor base = list.palette().color(QPalette::Base);
    EXPECT_EQ(list.core().column0StripColour(0, false), base);
    list.core().setTint(true);
    EXPECT_EQ(list.core().column0StripColour(0, false), list.core().tint());

    list.header()->moveSection(0, 2);
    list.topLevelItem(1)->setSelected(true);
    EXPECT_EQ(list.core().column0StripColour(1, true),
              list.palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(list.core().column0StripColour(1, false), list.palette().color(QPalette::Button));
    EXPECT_EQ(list.core().column0StripColour(0, true), list.core().tint());
}

TEST_F(ListTest, ColourChangeRecomputesTheTintAndArrows) {
    list.core().setTint(true);
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, QColor(100, 100, 100));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(1, 2, 3));
    list.setPalette(palette);
    EXPECT_EQ(list.core().tint(), QColor(110, 110, 110));
    EXPECT_EQ(list.core().arrow(true).pixelColor(4, 0), QColor(1, 2, 3));
}

}  // namespace
}  // namespace vox::panes
