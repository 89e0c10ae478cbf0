// Streaming CPU benchmark. camview's image view (800 x 660, fitted) plays
// the loopback GigE Vision emulator's stream at 2048 x 2048 Mono8 25 fps and
// 1024 x 1024 Mono8 100 fps for a fixed wall time, and the CPU this process
// used meanwhile (all its threads: Aravis's receiver, the acquisition, the
// converter, the GUI) is printed beside the CPU of Aravis's own receiver,
// arv-camera-test-0.8, taking the same stream from the same emulator in the
// same run. A simulated camera's synthetic 2448 x 2048 Mono8 frames at
// 25 fps follow. Prints a Markdown table with the load average of each row;
// run it from the build tree (--quick for a short run, --no-gige without
// the emulator).
#include "gigeemulator.h"
#include "imageview.h"
#include "viewbench.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace {

QTextStream out(stdout);

struct Row
{
    double cpuPercent = -1; //!< of one core
    double framesPerSecond = -1;
    quint64 shown = 0;
    quint64 skipped = 0; //!< received, not shown: newer frames came first
    quint64 lost = 0;    //!< lost by the camera or the transport
    bool ours = true;    //!< shown, skipped and lost are known
};

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

//! User and system CPU from a stat file of /proc (a process's or a
//! thread's); -1 when it cannot be read.
double statCpuSeconds(const QString& path)
{
    QFile stat(path);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const int end = text.lastIndexOf(')');
    if (end < 0)
        return -1;
    // After the command: state is field 3, utime 14 and stime 15.
    const QList<QByteArray> fields = text.mid(end + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double otherCpuSeconds(qint64 pid)
{
    return statCpuSeconds(QStringLiteral("/proc/%1/stat").arg(pid));
}

//! The CPU of each of this process's threads, by "id name".
QMap<QString, double> threadCpu()
{
    QMap<QString, double> result;
    const QStringList tids =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& tid : tids) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        comm.open(QIODevice::ReadOnly);
        result[tid + QLatin1Char(' ') + QString::fromLatin1(comm.readAll().trimmed())] =
            statCpuSeconds(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    }
    return result;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll().split(' ').value(0));
}

void waitEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

//! Plays the camera in the view, and measures over `seconds` once the first
//! frame is shown.
Row playInView(ImageView& view, const std::string& id, int seconds)
{
    Row row;
    playUntilFirstFrame(view, id);
    waitEvents(1000); // past the first frames' allocations
    view.resetStatistics();
    QElapsedTimer wall;
    wall.start();
    const double cpu = processCpuSeconds();
    const QMap<QString, double> before = threadCpu();
    waitEvents(seconds * 1000);
    const double used = processCpuSeconds() - cpu;
    const double elapsed = wall.elapsed() / 1000.0;
    // Where it went, on stderr: each thread's share of a core.
    const QMap<QString, double> after = threadCpu();
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (it.value() - before.value(it.key()) > 0.01)
            std::fprintf(stderr, "  thread %s: %.1f%%\n", qPrintable(it.key()),
                         100 * (it.value() - before.value(it.key())) / elapsed);
    const FramePipeline::Statistics s = view.pipeline()->statistics();
    view.stop();
    row.cpuPercent = 100.0 * used / elapsed;
    row.framesPerSecond = s.received / elapsed;
    row.shown = s.shown;
    row.skipped = s.skipped;
    row.lost = s.lost;
    return row;
}

//! Aravis's receiver on the emulator's stream (already configured), its CPU
//! measured over `seconds` after a second's start.
Row playInPeer(int width, int height, int fps, int seconds)
{
    Row row;
    row.ours = false;
    const QString binary = QStandardPaths::findExecutable(QStringLiteral("arv-camera-test-0.8"));
    if (binary.isEmpty())
        return row;
    QProcess peer;
    peer.setProcessChannelMode(QProcess::MergedChannels);
    peer.start(binary,
               {QStringLiteral("-n"), QStringLiteral("127.0.0.1"), QStringLiteral("-w"),
                QString::number(width), QStringLiteral("-h"), QString::number(height), QStringLiteral("-f"),
                QString::number(fps), QStringLiteral("--duration"), QString::number(seconds + 3)});
    if (!peer.waitForStarted(5000))
        return row;
    QThread::msleep(1500);
    const double cpu = otherCpuSeconds(peer.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::msleep(unsigned(seconds * 1000));
    const double used = otherCpuSeconds(peer.processId()) - cpu;
    const double elapsed = wall.elapsed() / 1000.0;
    if (!peer.waitForFinished(10000)) {
        peer.kill();
        peer.waitForFinished(2000);
    }
    const QString text = QString::fromLocal8Bit(peer.readAll());
    if (cpu >= 0 && used >= 0)
        row.cpuPercent = 100.0 * used / elapsed;
    // Its once-a-second lines (" 25 frames/s -    100.0 MiB/s").
    QRegularExpression rate(QStringLiteral("([0-9.]+) frames/s"));
    double sum = 0;
    int lines = 0;
    for (auto it = rate.globalMatch(text); it.hasNext(); ++lines)
        sum += it.next().captured(1).toDouble();
    if (lines > 0)
        row.framesPerSecond = sum / lines;
    return row;
}

QString number(double value, int decimals)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value, 'f', decimals);
}

