#include "engine/playback/pedal_control.h"

namespace vox::playback {

std::vector<PedalAction> PedalControl::press(Pedal pedal, Clock::time_point now) {
    std::vector<PedalAction> actions;
    switch (pedal) {
        case Pedal::Play:
            if (play_) return actions;  // the key repeat of a held pedal
            play_ = true;
            if (!holdToPlay_) toggled_ = !toggled_;
            break;
        case Pedal::Back:
        case Pedal::Forward: {
            bool& held = pedal == Pedal::Back ? back_ : forward_;
            if (held) return actions;
            held = true;
            settle(actions);
            if (!(back_ && forward_))
                actions.push_back(pedal == Pedal::Back ? PedalAction::SkipBack
                                                       : PedalAction::SkipForward);
            nextRepeat_ = now + kRepeat;
            return actions;
        }
    }
    settle(actions);
    return actions;
}

std::vector<PedalAction> PedalControl::release(Pedal pedal, Clock::time_point now) {
    std::vector<PedalAction> actions;
    switch (pedal) {
        case Pedal::Play:
            play_ = false;
            break;
        case Pedal::Back:
            back_ = false;
            break;
        case Pedal::Forward:
            forward_ = false;
            break;
    }
    // The pedal still held after both skip pedals were down repeats afresh.
    if (skipping()) nextRepeat_ = now + kRepeat;
    settle(actions);
    return actions;
}

std::vector<PedalAction> PedalControl::tick(Clock::time_point now) {
    std::vector<PedalAction> actions;
    if (!repeating()) return actions;
    while (nextRepeat_ <= now) {
        actions.push_back(back_ ? PedalAction::SkipBack : PedalAction::SkipForward);
        nextRepeat_ += kRepeat;
    }
    return actions;
}

void PedalControl::settle(std::vector<PedalAction>& actions) {
    const bool wanted = !skipping() && (holdToPlay_ ? play_ : toggled_);
    if (wanted == playing_) return;
    playing_ = wanted;
    actions.push_back(wanted ? PedalAction::Play : PedalAction::Pause);
}

}  // namespace vox::playback
