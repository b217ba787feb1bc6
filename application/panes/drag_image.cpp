#include "application/panes/drag_image.h"

#include <QBitmap>
#include <QHeaderView>
#include <QPainter>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

namespace vox::panes {

namespace {

constexpr int kCellPadding = 2;

// The name cell of `row` in viewport coordinates, kept inside the viewport's
// width; empty when the row is out of sight. A row cut by the bottom edge
// counts: it may be the very row the user took hold of.
QRect visibleNameCell(const QTreeWidget& list, const QTreeWidgetItem* row) {
    const QRect rowRect = list.visualItemRect(row);
    const QRect view = list.viewport()->rect();
    if (!rowRect.isValid() || !rowRect.intersects(view)) return {};
    const QHeaderView* header = list.header();
    QRect cell(header->sectionViewportPosition(0), rowRect.top(), header->sectionSize(0),
               rowRect.height());
    cell.setLeft(std::max(cell.left(), view.left()));
    cell.setRight(std::min(cell.right(), view.right()));
    return cell.isValid() ? cell : QRect();
}

void drawRow(QPainter& painter, const QTreeWidget& list, const QTreeWidgetItem* row,
             const QRect& cell) {
    QRect text = cell.adjusted(kCellPadding, 0, -kCellPadding, 0);
    const QIcon icon = row->icon(0);
    if (!icon.isNull()) {
        const QSize size = list.iconSize();
        const QRect place(text.left(), cell.top() + (cell.height() - size.height()) / 2,
                          size.width(), size.height());
        icon.paint(&painter, place);
        text.setLeft(place.right() + 1 + kCellPadding);
    }
    painter.setPen(list.palette().color(QPalette::Text));
    painter.setFont(list.font());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     list.fontMetrics().elidedText(row->text(0), Qt::ElideRight, text.width()));
}

}  // namespace

std::optional<DragImage> makeDragImage(const QTreeWidget& list) {
    std::vector<std::pair<const QTreeWidgetItem*, QRect>> shown;
    QRect area;
    for (int index = 0; index < list.topLevelItemCount(); ++index) {
        const QTreeWidgetItem* row = list.topLevelItem(index);
        if (!row->isSelected() || row->isHidden()) continue;
        const QRect cell = visibleNameCell(list, row);
        if (cell.isEmpty()) continue;
        shown.emplace_back(row, cell);
        area |= cell;
    }
    if (shown.empty()) return std::nullopt;

    QPixmap pixmap(area.size());
    pixmap.fill(list.palette().color(QPalette::Base));
    {
        QPainter painter(&pixmap);
        for (const auto& [row, cell] : shown)
            drawRow(painter, list, row, cell.translated(-area.topLeft()));
    }
    pixmap.setMask(pixmap.createMaskFromColor(QColor::fromRgb(kDragMaskColour), Qt::MaskInColor));
    return DragImage{pixmap, area.topLeft(), static_cast<int>(shown.size())};
}

}  // namespace vox::panes
