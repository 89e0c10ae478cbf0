// The board manager's routing, driven by the real camera service and its
// simulated devices. The test object is a friend of the manager and reads
// its board maps.

#include "servicesupport.h"
#include "tests.h"

#include "camboard.h"
#include "camboardmanager.h"
#include "devicelistupdate.h"

#include <Corvid/CorvidHost.h>

#include <QPointer>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// The parent of the manager, standing where CamPane stands.
struct Host
{
    Host()
    {
        widget.reset(new QWidget);
        widget->resize(640, 480);
        auto* layout = new QVBoxLayout(widget.get());
        manager = new CamBoardManager(widget.get());
        layout->addWidget(manager);
        widget->show();
        // The service brings a new listener up to date: the card's list, then
        // the full one.
        settle();
    }

    std::unique_ptr<QWidget> widget;
    CamBoardManager* manager = nullptr;
};

QString deviceIdShown(CamBoard* board)
{
    return board->accessibleName();
}

int languageOf(CamBoard* board)
{
    // The collapse button is narrower for the Chinese texts.
    return board->findChild<QToolButton*>(QStringLiteral("toolButton"))->maximumWidth() == 60 ? 1 : 0;
}

QSharedPointer<bool> newFlag()
{
    return QSharedPointer<bool>(new bool(false));
}

} // namespace

class TestCamBoardManager : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetDevices(); }

    void startsWithTheDefaultBoardAndOneBoardPerDevice();
    void otherSourceChangesNothing();
    void unusableCameraLosesItsBoard_data();
    void unusableCameraLosesItsBoard();
    void unusableCardLosesItsBoard_data();
    void unusableCardLosesItsBoard();
    void newCardBoardEndsTheList();
    void lockTexts_data();
    void lockTexts();
    void focus_data();
    void focus();
    void callbackGivesUpWhenNoSlotRuns();
    void callbackOnTheGuiThreadReturnsHandled();
    void deviceListStorm();
    void visibilitySetters_data();
    void visibilitySetters();
    void languageReachesEveryBoard();
    void roiAndImageModeRouting();
    void paramterViewDisableOfUnknownId();

private:
    static QList<CamBoard*> allBoards(CamBoardManager* manager)
    {
        return manager->m_cameraBoards.values() + manager->m_cardBoards.values() +
               QList<CamBoard*>{manager->m_defaultBoard};
    }
    // Boards that the manager's children hold but none of its maps: leaked.
    static int strayBoards(CamBoardManager* manager)
    {
        int stray = 0;
        const QList<CamBoard*> known = allBoards(manager);
        for (CamBoard* board : manager->findChildren<CamBoard*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!known.contains(board))
                ++stray;
        }
        return stray;
    }
    static void checkOnlyCurrentVisible(CamBoardManager* manager)
    {
        for (CamBoard* board : allBoards(manager))
            QCOMPARE(board->isVisible(), board == manager->m_currentBoard);
    }
};

void TestCamBoardManager::startsWithTheDefaultBoardAndOneBoardPerDevice()
{
    Host host;
    CamBoardManager* manager = host.manager;
    QCOMPARE(manager->m_currentBoard, manager->m_defaultBoard);
    QVERIFY(manager->m_defaultBoard->isVisible());
    QCOMPARE(manager->m_cameraBoards.keys(), QStringList({kCamera, kSecondCamera}));
    QCOMPARE(manager->m_cardBoards.keys(), QStringList({kCard}));
    for (const QString& id : manager->m_cameraBoards.keys()) {
        CamBoard* board = manager->m_cameraBoards.value(id);
        QCOMPARE(deviceIdShown(board), id);
        QVERIFY(!board->m_isCard);
        QVERIFY(!board->m_restricted); // kinds "1" and "5"
    }
    QVERIFY(manager->m_cardBoards.value(kCard)->m_isCard);
    checkOnlyCurrentVisible(manager);
    QCOMPARE(strayBoards(manager), 0);
}

