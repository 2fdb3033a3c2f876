// A person's input on the window reaches the dialog as the platform's notifications, and only
// a person's input does: a small dialog records every notification its message map receives.
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QtTest/QtTest>
#include <optional>
#include <string>
#include <vector>

#include "frame/dialog.h"
#include "qt/qt_host.h"
#include "window_rig.h"

namespace vorlix::test {
namespace {

using frame::ControlKind;
using namespace frame;  // style bits

constexpr int kEdit = 10, kCheck = 11, kRadioA = 12, kRadioB = 13, kBar = 14, kReadOnly = 15,
              kLong = 16, kFree = 17;

const DialogTemplate& recorderTemplate() {
    static const DialogTemplate tmpl{
        900,
        "Recorder",
        200,
        120,
        "MS Sans Serif",
        8,
        {
            {IDOK, ControlKind::Button, "OK", {5, 100, 40, 14}, kDefault | kTabStop, -1},
            {IDCANCEL, ControlKind::Button, "Cancel", {50, 100, 40, 14}, kTabStop, -1},
            {kEdit, ControlKind::Edit, "", {5, 5, 60, 13}, kTabStop, -1},
            {kCheck, ControlKind::Check, "Tick", {5, 25, 60, 12}, kTabStop, -1},
            {kRadioA, ControlKind::Radio, "A", {5, 40, 40, 10}, kGroupStart, -1},
            {kRadioB, ControlKind::Radio, "B", {50, 40, 40, 10}, 0, -1},
            {kBar, ControlKind::Scroll, "", {5, 60, 150, 10}, 0, -1},
            {kReadOnly, ControlKind::Edit, "", {100, 5, 60, 13}, kTabStop | kReadOnly, -1},
            {kLong, ControlKind::Button, "Long", {95, 100, 40, 14}, kTabStop, -1},
            {kFree, ControlKind::Edit, "", {100, 25, 60, 13}, kTabStop, -1},
        }};
    return tmpl;
}

// Records what reaches its message map; the scroll handler leaves the bar where it is unless
// told to follow, so the test sees who decides the bar's position.
class Recorder : public CDialog {
public:
    explicit Recorder(Host& host) : CDialog(recorderTemplate(), host) {
        for (int id : {kCheck, kRadioA, kRadioB})
            messageMap_.push_back({Message::BnClicked, id, [this, id](const MessageParams&) {
                                       log("click " + std::to_string(id));
                                   }});
        messageMap_.push_back(
            {Message::BnClicked, kLong, [this](const MessageParams&) { longOperation(); }});
        for (int id : {kEdit, kFree})
            messageMap_.push_back({Message::EnChange, id, [this, id](const MessageParams&) {
                                       log("change " + std::to_string(id) + " " + model().text(id));
                                   }});
        messageMap_.push_back(
            {Message::HScroll, 0, [this](const MessageParams& p) {
                 const ScrollInfo& info = model().scrollInfo(p.scrollBar);
                 std::optional<CWaitCursor> wait;
                 if (waitWhileScrolling) wait.emplace(this->host());
                 log("scroll " + std::to_string(p.scrollBar) + " " + std::to_string(p.code) + " " +
                     std::to_string(info.trackPos));
                 if (follow && (p.code == SB_THUMBTRACK || p.code == SB_THUMBPOSITION)) {
                     ScrollInfo next = info;
                     next.pos = info.trackPos;
                     model().setScrollInfo(p.scrollBar, next);
                 }
             }});
        messageMap_.push_back({Message::SysCommand, 0, [this](const MessageParams& p) {
                                   log("sys " + std::to_string(p.code));
                                   defaultSysCommand(p.code);
                               }});
    }

    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        ScrollInfo info;
        info.max = 100;
        info.pos = 50;
        info.trackPos = 50;
        model().setScrollInfo(kBar, info);
        return true;
    }

