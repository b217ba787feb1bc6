#pragma once
// A progress bar inside one pane of the main window's status bar: the pane
// shows a message at its left and the bar takes a share of the room right of
// it, a tenth of the height kept free above and below. It follows the pane
// when the window is resized and gives the pane its text back when it goes.

#include <QObject>
#include <QRect>
#include <QString>
#include <memory>

#include "application/panes/text_progress_ctrl.h"

class QLabel;
class QStatusBar;

namespace vox::panes {

class CProgressBar final : public QObject {
  public:
    // A bar in `pane` (index `paneIndex`) of `statusBar`, range 0 to
    // `maximum`, step 1; null when there is no status bar or pane.
    static std::unique_ptr<CProgressBar> create(QStatusBar* statusBar, QLabel* pane, int paneIndex,
                                                const QString& message, int size, int maximum);
    // Hides the bar and gives the pane its earlier text back ("Ready" for
    // pane 0, `idleText`).
    void destroy(const QString& idleText);
    ~CProgressBar() override;

    void setText(const QString& message);
    void setSize(int percent);
    void setRange(int lower, int upper);
    int setPosition(int position);
    int offsetPosition(int delta);
    int step();
    void setBarColour(const QColor& colour);
    void setBackgroundColour(const QColor& colour);
    // Places the bar in its pane again.
    void resize();

    TextProgressCtrl* control() const { return control_.get(); }
    QString message() const { return message_; }
    QString previousText() const { return previousText_; }
    QRect placedRect() const { return placed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CProgressBar(QStatusBar* statusBar, QLabel* pane, int paneIndex);
    void show();

    QStatusBar* statusBar_;
    QLabel* pane_;
    int paneIndex_;
    std::unique_ptr<TextProgressCtrl> control_;
    QString message_;
    QString previousText_;
    int size_ = 100;
    QRect placed_;
};

}  // namespace vox::panes
