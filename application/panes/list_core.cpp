#include "application/panes/list_core.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <cstdlib>
#include <string>

#include "application/resources/resources.h"
#include "platform/text/conversion.h"

namespace vox::panes {

namespace {

constexpr int kArrowWidth = 9;
constexpr int kArrowHeight = 5;

}  // namespace

QColor sortColumnTint(const QColor& background) {
    const int r = background.red(), g = background.green(), b = background.blue();
    if (r > 240 && g > 240 && b > 240) return QColor(r - 8, g - 8, b - 8);
    const auto lift = [](int c) { return c < 232 ? c + c / 10 : 255; };
    return QColor(lift(r), lift(g), lift(b));
}

QImage arrowImage(bool ascending, const QColor& ink) {
    const QImage bitmap = vox::res::image(ascending ? QStringLiteral("bitmaps/135_arrow_up.pbm")
                                                    : QStringLiteral("bitmaps/136_arrow_down.pbm"));
    QImage arrow(kArrowWidth, kArrowHeight, QImage::Format_ARGB32);
    arrow.fill(Qt::transparent);
    if (bitmap.isNull()) return arrow;
    for (int y = 0; y < kArrowHeight && y < bitmap.height(); ++y)
        for (int x = 0; x < kArrowWidth && x < bitmap.width(); ++x)
            if (qGray(bitmap.pixel(x, y)) < 128) arrow.setPixelColor(x, y, ink);
    return arrow;
}

ListCore::ListCore(QTreeWidget* owner) : owner_(owner) {
    rebuildArrows();
}

void ListCore::insertColumn(int index, const QString& title, Qt::Alignment alignment, int width) {
    const int count = owner_->columnCount();
    index = std::clamp(index, 0, count);
    if (index == count)
        owner_->setColumnCount(count + 1);
    else
        owner_->model()->insertColumn(index);
    alignments_.insert(alignments_.begin() + std::min<std::size_t>(index, alignments_.size()),
                       alignment);
    QTreeWidgetItem* header = owner_->headerItem();
    header->setText(index, title);
    if (index == 0) {
        column0Alignment_ = alignment;
        if (owner_->selectionBehavior() == QAbstractItemView::SelectRows)
            header->setTextAlignment(0, alignment | Qt::AlignVCenter);
    } else {
        header->setTextAlignment(index, alignment | Qt::AlignVCenter);
    }
    owner_->setColumnWidth(index, width);
    updateHeaderArrows();
}

void ListCore::enableSorting(bool sortable, int sortValue) {
    sortable_ = sortable;
    sortValue_ = sortValue;
    updateHeaderArrows();
}

void ListCore::setTint(bool on) {
    tintOn_ = on;
    if (on) tint_ = sortColumnTint(background());
    owner_->viewport()->update();
}

void ListCore::sort(int candidate) {
    if (candidate != -1) {
        sortValue_ = candidate;
        updateHeaderArrows();
    }
    textSort();
}

void ListCore::columnClicked(int column) {
    if (!sortable_ || column == 1) return;
    sortValue_ = column + 1 == std::abs(sortValue_) ? -sortValue_ : column + 1;
    updateHeaderArrows();
    textSort();
}

void ListCore::focusGained() {
    const int row = firstSelectedRow();
    if (row < 0) return;
    owner_->selectionModel()->setCurrentIndex(owner_->model()->index(row, 0),
                                              QItemSelectionModel::NoUpdate);
}

void ListCore::focusLost() {
    const int row = firstSelectedRow();
    if (row < 0 || owner_->currentIndex().row() != row) return;
    owner_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void ListCore::systemColoursChanged() {
    rebuildArrows();
    updateHeaderArrows();
    if (tintOn_) tint_ = sortColumnTint(background());
}

int ListCore::sortedColumn() const {
    const int column = std::abs(sortValue_) - 1;
    return column < owner_->columnCount() ? column : -1;
}

Qt::Alignment ListCore::columnAlignment(int column) const {
    if (column == 0) return column0Alignment_;
    return column < static_cast<int>(alignments_.size()) ? alignments_[column] : Qt::AlignLeft;
}

QColor ListCore::column0StripColour(int row, bool listFocused) const {
    const QTreeWidgetItem* item = owner_->topLevelItem(row);
    const bool selected = item && item->isSelected();
    const bool columnMoved = owner_->header()->visualIndex(0) != 0;
    if (owner_->selectionBehavior() == QAbstractItemView::SelectRows && columnMoved && selected)
        return listFocused ? owner_->palette().color(QPalette::Active, QPalette::Highlight)
                           : owner_->palette().color(QPalette::Button);
    if (tintOn_ && sortedColumn() == 0) return tint_;
    return background();
}

void ListCore::rebuildArrows() {
    const QColor ink = owner_->palette().color(QPalette::Disabled, QPalette::Text);
    ascendingArrow_ = arrowImage(true, ink);
    descendingArrow_ = arrowImage(false, ink);
    owner_->header()->viewport()->update();
}

void ListCore::updateHeaderArrows() {
    QTreeWidgetItem* header = owner_->headerItem();
    const int sorted = sortedColumn();
    for (int column = 0; column < owner_->columnCount(); ++column) {
        HeaderArrow arrow = HeaderArrow::None;
        if (sortable_ && column == sorted)
            arrow = sortValue_ > 0 ? HeaderArrow::Ascending : HeaderArrow::Descending;
        header->setData(column, kHeaderArrowRole, static_cast<int>(arrow));
    }
    owner_->header()->viewport()->update();
}

// The texts are read once; the quicksort then works on them beside the
// rows' positions, and the rows are put in their new order in one step.
void ListCore::textSort() {
    const int column = std::abs(sortValue_) - 1;
    const int rows = owner_->topLevelItemCount();
    if (column < 0 || column >= owner_->columnCount() || rows < 2) return;
    SortRows sorting;
    sorting.ascending = sortValue_ > 0;
    for (int row = 0; row < rows; ++row) {
        sorting.texts.push_back(rowText(row, column));
        sorting.rows.push_back(row);
    }
    sortRange(sorting, 0, rows - 1);
    applyOrder(sorting.rows);
}

// Quicksort over the rows, pivot at the middle index; rows with equal texts
// are never exchanged.
void ListCore::sortRange(SortRows& sorting, int first, int last) {
    const QByteArray pivot = sorting.texts[(first + last) / 2];
    const auto before = [&](int row) {
        return sorting.ascending ? sorting.texts[row] < pivot : sorting.texts[row] > pivot;
    };
    const auto after = [&](int row) {
        return sorting.ascending ? sorting.texts[row] > pivot : sorting.texts[row] < pivot;
    };
    int i = first;
    int j = last;
    do {
        while (before(i) && i < last) ++i;
        while (after(j) && j > first) --j;
        if (i <= j) {
            if (sorting.texts[i] != sorting.texts[j]) {
                std::swap(sorting.texts[i], sorting.texts[j]);
                std::swap(sorting.rows[i], sorting.rows[j]);
            }
            ++i;
            --j;
        }
    } while (i <= j);
    if (first < j) sortRange(sorting, first, j);
    if (i < last) sortRange(sorting, i, last);
}

// Moves every row, with all it is (texts, icon, image index, item data,
// alignment, selection and whether it is the focused row), to its place in
// `order`. The selection is the same afterwards, so nobody hears of it.
void ListCore::applyOrder(const std::vector<int>& order) {
    if (std::is_sorted(order.begin(), order.end())) return;
    const QSignalBlocker quiet(owner_);
    const QList<QTreeWidgetItem*> selected = owner_->selectedItems();
    const int currentRow = owner_->currentIndex().row();
    QTreeWidgetItem* current = currentRow >= 0 ? owner_->topLevelItem(currentRow) : nullptr;
    const QList<QTreeWidgetItem*> rows = owner_->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(rows.size());
    for (int row : order) sorted.append(rows[row]);
    owner_->addTopLevelItems(sorted);
    for (QTreeWidgetItem* item : selected) item->setSelected(true);
    if (current)
        owner_->selectionModel()->setCurrentIndex(
            owner_->model()->index(owner_->indexOfTopLevelItem(current), 0),
            QItemSelectionModel::NoUpdate);
}

// The text as bytes of the ANSI code page, compared byte by byte.
QByteArray ListCore::rowText(int row, int column) const {
    const QString text = owner_->topLevelItem(row)->text(column);
    const std::string ansi = vox::text::fromWide(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
    return QByteArray(ansi.data(), static_cast<qsizetype>(ansi.size()));
}

QColor ListCore::background() const {
    return owner_->palette().color(QPalette::Base);
}

int ListCore::firstSelectedRow() const {
    for (int row = 0; row < owner_->topLevelItemCount(); ++row)
        if (owner_->topLevelItem(row)->isSelected()) return row;
    return -1;
}

}  // namespace vox::panes
