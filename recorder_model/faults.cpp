#include "recorder_model/faults.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace vox::model {

void Faults::unplugAfterBytes(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    bytesLeft_ = bytes;
}

void Faults::unplugAt(std::string step) {
    std::lock_guard lock(mutex_);
    unplugStep_ = std::move(step);
}

void Faults::queueStaleReply() {
    std::lock_guard lock(mutex_);
    staleReply_ = true;
}

void Faults::refuseNextCreate() {
    std::lock_guard lock(mutex_);
    refuseCreate_ = true;
}

void Faults::refuseNextDelete() {
    std::lock_guard lock(mutex_);
    refuseDelete_ = true;
}

void Faults::refuseReadOf(std::string shortName) {
    std::lock_guard lock(mutex_);
    unreadable_ = std::move(shortName);
}

void Faults::corruptReadBlock(std::uint64_t block) {
    std::lock_guard lock(mutex_);
    corruptBlock_ = block;
}

void Faults::setShortStages(std::size_t bytes) {
    shortStage_ = bytes;
}

void Faults::setSlowBus(std::chrono::microseconds extra) {
    slowMicros_ = extra.count();
}

void Faults::clear() {
    {
        std::lock_guard lock(mutex_);
        bytesLeft_.reset();
        unplugStep_.clear();
        staleReply_ = false;
        refuseCreate_ = false;
        refuseDelete_ = false;
        unreadable_.clear();
        corruptBlock_.reset();
    }
    shortStage_ = 0;
    slowMicros_ = 0;
}

std::optional<std::uint64_t> Faults::byteBudget() const {
    std::lock_guard lock(mutex_);
    return bytesLeft_;
}

void Faults::charge(std::uint64_t moved) {
    std::lock_guard lock(mutex_);
    if (bytesLeft_) *bytesLeft_ -= std::min(*bytesLeft_, moved);
}

void Faults::byteLimitReached() {
    std::lock_guard lock(mutex_);
    bytesLeft_.reset();
}

bool Faults::takeUnplugAt(std::string_view step) {
    std::lock_guard lock(mutex_);
    if (unplugStep_.empty() || unplugStep_ != step) return false;
    unplugStep_.clear();
    return true;
}

bool Faults::takeStaleReply() {
    std::lock_guard lock(mutex_);
    return std::exchange(staleReply_, false);
}

bool Faults::takeRefuseCreate() {
    std::lock_guard lock(mutex_);
    return std::exchange(refuseCreate_, false);
}

bool Faults::takeRefuseDelete() {
    std::lock_guard lock(mutex_);
    return std::exchange(refuseDelete_, false);
}

bool Faults::refusesRead(std::string_view shortName) const {
    std::lock_guard lock(mutex_);
    return !unreadable_.empty() && unreadable_ == shortName;
}

std::optional<std::uint64_t> Faults::corruptBlock() const {
    std::lock_guard lock(mutex_);
    return corruptBlock_;
}

void Faults::corruptionDone() {
    std::lock_guard lock(mutex_);
    corruptBlock_.reset();
}

namespace {

bool parseNumber(std::string_view text, std::uint64_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool knownStep(std::string_view step) {
    static constexpr std::string_view plain[] = {"identify-reply", "list-reply",   "list-stream",
                                                 "create-reply",   "read-reply",   "finish-reply",
                                                 "format-reply",   "status-reply", "command-reply"};
    for (auto name : plain)
        if (step == name) return true;
    for (std::string_view counted : {"data-block:", "read-block:"}) {
        std::uint64_t index = 0;
        if (step.starts_with(counted) && parseNumber(step.substr(counted.size()), index) &&
            index > 0)
            return true;
    }
    return false;
}

}  // namespace

bool Faults::parse(std::string_view text, std::string& error) {
    // Everything is checked before anything is applied.
    std::optional<std::uint64_t> bytes, stage, micros, corrupt;
    std::optional<std::string> step, unreadable;
    bool stale = false, refuse = false, refuseDelete = false;
    while (!text.empty()) {
        auto comma = text.find(',');
        auto item = trimmed(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty()) continue;
        auto equals = item.find('=');
        bool hasValue = equals != std::string_view::npos;
        auto key = trimmed(item.substr(0, equals));
        auto value = hasValue ? trimmed(item.substr(equals + 1)) : std::string_view();
        std::uint64_t number = 0;
        bool numeric = hasValue && parseNumber(value, number);
        bool understood = true;
        if (key == "unplug-after-bytes")
            understood = numeric, bytes = number;
        else if (key == "short-stages")
            understood = numeric && number > 0, stage = number;
        else if (key == "slow-us")
            understood = numeric, micros = number;
        else if (key == "unplug-at")
            understood = hasValue && knownStep(value), step = std::string(value);
        else if (key == "corrupt-read-block")
            understood = numeric && number > 0, corrupt = number;
        else if (key == "stale-reply")
            understood = !hasValue, stale = true;
        else if (key == "refuse-next-create")
            understood = !hasValue, refuse = true;
        else if (key == "refuse-next-delete")
            understood = !hasValue, refuseDelete = true;
        else if (key == "refuse-read")
            understood = hasValue && !value.empty(), unreadable = std::string(value);
        else {
            error = "unknown recorder fault \"" + std::string(key) + "\"";
            return false;
        }
        if (!understood) {
            error = "recorder fault \"" + std::string(item) + "\" is not understood";
            return false;
        }
    }
    if (bytes) unplugAfterBytes(*bytes);
    if (step) unplugAt(*step);
    if (stale) queueStaleReply();
    if (refuse) refuseNextCreate();
    if (refuseDelete) refuseNextDelete();
    if (unreadable) refuseReadOf(*unreadable);
    if (stage) setShortStages(static_cast<std::size_t>(*stage));
    if (corrupt) corruptReadBlock(*corrupt);
    if (micros) setSlowBus(std::chrono::microseconds(*micros));
    return true;
}

}  // namespace vox::model
