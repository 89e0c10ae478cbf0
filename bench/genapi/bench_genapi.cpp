// Measures the GenApi layer: how long each description takes to load and to
// walk (every feature's ToString, with a cold and then a warm cache), and
// what one feature read costs with and without the register cache, on the
// in-process simulated device and over loopback GigE Vision. Register reads
// are counted alongside. Aravis's own figures for the same work (building its
// document of the description, reading the feature straight through its
// device API) are measured in the same run and printed beside ours.
// Output: Markdown tables.
//
// Usage: bench_genapi [--no-gige] [--quick]
#include "aravispeer.h"
#include "benchrun.h"
#include "benchstats.h"
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace GenApi;
using bench::Clock;
using bench::elapsedMs;

using bench::median;

namespace {

QStringList descriptions()
{
    QStringList files;
    const QDir dir(QStringLiteral(CAMPANE_DEVICES_DIR));
    for (const QString& name : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    for (const char* generated : {CAMPANE_LARGE_DESCRIPTION, CAMPANE_HIGH_ADDRESS_DESCRIPTION}) {
        if (QFileInfo::exists(QString::fromUtf8(generated)))
            files << QString::fromUtf8(generated);
        else
            std::fprintf(stderr, "missing %s (build the large_description target)\n", generated);
    }
    return files;
}

struct WalkResult
{
    int features = 0;
    int read = 0;
    double ms = 0.0;
    uint64_t registerReads = 0;
};

//! ToString on every readable feature value, as a feature tree does when it
//! shows the whole map.
WalkResult walk(CDeviceConnection& device)
{
    WalkResult result;
    NodeList_t nodes;
    device.GetNodeMap()->GetNodes(nodes);
    device.ResetStatistics();
    const auto start = Clock::now();
    for (INode* node : nodes) {
        if (!node->IsFeature())
            continue;
        CValuePtr value(node);
        if (!value.IsValid() || node->GetPrincipalInterfaceType() == intfICategory)
            continue;
        ++result.features;
        try {
            const EAccessMode mode = value->GetAccessMode();
            if (mode == RO || mode == RW) {
                value->ToString();
                ++result.read;
            }
        } catch (const GenICam::GenericException&) {
        }
    }
    result.ms = elapsedMs(start);
    result.registerReads = device.GetStatistics().registerReads;
    return result;
}

double mib(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

void benchDescriptions(bool quick)
{
    std::printf("### Description load and full walk (simulated device), Aravis's document alongside\n\n");
    std::printf(
        "| Description | Nodes | Features read | Load (ms) | Aravis's document (ms) | Load / Aravis | "
        "Heap of the device (MiB) | Aravis's document (MiB) | Beyond Aravis (MiB) | Aravis's document, every "
        "feature read (MiB) | Beyond it (MiB) | Walk, cold (ms) | Register reads | Walk, warm (ms) | "
        "Register reads "
        "|\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const QString& path : descriptions()) {
        const int runs = quick ? 1 : 5;
        QFile file(path);
        const std::string text =
            file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
        std::vector<double> loads;
        std::vector<double> peerLoads;
        std::vector<double> heaps;
        std::vector<double> peerHeaps;
        std::unique_ptr<CDeviceConnection> device;
        std::string error;
        // Ours and Aravis's alone, one after the other, so that both see the
        // same load.
        for (int i = 0; i < runs; ++i) {
            device.reset();
            const size_t before = AravisPeer::heapInUse();
            const auto start = Clock::now();
            device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
            loads.push_back(elapsedMs(start));
            heaps.push_back(double(AravisPeer::heapInUse() - before));
            if (!device)
                break;
            const AravisPeer::Parse peer = AravisPeer::parse(text);
            if (peer.ok) {
                peerLoads.push_back(peer.ms);
                peerHeaps.push_back(double(peer.bytes));
            }
        }
        if (!device) {
            std::printf("| %s | cannot open: %s ||||||||||||||\n", qPrintable(QFileInfo(path).fileName()),
                        error.c_str());
            continue;
        }
        const WalkResult cold = walk(*device);
        const WalkResult warm = walk(*device);
        const double load = median(loads);
        const double peerLoad = median(peerLoads);
        const double heap = median(heaps);
        const double peerHeap = median(peerHeaps);
        const double evaluatedHeap = double(AravisPeer::evaluatedDocumentBytes(text));
        std::printf(
            "| %s | %llu | %d of %d | %.1f | %.1f | %.2f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %llu | "
            "%.1f | %llu |\n",
            qPrintable(QFileInfo(path).fileName()),
            static_cast<unsigned long long>(device->GetNodeMap()->GetNumNodes()), cold.read, cold.features,
            load, peerLoad, peerLoad > 0 ? load / peerLoad : 0.0, mib(heap), mib(peerHeap),
            mib(heap - peerHeap), mib(evaluatedHeap), mib(heap - evaluatedHeap), cold.ms,
            static_cast<unsigned long long>(cold.registerReads), warm.ms,
            static_cast<unsigned long long>(warm.registerReads));
    }
    std::printf("\nLoad average: %s\n\n", qPrintable(bench::loadAverage()));
}

struct ReadResult
{
    double usPerRead = 0.0;
    double registerReadsPerRead = 0.0;
};

ReadResult timeReads(CDeviceConnection& device, IInteger* feature, bool ignoreCache, int count)
{
    feature->GetValue(); // fill the cache
    device.ResetStatistics();
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        feature->GetValue(false, ignoreCache);
    ReadResult r;
    r.usPerRead = elapsedMs(start) * 1000.0 / count;
    r.registerReadsPerRead = double(device.GetStatistics().registerReads) / count;
    return r;
}

struct ReadFigures
{
    std::vector<double> cached, uncached, registersPerRead;
};

bool measureOurs(CDeviceConnection& device, const char* name, int cachedCount, int uncachedCount,
                 ReadFigures* figures, std::string* error)
{
    CIntegerPtr feature(device.GetNodeMap()->GetNode(name));
    if (!feature.IsValid()) {
        *error = std::string("no integer feature ") + name;
        return false;
    }
    try {
        const ReadResult cached = timeReads(device, feature.get(), false, cachedCount);
        const ReadResult direct = timeReads(device, feature.get(), true, uncachedCount);
        figures->cached.push_back(cached.usPerRead);
        figures->uncached.push_back(direct.usPerRead);
        figures->registersPerRead.push_back(direct.registerReadsPerRead);
        return true;
    } catch (const GenICam::GenericException& e) {
        *error = e.GetDescription();
        return false;
    }
}

void printReadRow(const char* where, const char* name, const ReadFigures& ours, const ReadFigures* peer)
{
    const double registers = median(ours.registersPerRead);
    const double uncached = median(ours.uncached);
    std::printf("| %s | %s | %.2f | %.1f | %.1f | %.1f |", where, name, median(ours.cached), uncached,
                registers, registers > 0 ? uncached / registers : 0.0);
    if (peer && !peer->uncached.empty()) {
        const double peerUncached = median(peer->uncached);
        std::printf(" %.2f | %.1f | %.2f | %.2f |\n", median(peer->cached), peerUncached,
                    uncached / peerUncached, registers > 0 ? uncached / registers / peerUncached : 0.0);
    } else {
        std::printf(" | | | |\n");
    }
}

void benchReads(bool quick, bool gige)
{
    const QString camera =
        QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(QStringLiteral("kvx-slp-camera.xml"));
    const char* name = "Width";
    std::printf("### One feature read (%s of %s), Aravis's direct read alongside\n\n", name,
                qPrintable(QFileInfo(camera).fileName()));
    std::printf(
        "| Device | Feature | Cached (us/read) | IgnoreCache (us/read) | Register reads/read | "
        "IgnoreCache (us/register read) | Aravis cached (us/read) | Aravis cache off (us/read, 1 register) | "
        "Ours / Aravis, per read | Ours / Aravis, per register read |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::string error;
    auto simulated = CDeviceConnection::OpenSimulated(camera.toStdString(), &error);
    ReadFigures figures;
    if (simulated &&
        measureOurs(*simulated, name, quick ? 10000 : 200000, quick ? 10000 : 100000, &figures, &error))
        printReadRow("simulated, in process", name, figures, nullptr);
    else
        std::printf("| simulated | %s |||||||||\n", error.c_str());
    simulated.reset();

    if (!gige)
        return;
    if (GigeEmulator::binary().isEmpty()) {
        std::printf("| GigE Vision, loopback | arv-fake-gv-camera-0.8 not installed |||||||||\n");
        return;
    }
    GigeEmulator emulator;
    QString reason;
    auto device = emulator.start(camera, &reason);
    if (!device) {
        std::printf("| GigE Vision, loopback | %s |||||||||\n", qPrintable(reason));
        return;
    }
    // Rounds of ours then Aravis's alone (one controller at a time), medians
    // over the rounds.
    ReadFigures ours;
    ReadFigures peer;
    const int rounds = quick ? 1 : 5;
    const int cachedCount = quick ? 2000 : 50000;
    const int uncachedCount = quick ? 500 : 2000;
    for (int round = 0; round < rounds && device; ++round) {
        if (!measureOurs(*device, name, cachedCount, uncachedCount, &ours, &error)) {
            std::printf("| GigE Vision, loopback | %s |||||||||\n", error.c_str());
            return;
        }
        device.reset();
        const AravisPeer::Reads direct =
            AravisPeer::directReads("127.0.0.1", name, cachedCount, uncachedCount);
        if (direct.ok) {
            peer.cached.push_back(direct.cachedUs);
            peer.uncached.push_back(direct.uncachedUs);
        } else {
            std::fprintf(stderr, "Aravis's direct read: %s\n", direct.error.c_str());
        }
        if (round + 1 < rounds)
            device = CDeviceConnection::OpenAravis("127.0.0.1", &error);
    }
    printReadRow("GigE Vision, loopback", name, ours, &peer);
    device.reset();
    emulator.stop();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains(QStringLiteral("--quick"));
    const bool gige = !args.contains(QStringLiteral("--no-gige"));

    benchDescriptions(quick);
    benchReads(quick, gige);
    std::printf("\nLoad average: %s\n\n", qPrintable(bench::loadAverage()));
    return 0;
}
