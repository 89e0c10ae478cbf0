// The board manager's routing, driven by the real camera service and its
// simulated devices. The test object is a friend of the manager and reads
// its board maps.

#include "servicesupport.h"
#include "tests.h"

#include "camboard.h"
#include "camboardmanager.h"
#include "devicelistupdate.h"

#include <Corvid/CorvidHost.h>

#include <QtTest>
#include <QtWidgets>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using Host = HostWindow<CamBoardManager>;

QString deviceIdShown(CamBoard* board)
{
    return board->accessibleName();
}

// Every row of the board's feature tree, depth first: its label, its value
// (but the simulated sensor's temperature, which drifts between two reads)
// and whether the view hides it.
QStringList treeRows(const CamBoard* board)
{
    auto* view = board->findChild<QTreeView*>(QStringLiteral("widget_featrue"));
    const QAbstractItemModel* model = view->model();
    QStringList rows;
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
        for (int row = 0; model && row < model->rowCount(parent); ++row) {
            const QModelIndex label = model->index(row, 0, parent);
            const QString name = label.data().toString();
            const QString value = name == QLatin1String("DeviceTemperature")
                                      ? QString()
                                      : model->index(row, 1, parent).data().toString();
            rows << QStringLiteral("%1%2: %3%4")
                        .arg(QString(depth * 2, QLatin1Char(' ')), name, value,
                             view->isRowHidden(row, parent) ? QStringLiteral(" [hidden]") : QString());
            walk(label, depth + 1);
        }
    };
    walk(QModelIndex(), 0);
    return rows;
}

// What the board's controls show: every label's, editor's, list's and
// button's text, whether it is enabled and whether it is shown.
QStringList controlTexts(const CamBoard* board)
{
    QStringList texts;
    for (QWidget* widget : board->findChildren<QWidget*>()) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* box = qobject_cast<QAbstractSpinBox*>(widget))
            text = box->text();
        else if (auto* list = qobject_cast<QComboBox*>(widget))
            text = list->currentText();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else
            continue;
        texts << QStringLiteral("%1 '%2' %3 %4")
                     .arg(QLatin1String(widget->metaObject()->className()), text,
                          widget->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled"),
                          widget->isVisibleTo(board) ? QStringLiteral("shown") : QStringLiteral("hidden"));
    }
    return texts;
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

    // A board made at the device-list update reads its device only when it
    // is first shown; it then shows what a board built at once shows, also
    // after a lock text or a language that came while it waited.
    void boardBuiltWhenShownMatchesOneBuiltAtOnce_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("lockText");
        QTest::addColumn<QString>("language");
        QTest::newRow("camera") << QString(kCamera) << QString() << "English";
        QTest::newRow("camera, locked meanwhile") << QString(kCamera) << "1"
                                                  << "English";
        QTest::newRow("camera, Chinese meanwhile") << QString(kCamera) << QString() << "Chinese";
        QTest::newRow("second camera") << QString(kSecondCamera) << QString() << "English";
        QTest::newRow("card") << QString(kCard) << QString() << "English";
    }

    void boardBuiltWhenShownMatchesOneBuiltAtOnce()
    {
        QFETCH(QString, id);
        QFETCH(QString, lockText);
        QFETCH(QString, language);
        const bool isCard = id == kCard;
        Host host;
        CamBoardManager* manager = host.child;
        CamBoard* board = (isCard ? manager->m_cardBoards : manager->m_cameraBoards).value(id);
        QVERIFY(board);
        QVERIFY(!board->m_treeModel);
        if (!lockText.isEmpty())
            Corvid::SetCameraLock(id.toStdString(), lockText.toStdString());
        Corvid::SetLanguage(language.toStdString());
        settle();
        QVERIFY(!board->m_treeModel);

        Corvid::SetFocus(isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, id.toStdString());
        settle();
        QCOMPARE(manager->m_currentBoard, board);
        QVERIFY(board->m_treeModel);

        CamBoard atOnce;
        atOnce.m_isCard = board->m_isCard;
        atOnce.m_restricted = board->m_restricted;
        atOnce.setDeviceId(id);
        atOnce.setLanguage(manager->m_language);
        if (lockText == QLatin1String("1")) {
            atOnce.lockPanel();
            atOnce.reloadPanel(false);
        }
        atOnce.loadUserLevel();
        // Shown at the same size: tab bars show their scroll buttons by it.
        atOnce.resize(board->size());
        atOnce.show();
        QVERIFY(QTest::qWaitForWindowExposed(&atOnce));
        QVERIFY(treeRows(board).size() > 10);
        QCOMPARE(treeRows(board), treeRows(&atOnce));
        QCOMPARE(controlTexts(board), controlTexts(&atOnce));
    }

    // A board that was never shown takes every notice without its rows and
    // tree; disabled or lost before it is shown, it never reads its device.
    void boardNeverShownStaysUnread()
    {
        Host host;
        CamBoardManager* manager = host.child;
        CamBoard* board = manager->m_cameraBoards.value(kSecondCamera);
        QPointer<CamBoard> lost = manager->m_cameraBoards.value(kCamera);
        Corvid::SetLanguage("Chinese");
        Corvid::SetCameraLock(kSecondCamera, "1");
        Corvid::NotifyImport(kSecondCamera);
        settle();
        QVERIFY(QMetaObject::invokeMethod(board, "onRealUpdateTimerTimeout"));
        QVERIFY(QMetaObject::invokeMethod(board->findChild<QTreeView*>(QStringLiteral("widget_featrue")),
                                          "onRefreshTimerTimeout"));
        emit board->paramterRefreshing(QStringLiteral("Width"));
        QVERIFY(!board->m_treeModel);

        manager->setParamterViewDisable(kSecondCamera);
        Corvid::SetFocus(Corvid::FOCUS_CAMERA, kSecondCamera);
        settle();
        QCOMPARE(manager->m_currentBoard, board);
        QVERIFY(!board->m_treeModel);

        Corvid::SetDeviceUsable(kCamera, false);
        settle();
        QTRY_VERIFY(lost.isNull());
        QCOMPARE(strayBoards(manager), 0);
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
