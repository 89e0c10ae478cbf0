// camview as a user and a script use it.

#include "logpanel.h"
#include "logsink.h"
#include "mainwindow.h"
#include "options.h"

#include <Corvid/CorvidHost.h>
#include <campane.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <atomic>
#include <memory>
#include <thread>

namespace {

const char* const kCard = "SIM-frame-grabber-card";
const char* const kCamera = "SIM-kvx-slp-camera";
const char* const kSecondCamera = "SIM-sl-camera-dual";

QString devicesDir()
{
    return QStringLiteral(CAMPANE_DEVICES_DIR);
}

// The device id on the board the pane shows now.
QString shownDeviceId(CamPane* pane)
{
    QStringList shown;
    for (QWidget* board : pane->findChildren<QWidget*>(QStringLiteral("CamBoard"))) {
        if (board->isVisible())
            shown << (board->accessibleName().isEmpty() ? QStringLiteral("No device")
                                                        : board->accessibleName());
    }
    return shown.size() == 1 ? shown.first() : QStringLiteral("<%1 boards shown>").arg(shown.size());
}

// The board the pane shows now.
QWidget* shownBoard(CamPane* pane)
{
    for (QWidget* board : pane->findChildren<QWidget*>(QStringLiteral("CamBoard"))) {
        if (board->isVisible())
            return board;
    }
    return nullptr;
}

int shownLevel(CamPane* pane)
{
    QWidget* board = shownBoard(pane);
    auto* level = board ? board->findChild<QComboBox*>(QStringLiteral("cboboxLevel")) : nullptr;
    return level ? level->currentIndex() : -1;
}

// The value cell of the feature named `name` in a board's feature tree.
QModelIndex featureValueIndex(const QAbstractItemModel* model, const QString& name,
                              const QModelIndex& parent = QModelIndex())
{
    const int nameRole = model->roleNames().key("featureName", -1);
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex label = model->index(row, 0, parent);
        if (label.data(nameRole).toString() == name)
            return model->index(row, 1, parent);
        const QModelIndex found = featureValueIndex(model, name, label);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

// The widths of the boards' collapse buttons: 60 for Chinese, 85 for English.
QSet<int> buttonWidthsOf(CamPane* pane)
{
    QSet<int> widths;
    for (QToolButton* button : pane->findChildren<QToolButton*>(QStringLiteral("toolButton")))
        widths << button->maximumWidth();
    return widths;
}

QTreeWidgetItem* deviceItem(QTreeWidget* tree, const QString& id)
{
    const QList<QTreeWidgetItem*> items = tree->findItems(id, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

} // namespace

class TestCamview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void options_data();
    void options();
    void badOptions_data();
    void badOptions();
    void windowFollowsTheHostEvents();
    void focusWaitsForItsDevice_data();
    void focusWaitsForItsDevice();
    void screenshotOfTheProgram();
    void dumpTreeOfTheProgram_data();
    void dumpTreeOfTheProgram();
    void dumpPanelOfTheProgram_data();
    void dumpPanelOfTheProgram();
    void settingsFilesOfTheProgram();

private:
    QTemporaryDir m_dir;
};

void TestCamview::initTestCase()
{
    QVERIFY(m_dir.isValid());
    LogSink::install();
    Corvid::ServiceOptions options;
    options.devicesDir = devicesDir().toStdString();
    options.settingsFile = m_dir.filePath(QStringLiteral("host.ini")).toStdString();
    QCOMPARE(Corvid::StartService(options), 0);
}

void TestCamview::cleanupTestCase()
{
    Corvid::StopService();
}

void TestCamview::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("sims");
    QTest::addColumn<bool>("defaults");
    QTest::addColumn<bool>("discover");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("screenshot");
    QTest::addColumn<QStringList>("cards");
    QTest::addColumn<QStringList>("cameras");
    QTest::addColumn<int>("wait");

    const QString none;
    const QStringList noList;
    QTest::newRow("nothing") << QStringList() << QStringList() << true << false << "English" << none << none
                             << noList << noList << 10;
    QTest::newRow("two simulated cameras")
        << QStringList({"--sim", "a.xml", "--sim=b.xml"}) << QStringList({"a.xml", "b.xml"}) << true << false
        << "English" << none << none << noList << noList << 10;
    QTest::newRow("everything") << QStringList({"--no-default-devices", "--discover", "--lang", "zh",
                                                "--focus", "SIM-x", "--screenshot", "/tmp/x.png", "--wait",
                                                "3", "--sim-card", "c.xml", "--camera", "192.168.1.10"})
                                << QStringList() << false << true << "Chinese" << QString("SIM-x")
                                << "/tmp/x.png" << QStringList({"c.xml"}) << QStringList({"192.168.1.10"})
                                << 3;
    QTest::newRow("English by name") << QStringList({"--lang=EN"}) << QStringList() << true << false
                                     << "English" << none << none << noList << noList << 10;
}

void TestCamview::options()
{
    QFETCH(QStringList, arguments);
    arguments.prepend(QStringLiteral("camview"));
    CamviewOptions parsed;
    QString error;
    QVERIFY2(parseCamviewOptions(arguments, parsed, error), qPrintable(error));
    QTEST(parsed.simulatedFiles, "sims");
    QTEST(parsed.defaultDevices, "defaults");
    QTEST(parsed.discover, "discover");
    QTEST(parsed.language, "language");
    QTEST(parsed.focusId, "focus");
    QTEST(parsed.screenshotFile, "screenshot");
    QTEST(parsed.simulatedCards, "cards");
    QTEST(parsed.cameraAddresses, "cameras");
    QTEST(parsed.waitSeconds, "wait");
}

void TestCamview::badOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown language") << QStringList({"--lang", "fr"});
    QTest::newRow("unknown option") << QStringList({"--fast"});
    QTest::newRow("missing value") << QStringList({"--sim"});
    QTest::newRow("stray argument") << QStringList({"camera.xml"});
    QTest::newRow("wait not a number") << QStringList({"--wait", "soon"});
}

