// The windows drawn as their templates lay them out: controls the template keeps apart never
// touch on screen, every group box's frame and caption clear the controls inside it, check
// and radio indicators fit their rectangles; and the notice line keeps the end of a long path.
#include <QAbstractButton>
#include <QLabel>
#include <QStyleOptionButton>
#include <QtTest/QtTest>

#include "panel/about_dlg.h"
#include "qt/group_frame.h"
#include "window_rig.h"

namespace vorlix::test {

using frame::ControlKind;

namespace {

bool apart(const frame::Rect& a, const frame::Rect& b) {
    return a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
}

QString nameOf(const frame::ControlTemplate& ctl, std::size_t i) {
    return QString("\"%1\" #%2").arg(QString::fromStdString(ctl.caption)).arg(i + 1);
}

// Every check the template's layout promises, for one window.
void checkLayout(qt::DialogView& view) {
    const auto& controls = view.dialog().dialogTemplate().controls;
    const std::vector<QWidget*>& widgets = view.controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        QWidget* w = widgets[i];
        const QString what = nameOf(controls[i], i);
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            if (apart(controls[i].place, controls[j].place))
                QVERIFY2(!w->geometry().intersects(widgets[j]->geometry()),
                         qPrintable(what + " overlaps " + nameOf(controls[j], j)));

        if (controls[i].kind == ControlKind::Check || controls[i].kind == ControlKind::Radio) {
            QStyleOptionButton option;
            option.initFrom(w);
            const bool radio = controls[i].kind == ControlKind::Radio;
            const QRect indicator = w->style()->subElementRect(
                radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, w);
            QVERIFY2(w->rect().contains(indicator), qPrintable(what + ": indicator sticks out"));
        }

        auto* group = dynamic_cast<qt::GroupFrame*>(w);
        if (!group) continue;
        // The frame's two lines lie inside frameRect; the caption's middle is the top line.
        const QRect frame = group->frameRect().translated(group->pos());
        const QRect inner = frame.adjusted(2, 2, -2, -2);
        const QRect caption = group->captionRect().translated(group->pos());
        QVERIFY2(std::abs(caption.center().y() - frame.top()) <= 1, qPrintable(what));
        for (std::size_t j = 0; j < controls.size(); ++j) {
            if (controls[j].groupBox != static_cast<int>(i)) continue;
            // A control the template lays on the frame's edge (Browse on General's right)
            // is left there; every other edge clears the frame's lines.
            const frame::Rect& box = controls[i].place;
            const frame::Rect& place = controls[j].place;
            const QRect inside = widgets[j]->geometry();
            const bool clear =
                (place.x <= box.x || inside.left() >= inner.left()) &&
                (place.x + place.w >= box.x + box.w || inside.right() <= inner.right()) &&
                inside.top() >= inner.top() &&
                (place.y + place.h >= box.y + box.h || inside.bottom() <= inner.bottom());
            QVERIFY2(clear, qPrintable(what + "'s frame crosses " + nameOf(controls[j], j)));
            QVERIFY2(!caption.intersects(inside),
                     qPrintable(what + "'s caption covers " + nameOf(controls[j], j)));
        }
    }
}

}  // namespace

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    void everyWindowKeepsItsTemplateLayout() {
        WindowRig rig;
        rig.start();
        checkLayout(*rig.view);
        panel::CAboutDlg about(rig.host);
        const std::unique_ptr<qt::DialogView> aboutView = rig.host.openView(about);
        checkLayout(*aboutView);
    }

    void aLongNoticeKeepsItsEndAndShowsWholeAsTooltip() {
        WindowRig rig;
        rig.start();
        const QString simulated = QString::fromUtf8(frame::kSimulatedNotice);
        const std::string told =
            "programmed and verified /home/" + std::string(200, 'd') + "/k.qef";
        rig.host.outcome(told);
        const QStringList shown = rig.view->notice()->text().split('\n');
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], simulated);
        QVERIFY(shown[1].startsWith("programmed and verified /home/d"));
        QVERIFY(shown[1].contains(QChar(0x2026)) && shown[1].endsWith("d/k.qef"));
        QCOMPARE(rig.view->notice()->toolTip(), simulated + '\n' + QString::fromStdString(told));
        // A cleared outcome leaves its line empty: the window keeps its height.
        const int height = rig.view->height();
        rig.host.outcome("");
        QCOMPARE(rig.view->notice()->text(), simulated + '\n');
        QCOMPARE(rig.view->height(), height);
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::GeometryTest)
#include "geometry_test.moc"
