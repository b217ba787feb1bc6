// The drag image: which rows it shows, how far it reaches, and which pixels
// it leaves out.

#include "application/panes/drag_image.h"

#include <gtest/gtest.h>

#include <QBitmap>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include "application/panes/list_view_ex.h"

namespace vox::panes {
namespace {

class DragImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        list.resize(300, 200);
        list.core().insertColumn(0, QStringLiteral("Name"), Qt::AlignLeft, 150);
        list.core().insertColumn(1, QStringLiteral("Size"), Qt::AlignRight, 60);
        list.setIconSize(QSize(16, 16));
        for (int n = 0; n < 50; ++n)
            new QTreeWidgetItem(&list, QStringList{QStringLiteral("row %1").arg(n), QString()});
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    int rowHeight() const { return list.visualItemRect(list.topLevelItem(0)).height(); }

    CListViewEx list;
};

TEST_F(DragImageTest, ShowsTheSelectedRowsInSightAcrossTheNameColumn) {
    list.topLevelItem(2)->setSelected(true);
    list.topLevelItem(4)->setSelected(true);
    list.topLevelItem(49)->setSelected(true);  // out of sight
    ASSERT_FALSE(list.visualItemRect(list.topLevelItem(49)).intersects(list.viewport()->rect()));

    const std::optional<DragImage> image = makeDragImage(list);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->rows, 2);
    EXPECT_EQ(image->origin, list.visualItemRect(list.topLevelItem(2)).topLeft());
    // From the top of row 2 to the bottom of row 4, row 3's gap included.
    EXPECT_EQ(image->pixmap.size(), QSize(150, 3 * rowHeight()));
}

TEST_F(DragImageTest, KeepsInsideTheListWhenTheNameColumnIsWiderOrScrolled) {
    list.header()->resizeSection(0, 600);
    list.topLevelItem(0)->setSelected(true);
    std::optional<DragImage> image = makeDragImage(list);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->pixmap.width(), list.viewport()->width());

    list.horizontalScrollBar()->setValue(100);
    image = makeDragImage(list);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->origin.x(), 0);
    EXPECT_EQ(image->pixmap.width(), list.viewport()->width());
}

TEST_F(DragImageTest, NothingInSightGivesNoImage) {
    EXPECT_FALSE(makeDragImage(list).has_value());  // nothing selected
    list.topLevelItem(49)->setSelected(true);
    EXPECT_FALSE(makeDragImage(list).has_value());
    list.scrollToItem(list.topLevelItem(49));
    const std::optional<DragImage> image = makeDragImage(list);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->rows, 1);
}

TEST_F(DragImageTest, PureGreenIsTransparentAndEverythingElseShows) {
    QPixmap icon(16, 16);
    icon.fill(QColor(0, 255, 0));
    {
        QPainter painter(&icon);
        painter.fillRect(0, 0, 8, 16, QColor(0, 254, 0));  // nearly green stays
    }
    list.topLevelItem(0)->setIcon(0, QIcon(icon));
    list.topLevelItem(0)->setSelected(true);
    const std::optional<DragImage> image = makeDragImage(list);
    ASSERT_TRUE(image.has_value());
    const QImage mask = image->pixmap.mask().toImage();
    const QImage shown = image->pixmap.toImage();
    int hidden = 0;
    int nearlyGreen = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const bool transparent = mask.pixelIndex(x, y) == 0;
            hidden += transparent;
            nearlyGreen += !transparent && shown.pixelColor(x, y) == QColor(0, 254, 0);
        }
    }
    EXPECT_EQ(hidden, 8 * 16);
    EXPECT_EQ(nearlyGreen, 8 * 16);
}

}  // namespace
}  // namespace vox::panes
