#pragma once
// The player's settings, in a section of their own of the per-user store:
// its keys (any key Qt names, F13 to F20 of the foot pedals that type keys
// included), the rewind on resume, the skip step and the pedal.

#include "application/core/profile.h"

namespace vox::app::setting {

inline constexpr char kPlayer[] = "Player";
inline constexpr TextSetting PlayPauseKey{kPlayer, "PlayPauseKey", "F8"};
inline constexpr TextSetting SkipBackKey{kPlayer, "SkipBackKey", "F7"};
inline constexpr TextSetting SkipForwardKey{kPlayer, "SkipForwardKey", "F9"};
inline constexpr IntSetting RewindOnResumeMs{kPlayer, "RewindOnResumeMs", 2000};
inline constexpr IntSetting SkipStepMs{kPlayer, "SkipStepMs", 5000};
// 1: the pedal plays while held; 0: each press plays or pauses.
inline constexpr IntSetting PedalHoldToPlay{kPlayer, "PedalHoldToPlay", 1};
// An event device to read as the pedal; empty: the first known pedal.
inline constexpr TextSetting PedalDevice{kPlayer, "PedalDevice", ""};

}  // namespace vox::app::setting
