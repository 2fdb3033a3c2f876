// The main dialog as a person sees it: every control of the template at its place, in tab
// order, with its caption unclipped, its style and its state; the window's shell (icon,
// window menu, About box, the sign of the simulated camera) and its modal run.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QtTest/QtTest>

#include "panel/about_dlg.h"
#include "panel/control_ids.h"
#include "qt/dialog_units.h"
#include "res/resources.h"
#include "window_rig.h"

namespace vorlix::test {

using frame::ControlKind;
using namespace vorlix::panel;

namespace {

bool isKind(QWidget* w, ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return dynamic_cast<QPushButton*>(w);
        case ControlKind::Check:
            return dynamic_cast<QCheckBox*>(w);
        case ControlKind::Radio:
            return dynamic_cast<QRadioButton*>(w);
        case ControlKind::Edit:
            return dynamic_cast<QLineEdit*>(w);
        case ControlKind::Static:
            return dynamic_cast<QLabel*>(w);
        case ControlKind::Group:
            return dynamic_cast<QGroupBox*>(w);
        case ControlKind::Scroll:
            return dynamic_cast<QScrollBar*>(w);
        case ControlKind::Progress:
            return dynamic_cast<QProgressBar*>(w);
        case ControlKind::Picture:
            return dynamic_cast<QLabel*>(w);
    }
    return false;
}

// How wide a control must be to show its caption whole in the window's style.
int widthNeeded(QWidget* w, ControlKind kind, const QString& caption) {
    const int text = w->fontMetrics().horizontalAdvance(caption);
    QStyle* style = w->style();
    switch (kind) {
        case ControlKind::Check:
        case ControlKind::Radio:
            return style->pixelMetric(kind == ControlKind::Check
                                          ? QStyle::PM_IndicatorWidth
                                          : QStyle::PM_ExclusiveIndicatorWidth,
                                      nullptr, w) +
                   style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w) + text;
        case ControlKind::Button:
            return text + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
        case ControlKind::Group:
            return text + 2 * w->fontMetrics().averageCharWidth();
        default:
            return text;
    }
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void dialogUnitsRoundEachEdgeAsThePlatformDoes() {
        // MS Sans Serif 8 on the platform: base units 6 x 13.
        QCOMPARE(qt::toPixels({7, 257, 24, 14}, {6, 13}), QRect(11, 418, 36, 22));
        QCOMPARE(qt::toPixels({315, 278, 0, 1}, {6, 13}), QRect(473, 452, 0, 1));
        // Radios stacked ten units apart touch and never overlap, whatever the base units.
        QCOMPARE(qt::toPixels({252, 188, 45, 10}, {6, 11}).bottom() + 1,
                 qt::toPixels({252, 198, 45, 10}, {6, 11}).top());
        const qt::BaseUnits units = qt::baseUnits(qt::dialogFont());
        QVERIFY(units.x >= 5 && units.x <= 7);
        QVERIFY(units.y >= 10 && units.y <= 14);
    }