void TestCamview::badOptions()
{
    QFETCH(QStringList, arguments);
    arguments.prepend(QStringLiteral("camview"));
    CamviewOptions parsed;
    QString error;
    QVERIFY(!parseCamviewOptions(arguments, parsed, error));
    QVERIFY(!error.isEmpty());
}

void TestCamview::windowFollowsTheHostEvents()
{
    CamviewOptions options;
    auto window = std::make_unique<MainWindow>(options, nullptr);
    window->show();
    QSignalSpy ready(window.get(), &MainWindow::ready);
    window->start();
    QVERIFY(ready.wait(60000));

    CamPane* pane = window->pane();
    auto* tree = window->findChild<QTreeWidget*>(QStringLiteral("deviceTree"));
    auto action = [&](const char* name) { return window->findChild<QAction*>(QLatin1String(name)); };

    // The first camera has the focus, and the list shows every device.
    QCOMPARE(shownDeviceId(pane), QString(kCamera));
    for (const char* id : {kCard, kCamera, kSecondCamera})
        QVERIFY2(deviceItem(tree, id), id);
    QVERIFY(deviceItem(tree, kCamera)->isSelected());

    // Another camera's loss makes the pane show its empty board; the window
    // puts the selected camera's board back.
    const std::string secondFile = (devicesDir() + "/sl-camera-dual.xml").toStdString();
    QCOMPARE(Corvid::SimulateDeviceLoss(kSecondCamera), 0);
    QTRY_VERIFY(deviceItem(tree, kSecondCamera)->text(2).startsWith(QLatin1String("lost")));
    QTRY_COMPARE(shownDeviceId(pane), QString(kCamera));
    QVERIFY(deviceItem(tree, kCamera)->isSelected());
    QCOMPARE(Corvid::AddSimulatedCamera(secondFile, "5"), std::string(kSecondCamera));
    QTRY_VERIFY(deviceItem(tree, kSecondCamera)->text(2).startsWith(QLatin1String("usable")));
    QTRY_COMPARE(shownDeviceId(pane), QString(kCamera));

    // A write that the device refuses (off the increment) is in the status
    // bar and the log panel within a second, named after the shown device.
    auto* features = shownBoard(pane)->findChild<QTreeView*>(QStringLiteral("widget_featrue"));
    const QModelIndex width = featureValueIndex(features->model(), QStringLiteral("Width"));
    QVERIFY(width.isValid());
    features->model()->setData(width, width.data().toLongLong() + 1, Qt::EditRole);
    QTRY_VERIFY_WITH_TIMEOUT(window->problemText().contains(QLatin1String("Width")), 1000);
    QVERIFY(window->problemText().contains(QLatin1String(kCamera)));
    QVERIFY(!window->logPanel()->lines().filter(QLatin1String("Width")).filter(kCamera).isEmpty());

    // After a language switch the level selector shows the level in force,
    // on the shown board and on a board shown later; choosing another level
    // takes effect.
    auto* level = shownBoard(pane)->findChild<QComboBox*>(QStringLiteral("cboboxLevel"));
    level->setCurrentIndex(2);
    action("actionChinese")->trigger();
    QTRY_COMPARE(buttonWidthsOf(pane), QSet<int>({60}));
    QTRY_COMPARE(shownLevel(pane), 2);
    level->setCurrentIndex(0);
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("0"));
    level->setCurrentIndex(2);
    tree->clearSelection();
    deviceItem(tree, kSecondCamera)->setSelected(true);
    QTRY_COMPARE(shownDeviceId(pane), QString(kSecondCamera));
    QCOMPARE(shownLevel(pane), 2);
    action("actionEnglish")->trigger();
    QTRY_COMPARE(buttonWidthsOf(pane), QSet<int>({85}));
    QTRY_COMPARE(shownLevel(pane), 2);
    shownBoard(pane)->findChild<QComboBox*>(QStringLiteral("cboboxLevel"))->setCurrentIndex(0);

    // Selecting a device focuses it.
    tree->clearSelection();
    deviceItem(tree, kCard)->setSelected(true);
    QTRY_COMPARE(shownDeviceId(pane), QString(kCard));
    QVERIFY(!action("actionLock")->isEnabled());
    tree->clearSelection();
    deviceItem(tree, kSecondCamera)->setSelected(true);
    QTRY_COMPARE(shownDeviceId(pane), QString(kSecondCamera));

    // Lock and unlock the selected camera (the board's panel shows the lock
    // on the controls its layout makes lockable).
    action("actionLock")->trigger();
    QTRY_VERIFY(deviceItem(tree, kSecondCamera)->text(2).endsWith(QLatin1String(", locked")));
    action("actionUnlock")->trigger();
    QTRY_VERIFY(!deviceItem(tree, kSecondCamera)->text(2).endsWith(QLatin1String(", locked")));

    // Language: the boards' collapse button narrows for Chinese.
    action("actionChinese")->trigger();
    QTRY_COMPARE(buttonWidthsOf(pane), QSet<int>({60}));
    action("actionEnglish")->trigger();
    QTRY_COMPARE(buttonWidthsOf(pane), QSet<int>({85}));

    // Both tabs off hide the pane; one back shows it.
    action("actionPanelTab")->trigger();
    action("actionAttributeTab")->trigger();
    QVERIFY(!pane->isVisible());
    action("actionPanelTab")->trigger();
    QVERIFY(pane->isVisible());
    action("actionAttributeTab")->trigger();

    // An unusable camera loses its board, which the status bar says; usable
    // again, it comes back.
    action("actionUnusable")->trigger();
    QTRY_COMPARE(shownDeviceId(pane), QStringLiteral("No device"));
    QTRY_VERIFY(window->problemText().contains(QLatin1String("no longer usable")));
    QTRY_VERIFY(deviceItem(tree, kSecondCamera)->text(2).startsWith(QLatin1String("unusable")));
    // Still selected: back again, it gets the focus again.
    action("actionUsable")->trigger();
    QTRY_VERIFY(deviceItem(tree, kSecondCamera)->text(2).startsWith(QLatin1String("usable")));
    QTRY_COMPARE(shownDeviceId(pane), QString(kSecondCamera));

    // The window goes while the service still runs; the service waits for
    // nothing of it afterwards.
    window.reset();
    std::atomic<bool> done{false};
    std::thread republish([&] {
        Corvid::RepublishDeviceList();
        done = true;
    });
    QTRY_VERIFY(done);
    republish.join();
}

