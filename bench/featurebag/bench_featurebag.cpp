// Measures saving and loading a device's settings (CFeatureBag) on the
// structured-light camera and on the generated 5,000-feature description, in
// process and over loopback GigE Vision: the time, the register reads and
// writes, and the loading passes. Output: Markdown tables.
//
// The generated description marks no feature Streamable; a copy that marks
// every generated feature so is measured (a camera's settings are streamable).
//
// Usage: bench_featurebag [--no-gige] [--runs N]
#include "benchrun.h"
#include "benchstats.h"
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <utility>
#include <vector>

using namespace GenApi;
using bench::Clock;
using bench::elapsedMs;

using bench::median;

namespace {

struct Step
{
    double ms = 0.0;
    DeviceStatistics traffic;
    int passes = 0;
    int failed = 0;
};

struct Figures
{
    QString description;
    QString device;
    int lines = 0;
    int registers = 0;
    double textKiB = 0.0;
    double parseMs = 0.0;
    Step saveCold, saveWarm, load, loadVerify;
    Step copy; //!< the settings loaded into another device
    QString copyTarget;
};

template <class F> Step measure(CDeviceConnection& device, int runs, F&& step)
{
    std::vector<double> times;
    Step result;
    for (int run = 0; run < runs; ++run) {
        device.ResetStatistics();
        const auto start = Clock::now();
        result = step();
        times.push_back(elapsedMs(start));
        result.traffic = device.GetStatistics();
    }
    result.ms = median(times);
    return result;
}

int failures(const CFeatureBag& bag)
{
    int failed = 0;
    for (const CFeatureBag::LineResult& result : bag.GetLineResults())
        failed += result.Status != CFeatureBag::Written && result.Status != CFeatureBag::Verified;
    return failed;
}

Step loadStep(CFeatureBag& bag, CDeviceConnection& device, bool verify)
{
    Step step;
    bag.LoadFromBag(device.GetNodeMap(), verify);
    step.passes = bag.GetNumPasses();
    step.failed = failures(bag);
    return step;
}

// Saves (cold, then warm), reads the text back, and loads it into the same
// device without and with verification.
Figures run(const QString& description, const QString& deviceName, CDeviceConnection& device, int runs)
{
    Figures figures;
    figures.description = description;
    figures.device = deviceName;
    figures.registers = QString::fromStdString(device.GetDescriptionXml()).count(QStringLiteral("<Address>"));
    CFeatureBag bag;
    figures.saveCold = measure(device, runs, [&] {
        device.GetNodeMap()->InvalidateNodes();
        bag.StoreToBag(device.GetNodeMap());
        return Step();
    });
    figures.saveWarm = measure(device, runs, [&] {
        bag.StoreToBag(device.GetNodeMap());
        return Step();
    });
    figures.lines = int(bag.GetEntries().size());
    const std::string text = bag.ToString().toStdString();
    figures.textKiB = double(text.size()) / 1024.0;

    CFeatureBag read;
    std::vector<double> parseTimes;
    for (int i = 0; i < runs; ++i) {
        std::istringstream stream(text);
        const auto start = Clock::now();
        stream >> read;
        parseTimes.push_back(elapsedMs(start));
    }
    figures.parseMs = median(parseTimes);
    figures.load = measure(device, runs, [&] { return loadStep(read, device, false); });
    figures.loadVerify = measure(device, runs, [&] { return loadStep(read, device, true); });
    return figures;
}

void printTables(const std::vector<Figures>& all)
{
    std::printf("### Save\n\n");
    std::printf("| Description | Device | Lines | Registers | Save, cold cache (ms) | Register reads | "
                "Save, warm (ms) | Register reads | Text (KiB) | Text read back (ms) |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Figures& f : all) {
        std::printf("| %s | %s | %d | %d | %.1f | %llu | %.1f | %llu | %.1f | %.1f |\n",
                    qPrintable(f.description), qPrintable(f.device), f.lines, f.registers, f.saveCold.ms,
                    (unsigned long long)f.saveCold.traffic.registerReads, f.saveWarm.ms,
                    (unsigned long long)f.saveWarm.traffic.registerReads, f.textKiB, f.parseMs);
    }
    std::printf("\nLoad average: %s\n\n### Load\n\n", qPrintable(bench::loadAverage()));
    std::printf("| Description | Device | Load (ms) | Passes | Register writes | Register reads | "
                "Load and verify (ms) | Passes | Register writes | Register reads | Failed lines |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Figures& f : all) {
        const auto row = [&](const QString& device, const Step& plain, const Step& verified) {
            std::printf("| %s | %s | %s | %s | %s | %s | %.1f | %d | %llu | %llu | %d |\n",
                        qPrintable(f.description), qPrintable(device),
                        plain.passes ? qPrintable(QString::number(plain.ms, 'f', 1)) : "",
                        plain.passes ? qPrintable(QString::number(plain.passes)) : "",
                        plain.passes ? qPrintable(QString::number(plain.traffic.registerWrites)) : "",
                        plain.passes ? qPrintable(QString::number(plain.traffic.registerReads)) : "",
                        verified.ms, verified.passes, (unsigned long long)verified.traffic.registerWrites,
                        (unsigned long long)verified.traffic.registerReads, verified.failed);
        };
        row(f.device, f.load, f.loadVerify);
        if (!f.copyTarget.isEmpty())
            row(f.copyTarget, Step(), f.copy);
    }
    std::printf("\nLoad average: %s\n", qPrintable(bench::loadAverage()));
}

// The description with every generated feature marked Streamable.
QString streamableCopy(const QString& source, const QTemporaryDir& dir)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    QString xml = QString::fromUtf8(in.readAll());
    xml.replace(QRegularExpression(QStringLiteral("(\\n( *)<ToolTip>Synthetic feature \\d+</ToolTip>)")),
                QStringLiteral("\\1\n\\2<Streamable>Yes</Streamable>"));
    const QString target = dir.filePath(QStringLiteral("large-5000-streamable.xml"));
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(xml.toUtf8()) < 0)
        return QString();
    return target;
}

