// The camera-service library as a host and the plug-ins use it: simulated
// devices from devices/ and from a test description, feature values as
// text, what is logged, lost, removed and refused devices, and a loopback
// GigE Vision emulator that goes away. (Listeners are in
// test_corvid_listeners.cpp; the image view's calls show in the host's and
// the panel's tests.)
#include "../genapi/gigeemulator.h"
#include "corvidtestsupport.h"

#include <GenApi/GenApi.h>

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <mutex>

namespace {

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

} // namespace

class TestCorvid : public QObject, private ServiceFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_previousHandler = qInstallMessageHandler(recordMessage);
    }

    void init() { startFresh(); }
    void cleanup() { finish(); }

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

    // A simulated device whose description is refused is listed, unusable,
    // with the reason where the host can show it, and stays out of the device
    // lists that the plug-ins receive; once the file is fixed, adding it
    // again opens it.
    void refusedDescriptionIsListedWithItsReason_data()
    {
        QTest::addColumn<bool>("card");
        row("camera", false);
        row("card", true);
    }

    void refusedDescriptionIsListedWithItsReason()
    {
        QFETCH(bool, card);
        StopService();
        ServiceOptions o = options();
        o.defaultDevices = false;
        QCOMPARE(StartService(o), 0);
        Recorder lists;
        const QString path = m_dir.filePath(QStringLiteral("broken.xml"));
        auto write = [&](const char* extra) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<RegisterDescription ModelName=\"Refused\" VendorName=\"Campane_Tests\"\n"
                                  "    xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
                                  "  <Category Name=\"Root\"><pFeature>Gain</pFeature></Category>\n"
                                  "  <Integer Name=\"Gain\"><Value>1</Value></Integer>\n") +
                       extra + "</RegisterDescription>\n");
        };
        auto add = [&] {
            return card ? AddSimulatedCard(path.toStdString()) : AddSimulatedCamera(path.toStdString());
        };
        auto error = [&](const std::string& id) {
            return card ? GetCardInfo(id, CARD_INFO_ERROR) : GetCameraInfo(id, CAM_INFO_ERROR);
        };

        write("<Integer Name=\"Gain\"><Value>2</Value></Integer>\n");
        const std::string id = add();
        QVERIFY(!id.empty());
        std::vector<DeviceEntry> entries = ListDevices();
        QCOMPARE(int(entries.size()), 1);
        QVERIFY(!entries[0].usable);
        QVERIFY2(QString::fromStdString(entries[0].error).contains("node 'Gain' is defined twice"),
                 entries[0].error.c_str());
        QCOMPARE(error(id), entries[0].error);
        QCOMPARE(card ? GetCardInfo(id, CARD_INFO_USABLE) : GetCameraInfo(id, CAM_INFO_OPENED),
                 std::string("0"));
        QCOMPARE(add(), id); // still the one refused entry
        QCOMPARE(int(ListDevices().size()), 1);
        WaitForIdle();
        QVERIFY(!lists.saw(id));

        write("");
        QCOMPARE(add(), id);
        entries = ListDevices();
        QCOMPARE(int(entries.size()), 1);
        QVERIFY(entries[0].usable);
        QCOMPARE(error(id), std::string());
        WaitForIdle();
        QVERIFY(lists.saw(id));
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