void TestCamview::focusWaitsForItsDevice_data()
{
    QTest::addColumn<int>("addAfterMs"); // -1: never
    QTest::newRow("a device listed late") << 1500;
    QTest::newRow("a device that never comes") << -1;
}

void TestCamview::focusWaitsForItsDevice()
{
    QFETCH(int, addAfterMs);
    // A camera of its own, so that its id is new to the service.
    const QString file = m_dir.filePath(QStringLiteral("late-camera.xml"));
    QFile::remove(file);
    QVERIFY(QFile::copy(devicesDir() + QStringLiteral("/sl-camera-dual.xml"), file));
    const QString id = QStringLiteral("SIM-late-camera");

    CamviewOptions options;
    options.focusId = id;
    options.waitSeconds = addAfterMs < 0 ? 1 : 30;
    MainWindow window(options, nullptr);
    window.show();
    QSignalSpy ready(&window, &MainWindow::ready);
    QSignalSpy timedOut(&window, &MainWindow::focusTimedOut);
    window.start();
    if (addAfterMs >= 0) {
        QTimer::singleShot(addAfterMs, [&] { Corvid::AddSimulatedCamera(file.toStdString()); });
        QVERIFY(ready.wait(30000));
        QCOMPARE(shownDeviceId(window.pane()), id);
        QVERIFY(timedOut.isEmpty());
        QCOMPARE(Corvid::RemoveDevice(id.toStdString()), 0);
    } else {
        QVERIFY(timedOut.wait(30000));
        QVERIFY(timedOut.first().first().toString().contains(id));
        QTRY_VERIFY(window.problemText().contains(id));
        QVERIFY(ready.isEmpty());
    }
}

