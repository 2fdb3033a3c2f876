// The window's run, the one entry point of vorlix-window.so (see window_module.h).
#include <QApplication>
#include <QSocketNotifier>
#include <memory>

#include "app/pumping_pacer.h"
#include "app/window_module.h"
#include "qt/qt_host.h"

extern "C" __attribute__((visibility("default"))) void VORLIX_WINDOW_ENTRY(
    const vorlix::app::WindowRun& run) {
    using namespace vorlix;
    QApplication qapp(run.argc, run.argv);
    qt::QtHost host;
    app::PumpingPacer pumping(host, run.pacer);
    // A signal wakes an idle window; the window's thread is never inside a bus transaction
    // while it handles events, so the run can end right there.
    std::unique_ptr<QSocketNotifier> wake;
    if (run.wakeDescriptor >= 0) {
        wake = std::make_unique<QSocketNotifier>(run.wakeDescriptor, QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [&run] { run.interrupted(); });
    }
    run.run(host, pumping);
}
