// camview as a user and a script use it.

#include "imageview.h"
#include "logpanel.h"
#include "logsink.h"
#include "mainwindow.h"
#include "options.h"

#include <Corvid/CorvidHost.h>
#include <campane.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <atomic>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace {

const char* const kCard = "SIM-frame-grabber-card";
const char* const kCamera = "SIM-kvx-slp-camera";
const char* const kSecondCamera = "SIM-sl-camera-dual";
const QString kDevices = QStringLiteral(CAMPANE_DEVICES_DIR);

// The board the pane shows now; none unless exactly one is shown.
QWidget* shownBoard(CamPane* pane)
{
    QWidget* shown = nullptr;
    for (QWidget* board : pane->findChildren<QWidget*>(QStringLiteral("CamBoard"))) {
        if (board->isVisible() && std::exchange(shown, board))
            return nullptr;
    }
    return shown;
}

// The device id on the board the pane shows now.
QString shownDeviceId(CamPane* pane)
{
    QWidget* board = shownBoard(pane);
    if (!board)
        return QStringLiteral("<not one board shown>");
    return board->accessibleName().isEmpty() ? QStringLiteral("No device") : board->accessibleName();
}

QComboBox* levelOf(QWidget* board)
{
    return board ? board->findChild<QComboBox*>(QStringLiteral("cboboxLevel")) : nullptr;
}

int shownLevel(CamPane* pane)
{
    QComboBox* level = levelOf(shownBoard(pane));
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

// A run of camview: its exit code (-1 when it crashed or hung), what it
// printed, line by line, and its errors. Without `screen` it has no
// platform: dumps, settings files and the help need none.
struct Run
{
    int exitCode = -1;
    QStringList output;
    QString errors;
};

Run run(const QStringList& arguments, const QString& configDir, bool screen = false)
{
    QProcess camview;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    if (screen)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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

} // namespace

class TestCamview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { Corvid::StopService(); }

    void options_data();
    void options();
    void windowFollowsTheHostEvents();
    void regionDrawnOnThePicture();
    void focusWaitsForItsDevice_data();
    void focusWaitsForItsDevice();
    void screenshotOfTheProgram();
    void runsOfTheProgram_data();
    void runsOfTheProgram();
    void settingsFilesOfTheProgram();
    void hostileFilesAndTexts_data();
    void hostileFilesAndTexts();

private:
    QTemporaryDir m_dir;
};

void TestCamview::initTestCase()
{
    QVERIFY(m_dir.isValid());
    LogSink::install();
    Corvid::ServiceOptions options;
    options.devicesDir = kDevices.toStdString();
    options.settingsFile = m_dir.filePath(QStringLiteral("host.ini")).toStdString();
    QCOMPARE(Corvid::StartService(options), 0);
}

void TestCamview::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("parsed"); // what differs from the defaults; "error" when refused

    QTest::newRow("nothing") << QStringList() << "";
    QTest::newRow("two simulated cameras")
        << QStringList{"--sim", "a.xml", "--sim=b.xml"} << "sim a.xml,b.xml";
    QTest::newRow("everything") << QStringList{"--no-default-devices",
                                               "--discover",
                                               "--lang",
                                               "zh",
                                               "--focus",
                                               "SIM-x",
                                               "--screenshot",
                                               "/tmp/x.png",
                                               "--wait",
                                               "3",
                                               "--sim-card",
                                               "c.xml",
                                               "--camera",
                                               "192.168.1.10"}
                                << "card c.xml, camera 192.168.1.10, no defaults, discover, Chinese, focus "
                                   "SIM-x, screenshot /tmp/x.png, wait 3";
    QTest::newRow("English by name") << QStringList{"--lang=EN"} << "";
    QTest::newRow("unknown language") << QStringList{"--lang", "fr"} << "error";
    QTest::newRow("unknown option") << QStringList{"--fast"} << "error";
    QTest::newRow("missing value") << QStringList{"--sim"} << "error";
    QTest::newRow("stray argument") << QStringList{"camera.xml"} << "error";
    QTest::newRow("wait not a number") << QStringList{"--wait", "soon"} << "error";
}

