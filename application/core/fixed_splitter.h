#pragma once
// A splitter whose bar cannot be moved: it lays its panes out like any
// splitter when it is resized, but ignores mouse presses and moves on its bar
// and shows no resize cursor, so that the toolbar forms keep the height they
// were given.

#include <QSplitter>

namespace vox::app {

class CFixedSplitter : public QSplitter {
    Q_OBJECT
  public:
    explicit CFixedSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

  protected:
    QSplitterHandle* createHandle() override;
};

}  // namespace vox::app