void TestCamview::screenshotOfTheProgram()
{
    const QString png = m_dir.filePath(QStringLiteral("camview.png"));
    QProcess camview;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    camview.setProcessEnvironment(environment);
    camview.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE),
                  {"--no-default-devices", "--sim", devicesDir() + "/kvx-slp-camera.xml", "--sim",
                   devicesDir() + "/sl-camera-dual.xml", "--focus", kSecondCamera, "--lang", "zh",
                   "--screenshot", png});
    QVERIFY(camview.waitForFinished(120000));
    QCOMPARE(camview.exitStatus(), QProcess::NormalExit);
    QCOMPARE(camview.exitCode(), 0);
    QVERIFY(camview.readAllStandardOutput().contains(png.toUtf8()));
    QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 800);
    QVERIFY(image.height() >= 500);

    // A bad command line is refused before anything starts.
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE), {"--lang", "fr"});
    QVERIFY(camview.waitForFinished(60000));
    QCOMPARE(camview.exitCode(), 2);

    // The help needs no display.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    camview.setProcessEnvironment(environment);
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE), {"--help"});
    QVERIFY(camview.waitForFinished(60000));
    QCOMPARE(camview.exitCode(), 0);
    QVERIFY(camview.readAllStandardOutput().contains("--sim-card"));
}