void TestCamview::options()
{
    QFETCH(QStringList, arguments);
    CamviewOptions o;
    QString error;
    QStringList parsed;
    if (!parseCamviewOptions(QStringList{"camview"} + arguments, o, error))
        parsed << (error.isEmpty() ? "error without text" : "error");
    if (!o.simulatedFiles.isEmpty())
        parsed << "sim " + o.simulatedFiles.join(',');
    if (!o.simulatedCards.isEmpty())
        parsed << "card " + o.simulatedCards.join(',');
    if (!o.cameraAddresses.isEmpty())
        parsed << "camera " + o.cameraAddresses.join(',');
    if (!o.defaultDevices)
        parsed << "no defaults";
    if (o.discover)
        parsed << "discover";
    if (o.language != QLatin1String("English"))
        parsed << o.language;
    if (!o.focusId.isEmpty())
        parsed << "focus " + o.focusId;
    if (!o.screenshotFile.isEmpty())
        parsed << "screenshot " + o.screenshotFile;
    if (o.waitSeconds != 10)
        parsed << "wait " + QString::number(o.waitSeconds);
    if (parsed.startsWith("error"))
        parsed = parsed.mid(0, 1);
    QTEST(parsed.join(", "), "parsed");
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
    auto status = [&](const char* id) { return deviceItem(tree, id)->text(2); };
    auto select = [&](const char* id) {
        tree->clearSelection();
        deviceItem(tree, id)->setSelected(true);
        QTRY_COMPARE(shownDeviceId(pane), QString(id));
    };

    // The first camera has the focus, and the list shows every device.
    QCOMPARE(shownDeviceId(pane), QString(kCamera));
    for (const char* id : {kCard, kCamera, kSecondCamera})
        QVERIFY2(deviceItem(tree, id), id);
    QVERIFY(deviceItem(tree, kCamera)->isSelected());

    // Another camera's loss makes the pane show its empty board; the window
    // puts the selected camera's board back.
    QCOMPARE(Corvid::SimulateDeviceLoss(kSecondCamera), 0);
    QTRY_VERIFY(status(kSecondCamera).startsWith(QLatin1String("lost")));
    QTRY_COMPARE(shownDeviceId(pane), QString(kCamera));
    QVERIFY(deviceItem(tree, kCamera)->isSelected());
    QCOMPARE(Corvid::AddSimulatedCamera((kDevices + "/sl-camera-dual.xml").toStdString(), "5"),
             std::string(kSecondCamera));
    QTRY_VERIFY(status(kSecondCamera).startsWith(QLatin1String("usable")));
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
    // Written right later, the refusal is over.
    const qint64 accepted = width.data().toLongLong() / 16 * 16; // on the increment
    features->model()->setData(width, accepted, Qt::EditRole);
    QTRY_VERIFY(!window->problemText().contains(QLatin1String("Width")));

    // After a language switch the level selector shows the level in force,
    // on the shown board and on a board shown later; choosing another level
    // takes effect. The boards' collapse button narrows for Chinese.
    QComboBox* level = levelOf(shownBoard(pane));
    level->setCurrentIndex(2);
    action("actionChinese")->trigger();
    QTRY_COMPARE(buttonWidthsOf(pane), QSet<int>({60}));
    QTRY_COMPARE(shownLevel(pane), 2);
    level->setCurrentIndex(0);
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("0"));
    level->setCurrentIndex(2);
    select(kSecondCamera);
    QCOMPARE(shownLevel(pane), 2);
    action("actionEnglish")->trigger();
    QTRY_COMPARE(buttonWidthsOf(pane), QSet<int>({85}));
    QTRY_COMPARE(shownLevel(pane), 2);
    levelOf(shownBoard(pane))->setCurrentIndex(0);

    // Selecting a device focuses it; a card cannot be locked.
    select(kCard);
    QVERIFY(!action("actionLock")->isEnabled());
    select(kSecondCamera);
    action("actionLock")->trigger();
    QTRY_VERIFY(status(kSecondCamera).endsWith(QLatin1String(", locked")));
    action("actionUnlock")->trigger();
    QTRY_VERIFY(!status(kSecondCamera).endsWith(QLatin1String(", locked")));

    // Both tabs off hide the pane; one back shows it.
    action("actionPanelTab")->trigger();
    action("actionAttributeTab")->trigger();
    QVERIFY(!pane->isVisible());
    action("actionPanelTab")->trigger();
    QVERIFY(pane->isVisible());
    action("actionAttributeTab")->trigger();

    // An unusable camera loses its board, which the status bar says; usable
    // again, still selected, it gets the focus again.
    action("actionUnusable")->trigger();
    QTRY_COMPARE(shownDeviceId(pane), QStringLiteral("No device"));
    QTRY_VERIFY(window->problemText().contains(QLatin1String("no longer usable")));
    QTRY_VERIFY(status(kSecondCamera).startsWith(QLatin1String("unusable")));
    // A transient message hides the problem's icon with its text.
    auto* problemArea = window->findChild<QWidget*>(QStringLiteral("problemArea"));
    window->statusBar()->showMessage(QStringLiteral("transient"));
    QVERIFY(!problemArea->isVisible());
    window->statusBar()->clearMessage();
    QVERIFY(problemArea->isVisible());
    action("actionUsable")->trigger();
    QTRY_VERIFY(status(kSecondCamera).startsWith(QLatin1String("usable")));
    QTRY_COMPARE(shownDeviceId(pane), QString(kSecondCamera));
    // Usable again: the problem is over.
    QTRY_COMPARE(window->problemText(), QString());

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