void printRow(const QString& stream, const QString& receiver, const Row& r, const QString& load)
{
    out << "| " << stream << " | " << receiver << " | " << number(r.cpuPercent, 1) << " | "
        << number(r.framesPerSecond, 1) << " | " << (r.ours ? QString::number(r.shown) : QStringLiteral("-"))
        << " | " << (r.ours ? QString::number(r.skipped) : QStringLiteral("-")) << " | "
        << (r.ours ? QString::number(r.lost) : QStringLiteral("-")) << " | " << load << " |\n";
    out.flush();
}

bool setFeature(const std::string& id, const char* name, const QString& value)
{
    return Corvid::SetCameraNodeValue(id, name, value.toStdString()) == 0;
}

void emulatorRows(ImageView& view, int seconds)
{
    GigeEmulator emulator;
    QString error;
    if (!emulator.start(QString(), &error)) {
        std::fprintf(stderr, "bench_stream: %s\n", qPrintable(error));
        return;
    }
    struct Case
    {
        int width, height, fps;
    };
    for (const Case c : {Case{2048, 2048, 25}, Case{1024, 1024, 100}}) {
        const QString stream =
            QStringLiteral("emulator %1 x %2 Mono8, %3 fps").arg(c.width).arg(c.height).arg(c.fps);
        // The emulator serves one controller at a time: Aravis's receiver
        // first, then ours.
        // The emulator may still count our last acquisition's controller
        // for a few seconds.
        Row peer;
        for (int attempt = 0; attempt < 4 && peer.framesPerSecond <= 0; ++attempt) {
            if (attempt > 0)
                waitEvents(2000);
            peer = playInPeer(c.width, c.height, c.fps, seconds);
        }
        printRow(stream, QStringLiteral("arv-camera-test-0.8"), peer, loadAverage());
        const std::string id = Corvid::AddAravisCamera("127.0.0.1");
        const bool set = !id.empty() && setFeature(id, "PixelFormat", QStringLiteral("Mono8")) &&
                         setFeature(id, "Width", QString::number(c.width)) &&
                         setFeature(id, "Height", QString::number(c.height)) &&
                         setFeature(id, "AcquisitionFrameRate", QString::number(c.fps));
        if (!set) {
            std::fprintf(stderr, "bench_stream: the emulator takes no %s\n", qPrintable(stream));
            Corvid::RemoveDevice(id);
            continue;
        }
        const Row ours = playInView(view, id, seconds);
        printRow(stream, QStringLiteral("camview's image view"), ours, loadAverage());
        Corvid::RemoveDevice(id);
        waitEvents(1000);
        if (ours.cpuPercent > 0 && peer.cpuPercent > 0)
            out << "|  | ratio | " << QString::number(ours.cpuPercent / peer.cpuPercent, 'f', 2)
                << " |  |  |  |  |  |\n";
    }
}

} // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int seconds = args.contains(QStringLiteral("--quick")) ? 3 : 8;
    const bool gige = !args.contains(QStringLiteral("--no-gige"));

    QTemporaryDir dir;
    if (!startBenchService(dir))
        return 1;
    {
        ImageView view;
        view.resize(800, 660);
        view.show();
        out << "| Stream | Receiver | CPU (% of a core) | Frames/s received | Shown | Skipped | Lost | "
               "Load average |\n"
            << "|---|---|---:|---:|---:|---:|---:|---:|\n";
        if (gige && !GigeEmulator::binary().isEmpty())
            emulatorRows(view, seconds);

        const std::string simulated = Corvid::AddSimulatedCamera(CAMPANE_SIMULATED_CAMERA);
        Corvid::SetSLImageShowMode(simulated, 1);
        setFeature(simulated, "PixelFormat", QStringLiteral("Mono8"));
        setFeature(simulated, "Width", QStringLiteral("2448"));
        setFeature(simulated, "Height", QStringLiteral("2048"));
        Corvid::AcquisitionOptions acquisition;
        acquisition.syntheticFramesPerSecond = 25;
        view.setAcquisitionOptions(acquisition);
        printRow(QStringLiteral("simulated 2448 x 2048 Mono8, 25 fps"),
                 QStringLiteral("camview's image view"), playInView(view, simulated, seconds), loadAverage());
    }
    Corvid::StopService();
    return 0;
}
