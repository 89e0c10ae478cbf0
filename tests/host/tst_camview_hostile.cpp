// camview against hostile GigE Vision devices (tests/fakegige on a loopback
// address): each is refused with its reason printed, camview exits by
// itself (no crash, no hang) and an honest device of the same kind opens.
#include "fakegigedevice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* const kDescription =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<RegisterDescription ModelName=\"Fake\" VendorName=\"Campane_Tests\" StandardNameSpace=\"None\"\n"
    "    SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\"\n"
    "    MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\"\n"
    "    xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
    "  <Category Name=\"Root\"><pFeature>Good</pFeature></Category>\n"
    "  <IntReg Name=\"Good\"><Address>0x20000</Address><Length>4</Length><AccessMode>RW</AccessMode>\n"
    "    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>\n"
    "  <Port Name=\"Device\"/>\n"
    "</RegisterDescription>\n";

// The fake device's own loopback address: no other test uses it.
const char* const kAddress = "127.0.0.6";

} // namespace

Q_DECLARE_METATYPE(FakeGigeDevice::Misbehaviour)

class TestCamviewHostile : public QObject
{
    Q_OBJECT

private slots:
    void device_data();
    void device();

private:
    QTemporaryDir m_config;
};

void TestCamviewHostile::device_data()
{
    using M = FakeGigeDevice::Misbehaviour;
    QTest::addColumn<M>("misbehaviour");
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("refusal"); // empty: the device opens and its tree is printed

    const QByteArray xml(kDescription);
    const std::string zipped = FakeGigeDevice::zip("fake.xml", kDescription);
    const QString zipUrl = QString::fromStdString(
        FakeGigeDevice::localUrl("fake.zip", FakeGigeDevice::kDescriptionAddress, zipped.size()));
    std::string corrupt = zipped;
    corrupt[corrupt.size() - 6] = char(0xf0); // the central directory's offset, far outside

    QTest::newRow("honest") << M::None << xml << ""
                            << "";
    QTest::newRow("honest, zipped") << M::None << QByteArray::fromStdString(zipped) << zipUrl << "";
    QTest::newRow("description of 2^63-1 bytes") << M::None << xml << "Local:desc.xml;10000;7fffffffffffffff"
                                                 << "outside 1 to 67108864";
    QTest::newRow("description outside the memory") << M::None << xml << "Local:fake.xml;FFFFFF00;1000"
                                                    << "outside its 32-bit memory";
    QTest::newRow("a FIFO or /dev/zero as description") << M::None << xml << "File:///dev/zero"
                                                        << "'file:' URL";
    QTest::newRow("zip with its directory outside")
        << M::None << QByteArray::fromStdString(corrupt) << zipUrl << "central directory outside";
    QTest::newRow("pending forever") << M::Pending << xml << ""
                                     << "no valid answer in time";
    QTest::newRow("pending forever once in control") << M::PendingOnControl << xml << ""
                                                     << "did not finish opening";
    QTest::newRow("silent") << M::Silent << xml << ""
                            << "no valid answer in time";
    QTest::newRow("attribute given twice")
        << M::None << QByteArray(kDescription).replace("Name=\"Good\">", "Name=\"Good\" Name=\"Good\">") << ""
        << "gives the attribute Name twice";
}

void TestCamviewHostile::device()
{
    QFETCH(FakeGigeDevice::Misbehaviour, misbehaviour);
    QFETCH(QByteArray, description);
    QFETCH(QString, url);
    QFETCH(QString, refusal);

    FakeGigeDevice fake(kAddress);
    fake.setDescription(description.toStdString(), url.toStdString());
    fake.setMisbehaviour(misbehaviour);
    std::string error;
    QVERIFY2(fake.start(&error), error.c_str());

    QProcess camview;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    camview.setProcessEnvironment(environment);
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE),
                  {"--no-default-devices", "--camera", kAddress, "--dump-tree", "--wait", "1"});
    // camview ends by itself, whatever the device does.
    QVERIFY(camview.waitForFinished(60000));
    QCOMPARE(camview.exitStatus(), QProcess::NormalExit);
    const QString output = QString::fromUtf8(camview.readAllStandardOutput());
    const QString errors = QString::fromUtf8(camview.readAllStandardError());
    if (refusal.isEmpty()) {
        QCOMPARE(camview.exitCode(), 0);
        QVERIFY2(output.contains("Good: 0"), qPrintable(output + errors));
    } else {
        QCOMPARE(camview.exitCode(), 1);
        QVERIFY2(errors.contains(refusal), qPrintable(errors));
    }
}

QTEST_GUILESS_MAIN(TestCamviewHostile)
#include "tst_camview_hostile.moc"