// In the drawing phase the mouse draws, moves and resizes the region on the
// picture, at any zoom; the board's four rows follow each change, and
// Execute gives the camera that image. Escape ends the phase.
void TestCamview::regionDrawnOnThePicture()
{
    CamviewOptions options;
    options.focusId = kCamera;
    MainWindow window(options, nullptr);
    window.show();
    QSignalSpy ready(&window, &MainWindow::ready);
    window.start();
    QVERIFY(ready.wait(60000));
    ImageView* view = window.imageView();
    QSignalSpy shown(view, &ImageView::frameShown);
    view->play();
    QVERIFY(shown.wait(10000));
    QCOMPARE(view->image().size(), QSize(2448, 2048));

    QWidget* board = shownBoard(window.pane());
    QPushButton* select = nullptr;
    for (QPushButton* button : board->findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("Select"))
            select = button;
    }
    QVERIFY(select);
    auto rows = [board] {
        auto value = [board](const char* name) { return board->findChild<QSpinBox*>(name)->value(); };
        return QRect(value("roiOffsetXBox"), value("roiOffsetYBox"), value("roiWidthBox"),
                     value("roiHeightBox"));
    };
    auto send = [view](QEvent::Type type, const QPointF& imagePoint) {
        const QPointF at = view->canvasPoint(imagePoint);
        const QPointF global(view->canvas()->mapToGlobal(at.toPoint()));
        QMouseEvent event(type, at, global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->canvas(), &event);
    };
    auto drag = [&](const QPointF& from, const QPointF& to) {
        send(QEvent::MouseButtonPress, from);
        send(QEvent::MouseMove, (from + to) / 2);
        send(QEvent::MouseMove, to);
        send(QEvent::MouseButtonRelease, to);
    };

    select->click();
    const int roi = view->activeRegion();
    QVERIFY(roi != 0);
    QCOMPARE(rows(), QRect(0, 0, 2448, 2048));
    struct Step
    {
        const char* what;
        bool fit;
        QPointF from;
        QPointF to;
        QRect region; // offsets and size, as the rows show them
    };
    const Step steps[] = {
        {"draw", true, {160, 100}, {960, 700}, {160, 100, 800, 600}},
        {"move from inside", true, {500, 400}, {660, 500}, {320, 200, 800, 600}},
        {"right edge, pixel for pixel", false, {1120, 500}, {1280, 500}, {320, 200, 960, 600}},
        {"top-left corner", true, {320, 200}, {160, 100}, {160, 100, 1120, 700}},
        {"dragged past the image's corner", true, {1280, 800}, {3000, 2500}, {160, 100, 2288, 1948}},
    };
    for (const Step& step : steps) {
        view->setFitToWindow(step.fit);
        drag(step.from, step.to);
        QTRY_COMPARE_WITH_TIMEOUT(rows(), step.region, 5000);
        QTRY_COMPARE(view->regions(QString::fromLatin1(kCamera)).value(roi), step.region);
    }
    // Back to a region the camera takes, then Execute.
    view->setFitToWindow(true);
    drag({2448, 2048}, {1280, 800});
    QTRY_COMPARE(rows(), QRect(160, 100, 1120, 700));
    QPushButton* execute = nullptr;
    for (QPushButton* button : board->findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String("Execute") && button->parentWidget() == select->parentWidget())
            execute = button;
    }
    QVERIFY(execute && execute->isEnabled());
    execute->click();
    auto feature = [](const char* name) {
        std::string text;
        Corvid::GetCameraNodeValue(kCamera, name, text);
        return std::atoi(text.c_str());
    };
    QCOMPARE(QRect(feature("OffsetX"), feature("OffsetY"), feature("Width"), feature("Height")),
             QRect(160, 100, 1120, 700));
    QTRY_COMPARE_WITH_TIMEOUT(view->image().size(), QSize(1120, 700), 5000);

    // Escape ends a drawing phase as the button would.
    select->click();
    QTRY_VERIFY(view->activeRegion() != 0);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view->canvas(), &escape);
    QTRY_VERIFY(!execute->isEnabled());
    QCOMPARE(view->activeRegion(), 0);
    view->stop();

    // The camera's whole image again, for the tests that follow.
    for (auto f : {std::make_pair("OffsetX", 0), std::make_pair("OffsetY", 0), std::make_pair("Width", 2448),
                   std::make_pair("Height", 2048)})
        QCOMPARE(Corvid::SetCameraNodeValue(kCamera, f.first, std::to_string(f.second)), 0);
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
    QVERIFY(QFile::copy(kDevices + QStringLiteral("/sl-camera-dual.xml"), file));
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
    const Run result =
        run({"--no-default-devices", "--sim", kDevices + "/kvx-slp-camera.xml", "--sim",
             kDevices + "/sl-camera-dual.xml", "--focus", kSecondCamera, "--lang", "zh", "--screenshot", png},
            m_dir.filePath(QStringLiteral("config")), true);
    QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
    QVERIFY(result.output.join(QLatin1Char('\n')).contains(png));
    const QImage image(png);
    QVERIFY(image.width() >= 800 && image.height() >= 500);

    // A bad command line is refused before anything starts; the help needs
    // no screen.
    QCOMPARE(run({"--lang", "fr"}, m_dir.filePath(QStringLiteral("config")), true).exitCode, 2);
    const Run help = run({"--help"}, m_dir.filePath(QStringLiteral("config")));
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.output.join(QLatin1Char('\n')).contains(QLatin1String("--sim-card")));
}