void TestCamview::dumpTreeOfTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QString>("error"); //!< a text that stderr must hold
    const QString card = devicesDir() + QStringLiteral("/frame-grabber-card.xml");
    // The first camera is focused by default; the level is Beginner. Values
    // read as the tree shows them: addresses dotted, MAC addresses in octets.
    QTest::newRow("camera") << QStringList() << 0
                            << QStringList{"KVX_SLP3000",
                                           "  DeviceControl",
                                           "    DeviceModelName: KVX-SLP3000",
                                           "    DeviceStatusFlags: 0xff [hidden]",
                                           "    Width: 2448",
                                           "        Light1Value: 80",
                                           "      GevCurrentIPAddress: 192.168.0.1 [hidden]",
                                           "      GevMACAddress: 00:11:22:33:44:AA [hidden]"}
                            << QStringList{"    DeviceModelName: FGC-2CL"} << QString();
    QTest::newRow("camera in Chinese")
        << QStringList{"--lang", "zh"} << 0
        << QStringList{"    DeviceModelName: KVX-SLP3000", "      GevCurrentIPAddress: 192.168.0.1 [hidden]"}
        << QStringList() << QString();
    QTest::newRow("card") << QStringList{"--focus", kCard} << 0
                          << QStringList{"    DeviceModelName: FGC-2CL", "    DebounceTime: 10 [hidden]"}
                          << QStringList{"    DeviceModelName: KVX-SLP3000"} << QString();
    QTest::newRow("card of --sim-card")
        << QStringList{"--no-default-devices", "--sim-card", card, "--focus", kCard} << 0
        << QStringList{"    DeviceModelName: FGC-2CL"} << QStringList() << QString();
    QTest::newRow("missing --sim file") << QStringList{"--sim", "/nonexistent/camera.xml"} << 1
                                        << QStringList() << QStringList() << "/nonexistent/camera.xml";
    QFile broken(m_dir.filePath(QStringLiteral("broken.xml")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("<RegisterDescription><Category Name=\"Root\">");
    broken.close();
    QTest::newRow("malformed --sim file") << QStringList{"--sim", broken.fileName()} << 1 << QStringList()
                                          << QStringList() << broken.fileName();
    QTest::newRow("--focus device never listed")
        << QStringList{"--no-default-devices", "--focus", "SIM-nowhere", "--wait", "1"} << 1 << QStringList()
        << QStringList() << "SIM-nowhere";
}

// A run of camview: its exit code (-1 when it crashed or hung), what it
// printed, line by line, and its errors.
struct Run
{
    int exitCode = -1;
    QStringList output;
    QString errors;
};

static Run run(const QStringList& arguments, const QString& configDir)
{
    QProcess camview;
    // No platform given: a dump needs no screen.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    camview.setProcessEnvironment(environment);
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE), arguments);
    Run result;
    if (camview.waitForFinished(120000) && camview.exitStatus() == QProcess::NormalExit)
        result.exitCode = camview.exitCode();
    result.output = QString::fromUtf8(camview.readAllStandardOutput()).split(QLatin1Char('\n'));
    result.errors = QString::fromUtf8(camview.readAllStandardError());
    return result;
}

// What camview prints with these arguments, line by line; the program must
// end well.
static QStringList outputOf(const QStringList& arguments, const QString& configDir)
{
    const Run result = run(arguments, configDir);
    return result.exitCode == 0 ? result.output : QStringList();
}

void TestCamview::dumpTreeOfTheProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    const Run result =
        run(QStringList{"--dump-tree"} + arguments, m_dir.filePath(QStringLiteral("config-dump")));
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.errors));
    QVERIFY2(result.errors.contains(error), qPrintable(result.errors));
    const QStringList& output = result.output;
    for (const QString& line : qAsConst(lines))
        QVERIFY2(output.contains(line), qPrintable(line));
    for (const QString& line : qAsConst(absent))
        QVERIFY2(!output.contains(line), qPrintable(line));
}

