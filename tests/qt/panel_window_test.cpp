// What a person does in the main window reaches the camera through the panel's handlers,
// exactly as the headless player's actions do; what the program changes never does.
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <fstream>

#include "app/pumping_pacer.h"
#include "panel/control_ids.h"
#include "window_rig.h"

namespace vorlix::test {

using namespace vorlix::panel;
using Lines = std::vector<std::string>;

namespace {

QPoint arrowOf(QScrollBar* bar, QStyle::SubControl arrow) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, arrow, bar).center();
}

}  // namespace

class PanelWindowTest : public QObject {
    Q_OBJECT

private slots:
    void clickingMirrorPutsTheMirrorTrafficOnTheBus() {
        WindowRig rig;
        rig.start();
        rig.takeTrace();
        QTest::mouseClick(rig.widget<QCheckBox>(IDC_MIRROR), Qt::LeftButton);
        const Lines trace = rig.takeTrace();
        QVERIFY2(
            inOrder(trace, {"W 70 03 30 1c", "W 70 00 a4 fe", "W 70 02 30 1c"}),
            qPrintable(QString::fromStdString(trace.empty() ? "(no traffic)" : trace.front())));
        QVERIFY(rig.widget<QCheckBox>(IDC_MIRROR)->isChecked());
        QCOMPARE(rig.dlg->m_mirrorCheck, 1);
    }

    void typedTextStaysInTheOffsetAddressAndPathEditsAndTheMembersTakeIt() {
        WindowRig rig;
        rig.start();
        rig.takeTrace();
        auto* edit = rig.widget<QLineEdit>(IDC_EEPROM_OFFSET);
        QTest::keyClicks(edit, "1ff");
        QCOMPARE(edit->text(), QString("1ff"));
        QCOMPARE(edit->cursorPosition(), 3);  // still at the end, where the person types
        QCOMPARE(rig.dlg->m_eepromOffset, 255);
        for (int i = 0; i < 3; ++i) QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString(""));
        QCOMPARE(rig.dlg->m_eepromOffset, 0);  // an emptied edit reads as 0
        QVERIFY(rig.takeTrace().empty());

        // An edit whose handler keeps the typed text keeps the cursor where the person is.
        auto* address = rig.widget<QLineEdit>(IDC_ADDRESS);
        address->setCursorPosition(0);
        QTest::keyClick(address, Qt::Key_1);
        QCOMPARE(address->text(), QString("170"));
        QCOMPARE(address->cursorPosition(), 1);
        QCOMPARE(rig.dlg->m_newAddr, 0xFF);