void TestCamBoardManager::otherSourceChangesNothing()
{
    Host host;
    CamBoardManager* manager = host.manager;
    Corvid::SetDeviceUsable(kCamera, false);
    // Not settled: the manager has not seen the camera go.
    const auto cameraBoards = manager->m_cameraBoards;
    const auto cardBoards = manager->m_cardBoards;

    QSharedPointer<bool> flag = newFlag();
    manager->onDeviceListUpdate(2, {kCard}, {kCamera, kSecondCamera}, flag);
    QVERIFY(*flag);
    QCOMPARE(manager->m_cameraBoards, cameraBoards);
    QCOMPARE(manager->m_cardBoards, cardBoards);
    QCOMPARE(manager->m_currentBoard, manager->m_defaultBoard);
    settle();
}

void TestCamBoardManager::unusableCameraLosesItsBoard_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("hadBoard");
    QTest::newRow("the camera itself was shown") << QString(kCamera) << true;
    QTest::newRow("another camera was shown") << QString(kSecondCamera) << true;
    QTest::newRow("the card was shown") << QString(kCard) << true;
    QTest::newRow("the camera never had a board") << QString(kSecondCamera) << false;
}

void TestCamBoardManager::unusableCameraLosesItsBoard()
{
    QFETCH(QString, current);
    QFETCH(bool, hadBoard);
    if (!hadBoard) {
        Corvid::SetDeviceUsable(kCamera, false);
        settle();
    }
    Host host;
    CamBoardManager* manager = host.manager;
    QCOMPARE(manager->m_cameraBoards.contains(kCamera), hadBoard);
    QPointer<CamBoard> board = manager->m_cameraBoards.value(kCamera);

    Corvid::SetFocus(current == kCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, current.toStdString());
    settle();
    QVERIFY(manager->m_currentBoard != manager->m_defaultBoard);

    // Lists the camera as unusable (again, when it was already).
    Corvid::SetDeviceUsable(kCamera, false);
    runOffGuiThread([] { Corvid::RepublishDeviceList(); });
    QVERIFY(!manager->m_cameraBoards.contains(kCamera));
    QTRY_VERIFY(board.isNull());
    QCOMPARE(manager->m_currentBoard, manager->m_defaultBoard);
    checkOnlyCurrentVisible(manager);
    QCOMPARE(strayBoards(manager), 0);

    // Back again: a new board, hidden until focused.
    Corvid::SetDeviceUsable(kCamera, true);
    settle();
    QVERIFY(manager->m_cameraBoards.contains(kCamera));
    QVERIFY(!manager->m_cameraBoards.value(kCamera)->isVisible());
}

void TestCamBoardManager::unusableCardLosesItsBoard_data()
{
    QTest::addColumn<bool>("cardShown");
    QTest::newRow("card shown") << true;
    QTest::newRow("camera shown") << false;
}

void TestCamBoardManager::unusableCardLosesItsBoard()
{
    QFETCH(bool, cardShown);
    Host host;
    CamBoardManager* manager = host.manager;
    QPointer<CamBoard> cardBoard = manager->m_cardBoards.value(kCard);
    CamBoard* cameraBoard = manager->m_cameraBoards.value(kCamera);
    if (cardShown)
        Corvid::SetFocus(Corvid::FOCUS_CARD, kCard);
    else
        Corvid::SetFocus(Corvid::FOCUS_CAMERA, kCamera);
    settle();

    Corvid::SetDeviceUsable(kCard, false);
    settle();
    QVERIFY(!manager->m_cardBoards.contains(kCard));
    QTRY_VERIFY(cardBoard.isNull());
    if (cardShown) {
        // Nothing is shown until the next focus.
        QCOMPARE(manager->m_currentBoard, nullptr);
    } else {
        QCOMPARE(manager->m_currentBoard, cameraBoard);
        QVERIFY(cameraBoard->isVisible());
    }
    QCOMPARE(manager->m_cameraBoards.size(), 2);
    QCOMPARE(strayBoards(manager), 0);
}

