// The bus log's window, as the technician sees it: the trace's lines as they happen, failed
// transfers in red, the failures alone, a saved file that is the trace, and a bound.
#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest/QtTest>
#include <filesystem>
#include <fstream>

#include "camera/bus_reading.h"
#include "panel/control_ids.h"
#include "window_rig.h"

namespace vorlix::test {

namespace {

// The rig with the host's bus log fed from the trace, as the program wires it.
struct LogRig : WindowRig {
    explicit LogRig(sim::SimState state = sim::SimState::builtInDefault())
        : WindowRig(std::move(state)) {
        frame::BusLog* log = host.busLog();
        trace.setListener(
            [log, reader = camera::BusReader()](const std::string& line, bool failed) mutable {
                log->append(line, failed, reader.read(line));
            });
    }
    qt::BusLogWindow* open() {
        view->deliver([this] { dlg->sysCommand(frame::kBusLogCommand); });
        qt::BusLogWindow* window = host.busLogWindow();
        if (window) window->refresh();
        return window;
    }
};

std::vector<std::string> rowsOf(const qt::BusLogWindow& window) {
    std::vector<std::string> rows;
    for (int r = 0; r < window.rowCount(); ++r) rows.push_back(window.rowText(r).toStdString());
    return rows;
}

}  // namespace

class BusLogTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheTraceMarksFailuresFiltersSavesAndClears() {
        sim::SimState state = sim::SimState::builtInDefault();
        state.faults.push_back({40, std::nullopt, 5});  // one transfer of the read-back fails
        LogRig rig(std::move(state));
        Person person;  // closes the box of the failure
        rig.start();
        QCOMPARE(rig.view->menuCommands().back(), frame::kBusLogCommand);

        qt::BusLogWindow* window = rig.open();
        QVERIFY(window && window->isVisible());
        // To the right of the dialog, and on the screen however narrow it is.
        QVERIFY(window->x() > rig.view->x());
        QVERIFY(rig.view->screen()->availableGeometry().contains(window->frameGeometry()));
        rig.view->deliver([&rig] { rig.dlg->click(panel::IDC_CONNECT); }, panel::IDC_CONNECT);
        window->refresh();

        // Every line since the start, also those from before the log was opened.
        const std::string trace = rig.traceText.str();
        const std::vector<std::string> lines = rig.takeTrace();
        QVERIFY(lines.front() != frame::kBusLogOpenedLine &&
                inOrder(lines, {frame::kBusLogOpenedLine}));
        QCOMPARE(rowsOf(*window), lines);
        std::vector<std::string> failed;
        for (int r = 0; r < window->rowCount(); ++r) {
            const bool red = window->rowColour(r) == qt::BusLogWindow::kFailedColour;
            const std::string& line = lines[static_cast<std::size_t>(r)];
            QCOMPARE(red, line.find(" !") != std::string::npos && line[0] != 'B');
            if (red) failed.push_back(line);
        }
        QVERIFY(!failed.empty());

        window->failuresOnly()->click();
        QCOMPARE(rowsOf(*window), failed);

        QTemporaryDir dir;
        const std::string path = dir.filePath("failures.trace").toStdString();
        QVERIFY(window->saveTo(QString::fromStdString(path)));
        window->failuresOnly()->click();
        const std::string all = dir.filePath("all.trace").toStdString();
        QVERIFY(window->saveTo(QString::fromStdString(all)));
        const auto contents = [](const std::string& p) {
            std::ifstream in(p, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        QCOMPARE(contents(all), trace);
        std::string failedText;
        for (const std::string& line : failed) failedText += line + '\n';
        QCOMPARE(contents(path), failedText);

        // The camera's words beside the lines; the saved trace is the trace without them.
        window->readings()->click();
        const std::vector<std::string> worded = rowsOf(*window);
        QCOMPARE(worded.size(), lines.size());
        QVERIFY(std::find(worded.begin(), worded.end(),
                          "R 71 2 : 00 00              sensor 301c = 0000") != worded.end());
        QVERIFY(window->saveTo(QString::fromStdString(all)));
        QCOMPARE(contents(all), trace);
        window->readings()->click();

        // Clearing and closing change the window only: the trace goes on, and so does the log.
        QTest::mouseClick(window->clearButton(), Qt::LeftButton);
        window->refresh();
        QCOMPARE(window->rowCount(), 0);
        window->close();
        QVERIFY(rig.takeTrace().empty());
        rig.view->deliver([&rig] { rig.dlg->click(panel::IDC_CONNECT); }, panel::IDC_CONNECT);
        const std::vector<std::string> later = rig.takeTrace();
        QCOMPARE(rig.open(), window);
        QCOMPARE(rowsOf(*window).size(), later.size() + 1);
        QCOMPARE(rowsOf(*window).back(), std::string(frame::kBusLogOpenedLine));
    }

    void keepsTheNewestLinesAndSaysHowManyWereDropped() {
        LogRig rig;
        rig.start();
        qt::BusLogWindow* window = rig.open();
        const std::size_t before = rig.takeTrace().size();
        for (std::size_t n = 0; n < frame::BusLog::kCapacity; ++n)
            rig.trace.line("P " + std::to_string(n));
        window->refresh();
        QCOMPARE(window->rowCount(), static_cast<int>(frame::BusLog::kCapacity) + 1);
        QCOMPARE(window->rowText(0),
                 QString::fromUtf8("\u2026 %1 older lines dropped").arg(before));
        QCOMPARE(window->rowColour(0), qt::BusLogWindow::kNoticeColour);
        // The oldest went: the start-up read-back and the opening.
        QCOMPARE(window->rowText(1), QString("P 0"));
        QCOMPARE(window->rowText(window->rowCount() - 1).toStdString(),
                 "P " + std::to_string(frame::BusLog::kCapacity - 1));
    }
};

}  // namespace vorlix::test

QTEST_MAIN(vorlix::test::BusLogTest)
#include "bus_log_test.moc"