// The settings that no file holds (they are not streamable) set alike on
// every device: calibration unlocked, the generated optional features on.
void unlock(CDeviceConnection& device)
{
    for (const auto& setting : {std::make_pair("CalibrationLock", "0"), std::make_pair("FeatureGate", "1")}) {
        if (INode* node = device.GetNodeMap()->GetNode(setting.first))
            CValuePtr(node)->FromString(setting.second);
    }
}

std::unique_ptr<CDeviceConnection> openSimulated(const QString& path)
{
    std::string error;
    auto device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    if (!device)
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), error.c_str());
    return device;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const bool gige = !arguments.contains(QStringLiteral("--no-gige")) && !GigeEmulator::binary().isEmpty();
    const int runsIndex = int(arguments.indexOf(QStringLiteral("--runs")));
    const int runs =
        runsIndex > 0 && runsIndex + 1 < arguments.size() ? arguments.at(runsIndex + 1).toInt() : 3;

    QTemporaryDir dir;
    const QString camera = QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml");
    const QString large = streamableCopy(QStringLiteral(BENCH_LARGE_DESCRIPTION), dir);
    if (large.isEmpty()) {
        std::fprintf(stderr, "cannot prepare %s\n", BENCH_LARGE_DESCRIPTION);
        return 1;
    }

    std::vector<Figures> all;
    const struct
    {
        const char* name;
        QString path;
    } descriptions[] = {{"kvx-slp-camera.xml", camera},
                        {"large-5000.xml (generated, all streamable)", large}};
    for (const auto& description : descriptions) {
        auto device = openSimulated(description.path);
        auto second = openSimulated(description.path);
        if (!device || !second)
            return 1;
        unlock(*device);
        unlock(*second);
        all.push_back(run(QString::fromLatin1(description.name), QStringLiteral("simulated, in process"),
                          *device, runs));
        // Width 2000 and OffsetX 448 saved, the lines reversed and loaded into
        // a device at Width 2448: OffsetX comes before the Width that allows it.
        all.back().copyTarget = QStringLiteral("lines reversed, into another simulated device");
        all.back().copy = [&] {
            for (const auto& setting : {std::make_pair("Width", "2000"), std::make_pair("OffsetX", "448")}) {
                if (INode* node = device->GetNodeMap()->GetNode(setting.first))
                    CValuePtr(node)->FromString(setting.second);
            }
            CFeatureBag saved;
            saved.StoreToBag(device->GetNodeMap());
            std::string reversed = "# " GENAPI_PERSISTENCE_MAGIC "\n";
            for (auto entry = saved.GetEntries().rbegin(); entry != saved.GetEntries().rend(); ++entry)
                reversed += entry->Name.toStdString() + "\t" + entry->Value.toStdString() + "\n";
            CFeatureBag bag;
            std::istringstream stream(reversed);
            stream >> bag;
            second->ResetStatistics();
            const auto start = Clock::now();
            Step step = loadStep(bag, *second, true);
            step.ms = elapsedMs(start);
            step.traffic = second->GetStatistics();
            return step;
        }();
        if (!gige)
            continue;
        GigeEmulator emulator;
        QString error;
        auto remote = emulator.start(description.path, &error);
        if (!remote) {
            std::fprintf(stderr, "no emulator for %s: %s\n", description.name, qPrintable(error));
            continue;
        }
        // The emulator starts with every register 0: the simulated device's
        // settings make it a device of the model first.
        unlock(*remote);
        CFeatureBag settings;
        settings.StoreToBag(device->GetNodeMap());
        settings.LoadFromBag(remote->GetNodeMap(), false);
        all.push_back(
            run(QString::fromLatin1(description.name), QStringLiteral("GigE Vision, loopback"), *remote, 1));
        // And the other way: the emulated device's settings copied to a
        // second simulated device.
        all.back().copyTarget = QStringLiteral("GigE Vision file loaded into another simulated device");
        all.back().copy = [&] {
            CFeatureBag bag;
            bag.StoreToBag(remote->GetNodeMap());
            second->ResetStatistics();
            const auto start = Clock::now();
            Step step = loadStep(bag, *second, true);
            step.ms = elapsedMs(start);
            step.traffic = second->GetStatistics();
            return step;
        }();
    }
    printTables(all);
    return 0;
}
