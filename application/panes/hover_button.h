#pragma once
// The picture button of the toolbars: one bitmap strip holds its four looks
// side by side (normal, pressed, highlighted, disabled). It lights up while
// the pointer rests on it or while it has the keyboard focus, and it shows a
// tooltip.

#include <QAbstractButton>
#include <QImage>
#include <QTimer>

namespace vox::panes {

class CHoverButton : public QAbstractButton {
    Q_OBJECT
  public:
    enum Frame { Normal = 0, Pressed = 1, Highlighted = 2, Disabled = 3 };
    static constexpr int kToolId = 1;

    explicit CHoverButton(QWidget* parent = nullptr);

    // Loads the strip (a resource name such as "bitmaps/139_download.png")
    // with the standard greys mapped to the current 3D colours, and sizes the
    // button to one frame. On a scaled screen the strip drawn at twice the
    // size ("...@2x.png") is taken where there is one. False, and no strip,
    // when it cannot be loaded.
    bool loadBitmap(const QString& resourceName);
    // Uses `strip` as it is.
    void setStrip(const QImage& strip);

    // The caption the button stands for, with its '&' mnemonic mark; the
    // picture shows no text, so the caption serves the tooltip and the key.
    void setCaption(const QString& caption) { caption_ = caption; }
    QString caption() const { return caption_; }

    void setTooltipText(const QString& text, bool activate = true);
    // The text of string-table entry `key`; an empty entry sets nothing.
    void setTooltipFromTable(const QString& key, bool activate = true);
    void activateTooltip(bool active);

    Frame currentFrame() const;
    QSize frameSize() const { return {frameWidth_, frameHeight_}; }
    bool highlighted() const { return highlighted_; }
    // Tool id of the tooltip's one tool, 0 while it has none.
    int tooltipTool() const { return toolId_; }
    QString tooltipText() const { return toolText_; }
    bool tooltipActive() const { return toolActive_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void setHighlighted(bool on);

    QString caption_;
    QImage strip_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    bool highlighted_ = false;
    bool tracking_ = false;
    QTimer hoverTimer_;
    int toolId_ = 0;
    QString toolText_;
    bool toolActive_ = false;
};

// The standard greys of a bitmap resource mapped to the widget's 3D colours:
// black to the button text, dark grey to the shadow, light grey to the face
// and white to the highlight; the lit face and its edge follow the palette's
// selection colour, so that a dark palette gets no bright face.
QImage mapStandardGreys(const QImage& bitmap, const QPalette& palette);
// The face of a lit button under `palette`.
QColor highlightedFace(const QPalette& palette);

}  // namespace vox::panes
