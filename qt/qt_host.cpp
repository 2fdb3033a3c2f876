#include "qt/qt_host.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace vorlix::qt {

namespace {

using frame::kBoxTitle;
using frame::kInterfaceLabel;

}  // namespace

// Filters the person's input to the dialogs' windows while it is on (see beginWaitCursor).
class QtHost::InputDrop : public QObject {
public:
    explicit InputDrop(const std::vector<DialogView*>& views) : views_(views) {
        QCoreApplication::instance()->installEventFilter(this);
    }

    bool on = false;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        return on && dropped(*event) && onDialog(target);
    }

private:
    // What starts something: a press, a key, a turn of the wheel, a drop, a menu; and the close
    // box. Releases, moves, hovering and focus changes pass.
    static bool dropped(const QEvent& event) {
        switch (event.type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::Shortcut:
            case QEvent::InputMethod:
            case QEvent::ContextMenu:
            case QEvent::Drop:
            case QEvent::TouchBegin:
            case QEvent::TabletPress:
                return true;
            case QEvent::Close:
                return event.spontaneous();
            default:
                return false;
        }
    }

    // A dialog's window, or a widget in one.
    bool onDialog(QObject* target) const {
        const QWidget* window = nullptr;
        if (target->isWidgetType()) window = static_cast<QWidget*>(target)->window();
        return std::any_of(views_.begin(), views_.end(), [&](DialogView* view) {
            return view == window || view->windowHandle() == target;
        });
    }

    const std::vector<DialogView*>& views_;
};

QString qtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() || parts[i + 1].isEmpty()) break;  // "||" ends the list
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QtHost::QtHost()
    : mainShot_(qEnvironmentVariable("VORLIX_SCREENSHOT").toStdString()),
      nestedShot_(qEnvironmentVariable("VORLIX_SCREENSHOT_ABOUT").toStdString()),
      busLogShot_(qEnvironmentVariable("VORLIX_SCREENSHOT_BUSLOG").toStdString()),
      drop_(std::make_unique<InputDrop>(views_)) {
    // The program ends when its dialog ends, not when Qt sees its last window go.
    QApplication::setQuitOnLastWindowClosed(false);
    // The installed desktop entry's id: Wayland compositors match the window to the entry (its
    // name and icon in the dock) through it.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORLIX_APP_ID));
}

QtHost::~QtHost() = default;

void QtHost::notice(const std::string& text) {
    notices_ << QString::fromStdString(text);
    showNotices();
}

void QtHost::outcome(const std::string& text) {
    outcome_ = QString::fromStdString(text);
    showNotices();
}

void QtHost::showNotices() {
    QStringList lines = notices_;
    if (outcome_) lines << *outcome_;
    if (views_.empty() || lines.isEmpty()) return;
    views_.front()->setNotice(lines, QString::fromLatin1(kInterfaceLabel));
}

std::unique_ptr<DialogView> QtHost::openView(frame::CDialog& dialog) {
    auto view = std::make_unique<DialogView>(
        dialog, [this] { return waiting_ > 0; }, activeView());
    DialogView* raw = view.get();
    views_.push_back(raw);
    QObject::connect(raw, &QObject::destroyed, [this, raw] {
        views_.erase(std::remove(views_.begin(), views_.end(), raw), views_.end());
    });
    if (views_.size() == 1) showNotices();

    raw->deliver([&dialog] { dialog.OnInitDialog(); });
    // The main window's menu ends with the bus log, after the dialog's own entries.
    if (views_.size() == 1)
        raw->appendMenuItem(frame::kBusLogCommand, QString::fromLatin1(frame::kBusLogMenuText));
    raw->show();
    raw->focusFirstTabStop();
    return view;
}

int QtHost::doModal(frame::CDialog& dialog, bool nested) {
    const std::unique_ptr<DialogView> view = openView(dialog);
    if (!dialog.ended()) {
        QEventLoop loop;
        view->setOnEnded([&loop] { loop.quit(); });
        scheduleScreenshot(*view, nested);
        loop.exec();
    }
    view->hide();
    return dialog.result();
}

void QtHost::showBusLog() {
    DialogView* main = views_.empty() ? nullptr : views_.front();
    if (!busLogWindow_) busLogWindow_ = new BusLogWindow(busLog_, main);
    busLogWindow_->openBeside(main);
}

