#include "application/panes/hover_button.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "application/resources/resources.h"

namespace vox::panes {

namespace {

constexpr int kFrameCount = 4;
constexpr int kHoverTimeMs = 1;

}  // namespace

QImage mapStandardGreys(const QImage& bitmap, const QPalette& palette) {
    QImage mapped = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb text = palette.color(QPalette::ButtonText).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb light = palette.color(QPalette::Light).rgb();
    for (int y = 0; y < mapped.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(mapped.scanLine(y));
        for (int x = 0; x < mapped.width(); ++x) {
            switch (line[x] & 0xffffff) {
                case 0x000000:
                    line[x] = text;
                    break;
                case 0x808080:
                    line[x] = shadow;
                    break;
                case 0xc0c0c0:
                    line[x] = face;
                    break;
                case 0xffffff:
                    line[x] = light;
                    break;
                default:
                    break;
            }
        }
    }
    return mapped;
}

CHoverButton::CHoverButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    hoverTimer_.setSingleShot(true);
    hoverTimer_.setInterval(kHoverTimeMs);
    connect(&hoverTimer_, &QTimer::timeout, this, [this] {
        if (tracking_) setHighlighted(true);
    });
}

bool CHoverButton::loadBitmap(const QString& resourceName) {
    const QImage bitmap = vox::res::image(resourceName);
    if (bitmap.isNull()) {
        setStrip(QImage());
        return false;
    }
    setStrip(mapStandardGreys(bitmap, palette()));
    return true;
}

void CHoverButton::setStrip(const QImage& strip) {
    strip_ = strip;
    frameWidth_ = strip.width() / kFrameCount;
    frameHeight_ = strip.height();
    resize(frameWidth_, frameHeight_);
    updateGeometry();
    update();
}

void CHoverButton::setTooltipText(const QString& text, bool activate) {
    toolId_ = kToolId;
    toolText_ = text;
    activateTooltip(activate);
}

void CHoverButton::setTooltipFromTable(const QString& key, bool activate) {
    const QString text = vox::res::text(key);
    if (text.isEmpty()) return;
    setTooltipText(text, activate);
}

void CHoverButton::activateTooltip(bool active) {
    if (toolId_ == 0) return;
    toolActive_ = active;
    if (!active) QToolTip::hideText();
}

CHoverButton::Frame CHoverButton::currentFrame() const {
    if (isDown()) return Pressed;
    if (!isEnabled()) return Disabled;
    if (highlighted_) return Highlighted;
    return Normal;
}

QSize CHoverButton::sizeHint() const {
    return {frameWidth_, frameHeight_};
}

void CHoverButton::paintEvent(QPaintEvent*) {
    if (strip_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), strip_,
                      QRect(currentFrame() * frameWidth_, 0, frameWidth_, frameHeight_));
}

void CHoverButton::mouseMoveEvent(QMouseEvent* event) {
    if (!tracking_) {
        tracking_ = true;
        hoverTimer_.start();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CHoverButton::leaveEvent(QEvent* event) {
    tracking_ = false;
    hoverTimer_.stop();
    setHighlighted(false);
    QAbstractButton::leaveEvent(event);
}

void CHoverButton::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    setHighlighted(true);
}

void CHoverButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    setHighlighted(false);
}

bool CHoverButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (toolId_ != 0 && toolActive_)
            QToolTip::showText(help->globalPos(), toolText_, this, rect());
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractButton::event(event);
}

void CHoverButton::setHighlighted(bool on) {
    if (highlighted_ == on) return;
    highlighted_ = on;
    update();
}

}  // namespace vox::panes
