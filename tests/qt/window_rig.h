#pragma once
// What the window tests drive: the main dialog in a real window on the offscreen platform
// over the simulated camera, with the bus trace and a virtual clock, and a person who answers
// the modal windows (boxes, menus, nested dialogs) as they appear.
#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <deque>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "link/pacer.h"
#include "link/trace.h"
#include "panel/vorlix_dlg.h"
#include "qt/qt_host.h"
#include "sim/sim_camera.h"
#include "tests/support/trace_lines.h"

// Failing comparisons of trace lines or notes print the lines.
template <>
inline char* QTest::toString(const std::vector<std::string>& lines) {
    QByteArray text = "{";
    for (const std::string& line : lines)
        text += "\n    \"" + QByteArray::fromStdString(line) + "\"";
    return qstrdup(text + "}");
}

namespace vorlix::test {

class WindowRig {
public:
    explicit WindowRig(sim::SimState state = sim::SimState::builtInDefault(), bool simulated = true)
        : camera(std::move(state)),
          simAdapter(camera),
          trace(&traceText),
          adapter(simAdapter, trace),
          pacer(clock, trace) {
        // The program gives a simulated camera's host this notice first.
        if (simulated) host.notice(frame::kSimulatedNotice);
        host.setEventHook([this](const std::string& line) { trace.line(line); });
        dlg = std::make_unique<panel::CVorlixDlg>(host, adapter, pacer);
    }

    // Builds the window, runs the dialog's initialisation (the first read-back) and shows it.
    WindowRig& start() {
        view = host.openView(*dlg);
        return *this;
    }

    // The trace lines since the last call.
    std::vector<std::string> takeTrace() { return takeLines(traceText); }

    template <class W>
    W* widget(int id) const {
        return dynamic_cast<W*>(view->control(id));
    }

    sim::SimCamera camera;
    sim::SimAdapter simAdapter;
    std::ostringstream traceText;
    Trace trace;
    TracingAdapter adapter;
    VirtualPacer clock;
    TracingPacer pacer;
    qt::QtHost host;
    std::unique_ptr<panel::CVorlixDlg> dlg;
    std::unique_ptr<qt::DialogView> view;
};

// Whether `lines` holds `wanted` in this order (other lines may come between).
inline bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    std::size_t next = 0;
    for (const std::string& line : lines)
        if (next < wanted.size() && line == wanted[next]) ++next;
    return next == wanted.size();
}

// A person in front of the screen. Every message box is read and closed with its OK button;
// other modal windows (a menu, a nested dialog) are handed to the queued answers in turn, an
// answer returning true once it has dealt with the window it was shown. An answer that opens
// something modal itself does so from a fresh timer: the person's own timer does not fire
// again until the answer has returned.
class Person {
public:
    struct Box {
        QString title;
        QString text;
        bool plain;        // no icon, one OK button without an icon, the dialog's font
        bool windowShown;  // a dialog window was already on screen
    };
    using Answer = std::function<bool(QWidget*)>;

    Person() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(5);
    }

    void then(Answer answer) { answers_.push_back(std::move(answer)); }
    bool done() const { return answers_.empty(); }
    const std::vector<Box>& boxes() const { return boxes_; }

private:
    static bool dialogWindowShown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<qt::DialogView*>(w) && w->isVisible()) return true;
        return false;
    }

    void look() {
        QWidget* shown = QApplication::activePopupWidget();
        if (!shown) shown = QApplication::activeModalWidget();
        if (!shown) return;
        if (auto* box = qobject_cast<QMessageBox*>(shown)) {
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            const bool plain = box->icon() == QMessageBox::NoIcon && box->buttons().size() == 1 &&
                               ok && ok->icon().isNull() && box->font() == qt::dialogFont();
            boxes_.push_back({box->windowTitle(), box->text(), plain, dialogWindowShown()});
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return;
        }
        if (answers_.empty()) return;
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        if (!answer(shown)) answers_.push_front(std::move(answer));
    }

    QTimer timer_;
    std::deque<Answer> answers_;
    std::vector<Box> boxes_;
};

// A right click on the dialog's background: the context menu event the platform sends.
inline void rightClickBackground(qt::DialogView* view, QPoint at) {
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
    QApplication::sendEvent(view, &click);
}

}  // namespace vorlix::test
