#include "application/panes/hover_button.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "application/panes/readable_colours.h"
#include "application/resources/resources.h"

namespace vox::panes {

namespace {

constexpr int kFrameCount = 4;
constexpr int kHoverTimeMs = 1;
// The lit face is the button face with this much of the selection colour.
constexpr double kHighlightWeight = 0.25;

QString doubleSizeName(const QString& resourceName) {
    const qsizetype dot = resourceName.lastIndexOf(u'.');
    return dot < 0 ? resourceName + QStringLiteral("@2x")
                   : resourceName.left(dot) + QStringLiteral("@2x") + resourceName.mid(dot);
}

}  // namespace

QColor highlightedFace(const QPalette& palette) {
    return blended(palette.color(QPalette::Button), palette.color(QPalette::Highlight),
                   kHighlightWeight);
}

QImage mapStandardGreys(const QImage& bitmap, const QPalette& palette) {
    QImage mapped = bitmap.convertToFormat(QImage::Format_RGB32);
    const QRgb text = palette.color(QPalette::ButtonText).rgb();
    const QRgb shadow = palette.color(QPalette::Dark).rgb();
    const QRgb face = palette.color(QPalette::Button).rgb();
    const QRgb light = palette.color(QPalette::Light).rgb();
    const QRgb litFace = highlightedFace(palette).rgb();
    const QRgb litEdge = palette.color(QPalette::Highlight).rgb();
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
                case 0xe4eefa:
                    line[x] = litFace;
                    break;
                case 0x316ac5:
                    line[x] = litEdge;
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
    QImage bitmap;
    qreal ratio = 1;
    if (devicePixelRatioF() > 1) {
        bitmap = vox::res::image(doubleSizeName(resourceName));
        ratio = 2;
    }
    if (bitmap.isNull()) {
        bitmap = vox::res::image(resourceName);
        ratio = 1;
    }
    if (bitmap.isNull()) {
        setStrip(QImage());
        return false;
    }
    QImage mapped = mapStandardGreys(bitmap, palette());
    mapped.setDevicePixelRatio(ratio);
    setStrip(mapped);
    return true;
}

void CHoverButton::setStrip(const QImage& strip) {
    strip_ = strip;
    const qreal ratio = strip.isNull() ? 1 : strip.devicePixelRatio();
    frameWidth_ = static_cast<int>(strip.width() / ratio) / kFrameCount;
    frameHeight_ = static_cast<int>(strip.height() / ratio);
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
    const qreal ratio = strip_.devicePixelRatio();
    painter.drawImage(
        QRectF(0, 0, frameWidth_, frameHeight_), strip_,
        QRectF(currentFrame() * frameWidth_ * ratio, 0, frameWidth_ * ratio, frameHeight_ * ratio));
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
