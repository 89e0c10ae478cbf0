// Feature tree benchmark. Prints Markdown tables:
//  - one refresh tick with the structured-light camera's whole tree expanded:
//    register reads and GUI-thread time (the model's tick plus a synchronous
//    repaint of the view), in process and over loopback GigE Vision;
//  - building, expanding and filtering the tree of the 5000-feature
//    description, and the time from its text to a painted tree beside
//    Aravis's own document build of it.
// With --screenshot DIR it saves pictures of the tree (an editor open) instead.
#include "aravispeer.h"
#include "benchgui.h"
#include "benchstats.h"
#include "featuretreeview.h"
#include "gigeemulator.h"
#include "treeitem.h"
#include "treemodel.h"

#include <GenApi/DeviceConnection.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QScrollBar>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace GenApi;

using bench::median;

namespace {

QTextStream out(stdout);

struct Sizes
{
    int width;
    int height;
    const char* label;
};

std::unique_ptr<TreeModel> buildModel(INodeMap* nodeMap)
{
    auto model = std::make_unique<TreeModel>(QStringList{QStringLiteral("Feature"), QStringLiteral("Value")});
    NodeList_t nodes;
    nodeMap->GetNodes(nodes);
    model->setupModelData(nodes);
    return model;
}

int visibleValueRows(const FeatureTreeView& view, const TreeModel& model)
{
    int rows = 0;
    const QRect area = view.viewport()->rect();
    for (QModelIndex index = view.indexAt(QPoint(1, 1)); index.isValid(); index = view.indexBelow(index)) {
        if (!area.intersects(view.visualRect(index)))
            break;
        if (model.rowCount(index) == 0)
            ++rows;
    }
    return rows;
}

// One row of the tick table per view size.
void measureTicks(const char* transport, CDeviceConnection& device, QStringList* buildRows)
{
    // A cold register cache: every value the build reads comes from the device.
    device.GetNodeMap()->InvalidateNodes();
    device.ResetStatistics();
    QElapsedTimer buildTimer;
    buildTimer.start();
    auto model = buildModel(device.GetNodeMap());
    *buildRows << QStringLiteral("| %1 | %2 | %3 |")
                      .arg(QString::fromLatin1(transport))
                      .arg(buildTimer.nsecsElapsed() / 1.0e6, 0, 'f', 1)
                      .arg(device.GetStatistics().registerReads);
    // 0 as height: exactly as tall as the expanded tree, every row on screen.
    for (const Sizes& size : {Sizes{800, 600, "800 x 600"}, Sizes{800, 0, "all rows on screen"}}) {
        FeatureTreeView view;
        view.setModel(model.get());
        view.resize(size.width, size.height > 0 ? size.height : 600);
        view.show();
        view.expandAllBelow();
        view.setFilter(2, QString());
        QApplication::processEvents();
        if (size.height == 0) {
            int content = view.header()->height() + 2 * view.frameWidth();
            for (QModelIndex index = view.indexAt(QPoint(1, 1)); index.isValid();
                 index = view.indexBelow(index))
                content += view.visualRect(index).height();
            view.resize(size.width, content);
            QApplication::processEvents();
        }
        view.viewport()->repaint();

        for (int warmUp = 0; warmUp < 5; ++warmUp) {
            model->startRefreshTick();
            view.viewport()->repaint();
        }
        const int ticks = 50;
        std::vector<double> times;
        std::vector<double> paintTimes;
        uint64_t reads = 0;
        uint64_t readsSecondPaint = 0;
        for (int tick = 0; tick < ticks; ++tick) {
            device.ResetStatistics();
            QElapsedTimer timer;
            timer.start();
            model->startRefreshTick();
            view.viewport()->repaint();
            times.push_back(timer.nsecsElapsed() / 1.0e6);
            reads += device.GetStatistics().registerReads;
            // A second paint in the same tick (hover, scrolling) reads nothing.
            device.ResetStatistics();
            QElapsedTimer paintTimer;
            paintTimer.start();
            view.viewport()->repaint();
            paintTimes.push_back(paintTimer.nsecsElapsed() / 1.0e6);
            readsSecondPaint += device.GetStatistics().registerReads;
        }
        out << "| " << transport << " | " << size.label << " | " << visibleValueRows(view, *model) << " | "
            << QString::number(double(reads) / ticks, 'f', 1) << " | "
            << QString::number(double(readsSecondPaint) / ticks, 'f', 1) << " | "
            << QString::number(median(times), 'f', 2) << " | " << QString::number(median(paintTimes), 'f', 2)
            << " | " << view.height() << " |\n";
        out.flush();
    }
}

void tickTable()
{
    const QString camera =
        QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(QStringLiteral("kvx-slp-camera.xml"));
    out << "\n#### One refresh tick, structured-light camera, whole tree expanded (median of 50 ticks)\n\n";
    out << "| Transport | View | Value rows on screen | Register reads per tick | Reads by a 2nd paint in "
           "the tick | GUI-thread time per tick (ms) | A 2nd paint alone (ms) | View height (px) |\n";
    out << "|---|---|---|---|---|---|---|---|\n";
    QStringList buildRows;
    std::string error;
    auto simulated = CDeviceConnection::OpenSimulated(camera.toStdString(), &error);
    if (!simulated) {
        out << "| in process | cannot open: " << QString::fromStdString(error) << " | | | | |\n";
    } else {
        measureTicks("in process", *simulated, &buildRows);
    }
    if (GigeEmulator::binary().isEmpty()) {
        out << "| loopback GigE | arv-fake-gv-camera-0.8 not installed | | | | |\n";
    } else {
        GigeEmulator emulator;
        QString reason;
        auto gige = emulator.start(camera, &reason);
        if (!gige)
            out << "| loopback GigE | " << reason << " | | | | |\n";
        else
            measureTicks("loopback GigE", *gige, &buildRows);
    }
    out << "\n#### Building the structured-light camera's tree (register cache invalidated first)\n\n";
    out << "| Transport | Time (ms) | Register reads |\n|---|---|---|\n";
    for (const QString& row : buildRows)
        out << row << "\n";
}

// The description of the large tables: --large FILE, else the generated 5,000-feature one.
QString largeDescription()
{
    const QStringList arguments = QApplication::arguments();
    const int at = arguments.indexOf(QStringLiteral("--large"));
    return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1)
                                               : QStringLiteral(CAMPANE_LARGE_DESCRIPTION);
}

