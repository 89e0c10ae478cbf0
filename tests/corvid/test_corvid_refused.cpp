// A simulated device whose description is refused is listed, unusable, with
// the reason where the host can show it, and stays out of the device lists
// that the plug-ins receive; once the file is fixed, adding it again opens it.
#include <Corvid/CorvidHost.h>

#include <QtTest>

using namespace Corvid;

namespace {

class ListRecorder : public IDeviceListUpdate
{
public:
    void DeviceListUpdated(int, std::vector<std::string> cards, std::vector<std::string> cams) override
    {
        named.insert(named.end(), cards.begin(), cards.end());
        named.insert(named.end(), cams.begin(), cams.end());
    }
    std::vector<std::string> named;
};

const char* const kDescription = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<RegisterDescription ModelName=\"Refused\" VendorName=\"Campane_Tests\"\n"
                                 "    xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
                                 "  <Category Name=\"Root\"><pFeature>Gain</pFeature></Category>\n"
                                 "  <Integer Name=\"Gain\"><Value>1</Value></Integer>\n"
                                 "  %1\n"
                                 "</RegisterDescription>\n";

} // namespace

class TestCorvidRefused : public QObject
{
    Q_OBJECT

private slots:
    void refusedDescriptionIsListedWithItsReason_data();
    void refusedDescriptionIsListedWithItsReason();
};

void TestCorvidRefused::refusedDescriptionIsListedWithItsReason_data()
{
    QTest::addColumn<bool>("card");
    QTest::newRow("camera") << false;
    QTest::newRow("card") << true;
}

void TestCorvidRefused::refusedDescriptionIsListedWithItsReason()
{
    QFETCH(bool, card);
    QTemporaryDir dir;
    ServiceOptions options;
    options.defaultDevices = false;
    options.settingsFile = dir.filePath(QStringLiteral("settings.ini")).toStdString();
    QCOMPARE(StartService(options), 0);
    ListRecorder lists;
    RegisterDeviceListUpdateListener(&lists);

    const QString path = dir.filePath(QStringLiteral("broken.xml"));
    auto write = [&](const QString& extra) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QString::fromLatin1(kDescription).arg(extra).toUtf8());
    };
    auto add = [&] {
        return card ? AddSimulatedCard(path.toStdString()) : AddSimulatedCamera(path.toStdString());
    };
    auto error = [&](const std::string& id) {
        return card ? GetCardInfo(id, CARD_INFO_ERROR) : GetCameraInfo(id, CAM_INFO_ERROR);
    };

    write(QStringLiteral("<Integer Name=\"Gain\"><Value>2</Value></Integer>"));
    const std::string id = add();
    QVERIFY(!id.empty());
    std::vector<DeviceEntry> entries = ListDevices();
    QCOMPARE(int(entries.size()), 1);
    QVERIFY(!entries[0].usable);
    QVERIFY2(QString::fromStdString(entries[0].error).contains("node 'Gain' is defined twice"),
             entries[0].error.c_str());
    QCOMPARE(error(id), entries[0].error);
    QCOMPARE(card ? GetCardInfo(id, CARD_INFO_USABLE) : GetCameraInfo(id, CAM_INFO_OPENED), std::string("0"));
    QCOMPARE(add(), id); // still the one refused entry
    QCOMPARE(int(ListDevices().size()), 1);
    WaitForIdle();
    QVERIFY(std::find(lists.named.begin(), lists.named.end(), id) == lists.named.end());

    write(QString());
    QCOMPARE(add(), id);
    entries = ListDevices();
    QCOMPARE(int(entries.size()), 1);
    QVERIFY(entries[0].usable);
    QCOMPARE(error(id), std::string());
    WaitForIdle();
    QVERIFY(std::find(lists.named.begin(), lists.named.end(), id) != lists.named.end());

    UnRegisterDeviceListUpdateListener(&lists);
    StopService();
}

QTEST_GUILESS_MAIN(TestCorvidRefused)
#include "test_corvid_refused.moc"