    std::vector<std::string> notes;
    bool follow = false;
    bool waitWhileScrolling = false;  // as the panel's sliders do
    bool showsWaitCursor = true;
    std::function<void()> duringLongOperation;  // before its repaint
    std::function<void()> endingLongOperation;  // after it

private:
    void log(const std::string& s) { notes.push_back(s); }
    // Work with a repaint on the way, long work (with the wait cursor) as the panel's is, or
    // not.
    void longOperation() {
        std::optional<CWaitCursor> wait;
        if (showsWaitCursor) wait.emplace(host());
        log("long begins");
        if (duringLongOperation) duringLongOperation();
        host().pump();
        if (endingLongOperation) endingLongOperation();
        log("long ends");
    }
};

QPoint partOf(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    opt.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar).center();
}

using Notes = std::vector<std::string>;

}  // namespace

class InputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<qt::QtHost> host;
    std::unique_ptr<Recorder> dlg;
    std::unique_ptr<qt::DialogView> view;

    template <class W>
    W* widget(int id) {
        return dynamic_cast<W*>(view->control(id));
    }
    Notes take() { return std::exchange(dlg->notes, {}); }

private slots:
    void init() {
        host = std::make_unique<qt::QtHost>();
        dlg = std::make_unique<Recorder>(*host);
        view = host->openView(*dlg);
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        take();
    }
    void cleanup() {
        view.reset();
        dlg.reset();
        host.reset();
    }

    void typingGivesOneChangePerKeystrokeWithTheWholeText() {
        QTest::keyClicks(widget<QLineEdit>(kEdit), "1ff");
        QCOMPARE(take(), (Notes{"change 10 1", "change 10 1f", "change 10 1ff"}));
        QCOMPARE(dlg->model().text(kEdit), std::string("1ff"));

        // Typing in the middle edits the whole text once, the cursor stays where it was.
        auto* edit = widget<QLineEdit>(kEdit);
        edit->setCursorPosition(1);
        QTest::keyClick(edit, Qt::Key_A);
        QCOMPARE(take(), (Notes{"change 10 1aff"}));
        QCOMPARE(edit->cursorPosition(), 2);

        // A read-only edit takes no keys.
        QTest::keyClicks(widget<QLineEdit>(kReadOnly), "12");
        QVERIFY(take().empty());
    }

    void theModelDecidesChecksAndRadios() {
        // A click anywhere in the box's rectangle counts, also well past its short caption.
        auto* box = widget<QCheckBox>(kCheck);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 2, box->height() / 2));
        QCOMPARE(take(), (Notes{"click 11"}));
        QCOMPARE(dlg->model().check(kCheck), 1);
        QVERIFY(widget<QCheckBox>(kCheck)->isChecked());

        QTest::mouseClick(widget<QRadioButton>(kRadioB), Qt::LeftButton);
        QTest::mouseClick(widget<QRadioButton>(kRadioB), Qt::LeftButton);  // stays checked
        QCOMPARE(take(), (Notes{"click 13", "click 13"}));
        QCOMPARE(dlg->model().check(kRadioA), 0);
        QCOMPARE(dlg->model().check(kRadioB), 1);
        QVERIFY(!widget<QRadioButton>(kRadioA)->isChecked());
        QVERIFY(widget<QRadioButton>(kRadioB)->isChecked());

        // Space on the focused box is a click too.
        widget<QCheckBox>(kCheck)->setFocus();
        QTest::keyClick(widget<QCheckBox>(kCheck), Qt::Key_Space);
        QCOMPARE(take(), (Notes{"click 11"}));
        QVERIFY(!widget<QCheckBox>(kCheck)->isChecked());
    }

    void arrowsAndTroughSendTheirCodeThenEndScroll() {
        auto* bar = widget<QScrollBar>(kBar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, partOf(bar, QStyle::SC_ScrollBarAddLine));
        QTest::mouseClick(bar, Qt::LeftButton, {}, partOf(bar, QStyle::SC_ScrollBarSubLine));
        QCOMPARE(take(),
                 (Notes{"scroll 14 1 50", "scroll 14 8 50", "scroll 14 0 50", "scroll 14 8 50"}));
        // No handler moved it: the bar stands where the model says.
        QCOMPARE(bar->value(), 50);

        QTest::mouseClick(bar, Qt::LeftButton, {}, partOf(bar, QStyle::SC_ScrollBarAddPage));
        const Notes notes = take();
        QCOMPARE(notes.size(), std::size_t{2});
        QVERIFY(notes[0] == "scroll 14 3 50" || notes[0].rfind("scroll 14 5 ", 0) == 0);
        QCOMPARE(notes[1].rfind("scroll 14 ", 0), 0u);
        QCOMPARE(bar->value(), 50);
    }

    void actionsWithoutMouseAreEndedAtOnce() {
        auto* bar = widget<QScrollBar>(kBar);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(take(), (Notes{"scroll 14 7 50", "scroll 14 8 50", "scroll 14 6 50",
                                "scroll 14 8 50", "scroll 14 3 50", "scroll 14 8 50"}));
        QCOMPARE(bar->value(), 50);
    }

    void draggingTracksThenPositionsThenEnds() {
        dlg->follow = true;
        auto* bar = widget<QScrollBar>(kBar);
        const QPoint thumb = partOf(bar, QStyle::SC_ScrollBarSlider);
        QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
        QTest::mouseMove(bar, thumb + QPoint(20, 0));
        const int track = bar->sliderPosition();
        QVERIFY(track > 50);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(20, 0));
        const std::string t = std::to_string(track);
        QCOMPARE(take(), (Notes{"scroll 14 5 " + t, "scroll 14 4 " + t, "scroll 14 8 " + t}));
        QCOMPARE(bar->value(), track);
        QCOMPARE(dlg->model().scrollInfo(kBar).pos, track);
    }

    void programChangesReachTheWidgetsButNoHandler() {
        DialogModel& model = dlg->model();
        model.setText(kEdit, "abc");
        model.setCheck(kCheck, 1);
        model.checkRadio(kRadioA, kRadioB, kRadioA);
        ScrollInfo info = model.scrollInfo(kBar);
        info.pos = 77;
        model.setScrollInfo(kBar, info);
        model.enable(kFree, false);
        QVERIFY(take().empty());
        QCOMPARE(widget<QLineEdit>(kEdit)->text(), QString("abc"));
        QVERIFY(widget<QCheckBox>(kCheck)->isChecked());
        QVERIFY(widget<QRadioButton>(kRadioA)->isChecked());
        QCOMPARE(widget<QScrollBar>(kBar)->value(), 77);
        QVERIFY(!widget<QLineEdit>(kFree)->isEnabled());

        // A greyed control takes no input.
        QTest::keyClicks(widget<QLineEdit>(kFree), "x");
        QVERIFY(take().empty());
    }

    void enterClosesWithOkFromAnEditAndClicksAFocusedButton() {
        widget<QPushButton>(kLong)->setFocus();
        QTest::keyClick(widget<QPushButton>(kLong), Qt::Key_Return);
        QCOMPARE(take(), (Notes{"long begins", "long ends"}));
        QVERIFY(!dlg->ended());

        QCoreApplication::processEvents();  // the person's next key comes after a turn of the loop
        widget<QLineEdit>(kEdit)->setFocus();
        QTest::keyClick(widget<QLineEdit>(kEdit), Qt::Key_Return);
        QVERIFY(dlg->ended());
        QCOMPARE(dlg->result(), IDOK);
    }

    void escapeCancels() {
        QTest::keyClick(widget<QLineEdit>(kEdit), Qt::Key_Escape);
        QVERIFY(dlg->ended());
        QCOMPARE(dlg->result(), IDCANCEL);
    }

    void theCloseBoxIsTheCloseSystemCommand() {
        QVERIFY(!view->close());  // the window stays until the host takes it down
        QCOMPARE(take(), (Notes{"sys " + std::to_string(SC_CLOSE)}));
        QVERIFY(dlg->ended());
        QCOMPARE(dlg->result(), IDCANCEL);
    }

    void inputDuringLongWorkIsDroppedAndNeverRunsAfterIt() {
        auto* box = widget<QCheckBox>(kCheck);
        auto* edit = widget<QLineEdit>(kEdit);
        const auto press = [](QWidget* w) {
            return new QMouseEvent(QEvent::MouseButtonPress, w->rect().center(),
                                   w->mapToGlobal(w->rect().center()), Qt::LeftButton,
                                   Qt::LeftButton, {});
        };
        const auto release = [](QWidget* w) {
            return new QMouseEvent(QEvent::MouseButtonRelease, w->rect().center(),
                                   w->mapToGlobal(w->rect().center()), Qt::LeftButton, Qt::NoButton,
                                   {});
        };
        dlg->duringLongOperation = [&] {
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            // While the work repaints: a click, typing, Enter and Escape, the close box.
            QTest::mouseClick(box, Qt::LeftButton);
            QTest::keyClicks(edit, "12");
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClick(edit, Qt::Key_Escape);
            QCoreApplication::postEvent(view.get(), new QCloseEvent);
        };
        dlg->endingLongOperation = [&] {
            // A click that still waits in the queue when the work ends.
            QCoreApplication::postEvent(box, press(box));
            QCoreApplication::postEvent(box, release(box));
        };
        QTest::mouseClick(widget<QPushButton>(kLong), Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(take(), (Notes{"long begins", "long ends"}));
        QVERIFY(!dlg->ended());
        QVERIFY(!box->isChecked());
        QCOMPARE(edit->text(), QString());
        QVERIFY(!QApplication::overrideCursor());

        // Then the window takes input again.
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClicks(edit, "3");
        QCOMPARE(take(), (Notes{"click 11", "change 10 3"}));
    }

    void aBoxDuringLongWorkShowsTheArrowOverIt() {
        std::optional<Qt::CursorShape> overBox;
        dlg->duringLongOperation = [&] {
            QTimer::singleShot(0, [&] {
                overBox = QApplication::overrideCursor()->shape();
                QApplication::activeModalWidget()->close();
            });
            host->messageBox("a failure");
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        };
        QTest::mouseClick(widget<QPushButton>(kLong), Qt::LeftButton);
        QCOMPARE(overBox, std::optional(Qt::ArrowCursor));
        QVERIFY(!QApplication::overrideCursor());
    }

    void aCloseDuringOtherWorkWaitsForItsEnd() {
        dlg->showsWaitCursor = false;
        dlg->duringLongOperation = [this] {
            QCoreApplication::postEvent(view.get(), new QCloseEvent);
        };
        QTest::mouseClick(widget<QPushButton>(kLong), Qt::LeftButton);
        QCOMPARE(take(), (Notes{"long begins", "long ends", "sys " + std::to_string(SC_CLOSE)}));
        QVERIFY(dlg->ended());
    }

    void aGestureBegunBeforeLongWorkStillEnds() {
        // A slider that shows the wait cursor while it works still gets the moves and the
        // release of the press that started it, and ends its scroll.
        dlg->waitWhileScrolling = true;
        dlg->follow = true;
        auto* bar = widget<QScrollBar>(kBar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, partOf(bar, QStyle::SC_ScrollBarAddLine));
        QCOMPARE(take(), (Notes{"scroll 14 1 50", "scroll 14 8 50"}));
        QVERIFY(!bar->isSliderDown());

        QCoreApplication::processEvents();  // the person's next press comes after a turn of the
                                            // loop
        const QPoint thumb = partOf(bar, QStyle::SC_ScrollBarSlider);
        QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
        QTest::mouseMove(bar, thumb + QPoint(20, 0));
        const std::string track = std::to_string(bar->sliderPosition());
        QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(20, 0));
        QCOMPARE(take(),
                 (Notes{"scroll 14 5 " + track, "scroll 14 4 " + track, "scroll 14 8 " + track}));
        QCOMPARE(std::to_string(dlg->model().scrollInfo(kBar).pos), track);
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::InputTest)
#include "input_test.moc"
