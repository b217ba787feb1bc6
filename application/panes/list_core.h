#pragma once
// The behaviour both file lists share, kept apart from the widget that shows
// the rows: the sort value and the sortable header with its arrows, the text
// sort that reorders the rows in place, the tint of the sorted column and the
// focus marking that follows the selection.
//
// Rows carry no item data of their own: a row is its texts, its image index
// (kImageIndexRole on column 0) and its state (selected, focused).

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

class QTreeWidget;

namespace vox::panes {

// Item data role of a row's image index (column 0) and of a header item's
// arrow (HeaderArrow).
inline constexpr int kImageIndexRole = 0x0100;
inline constexpr int kHeaderArrowRole = 0x0101;

enum class HeaderArrow { None = 0, Ascending = 1, Descending = 2 };

// The sorted column's tint for a list background colour.
QColor sortColumnTint(const QColor& background);

// The two 9 x 5 arrows: the bitmap's black pixels in `ink`, white transparent.
QImage arrowImage(bool ascending, const QColor& ink);

class ListCore {
  public:
    explicit ListCore(QTreeWidget* owner);

    // Operations the derived views call.
    void insertColumn(int index, const QString& title, Qt::Alignment alignment, int width);
    void enableSorting(bool sortable, int sortValue);
    void setTint(bool on);
    // Sorts by `candidate` (stored as the new sort value), or by the current
    // sort value when it is -1.
    void sort(int candidate);

    // Notifications from the widget.
    void columnClicked(int column);
    void focusGained();
    void focusLost();
    void systemColoursChanged();

    int sortValue() const { return sortValue_; }
    bool sortable() const { return sortable_; }
    bool tintOn() const { return tintOn_; }
    QColor tint() const { return tint_; }
    // The sorted column when it exists in the list, else -1.
    int sortedColumn() const;
    Qt::Alignment columnAlignment(int column) const;
    const QImage& arrow(bool ascending) const {
        return ascending ? ascendingArrow_ : descendingArrow_;
    }

    // The colour of the strip between column 0's left edge and its label.
    QColor column0StripColour(int row, bool listFocused) const;

  private:
    void rebuildArrows();
    void updateHeaderArrows();
    // The sorted column's texts beside the positions of their rows.
    struct SortRows {
        std::vector<QByteArray> texts;
        std::vector<int> rows;
        bool ascending = true;
    };
    void textSort();
    void sortRange(SortRows& sorting, int first, int last);
    void applyOrder(const std::vector<int>& order);
    QByteArray rowText(int row, int column) const;
    QColor background() const;
    int firstSelectedRow() const;

    QTreeWidget* owner_;
    int sortValue_ = 1;
    bool sortable_ = false;
    bool tintOn_ = false;
    QColor tint_;
    QImage ascendingArrow_;
    QImage descendingArrow_;
    Qt::Alignment column0Alignment_ = Qt::AlignLeft;
    std::vector<Qt::Alignment> alignments_;
};

}  // namespace vox::panes
