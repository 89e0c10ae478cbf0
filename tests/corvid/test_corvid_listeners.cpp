// The camera-service's listeners: called on the service thread in order, a
// blocking device-list listener, a new listener brought up to date, the user
// level and listeners kept across a restart, registration and notification
// from several threads, and listeners that go away during a call.
#include "corvidtestsupport.h"

#include <QRegularExpression>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

//! A device-list listener that behaves like the window's adapter: it waits
//! in 5 ms steps for a flag that another thread sets, and gives up after
//! maxWaits.
class WaitingListener : public IDeviceListUpdate
{
public:
    explicit WaitingListener(int maxWaits) : m_maxWaits(maxWaits) {}
    ~WaitingListener()
    {
        release = true;
        UnRegisterDeviceListUpdateListener(this);
    }
    void DeviceListUpdated(int, std::vector<std::string>, std::vector<std::string>) override
    {
        ++calls;
        inCall = true;
        for (int waits = 0; !release && waits < m_maxWaits; ++waits)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        inCall = false;
    }
    std::atomic<int> calls{0};
    std::atomic<bool> inCall{false};
    std::atomic<bool> release{false};

private:
    const int m_maxWaits;
};

} // namespace

class TestCorvidListeners : public QObject, private ServiceFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { startFresh(); }
    void cleanup() { finish(); }

    void deviceListOnServiceThreadAndBlocking()
    {
        WaitingListener blocking(100000); // waits until released
        RegisterDeviceListUpdateListener(&blocking);
        QTRY_VERIFY(blocking.inCall); // the catch-up list
        Recorder recorder;

        // What happens while a device-list call blocks is delivered after it,
        // in order.
        SetFocus(FOCUS_CAMERA, kCamera);
        blocking.release = true;
        WaitForIdle();
        QVERIFY(!blocking.inCall);
        QVERIFY(recorder.events().endsWith(callText("focus", FOCUS_CAMERA, kCamera)));

        // RepublishDeviceList returns once the listeners have returned.
        blocking.release = false;
        const int before = blocking.calls;
        std::thread releaser([&] {
            while (!blocking.inCall)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            blocking.release = true;
        });
        RepublishDeviceList();
        QCOMPARE(int(blocking.calls), before + 1);
        QVERIFY(!blocking.inCall);
        releaser.join();
    }

    void newListenerIsBroughtUpToDate()
    {
        WaitForIdle(); // the lists of the start went to nobody
        Recorder recorder;
        WaitForIdle();
        // The cards on their own first, then everything: a host that meets a new
        // card may leave that list's cameras for the next list.
        QCOMPARE(recorder.events(),
                 (QStringList{callText("list", kCard, "/"),
                              callText("list", kCard, "/", kCamera + "=11", kDual + "=11")}));
    }

    void eventsReachListenersOnServiceThread()
    {
        Recorder recorder;
        WaitForIdle();
        const int listEvents = recorder.events().size();

        SetFocus(FOCUS_CARD, kCard);
        SetLanguage("Chinese");
        NotifyImport(kCamera);
        NotifyImageMode(kCamera, 3);
        int roiId = -1;
        bool status = false;
        NotifyROIDraw(kCamera, 1, 2, 30, 40, 1, roiId, status);
        QCOMPARE(roiId, 7);
        QVERIFY(status);
        WaitForIdle();

        std::vector<std::thread::id> threads;
        QCOMPARE(recorder.events(&threads).mid(listEvents),
                 (QStringList{callText("focus", FOCUS_CARD, kCard), callText("language", "Chinese"),
                              callText("import", kCamera), callText("image mode", kCamera, 3),
                              callText("roi", kCamera, 1, 2, 30, 40, 1, -1)}));
        // All on one thread, the service's, not the caller's.
        QVERIFY(threads.front() != std::this_thread::get_id());
        QVERIFY(std::all_of(threads.begin(), threads.end(),
                            [&](auto thread) { return thread == threads.front(); }));
    }

    void restartKeepsUserLevelAndListeners()
    {
        QCOMPARE(GetParamterInfo(PARAMETER_USER_LEVEL), std::string());
        QCOMPARE(SetParamterInfo(PARAMETER_USER_LEVEL, "2"), 0);
        QCOMPARE(SetParamterInfo(PARAMETER_USER_LEVEL, "7"), int(RESULT_BAD_VALUE));
        QCOMPARE(SetParamterInfo(PARAMETER_INFO(25), "1"), int(RESULT_BAD_KEY));
        StopService();
        StopService(); // twice is harmless

        // While stopped every call fails cleanly, and a listener registered now
        // is kept for the next start.
        Recorder recorder;
        QCOMPARE(RegisterFocusUpdateListener(&recorder), int(RESULT_BAD_VALUE)); // already there
        QCOMPARE(GetParamterInfo(PARAMETER_USER_LEVEL), std::string());
        QCOMPARE(SetParamterInfo(PARAMETER_USER_LEVEL, "1"), int(RESULT_NOT_RUNNING));
        std::string value = "untouched";
        QCOMPARE(GetCameraNodeValue(kCamera, "Width", value), int(RESULT_NOT_RUNNING));
        QCOMPARE(value, std::string("untouched"));
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_OPENED), std::string());
        QVERIFY(!GetAttrNodeMap(FOCUS_CAMERA, kCamera, NODEMAP_REMOTE_DEVICE));
        int roiId = 0;
        bool ok = true;
        QCOMPARE(DrawROI(kCamera, 0, 0, 1, 1, roiId, ok, 0, 0), int(RESULT_NOT_RUNNING));
        QCOMPARE(AddSimulatedCamera(kValueKinds), std::string());
        QVERIFY(ListDevices().empty());
        SetFocus(FOCUS_CAMERA, kCamera);
        NotifyROIDraw(kCamera, 0, 0, 1, 1, 1, roiId, ok);
        RepublishDeviceList();
        WaitForIdle();
        QVERIFY(recorder.events().isEmpty());

        QCOMPARE(StartService(options()), 0);
        QCOMPARE(GetParamterInfo(PARAMETER_USER_LEVEL), std::string("2"));
        SetFocus(FOCUS_CAMERA, kCamera);
        WaitForIdle();
        QCOMPARE(recorder.events().filter(QStringLiteral("focus")),
                 QStringList{callText("focus", FOCUS_CAMERA, kCamera)});
        QCOMPARE(UnRegisterFocusUpdateListener(&recorder), 0);
        QCOMPARE(UnRegisterFocusUpdateListener(&recorder), int(RESULT_BAD_VALUE));
    }

    // A listener registered again and again while the service is busy gets
    // the device list once: a catch-up already queued is not queued again.
    void catchUpQueuedOnce()
    {
        struct Holder : IFocusUpdate
        {
            std::mutex mutex;
            std::condition_variable changed;
            bool entered = false;
            bool released = false;
            void FocusUpdated(FOCUS_TYPE, std::string) override
            {
                std::unique_lock<std::mutex> lock(mutex);
                entered = true;
                changed.notify_all();
                changed.wait(lock, [this] { return released; });
            }
        } holder;
        RegisterFocusUpdateListener(&holder);
        SetFocus(FOCUS_CAMERA, kCamera);
        {
            std::unique_lock<std::mutex> lock(holder.mutex);
            holder.changed.wait(lock, [&] { return holder.entered; });
        }
        UnRegisterFocusUpdateListener(&holder);
        Recorder recorder;
        for (int i = 0; i < 1000; ++i) {
            UnRegisterDeviceListUpdateListener(&recorder);
            RegisterDeviceListUpdateListener(&recorder);
        }
        {
            std::lock_guard<std::mutex> lock(holder.mutex);
            holder.released = true;
            holder.changed.notify_all();
        }
        WaitForIdle();
        // One catch-up gives one or two lists (the cards alone first), and a
        // device list the service publishes meanwhile one more; a catch-up
        // per registration would give thousands.
        const int lists = recorder.events().filter(QRegularExpression("^list")).size();
        QVERIFY2(lists >= 1 && lists <= 4, qPrintable(QString::number(lists)));
    }

    void concurrentRegistrationAndNotification()
    {
        // Listeners come and go on two threads (each deleted right after it is
        // unregistered), two threads send events and device lists, and one
        // listener stays throughout: it must see every focus and ROI event, and
        // no deleted listener may be called (ASan/TSan builds check the latter).
        Recorder steady;
        WaitForIdle();
        const int steadyBefore = steady.events().size();
        constexpr int kRounds = 150;
        std::atomic<bool> running{true};

        auto churn = [&] {
            while (running) {
                auto* recorder = new Recorder;
                std::this_thread::yield();
                delete recorder;
            }
        };
        auto notify = [&](const std::string& camera) {
            for (int i = 0; i < kRounds; ++i) {
                SetFocus(FOCUS_CAMERA, camera);
                SetLanguage(i % 2 ? "English" : "Chinese");
                NotifyImport(kCamera);
                int roiId = 0;
                bool status = false;
                NotifyROIDraw(kCamera, 0, 0, i, i, 1, roiId, status);
                if (i % 10 == 0)
                    RepublishDeviceList();
            }
        };
        std::thread churn1(churn), churn2(churn);
        std::thread notify1(notify, kDual), notify2(notify, kCamera);
        notify1.join();
        notify2.join();
        running = false;
        churn1.join();
        churn2.join();
        WaitForIdle();

        const QStringList events = steady.events().mid(steadyBefore);
        QCOMPARE(int(events.filter(QStringLiteral("focus ")).size()), 2 * kRounds);
        QCOMPARE(int(events.filter(QStringLiteral("roi ")).size()), 2 * kRounds);
    }

    void unregisterWhileListenerWaitsForCaller()
    {
        // The window's device-list adapter blocks the service thread until the
        // GUI thread has handled the list; if the GUI thread unregisters instead
        // (at shutdown), UnRegister must come back once the adapter gives up, and
        // the adapter must be out of its call by then.
        WaitingListener adapter(60); // gives up after 60 waits of 5 ms
        QCOMPARE(RegisterDeviceListUpdateListener(&adapter), 0);
        QTRY_VERIFY(adapter.inCall);
        QCOMPARE(UnRegisterDeviceListUpdateListener(&adapter), 0);
        QVERIFY(!adapter.inCall);

        const int calls = adapter.calls;
        RepublishDeviceList();
        QCOMPARE(int(adapter.calls), calls);
    }

    void unregisterFromInsideCall()
    {
        // A listener that unregisters itself from inside its own call returns
        // at once and is not called again.
        struct SelfRemoving : IFocusUpdate
        {
            void FocusUpdated(FOCUS_TYPE, std::string) override
            {
                ++calls;
                result = UnRegisterFocusUpdateListener(this);
            }
            std::atomic<int> calls{0};
            std::atomic<int> result{-100};
        } listener;
        QCOMPARE(RegisterFocusUpdateListener(&listener), 0);
        SetFocus(FOCUS_CAMERA, kCamera);
        SetFocus(FOCUS_CAMERA, kDual);
        WaitForIdle();
        QCOMPARE(int(listener.calls), 1);
        QCOMPARE(int(listener.result), 0);
    }
};

QTEST_GUILESS_MAIN(TestCorvidListeners)
#include "test_corvid_listeners.moc"
