#pragma once
// A group box drawn as the platform's dialog manager draws one: the template's rectangle is
// the box, its frame's top line passes through the middle of the caption, which sits a
// character in from the left edge on the dialog's background. Qt's own group box puts its
// title above a frame that starts lower, where the template has controls.
#include <QGroupBox>

namespace vorlix::qt {

class GroupFrame : public QGroupBox {
public:
    GroupFrame(const QString& caption, QWidget* parent);

    // Where the etched frame is drawn (its two lines lie inside), in the widget's coordinates.
    QRect frameRect() const;
    // The caption with its margins, over the frame's top line; empty without a caption.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace vorlix::qt
