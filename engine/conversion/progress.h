#pragma once
// The notices both conversion workers send.

#include <cstdint>

#include "platform/messages/message_target.h"

namespace vox::conversion {

void sendStarted(vox::messages::MessageTarget* notify);
// CONVERT_PROGRESS with position * 100 / length, computed in 64 bits.
void sendProgress(vox::messages::MessageTarget* notify, std::uint64_t position,
                  std::uint64_t length);

// Sends CONVERT_FINISHED when it goes out of scope, so that every ending of
// a worker, early or not, ends the converting state.
class FinishedNotice {
  public:
    explicit FinishedNotice(vox::messages::MessageTarget* notify) : notify_(notify) {}
    ~FinishedNotice();
    FinishedNotice(const FinishedNotice&) = delete;
    FinishedNotice& operator=(const FinishedNotice&) = delete;

  private:
    vox::messages::MessageTarget* notify_;
};

}  // namespace vox::conversion