void TestCamBoardManager::newCardBoardEndsTheList()
{
    Host host;
    CamBoardManager* manager = host.manager;
    manager->removeBoard(manager->m_cardBoards, kCard);
    manager->removeBoard(manager->m_cameraBoards, kCamera);

    QSharedPointer<bool> flag = newFlag();
    manager->onDeviceListUpdate(1, {kCard}, {kCamera}, flag);
    QVERIFY(*flag);
    QVERIFY(manager->m_cardBoards.contains(kCard));
    QVERIFY(!manager->m_cameraBoards.contains(kCamera));

    // The next list, with the card board in place, brings the camera's board.
    flag = newFlag();
    manager->onDeviceListUpdate(1, {kCard}, {kCamera}, flag);
    QVERIFY(*flag);
    QVERIFY(manager->m_cameraBoards.contains(kCamera));
    QCOMPARE(deviceIdShown(manager->m_cameraBoards.value(kCamera)), QString(kCamera));
    QTRY_COMPARE(strayBoards(manager), 0);
}

void TestCamBoardManager::lockTexts_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("locked");
    QTest::newRow("1 locks") << "0"
                             << "1" << true;
    QTest::newRow("0 unlocks") << "1"
                               << "0" << false;
    QTest::newRow("2 keeps locked") << "1"
                                    << "2" << true;
    QTest::newRow("2 keeps unlocked") << "0"
                                      << "2" << false;
    QTest::newRow("empty keeps locked") << "1"
                                        << "" << true;
    QTest::newRow("' 1' is not 1") << "0"
                                   << " 1" << false;
}

void TestCamBoardManager::lockTexts()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, locked);
    Host host;
    CamBoard* board = host.manager->m_cameraBoards.value(kCamera);
    CamBoard* other = host.manager->m_cameraBoards.value(kSecondCamera);
    // The boards' lockable control, as a panel layout would set it.
    board->m_lockWidget = new QWidget(board);
    other->m_lockWidget = new QWidget(other);
    const auto isLocked = [](CamBoard* shown) { return !shown->m_lockWidget->isEnabled(); };
    QVERIFY(!isLocked(board));

    Corvid::SetCameraLock(kCamera, first.toStdString());
    settle();
    QCOMPARE(isLocked(board), first == "1");
    Corvid::SetCameraLock(kCamera, second.toStdString());
    settle();
    QCOMPARE(isLocked(board), locked);
    QVERIFY(!isLocked(other));
    QCOMPARE(host.manager->m_cameraBoards.value(kCamera), board);
}

void TestCamBoardManager::focus_data()
{
    QTest::addColumn<Corvid::FOCUS_TYPE>("type");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("shown"); // "" for the default board
    QTest::newRow("camera") << Corvid::FOCUS_CAMERA << kCamera << kCamera;
    QTest::newRow("second camera") << Corvid::FOCUS_CAMERA << kSecondCamera << kSecondCamera;
    QTest::newRow("card") << Corvid::FOCUS_CARD << kCard << kCard;
    QTest::newRow("camera id as a card") << Corvid::FOCUS_CARD << kCamera << "";
    QTest::newRow("card id as a camera") << Corvid::FOCUS_CAMERA << kCard << "";
    QTest::newRow("unknown camera") << Corvid::FOCUS_CAMERA << "SIM-nothing"
                                    << "";
    QTest::newRow("card, empty id") << Corvid::FOCUS_CARD << ""
                                    << "";
    QTest::newRow("system") << Corvid::FOCUS_SYSTEM << kCamera << "";
    QTest::newRow("none") << Corvid::FOCUS_NONE << ""
                          << "";
}

void TestCamBoardManager::focus()
{
    QFETCH(Corvid::FOCUS_TYPE, type);
    QFETCH(QString, id);
    QFETCH(QString, shown);
    Host host;
    CamBoardManager* manager = host.manager;
    // Start from another board, so that every row changes the shown board.
    Corvid::SetFocus(Corvid::FOCUS_CAMERA, shown == kSecondCamera ? kCamera : kSecondCamera);
    settle();

    Corvid::SetFocus(type, id.toStdString());
    settle();
    CamBoard* expected = shown.isEmpty()  ? manager->m_defaultBoard
                         : shown == kCard ? manager->m_cardBoards.value(shown)
                                          : manager->m_cameraBoards.value(shown);
    QCOMPARE(manager->m_currentBoard, expected);
    checkOnlyCurrentVisible(manager);
    auto* column = manager->layout()->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
    QVERIFY(column->indexOf(expected) >= 0);
}