void largeTable()
{
    const QString path = largeDescription();
    std::string error;
    QElapsedTimer timer;
    timer.start();
    auto device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    const double openMs = timer.nsecsElapsed() / 1.0e6;
    out << "\n#### Tree of the 5000-feature description (in process)\n\n";
    if (!device) {
        out << "cannot open " << path << ": " << QString::fromStdString(error) << "\n";
        return;
    }
    out << "| Step | Time (ms) | Register reads |\n|---|---|---|\n";
    out << "| open the simulated device (for reference) | " << QString::number(openMs, 'f', 1) << " | |\n";

    auto row = [&](const char* step, auto&& work) {
        device->ResetStatistics();
        QElapsedTimer t;
        t.start();
        work();
        out << "| " << step << " | " << QString::number(t.nsecsElapsed() / 1.0e6, 'f', 1) << " | "
            << device->GetStatistics().registerReads << " |\n";
        out.flush();
    };

    std::unique_ptr<TreeModel> model;
    device->GetNodeMap()->InvalidateNodes();
    row("build the model (setupModelData, register cache invalidated first)",
        [&] { model = buildModel(device->GetNodeMap()); });
    int items = 0;
    std::function<void(const QModelIndex&)> count = [&](const QModelIndex& parent) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            ++items;
            count(model->index(r, 0, parent));
        }
    };
    count(QModelIndex());

    FeatureTreeView view;
    view.resize(800, 600);
    row("set the model on the view", [&] { view.setModel(model.get()); });
    row("filter: Guru, no text", [&] { view.setFilter(2, QString()); });
    row("expand everything (one layout and one filter after the last expansion)",
        [&] { view.expandAllBelow(); });
    row("filter: Beginner, no text", [&] { view.setFilter(0, QString()); });
    row("filter: Guru, text \"gain\"", [&] { view.setFilter(2, QStringLiteral("gain")); });
    row("filter: Guru, no text again", [&] { view.setFilter(2, QString()); });
    view.show();
    QApplication::processEvents(); // the delayed item layout
    row("first paint", [&] { view.viewport()->repaint(); });
    row("one refresh tick (tick + repaint)", [&] {
        model->startRefreshTick();
        view.viewport()->repaint();
    });
    out << "\n" << items << " rows in the model.\n";
}

