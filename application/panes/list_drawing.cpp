#include "application/panes/list_drawing.h"

#include <QApplication>
#include <QPainter>
#include <QTreeWidget>

#include "application/panes/list_core.h"

namespace vox::panes {

namespace {

constexpr int kArrowGap = 6;

}  // namespace

ArrowHeader::ArrowHeader(const ListCore& core, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), core_(core) {
    setSectionsMovable(true);
    setHighlightSections(false);
}

void ArrowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    const auto arrow = static_cast<HeaderArrow>(
        model()->headerData(logicalIndex, Qt::Horizontal, kHeaderArrowRole).toInt());
    if (arrow == HeaderArrow::None) return;
    const QImage& image = core_.arrow(arrow == HeaderArrow::Ascending);
    const QString title = model()->headerData(logicalIndex, Qt::Horizontal).toString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int titleRight = rect.left() + margin + fontMetrics().horizontalAdvance(title);
    const int x = std::min(titleRight + kArrowGap, rect.right() - margin - image.width());
    if (x < rect.left()) return;
    painter->save();
    painter->setClipRect(rect);
    painter->drawImage(x, rect.center().y() - image.height() / 2, image);
    painter->restore();
}

ListCellDelegate::ListCellDelegate(const ListCore& core, QObject* parent)
    : QStyledItemDelegate(parent), core_(core) {}

void ListCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = core_.columnAlignment(index.column()) | Qt::AlignVCenter;
    if (core_.tintOn()) {
        const bool sorted = index.column() == core_.sortedColumn();
        option->backgroundBrush = sorted ? core_.tint() : option->palette.color(QPalette::Base);
    }
}

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() == 0) paintColumn0Strip(painter, option, index);
}

// Repaints the strip from column 0's left edge to its label with the row's
// background and draws the row's icon into it again.
void ListCellDelegate::paintColumn0Strip(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    if (option.rect.width() <= 4) return;
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    const QRect label = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    QRect strip(option.rect.left(), option.rect.top(), label.left() - option.rect.left(),
                option.rect.height());
    strip = strip.intersected(option.rect);
    if (strip.isEmpty()) return;
    const bool focused = widget && widget->hasFocus();
    painter->fillRect(strip, core_.column0StripColour(index.row(), focused));
    if (item.icon.isNull()) return;
    const QRect iconRect =
        style->subElementRect(QStyle::SE_ItemViewItemDecoration, &item, widget).intersected(strip);
    const bool selected = option.state & QStyle::State_Selected;
    item.icon.paint(painter, iconRect, item.decorationAlignment,
                    selected && focused ? QIcon::Selected : QIcon::Normal);
}

}  // namespace vox::panes
