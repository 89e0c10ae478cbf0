// Many devices at once: N simulated cameras, each with its own copy of the
// generated 5,000-feature description, are opened by the camera service and
// listed to a shown pane (800 x 900). Measured on the
// GUI thread from the device list to the last board, then from the focus on
// the last camera to its painted "All Attribute" tree; through both, the
// longest time the GUI thread went without turning its event loop (a 2 ms
// timer). Every N runs in a process of its own, so that its peak RSS
// (VmHWM) is what N devices cost; the slope of the peak over N is the cost
// of one device.
//
// The same over loopback GigE Vision: N fake GigE Vision devices (the tests'
// FakeGigeDevice, answering the control protocol on 127.0.0.201 onwards, in
// a child process of their own so that their memory is not counted), each
// serving the 5,000-feature description generated with its registers from
// 0x1000. Aravis's emulator listens only on an interface's own address, so
// that one machine runs one of them at a time. --no-gige leaves them out.
//
// Usage: bench_multi [--counts 1,4,16] [--gige-counts 1,4,16] [--no-gige]
//                    [--screenshot FILE] (the focused board of the largest N)
//        bench_multi --devices N [--gige] [--screenshot FILE]   (one process, one line)
//        bench_multi --serve N   (the fake devices' process: until its input closes)
#include "benchgui.h"
#include "benchpane.h"
#include "benchrun.h"
#include "fakegigedevice.h"
#include "gigeemulator.h"

#include <campane.h>

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

//! The shown board's feature tree, once it has rows.
QTreeView* shownTree(const QWidget& pane)
{
    for (QTreeView* tree : pane.findChildren<QTreeView*>(QStringLiteral("widget_featrue"))) {
        if (tree->isVisible() && tree->model() && tree->model()->rowCount() > 0)
            return tree;
    }
    return nullptr;
}

std::string fakeAddress(int index)
{
    return "127.0.0." + std::to_string(201 + index);
}

