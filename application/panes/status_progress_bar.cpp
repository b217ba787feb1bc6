#include "application/panes/status_progress_bar.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>
#include <algorithm>

namespace vox::panes {

CProgressBar::CProgressBar(QStatusBar* statusBar, QLabel* pane, int paneIndex)
    : statusBar_(statusBar), pane_(pane), paneIndex_(paneIndex) {}

std::unique_ptr<CProgressBar> CProgressBar::create(QStatusBar* statusBar, QLabel* pane,
                                                   int paneIndex, const QString& message, int size,
                                                   int maximum) {
    if (!statusBar || !pane) return nullptr;
    std::unique_ptr<CProgressBar> bar(new CProgressBar(statusBar, pane, paneIndex));
    bar->control_ = std::make_unique<TextProgressCtrl>(statusBar);
    bar->control_->setAccessibleName(QStringLiteral("Memory use"));
    bar->control_->setAccessibleDescription(QStringLiteral("The recorder's used memory"));
    bar->control_->setGeometry(pane->geometry());
    bar->control_->setRange(0, maximum);
    bar->control_->setStep(1);
    bar->control_->show();
    bar->message_ = message;
    bar->size_ = size;
    bar->previousText_ = pane->text();
    pane->installEventFilter(bar.get());
    bar->resize();
    return bar;
}

CProgressBar::~CProgressBar() {
    if (pane_) pane_->removeEventFilter(this);
}

void CProgressBar::destroy(const QString& idleText) {
    if (!control_) return;
    control_->hide();
    pane_->setText(paneIndex_ == 0 ? idleText : previousText_);
    statusBar_->update();
    pane_->removeEventFilter(this);
    control_.reset();
}

void CProgressBar::setText(const QString& message) {
    message_ = message;
    resize();
}

void CProgressBar::setSize(int percent) {
    size_ = percent;
    resize();
}

void CProgressBar::setRange(int lower, int upper) {
    if (control_) control_->setRange(lower, upper);
}

void CProgressBar::show() {
    if (control_ && !control_->isVisible()) control_->show();
}

int CProgressBar::setPosition(int position) {
    show();
    return control_ ? control_->setPosition(position) : 0;
}

int CProgressBar::offsetPosition(int delta) {
    show();
    return control_ ? control_->offsetPosition(delta) : 0;
}

int CProgressBar::step() {
    show();
    return control_ ? control_->step() : 0;
}

void CProgressBar::setBarColour(const QColor& colour) {
    if (control_) control_->setBarColour(colour);
}

void CProgressBar::setBackgroundColour(const QColor& colour) {
    if (control_) control_->setBackgroundColour(colour);
}

// The message, four spaces, then `size_` percent of the rest of the pane.
void CProgressBar::resize() {
    if (!control_) return;
    if (control_->isVisible()) pane_->setText(message_);
    const QFontMetrics metrics(statusBar_->font());
    QRect area = pane_->geometry();
    if (!message_.isEmpty())
        area.setLeft(area.left() + metrics.horizontalAdvance(message_) +
                     4 * metrics.horizontalAdvance(u' '));
    const int width = area.width() > 0 ? area.width() : 0;
    area.setRight(std::max(area.left(), area.right() - width * (100 - size_) / 100));
    const int tenth = area.height() / 10;
    area.adjust(0, tenth, 0, -tenth);
    if (area == placed_) return;
    control_->setGeometry(area);
    placed_ = area;
}

bool CProgressBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pane_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        resize();
    return false;
}

}  // namespace vox::panes
