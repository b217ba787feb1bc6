#pragma once
// The player strip under the main window's panes: Play/Pause, Stop, skip
// back and forward, a position slider with the elapsed and total time, the
// speed, and the name of the file playing. It plays a PC voice or WAV file
// in place and a recorder voice file from a copy fetched into the cache
// folder first; the fetch is refused while a transfer, format or conversion
// uses the recorder.

#include <QFrame>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "engine/playback/marks.h"
#include "engine/playback/player.h"
#include "engine/rules/recorder_listing.h"

class QComboBox;
class QShortcut;
class QLabel;
class QSlider;
class QToolButton;

namespace vox::app {

class CPelmarchDoc;
class PedalReader;
class CDirList;
class CFlashList;

class PlayerStrip final : public QFrame {
    Q_OBJECT
  public:
    explicit PlayerStrip(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~PlayerStrip() override;

    // Opens and plays a PC file; a file that is no recording says why in a box.
    void playPcFile(const std::string& path);
    // Fetches a recorder file of the folder shown and plays the copy.
    void playRecorderFile(const rules::ListedFile& file);
    // Play/Pause: with nothing open, plays the selected file of the list
    // used last.
    void playPause();
    void stopPlaying();
    void skip(int steps);
    void seekTo(std::uint64_t sample);
    void setSpeed(double speed);

    // Space in either list plays its selected file; a double click on a
    // recorder voice file plays it (the PC list's double click keeps opening
    // files with the desktop's program).
    void watchLists(CDirList* pcList, CFlashList* recorderList);

    // Marks of the file playing: one at the position heard, a jump to one,
    // and one copied to the clipboard as "[hh:mm:ss]".
    void addMark();
    void jumpToMark(int index);
    void copyMark(int index);
    const playback::Marks* marks() const { return marks_.get(); }

    // Takes the keys and the pedal from the settings again.
    void applySettings();

    playback::Player& player() { return player_; }
    bool fetching() const { return fetch_.joinable(); }

  signals:
    // The state, the speed or the file changed (not the position alone).
    void playerChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void describeControls();
    bool playSelectionOf(QObject* list);
    bool playSelectedPcFile();
    bool playSelectedRecorderFile();
    void buildMarks();
    void showMarks();
    void startPlaying(const std::string& path, const std::string& title,
                      const std::string& identity);
    void fetchFinished(const std::string& path, const std::string& error, const std::string& title,
                       const std::string& identity);
    void showState();
    void showPosition();
    void tell(const QString& text);

    CPelmarchDoc& doc_;
    playback::Player player_;
    QTimer pump_;
    QToolButton* playButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QToolButton* backButton_ = nullptr;
    QToolButton* forwardButton_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* time_ = nullptr;
    QComboBox* speed_ = nullptr;
    QLabel* name_ = nullptr;
    QToolButton* markButton_ = nullptr;
    QComboBox* markList_ = nullptr;
    QToolButton* copyButton_ = nullptr;
    QShortcut* playKey_ = nullptr;
    QShortcut* backKey_ = nullptr;
    QShortcut* forwardKey_ = nullptr;
    std::unique_ptr<playback::Marks> marks_;
    std::unique_ptr<PedalReader> pedal_;
    CDirList* pcList_ = nullptr;
    CFlashList* recorderList_ = nullptr;
    QObject* lastList_ = nullptr;
    std::thread fetch_;
    std::atomic<bool> cancelFetch_{false};
};

}  // namespace vox::app