void TestCamBoardManager::callbackGivesUpWhenNoSlotRuns()
{
    // An adapter whose signal nobody handles: the service's thread is let go
    // after the last wait, and the flag stays valid for a late slot.
    DeviceListUpdate adapter;
    QSharedPointer<bool> kept;
    connect(
        &adapter, &DeviceListUpdate::updateCams, &adapter,
        [&kept](int, QStringList, QStringList, QSharedPointer<bool> flag) { kept = flag; },
        Qt::DirectConnection);
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        adapter.DeviceListUpdated(1, {kCard}, {kCamera});
        returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned, 60000);
    caller.join();
    QVERIFY(kept);
    QVERIFY(!*kept);
    *kept = true; // a late slot writes to a flag still alive
}

void TestCamBoardManager::callbackOnTheGuiThreadReturnsHandled()
{
    Host host;
    CamBoardManager* manager = host.manager;
    manager->removeBoard(manager->m_cameraBoards, kSecondCamera);
    // On the GUI thread the connection is direct: the list is handled when
    // the call returns.
    manager->m_deviceListUpdate->DeviceListUpdated(1, {kCard}, {kCamera, kSecondCamera});
    QVERIFY(manager->m_cameraBoards.contains(kSecondCamera));
    QTRY_COMPARE(strayBoards(manager), 0);
}

void TestCamBoardManager::deviceListStorm()
{
    Host host;
    CamBoardManager* manager = host.manager;
    std::atomic<int> running{0};
    std::vector<std::thread> threads;
    const int rounds = 25;

    // Device lists straight into the adapter from several threads, ROI events
    // under the manager's mutex, and the service toggling a camera's
    // usability and sending its own lists and focus changes meanwhile.
    for (int t = 0; t < 3; ++t) {
        ++running;
        threads.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                std::vector<std::string> cams = {kCamera, kSecondCamera};
                if ((i + t) % 2)
                    std::swap(cams[0], cams[1]);
                manager->m_deviceListUpdate->DeviceListUpdated(1, {kCard}, cams);
            }
            --running;
        });
    }
    ++running;
    threads.emplace_back([&] {
        for (int i = 0; i < rounds; ++i) {
            int roiId = 3;
            bool status = true;
            Corvid::NotifyROIDraw(kSecondCamera, 1, 2, 30, 40, 1, roiId, status);
            Corvid::SetDeviceUsable(kSecondCamera, i % 2 == 1);
            Corvid::SetFocus(Corvid::FOCUS_CAMERA, i % 3 ? kSecondCamera : kCamera);
        }
        Corvid::SetDeviceUsable(kSecondCamera, true);
        --running;
    });
    while (running > 0)
        QTest::qWait(1);
    for (std::thread& thread : threads)
        thread.join();
    settle();

    QCOMPARE(manager->m_cameraBoards.keys(), QStringList({kCamera, kSecondCamera}));
    QCOMPARE(manager->m_cardBoards.keys(), QStringList({kCard}));
    QTRY_COMPARE(strayBoards(manager), 0);
    QCOMPARE(manager->findChildren<CamBoard*>(QString(), Qt::FindDirectChildrenOnly).size(), 4);
    if (manager->m_currentBoard)
        checkOnlyCurrentVisible(manager);
}

void TestCamBoardManager::visibilitySetters_data()
{
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("detail");
    QTest::newRow("both") << true << true;
    QTest::newRow("panel only") << true << false;
    QTest::newRow("attributes only") << false << true;
    QTest::newRow("neither") << false << false;
}

