#pragma once
// A progress bar that paints itself: a sunken border, a first segment for the
// progress, an optional second segment after it, and a centred line of text
// drawn over both the bar and the rest in their own colours. It repaints only
// when the first segment's width in pixels changes, so frequent position
// updates cost nothing visible.

#include <QColor>
#include <QFont>
#include <QWidget>

namespace vox::panes {

class TextProgressCtrl : public QWidget {
    Q_OBJECT
  public:
    explicit TextProgressCtrl(QWidget* parent = nullptr);

    void setRange(int lower, int upper);
    int lower() const { return lower_; }
    int upper() const { return upper_; }
    // Each returns the previous position.
    int setPosition(int position);
    int offsetPosition(int delta);
    int step();
    int setStep(int step);
    int position() const { return position_; }
    // Kept between 0 and upper - position.
    void setSecondValue(int value);
    int secondValue() const { return second_; }

    void setText(const QString& text);
    QString text() const { return text_; }
    void setShowText(bool show);
    bool showText() const { return showText_; }

    void setBarColour(const QColor& colour) { barColour_ = colour; }
    void setSecondColour(const QColor& colour) { secondColour_ = colour; }
    void setAlternativeSecondColour(const QColor& colour) { alternativeSecond_ = colour; }
    QColor alternativeSecondColour() const { return alternativeSecond_; }
    void setBackgroundColour(const QColor& colour) { backgroundColour_ = colour; }
    void setTextColour(const QColor& colour) { textColour_ = colour; }
    void setTextOnBarColour(const QColor& colour) { textOnBarColour_ = colour; }

    // Geometry of the last paint, for the drawing's users.
    QRect innerRect() const;
    int firstSegmentWidth() const;
    int secondSegmentWidth() const;
    int paintCount() const { return paintCount_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int pixelWidthOf(int length) const;
    void redrawIfWidthChanged();

    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    int step_ = 1;
    int second_ = 0;
    QString text_;
    bool showText_ = true;
    QFont font_;
    QColor barColour_;
    QColor secondColour_{10, 255, 10};
    QColor alternativeSecond_{255, 10, 10};
    QColor backgroundColour_;
    QColor textColour_;
    QColor textOnBarColour_;
    int paintedWidth_ = -1;
    int paintCount_ = 0;
};

}  // namespace vox::panes
