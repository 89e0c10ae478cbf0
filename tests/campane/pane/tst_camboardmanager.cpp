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
#include <thread>

namespace {

using Host = HostWindow<CamBoardManager>;

QString deviceIdShown(CamBoard* board)
{
    return board->accessibleName();
}

} // namespace

class TestCamBoardManager : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetDevices(); }

    void otherSourceChangesNothing()
    {
        Host host;
        CamBoardManager* manager = host.child;
        Corvid::SetDeviceUsable(kCamera, false);
        // Not settled: the manager has not seen the camera go.
        const auto cameraBoards = manager->m_cameraBoards;
        const auto cardBoards = manager->m_cardBoards;

        QSharedPointer<bool> flag(new bool(false));
        manager->onDeviceListUpdate(2, {kCard}, {kCamera, kSecondCamera}, flag);
        QVERIFY(*flag);
        QCOMPARE(manager->m_cameraBoards, cameraBoards);
        QCOMPARE(manager->m_cardBoards, cardBoards);
        QCOMPARE(manager->m_currentBoard, manager->m_defaultBoard);
        settle();
    }

    void unusableDeviceLosesItsBoard_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("hadBoard");
        QTest::addColumn<QString>("shownAfter"); // as boardFor() takes it
        QTest::newRow("camera, itself shown") << QString(kCamera) << kCamera << true << QString();
        QTest::newRow("camera, another camera shown")
            << QString(kCamera) << kSecondCamera << true << QString();
        QTest::newRow("camera, the card shown") << QString(kCamera) << kCard << true << QString();
        QTest::newRow("camera that never had a board")
            << QString(kCamera) << kSecondCamera << false << QString();
        // A card's board going leaves nothing shown until the next focus.
        QTest::newRow("card, itself shown") << QString(kCard) << kCard << true << QString("-");
        QTest::newRow("card, a camera shown") << QString(kCard) << kCamera << true << QString(kCamera);
    }

    void unusableDeviceLosesItsBoard()
    {
        QFETCH(QString, device);
        QFETCH(QString, current);
        QFETCH(bool, hadBoard);
        QFETCH(QString, shownAfter);
        const std::string id = device.toStdString();
        if (!hadBoard) {
            Corvid::SetDeviceUsable(id, false);
            settle();
        }
        Host host;
        CamBoardManager* manager = host.child;
        QMap<QString, CamBoard*>& boards = device == kCard ? manager->m_cardBoards : manager->m_cameraBoards;
        QCOMPARE(boards.contains(device), hadBoard);
        QPointer<CamBoard> board = boards.value(device);

        Corvid::SetFocus(current == kCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, current.toStdString());
        settle();
        QVERIFY(manager->m_currentBoard != manager->m_defaultBoard);

        // Lists the device as unusable (again, when it was already).
        Corvid::SetDeviceUsable(id, false);
        runOffGuiThread([] { Corvid::RepublishDeviceList(); });
        QVERIFY(!boards.contains(device));
        QTRY_VERIFY(board.isNull());
        QCOMPARE(manager->m_currentBoard, boardFor(manager, shownAfter));
        QCOMPARE(manager->m_cameraBoards.size() + manager->m_cardBoards.size(), 2);
        checkOnlyCurrentVisible(manager);
        QCOMPARE(strayBoards(manager), 0);

        // Back again: a new board, hidden until focused.
        Corvid::SetDeviceUsable(id, true);
        settle();
        QVERIFY(boards.contains(device));
        QVERIFY(!boards.value(device)->isVisible());
    }

    void newCardBoardEndsTheList()
    {
        Host host;
        CamBoardManager* manager = host.child;
        manager->removeBoard(manager->m_cardBoards, kCard);
        manager->removeBoard(manager->m_cameraBoards, kCamera);

        QSharedPointer<bool> flag(new bool(false));
        manager->onDeviceListUpdate(1, {kCard}, {kCamera}, flag);
        QVERIFY(*flag);
        QVERIFY(manager->m_cardBoards.contains(kCard));
        QVERIFY(!manager->m_cameraBoards.contains(kCamera));

        // The next list, with the card board in place, brings the camera's
        // board. Called on the GUI thread, the adapter's connection is direct:
        // the list is handled when the call returns.
        manager->m_deviceListUpdate->DeviceListUpdated(1, {kCard}, {kCamera, kSecondCamera});
        QVERIFY(manager->m_cameraBoards.contains(kCamera));
        QCOMPARE(deviceIdShown(manager->m_cameraBoards.value(kCamera)), QString(kCamera));
        QTRY_COMPARE(strayBoards(manager), 0);
    }

    void lockTexts_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("locked");
        QTest::newRow("1 locks") << QString("0") << "1" << true;
        QTest::newRow("0 unlocks") << QString("1") << "0" << false;
        QTest::newRow("2 keeps locked") << QString("1") << "2" << true;
        QTest::newRow("empty keeps locked") << QString("1") << "" << true;
        QTest::newRow("' 1' is not 1") << QString("0") << " 1" << false;
    }

    void lockTexts()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, locked);
        Host host;
        CamBoard* board = host.child->m_cameraBoards.value(kCamera);
        CamBoard* other = host.child->m_cameraBoards.value(kSecondCamera);
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
        QCOMPARE(host.child->m_cameraBoards.value(kCamera), board);
    }

    void focus_data()
    {
        QTest::addColumn<Corvid::FOCUS_TYPE>("type");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("shown"); // "" for the default board
        QTest::newRow("camera") << Corvid::FOCUS_CAMERA << kCamera << kCamera;
        QTest::newRow("card") << Corvid::FOCUS_CARD << kCard << kCard;
        QTest::newRow("camera id as a card") << Corvid::FOCUS_CARD << kCamera << QString();
        QTest::newRow("card id as a camera") << Corvid::FOCUS_CAMERA << kCard << QString();
        QTest::newRow("unknown camera") << Corvid::FOCUS_CAMERA << "SIM-nothing" << QString();
        QTest::newRow("system") << Corvid::FOCUS_SYSTEM << kCamera << QString();
        QTest::newRow("none") << Corvid::FOCUS_NONE << QString() << QString();
    }

    void focus()
    {
        QFETCH(Corvid::FOCUS_TYPE, type);
        QFETCH(QString, id);
        QFETCH(QString, shown);
        Host host;
        CamBoardManager* manager = host.child;
        // Start from another board, so that every row changes the shown board.
        Corvid::SetFocus(Corvid::FOCUS_CAMERA, shown == kSecondCamera ? kCamera : kSecondCamera);
        settle();

        Corvid::SetFocus(type, id.toStdString());
        settle();
        CamBoard* expected = boardFor(manager, shown);
        QCOMPARE(manager->m_currentBoard, expected);
        checkOnlyCurrentVisible(manager);
        auto* column = manager->layout()->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
        QVERIFY(column->indexOf(expected) >= 0);
        if (!shown.isEmpty()) {
            QCOMPARE(deviceIdShown(expected), shown);
            QCOMPARE(expected->m_isCard, shown == kCard);
            QVERIFY(!expected->m_restricted); // camera kinds "1" and "5"
        }
    }

    void callbackGivesUpWhenNoSlotRuns()
    {
        // An adapter whose signal nobody handles: the service's thread is let
        // go after the last wait, and the flag stays valid for a late slot.
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

    // The tab setters reach every board, also one made later; with both tabs off
    // the pane's parent hides, and either tab back shows it.
    void visibilitySetters()
    {
        Host host;
        CamBoardManager* manager = host.child;
        for (const auto& tabs :
             QList<QPair<bool, bool>>{{false, true}, {true, false}, {false, false}, {true, true}}) {
            manager->setPanelWidgetVisiable(tabs.first);
            manager->setAllDetailWidgetVisiable(tabs.second);
            recreateBoard(kCamera);
            QStringList expected;
            if (tabs.first)
                expected << "Param Setting";
            if (tabs.second)
                expected << "All Attribute";
            QCOMPARE(host.widget->isVisible(), tabs.first || tabs.second);
            for (CamBoard* board : allBoards(manager)) {
                QStringList texts;
                auto* tabWidget = board->findChild<QTabWidget*>(QStringLiteral("tabMainWidget"));
                for (int i = 0; i < tabWidget->count(); ++i)
                    texts << tabWidget->tabText(i);
                QCOMPARE(texts, expected);
            }
        }
    }

    // Any name other than "English" is the other language, and a board made
    // later is built in the language last received. (Every shown board
    // following a switch shows in camview's window test.)
    void languageReachesEveryBoard()
    {
        Host host;
        CamBoardManager* manager = host.child;
        for (const char* language : {"Deutsch", "English"}) {
            const bool chinese = qstrcmp(language, "English") != 0;
            Corvid::SetLanguage(language);
            settle();
            recreateBoard(kSecondCamera);
            QCOMPARE(manager->m_language, int(chinese));
            // The collapse button is narrower for the Chinese texts.
            for (CamBoard* board : allBoards(manager))
                QCOMPARE(board->findChild<QToolButton*>(QStringLiteral("toolButton"))->maximumWidth() == 60,
                         chinese);
        }
    }

    void unknownIdsChangeNothing()
    {
        Host host;
        CamBoardManager* manager = host.child;
        const auto boards = manager->m_cameraBoards;
        for (int operation : {0, 1, 2}) {
            for (const char* id : {kCamera, "SIM-nothing"}) {
                int roiId = 7;
                bool status = true;
                runOffGuiThread(
                    [&] { Corvid::NotifyROIDraw(id, 10, 20, 110, 220, operation, roiId, status); });
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
        manager->setParamterViewDisable(QStringLiteral("SIM-nothing"));
        manager->setParamterViewDisable(kCard); // a card id is not a camera's
        manager->setParamterViewDisable(kCamera);
        for (int mode : {0, 1, -5})
            manager->setDefaultMode(mode);
        QCOMPARE(manager->m_cameraBoards, boards);
        QCOMPARE(manager->m_currentBoard, manager->m_defaultBoard);
        QCOMPARE(strayBoards(manager), 0);
    }

private:
    static QList<CamBoard*> allBoards(CamBoardManager* manager)
    {
        return manager->m_cameraBoards.values() + manager->m_cardBoards.values() +
               QList<CamBoard*>{manager->m_defaultBoard};
    }
    // "" for the default board, "-" for none, else the device's board.
    static CamBoard* boardFor(CamBoardManager* manager, const QString& shown)
    {
        if (shown.isEmpty())
            return manager->m_defaultBoard;
        if (shown == QLatin1String("-"))
            return nullptr;
        return shown == kCard ? manager->m_cardBoards.value(shown) : manager->m_cameraBoards.value(shown);
    }
    // Boards that the manager's children hold but none of its maps: leaked.
    static int strayBoards(CamBoardManager* manager)
    {
        int stray = 0;
        const QList<CamBoard*> known = allBoards(manager);
        for (CamBoard* board : manager->findChildren<CamBoard*>(QString(), Qt::FindDirectChildrenOnly))
            stray += known.contains(board) ? 0 : 1;
        return stray;
    }
    static void checkOnlyCurrentVisible(CamBoardManager* manager)
    {
        for (CamBoard* board : allBoards(manager))
            QCOMPARE(board->isVisible(), board == manager->m_currentBoard);
    }
    // The device goes and comes back: the manager makes it a new board.
    static void recreateBoard(const char* id)
    {
        Corvid::SetDeviceUsable(id, false);
        settle();
        Corvid::SetDeviceUsable(id, true);
        settle();
    }
};

int runCamBoardManagerTests(int argc, char** argv)
{
    TestCamBoardManager test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_camboardmanager.moc"
