#pragma once
// Test signals and slot unpacking shared by the encoder's unit tests.

#include <cstdint>
#include <vector>

#include "voice_encoder/frame_coder.h"

namespace vox::g729::testing {

// Field widths of a rate, in frame order.
std::vector<int> widths_of(CodingRate rate);

// A voiced-like test signal: two harmonics with a slow vibrato and noise.
std::vector<std::int16_t> speech_like(std::size_t samples, unsigned seed = 1);

// Square wave of the given period at full scale.
std::vector<std::int16_t> square_wave(std::size_t samples, int period);

// Uniform white noise over the full 16-bit range.
std::vector<std::int16_t> white_noise(std::size_t samples, unsigned seed);

// Unscrambles a slot and splits its bits into the fields of `widths`.
std::vector<int> unpack_slot(const std::uint8_t* slot, int slot_bytes,
                             const std::vector<int>& widths);

// The fields a frame coder gives for consecutive frames of pcm.
std::vector<std::vector<int>> code_frames(FrameCoder& coder, const std::int16_t* pcm, int frames,
                                          CodingRate rate);

}  // namespace vox::g729::testing
