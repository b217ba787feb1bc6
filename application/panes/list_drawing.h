#pragma once
// How the extended list draws what the platform's list does not: the arrows
// in its header and the colours of its cells.

#include <QHeaderView>
#include <QStyledItemDelegate>

namespace vox::panes {

class ListCore;

// A header that shows the list core's arrow right of the sorted column's title.
class ArrowHeader final : public QHeaderView {
  public:
    ArrowHeader(const ListCore& core, QWidget* parent);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    const ListCore& core_;
};

// Cell colours: the sorted column's tint, the column alignments, and the
// strip left of column 0's label.
class ListCellDelegate final : public QStyledItemDelegate {
  public:
    ListCellDelegate(const ListCore& core, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    void paintColumn0Strip(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const;

    const ListCore& core_;
};

}  // namespace vox::panes
