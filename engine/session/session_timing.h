#pragma once
// The waits the recorder needs between commands, the one record of them
// every front end uses, behind a clock and a sleeper so that tests can run
// the sequencing without waiting it out.

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
    // The recorder takes the next file only this long after one ended.
    std::chrono::milliseconds afterFile{30};
    // After deleting a recorder file that the next file sent replaces.
    std::chrono::milliseconds afterReplacedDelete{30};
    // Between the files of a delete command.
    std::chrono::milliseconds betweenDeletes{100};
    Clock now = [] { return std::chrono::steady_clock::now(); };
    Sleeper sleep = [](std::chrono::milliseconds span) { std::this_thread::sleep_for(span); };
    // Sleeps until `now` reads the given moment: a pause counted from an
    // event that work was done in is not lengthened by rounding.
    Alarm sleepUntil = [](std::chrono::steady_clock::time_point at) {
        std::this_thread::sleep_until(at);
    };
};

}  // namespace vox::session
