// The windows drawn as their templates lay them out: controls the template keeps apart never
// touch on screen, every group box's frame and caption clear the controls inside it, check
// and radio indicators fit their rectangles; and the notice line shortens a path, never its
// words.
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

// The two lines of each edge of a group box's frame, in the dialog's coordinates.
std::vector<QRect> frameLines(const qt::GroupFrame& group) {
    const QRect f = group.frameRect().translated(group.pos());
    return {{f.left(), f.top(), f.width(), 2},
            {f.left(), f.bottom() - 1, f.width(), 2},
            {f.left(), f.top(), 2, f.height()},
            {f.right() - 1, f.top(), 2, f.height()}};
}

// No frame line crosses a group box's caption: where the template lays a caption on another
// group box's frame, the caption's group box is stacked above the other one, so that the
// caption, drawn on the dialog's background, covers the line.
void checkCaptionsClear(qt::DialogView& view) {
    std::vector<qt::GroupFrame*> groups;
    for (QWidget* w : view.controls())
        if (auto* group = dynamic_cast<qt::GroupFrame*>(w)) groups.push_back(group);
    const QObjectList stacking = view.children();  // bottom to top
    for (qt::GroupFrame* captioned : groups) {
        const QRect caption = captioned->captionRect().translated(captioned->pos());
        for (qt::GroupFrame* other : groups) {
            if (other == captioned) continue;
            for (const QRect& line : frameLines(*other)) {
                if (!line.intersects(caption)) continue;
                QVERIFY2(stacking.indexOf(captioned) > stacking.indexOf(other),
                         qPrintable("\"" + other->title() + "\"'s frame crosses the caption \"" +
                                    captioned->title() + "\""));
            }
        }
    }
}

// Every check the template's layout promises, for one window.
void checkLayout(qt::DialogView& view) {
    checkCaptionsClear(view);
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

    void aLongNoticeGivesWayAtAPathNeverInItsWordsAndShowsWholeAsTooltip() {
        WindowRig rig;
        rig.start();
        const QString simulated = QString::fromUtf8(frame::kSimulatedNotice);
        const int height = rig.view->height();
        // Too wide for one row even with its path shortened: it wraps, every word whole.
        const QString adapter =
            "/dev/i2c-7 does not exist: plug in the adapter, load the i2c-dev module (sudo "
            "modprobe i2c-dev), or choose a bus from vorlix --bus list";
        rig.host.notice(adapter.toStdString());
        QStringList shown = rig.view->notice()->text().split('\n');
        QCOMPARE(shown.front(), simulated);
        QVERIFY(shown.size() > 2);
        QCOMPARE(shown.mid(1).join(' '), adapter);
        QCOMPARE(rig.view->height(),
                 height + static_cast<int>(shown.size() - 1) * rig.view->units().y);
        // A path gives way in the middle and keeps its file name.
        const std::string told =
            "programmed and verified /home/" + std::string(200, 'd') + "/k.qef";
        rig.host.outcome(told);
        shown = rig.view->notice()->text().split('\n');
        QVERIFY(shown.back().startsWith("programmed and verified /home/d"));
        QVERIFY(shown.back().endsWith(QString(QChar(0x2026)) + "/k.qef"));
        const QFontMetrics metrics = rig.view->notice()->fontMetrics();
        for (const QString& row : shown)
            QVERIFY(metrics.horizontalAdvance(row) < rig.view->width());
        QCOMPARE(rig.view->notice()->toolTip(),
                 simulated + '\n' + adapter + '\n' + QString::fromStdString(told));
        // A cleared outcome leaves its line empty: the window keeps its height.
        const int withOutcome = rig.view->height();
        const int rows = static_cast<int>(shown.size());
        rig.host.outcome("");
        QCOMPARE(rig.view->notice()->text().split('\n').size(), rows);
        QCOMPARE(rig.view->height(), withOutcome);
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::GeometryTest)
#include "geometry_test.moc"
