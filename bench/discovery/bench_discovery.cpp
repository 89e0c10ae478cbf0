// Discovery among bogus devices: how long a camera that opens waits to be
// listed while many others answer discovery and then misbehave.
//
// Fake GigE Vision devices on 127.0.0.100 onwards answer discovery and then
// misbehave in every way the tests' hostile cases offer (silent, pending
// forever, pending once in control, a description said to be 2^63-1 bytes,
// outside the device's memory, in a file, a broken zip archive, a text that
// is not well formed) or the fake device's others (answers late, truncated,
// with another id); one honest device on 127.0.0.150 serves
// kvx-slp-camera.xml and answers last. All run in a child process, behind a
// relay on 127.0.0.1 (see discoveryrelay.h). The camera service starts with
// discovery on (this computer only); measured: from the start of the service
// until the honest device is listed usable, and until every device is listed
// (the bogus ones unusable, with their reasons). Besides the mixed bogus
// devices, the same count all of the kinds that hold an open longest (see
// bogusCases). Each count and kind runs in a process of its own, in turn,
// twice by default.
//
// The relay takes 127.0.0.1:3956, as Aravis's emulator does: the series runs
// under the emulator's lock file.
//
// Usage: bench_discovery [--bogus 0,50] [--kinds mixed,silent,control] [--runs 2]
//        bench_discovery --measure N KIND   (one process, one line)
//        bench_discovery --serve N KIND     (the fake devices: until its input closes)
#include "benchrun.h"
#include "discoveryrelay.h"
#include "fakegigedevice.h"
#include "gigeemulator.h"
#include "hostilecases.h"

#include <Corvid/CorvidHost.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const char* const kHonestAddress = "127.0.0.150";

std::string bogusAddress(int index)
{
    return "127.0.0." + std::to_string(100 + index);
}

//! How the bogus devices misbehave, as the benchmark's argument names it:
//! "mixed" every way the hostile cases that are refused do, then the fake
//! device's other misbehaviours over an honest description, in turn;
//! "silent" all silent (each holds its open for the description's deadline);
//! "control" all pending forever once asked for the control channel (each
//! holds its open for the whole deadline).
std::vector<HostileCase> bogusCases(const QString& kind)
{
    using M = FakeGigeDevice::Misbehaviour;
    if (kind != QLatin1String("mixed"))
        return {{"", kind == QLatin1String("silent") ? M::Silent : M::PendingOnControl, kGoodDescription, "",
                 ""}};
    std::vector<HostileCase> cases;
    for (HostileCase& c : sharedHostileCases()) {
        if (!c.refusal.empty())
            cases.push_back(std::move(c));
    }
    for (M m : {M::Late, M::Truncated, M::WrongId, M::WrongStatus})
        cases.push_back({"", m, kGoodDescription, "", ""});
    return cases;
}

