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
// Usage: bench_multi [--counts 1,4,16] [--screenshot FILE] (the focused board
// of the largest N)
//        bench_multi --devices N [--screenshot FILE]   (one process, one line)
#include "benchgui.h"
#include "benchpane.h"

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

//! One N in this process: prints "N boardsMs treeMs stallMs peakMiB".
int runDevices(int count, const QString& screenshot)
{
    QTemporaryDir dir;
    bench::startEmptyService(dir);

    // Copies under names of their own: a simulated device's id follows its file.
    std::vector<std::string> ids;
    for (int i = 0; i < count; ++i) {
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
    bool tabChosen = false;
    stall = std::max(stall, bench::longestStall(60000, [&] {
                         if (!tabChosen)
                             tabChosen = bench::chooseAllAttributeTab(*pane);
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
    return boardsMs < 0 || treeMs < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int shotAt = args.indexOf(QStringLiteral("--screenshot"));
    const QString screenshot = shotAt > 0 && shotAt + 1 < args.size() ? args.at(shotAt + 1) : QString();
    const int devicesAt = args.indexOf(QStringLiteral("--devices"));
    if (devicesAt > 0 && devicesAt + 1 < args.size())
        return runDevices(std::clamp(args.at(devicesAt + 1).toInt(), 1, 64), screenshot);

    QList<int> counts = {1, 4, 16};
    const int countsAt = args.indexOf(QStringLiteral("--counts"));
    if (countsAt > 0 && countsAt + 1 < args.size()) {
        counts.clear();
        for (const QString& text : args.at(countsAt + 1).split(QLatin1Char(',')))
            counts.append(std::clamp(text.toInt(), 1, 64));
    }

    std::printf("### N simulated cameras of 5,000 features listed to a shown pane\n\n");
    std::printf(
        "| Devices | Device list to the last board (ms) | Focus to the painted tree (ms) | Longest GUI "
        "stall (ms) | Peak RSS (MiB) |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    std::vector<double> xs, ys;
    for (int count : qAsConst(counts)) {
        QProcess child;
        QStringList childArgs = {QStringLiteral("--devices"), QString::number(count)};
        if (!screenshot.isEmpty() && count == counts.last())
            childArgs << QStringLiteral("--screenshot") << screenshot;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), childArgs);
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            std::printf("| %d | failed | | | |\n", count);
            continue;
        }
        const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(' ');
        if (figures.size() != 5)
            continue;
        std::printf("| %d | %s | %s | %s | %s |\n", count, qPrintable(figures.at(1)),
                    qPrintable(figures.at(2)), qPrintable(figures.at(3)), qPrintable(figures.at(4)));
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
        std::printf("\nPeak RSS per device (slope over N): %.1f MiB\n", sxx > 0 ? sxy / sxx : 0.0);
    }
    return 0;
}
