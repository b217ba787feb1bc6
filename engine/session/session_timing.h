#pragma once
// The waits a session keeps between worker runs, behind a clock and a
// sleeper so that tests can run the sequencing without waiting it out.

#include <chrono>
#include <functional>
#include <thread>

namespace vox::session {

struct SessionTiming {
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Sleeper = std::function<void(std::chrono::milliseconds)>;
    using Alarm = std::function<void(std::chrono::steady_clock::time_point)>;

    // After a cancelled transfer the recorder needs this long, counted from
    // the moment the cancel was reported, before it is asked anything again.
    std::chrono::milliseconds settleAfterCancel{2600};
    Clock now = [] { return std::chrono::steady_clock::now(); };
    Sleeper sleep = [](std::chrono::milliseconds span) { std::this_thread::sleep_for(span); };
    // Sleeps until `now` reads the given moment: a pause counted from an
    // event that work was done in is not lengthened by rounding.
    Alarm sleepUntil = [](std::chrono::steady_clock::time_point at) {
        std::this_thread::sleep_until(at);
    };
};

}  // namespace vox::session