void TestCamview::runsOfTheProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines"); // printed in this order
    QTest::addColumn<QString>("absent");    // a line not printed
    QTest::addColumn<QString>("error");     // a text that stderr holds

    // The first camera is focused by default; the level is Beginner. Values
    // read as the tree shows them: addresses dotted, MAC addresses in octets.
    const QStringList cameraTree =
        QString(
            "KVX_SLP3000|  DeviceControl|    DeviceModelName: KVX-SLP3000|"
            "    DeviceStatusFlags: 0xff [hidden]|    Width: 2448|        Light1Value: 80|"
            "      GevMACAddress: 00:11:22:33:44:AA [hidden]|      GevCurrentIPAddress: 192.168.0.1 [hidden]")
            .split('|');
    QTest::newRow("tree") << QStringList{"--dump-tree"} << 0 << cameraTree << "    DeviceModelName: FGC-2CL"
                          << "";
    QTest::newRow("tree in Chinese") << QStringList{"--dump-tree", "--lang", "zh"} << 0
                                     << QStringList(cameraTree.mid(2)) << ""
                                     << "";
    QTest::newRow("tree of a card of --sim-card")
        << QStringList{"--dump-tree", "--no-default-devices",
                       "--sim-card",  kDevices + "/frame-grabber-card.xml",
                       "--focus",     kCard}
        << 0 << QStringList{"    DeviceModelName: FGC-2CL", "    DebounceTime: 10 [hidden]"} << ""
        << "";
    // A feature whose reading children are features carries its value; a
    // 32-bit float reads as its display precision gives it.
    QTest::newRow("tree of a generic camera")
        << QStringList{"--dump-tree", "--no-default-devices", "--sim",
                       QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/node-real.xml")}
        << 0
        << QStringList{"    Width: 512",
                       "      SensorWidth: 2048",
                       "    Height: 384",
                       "      HeightRaw: 384 [hidden]",
                       "    Gain: 3.3",
                       "    BlackLevel: 0.337",
                       "    ChunkWidth: {Not Available}"}
        << "    Width"
        << "";
    QTest::newRow("panel")
        << QStringList{"--dump-panel"} << 0
        << QString("Shoot|  Trigger Control|    TriggerSoftware: Execute|    Periodic Trigger: off, "
                   "1000 ms|    2D Acquisition Output: GSImage、FrontImage|    2D Image Show: "
                   "GSImage|    RayExpTime: 10000|  Imgage Process|    Denoising: off|Advance|"
                   "    UserSetSave: Execute")
               .split('|')
        << "    Radius: 4"
        << "";
    // Rows hidden for a feature the camera lacks are not printed.
    QTest::newRow("panel of the dual camera in Chinese")
        << QStringList{"--dump-panel", "--lang", "zh", "--focus", kSecondCamera} << 0
        << QStringList{"拍摄",
                       "  触发控制",
                       "    2D采集显示: 左2D图",
                       "    光机亮度值1: 70",
                       "    右光机曝光时间: 12000",
                       "    搜索半径: 3"}
        << "    光机亮度值2: 60"
        << "";
    QTest::newRow("missing --sim file")
        << QStringList{"--dump-tree", "--sim", "/nonexistent/camera.xml"} << 1 << QStringList() << ""
        << "/nonexistent/camera.xml";
    QFile broken(m_dir.filePath(QStringLiteral("broken.xml")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("<RegisterDescription><Category Name=\"Root\">");
    broken.close();
    QTest::newRow("malformed --sim file") << QStringList{"--dump-tree", "--sim", broken.fileName()} << 1
                                          << QStringList() << "" << broken.fileName();
    // Each step of a headless run in turn; a refused device fails at once
    // (a run that waited for it would outlast the test's patience).
    const QString png = m_dir.filePath(QStringLiteral("steps.png"));
    const QString image = m_dir.filePath(QStringLiteral("image.png"));
    QTest::newRow("screenshot, then tree")
        << QStringList{"--dump-tree", "--screenshot", png} << 0
        << QStringList{"camview: screenshot written to " + png, "KVX_SLP3000"} << ""
        << "";
    QTest::newRow("image of the playing camera") << QStringList{"--play", "--save-image", image} << 0
                                                 << QStringList{"camview: image written to " + image} << ""
                                                 << "";
    QTest::newRow("--focus on a refused description")
        << QStringList{"--dump-tree", "--sim", broken.fileName(), "--focus", "SIM-broken", "--wait", "600"}
        << 1 << QStringList() << ""
        << "Device SIM-broken cannot be used: ";
    QTest::newRow("--focus device never listed")
        << QStringList{"--dump-tree", "--no-default-devices", "--focus", "SIM-nowhere", "--wait", "1"} << 1
        << QStringList() << ""
        << "SIM-nowhere";
}

void TestCamview::runsOfTheProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    QFETCH(QString, absent);
    QFETCH(QString, error);
    const Run result = run(arguments, m_dir.filePath(QStringLiteral("config-runs")));
    QTEST(result.exitCode, "exitCode");
    QVERIFY2(result.errors.contains(error), qPrintable(result.errors));
    int at = 0;
    for (const QString& line : qAsConst(lines)) {
        at = result.output.indexOf(line, at);
        QVERIFY2(at >= 0, qPrintable(line));
    }
    QVERIFY(absent.isEmpty() || !result.output.contains(absent));
}

// Saves the camera's settings, loads a file whose lines come in the wrong
// order (the tree then shows the loaded values), and one with a bad line
// (the panel then shows the loaded values).
void TestCamview::settingsFilesOfTheProgram()
{
    const QString config = m_dir.filePath(QStringLiteral("config-settings"));
    const QStringList focus{"--focus", kCamera};
    const QString saved = m_dir.filePath(QStringLiteral("saved.txt"));
    QCOMPARE(run(focus + QStringList{"--save-settings", saved}, config).exitCode, 0);
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n"));
    QVERIFY(text.contains("\nWidth\t2448\n"));

    QFile edited(m_dir.filePath(QStringLiteral("edited.txt")));
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write(text + "OffsetX\t448\nWidth\t2000\nLight1Value\t33\nRayExpTime\t20000\n");
    edited.close();
    Run result = run(focus + QStringList{"--load-settings", edited.fileName(), "--dump-tree"}, config);
    QCOMPARE(result.exitCode, 0);
    for (const char* line : {"    Width: 2000", "    OffsetX: 448", "        Light1Value: 33"})
        QVERIFY2(result.output.contains(line), line);

    QVERIFY(edited.open(QIODevice::Append));
    edited.write("NoSuchFeature\t1\n");
    edited.close();
    result = run(focus + QStringList{"--load-settings", edited.fileName(), "--dump-panel"}, config);
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.errors.contains("NoSuchFeature 1: unknown feature"), qPrintable(result.errors));
    QVERIFY(result.output.contains("    RayExpTime: 20000"));
}

