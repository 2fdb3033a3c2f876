#pragma once
// The bus log's window: every line of the bus trace as it happens, failed transfers in red,
// and with "Camera's words" each command's reading in the camera's words beside its lines;
// beside the dialog and modeless. It paints only the rows in sight, straight from the log, and
// at most once a frame however fast lines come (a read-back writes some 1500 in a second), so
// an open log costs the bus nothing. Closing it only hides it: the log keeps every line.
#include <QAbstractScrollArea>
#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "frame/bus_log.h"
#include "io/expected.h"

class QCheckBox;
class QPushButton;

namespace vorlix::qt {

class RowsArea;

class BusLogWindow : public QWidget {
public:
    // The log's rows in the colours they are painted in.
    static inline const QColor kFailedColour{QRgb(frame::BusLogRows::kFailedColour)};
    static inline const QColor kNoticeColour{QRgb(frame::BusLogRows::kNoticeColour)};

    BusLogWindow(frame::BusLog& log, QWidget* owner);
    ~BusLogWindow() override;
    BusLogWindow(const BusLogWindow&) = delete;
    BusLogWindow& operator=(const BusLogWindow&) = delete;

    // Shows the window to the right of the owner's frame (raised if it is open already).
    void openBeside(QWidget* owner);

    // What the rows show, top to bottom (frame::BusLogRows).
    int rowCount() const;
    QString rowText(int row) const;
    QColor rowColour(int row) const;

    QCheckBox* failuresOnly() const { return failuresOnly_; }
    QCheckBox* readings() const { return readings_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* clearButton() const { return clear_; }

    // Writes the lines shown (without the notice) to path as a trace file; the reason when
    // it could not.
    io::Expected<> saveTo(const QString& path) const;
    // Brings the rows up to the log now (otherwise the frame timer does, once a frame).
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class RowsArea;
    frame::BusLogRows rows() const;
    void saveAs();

    frame::BusLog& log_;
    RowsArea* rows_;
    QCheckBox* failuresOnly_;
    QCheckBox* readings_;
    QPushButton* save_;
    QPushButton* clear_;
    QTimer frame_;
};

}  // namespace vorlix::qt
