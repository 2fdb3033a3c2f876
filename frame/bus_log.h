#pragma once
// The bus log: the newest lines of the bus trace, kept in memory while the program runs, for
// the window that shows them live. Appending is constant time (a ring of a fixed number of
// lines; a line that no longer fits drops the oldest), so keeping the log costs the bus
// nothing; a view asks for the lines it paints, by row, also constant time. The lines are the
// trace's own, in its format; a failed transfer is flagged by the trace that knows its status,
// and a line may carry its reading in the camera's words (camera/bus_reading.h), which a view
// shows beside it when asked.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix::frame {

class BusLog {
public:
    static constexpr std::size_t kCapacity = 100000;

    explicit BusLog(std::size_t capacity = kCapacity);

    void append(std::string_view line, bool failedTransfer, std::string_view reading = {});
    // Forgets every line and the count of dropped ones.
    void clear();

    // The rows a view shows: every kept line, or the failed transfers among them only, oldest
    // first.
    std::size_t rows(bool failuresOnly) const;
    const std::string& row(std::size_t index, bool failuresOnly) const;
    const std::string& rowReading(std::size_t index, bool failuresOnly) const;
    bool rowFailed(std::size_t index, bool failuresOnly) const;

    // Lines dropped since the last clear because newer ones took their place; and the words a
    // view shows above the kept lines about them ("" when none was dropped).
    std::uint64_t dropped() const { return next_ - kept_ - cleared_; }
    std::string droppedNotice() const;

    // The rows, one a line, as a trace file holds them.
    std::string text(bool failuresOnly) const;

    // Called after every change (an append, a clear); a view uses it to schedule a repaint.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
    struct Entry {
        std::string text;
        std::string reading;
        bool failed = false;
    };
    const Entry& entry(std::size_t index, bool failuresOnly) const;

    std::size_t capacity_;
    std::vector<Entry> ring_;
    std::uint64_t next_ = 0;     // sequence number of the next line; line n sits at n % capacity
    std::uint64_t kept_ = 0;     // lines kept: the newest min(lines since clear, capacity)
    std::uint64_t cleared_ = 0;  // lines appended before the last clear
    std::deque<std::uint64_t> failures_;  // sequence numbers of the kept failed transfers
    std::function<void()> onChange_;
};

// A trace line with its reading beside it, the reading starting in one column for every line
// that has one: what the bus log shows with "Camera's words" and what `vorlix decode` prints.
std::string withReading(std::string_view line, std::string_view reading);

// What a bus log's window shows, row by row, top to bottom: the notice of dropped lines first
// when there are any, then the kept lines (the failed transfers only, with "Failures only"),
// each with its reading beside it with readings on ("Camera's words"). Both window hosts paint
// exactly these rows in these colours.
class BusLogRows {
public:
    enum class Mark { Plain, Failed, Notice };
    // 0xRRGGBB of the marked rows; plain rows take the window's text colour.
    static constexpr std::uint32_t kFailedColour = 0xc00000;
    static constexpr std::uint32_t kNoticeColour = 0x707070;

    BusLogRows(const BusLog& log, bool failuresOnly, bool readings = false)
        : log_(log), failuresOnly_(failuresOnly), readings_(readings) {}

    std::size_t count() const { return log_.rows(failuresOnly_) + (noticed() ? 1 : 0); }
    std::string text(std::size_t row) const;
    Mark mark(std::size_t row) const;
    // What "Save..." writes: the lines shown, without the notice and the readings, as a trace
    // file.
    std::string saved() const { return log_.text(failuresOnly_); }

private:
    bool noticed() const { return log_.dropped() > 0; }

    const BusLog& log_;
    bool failuresOnly_;
    bool readings_;
};

// Where the log's window goes beside the dialog, along one axis of the screen: the dialog's
// frame spans [dialogLeft, dialogRight), the screen's work area [areaLeft, areaRight). To the
// right of the dialog, else to its left; where neither side has room for the whole width, the
// wider side's room, down to minWidth; else as far right as the screen lets it be, over the
// dialog's edge rather than off the screen. Pixels throughout.
struct Span {
    int x;
    int width;
};
Span placeBeside(int dialogLeft, int dialogRight, int width, int areaLeft, int areaRight,
                 int minWidth);

}  // namespace vorlix::frame
