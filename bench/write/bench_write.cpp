// A write from the GUI thread to a GigE Vision device that stops answering
// just before it: our fake device (devices/fakegige, 127.0.0.52 to .59) serving a
// gain register, frozen (it answers nothing; what arrives waits), under a
// shown feature tree (its tick reads every second) and a panel row. The
// write goes through the tree (TreeModel::setData) or through the row (its
// spin box's editing finished). The device is thawed 500 ms later (it then
// takes the write) or never.
//
// Prints per run and as medians: the longest time the GUI thread went
// without handling events, what was reported (the record's kind), and the
// time from the thaw until the tree or the row shows the device's value.
// Beside it, the same write on the GUI thread with the full write deadline,
// as every write waited before.
//
// Usage: bench_write [--runs N]
#include "benchgui.h"
#include "benchstats.h"
#include "fakegigeconnection.h"
#include "featuretreeview.h"
#include "toolpagewidgetitem.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/Corvid.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QApplication>
#include <QFile>
#include <QSpinBox>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace GenApi;
using bench::longestStall;
using bench::median;

namespace {

constexpr int kThawAfterMs = 500;
constexpr int64_t kBefore = 5;
constexpr int64_t kWritten = 9;

std::string g_kind; //!< the kind of the last write record

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

//! A time in ms, or "-" when the value never showed (the device was lost).
std::string shownText(double ms)
{
    return ms < 0 ? std::string("-") : std::to_string(int(ms + 0.5));
}

struct Run
{
    double stallMs = 0.0;
    std::string reported;
    double shownAfterThawMs = -1.0; //!< -1: not shown (lost, or never thawed)
};

enum class Route
{
    Tree,
    Row,
    FullDeadline //!< the earlier behaviour: the GUI thread waits the full write deadline
};

//! The figures of one run; none when the device could not be set up.
std::optional<Run> oneRun(Route route, bool thaw, const std::string& address)
{
    Run run;
    FakeGigeDevice fake(address);
    std::string error;
    auto device = openFakeGige(fake, &error);
    if (!device) {
        std::fprintf(stderr, "fake device on %s: %s\n", address.c_str(), error.c_str());
        return std::nullopt;
    }
    INodeMap* map = device->GetNodeMap();
    CIntegerPtr gain(map->GetNode("Gain"));
    gain->SetValue(kBefore);

    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    NodeList_t nodes;
    map->GetNodes(nodes);
    model.setupModelData(nodes);
    FeatureTreeView view;
    view.setModel(&model);
    view.expandAll();
    view.resize(500, 300);
    view.show();
    ToolPageWidgetItem row;
    row.setupNode({QStringLiteral("Gain"), QStringLiteral("Gain")}, {QString(), QString()},
                  map->GetNode("Gain"), false);
    row.resize(400, 40);
    row.show();
    const QModelIndex cell =
        model.match(model.index(0, 0), Qt::DisplayRole, QStringLiteral("Gain"), 1, Qt::MatchRecursive)
            .value(0)
            .siblingAtColumn(1);
    auto* spinBox = qobject_cast<QSpinBox*>(row.widget());
    if (!cell.isValid() || !spinBox)
        return std::nullopt;
    longestStall(1200); // the tree's first tick

    g_kind.clear();
    fake.freeze();
    QTimer::singleShot(20, [&] {
        switch (route) {
        case Route::Tree:
            model.setData(cell, qlonglong(kWritten));
            break;
        case Route::Row:
            spinBox->setValue(int(kWritten));
            emit spinBox->editingFinished();
            break;
        case Route::FullDeadline: {
            const int previous = CDeviceConnection::SetThreadWriteWait(0);
            try {
                gain->SetValue(kWritten);
                g_kind = "written";
            } catch (const GenICam::TimeoutException&) {
                g_kind = "TimeoutException";
            } catch (const GenICam::AccessException&) {
                g_kind = "AccessException";
            } catch (const GenICam::GenericException&) {
                g_kind = "GenericException";
            }
            CDeviceConnection::SetThreadWriteWait(previous);
            break;
        }
        }
    });
    // Thawed from a thread of its own: a GUI thread that waits for the
    // device cannot thaw it.
    std::atomic<int64_t> thawedAtNs{0};
    std::thread thawer;
    if (thaw) {
        thawer = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + kThawAfterMs));
            fake.thaw(true);
            thawedAtNs = std::chrono::steady_clock::now().time_since_epoch().count();
        });
    }
    const auto sinceThawMs = [&] {
        const int64_t at = thawedAtNs.load();
        return at == 0 ? -1.0 : (std::chrono::steady_clock::now().time_since_epoch().count() - at) / 1.0e6;
    };
    const auto shown = [&] {
        if (route == Route::Tree)
            return model.itemFromIndex(cell)->cachedData(1).toLongLong() == kWritten;
        if (route == Route::Row)
            return spinBox->value() == kWritten;
        return !g_kind.empty();
    };
    run.stallMs = longestStall(thaw ? 4000 : 3500, [&] {
        const double since = sinceThawMs();
        if (since >= 0 && run.shownAfterThawMs < 0 && shown())
            run.shownAfterThawMs = since;
        return run.shownAfterThawMs >= 0 && since > run.shownAfterThawMs + 200;
    });
    if (thawer.joinable())
        thawer.join();
    run.reported = g_kind.empty() ? "nothing" : g_kind;
    if (device->IsLost())
        run.reported += ", then lost";
    if (!thaw)
        fake.thaw(true); // lets the device's thread end
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    Corvid::SetLogRecordSink([](const Corvid::LogRecord& record) {
        if (record.operation == "write" && !record.kind.empty())
            g_kind = record.kind;
    });
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = bench::intArgument("--runs", 3);

    std::printf("### A write from the GUI thread to a GigE Vision device frozen just before it "
                "(fake device on loopback)\n\n");
    std::printf("| Run | Route | Device | Longest GUI stall (ms) | Reported | Shown after the thaw (ms) | "
                "Load average |\n");
    std::printf("|---|---|---|---:|---|---:|---|\n");
    const struct
    {
        Route route;
        const char* name;
    } routes[] = {
        {Route::Tree, "tree"}, {Route::Row, "panel row"}, {Route::FullDeadline, "full deadline (before)"}};
    int runIndex = 0;
    for (const bool thaw : {true, false}) {
        const char* device = thaw ? "thawed after 500 ms" : "frozen for good";
        for (const auto& route : routes) {
            std::vector<double> stalls, shownAfter;
            std::string reported;
            for (int i = 0; i < runs; ++i) {
                // A new address each run: a connection given up on releases
                // its device's control channel late, on its own thread.
                const std::optional<Run> measured =
                    oneRun(route.route, thaw, "127.0.0." + std::to_string(52 + runIndex++ % 8));
                if (!measured)
                    continue;
                const Run& run = *measured;
                stalls.push_back(run.stallMs);
                shownAfter.push_back(run.shownAfterThawMs);
                reported = run.reported;
                std::printf("| %d | %s | %s | %.1f | %s | %s | %s |\n", i + 1, route.name, device,
                            run.stallMs, run.reported.c_str(), shownText(run.shownAfterThawMs).c_str(),
                            qPrintable(loadAverage()));
                std::fflush(stdout);
            }
            std::printf("| median | %s | %s | %.1f | %s | %s | |\n", route.name, device, median(stalls),
                        reported.c_str(), shownText(median(shownAfter)).c_str());
        }
    }
    std::printf("\n");
    Corvid::SetLogRecordSink({});
    return 0;
}
