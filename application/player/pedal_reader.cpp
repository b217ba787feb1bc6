#include "application/player/pedal_reader.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace vox::app {
namespace {

using playback::Pedal;

// USB vendor and product of the pedals the udev rule gives the seat's user.
struct KnownPedal {
    int vendor;
    int product;
};
constexpr KnownPedal kKnownPedals[] = {
    {0x05f3, 0x00ff},  // three-pedal USB transcription pedal (buttons 1-3)
};

bool isKnown(const libevdev* device) {
    for (const KnownPedal& known : kKnownPedals)
        if (libevdev_get_id_vendor(device) == known.vendor &&
            libevdev_get_id_product(device) == known.product)
            return true;
    return false;
}

}  // namespace

bool pedalOfCode(unsigned code, Pedal& pedal) {
    switch (code) {
        case BTN_0:
        case BTN_LEFT:
            pedal = Pedal::Back;
            return true;
        case BTN_1:
        case BTN_MIDDLE:
            pedal = Pedal::Play;
            return true;
        case BTN_2:
        case BTN_RIGHT:
            pedal = Pedal::Forward;
            return true;
        default:
            return false;
    }
}

PedalReader::PedalReader(Act act, bool holdToPlay, QObject* parent)
    : QObject(parent), act_(std::move(act)), control_(holdToPlay) {
    repeat_.setInterval(50);
    connect(&repeat_, &QTimer::timeout, this, [this] {
        for (auto action : control_.tick(playback::PedalControl::Clock::now())) act_(action);
        if (!control_.repeating()) repeat_.stop();
    });
}

PedalReader::~PedalReader() {
    close();
}

bool PedalReader::openKnownPedal() {
    const QDir input(QStringLiteral("/dev/input"));
    for (const QString& name : input.entryList({QStringLiteral("event*")}, QDir::System)) {
        if (!open(input.filePath(name))) continue;
        if (isKnown(device_)) return true;
        close();
    }
    return false;
}

bool PedalReader::open(const QString& path) {
    close();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    if (libevdev_new_from_fd(fd_, &device_) < 0) {
        close();
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    return true;
}

QString PedalReader::deviceName() const {
    return device_ ? QString::fromUtf8(libevdev_get_name(device_)) : QString();
}

void PedalReader::readEvents() {
    input_event event{};
    int status = 0;
    while ((status = libevdev_next_event(device_, LIBEVDEV_READ_FLAG_NORMAL, &event)) >= 0) {
        if (status == LIBEVDEV_READ_STATUS_SYNC) continue;  // dropped events: states follow
        Pedal pedal;
        if (event.type != EV_KEY || !pedalOfCode(event.code, pedal)) continue;
        const auto now = playback::PedalControl::Clock::now();
        const auto actions =
            event.value == 0 ? control_.release(pedal, now) : control_.press(pedal, now);
        for (auto action : actions) act_(action);
        if (control_.repeating()) repeat_.start();
    }
    // The pedal was unplugged: stop reading it.
    if (status != -EAGAIN) close();
}

void PedalReader::close() {
    notifier_.reset();
    if (device_ != nullptr) libevdev_free(device_);
    device_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    repeat_.stop();
}

}  // namespace vox::app
