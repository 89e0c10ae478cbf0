// camview's window, run in process on camview's own command line, from its
// start to the shown board's feature tree filled (a large description's tree
// is gathered on a worker thread): the time, the longest time the GUI thread
// went without turning its event loop (a 2 ms timer) throughout, and the
// process's peak RSS, with the load average.
//
// Usage: bench_camview CAMVIEW_OPTIONS...
//        (for instance --no-default-devices --sim big.xml --focus SIM-big)
#include "benchgui.h"
#include "languagecatalogue.h"
#include "logsink.h"
#include "mainwindow.h"
#include "options.h"
#include "treedump.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    LogSink::install();
    QApplication app(argc, argv);
    CamviewOptions options;
    QString error;
    if (!parseCamviewOptions(QCoreApplication::arguments(), options, error)) {
        std::fprintf(stderr, "bench_camview: %s\n", qPrintable(error));
        return 2;
    }
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    LanguageCatalogue catalogue;
    catalogue.use(options.language);
    Corvid::ServiceOptions serviceOptions;
    serviceOptions.defaultDevices = options.defaultDevices;
    serviceOptions.settingsFile = dir.filePath(QStringLiteral("host.ini")).toStdString();
    if (Corvid::StartService(serviceOptions) != 0)
        return 1;

    int rows = 0;
    double stall = 0.0;
    double ms = 0.0;
    {
        MainWindow window(options, &catalogue);
        window.show();
        bench::longestStall(200);
        bool filled = false;
        QObject::connect(&window, &MainWindow::ready, &window,
                         [&] { whenShownTreeIsFilled(&window, 600000, [&] { filled = true; }); });
        // Started from the event loop, so that the time start() takes counts
        // as a stall (camview calls it just before its event loop turns).
        QElapsedTimer clock;
        QTimer::singleShot(0, &window, [&] {
            clock.start();
            window.start();
        });
        stall = bench::longestStall(600000, [&] { return filled; });
        ms = clock.nsecsElapsed() / 1.0e6;
        // The filled tree's first paints.
        stall = std::max(stall, bench::longestStall(500));
        rows = int(dumpShownFeatureTree(&window).count(QLatin1Char('\n')));
    }
    Corvid::StopService();
    std::printf("| to the filled tree | longest GUI stall | peak RSS | rows | load |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf("| %.0f ms | %.1f ms | %.0f MiB | %d | %s |\n", ms, stall, bench::peakRssMiB(), rows,
                qPrintable(bench::loadAverage()));
    return rows > 0 ? 0 : 1;
}