        // A path typed into the script's edit is the one "Ld EEpr file" programs.
        QTest::keyClicks(rig.widget<QLineEdit>(IDC_SCRIPT_PATH), "/tmp/b.qef");
        QCOMPARE(rig.dlg->m_scriptPath, std::string("/tmp/b.qef"));
    }

    void anArrowClickMovesTheAexSliderAndWritesTheReference() {
        WindowRig rig;
        rig.start();
        rig.takeTrace();
        auto* bar = rig.widget<QScrollBar>(IDC_AEX_BAR);
        QCOMPARE(bar->value(), 0x50);
        QTest::mouseClick(bar, Qt::LeftButton, {}, arrowOf(bar, QStyle::SC_ScrollBarAddLine));
        QCOMPARE(bar->value(), 0x51);
        QCOMPARE(rig.dlg->model().scrollInfo(IDC_AEX_BAR).pos, 0x51);
        const Lines trace = rig.takeTrace();
        QVERIFY2(
            inOrder(trace, {"W 70 02 a8 12"}),
            qPrintable(QString::fromStdString(trace.empty() ? "(no traffic)" : trace.front())));
        QCOMPARE(rig.widget<QLineEdit>(IDC_AEX_EDIT)->text(), QString("51"));
    }

    void aLinkFailureShowsItsBoxAndOkReturnsControl() {
        WindowRig rig;
        rig.start();
        rig.takeTrace();
        rig.camera.state().present = false;
        Person person;
        QTest::mouseClick(rig.widget<QPushButton>(IDC_SET_ADDRESS), Qt::LeftButton);
        QVERIFY(person.boxes().size() >= 2);
        QCOMPARE(person.boxes().front().text, QString("error: device not present"));
        // The address was not stored: no re-power request.
        QCOMPARE(person.boxes().back().text,
                 QString("The new address was not stored; the camera still answers at 70."));
        for (const Person::Box& box : person.boxes()) {
            QCOMPARE(box.title, QString("Vorlix"));
            QVERIFY(box.plain);
            QVERIFY(box.windowShown);
        }
        const Lines trace = rig.takeTrace();
        QVERIFY(inOrder(trace, {"B error: device not present",
                                "B The new address was not stored; the camera still answers at "
                                "70."}));

        // Control is back with the person: the window takes input again.
        QTest::keyClicks(rig.widget<QLineEdit>(IDC_EEPROM_OFFSET), "fe");
        QCOMPARE(rig.dlg->m_eepromOffset, 0xFE);
        QVERIFY(!rig.dlg->ended());
    }

    void aSaveThatWentWellIsToldOnTheNoticeLineWithoutABox() {
        WindowRig rig;
        rig.start();
        Person person;
        QTest::mouseClick(rig.widget<QPushButton>(IDC_SAVE), Qt::LeftButton);
        QVERIFY(person.boxes().empty());
        QCOMPARE(rig.view->notice()->text(),
                 QString::fromUtf8(frame::kSimulatedNotice) +
                     "\nsettings saved in bank a0 from offset 00 (40 bytes)");
    }

    void programChangesNeverReachAHandler() {
        WindowRig rig;
        rig.start();
        rig.takeTrace();
        frame::DialogModel& model = rig.dlg->model();
        model.setText(IDC_EEPROM_OFFSET, "1ff");
        model.setText(IDC_AEX_EDIT, "20");
        model.setCheck(IDC_MIRROR, 1);
        model.setCheck(IDC_AWB, 0);
        frame::ScrollInfo info = model.scrollInfo(IDC_AEX_BAR);
        info.pos = 0x10;
        model.setScrollInfo(IDC_AEX_BAR, info);
        QTest::qWait(10);

        QVERIFY(rig.takeTrace().empty());
        QCOMPARE(rig.dlg->m_eepromOffset, 0);  // the handler would have limited it to 255
        QCOMPARE(rig.widget<QLineEdit>(IDC_EEPROM_OFFSET)->text(), QString("1ff"));
        QVERIFY(rig.widget<QCheckBox>(IDC_MIRROR)->isChecked());
        QCOMPARE(rig.widget<QScrollBar>(IDC_AEX_BAR)->value(), 0x10);
    }

    void theOpenFileDialogOffersQefFilesAndReturnsTheFirstChosen() {
        QTemporaryDir dir;
        const QString first = dir.filePath("a.qef"), second = dir.filePath("b.qef");
        for (const QString& path : {first, second}) std::ofstream(path.toStdString()) << "/ x\n";

        QCOMPARE(qt::qtFileFilter("Qef files(.qef)|*.qef||"), QString("Qef files(.qef) (*.qef)"));
        QCOMPARE(qt::qtFileFilter("Scripts|*.qef;*.txt|All|*.*||"),
                 QString("Scripts (*.qef *.txt);;All (*.*)"));

        WindowRig rig;
        rig.start();
        Person person;
        QStringList filters;
        bool several = false;
        person.then([&](QWidget* shown) {
            auto* files = qobject_cast<QFileDialog*>(shown);
            if (!files) return false;
            filters = files->nameFilters();
            several = files->fileMode() == QFileDialog::ExistingFiles;
            files->setDirectory(dir.path());
            files->selectFile("\"a.qef\" \"b.qef\"");
            static_cast<QDialog*>(files)->accept();
            return true;
        });
        person.then([&](QWidget* shown) {
            auto* files = qobject_cast<QFileDialog*>(shown);
            if (!files) return false;
            files->reject();
            return true;
        });
        QCOMPARE(rig.host.openFileDialog("Qef files(.qef)|*.qef||", true),
                 std::optional(first.toStdString()));
        QCOMPARE(filters, QStringList{"Qef files(.qef) (*.qef)"});
        QVERIFY(several);
        QCOMPARE(rig.host.openFileDialog("Qef files(.qef)|*.qef||", true), std::nullopt);
    }

    void theWaitCursorShowsWhileAnOperationRuns() {
        WindowRig rig;
        rig.start();
        {
            frame::CWaitCursor wait(rig.host);
            QVERIFY(QApplication::overrideCursor());
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QVERIFY(!QApplication::overrideCursor());
    }

    void longWorkRunsTheEventLoopOnlyOnceTheWindowIsShown() {
        // The start-up read-back runs before the window shows: nothing to paint, so nothing
        // is pumped. The read-back of "Connect" runs in the shown window, which keeps painting.
        WindowRig rig;
        app::PumpingPacer pumping(rig.host, rig.pacer);
        panel::CVorlixDlg dlg(rig.host, rig.adapter, pumping);
        bool eventLoopRan = false;
        QTimer::singleShot(0, [&eventLoopRan] { eventLoopRan = true; });
        const std::unique_ptr<qt::DialogView> view = rig.host.openView(dlg);
        QVERIFY(rig.clock.totalMs() > 0);
        QVERIFY(!eventLoopRan);
        dlg.click(IDC_CONNECT);
        QVERIFY(eventLoopRan);
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::PanelWindowTest)
#include "panel_window_test.moc"