//! The fake devices' process: serves count devices until its input closes.
int serveFakes(int count)
{
    QFile file(QStringLiteral(BENCH_MULTI_LOW_DESCRIPTION));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const std::string description = file.readAll().toStdString();
    std::vector<std::unique_ptr<FakeGigeDevice>> fakes;
    for (int i = 0; i < count; ++i) {
        fakes.push_back(std::make_unique<FakeGigeDevice>(fakeAddress(i)));
        fakes.back()->setDescription(description);
        fakes.back()->setSerial("MULTI" + std::to_string(i + 1));
        std::string error;
        if (!fakes.back()->start(&error)) {
            std::fprintf(stderr, "no fake device on %s: %s\n", fakeAddress(i).c_str(), error.c_str());
            return 1;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

//! Starts count fake devices in a child process and adds each to the
//! service; false when one cannot be added.
bool addFakes(int count, EmulatorProcess* server, std::vector<std::string>* ids)
{
    server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server->start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--serve"), QString::number(count)});
    while (server->waitForReadyRead(10000) && !server->canReadLine()) {
    }
    if (server->readLine().trimmed() != "ready")
        return false;
    for (int i = 0; i < count; ++i) {
        ids->push_back(Corvid::AddAravisCamera(fakeAddress(i)));
        if (ids->back().empty())
            return false;
    }
    return true;
}

//! One N in this process: prints "N boardsMs treeMs stallMs peakMiB".
int runDevices(int count, bool gige, const QString& screenshot)
{
    QTemporaryDir dir;
    bench::startEmptyService(dir);

    // Copies under names of their own: a simulated device's id follows its file.
    std::vector<std::string> ids;
    EmulatorProcess server;
    if (gige && !addFakes(count, &server, &ids))
        return 1;
    for (int i = 0; i < count && !gige; ++i) {
        const QString copy =
            dir.filePath(QStringLiteral("large-5000-%1.xml").arg(i + 1, 2, 10, QLatin1Char('0')));
        if (!QFile::copy(QStringLiteral(CAMPANE_LARGE_DESCRIPTION), copy)) {
            std::fprintf(stderr, "cannot copy the description to %s\n", qPrintable(copy));
            return 1;
        }
        ids.push_back(Corvid::AddSimulatedCamera(copy.toStdString()));
        if (ids.back().empty())
            return 1;
    }

    QWidget host;
    host.resize(800, 900);
    QElapsedTimer clock;
    clock.start();
    // The service lists its devices to the new pane at once.
    auto* pane = new CamPane(&host);
    pane->resize(host.size());
    host.show();
    double boardsMs = -1.0;
    double stall = bench::longestStall(60000, [&] {
        if (bench::boardCount(*pane) < count + 1)
            return false;
        boardsMs = clock.nsecsElapsed() / 1.0e6;
        return true;
    });

    clock.restart();
    Corvid::SetFocus(Corvid::FOCUS_CAMERA, ids.back());
    double treeMs = -1.0;
    stall = std::max(stall, bench::longestStall(60000, [&] {
                         // Chosen again until the tree shows: right after the focus
                         // moves, the board shown before may still be the visible one.
                         bench::chooseAllAttributeTab(*pane);
                         QTreeView* tree = shownTree(*pane);
                         if (!tree)
                             return false;
                         tree->viewport()->repaint();
                         treeMs = clock.nsecsElapsed() / 1.0e6;
                         return true;
                     }));
    // A little more of the loop: the refresh timers of the shown board.
    stall = std::max(stall, bench::longestStall(1600, {}));
    if (!screenshot.isEmpty())
        host.grab().save(screenshot);
    std::printf("%d %.1f %.1f %.1f %.1f\n", count, boardsMs, treeMs, stall, bench::peakRssMiB());
    delete pane;
    Corvid::StopService();
    server.closeWriteChannel();
    server.waitForFinished(5000);
    return boardsMs < 0 || treeMs < 0 ? 1 : 0;
}

//! One process per N; a table row for each, then the slope of the peak RSS.
void runSeries(const QString& title, const QList<int>& counts, bool gige, const QString& screenshot)
{
    std::printf("### %s\n\n", qPrintable(title));
    std::printf(
        "| Devices | Device list to the last board (ms) | Focus to the painted tree (ms) | Longest GUI "
        "stall (ms) | Peak RSS (MiB) | Load average |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    std::vector<double> xs, ys;
    for (int count : counts) {
        QProcess child;
        QStringList childArgs = {QStringLiteral("--devices"), QString::number(count)};
        if (gige)
            childArgs << QStringLiteral("--gige");
        if (!screenshot.isEmpty() && count == counts.last())
            childArgs << QStringLiteral("--screenshot") << screenshot;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), childArgs);
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            std::printf("| %d | failed | | | | |\n", count);
            continue;
        }
        // The figures are the last line; the libraries may print before it.
        const QStringList figures =
            QString::fromUtf8(child.readAllStandardOutput()).trimmed().split('\n').last().split(' ');
        if (figures.size() != 5)
            continue;
        std::printf("| %d | %s | %s | %s | %s | %s |\n", count, qPrintable(figures.at(1)),
                    qPrintable(figures.at(2)), qPrintable(figures.at(3)), qPrintable(figures.at(4)),
                    qPrintable(bench::loadAverage()));
        std::fflush(stdout);
        xs.push_back(count);
        ys.push_back(figures.at(4).toDouble());
    }
    if (xs.size() >= 2) {
        // Least-squares slope of the peak over N.
        double mx = 0, my = 0;
        for (size_t i = 0; i < xs.size(); ++i) {
            mx += xs[i];
            my += ys[i];
        }
        mx /= xs.size();
        my /= xs.size();
        double sxy = 0, sxx = 0;
        for (size_t i = 0; i < xs.size(); ++i) {
            sxy += (xs[i] - mx) * (ys[i] - my);
            sxx += (xs[i] - mx) * (xs[i] - mx);
        }
        std::printf("\nPeak RSS per device (slope over N): %.1f MiB\n\n", sxx > 0 ? sxy / sxx : 0.0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int shotAt = args.indexOf(QStringLiteral("--screenshot"));
    const QString screenshot = shotAt > 0 && shotAt + 1 < args.size() ? args.at(shotAt + 1) : QString();
    const int serveAt = args.indexOf(QStringLiteral("--serve"));
    if (serveAt > 0 && serveAt + 1 < args.size())
        return serveFakes(std::clamp(args.at(serveAt + 1).toInt(), 1, 50));
    const int devicesAt = args.indexOf(QStringLiteral("--devices"));
    if (devicesAt > 0 && devicesAt + 1 < args.size())
        return runDevices(std::clamp(args.at(devicesAt + 1).toInt(), 1, 64),
                          args.contains(QStringLiteral("--gige")), screenshot);

    const QList<int> counts = bench::listArgument(args, QStringLiteral("--counts"), {1, 4, 16}, 1, 64);
    runSeries(QStringLiteral("N simulated cameras of 5,000 features listed to a shown pane"), counts, false,
              screenshot);
    if (!args.contains(QStringLiteral("--no-gige")))
        runSeries(QStringLiteral("N GigE Vision cameras of 5,000 features (fake devices on loopback) listed "
                                 "to a shown pane"),
                  bench::listArgument(args, QStringLiteral("--gige-counts"), {1, 4, 16}, 1, 64), true,
                  QString());
    return 0;
}
