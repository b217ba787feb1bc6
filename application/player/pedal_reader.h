#pragma once
// Reads a foot pedal that is an input device of its own (evdev), so that it
// works whatever window has the focus, and hands its presses and releases
// to the pedal's state machine. The device is read without grabbing it.
// Access to /dev/input needs the udev rule the package installs for the
// known pedals (packaging/udev/70-voxerin-pedals.rules).

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "engine/playback/pedal_control.h"

struct libevdev;

namespace vox::app {

class PedalReader final : public QObject {
    Q_OBJECT
  public:
    using Act = std::function<void(playback::PedalAction)>;

    PedalReader(Act act, bool holdToPlay, QObject* parent = nullptr);
    ~PedalReader() override;

    // Opens the first known pedal under /dev/input; false when there is none
    // we may read.
    bool openKnownPedal();
    // Opens the event device at `path`; false with nothing open otherwise.
    bool open(const QString& path);
    QString deviceName() const;

  private:
    void readEvents();
    void close();

    Act act_;
    playback::PedalControl control_;
    int fd_ = -1;
    libevdev* device_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer repeat_;
};

// The pedal an evdev key code stands for on the known pedals; false for a
// code that is no pedal.
bool pedalOfCode(unsigned code, playback::Pedal& pedal);

}  // namespace vox::app