void TestCamBoardManager::visibilitySetters()
{
    QFETCH(bool, panel);
    QFETCH(bool, detail);
    Host host;
    CamBoardManager* manager = host.manager;
    auto tabsOf = [](CamBoard* board) {
        QStringList texts;
        auto* tabs = board->findChild<QTabWidget*>(QStringLiteral("tabMainWidget"));
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        return texts;
    };
    QStringList expected;
    if (panel)
        expected << "Param Setting";
    if (detail)
        expected << "All Attribute";

    // Twice each: the second call changes nothing.
    for (int i = 0; i < 2; ++i) {
        manager->setPanelWidgetVisiable(panel);
        manager->setAllDetailWidgetVisiable(detail);
    }
    QCOMPARE(host.widget->isVisible(), panel || detail);
    for (CamBoard* board : allBoards(manager))
        QCOMPARE(tabsOf(board), expected);

    // A board made now gets the same tabs.
    Corvid::SetDeviceUsable(kCamera, false);
    settle();
    Corvid::SetDeviceUsable(kCamera, true);
    settle();
    QCOMPARE(tabsOf(manager->m_cameraBoards.value(kCamera)), expected);

    // Either tab back shows the parent again, with the tabs in their order.
    manager->setAllDetailWidgetVisiable(true);
    QVERIFY(host.widget->isVisible());
    manager->setPanelWidgetVisiable(true);
    for (CamBoard* board : allBoards(manager))
        QCOMPARE(tabsOf(board), QStringList({"Param Setting", "All Attribute"}));
}

void TestCamBoardManager::languageReachesEveryBoard()
{
    Host host;
    CamBoardManager* manager = host.manager;
    for (CamBoard* board : allBoards(manager))
        QCOMPARE(languageOf(board), 0);

    Corvid::SetLanguage("Chinese");
    settle();
    for (CamBoard* board : allBoards(manager))
        QCOMPARE(languageOf(board), 1);
    QCOMPARE(manager->m_language, 1);

    // A board made later is built in the language last received.
    Corvid::SetDeviceUsable(kSecondCamera, false);
    settle();
    Corvid::SetDeviceUsable(kSecondCamera, true);
    settle();
    QCOMPARE(languageOf(manager->m_cameraBoards.value(kSecondCamera)), 1);

    Corvid::SetLanguage("English");
    settle();
    for (CamBoard* board : allBoards(manager))
        QCOMPARE(languageOf(board), 0);

    // Any name other than "English" is the other language.
    Corvid::SetLanguage("Deutsch");
    settle();
    QCOMPARE(manager->m_language, 1);
}

void TestCamBoardManager::roiAndImageModeRouting()
{
    Host host;
    for (int operation : {0, 1, 2}) {
        for (const char* id : {kCamera, "SIM-nothing"}) {
            int roiId = 7;
            bool status = true;
            runOffGuiThread([&] { Corvid::NotifyROIDraw(id, 10, 20, 110, 220, operation, roiId, status); });
            // The manager leaves both as they were.
            QCOMPARE(roiId, 7);
            QCOMPARE(status, true);
        }
    }
    Corvid::NotifyImageMode(kCamera, 2);
    Corvid::NotifyImageMode("SIM-nothing", 1);
    Corvid::NotifyImport(kCamera);
    Corvid::NotifyImport(kCard);
    settle();
    QCOMPARE(host.manager->m_cameraBoards.size(), 2);
    QCOMPARE(strayBoards(host.manager), 0);
}

void TestCamBoardManager::paramterViewDisableOfUnknownId()
{
    Host host;
    const auto boards = host.manager->m_cameraBoards;
    host.manager->setParamterViewDisable(QStringLiteral("SIM-nothing"));
    host.manager->setParamterViewDisable(kCard); // a card id is not a camera's
    host.manager->setParamterViewDisable(kCamera);
    QCOMPARE(host.manager->m_cameraBoards, boards);
    for (int mode : {0, 1, -5})
        host.manager->setDefaultMode(mode);
    QCOMPARE(host.manager->m_currentBoard, host.manager->m_defaultBoard);
}

int runCamBoardManagerTests(int argc, char** argv)
{
    TestCamBoardManager test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_camboardmanager.moc"
