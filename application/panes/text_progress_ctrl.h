#pragma once
// A progress bar that paints itself: a sunken border, a first segment for the
// progress, an optional second segment after it, and a centred line of text
// drawn over both the bar and the rest in their own colours. It repaints only
// when the first segment's width in pixels changes, so frequent position
// updates cost nothing visible. Screen readers see it as a progress bar
// with a value and hear its moves at most a few times a second.

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>
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
    // What a screen reader says of the bar: `spoken` when it was given
    // (the shown text may be terse), else the shown text, else the percent.
    void setSpokenText(const QString& spoken);
    QString spokenText() const;
    // The shortest time between two value announcements.
    static constexpr int kAnnounceIntervalMs = 250;

    void setBarColour(const QColor& colour) { barColour_ = colour; }
    void setSecondColour(const QColor& colour) { secondColour_ = colour; }
    void setAlternativeSecondColour(const QColor& colour) { alternativeSecond_ = colour; }
    QColor alternativeSecondColour() const { return alternativeSecond_; }
    void setBackgroundColour(const QColor& colour) { backgroundColour_ = colour; }
    void setTextColour(const QColor& colour) { textColour_ = colour; }
    void setTextOnBarColour(const QColor& colour) { textOnBarColour_ = colour; }
    // The colours the bar is drawn in: those set, else the palette's. A text
    // colour that would not read well on its fill gives way to black or white.
    QColor barColour() const;
    QColor backgroundColour() const;
    QColor textColour() const;
    QColor textOnBarColour() const;

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
    void announceValue();
    void sendValueEvent();

    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
    int step_ = 1;
    int second_ = 0;
    QString text_;
    QString spoken_;
    bool showText_ = true;
    QFont font_;
    // Invalid colours follow the palette.
    QColor barColour_;
    QColor secondColour_{10, 255, 10};
    QColor alternativeSecond_{255, 10, 10};
    QColor backgroundColour_;
    QColor textColour_;
    QColor textOnBarColour_;
    int paintedWidth_ = -1;
    int paintCount_ = 0;
    QElapsedTimer sinceAnnounced_;
    QString announcedText_;
    QTimer pendingAnnouncement_;
};

}  // namespace vox::panes
