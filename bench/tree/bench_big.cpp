// A very large description, from its text to the shown "All Attribute" tree
// of a pane, beside Aravis's own document build of the same text.
//
// Each case runs in a process of its own, so that its peak RSS (VmHWM) is
// that case's alone: ours (the camera service opens the simulated camera on a
// worker thread, as a host does for a device that takes long; the pane lists
// it, the focus moves to it and its board's tree is shown and painted) and
// Aravis's (`arv_gc_new` of the text read into memory). Ours is timed from
// the start of the open to the painted tree, with the longest time the GUI
// thread went without turning its event loop (a 2 ms timer) throughout.
//
// With --expand, the board's "Expand" button is clicked on a shown pane of the
// description (the generated 5,000-feature one, say) at camview's height: the
// time from the click to the painted tree, median of rounds.
//
// Usage: bench_big FILE [--rounds N]   (a table: rounds of both, alternating)
//        bench_big --expand FILE [--rounds N] [--screenshot PNG]
//        bench_big --ours FILE [--screenshot PNG]   (one line: ms stall peakMiB rows)
//        bench_big --peer FILE                       (one line: ms peakMiB)
#include "aravispeer.h"
#include "benchgui.h"
#include "benchpane.h"
#include "benchstats.h"

#include <campane.h>

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

int countRows(const QAbstractItemModel& model, const QModelIndex& parent)
{
    int rows = model.rowCount(parent);
    for (int row = model.rowCount(parent) - 1; row >= 0; --row)
        rows += countRows(model, model.index(row, 0, parent));
    return rows;
}

int runOurs(const QString& path, const QString& screenshot)
{
    QTemporaryDir dir;
    bench::startEmptyService(dir);
    QWidget host;
    host.resize(800, 900);
    auto* pane = new CamPane(&host);
    pane->resize(host.size());
    host.show();
    bench::longestStall(200);

    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> opened{false};
    double openedMs = 0.0;
    std::string id;
    std::thread opener([&] {
        id = Corvid::AddSimulatedCamera(path.toStdString());
        openedMs = clock.nsecsElapsed() / 1.0e6;
        opened = true;
    });
    // The stalls of each phase go to the standard error: while the device
    // opens, from the focus to the painted tree, and after it.
    double stall = bench::longestStall(600000, [&] { return opened.load(); });
    opener.join();
    std::fprintf(stderr, "stall while opening: %.1f ms\n", stall);
    if (id.empty())
        return 1;
    Corvid::SetFocus(Corvid::FOCUS_CAMERA, id);
    double treeMs = -1.0;
    QTreeView* tree = nullptr;
    const double showing = bench::longestStall(600000, [&] {
        bench::chooseAllAttributeTab(*pane);
        tree = bench::shownFeatureTree(*pane);
        if (!tree)
            return false;
        tree->viewport()->repaint();
        treeMs = clock.nsecsElapsed() / 1.0e6;
        return true;
    });
    std::fprintf(stderr, "stall from the focus to the painted tree: %.1f ms\n", showing);
    stall = std::max(stall, showing);
    // A little more of the loop: the shown board's refresh timers.
    const double after = bench::longestStall(1600);
    std::fprintf(stderr, "stall after: %.1f ms\n", after);
    stall = std::max(stall, after);
    if (!screenshot.isEmpty())
        host.grab().save(screenshot);
    const int rows = tree ? countRows(*tree->model(), QModelIndex()) : 0;
    std::printf("%.1f %.1f %.1f %d %.1f\n", treeMs, stall, bench::peakRssMiB(), rows, openedMs);
    delete pane;
    Corvid::StopService();
    return treeMs < 0 ? 1 : 0;
}

int runPeer(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const std::string xml = file.readAll().toStdString();
    file.close();
    const AravisPeer::Parse parse = AravisPeer::parse(xml);
    if (!parse.ok)
        return 1;
    std::printf("%.1f %.1f\n", parse.ms, bench::peakRssMiB());
    return 0;
}