// From the description file to a painted tree of it: open the simulated
// device, build the model, set it on a shown view and paint. Aravis's own
// document build of the same text is measured right after each round.
void loadToShownTable()
{
    const QString path = largeDescription();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out << "cannot read " << path << "\n";
        return;
    }
    const std::string xml = file.readAll().toStdString();
    std::vector<double> ours;
    std::vector<double> aravis;
    std::vector<double> heaps;
    std::vector<double> peerHeaps;
    std::vector<double> evaluatedPeerHeaps;
    // What a shown, painted view costs without any device (its window's
    // pixels, Qt's caches): left out of the board's figure.
    double windowHeap = 0.0;
    {
        const size_t before = AravisPeer::heapInUse();
        FeatureTreeView view;
        view.resize(800, 600);
        view.show();
        QApplication::processEvents();
        view.viewport()->repaint();
        windowHeap = double(AravisPeer::heapInUse() - before);
    }
    for (int round = 0; round < 5; ++round) {
        const size_t before = AravisPeer::heapInUse();
        QElapsedTimer timer;
        timer.start();
        auto device = CDeviceConnection::OpenSimulatedFromText(xml, path.toStdString());
        if (!device)
            return;
        auto model = buildModel(device->GetNodeMap());
        FeatureTreeView view;
        view.resize(800, 600);
        view.setModel(model.get());
        view.setFilter(2, QString());
        view.show();
        QApplication::processEvents();
        view.viewport()->repaint();
        ours.push_back(timer.nsecsElapsed() / 1.0e6);
        heaps.push_back(double(AravisPeer::heapInUse() - before) - windowHeap);
        view.setModel(nullptr);
        model.reset();
        device.reset();
        const AravisPeer::Parse peer = AravisPeer::parse(xml);
        if (peer.ok) {
            aravis.push_back(peer.ms);
            peerHeaps.push_back(double(peer.bytes));
        }
        evaluatedPeerHeaps.push_back(double(AravisPeer::evaluatedDocumentBytes(xml)));
    }
    const double peerMs = median(aravis);
    out << "\n#### 5000-feature description to a shown tree, Aravis's document alongside (median of 5)\n\n";
    out << "| Description to a painted tree (ms) | Aravis's document (ms) | Ours / Aravis | Heap of the "
           "board "
           "(MiB) | Aravis's document, parsed (MiB) | Beyond it (MiB) | Aravis's document, every feature "
           "read "
           "(MiB) | Beyond it (MiB) | Process peak (MiB) |\n"
           "|---|---|---|---|---|---|---|---|---|\n";
    const double mib = 1024.0 * 1024.0;
    const double heap = median(heaps);
    auto figure = [&](double bytes) { return QString::number(bytes / mib, 'f', 1); };
    out << "| " << QString::number(median(ours), 'f', 1) << " | " << QString::number(peerMs, 'f', 1) << " | "
        << (peerMs > 0 ? QString::number(median(ours) / peerMs, 'f', 2) : QString()) << " | " << figure(heap)
        << " | " << figure(median(peerHeaps)) << " | " << figure(heap - median(peerHeaps)) << " | "
        << figure(median(evaluatedPeerHeaps)) << " | " << figure(heap - median(evaluatedPeerHeaps)) << " | "
        << QString::number(bench::peakRssMiB(), 'f', 0) << " |\n";
    out << "\nThe board's heap leaves out what the same view costs shown without a device ("
        << figure(windowHeap) << " MiB: its window's pixels).\n";
}

// Pictures of the tree: the plain view, and with the look the board gives it.
int screenshots(const QString& dirPath)
{
    QDir dir(dirPath);
    dir.mkpath(QStringLiteral("."));
    const QString camera =
        QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(QStringLiteral("kvx-slp-camera.xml"));
    auto device = CDeviceConnection::OpenSimulated(camera.toStdString());
    if (!device)
        return 1;
    auto model = buildModel(device->GetNodeMap());
    const char* boardLook =
        "QHeaderView::section{background-color: rgb(225,225,225);border: none;height: 35px;}"
        "QTreeView{show-decoration-selected: 1;font-size: 14px;border: none;}"
        "QTreeView::item{min-height: 35px;color: #37383A;}"
        "QTreeView::item:hover{background-color: rgba(200,200,200,30%);}"
        "QTreeView::item:selected{background-color: rgb(191,231,213);}";
    const struct
    {
        const char* file;
        const char* styleSheet;
        const char* editFeature;
        int scroll;
    } shots[] = {
        {"tree-plain.png", "", "Width", 0},
        {"tree-board-look.png", boardLook, "WorkingMode", 0},
        {"tree-network.png", boardLook, "GevPersistentIPAddress", 100000},
        {"tree-float.png", boardLook, "SinData", 100000},
        {"tree-command.png", boardLook, "TriggerSoftware", 100000},
    };
    for (const auto& shot : shots) {
        FeatureTreeView view;
        view.setStyleSheet(QString::fromLatin1(shot.styleSheet));
        view.setModel(model.get());
        view.resize(640, 820);
        view.show();
        view.expandAllBelow();
        view.setFilter(2, QString());
        QApplication::processEvents();
        view.verticalScrollBar()->setValue(shot.scroll);
        std::function<QModelIndex(const QModelIndex&)> find = [&](const QModelIndex& parent) -> QModelIndex {
            for (int r = 0; r < model->rowCount(parent); ++r) {
                const QModelIndex child = model->index(r, 0, parent);
                if (model->itemFromIndex(child)->name() == QLatin1String(shot.editFeature))
                    return child;
                const QModelIndex found = find(child);
                if (found.isValid())
                    return found;
            }
            return QModelIndex();
        };
        const QModelIndex label = find(QModelIndex());
        if (label.isValid()) {
            if (shot.scroll)
                view.scrollTo(label, QAbstractItemView::PositionAtCenter);
            view.setCurrentIndex(label.sibling(label.row(), 1));
        }
        QApplication::processEvents();
        const QString file = dir.filePath(QString::fromLatin1(shot.file));
        view.grab().save(file);
        out << file << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const int shot = arguments.indexOf(QStringLiteral("--screenshot"));
    if (shot > 0)
        return screenshots(shot + 1 < arguments.size() ? arguments.at(shot + 1) : QStringLiteral("."));

    out << "### Feature tree benchmark\n";
    // --load alone: the process peak is then that of the shown board alone.
    if (arguments.contains(QStringLiteral("--steps"))) {
        largeTable();
        return 0;
    }
    if (!arguments.contains(QStringLiteral("--load"))) {
        tickTable();
        largeTable();
    }
    loadToShownTable();
    return 0;
}
