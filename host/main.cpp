// camview: a viewer window around CamPane, run against the camera service
// and its simulated (or real) devices.

#include "imageview.h"
#include "languagecatalogue.h"
#include "logsink.h"
#include "mainwindow.h"
#include "options.h"
#include "paneldump.h"
#include "quitsignals.h"
#include "settingsfile.h"
#include "treedump.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// How long a picture or a dump waits for the shown board's tree to be
// gathered: a description of 100,000 features takes seconds.
const int kTreeWaitMs = 60000;

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
        if (noDisplay && (argument.startsWith("--screenshot") || argument.startsWith("--save-image")))
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
    quitOnTerminationSignals();

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
        // A headless run does its steps in this order once the window is
        // ready (settings, picture, image, dumps), each after the one before,
        // and exits with the first failure.
        using Done = std::function<void(int)>;
        std::vector<std::function<void(const Done&)>> steps;
        int stepsResult = 0;
        if (!options.loadSettingsFile.isEmpty() || !options.saveSettingsFile.isEmpty()) {
            // Before the screenshot and the dump, which then show the loaded values.
            steps.push_back([&options](const Done& done) {
                done(runSettingsOptions(options.focusId, options.loadSettingsFile, options.saveSettingsFile));
            });
        }
        if (options.play && (!options.screenshotFile.isEmpty() || !options.saveImageFile.isEmpty())) {
            // With --play the picture waits for a frame, or 5 s.
            steps.push_back([&window](const Done& done) {
                auto next = [done, taken = std::make_shared<bool>(false)] {
                    if (!std::exchange(*taken, true))
                        done(0);
                };
                QObject::connect(window.imageView(), &ImageView::frameShown, &window, next);
                QTimer::singleShot(5000, &window, next);
            });
        }
        if (!options.screenshotFile.isEmpty()) {
            steps.push_back([&window, &options](const Done& done) {
                // A few turns of the event loop let the shown board lay
                // itself out, its tree filled, before the window is grabbed.
                whenShownTreeIsFilled(&window, kTreeWaitMs, [&window, &options, done] {
                    QTimer::singleShot(200, &window, [&window, &options, done] {
                        const bool saved = window.saveScreenshot(options.screenshotFile);
                        if (saved)
                            std::printf("camview: screenshot written to %s\n",
                                        qPrintable(QFileInfo(options.screenshotFile).absoluteFilePath()));
                        done(saved && window.startErrors().isEmpty() ? 0 : 1);
                    });
                });
            });
        }
        if (!options.saveImageFile.isEmpty()) {
            steps.push_back([&window, &options](const Done& done) {
                QString error;
                if (!window.imageView()->saveImage(options.saveImageFile, &error)) {
                    std::fprintf(stderr, "camview: %s\n", qPrintable(error));
                    done(1);
                    return;
                }
                std::printf("camview: image written to %s\n",
                            qPrintable(QFileInfo(options.saveImageFile).absoluteFilePath()));
                done(window.startErrors().isEmpty() ? 0 : 1);
            });
        }
        if (options.dumpTree) {
            steps.push_back([&window](const Done& done) {
                if (!window.startErrors().isEmpty())
                    return done(1);
                whenShownTreeIsFilled(&window, kTreeWaitMs, [&window, done] {
                    const QString tree = dumpShownFeatureTree(&window);
                    if (tree.isEmpty())
                        std::fprintf(stderr, "camview: %s\n",
                                     qPrintable(QCoreApplication::translate(
                                         "camview", "the shown board has no feature tree")));
                    std::fputs(tree.toUtf8().constData(), stdout);
                    std::fflush(stdout);
                    done(tree.isEmpty() ? 1 : 0);
                });
            });
        }
        if (options.dumpPanel) {
            steps.push_back([&window, &options](const Done& done) {
                if (!window.startErrors().isEmpty())
                    return done(1);
                QTimer::singleShot(0, &window, [&window, &options, done] {
                    const QString panel =
                        dumpShownPanel(&window, options.language == QLatin1String("Chinese"));
                    if (panel.isEmpty())
                        std::fprintf(stderr, "camview: %s\n",
                                     qPrintable(QCoreApplication::translate(
                                         "camview", "the shown board has no panel rows")));
                    std::fputs(panel.toUtf8().constData(), stdout);
                    std::fflush(stdout);
                    done(panel.isEmpty() ? 1 : 0);
                });
            });
        }
        std::function<void(size_t)> runStep = [&](size_t index) {
            if (index == steps.size()) {
                QApplication::exit(stepsResult);
                return;
            }
            steps[index]([&runStep, &stepsResult, index](int code) {
                if (stepsResult == 0)
                    stepsResult = code;
                runStep(index + 1);
            });
        };
        if (!steps.empty())
            QObject::connect(&window, &MainWindow::ready, &window, [&runStep] { runStep(0); });
        // A headless run fails when a device of the command line could not be
        // added or the device it names never came.
        const bool headless = !steps.empty();
        QObject::connect(&window, &MainWindow::focusTimedOut, &window, [headless](const QString&) {
            if (headless)
                QApplication::exit(1);
        });
        window.start();
        result = QApplication::exec();
    }
    Corvid::StopService();
    return result;
}
