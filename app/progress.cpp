#include "app/progress.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vorlix::app {

namespace {
constexpr int kWidth = 40;
}

void ProgressBar::start(const std::string& label, std::size_t total) {
    finish();
    active_ = true;
    label_ = label;
    total_ = total == 0 ? 1 : total;
    done_ = 0;
    drawn_ = -1;
    set(0);
}

void ProgressBar::set(std::size_t done) {
    if (!active_) return;
    done_ = done < total_ ? done : total_;
    const int width = static_cast<int>(done_ * kWidth / total_);
    if (!shown_ || width == drawn_) return;
    drawn_ = width;
    out_ << '\r' << label_ << " [" << std::string(width, '#') << std::string(kWidth - width, '.')
         << "] " << done_ * 100 / total_ << '%' << std::flush;
}

void ProgressBar::finish() {
    if (!active_) return;
    active_ = false;
    if (shown_) out_ << '\n' << std::flush;  // the bar stays as far as it got
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(2) != 0;
#else
    return ::isatty(2) != 0;
#endif
}

}  // namespace vorlix::app