// Settings files and device texts as an attacker would craft them: paths that
// are no files, lines that are no settings, endless reports, a save that
// cannot read every value, names holding control characters. camview ends
// each with a clear message, a file it did not finish stays as it was, and
// nothing raw reaches the terminal.
void TestCamview::hostileFilesAndTexts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines"); // printed, in this order
    QTest::addColumn<QString>("error");     // a text that stderr holds
    QTest::addColumn<QString>("keptFile");  // a file that still holds "earlier\n"

    const QString hostile = QStringLiteral(CAMPANE_HOST_TEST_DATA "/hostile-camera.xml");
    const QStringList hostileCamera{"--no-default-devices", "--sim", hostile, "--focus",
                                    "SIM-hostile-camera"};
    auto file = [this](const char* name, const QByteArray& content) {
        QFile out(m_dir.filePath(QLatin1String(name)));
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            qFatal("cannot write %s", name);
        return out.fileName();
    };
    const QByteArray header("# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n");
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    QTest::newRow("load a directory") << QStringList{"--load-settings", m_dir.path()} << 1 << QStringList()
                                      << m_dir.path() + " is a directory, not a settings file"
                                      << "";
    QTest::newRow("load a FIFO") << QStringList{"--load-settings", fifo} << 1 << QStringList()
                                 << fifo + " is a FIFO, not a settings file"
                                 << "";
    QTest::newRow("load a device") << QStringList{"--load-settings", "/dev/zero"} << 1 << QStringList()
                                   << "/dev/zero is a device, not a settings file"
                                   << "";
    QTest::newRow("save into a directory")
        << QStringList{"--save-settings", m_dir.path()} << 1 << QStringList()
        << "is a directory, not a settings file. Nothing was saved"
        << "";
    QTest::newRow("save into a FIFO") << QStringList{"--save-settings", fifo} << 1 << QStringList()
                                      << "is a FIFO, not a settings file. Nothing was saved"
                                      << "";
    // No trigger fires, no user set is loaded or saved.
    const QString commands =
        file("commands.txt", header + "TriggerSoftwareReg\t1\nUserSetSaveReg\t1\n"
                                      "UserSetLoadReg\t1\nTriggerSoftware\t1\nWidth\t2000\n");
    QTest::newRow("commands and write-only registers")
        << QStringList{"--load-settings", commands, "--dump-tree"} << 1
        << QStringList{"    Width: 2000", "    TriggerSoftwareCount: 0 [hidden]"}
        << "line 2: TriggerSoftwareReg 1: not a setting"
        << "";
    QByteArray unknown = header;
    for (int i = 0; i < 600; ++i)
        unknown += "NoSuchFeature" + QByteArray::number(i) + "\t1\n";
    QTest::newRow("report capped") << QStringList{"--load-settings", file("unknown.txt", unknown)} << 1
                                   << QStringList() << "  and 500 more lines failed"
                                   << "";
    const QString kept = file("kept.txt", "earlier\n");
    QTest::newRow("a value the device does not give keeps the earlier file")
        << hostileCamera + QStringList{"--save-settings", kept} << 1 << QStringList()
        << "Could not read 1 of the settings of SIM-hostile-camera: nothing was saved" << kept;
    QTest::newRow("names with control characters in the tree")
        << hostileCamera + QStringList{"--dump-tree"} << 0
        << QStringList{"    C\\x09D: 2", "    E\\x0aF: 3", "    G\\u009bH: 4"} << ""
        << "";
}

