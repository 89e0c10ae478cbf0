// camview: a viewer window around CamPane, run against the camera service
// and its simulated (or real) devices.

#include "imageview.h"
#include "languagecatalogue.h"
#include "logsink.h"
#include "mainwindow.h"
#include "options.h"
#include "paneldump.h"
#include "settingsfile.h"
#include "treedump.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

namespace {

// True when camview only prints (help, version, a dump, settings files) or only writes a
// picture and there is no display: then it needs no screen.
bool needsNoScreen(int argc, char* argv[])
{
    const bool noDisplay =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-h" || argument == "--help" || argument == "--help-all" || argument == "-v" ||
            argument == "--version" || argument == "--dump-tree" || argument == "--dump-panel" ||
            argument.startsWith("--load-settings") || argument.startsWith("--save-settings"))
            return true;
        if (noDisplay && argument.startsWith("--screenshot"))
            return true;
    }
    return false;
}

// The simulated devices' descriptions: $CAMPANE_DEVICES_DIR, else those
// installed with the program (<prefix>/share/camview/devices), else the
// service's own default (the source tree's devices/, for a build tree).
std::string devicesDir()
{
    const QString fromEnvironment = qEnvironmentVariable("CAMPANE_DEVICES_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment.toStdString();
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/camview/devices");
    if (QFileInfo::exists(installed + QStringLiteral("/kvx-slp-camera.xml")))
        return QFileInfo(installed).canonicalFilePath().toStdString();
    return std::string();
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && needsNoScreen(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window shows the log from the start.
    LogSink::install();
    QCoreApplication::setApplicationName(QStringLiteral("camview"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CAMVIEW_VERSION));

    // The command line is checked before the GUI application exists, so that
    // a wrong option is answered with a message, display or not.
    CamviewOptions options;
    {
        QCoreApplication checker(argc, argv);
        QString error;
        if (!parseCamviewOptions(QCoreApplication::arguments(), options, error)) {
            std::fprintf(stderr, "camview: %s\n", qPrintable(error));
            return 2;
        }
    }
    QApplication app(argc, argv);

    // The catalogue first: the boards are translated as they are built.
    LanguageCatalogue catalogue;
    catalogue.use(options.language);

    Corvid::ServiceOptions serviceOptions;
    serviceOptions.defaultDevices = options.defaultDevices;
    serviceOptions.discover = options.discover;
    serviceOptions.devicesDir = devicesDir();
    if (Corvid::StartService(serviceOptions) != 0) {
        std::fprintf(stderr, "camview: the camera service does not start\n");
        return 1;
    }

    int result = 0;
    {
        MainWindow window(options, &catalogue);
        window.show();
        if (options.play)
            QObject::connect(&window, &MainWindow::ready, window.imageView(), &ImageView::play);
        int settingsResult = 0;
        if (!options.loadSettingsFile.isEmpty() || !options.saveSettingsFile.isEmpty()) {
            // Before the screenshot and the dump, which then show the loaded values.
            QObject::connect(&window, &MainWindow::ready, &window, [&options, &settingsResult] {
                settingsResult =
                    runSettingsOptions(options.focusId, options.loadSettingsFile, options.saveSettingsFile);
                if (options.screenshotFile.isEmpty() && !options.dumpTree && !options.dumpPanel)
                    QApplication::exit(settingsResult);
            });
        }
        // A headless run fails when a device of the command line could not be
        // added or the device it names never came.
        const bool headless = !options.screenshotFile.isEmpty() || options.dumpTree || options.dumpPanel ||
                              !options.loadSettingsFile.isEmpty() || !options.saveSettingsFile.isEmpty();
        QObject::connect(&window, &MainWindow::focusTimedOut, &window, [headless](const QString&) {
            if (headless)
                QApplication::exit(1);
        });
        if (!options.screenshotFile.isEmpty()) {
            QObject::connect(&window, &MainWindow::ready, &window, [&window, &options] {
                // One more turn of the event loop lets the shown board lay
                // itself out before the window is grabbed.
                auto shoot = [&window, &options, taken = std::make_shared<bool>(false)] {
                    if (std::exchange(*taken, true))
                        return;
                    QTimer::singleShot(200, &window, [&window, &options] {
                        const bool saved = window.saveScreenshot(options.screenshotFile);
                        if (saved)
                            std::printf("camview: screenshot written to %s\n",
                                        qPrintable(QFileInfo(options.screenshotFile).absoluteFilePath()));
                        QApplication::exit(saved && window.startErrors().isEmpty() ? 0 : 1);
                    });
                };
                if (!options.play)
                    return shoot();
                // With --play the picture waits for a frame, or 5 s.
                QObject::connect(window.imageView(), &ImageView::frameShown, &window, shoot);
                QTimer::singleShot(5000, &window, shoot);
            });
        }
        if (options.dumpTree) {
            QObject::connect(&window, &MainWindow::ready, &window, [&window] {
                if (!window.startErrors().isEmpty()) {
                    QApplication::exit(1);
                    return;
                }
                // The shown board filters its tree as it is shown.
                QTimer::singleShot(0, &window, [&window] {
                    const QString tree = dumpShownFeatureTree(&window);
                    if (tree.isEmpty())
                        std::fprintf(stderr, "camview: the shown board has no feature tree\n");
                    std::fputs(tree.toUtf8().constData(), stdout);
                    std::fflush(stdout);
                    QApplication::exit(tree.isEmpty() ? 1 : 0);
                });
            });
        }
        if (options.dumpPanel) {
            QObject::connect(&window, &MainWindow::ready, &window, [&window, &options] {
                if (!window.startErrors().isEmpty()) {
                    QApplication::exit(1);
                    return;
                }
                QTimer::singleShot(0, &window, [&window, &options] {
                    const QString panel =
                        dumpShownPanel(&window, options.language == QLatin1String("Chinese"));
                    if (panel.isEmpty())
                        std::fprintf(stderr, "camview: the shown board has no panel rows\n");
                    std::fputs(panel.toUtf8().constData(), stdout);
                    std::fflush(stdout);
                    QApplication::exit(panel.isEmpty() ? 1 : 0);
                });
            });
        }
        window.start();
        result = QApplication::exec();
        if (result == 0)
            result = settingsResult;
    }
    Corvid::StopService();
    return result;
}
