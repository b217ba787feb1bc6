#include "application/panes/text_progress_ctrl.h"

#include <QAccessible>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "application/panes/accessible_bar.h"
#include "application/panes/readable_colours.h"

namespace vox::panes {

namespace {

constexpr int kBorder = 2;

}  // namespace

TextProgressCtrl::TextProgressCtrl(QWidget* parent) : QWidget(parent), font_(QApplication::font()) {
    installAccessibleBars();
    // Painting covers every pixel; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    pendingAnnouncement_.setSingleShot(true);
    connect(&pendingAnnouncement_, &QTimer::timeout, this, [this] { sendValueEvent(); });
}

QColor TextProgressCtrl::barColour() const {
    return barColour_.isValid() ? barColour_ : palette().color(QPalette::Highlight);
}

QColor TextProgressCtrl::backgroundColour() const {
    return backgroundColour_.isValid() ? backgroundColour_ : palette().color(QPalette::Button);
}

QColor TextProgressCtrl::textColour() const {
    return readableOn(backgroundColour(),
                      textColour_.isValid() ? textColour_ : palette().color(QPalette::ButtonText));
}

QColor TextProgressCtrl::textOnBarColour() const {
    return readableOn(barColour(), textOnBarColour_.isValid()
                                       ? textOnBarColour_
                                       : palette().color(QPalette::HighlightedText));
}

void TextProgressCtrl::setRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
    paintedWidth_ = -1;
    update();
    announceValue();
}

int TextProgressCtrl::setPosition(int position) {
    const int previous = position_;
    position_ = position;
    redrawIfWidthChanged();
    if (position != previous) announceValue();
    return previous;
}

int TextProgressCtrl::offsetPosition(int delta) {
    return setPosition(position_ + delta);
}

int TextProgressCtrl::step() {
    return setPosition(position_ + step_);
}

int TextProgressCtrl::setStep(int step) {
    const int previous = step_;
    step_ = step;
    return previous;
}

void TextProgressCtrl::setSecondValue(int value) {
    second_ = std::clamp(value, 0, std::max(0, upper_ - position_));
}

void TextProgressCtrl::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
    announceValue();
}

void TextProgressCtrl::setSpokenText(const QString& spoken) {
    if (spoken == spoken_) return;
    spoken_ = spoken;
    announceValue();
}

QString TextProgressCtrl::spokenText() const {
    if (!spoken_.isEmpty()) return spoken_;
    if (!text_.isEmpty()) return text_;
    if (upper_ <= lower_) return {};
    const long long done = std::clamp<long long>(static_cast<long long>(position_) - lower_, 0,
                                                 static_cast<long long>(upper_) - lower_);
    return QStringLiteral("%1%").arg(done * 100 / (static_cast<long long>(upper_) - lower_));
}

// A bar may move hundreds of times a second; a screen reader hears it at
// most once per interval, and the last move always reaches it.
void TextProgressCtrl::announceValue() {
    if (!QAccessible::isActive() || pendingAnnouncement_.isActive()) return;
    const qint64 since =
        sinceAnnounced_.isValid() ? sinceAnnounced_.elapsed() : kAnnounceIntervalMs;
    if (since >= kAnnounceIntervalMs)
        sendValueEvent();
    else
        pendingAnnouncement_.start(static_cast<int>(kAnnounceIntervalMs - since));
}

void TextProgressCtrl::sendValueEvent() {
    sinceAnnounced_.start();
    QAccessibleValueChangeEvent moved(this, position_);
    QAccessible::updateAccessibility(&moved);
    const QString spoken = spokenText();
    if (spoken == announcedText_) return;
    QAccessibleTextUpdateEvent reworded(this, 0, announcedText_, spoken);
    announcedText_ = spoken;
    QAccessible::updateAccessibility(&reworded);
}

void TextProgressCtrl::setShowText(bool show) {
    if (show == showText_) return;
    showText_ = show;
    update();
}

// The part of `length` pixels that the position covers; positions outside
// the range are held to its ends.
int TextProgressCtrl::pixelWidthOf(int length) const {
    if (upper_ <= lower_) return 0;
    const long long done = std::clamp<long long>(static_cast<long long>(position_) - lower_, 0,
                                                 static_cast<long long>(upper_) - lower_);
    return static_cast<int>(done * length / (static_cast<long long>(upper_) - lower_));
}

void TextProgressCtrl::redrawIfWidthChanged() {
    if (pixelWidthOf(width()) == paintedWidth_) return;
    repaint();
}

QRect TextProgressCtrl::innerRect() const {
    return rect().adjusted(kBorder, kBorder, -kBorder, -kBorder);
}

int TextProgressCtrl::firstSegmentWidth() const {
    return pixelWidthOf(innerRect().width());
}

int TextProgressCtrl::secondSegmentWidth() const {
    if (second_ == 0 || upper_ <= 0) return 0;
    const long long remaining = innerRect().width() - firstSegmentWidth();
    return static_cast<int>(std::min<long long>(remaining, remaining * second_ / upper_));
}

void TextProgressCtrl::resizeEvent(QResizeEvent* event) {
    paintedWidth_ = -1;
    QWidget::resizeEvent(event);
}

void TextProgressCtrl::paintEvent(QPaintEvent*) {
    ++paintCount_;
    paintedWidth_ = pixelWidthOf(width());
    if (upper_ <= lower_) return;

    QPixmap buffer(size());
    QPainter painter(&buffer);
    const QRect client = rect();
    painter.fillRect(client, palette().color(QPalette::Button));
    // Sunken border: shadow along the top and the left, light along the
    // bottom and the right, two pixels each.
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    painter.fillRect(QRect(0, 0, client.width(), kBorder), shadow);
    painter.fillRect(QRect(0, 0, kBorder, client.height()), shadow);
    painter.fillRect(QRect(0, client.height() - kBorder, client.width(), kBorder), light);
    painter.fillRect(QRect(client.width() - kBorder, 0, kBorder, client.height()), light);

    const QRect inner = innerRect();
    const QRect first(inner.left(), inner.top(), firstSegmentWidth(), inner.height());
    const QRect second(first.right() + 1, inner.top(), secondSegmentWidth(), inner.height());
    const QRect rest(second.right() + 1, inner.top(), inner.right() - second.right(),
                     inner.height());
    painter.fillRect(first, barColour());
    if (second.width() > 0) painter.fillRect(second, secondColour_);
    painter.fillRect(rest, backgroundColour());

    if (showText_ && !text_.isEmpty()) {
        painter.setFont(font_);
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        painter.setClipRect(first);
        painter.setPen(textOnBarColour());
        painter.drawText(client, flags, text_);
        painter.setClipRect(rest);
        painter.setPen(textColour());
        painter.drawText(client, flags, text_);
    }
    painter.end();
    QPainter(this).drawPixmap(0, 0, buffer);
}

}  // namespace vox::panes
