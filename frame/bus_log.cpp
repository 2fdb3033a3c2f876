#include "frame/bus_log.h"

#include <algorithm>

namespace vorlix::frame {

BusLog::BusLog(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

void BusLog::append(std::string_view line, bool failedTransfer, std::string_view reading) {
    const std::uint64_t seq = next_++;
    const std::size_t slot = static_cast<std::size_t>(seq % capacity_);
    if (slot == ring_.size()) {
        ring_.push_back({std::string(line), std::string(reading), failedTransfer});
    } else {
        // The slot's strings keep their buffers: once the ring is full, appending allocates
        // nothing for a line no longer than the one it replaces.
        ring_[slot].text.assign(line);
        ring_[slot].reading.assign(reading);
        ring_[slot].failed = failedTransfer;
    }
    if (kept_ < capacity_) ++kept_;
    const std::uint64_t oldest = next_ - kept_;
    while (!failures_.empty() && failures_.front() < oldest) failures_.pop_front();
    if (failedTransfer) failures_.push_back(seq);
    if (onChange_) onChange_();
}

void BusLog::clear() {
    cleared_ = next_;
    kept_ = 0;
    failures_.clear();
    if (onChange_) onChange_();
}

std::size_t BusLog::rows(bool failuresOnly) const {
    return failuresOnly ? failures_.size() : static_cast<std::size_t>(kept_);
}

const BusLog::Entry& BusLog::entry(std::size_t index, bool failuresOnly) const {
    const std::uint64_t seq = failuresOnly ? failures_[index] : next_ - kept_ + index;
    return ring_[static_cast<std::size_t>(seq % capacity_)];
}

const std::string& BusLog::row(std::size_t index, bool failuresOnly) const {
    return entry(index, failuresOnly).text;
}

const std::string& BusLog::rowReading(std::size_t index, bool failuresOnly) const {
    return entry(index, failuresOnly).reading;
}

bool BusLog::rowFailed(std::size_t index, bool failuresOnly) const {
    return entry(index, failuresOnly).failed;
}

std::string BusLog::droppedNotice() const {
    const std::uint64_t n = dropped();
    if (n == 0) return {};
    return "\u2026 " + std::to_string(n) +
           (n == 1 ? " older line dropped" : " older lines dropped");
}

std::string BusLog::text(bool failuresOnly) const {
    std::string out;
    const std::size_t n = rows(failuresOnly);
    for (std::size_t i = 0; i < n; ++i) {
        out += row(i, failuresOnly);
        out += '\n';
    }
    return out;
}

std::string withReading(std::string_view line, std::string_view reading) {
    // Wide enough for a camera command's header or a sensor write with its status.
    constexpr std::size_t kReadingColumn = 28;
    std::string text(line);
    if (reading.empty()) return text;
    text.resize(std::max(text.size() + 2, kReadingColumn), ' ');
    text += reading;
    return text;
}

std::string BusLogRows::text(std::size_t row) const {
    if (noticed()) {
        if (row == 0) return log_.droppedNotice();
        --row;
    }
    if (!readings_) return log_.row(row, failuresOnly_);
    return withReading(log_.row(row, failuresOnly_), log_.rowReading(row, failuresOnly_));
}

BusLogRows::Mark BusLogRows::mark(std::size_t row) const {
    if (noticed()) {
        if (row == 0) return Mark::Notice;
        --row;
    }
    return log_.rowFailed(row, failuresOnly_) ? Mark::Failed : Mark::Plain;
}

Span placeBeside(int dialogLeft, int dialogRight, int width, int areaLeft, int areaRight,
                 int minWidth) {
    constexpr int kGap = 8;
    const int right = areaRight - (dialogRight + kGap);
    const int left = dialogLeft - kGap - areaLeft;
    if (width <= right) return {dialogRight + kGap, width};
    if (width <= left) return {dialogLeft - kGap - width, width};
    if (std::max(left, right) >= minWidth)
        return right >= left ? Span{dialogRight + kGap, right} : Span{areaLeft, left};
    return {std::max(areaLeft, areaRight - width), width};
}

}  // namespace vorlix::frame
