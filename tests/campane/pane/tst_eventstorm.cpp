// The board manager under a storm of host events from four threads at once:
// device lists (with a camera leaving and coming back), focus changes,
// language changes and ROI drawing, which the manager routes on the caller's
// thread under its mutex while the GUI thread changes the board maps. Built
// with -DCAMPANE_TSAN=ON this is the race check; in every build it checks
// that no board is left behind.
#include "camboard.h"
#include "camboardmanager.h"
#include "servicesupport.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QAtomicInt>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

// Events per thread; CAMPANE_STORM_EVENTS overrides it (the race-check
// build runs thousands).
int eventsPerThread()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("CAMPANE_STORM_EVENTS");
    return fromEnvironment > 0 ? fromEnvironment : 300;
}

int boardsOf(CamBoardManager* manager)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return manager->findChildren<CamBoard*>().size();
}

} // namespace

class TestEventStorm : public QObject
{
    Q_OBJECT

private slots:
    void stormFromFourThreads();
};

void TestEventStorm::stormFromFourThreads()
{
    HostWindow<CamBoardManager> host;
    QCOMPARE(boardsOf(host.child), 4); // the default board, the card's and two cameras'

    const int events = eventsPerThread();
    QAtomicInt finished = 0;
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int i = 0; i < events; ++i) {
            // Every 50th list the second camera leaves, on the next it is back.
            if (i % 50 == 0 || i % 50 == 1)
                Corvid::SetDeviceUsable(kSecondCamera, i % 50 == 1);
            else
                Corvid::RepublishDeviceList();
        }
        finished.fetchAndAddOrdered(1);
    });
    threads.emplace_back([&] {
        const char* const ids[] = {kCamera, kSecondCamera, kCard, "NO-SUCH-DEVICE"};
        for (int i = 0; i < events; ++i)
            Corvid::SetFocus(i % 4 == 2 ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, ids[i % 4]);
        finished.fetchAndAddOrdered(1);
    });
    threads.emplace_back([&] {
        for (int i = 0; i < events; ++i)
            Corvid::SetLanguage(i % 2 ? "English" : "Chinese");
        finished.fetchAndAddOrdered(1);
    });
    threads.emplace_back([&] {
        for (int i = 0; i < events; ++i) {
            int roiId = 0;
            bool status = false;
            Corvid::NotifyROIDraw(i % 2 ? kCamera : kSecondCamera, i % 100, 0, 100 + i % 100, 80, 1, roiId,
                                  status);
        }
        finished.fetchAndAddOrdered(1);
    });
    // The device-list listener waits for this thread: keep handling events.
    while (finished.loadAcquire() < 4)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    for (std::thread& thread : threads)
        thread.join();
    settle();

    resetDevices();
    QCOMPARE(boardsOf(host.child), 4);
    // Every device gone: only the default board is left.
    runOffGuiThread([] {
        for (const char* id : {kCamera, kSecondCamera, kCard})
            Corvid::SetDeviceUsable(id, false);
    });
    settle();
    QCOMPARE(boardsOf(host.child), 1);
    resetDevices();
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ServiceForTests service;
    if (!service.isRunning())
        return 1;
    TestEventStorm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_eventstorm.moc"
