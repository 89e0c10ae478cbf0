// Image view benchmark. For each source (a simulated camera at 25 and at
// 200 frames per second, the loopback GigE Vision emulator) and pixel format
// (1280 x 1024 Mono8 and RGB8) it plays the camera in camview's image view
// for a fixed time and prints a Markdown table: frames received, shown and
// skipped (newer frames came first), the most frames ever in flight between the acquisition and the
// screen, the GUI-thread time per shown frame (taking the frame and painting
// it) and how late a 1000 ms timer on the GUI thread fired at worst.
#include "gigeemulator.h"
#include "imageview.h"
#include "viewbench.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

QTextStream out(stdout);

struct Run
{
    quint64 received = 0;
    quint64 shown = 0;
    quint64 skipped = 0; //!< received, not shown: newer frames came first
    quint64 maxInFlight = 0;
    double guiMsPerFrame = 0;
    qint64 worstTimerLateMs = 0;
};

bool setFeature(const std::string& id, const char* name, const char* value)
{
    return Corvid::SetCameraNodeValue(id, name, value) == 0;
}

Run play(ImageView& view, const std::string& id, int seconds)
{
    Run run;
    // The first frame, then the measured time.
    playUntilFirstFrame(view, id);
    view.resetStatistics();
    QEventLoop loop;

    QMetaObject::Connection inFlight = QObject::connect(&view, &ImageView::frameShown, [&] {
        const FramePipeline::Statistics s = view.pipeline()->statistics();
        // A frame already on its way when the statistics were reset is
        // counted as shown without having been counted as received.
        const quint64 done = s.shown + s.skipped;
        run.maxInFlight = std::max(run.maxInFlight, s.received > done ? s.received - done : 0);
    });
    QElapsedTimer tick;
    tick.start();
    QTimer timer;
    timer.setInterval(1000);
    QObject::connect(&timer, &QTimer::timeout,
                     [&] { run.worstTimerLateMs = std::max(run.worstTimerLateMs, tick.restart() - 1000); });
    timer.start();
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(inFlight);
    const FramePipeline::Statistics s = view.pipeline()->statistics();
    run.received = s.received;
    run.shown = s.shown;
    run.skipped = s.skipped;
    run.guiMsPerFrame = s.shown ? view.guiNanoseconds() / 1e6 / double(s.shown) : 0.0;
    view.stop();
    return run;
}

void printRow(const char* source, const char* format, int seconds, const Run& r)
{
    out << "| " << source << " | " << format << " | " << QString::number(r.received / double(seconds), 'f', 1)
        << " | " << r.received << " | " << r.shown << " | " << r.skipped << " | " << r.maxInFlight << " | "
        << QString::number(r.guiMsPerFrame, 'f', 2) << " | " << r.worstTimerLateMs << " |\n";
    out.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int seconds = args.contains(QStringLiteral("--quick")) ? 2 : 8;
    const bool gige = !args.contains(QStringLiteral("--no-gige"));

    QTemporaryDir dir;
    if (!startBenchService(dir))
        return 1;
    int result = 0;
    {
        ImageView view;
        view.resize(800, 660);
        view.show();

        out << "| Source | Format | Frames/s received | Received | Shown | Skipped | Most in flight | "
               "GUI ms per shown frame | 1 s timer late at worst (ms) |\n"
            << "|---|---|---:|---:|---:|---:|---:|---:|---:|\n";
        const std::string simulated = Corvid::AddSimulatedCamera(CAMPANE_TEST_CAMERA);
        Corvid::SetSLImageShowMode(simulated, 1);
        for (const char* format : {"Mono8", "RGB8"}) {
            setFeature(simulated, "Width", "1280");
            setFeature(simulated, "Height", "1024");
            setFeature(simulated, "PixelFormat", format);
            for (int fps : {25, 200}) {
                Corvid::AcquisitionOptions acquisition;
                acquisition.syntheticFramesPerSecond = fps;
                view.setAcquisitionOptions(acquisition);
                printRow(fps == 25 ? "simulated, 25 fps" : "simulated, 200 fps", format, seconds,
                         play(view, simulated, seconds));
            }
        }

        if (gige && !GigeEmulator::binary().isEmpty()) {
            GigeEmulator emulator;
            QString error;
            if (!emulator.start(QString(), &error)) {
                std::fprintf(stderr, "bench_imageview: %s\n", qPrintable(error));
                result = 1;
            } else {
                const std::string id = Corvid::AddAravisCamera("127.0.0.1");
                for (const char* format : {"Mono8", "RGB8"}) {
                    const bool set = setFeature(id, "Width", "1280") && setFeature(id, "Height", "1024") &&
                                     setFeature(id, "PixelFormat", format) &&
                                     setFeature(id, "AcquisitionFrameRate", "30");
                    if (!set) {
                        std::fprintf(stderr, "bench_imageview: the emulator takes no %s at 1280 x 1024\n",
                                     format);
                        continue;
                    }
                    printRow("GigE Vision emulator, 30 fps", format, seconds, play(view, id, seconds));
                }
                Corvid::RemoveDevice(id);
            }
        }
    }
    Corvid::StopService();
    return result;
}
