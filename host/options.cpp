#include "options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

bool parseCamviewOptions(const QStringList& arguments, CamviewOptions& options, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("camview", "Shows the parameters of cameras and frame-grabber cards."));
    parser.addHelpOption();
    parser.addVersionOption();

    const QCommandLineOption sim(QStringLiteral("sim"),
                                 QCoreApplication::translate("camview",
                                                             "Adds a simulated camera described by FILE "
                                                             "(GenICam XML). May be repeated."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption simCard(
        QStringLiteral("sim-card"),
        QCoreApplication::translate("camview",
                                    "Adds a simulated frame-grabber card described by FILE (GenICam XML). "
                                    "May be repeated."),
        QStringLiteral("FILE"));
    const QCommandLineOption camera(
        QStringLiteral("camera"),
        QCoreApplication::translate("camview",
                                    "Opens the GigE Vision device at ADDRESS (or the device of that "
                                    "id) without discovery. May be repeated."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption noDefaults(
        QStringLiteral("no-default-devices"),
        QCoreApplication::translate("camview", "Starts without the built-in simulated devices."));
    const QCommandLineOption discover(
        QStringLiteral("discover"),
        QCoreApplication::translate("camview", "Looks for real GigE Vision and USB3 Vision devices."));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QCoreApplication::translate("camview", "Language of the window: en or zh."),
                                  QStringLiteral("en|zh"), QStringLiteral("en"));
    const QCommandLineOption focus(
        QStringLiteral("focus"),
        QCoreApplication::translate("camview",
                                    "Focuses the device ID (or the device at that address) at start "
                                    "(default: the first camera)."),
        QStringLiteral("ID"));
    const QCommandLineOption wait(
        QStringLiteral("wait"),
        QCoreApplication::translate("camview", "How long to wait for the --focus device to be listed and its "
                                               "board built (default 10)."),
        QStringLiteral("SECONDS"), QStringLiteral("10"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QCoreApplication::translate("camview",
                                    "Writes a PNG of the window to FILE once the boards are built, "
                                    "then exits."),
        QStringLiteral("FILE"));
    const QCommandLineOption dumpTree(
        QStringLiteral("dump-tree"),
        QCoreApplication::translate("camview",
                                    "Prints the focused device's feature tree (labels, values, hidden "
                                    "rows marked) once the boards are built, then exits."));
    const QCommandLineOption play(
        QStringLiteral("play"),
        QCoreApplication::translate("camview", "Starts the acquisition of the focused camera at start (with "
                                               "--screenshot, the screenshot waits for its first frame)."));
    const QCommandLineOption dumpPanel(
        QStringLiteral("dump-panel"),
        QCoreApplication::translate("camview",
                                    "Prints the focused device's Param Setting panel (tabs, groups, shown "
                                    "rows and their values) once the boards are built, then exits."));
    const QCommandLineOption loadSettings(
        QStringLiteral("load-settings"),
        QCoreApplication::translate("camview",
                                    "Loads the settings in FILE into the focused device once the boards "
                                    "are built, prints what failed; exits unless a screenshot or dump "
                                    "follows (code 1 when a line failed)."),
        QStringLiteral("FILE"));
    const QCommandLineOption saveSettings(
        QStringLiteral("save-settings"),
        QCoreApplication::translate("camview",
                                    "Saves the focused device's settings to FILE (after --load-settings), "
                                    "then exits unless a screenshot or dump follows."),
        QStringLiteral("FILE"));
    const QCommandLineOption saveImage(
        QStringLiteral("save-image"),
        QCoreApplication::translate("camview", "Writes the image view's picture at full resolution to FILE "
                                               "(PNG; with --play, once the first frame came), then exits."),
        QStringLiteral("FILE"));
    const QCommandLineOption size(
        QStringLiteral("size"),
        QCoreApplication::translate("camview", "The window's size, for instance 800x600."),
        QStringLiteral("WIDTHxHEIGHT"));
    parser.addOptions({sim, simCard, camera, noDefaults, discover, lang, focus, wait, screenshot, dumpTree,
                       play, dumpPanel, loadSettings, saveSettings, saveImage, size});

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        error = QCoreApplication::translate("camview", "Unexpected argument: %1")
                    .arg(parser.positionalArguments().constFirst());
        return false;
    }

    const QString language = parser.value(lang).toLower();
    if (language == QLatin1String("en")) {
        options.language = QStringLiteral("English");
    } else if (language == QLatin1String("zh")) {
        options.language = QStringLiteral("Chinese");
    } else {
        error = QCoreApplication::translate("camview", "Unknown language '%1': use en or zh.")
                    .arg(parser.value(lang));
        return false;
    }

    bool waitOk = false;
    options.waitSeconds = parser.value(wait).toInt(&waitOk);
    if (!waitOk || options.waitSeconds < 0) {
        error = QCoreApplication::translate("camview", "--wait takes a whole number of seconds, not '%1'.")
                    .arg(parser.value(wait));
        return false;
    }

    if (parser.isSet(size)) {
        const QStringList sides = parser.value(size).split(QLatin1Char('x'));
        bool widthOk = false;
        bool heightOk = false;
        const int width = sides.size() == 2 ? sides[0].toInt(&widthOk) : 0;
        const int height = sides.size() == 2 ? sides[1].toInt(&heightOk) : 0;
        if (!widthOk || !heightOk || width < 200 || height < 150 || width > 16384 || height > 16384) {
            error = QCoreApplication::translate("camview", "--size takes WIDTHxHEIGHT in pixels, not '%1'.")
                        .arg(parser.value(size));
            return false;
        }
        options.windowSize = QSize(width, height);
    }

    options.simulatedFiles = parser.values(sim);
    options.simulatedCards = parser.values(simCard);
    options.cameraAddresses = parser.values(camera);
    options.defaultDevices = !parser.isSet(noDefaults);
    options.discover = parser.isSet(discover);
    options.focusId = parser.value(focus);
    options.screenshotFile = parser.value(screenshot);
    options.dumpTree = parser.isSet(dumpTree);
    options.play = parser.isSet(play);
    options.dumpPanel = parser.isSet(dumpPanel);
    options.loadSettingsFile = parser.value(loadSettings);
    options.saveSettingsFile = parser.value(saveSettings);
    options.saveImageFile = parser.value(saveImage);
    return true;
}