void TestCamview::dumpPanelOfTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("lines"); // in this order
    QTest::addColumn<QString>("absent");
    QTest::newRow("camera") << QStringList()
                            << QStringList{"Shoot",
                                           "  Trigger Control",
                                           "    TriggerSoftware: Execute",
                                           "    Periodic Trigger: off, 1000 ms",
                                           "    2D Acquisition Output: GSImage、FrontImage",
                                           "    2D Image Show: GSImage",
                                           "    RayExpTime: 10000",
                                           "  Imgage Process",
                                           "    Denoising: off",
                                           "Advance",
                                           "    UserSetSave: Execute"}
                            << "    Radius: 4";
    // Rows hidden for a feature the camera lacks are not printed.
    QTest::newRow("dual camera in Chinese")
        << QStringList{"--lang", "zh", "--focus", "SIM-sl-camera-dual"}
        << QStringList{"拍摄", "    2D采集显示: 左2D图", "    光机亮度值1: 70", "    右光机曝光时间: 12000",
                       "    搜索半径: 3"}
        << "    光机亮度值2: 60";
}

void TestCamview::dumpPanelOfTheProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    QFETCH(QString, absent);
    const QStringList output =
        outputOf(QStringList{"--dump-panel"} + arguments, m_dir.filePath(QStringLiteral("config-panel")));
    QVERIFY(!output.isEmpty());
    QCOMPARE(output.first(), lines.first());
    int at = 0;
    for (const QString& line : qAsConst(lines)) {
        at = output.indexOf(line, at);
        QVERIFY2(at >= 0, qPrintable(line));
    }
    QVERIFY(!output.contains(absent));
}

// Saves the camera's settings, loads a file whose lines come in the wrong
// order (the tree then shows the loaded values), and one with a bad line
// (the panel then shows the loaded values).
void TestCamview::settingsFilesOfTheProgram()
{
    const auto runCamview = [this](const QStringList& arguments, QByteArray* output) {
        QProcess camview;
        // No platform given: settings files need no screen.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_dir.filePath(QStringLiteral("config-settings")));
        camview.setProcessEnvironment(environment);
        camview.start(QStringLiteral(CAMVIEW_EXECUTABLE), QStringList{"--focus", kCamera} + arguments);
        camview.waitForFinished(120000);
        *output = camview.readAllStandardOutput() + camview.readAllStandardError();
        return camview.exitStatus() == QProcess::NormalExit ? camview.exitCode() : -1;
    };
    QByteArray output;
    const QString saved = m_dir.filePath(QStringLiteral("saved.txt"));
    QCOMPARE(runCamview({"--save-settings", saved}, &output), 0);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n"));
    QVERIFY(text.contains("\nWidth\t2448\n"));

    const QString edited = m_dir.filePath(QStringLiteral("edited.txt"));
    QFile out(edited);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text + "OffsetX\t448\nWidth\t2000\nLight1Value\t33\nRayExpTime\t20000\n");
    out.close();
    QCOMPARE(runCamview({"--load-settings", edited, "--dump-tree"}, &output), 0);
    QVERIFY2(output.contains("\n    Width: 2000\n") && output.contains("\n    OffsetX: 448\n") &&
                 output.contains("Light1Value: 33\n"),
             output.constData());

    QVERIFY(out.open(QIODevice::Append));
    out.write("NoSuchFeature\t1\n");
    out.close();
    QCOMPARE(runCamview({"--load-settings", edited, "--dump-panel"}, &output), 1);
    QVERIFY2(output.contains("NoSuchFeature 1: unknown feature"), output.constData());
    QVERIFY2(output.contains("\n    RayExpTime: 20000\n"), output.constData());
}

QTEST_MAIN(TestCamview)
#include "tst_camview.moc"
