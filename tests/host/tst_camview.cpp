// camview as a user uses it: its command line parsed, and its window driven
// in-process against the camera service. (The program run as a script runs
// it is in tst_camview_program.cpp.)

#include "imageview.h"
#include "logpanel.h"
#include "logsink.h"
#include "mainwindow.h"
#include "options.h"

#include <Corvid/CorvidHost.h>
#include <campane.h>

#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <memory>
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
    QTest::newRow("everything") << QStringLiteral("--no-default-devices --discover --lang zh --focus SIM-x "
                                                  "--screenshot /tmp/x.png --wait 3 --sim-card c.xml "
                                                  "--camera 192.168.1.10")
                                       .split(QLatin1Char(' '))
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

QTEST_MAIN(TestCamview)
#include "tst_camview.moc"