    void everyControlIsThereOfItsKindAtItsPlace() {
        WindowRig rig;
        rig.start();
        const auto& tmpl = res::mainTemplate();
        QCOMPARE(rig.view->windowTitle(), QString("Halvard K300 camera control 1.6"));
        QCOMPARE(rig.view->controls().size(), std::size_t{75});
        QCOMPARE(tmpl.controls.size(), std::size_t{75});
        const qt::BaseUnits units = rig.view->units();
        const QRect client = qt::toPixels({0, 0, tmpl.width, tmpl.height}, units);
        for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
            const frame::ControlTemplate& ctl = tmpl.controls[i];
            QWidget* w = rig.view->controls()[i];
            const QString what =
                QString::fromStdString(ctl.caption) + " #" + QString::number(i + 1);
            QVERIFY2(isKind(w, ctl.kind), qPrintable(what));
            QVERIFY2(w->isVisible(), qPrintable(what));
            QCOMPARE(w->parentWidget(), rig.view.get());
            if (!(ctl.style & frame::kIcon))
                QCOMPARE(w->geometry(), qt::toPixels(ctl.place, units));
            QVERIFY2(client.contains(w->geometry()), qPrintable(what));
            if (ctl.id != frame::kNoId) QCOMPARE(rig.view->control(ctl.id), w);
        }
        // The OK button of the 315 x 278 unit dialog sits at its bottom left.
        QCOMPARE(rig.view->control(frame::IDOK)->geometry().topLeft(),
                 QPoint((7 * units.x + 2) / 4, (257 * units.y + 4) / 8));
    }

    void everyCaptionFitsItsControl() {
        WindowRig rig;
        rig.start();
        panel::CAboutDlg about(rig.host);
        const std::unique_ptr<qt::DialogView> aboutView = rig.host.openView(about);
        for (qt::DialogView* view : {rig.view.get(), aboutView.get()}) {
            const auto& controls = view->dialog().dialogTemplate().controls;
            for (std::size_t i = 0; i < controls.size(); ++i) {
                const frame::ControlTemplate& ctl = controls[i];
                if (ctl.caption.empty() || ctl.kind == ControlKind::Progress) continue;
                QWidget* w = view->controls()[i];
                const QString caption = QString::fromStdString(ctl.caption);
                const int needed = widthNeeded(w, ctl.kind, caption);
                QVERIFY2(needed <= w->width(), qPrintable(QString("\"%1\" needs %2 px, has %3")
                                                              .arg(caption)
                                                              .arg(needed)
                                                              .arg(w->width())));
                QVERIFY2(w->fontMetrics().height() <= w->height(), qPrintable(caption));
            }
        }
    }

    void tabOrderIsTemplateOrderAndStylesAreKept() {
        WindowRig rig;
        rig.start();
        const auto& tmpl = res::mainTemplate();
        std::vector<QWidget*> tabStops;
        for (std::size_t i = 0; i < tmpl.controls.size(); ++i)
            if (tmpl.controls[i].style & frame::kTabStop)
                tabStops.push_back(rig.view->controls()[i]);

        QWidget* ok = rig.view->control(frame::IDOK);
        QCOMPARE(rig.view->focusWidget(), ok);  // the first tab stop has the focus
        std::vector<QWidget*> walked;
        QWidget* w = ok;
        do {
            if (w->focusPolicy() & Qt::TabFocus) walked.push_back(w);
            w = w->nextInFocusChain();
        } while (w != ok);
        QCOMPARE(walked, tabStops);

        QVERIFY(rig.widget<QPushButton>(frame::IDOK)->isDefault());
        QVERIFY(!rig.widget<QPushButton>(frame::IDCANCEL)->isDefault());
        for (int id : {IDC_WB_MODE, IDC_TV_MODE, IDC_TRIM_X, IDC_TRIM_Y})
            QVERIFY(rig.widget<QLineEdit>(id)->isReadOnly());
        QVERIFY(!rig.widget<QLineEdit>(IDC_EEPROM_OFFSET)->isReadOnly());
        QCOMPARE(rig.widget<QLineEdit>(IDC_WB_MODE)->alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QCOMPARE(rig.widget<QLineEdit>(IDC_TRIM_X)->alignment(),
                 Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(rig.widget<QLineEdit>(IDC_TV_MODE)->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(!(rig.widget<QRadioButton>(IDC_TARGET_SENSOR)->focusPolicy() & Qt::TabFocus));
        QCOMPARE(rig.widget<QScrollBar>(IDC_AEX_BAR)->focusPolicy(), Qt::NoFocus);
        QVERIFY(!rig.widget<QProgressBar>(IDC_PROGRESS)->isTextVisible());
    }

    void groupBoxesAreFramesBehindTheirControls() {
        WindowRig rig;
        rig.start();
        const auto& tmpl = res::mainTemplate();
        const QObjectList& stack = rig.view->children();  // bottom first
        for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
            const int group = tmpl.controls[i].groupBox;
            if (group < 0) continue;
            QWidget* box = rig.view->controls()[static_cast<std::size_t>(group)];
            QVERIFY(dynamic_cast<QGroupBox*>(box));
            QVERIFY(box->testAttribute(Qt::WA_TransparentForMouseEvents));
            QVERIFY2(stack.indexOf(box) < stack.indexOf(rig.view->controls()[i]),
                     tmpl.controls[i].caption.c_str());
        }
    }

    void theWindowShowsTheCameraAsReadBack() {
        WindowRig rig;
        rig.start();
        QCOMPARE(rig.widget<QLineEdit>(IDC_ADDRESS)->text(), QString("70"));
        QCOMPARE(rig.widget<QLineEdit>(IDC_TV_MODE)->text(), QString("PAL"));
        QCOMPARE(rig.widget<QLineEdit>(IDC_AEX_EDIT)->text(), QString("50"));
        QCOMPARE(rig.widget<QScrollBar>(IDC_AEX_BAR)->value(), 0x50);
        QCOMPARE(rig.widget<QScrollBar>(IDC_AEX_BAR)->maximum(), 255);
        QCOMPARE(rig.widget<QScrollBar>(IDC_SHUTTER_BAR)->maximum(), 192);
        QCOMPARE(rig.widget<QScrollBar>(IDC_SHARP_BAR)->value(), 4);
        QVERIFY(rig.widget<QScrollBar>(IDC_AEX_BAR)->isEnabled());
        QVERIFY(!rig.widget<QScrollBar>(IDC_SHUTTER_BAR)->isEnabled());
        QVERIFY(!rig.widget<QLineEdit>(IDC_SHUTTER_EDIT)->isEnabled());
        QVERIFY(rig.widget<QCheckBox>(IDC_OVERLAY_ENABLE)->isChecked());
        QVERIFY(rig.widget<QCheckBox>(IDC_OVERLAY1)->isChecked());
        QVERIFY(!rig.widget<QCheckBox>(IDC_OVERLAY2)->isChecked());
        QVERIFY(rig.widget<QRadioButton>(IDC_TARGET_SENSOR)->isChecked());
        QVERIFY(rig.widget<QGroupBox>(IDC_TRIM_GROUP)->isEnabled());
    }

    void imageTrimIsGreyedWithItsGroupWhenTrimIsNotActive() {
        sim::SimState state = sim::SimState::builtInDefault();
        state.eeprom[1][0] = 0xFF;  // no trim offset stored
        WindowRig rig(state);
        rig.start();
        QVERIFY(!rig.widget<QGroupBox>(IDC_TRIM_GROUP)->isEnabled());
        for (int id : {IDC_TRIM_LEFT, IDC_TRIM_RIGHT, IDC_TRIM_UP, IDC_TRIM_DOWN, IDC_TRIM_STORE})
            QVERIFY(!rig.widget<QPushButton>(id)->isEnabled());
        QCOMPARE(rig.widget<QLineEdit>(IDC_TRIM_X)->text(), QString("not active"));
        QVERIFY(!rig.widget<QLineEdit>(IDC_TRIM_X)->isEnabled());
    }

    void iconAndPictureAreShown() {
        WindowRig rig;
        rig.start();
        const QList<QSize> sizes = rig.view->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(sizes.contains(QSize(16, 16)));

        const auto& tmpl = res::mainTemplate();
        for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
            if (tmpl.controls[i].kind != ControlKind::Picture) continue;
            auto* picture = dynamic_cast<QLabel*>(rig.view->controls()[i]);
            QVERIFY(picture->hasScaledContents());
            QCOMPARE(picture->pixmap().size(), QSize(181, 56));
            QCOMPARE(picture->frameShadow(), QFrame::Sunken);
        }
    }

    void aSimulatedCameraIsSaidUnderTheDialog() {
        WindowRig rig;
        rig.start();
        QLabel* notice = rig.view->notice();
        QVERIFY(notice && notice->isVisible());
        QCOMPARE(notice->text(), QString::fromUtf8(frame::kSimulatedNotice));
        QVERIFY(rig.view->rect().contains(notice->geometry()));
        const QRect client = qt::toPixels({0, 0, 315, 278}, rig.view->units());
        QVERIFY(notice->geometry().top() >= client.bottom());
        bool tooltip = false;
        for (QWidget* w : rig.view->controls())
            if (auto* label = dynamic_cast<QLabel*>(w);
                label && label->text() == "rev 1.6 USB interface")
                tooltip = label->toolTip() == QString::fromUtf8(frame::kSimulatedNotice);
        QVERIFY(tooltip);
        // Every caption stays as the template has it.
        for (std::size_t i = 0; i < res::mainTemplate().controls.size(); ++i)
            if (auto* label = dynamic_cast<QLabel*>(rig.view->controls()[i]);
                label && label->pixmap().isNull())
                QCOMPARE(label->text(),
                         QString::fromStdString(res::mainTemplate().controls[i].caption));

        // A backend's standing note joins it; the window grows, the template stays.
        const int before = rig.view->height();
        rig.host.notice("cannot open /dev/i2c-3: permission denied");
        QCOMPARE(notice->text(), QString::fromUtf8(frame::kSimulatedNotice) +
                                     "\ncannot open /dev/i2c-3: permission denied");
        QVERIFY(rig.view->height() > before);
        QVERIFY(rig.view->rect().contains(notice->geometry()));

        WindowRig hardware(sim::SimState::builtInDefault(), false);
        hardware.start();
        QVERIFY(!hardware.view->notice());
        QCOMPARE(hardware.view->height(), client.height());
    }

    void theAboutBoxOpensFromTheWindowMenuAndReturns() {
        WindowRig rig;
        Person person;
        bool backgroundIsFree = false;
        QStringList menuTexts;
        QString aboutTitle, aboutLabel;
        auto isMain = [&rig](QWidget* shown) {
            auto* view = dynamic_cast<qt::DialogView*>(shown);
            return view && &view->dialog() == rig.dlg.get() && view->isVisible() ? view : nullptr;
        };
        person.then([&](QWidget* shown) {
            qt::DialogView* main = isMain(shown);
            if (!main) return false;
            // Beside the Cancel button, on no control.
            const QPoint at = main->control(frame::IDCANCEL)->geometry().topRight() + QPoint(3, -6);
            backgroundIsFree = main->childAt(at) == nullptr;
            QTimer::singleShot(0, main, [main, at] { rightClickBackground(main, at); });
            return true;
        });
        person.then([&](QWidget* shown) {
            auto* menu = qobject_cast<QMenu*>(shown);
            if (!menu) return false;
            QAction* about = nullptr;
            for (QAction* a : menu->actions()) {
                menuTexts << (a->isSeparator() ? QString("-") : a->text());
                if (a->text() == "&About Vorlix rev1.6") about = a;
            }
            menu->setActiveAction(about);
            QTest::keyClick(menu, Qt::Key_Return);
            return true;
        });
        person.then([&](QWidget* shown) {
            auto* about = dynamic_cast<qt::DialogView*>(shown);
            if (!about || &about->dialog() == rig.dlg.get()) return false;
            aboutTitle = about->windowTitle();
            for (QWidget* w : about->controls())
                if (auto* label = dynamic_cast<QLabel*>(w); label && !label->text().isEmpty())
                    aboutLabel = label->text();
            QTest::mouseClick(about->control(frame::IDOK), Qt::LeftButton);
            return true;
        });
        person.then([&](QWidget* shown) {
            qt::DialogView* main = isMain(shown);
            if (!main) return false;
            QTest::keyClick(main->control(frame::IDOK), Qt::Key_Escape);
            return true;
        });

        QCOMPARE(rig.dlg->DoModal(), frame::IDCANCEL);
        QVERIFY(person.done());
        QVERIFY(backgroundIsFree);
        QCOMPARE(menuTexts, (QStringList{"&Close", "-", "&About Vorlix rev1.6", "&Bus log..."}));
        QCOMPARE(aboutTitle, QString("About Vorlix"));
        QCOMPARE(aboutLabel, QString("Korrin Version 1.4"));
        const auto trace = rig.takeTrace();
        QVERIFY(inOrder(trace, {"D 100"}));
        QCOMPARE(trace.back(), std::string("D 100"));  // closing sent nothing
    }

    void theModalRunInitialisesBeforeShowingAndEndsOnEscape() {
        sim::SimState absent = sim::SimState::builtInDefault();
        absent.present = false;
        WindowRig rig(absent);
        Person person;
        QString addressShown;
        person.then([&](QWidget* shown) {
            auto* view = dynamic_cast<qt::DialogView*>(shown);
            if (!view || !view->isVisible()) return false;
            addressShown = dynamic_cast<QLineEdit*>(view->control(IDC_ADDRESS))->text();
            QTest::keyClick(view->control(IDC_EEPROM_OFFSET), Qt::Key_Escape);
            return true;
        });
        QCOMPARE(rig.dlg->DoModal(), frame::IDCANCEL);
        QCOMPARE(person.boxes().size(), std::size_t{1});
        QCOMPARE(person.boxes()[0].text,
                 QString("No valid address found, re-power cam and retry."));
        QCOMPARE(person.boxes()[0].title, QString("Vorlix"));
        QVERIFY(person.boxes()[0].plain);
        QVERIFY(!person.boxes()[0].windowShown);  // the read-back runs before the window shows
        QCOMPARE(addressShown, QString("ff"));
        const auto trace = rig.takeTrace();
        QCOMPARE(trace.back(), std::string("B No valid address found, re-power cam and retry."));
        QCOMPARE(rig.host.activeView(), nullptr);
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::WindowTest)
#include "window_test.moc"
