#include "qt/bus_log_window.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "frame/host.h"
#include "frame/repaint_throttle.h"
#include "io/output_file.h"

namespace vorlix::qt {

namespace {

// The log's width in characters of its font, and the least it is narrowed to beside the dialog.
constexpr int kColumns = 64;
constexpr int kMinColumns = 40;

}  // namespace

// The rows in sight, painted from the log; the scroll range is the number of rows.
class RowsArea : public QAbstractScrollArea {
public:
    explicit RowsArea(BusLogWindow& window) : window_(window) {
        setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        viewport()->setBackgroundRole(QPalette::Base);
        viewport()->setAutoFillBackground(true);
    }

    int rowHeight() const { return fontMetrics().height(); }
    int charWidth() const { return fontMetrics().horizontalAdvance(QLatin1Char('0')); }
    int rowsInSight() const { return std::max(1, viewport()->height() / rowHeight()); }

    // The scroll range follows the rows; a view that showed the newest row keeps showing it.
    void follow(int rows) {
        QScrollBar* bar = verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum();
        bar->setRange(0, std::max(0, rows - rowsInSight()));
        bar->setPageStep(rowsInSight());
        if (atEnd) bar->setValue(bar->maximum());
        // Wide enough for the widest row seen so far (rows are mostly alike: no need to
        // measure them all).
        const int first = bar->value();
        const int last = std::min(rows, first + rowsInSight());
        for (int r = first; r < last; ++r)
            widestChars_ = std::max(widestChars_, static_cast<int>(window_.rowText(r).size()));
        const int width = widestChars_ * charWidth() + 8;
        horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
        horizontalScrollBar()->setPageStep(viewport()->width());
        viewport()->update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(viewport());
        const int height = rowHeight();
        const int first = verticalScrollBar()->value();
        const int rows = window_.rowCount();
        const int x = 4 - horizontalScrollBar()->value();
        const int ascent = fontMetrics().ascent();
        for (int r = first, y = 0; r < rows && y < viewport()->height(); ++r, y += height) {
            painter.setPen(window_.rowColour(r));
            painter.drawText(x, y + ascent, window_.rowText(r));
        }
    }
    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        follow(window_.rowCount());
    }

private:
    BusLogWindow& window_;
    int widestChars_ = 0;
};

BusLogWindow::BusLogWindow(frame::BusLog& log, QWidget* owner)
    : QWidget(owner, Qt::Window), log_(log) {
    setWindowTitle(QStringLiteral("Bus log \u2014 Vorlix"));
    rows_ = new RowsArea(*this);
    failuresOnly_ = new QCheckBox(tr("&Failures only"), this);
    readings_ = new QCheckBox(tr("Camera's &words"), this);
    save_ = new QPushButton(tr("&Save\u2026"), this);
    clear_ = new QPushButton(tr("C&lear"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(failuresOnly_);
    buttons->addWidget(readings_);
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rows_, 1);
    layout->addLayout(buttons);

    connect(failuresOnly_, &QCheckBox::toggled, this, [this] {
        rows_->verticalScrollBar()->setValue(rows_->verticalScrollBar()->maximum());
        refresh();
    });
    connect(readings_, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(clear_, &QPushButton::clicked, this, [this] { log_.clear(); });

    // Lines arrive from the running handler; the rows catch up once a frame, when the host
    // lets the window paint.
    frame_.setSingleShot(true);
    frame_.setInterval(
        std::chrono::duration_cast<std::chrono::milliseconds>(frame::RepaintThrottle::kFrame));
    connect(&frame_, &QTimer::timeout, this, [this] { refresh(); });

    resize(kColumns * rows_->charWidth() + 40, owner ? owner->height() : 480);
}

BusLogWindow::~BusLogWindow() {
    log_.setOnChange(nullptr);
}

void BusLogWindow::openBeside(QWidget* owner) {
    if (!isVisible() && owner) {
        const QRect dialog = owner->frameGeometry();
        // The log's frame will be as wide as the dialog's (before it is shown it has none).
        const int margins = dialog.width() - owner->width();
        const QRect area = owner->screen() ? owner->screen()->availableGeometry() : dialog;
        const frame::Span span =
            frame::placeBeside(dialog.left(), dialog.right() + 1, width() + margins, area.left(),
                               area.right() + 1, kMinColumns * rows_->charWidth() + margins);
        move(span.x, dialog.top());
        resize(span.width - margins, std::max(height(), owner->height()));
    }
    show();
    raise();
    activateWindow();
}

void BusLogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    log_.setOnChange([this] {
        if (!frame_.isActive()) frame_.start();
    });
    refresh();
}

void BusLogWindow::hideEvent(QHideEvent* event) {
    log_.setOnChange(nullptr);
    frame_.stop();
    QWidget::hideEvent(event);
}

frame::BusLogRows BusLogWindow::rows() const {
    return {log_, failuresOnly_->isChecked(), readings_->isChecked()};
}

int BusLogWindow::rowCount() const {
    return static_cast<int>(rows().count());
}

QString BusLogWindow::rowText(int row) const {
    return QString::fromStdString(rows().text(static_cast<std::size_t>(row)));
}

QColor BusLogWindow::rowColour(int row) const {
    switch (rows().mark(static_cast<std::size_t>(row))) {
        case frame::BusLogRows::Mark::Failed:
            return kFailedColour;
        case frame::BusLogRows::Mark::Notice:
            return kNoticeColour;
        case frame::BusLogRows::Mark::Plain:
            break;
    }
    return palette().color(QPalette::Text);
}

void BusLogWindow::refresh() {
    rows_->follow(rowCount());
}

io::Expected<> BusLogWindow::saveTo(const QString& path) const {
    return io::replaceFile(QFile::encodeName(path).toStdString(), rows().saved());
}

void BusLogWindow::saveAs() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save bus log"), QStringLiteral("vorlix.trace"),
                                     tr("Trace files (*.trace *.txt);;All files (*)"));
    if (path.isEmpty()) return;
    if (const io::Expected<> saved = saveTo(path); !saved) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(frame::kBoxTitle),
                        tr("cannot write %1: %2").arg(path, QString::fromStdString(saved.why())),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}

}  // namespace vorlix::qt
