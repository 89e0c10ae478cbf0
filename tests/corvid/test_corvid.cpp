// The camera-service library as a host and the plug-ins use it: simulated
// devices from devices/ and from a test description, listeners called on the
// service thread, feature values as text, the user level across a restart,
// concurrent registration, and a loopback GigE Vision emulator that goes
// away. (The image view's calls show in the host's and the panel's tests.)
#include "../genapi/gigeemulator.h"

#include <Corvid/Corvid.h>
#include <Corvid/CorvidHost.h>
#include <GenApi/GenApi.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

using namespace Corvid;

namespace {

const std::string kCard = "SIM-frame-grabber-card";
const std::string kCamera = "SIM-kvx-slp-camera";
const std::string kDual = "SIM-sl-camera-dual";

const std::string kCameraFile = CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml";
const std::string kValueKinds = CORVID_TEST_DATA "/value-kinds.xml"; // one feature of every kind

// Every message as "type category: text", for the tests that check what was
// logged.
std::mutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    {
        std::lock_guard<std::mutex> lock(g_logMutex);
        g_log << QStringLiteral("%1 %2: %3").arg(type).arg(QString::fromUtf8(context.category), text);
    }
    g_previousHandler(type, context, text);
}

int loggedCount(const QString& pattern)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    return g_log.filter(QRegularExpression(pattern)).size();
}

//! One row of a data table; string literals go to QString columns.
template <typename... Columns> void row(const char* name, Columns... columns)
{
    (QTest::newRow(name) << ... << columns);
}

//! "name arg arg ...": how the listeners record calls.
QString text(const std::string& value)
{
    return QString::fromStdString(value);
}
QString text(const char* value)
{
    return QString::fromUtf8(value);
}
template <typename T> QString text(T value)
{
    return QString::number(value);
}
template <typename... Args> QString callText(const char* name, const Args&... args)
{
    QStringList parts{QString::fromLatin1(name)};
    (parts.append(text(args)), ...);
    return parts.join(QLatin1Char(' '));
}

//! A listener of every kind, registered while it lives, that records each
//! call as text and the thread it came on. A device list reads
//! "list <cards> / <camera>=<keys 3 and 4> ...": in the call it reads the
//! usability keys of every camera back from the service, as the window does.
class Recorder final : public IDeviceListUpdate,
                       public IFocusUpdate,
                       public ILangUpdate,
                       public IROIDrawUpdate,
                       public IImageModeUpdate,
                       public IImportUpdate
{
public:
    Recorder() { subscribe(true); }
    ~Recorder() { subscribe(false); }
    void subscribe(bool on)
    {
        on ? RegisterDeviceListUpdateListener(this) : UnRegisterDeviceListUpdateListener(this);
        on ? RegisterFocusUpdateListener(this) : UnRegisterFocusUpdateListener(this);
        on ? RegisterLangUpdateListener(this) : UnRegisterLangUpdateListener(this);
        on ? RegisterROIUpdateListener(this) : UnRegisterROIUpdateListener(this);
        on ? RegisterImageModeUpdateListener(this) : UnRegisterImageModeUpdateListener(this);
        on ? RegisterImportUpdateListener(this) : UnRegisterImportUpdateListener(this);
    }

    void DeviceListUpdated(int, std::vector<std::string> cards, std::vector<std::string> cams) override
    {
        QStringList words{QStringLiteral("list")};
        for (const auto& id : cards)
            words << text(id);
        words << QStringLiteral("/");
        for (const auto& id : cams)
            words << text(id + "=" + GetCameraInfo(id, CAM_INFO_OPENED) +
                          GetCameraInfo(id, CAM_INFO_CONNECTED));
        note(words.join(QLatin1Char(' ')));
    }
    void FocusUpdated(FOCUS_TYPE type, std::string id) override { note(callText("focus", type, id)); }
    void LangUpdated(std::string language) override { note(callText("language", language)); }
    void ImageModeUpdated(std::string id, int mode) override { note(callText("image mode", id, mode)); }
    void ImportUpdated(std::string id) override { note(callText("import", id)); }
    void ROIDrawUpdated(std::string id, int leftX, int leftY, int rightX, int rightY, int operation,
                        int& roiId, bool& status) override
    {
        note(callText("roi", id, leftX, leftY, rightX, rightY, operation, roiId));
        roiId = 7;
        status = true;
    }

    //! Every call so far, and the thread of each.
    QStringList events(std::vector<std::thread::id>* threads = nullptr) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (threads)
            *threads = m_threads;
        // A list of its own: sharing it would let the service thread grow a
        // list the caller still reads.
        return QStringList(m_events.cbegin(), m_events.cend());
    }
    //! Whether a call held the text, e.g. a device list "<camera>=00".
    bool saw(const std::string& part) const { return !events().filter(text(part)).isEmpty(); }

