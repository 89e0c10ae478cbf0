// A GigE Vision camera that disappears while its board is on screen: the
// loopback emulator serves the structured-light camera, the pane shows its
// board with the "All Attribute" tree expanded (the tree repaints every
// second, the panel refreshes every 1.5 s), and the emulator is killed.
// Prints, per run and as medians: the longest time the GUI thread did not
// handle events before and after the loss, and the time from the kill until
// the board is gone. Beside it, Aravis's own read of a killed emulator: how
// long arv_device_get_integer_feature_value blocks.
//
// Usage: bench_lost [--runs N] [--screenshot FILE] (the board just before the kill)
#include "aravispeer.h"
#include "benchgui.h"
#include "benchpane.h"
#include "benchstats.h"
#include "gigeemulator.h"

#include <campane.h>

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

using bench::boardCount;
using bench::chooseAllAttributeTab;
using bench::longestStall;
using bench::median;

namespace {

//! Sends signal to the emulator's process, never to anything else (a
//! process id of 0 would mean our own process group).
void signalEmulator(const GigeEmulator& emulator, int signal)
{
    if (emulator.pid() > 0)
        ::kill(static_cast<pid_t>(emulator.pid()), signal);
}

struct Run
{
    bool ok = false;
    double stallBefore = 0.0;
    double stallAfter = 0.0;
    double goneMs = -1.0;
};

QString g_screenshot;

Run oneRun(const QString& camera, int signal)
{
    Run run;
    GigeEmulator emulator;
    QString reason;
    if (!emulator.start(camera, &reason)) { // opened once to know it answers, then closed
        std::fprintf(stderr, "emulator: %s\n", qPrintable(reason));
        return run;
    }
    const std::string id = Corvid::AddAravisCamera("127.0.0.1");
    if (id.empty()) {
        std::fprintf(stderr, "the service cannot open the emulator\n");
        return run;
    }
    QWidget host;
    host.resize(900, 2400); // the whole expanded tree on screen
    auto* pane = new CamPane(&host);
    pane->resize(host.size());
    host.show();
    Corvid::SetFocus(Corvid::FOCUS_CAMERA, id);
    longestStall(1500);
    chooseAllAttributeTab(*pane);
    // Every level, and the board's own "Expand" button (which filters what it
    // expands).
    for (QComboBox* level : pane->findChildren<QComboBox*>(QStringLiteral("cboboxLevel"))) {
        if (level->isVisible())
            level->setCurrentIndex(level->count() - 1);
    }
    for (QToolButton* button : pane->findChildren<QToolButton*>(QStringLiteral("toolButton"))) {
        if (button->isVisible() && button->text() == QLatin1String("Expand"))
            button->click();
    }
    run.stallBefore = longestStall(3000);
    if (!g_screenshot.isEmpty())
        host.grab().save(g_screenshot);
    const int boards = boardCount(*pane);

    QElapsedTimer sinceKill;
    if (signal == SIGSTOP)
        emulator.freeze();
    else
        signalEmulator(emulator, signal);
    sinceKill.start();
    run.stallAfter = longestStall(6000, [&] {
        if (run.goneMs < 0 && boardCount(*pane) < boards)
            run.goneMs = sinceKill.nsecsElapsed() / 1.0e6;
        return run.goneMs >= 0 && sinceKill.elapsed() > run.goneMs + 1000;
    });
    signalEmulator(emulator, SIGKILL);
    emulator.stop();
    Corvid::RemoveDevice(id);
    longestStall(200);
    run.ok = true;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int runsAt = args.indexOf(QStringLiteral("--runs"));
    const int runs = runsAt > 0 && runsAt + 1 < args.size() ? args.at(runsAt + 1).toInt() : 3;
    const int shotAt = args.indexOf(QStringLiteral("--screenshot"));
    if (shotAt > 0 && shotAt + 1 < args.size())
        g_screenshot = args.at(shotAt + 1);
    if (GigeEmulator::binary().isEmpty()) {
        std::printf("arv-fake-gv-camera-0.8 is not installed\n");
        return 0;
    }
    const QString camera =
        QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(QStringLiteral("kvx-slp-camera.xml"));

    QTemporaryDir settings;
    bench::startEmptyService(settings);

    std::printf(
        "### The emulator killed (the port closes) or frozen (it stays silent) under an expanded tree "
        "(kvx-slp-camera.xml, loopback GigE Vision)\n\n");
    std::printf(
        "| Run | Emulator | Longest GUI stall before (ms) | Longest GUI stall after (ms) | Board gone after "
        "(ms) | Aravis's read of the lost device blocks (ms) |\n");
    std::printf("|---|---|---:|---:|---:|---:|\n");
    const struct
    {
        int signal;
        const char* name;
    } kinds[] = {{SIGKILL, "killed"}, {SIGSTOP, "frozen"}};
    for (const auto& kind : kinds) {
        std::vector<double> before, after, gone, peer;
        for (int i = 0; i < runs; ++i) {
            const Run run = oneRun(camera, kind.signal);
            if (!run.ok)
                continue;
            GigeEmulator emulator;
            double peerMs = -1.0;
            QString reason;
            if (emulator.start(camera, &reason)) {
                peerMs = AravisPeer::readAfterLoss("127.0.0.1", "Width", [&] {
                    if (kind.signal == SIGSTOP)
                        emulator.freeze();
                    else
                        signalEmulator(emulator, kind.signal);
                });
                signalEmulator(emulator, SIGKILL);
                emulator.stop();
            }
            before.push_back(run.stallBefore);
            after.push_back(run.stallAfter);
            gone.push_back(run.goneMs);
            peer.push_back(peerMs);
            std::printf("| %d | %s | %.1f | %.1f | %.0f | %.0f |\n", i + 1, kind.name, run.stallBefore,
                        run.stallAfter, run.goneMs, peerMs);
            std::fflush(stdout);
        }
        std::printf("| median | %s | %.1f | %.1f | %.0f | %.0f |\n", kind.name, median(before), median(after),
                    median(gone), median(peer));
    }
    std::printf("\n");
    Corvid::StopService();
    return 0;
}
