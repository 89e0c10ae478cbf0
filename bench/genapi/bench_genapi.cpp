// Measures the GenApi layer: how long each description takes to load and to
// walk (every feature's ToString, with a cold and then a warm cache), and
// what one feature read costs with and without the register cache, on the
// in-process simulated device and over loopback GigE Vision. Register reads
// are counted alongside. Output: Markdown tables.
//
// Usage: bench_genapi [--no-gige] [--quick]
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace GenApi;
using Clock = std::chrono::steady_clock;

namespace {

double elapsedMs(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

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

void benchDescriptions(bool quick)
{
    std::printf("### Description load and full walk (simulated device)\n\n");
    std::printf("| Description | Nodes | Features read | Load (ms) | Walk, cold (ms) | Register reads | "
                "Walk, warm (ms) | Register reads |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const QString& path : descriptions()) {
        const int runs = quick ? 1 : 5;
        std::vector<double> loads;
        std::unique_ptr<CDeviceConnection> device;
        std::string error;
        for (int i = 0; i < runs; ++i) {
            device.reset();
            const auto start = Clock::now();
            device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
            loads.push_back(elapsedMs(start));
            if (!device)
                break;
        }
        if (!device) {
            std::printf("| %s | cannot open: %s |||||||\n", qPrintable(QFileInfo(path).fileName()),
                        error.c_str());
            continue;
        }
        const WalkResult cold = walk(*device);
        const WalkResult warm = walk(*device);
        std::printf("| %s | %llu | %d of %d | %.1f | %.1f | %llu | %.1f | %llu |\n",
                    qPrintable(QFileInfo(path).fileName()),
                    static_cast<unsigned long long>(device->GetNodeMap()->GetNumNodes()), cold.read,
                    cold.features, median(loads), cold.ms,
                    static_cast<unsigned long long>(cold.registerReads), warm.ms,
                    static_cast<unsigned long long>(warm.registerReads));
    }
    std::printf("\n");
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

void printReads(const char* where, CDeviceConnection& device, const char* name, int cachedCount,
                int uncachedCount)
{
    CIntegerPtr feature(device.GetNodeMap()->GetNode(name));
    if (!feature.IsValid()) {
        std::printf("| %s | no integer feature %s |||||\n", where, name);
        return;
    }
    try {
        const ReadResult cached = timeReads(device, feature.get(), false, cachedCount);
        const ReadResult direct = timeReads(device, feature.get(), true, uncachedCount);
        std::printf("| %s | %s | %.2f | %.2f | %.1f | %.2f |\n", where, name, cached.usPerRead,
                    cached.registerReadsPerRead, direct.usPerRead, direct.registerReadsPerRead);
    } catch (const GenICam::GenericException& e) {
        std::printf("| %s | %s: %s |||||\n", where, name, e.GetDescription());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains(QStringLiteral("--quick"));
    const bool gige = !args.contains(QStringLiteral("--no-gige"));

    benchDescriptions(quick);

    const QString camera =
        QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(QStringLiteral("kvx-slp-camera.xml"));
    const char* feature = "Width";
    std::printf("### One feature read (%s of %s)\n\n", feature, qPrintable(QFileInfo(camera).fileName()));
    std::printf("| Device | Feature | Cached (us/read) | Register reads/read | IgnoreCache (us/read) | "
                "Register reads/read |\n");
    std::printf("|---|---|---:|---:|---:|---:|\n");
    std::string error;
    auto simulated = CDeviceConnection::OpenSimulated(camera.toStdString(), &error);
    if (simulated)
        printReads("simulated, in process", *simulated, feature, quick ? 10000 : 200000,
                   quick ? 10000 : 100000);
    else
        std::printf("| simulated | cannot open: %s |||||\n", error.c_str());

    if (gige) {
        if (GigeEmulator::binary().isEmpty()) {
            std::printf("| GigE Vision, loopback | arv-fake-gv-camera-0.8 not installed |||||\n");
        } else {
            GigeEmulator emulator;
            QString reason;
            auto device = emulator.start(camera, &reason);
            if (device)
                printReads("GigE Vision, loopback", *device, feature, quick ? 2000 : 100000,
                           quick ? 500 : 5000);
            else
                std::printf("| GigE Vision, loopback | %s |||||\n", qPrintable(reason));
            device.reset();
            emulator.stop();
        }
    }
    std::printf("\n");
    return 0;
}
