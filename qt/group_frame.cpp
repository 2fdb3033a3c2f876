#include "qt/group_frame.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "qt/dialog_units.h"

namespace vorlix::qt {

GroupFrame::GroupFrame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

QRect GroupFrame::frameRect() const {
    // The etched edge is two lines thick; its upper line is the one through the caption's
    // middle.
    const int top = fontMetrics().height() / 2 - 1;
    return {0, top, width(), height() - top};
}

QRect GroupFrame::captionRect() const {
    if (title().isEmpty()) return {};
    const BaseUnits units = baseUnits(font());
    const int margin = (units.x + 1) / 2;
    const int textWidth = fontMetrics().horizontalAdvance(title());
    const int w = std::min(textWidth + 2 * margin, width() - 2 * units.x);
    return {units.x, 0, std::max(w, 0), fontMetrics().height()};
}

void GroupFrame::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // Sunken outer line, raised inner one: the etched look of the platform's group boxes.
    const QRect frame = frameRect();
    qDrawShadeRect(&painter, frame.adjusted(0, 0, -1, -1), palette(), true, 1, 0);
    const QRect caption = captionRect();
    if (caption.isEmpty()) return;
    painter.fillRect(caption, palette().brush(QPalette::Window));
    const int margin = (baseUnits(font()).x + 1) / 2;
    style()->drawItemText(&painter, caption.adjusted(margin, 0, -margin, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

}  // namespace vorlix::qt