//! The last line a child printed, split at blanks; empty when it failed.
QStringList childFigures(const QStringList& args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForFinished(900000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return {};
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().split('\n').last().split(' ');
}

int runTable(const QString& path, int rounds)
{
    std::printf("### %s: text to a shown, painted tree, beside Aravis's document build\n\n",
                qPrintable(QFileInfo(path).fileName()));
    std::printf(
        "| Round | Ours (ms) | Of which the open (ms) | Longest GUI stall (ms) | Peak RSS (MiB) | Rows | "
        "Aravis's document (ms) | Aravis's peak RSS (MiB) | Time / Aravis | Peak / Aravis | Load "
        "average |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::vector<double> times, peaks;
    for (int round = 1; round <= rounds; ++round) {
        const QStringList ours = childFigures({QStringLiteral("--ours"), path});
        const QStringList peer = childFigures({QStringLiteral("--peer"), path});
        if (ours.size() != 5 || peer.size() != 2) {
            std::printf("| %d | failed | | | | | | | | | |\n", round);
            continue;
        }
        const double timeRatio = ours.at(0).toDouble() / peer.at(0).toDouble();
        const double peakRatio = ours.at(2).toDouble() / peer.at(1).toDouble();
        times.push_back(timeRatio);
        peaks.push_back(peakRatio);
        std::printf("| %d | %s | %s | %s | %s | %s | %s | %s | %.2f | %.2f | %s |\n", round,
                    qPrintable(ours.at(0)), qPrintable(ours.at(4)), qPrintable(ours.at(1)),
                    qPrintable(ours.at(2)), qPrintable(ours.at(3)), qPrintable(peer.at(0)),
                    qPrintable(peer.at(1)), timeRatio, peakRatio, qPrintable(bench::loadAverage()));
        std::fflush(stdout);
    }
    std::printf("\nMedian ratios: time %.2f, peak RSS %.2f\n", bench::median(times), bench::median(peaks));
    return times.empty() ? 1 : 0;
}

// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

//! The board's "Expand" button on a shown pane at camview's size: from the
//! click to the painted tree, then "Collapse" back; median of rounds.
int runExpand(const QString& path, int rounds, const QString& screenshot)
{
    QTemporaryDir dir;
    bench::startEmptyService(dir);
    const std::string id = Corvid::AddSimulatedCamera(path.toStdString());
    QWidget host;
    host.resize(800, 820);
    auto* pane = new CamPane(&host);
    pane->resize(host.size());
    host.show();
    Corvid::SetFocus(Corvid::FOCUS_CAMERA, id);
    QTreeView* tree = nullptr;
    bench::longestStall(60000, [&] {
        bench::chooseAllAttributeTab(*pane);
        tree = bench::shownFeatureTree(*pane);
        return tree != nullptr;
    });
    QToolButton* button = nullptr;
    for (QToolButton* candidate : pane->findChildren<QToolButton*>(QStringLiteral("toolButton"))) {
        if (candidate->isVisible())
            button = candidate;
    }
    if (!tree || !button)
        return 1;
    bench::longestStall(300);
    PaintCounter counter;
    tree->viewport()->installEventFilter(&counter);
    // Until the tree has painted after the click (its delayed layout, then
    // the paint) and settled: the scroll bars are shown or hidden in a later
    // turn of the loop, and the tree paints again then.
    const auto clickAndPaint = [&] {
        QElapsedTimer clock;
        clock.start();
        const int before = counter.paints;
        button->click();
        for (int turn = 0; turn < 1000 && counter.paints == before; ++turn)
            QApplication::processEvents();
        double painted = clock.nsecsElapsed() / 1.0e6;
        for (int quiet = 0; quiet < 3;) {
            const int paints = counter.paints;
            QApplication::processEvents();
            if (counter.paints != paints) {
                painted = clock.nsecsElapsed() / 1.0e6;
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        return painted;
    };
    std::vector<double> expands, collapses;
    int expandedRows = 0;
    for (int round = 0; round < rounds; ++round) {
        expands.push_back(clickAndPaint());
        expandedRows = 0;
        for (QModelIndex index = tree->indexAt(QPoint(1, 1)); index.isValid();
             index = tree->indexBelow(index))
            ++expandedRows;
        if (round == rounds - 1 && !screenshot.isEmpty())
            host.grab().save(screenshot);
        collapses.push_back(clickAndPaint());
    }
    std::printf("| %s | %d x %d | %d | %.1f | %.1f | %s |\n", qPrintable(QFileInfo(path).fileName()),
                tree->viewport()->width(), tree->viewport()->height(), expandedRows, bench::median(expands),
                bench::median(collapses), qPrintable(bench::loadAverage()));
    delete pane;
    Corvid::StopService();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const auto value = [&](const char* option) {
        const int at = args.indexOf(QLatin1String(option));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
    };
    if (!value("--ours").isEmpty())
        return runOurs(value("--ours"), value("--screenshot"));
    if (!value("--peer").isEmpty())
        return runPeer(value("--peer"));
    const int rounds = value("--rounds").isEmpty() ? 3 : std::clamp(value("--rounds").toInt(), 1, 20);
    if (!value("--expand").isEmpty()) {
        std::printf(
            "| Description | Tree's viewport | Rows shown expanded | Expand all, to the painted tree (ms) | "
            "Collapse (ms) | Load average |\n|---|---|---:|---:|---:|---:|\n");
        return runExpand(value("--expand"), rounds, value("--screenshot"));
    }
    if (args.size() < 2 || args.at(1).startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: bench_big FILE [--rounds N]\n");
        return 2;
    }
    return runTable(args.at(1), rounds);
}
