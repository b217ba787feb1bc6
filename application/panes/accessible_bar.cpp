#include "application/panes/accessible_bar.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "application/panes/text_progress_ctrl.h"

namespace vox::panes {

namespace {

// The value text is also offered as read-only text, which is how the
// desktop's bus hands a screen reader the words ("42% Complete (2/3)").
class AccessibleBar final : public QAccessibleWidget,
                            public QAccessibleValueInterface,
                            public QAccessibleTextInterface {
  public:
    explicit AccessibleBar(TextProgressCtrl* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return bar()->spokenText();
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return bar()->position(); }
    // The user reads a bar; only the program moves it.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return bar()->upper(); }
    QVariant minimumValue() const override { return bar()->lower(); }
    QVariant minimumStepSize() const override { return 1; }

    QString text(int start, int end) const override {
        return bar()->spokenText().mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(bar()->spokenText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    TextProgressCtrl* bar() const { return static_cast<TextProgressCtrl*>(widget()); }
};

QAccessibleInterface* barInterface(const QString&, QObject* object) {
    if (auto* bar = qobject_cast<TextProgressCtrl*>(object)) return new AccessibleBar(bar);
    return nullptr;
}

}  // namespace

void installAccessibleBars() {
    static const bool installed = [] {
        QAccessible::installFactory(barInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace vox::panes
