// Build tool: turns a 42 x 36 button glyph (SVG) into the button's bitmap
// strip of four frames side by side: normal, pressed, highlighted, disabled.
// A scale of 2 draws the same strip at twice the size for scaled screens,
// the glyph rendered from its vector outlines rather than enlarged.
//   render_strip GLYPH.svg STRIP.png [SCALE]

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kFrameWidth = 42;
constexpr int kFrameHeight = 36;

// The standard greys; loading the strip maps them to the current 3D colours.
const QColor kFace(0xc0, 0xc0, 0xc0);
const QColor kHighlightFace(0xe4, 0xee, 0xfa);
const QColor kLight(0xff, 0xff, 0xff);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kDark(0x00, 0x00, 0x00);
const QColor kHighlightEdge(0x31, 0x6a, 0xc5);

enum Frame { Normal, Pressed, Highlighted, Disabled };

QImage glyphImage(QSvgRenderer& svg, int scale) {
    QImage glyph(kFrameWidth * scale, kFrameHeight * scale, QImage::Format_ARGB32_Premultiplied);
    glyph.setDevicePixelRatio(scale);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    svg.render(&painter, QRectF(0, 0, kFrameWidth, kFrameHeight));
    return glyph;
}

// The disabled look: the glyph's shape in the shadow grey, embossed white.
QImage greyed(const QImage& glyph, const QColor& colour) {
    QImage out = glyph.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const int alpha = qAlpha(out.pixel(x, y));
            out.setPixel(x, y, qRgba(colour.red(), colour.green(), colour.blue(), alpha));
        }
    return out;
}

void drawEdges(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void drawFrame(QPainter& p, Frame frame, const QImage& glyph) {
    const QRect outer(0, 0, kFrameWidth, kFrameHeight);
    p.fillRect(outer, frame == Highlighted ? kHighlightFace : kFace);
    switch (frame) {
        case Normal:
        case Disabled:
            drawEdges(p, outer, kLight, kDark);
            drawEdges(p, outer.adjusted(1, 1, -1, -1), kFace, kShadow);
            break;
        case Pressed:
            drawEdges(p, outer, kDark, kLight);
            drawEdges(p, outer.adjusted(1, 1, -1, -1), kShadow, kFace);
            break;
        case Highlighted:
            drawEdges(p, outer, kHighlightEdge, kHighlightEdge);
            drawEdges(p, outer.adjusted(1, 1, -1, -1), kLight, kShadow);
            break;
    }
    if (frame == Disabled) {
        p.drawImage(1, 1, greyed(glyph, kLight));
        p.drawImage(0, 0, greyed(glyph, kShadow));
    } else {
        p.drawImage(frame == Pressed ? QPoint(1, 1) : QPoint(0, 0), glyph);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int scale = argc == 4 ? std::atoi(argv[3]) : 1;
    if ((argc != 3 && argc != 4) || scale < 1 || scale > 4) {
        std::fprintf(stderr, "usage: render_strip GLYPH.svg STRIP.png [SCALE]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_strip: cannot read %s\n", argv[1]);
        return 1;
    }
    const QImage glyph = glyphImage(svg, scale);
    QImage strip(4 * kFrameWidth * scale, kFrameHeight * scale, QImage::Format_RGB32);
    strip.setDevicePixelRatio(scale);
    QPainter painter(&strip);
    for (int frame = Normal; frame <= Disabled; ++frame) {
        painter.save();
        painter.translate(frame * kFrameWidth, 0);
        drawFrame(painter, static_cast<Frame>(frame), glyph);
        painter.restore();
    }
    painter.end();
    if (!strip.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "render_strip: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