void TestCamview::hostileFilesAndTexts()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, lines);
    QFETCH(QString, error);
    QFETCH(QString, keptFile);
    const Run result = run(arguments, m_dir.filePath(QStringLiteral("config-hostile")));
    QTEST(result.exitCode, "exitCode");
    QVERIFY2(result.errors.contains(error), qPrintable(result.errors));
    // At most the first 100 failures are listed.
    QVERIFY(result.errors.count(QLatin1Char('\n')) < 150);
    int at = 0;
    for (const QString& line : qAsConst(lines)) {
        at = result.output.indexOf(line, at);
        QVERIFY2(at >= 0, qPrintable(line));
    }
    const QString printed = result.output.join(QLatin1Char('\n')) + result.errors;
    QVERIFY(std::none_of(printed.begin(), printed.end(), [](QChar c) {
        return (c < QLatin1Char(' ') && c != QLatin1Char('\n')) ||
               (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
    }));
    if (!keptFile.isEmpty()) {
        QFile file(keptFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("earlier\n"));
        QCOMPARE(QDir(m_dir.path()).entryList({"kept.txt*"}, QDir::Files | QDir::Hidden),
                 QStringList{"kept.txt"});
    }
}

QTEST_MAIN(TestCamview)
#include "tst_camview.moc"