private:
    void note(const QString& event)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.append(event);
        m_threads.push_back(std::this_thread::get_id());
    }

    mutable std::mutex m_mutex;
    QStringList m_events;
    std::vector<std::thread::id> m_threads;
};

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

class TestCorvid : public QObject
{
    Q_OBJECT

    //! The devices of devices/, this test's own settings file, and a health
    //! check quick enough for the loss tests.
    ServiceOptions options() const
    {
        ServiceOptions o;
        o.devicesDir = CAMPANE_DEVICES_DIR;
        o.settingsFile = m_dir.filePath(QStringLiteral("settings-%1.ini").arg(m_run)).toStdString();
        o.healthCheckIntervalMs = 100;
        return o;
    }

    QTemporaryDir m_dir;
    int m_run = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_previousHandler = qInstallMessageHandler(recordMessage);
    }

    void init()
    {
        ++m_run; // a fresh settings file for every test
        QCOMPARE(StartService(options()), 0);
    }

    void cleanup()
    {
        StopService();
        QVERIFY(!IsServiceRunning());
    }

    void defaultDevices()
    {
        std::vector<std::string> ids;
        for (const DeviceEntry& device : ListDevices()) {
            ids.push_back(device.id);
            QVERIFY2(device.usable && device.isCard == (device.id == kCard), device.id.c_str());
        }
        QCOMPARE(ids, (std::vector<std::string>{kCard, kCamera, kDual}));
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_OPENED) + GetCameraInfo(kCamera, CAM_INFO_CONNECTED),
                 std::string("11"));
        QCOMPARE(GetCardInfo(kCard, CARD_INFO_KIND) + GetCardInfo(kCard, CARD_INFO_USABLE),
                 std::string("41"));
        // Camera keys are not card keys and the other way round.
        QCOMPARE(GetCardInfo(kCamera, CARD_INFO_KIND), std::string());
        QCOMPARE(GetCameraInfo(kCard, CAM_INFO_OPENED), std::string());

        QCOMPARE(StartService(options()), int(RESULT_ALREADY_RUNNING));
        // The same file gives the same device.
        QCOMPARE(AddSimulatedCamera(kCameraFile), kCamera);
        QCOMPARE(int(ListDevices().size()), 3);
        QCOMPARE(AddSimulatedCamera(CORVID_TEST_DATA "/missing.xml"), std::string());
    }

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

    // What the service adds to the nodes' own text: booleans as words, dotted
    // names (numbers and entries are the node layer's string conversions).
    void valuesAsText_data()
    {
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QString>("input"); // empty: only read
        QTest::addColumn<QString>("output");

        row("string register", "DeviceModelName", "", "VK-100");
        row("string written", "DeviceUserID", "bench right", "bench right");
        row("read-only float", "SensorTemperature", "", "41.5");
        row("boolean read", "ReverseX", "", "True");
        row("boolean 0", "ReverseX", "0", "False");
        row("boolean TRUE", "Left2_5DFront", "TRUE", "True");
        row("dotted name", "Left2.5DFront", "True", "True");
    }

    void valuesAsText()
    {
        QFETCH(QString, feature);
        QFETCH(QString, input);
        QFETCH(QString, output);

        const std::string id = AddSimulatedCamera(kValueKinds);
        QCOMPARE(id, std::string("SIM-value-kinds"));
        const std::string node = feature.toStdString();
        if (!input.isEmpty())
            QCOMPARE(SetCameraNodeValue(id, node, input.toStdString()), 0);
        std::string value = "untouched";
        QCOMPARE(GetCameraNodeValue(id, node, value), 0);
        QCOMPARE(QString::fromStdString(value), output);
    }

    // An empty value runs a command, as the panel's trigger does.
    void commandsRunOnEmptyValue()
    {
        const std::string id = AddSimulatedCamera(kValueKinds);
        QCOMPARE(SetCameraNodeValue(id, "TriggerSoftware", ""), 0);
        std::string count;
        QCOMPARE(GetCameraNodeValue(id, "TriggerCount", count), 0);
        QCOMPARE(count, std::string("1"));
    }

    void failedCallsChangeNothing_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("device"); // empty: the test description
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("result");

        row("read unknown device", false, "NO-SUCH", "Width", "", int(RESULT_UNKNOWN_DEVICE));
        row("read unknown feature", false, "", "Height", "", int(RESULT_UNKNOWN_NODE));
        row("read write-only", false, "", "SecretKey", "", int(RESULT_ACCESS_DENIED));
        row("unknown device", true, "NO-SUCH", "Width", "1024", int(RESULT_UNKNOWN_DEVICE));
        row("unknown feature", true, "", "Height", "1024", int(RESULT_UNKNOWN_NODE));
        row("read-only", true, "", "DeviceModelName", "other", int(RESULT_ACCESS_DENIED));
        row("above maximum", true, "", "Width", "8192", int(RESULT_BAD_VALUE));
        row("not a number", true, "", "Width", "wide", int(RESULT_BAD_VALUE));
        row("unknown entry", true, "", "PixelFormat", "Bayer", int(RESULT_BAD_VALUE));
        row("boolean yes", true, "", "ReverseX", "yes", int(RESULT_BAD_VALUE));
        row("category", true, "", "Root", "1", int(RESULT_BAD_VALUE));
        row("command with a value", true, "", "TriggerSoftware", "now", int(RESULT_BAD_VALUE));
    }

    void failedCallsChangeNothing()
    {
        QFETCH(bool, write);
        QFETCH(QString, device);
        QFETCH(QString, feature);
        QFETCH(QString, input);
        QFETCH(int, result);

        const std::string test = AddSimulatedCamera(kValueKinds);
        const std::string id = device.isEmpty() ? test : device.toStdString();
        const std::string node = feature.toStdString();
        std::string before, after, value = "untouched";
        GetCameraNodeValue(test, node, before);

        // One warning naming the feature, and nothing changed.
        const QString warning =
            QStringLiteral("^%1 Corvid: .*%2").arg(QtWarningMsg).arg(QRegularExpression::escape(feature));
        const int logged = loggedCount(warning);
        if (write)
            QCOMPARE(SetCameraNodeValue(id, node, input.toStdString()), result);
        else
            QCOMPARE(GetCameraNodeValue(id, node, value), result);
        QCOMPARE(loggedCount(warning), logged + 1);
        QCOMPARE(value, std::string("untouched"));
        GetCameraNodeValue(test, node, after);
        QCOMPARE(after, before);
    }

    void emptyIdAddressesFocusedCamera()
    {
        std::string value;
        QCOMPARE(GetCameraNodeValue("", "DeviceModelName", value), int(RESULT_UNKNOWN_DEVICE));
        SetFocus(FOCUS_CAMERA, kDual);
        QCOMPARE(GetCameraNodeValue("", "DeviceModelName", value), 0);
        QCOMPARE(value, std::string("DSL-2400"));
        QCOMPARE(GetCameraInfo("", CAM_INFO_KIND), std::string("5"));
        // Focus on a card does not change which camera "" is.
        SetFocus(FOCUS_CARD, kCard);
        QCOMPARE(GetCameraInfo("", CAM_INFO_ID), kDual);
    }

    void cameraInformation()
    {
        QCOMPARE(SetCameraInfo(kCamera, CAM_INFO_SAMPLING_RATE, "8"), 0);
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_SAMPLING_RATE), std::string("8"));
        QCOMPARE(GetCameraInfo(kDual, CAM_INFO_SAMPLING_RATE), std::string("0"));
        // The lock, kind and usability belong to the host.
        QCOMPARE(SetCameraInfo(kCamera, CAM_INFO_LOCK, "1"), int(RESULT_BAD_KEY));
        QCOMPARE(SetCameraInfo(kCamera, CAM_INFO_OPENED, "0"), int(RESULT_BAD_KEY));
        QCOMPARE(SetCameraInfo(kCard, CAM_INFO_SAMPLING_RATE, "8"), int(RESULT_UNKNOWN_DEVICE));
        QCOMPARE(SetCameraKind(kCamera, "7"), 0);
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_KIND), std::string("7"));
    }

    void lockAndUsabilityArePublished()
    {
        Recorder recorder;
        WaitForIdle();
        const int lists = recorder.events().size();
        QCOMPARE(SetCameraLock(kCamera, "1"), 0);
        WaitForIdle();
        QCOMPARE(recorder.events().size(), lists + 1);
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_LOCK), std::string("1"));
        QCOMPARE(SetCameraLock(kCamera, "x"), 0); // any text: hosts decide what it means
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_LOCK), std::string("x"));

        QCOMPARE(SetDeviceUsable(kCamera, false), 0);
        QCOMPARE(SetDeviceUsable(kCard, false), 0);
        WaitForIdle();
        QCOMPARE(recorder.events().last(), callText("list", kCard, "/", kCamera + "=01", kDual + "=11"));
        QCOMPARE(GetCardInfo(kCard, CARD_INFO_USABLE), std::string("0"));
        QCOMPARE(SetDeviceUsable(kCamera, true), 0);
        WaitForIdle();
        QCOMPARE(recorder.events().last(), callText("list", kCard, "/", kCamera + "=11", kDual + "=11"));
        QCOMPARE(SetDeviceUsable("NO-SUCH", true), int(RESULT_UNKNOWN_DEVICE));
    }

    void lostDeviceIsReportedAndCanBeAddedAgain()
    {
        // No ping for a minute: the loss is reported from the connection's own flag.
        StopService();
        ServiceOptions o = options();
        o.healthCheckIntervalMs = 60000;
        QCOMPARE(StartService(o), 0);
        Recorder recorder;
        QTRY_VERIFY(recorder.saw(kCamera + "=11")); // opened and usable
        GenApi::INodeMap* before = GetAttrNodeMap(FOCUS_CAMERA, kCamera, NODEMAP_REMOTE_DEVICE);
        QCOMPARE(SimulateDeviceLoss(kCamera), 0);
        std::string value = "untouched";
        QCOMPARE(GetCameraNodeValue(kCamera, "Width", value), int(RESULT_ACCESS_DENIED));
        QCOMPARE(value, std::string("untouched"));
        QTRY_VERIFY_WITH_TIMEOUT(recorder.saw(kCamera + "=00"), 10000);
        QCOMPARE(GetCameraInfo(kDual, CAM_INFO_OPENED), std::string("1"));
        QCOMPARE(SetDeviceUsable(kCamera, true), int(RESULT_ACCESS_DENIED));
        QCOMPARE(SetCameraNodeValue(kCamera, "TriggerSoftware", ""), int(RESULT_ACCESS_DENIED));

        QCOMPARE(AddSimulatedCamera(kCameraFile), kCamera);
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_OPENED), std::string("1"));
        QCOMPARE(GetCameraInfo(kCamera, CAM_INFO_KIND), std::string("1"));
        GenApi::INodeMap* after = GetAttrNodeMap(FOCUS_CAMERA, kCamera, NODEMAP_REMOTE_DEVICE);
        QVERIFY(after && after != before);
        WaitForIdle();
        QVERIFY(recorder.events().last().contains(text(kCamera + "=11")));
    }

    void removedDeviceLeavesTheList()
    {
        Recorder recorder;
        WaitForIdle();
        const int before = recorder.events().size();
        QCOMPARE(RemoveDevice(kDual), 0);
        WaitForIdle();
        // First still named, so that hosts let go of it (it is gone by then: its
        // keys read empty, not "1"), then left out.
        QCOMPARE(recorder.events().mid(before),
                 (QStringList{callText("list", kCard, "/", kCamera + "=11", kDual + "="),
                              callText("list", kCard, "/", kCamera + "=11")}));
        QVERIFY(!GetAttrNodeMap(FOCUS_CAMERA, kDual, NODEMAP_REMOTE_DEVICE));
        QCOMPARE(RemoveDevice(kDual), int(RESULT_UNKNOWN_DEVICE));
        QCOMPARE(int(ListDevices().size()), 2);
    }

    void logging()
    {
        StopService();
        ServiceOptions o = options();
        const QString logFile = m_dir.filePath(QStringLiteral("corvid.log"));
        o.logFile = logFile.toStdString();
        QCOMPARE(StartService(o), 0);

        VLogInfo("TreeItem", "value read failed", 0);
        VLogInfo("ToolPageWidgetItem", "Set Width value failed", 1);
        VLogInfo("TreeItem", "fatal thing", 2);
        QCOMPARE(loggedCount(QStringLiteral("^%1 TreeItem: value read failed$").arg(QtInfoMsg)), 1);
        QCOMPARE(loggedCount(QStringLiteral("^%1 ToolPageWidgetItem: Set Width").arg(QtWarningMsg)), 1);
        QCOMPARE(loggedCount(QStringLiteral("^%1 TreeItem: fatal thing$").arg(QtCriticalMsg)), 1);

        StopService(); // closes the file
        QFile file(logFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        // Every line starts with its time stamp.
        static const QRegularExpression line(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\S* "
                           "(info|warning|error) \\w+: .+$"));
        const QStringList lines =
            text.split('\n', Qt::SkipEmptyParts).filter(QStringLiteral("TreeItem: fatal thing"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(line.match(lines.first()).hasMatch() && lines.first().contains("error TreeItem"),
                 qPrintable(text));
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

    void gigeEmulatorFoundThenStopped()
    {
        // Aravis's GigE Vision emulator serves the structured-light camera on the
        // loopback interface.
        if (GigeEmulator::binary().isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 is not installed");
        GigeEmulator emulator;
        QString error;
        QVERIFY2(emulator.start(QString::fromStdString(kCameraFile), &error), qPrintable(error));

        // Found by discovery alone (once the emulator answers), named by the
        // serial it announces; opening it by address finds the same device.
        StopService();
        ServiceOptions o = options();
        o.defaultDevices = false;
        o.discover = true;
        QCOMPARE(StartService(o), 0);
        Recorder recorder;
        QTRY_VERIFY_WITH_TIMEOUT(ListDevices().size() == 1, 60000);
        const DeviceEntry found = ListDevices().front();
        QVERIFY2(found.id.rfind("ARV-", 0) == 0, found.id.c_str());
        QCOMPARE(found.description, std::string("127.0.0.1"));
        QVERIFY(!found.isCard && found.usable);
        const std::string id = found.id;
        QCOMPARE(AddAravisCamera("127.0.0.1"), id);
        QCOMPARE(int(ListDevices().size()), 1);
        QCOMPARE(SetCameraNodeValue(id, "TriggerSoftware", ""), 0);
        QTRY_VERIFY(recorder.saw(id + "=11"));

        // Stopped while in use: reported unusable.
        ::kill(static_cast<pid_t>(emulator.pid()), SIGKILL); // gone at once, as a camera that loses power
        QTRY_VERIFY_WITH_TIMEOUT(recorder.saw(id + "=00"), 30000);
        QCOMPARE(GetCameraInfo(id, CAM_INFO_OPENED), std::string("0"));
        std::string value;
        QVERIFY(GetCameraNodeValue(id, "DeviceModelName", value) != 0);
    }
};

QTEST_GUILESS_MAIN(TestCorvid)
#include "test_corvid.moc"