//! The fake devices' process: count bogus devices and the honest one, behind
//! the relay, until its input closes.
int serve(int count, const QString& kind)
{
    QFile file(QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const std::vector<HostileCase> cases = bogusCases(kind);
    std::vector<std::unique_ptr<FakeGigeDevice>> fakes;
    std::vector<std::string> addresses;
    for (int i = 0; i <= count; ++i) {
        const bool honest = i == count;
        addresses.push_back(honest ? kHonestAddress : bogusAddress(i));
        fakes.push_back(std::make_unique<FakeGigeDevice>(addresses.back()));
        FakeGigeDevice& fake = *fakes.back();
        if (honest) {
            fake.setDescription(file.readAll().toStdString());
            fake.setSerial("HONEST");
        } else {
            const HostileCase& c = cases[size_t(i) % cases.size()];
            fake.setDescription(c.description, c.url);
            fake.setMisbehaviour(c.misbehaviour);
            fake.setSerial("BOGUS" + std::to_string(i + 1));
        }
        std::string error;
        if (!fake.start(&error)) {
            std::fprintf(stderr, "no fake device on %s: %s\n", addresses.back().c_str(), error.c_str());
            return 1;
        }
    }
    DiscoveryRelay relay(addresses);
    std::string error;
    if (!relay.start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

//! One count in this process: prints "N honestMs everyMs listed".
int measure(int count, const QString& kind)
{
    EmulatorProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--serve"), QString::number(count), kind});
    while (server.waitForReadyRead(10000) && !server.canReadLine()) {
    }
    if (server.readLine().trimmed() != "ready")
        return 1;

    QTemporaryDir dir;
    Corvid::ServiceOptions options;
    options.defaultDevices = false;
    options.discover = true;
    options.settingsFile = dir.filePath(QStringLiteral("host.ini")).toStdString();
    QElapsedTimer clock;
    clock.start();
    Corvid::StartService(options);
    double honestMs = -1.0, everyMs = -1.0;
    size_t listed = 0;
    while (clock.elapsed() < 180000 && everyMs < 0) {
        const std::vector<Corvid::DeviceEntry> devices = Corvid::ListDevices();
        listed = devices.size();
        const bool honest = std::any_of(devices.begin(), devices.end(), [](const Corvid::DeviceEntry& d) {
            return d.description == kHonestAddress && d.usable;
        });
        if (honest && honestMs < 0)
            honestMs = clock.nsecsElapsed() / 1.0e6;
        if (honest && listed >= size_t(count) + 1)
            everyMs = clock.nsecsElapsed() / 1.0e6;
        QThread::msleep(10);
    }
    std::printf("%d %.0f %.0f %zu\n", count, honestMs, everyMs, listed);
    std::fflush(stdout);
    Corvid::StopService();
    server.closeWriteChannel();
    server.waitForFinished(5000);
    return honestMs < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Discovery asks this computer only.
    qputenv("CAMPANE_DISCOVERY_LOOPBACK_ONLY", "1");
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    for (const QString& mode : {QStringLiteral("--serve"), QStringLiteral("--measure")}) {
        const int at = args.indexOf(mode);
        if (at <= 0 || at + 2 >= args.size())
            continue;
        const int count = std::clamp(args.at(at + 1).toInt(), 0, 50);
        return mode == QLatin1String("--serve") ? serve(count, args.at(at + 2))
                                                : measure(count, args.at(at + 2));
    }

    QLockFile lock(QDir::temp().filePath(QStringLiteral("campane-gige-loopback.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(120000)) {
        std::fprintf(stderr, "another user kept the loopback emulator's lock for two minutes\n");
        return 1;
    }
    const QList<int> counts = bench::listArgument(args, QStringLiteral("--bogus"), {0, 50}, 0, 50);
    const int kindsAt = args.indexOf(QStringLiteral("--kinds"));
    const QStringList kinds =
        kindsAt > 0 && kindsAt + 1 < args.size()
            ? args.at(kindsAt + 1).split(QLatin1Char(','))
            : QStringList{QStringLiteral("mixed"), QStringLiteral("silent"), QStringLiteral("control")};
    const int runs = bench::listArgument(args, QStringLiteral("--runs"), {2}, 1, 10).value(0);
    std::printf(
        "| Bogus devices | Misbehaving | Run | Honest device listed (ms) | Every device listed (ms) | "
        "Devices listed | Load average |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|\n");
    for (int run = 1; run <= runs; ++run) {
        for (const QString& kind : kinds) {
            for (int count : counts) {
                // Without bogus devices the kind makes no difference: once a run.
                if (count == 0 && kind != kinds.first())
                    continue;
                QProcess child;
                child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                child.start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--measure"), QString::number(count), kind});
                const bool ok = child.waitForFinished(300000) && child.exitCode() == 0;
                const QStringList figures =
                    QString::fromUtf8(child.readAllStandardOutput()).trimmed().split('\n').last().split(' ');
                const QString what = count == 0 ? QStringLiteral("-") : kind;
                if (!ok || figures.size() != 4)
                    std::printf("| %d | %s | %d | failed | | | %s |\n", count, qPrintable(what), run,
                                qPrintable(bench::loadAverage()));
                else
                    std::printf("| %d | %s | %d | %s | %s | %s | %s |\n", count, qPrintable(what), run,
                                qPrintable(figures.at(1)), qPrintable(figures.at(2)),
                                qPrintable(figures.at(3)), qPrintable(bench::loadAverage()));
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