void QtHost::scheduleScreenshot(DialogView& view, bool nested) {
    if (!nested && !busLogShot_.empty()) {
        // Both windows once they have painted; the screen holds them side by side.
        QTimer::singleShot(0, &view, [&view] {
            view.deliver([&view] { view.dialog().sysCommand(frame::kBusLogCommand); });
        });
        QTimer::singleShot(500, &view, [this, &view] {
            // The two windows as they lie on the screen, each from its own painting.
            QRect both = view.geometry();
            if (busLogWindow_) both = both.united(busLogWindow_->geometry());
            QPixmap picture(both.size());
            picture.fill(Qt::black);
            QPainter painter(&picture);
            painter.drawPixmap(view.pos() - both.topLeft(), view.grab());
            if (busLogWindow_)
                painter.drawPixmap(busLogWindow_->pos() - both.topLeft(), busLogWindow_->grab());
            painter.end();
            picture.save(QString::fromStdString(busLogShot_));
            view.deliver([&view] { view.dialog().escape(); });
        });
        return;
    }
    const std::string& path = nested ? nestedShot_ : mainShot_;
    if (path.empty()) return;
    QTimer::singleShot(0, &view, [this, &view, path, nested] {
        view.grab().save(QString::fromStdString(path));
        // The dialog's own last entry, before the bus log's that the host appends.
        const std::vector<unsigned> menu = view.menuCommands();
        const auto about = std::find_if(menu.rbegin(), menu.rend(), [](unsigned command) {
            return command != 0 && command != frame::kBusLogCommand && command != frame::SC_CLOSE;
        });
        if (!nested && !nestedShot_.empty() && about != menu.rend()) {
            const unsigned command = *about;
            view.deliver([&view, command] { view.dialog().sysCommand(command); });
        }
        view.deliver([&view] { view.dialog().escape(); });
    });
}

void QtHost::showMessageBox(const std::string& text) {
    DialogView* owner = activeView();
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kBoxTitle),
                    QString::fromStdString(text), QMessageBox::Ok,
                    owner && owner->isVisible() ? owner : nullptr);
    box.setTextFormat(Qt::PlainText);
    // The boxes are the dialog's own: its font, and an OK button without the style's icon,
    // centred under the text.
    box.setFont(dialogFont());
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    if (auto* buttons = box.findChild<QDialogButtonBox*>()) buttons->setCenterButtons(true);
    // The box waits for the person: the arrow over it, also while long work waits behind it.
    const bool waiting = waiting_ > 0;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    repaintNow();  // the window repaints where the box was
}

std::optional<std::string> QtHost::openFileDialog(const std::string& filter,
                                                  bool allowMultiSelect) {
    QFileDialog dialog(activeView(), QString(), QString(), qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(allowMultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    std::optional<std::string> path;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        path = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
    repaintNow();
    return path;
}

void QtHost::beginWaitCursor() {
    ++waiting_;
    drop_->on = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtHost::endWaitCursor() {
    QApplication::restoreOverrideCursor();
    if (--waiting_ > 0) return;
    // Nobody can have clicked a window that is not shown yet (the start-up read-back).
    if (views_.empty() || !views_.front()->isVisible()) {
        drop_->on = false;
        return;
    }
    // The input that came meanwhile and still waits in the queue is taken, and dropped, from
    // the event loop once the handler has returned (never inside it: a scroll bar's release
    // must reach the bar, not a busy dialog).
    QTimer::singleShot(0, drop_.get(), [this] {
        if (waiting_ > 0) return;  // newer long work ends with a turn of its own
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (waiting_ == 0) drop_->on = false;
    });
}

void QtHost::pump() {
    // Before the main window is first shown (the start-up read-back) there is nothing to
    // paint, and a trip through the event loop would only make the person wait longer.
    if (views_.empty() || !views_.front()->isVisible()) return;
    if (!repaints_.due()) return;
    repaintNow();
}

void QtHost::repaintNow() {
    // Input taken during long work is dropped on its way (InputDrop); any other handler leaves
    // it queued for after its return.
    QCoreApplication::processEvents(drop_->on ? QEventLoop::AllEvents
                                              : QEventLoop::ExcludeUserInputEvents);
    repaints_.painted();
}

void QtHost::appendMenuSeparator() {
    if (DialogView* view = activeView()) view->appendMenuSeparator();
}

void QtHost::appendMenuItem(unsigned commandId, const std::string& text) {
    if (DialogView* view = activeView())
        view->appendMenuItem(commandId, QString::fromStdString(text));
}

void QtHost::setIcon(bool big, int iconId) {
    if (DialogView* view = activeView()) view->setIcon(big, iconId);
}

}  // namespace vorlix::qt
