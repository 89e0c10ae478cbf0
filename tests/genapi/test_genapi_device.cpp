// The in-process simulated device: registers anywhere in the 64-bit address
// space, initial values and varying values from the description, register
// statistics, loss, and refusal of broken descriptions.
#include "aravisfakecamera.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>

#include <cmath>

using namespace GenApi;

namespace {

QString dataFile(const char* name)
{
    return QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/") + QLatin1String(name);
}

std::unique_ptr<CDeviceConnection> openData(const char* name)
{
    std::string error;
    auto connection = CDeviceConnection::OpenSimulated(dataFile(name).toStdString(), &error);
    if (!connection)
        qWarning("cannot open %s: %s", name, error.c_str());
    return connection;
}

} // namespace

class TestGenApiDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initialValues_data();
    void initialValues();
    void byteOrderFollowsDescription();
    void writeReadBack_data();
    void writeReadBack();
    void bitFieldsShareTheirWord_data();
    void bitFieldsShareTheirWord();
    void accessPastTheEndOfAddressSpaceThrows();
    void unusableInitialValuesAreSkipped();
    void varyingValuesChange_data();
    void varyingValuesChange();
    void statisticsCountDeviceAccess();
    void commandsRunAndDeviceKeepsRunning();
    void markLostFailsEveryAccessAtOnce();
    void aravisFakeCameraDescription();
    void devicesDescriptionsOpen_data();
    void devicesDescriptionsOpen();
    void brokenDescriptionsAreRefused_data();
    void brokenDescriptionsAreRefused();
    void missingOrEmptyFilesAreRefused();

private:
    std::unique_ptr<CDeviceConnection> m_device;
    INodeMap* m_map = nullptr;
};

void TestGenApiDevice::init()
{
    m_device = openData("sim-registers.xml");
    QVERIFY(m_device);
    m_map = m_device->GetNodeMap();
    QVERIFY(m_map);
}

void TestGenApiDevice::cleanup()
{
    m_map = nullptr;
    m_device.reset();
}

void TestGenApiDevice::initialValues_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("IntReg above 4 GiB") << "HighReg" << QVariant(qlonglong(0x12345678));
    QTest::newRow("Integer over it") << "HighValue" << QVariant(qlonglong(0x12345678));
    QTest::newRow("signed 8 bytes at the top of the space") << "TopReg" << QVariant(qlonglong(-5));
    QTest::newRow("big-endian") << "BigEndianReg" << QVariant(qlonglong(0x01020304));
    QTest::newRow("little-endian") << "LittleEndianReg" << QVariant(qlonglong(0x01020304));
    QTest::newRow("read-only register") << "ReadOnlyReg" << QVariant(qlonglong(7));
    QTest::newRow("signed 2 bytes") << "NegativeReg" << QVariant(qlonglong(-1000));
    QTest::newRow("masked low byte") << "LowField" << QVariant(qlonglong(0x5A));
    QTest::newRow("masked second byte") << "MiddleField" << QVariant(qlonglong(0xA5));
    QTest::newRow("masked single bit") << "TopBit" << QVariant(qlonglong(1));
    QTest::newRow("the word holding the fields") << "FieldWord" << QVariant(qlonglong(0x8000A55A));
    QTest::newRow("no default") << "NoDefaultReg" << QVariant(qlonglong(0));
    QTest::newRow("float 4 bytes") << "Float32Reg" << QVariant(1.5);
    QTest::newRow("float 8 bytes big-endian") << "Float64Reg" << QVariant(-2250.0);
    QTest::newRow("string") << "NameReg" << QVariant(QStringLiteral("hello, device"));
    QTest::newRow("string in the last bytes of the space")
        << "TopString" << QVariant(QStringLiteral("end of space"));
}

void TestGenApiDevice::initialValues()
{
    QFETCH(QString, node);
    QFETCH(QVariant, expected);
    INode* n = m_map->GetNode(node.toStdString().c_str());
    QVERIFY2(n, qPrintable(node));
    try {
        switch (expected.type()) {
        case QVariant::LongLong:
            QCOMPARE(qlonglong(CIntegerPtr(n)->GetValue(false, true)), expected.toLongLong());
            break;
        case QVariant::Double:
            QCOMPARE(CFloatPtr(n)->GetValue(false, true), expected.toDouble());
            break;
        default:
            QCOMPARE(QString::fromUtf8(CStringPtr(n)->GetValue(false, true).c_str()), expected.toString());
            break;
        }
    } catch (const GenICam::GenericException& e) {
        QFAIL(e.what());
    }
}

void TestGenApiDevice::byteOrderFollowsDescription()
{
    // RawWords covers BigEndianReg and LittleEndianReg, both 0x01020304.
    CRegisterPtr raw(m_map->GetNode("RawWords"));
    QVERIFY(raw.IsValid());
    uint8_t bytes[8] = {};
    raw->Get(bytes, sizeof bytes, false, true);
    const QByteArray got(reinterpret_cast<const char*>(bytes), sizeof bytes);
    QCOMPARE(got.toHex(' '), QByteArray("01 02 03 04 04 03 02 01"));
}

void TestGenApiDevice::writeReadBack_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("above 4 GiB") << "HighReg" << QVariant(qlonglong(0xFEDCBA98));
    QTest::newRow("top of the space, largest") << "TopReg" << QVariant(qlonglong(0x7FFFFFFFFFFFFFFF));
    QTest::newRow("top of the space, smallest") << "TopReg" << QVariant(qlonglong(INT64_MIN));
    QTest::newRow("signed 2 bytes") << "NegativeReg" << QVariant(qlonglong(-32768));
    QTest::newRow("float 4 bytes") << "Float32Reg" << QVariant(-0.125);
    QTest::newRow("float 8 bytes") << "Float64Reg" << QVariant(1.0e-300);
    QTest::newRow("string") << "NameReg" << QVariant(QStringLiteral("written"));
    QTest::newRow("string at the end of the space")
        << "TopString" << QVariant(QStringLiteral("0123456789abcdef"));
}

void TestGenApiDevice::writeReadBack()
{
    QFETCH(QString, node);
    QFETCH(QVariant, value);
    INode* n = m_map->GetNode(node.toStdString().c_str());
    QVERIFY(n);
    try {
        const DeviceStatistics before = m_device->GetStatistics();
        switch (value.type()) {
        case QVariant::LongLong:
            CIntegerPtr(n)->SetValue(value.toLongLong(), false);
            m_map->InvalidateNodes();
            QCOMPARE(qlonglong(CIntegerPtr(n)->GetValue(false, true)), value.toLongLong());
            break;
        case QVariant::Double:
            CFloatPtr(n)->SetValue(value.toDouble(), false);
            m_map->InvalidateNodes();
            QCOMPARE(CFloatPtr(n)->GetValue(false, true), value.toDouble());
            break;
        default:
            CStringPtr(n)->SetValue(value.toString().toStdString().c_str(), false);
            m_map->InvalidateNodes();
            QCOMPARE(QString::fromUtf8(CStringPtr(n)->GetValue(false, true).c_str()), value.toString());
            break;
        }
        // The value came back from the device's memory, not from a cache.
        const DeviceStatistics after = m_device->GetStatistics();
        QVERIFY(after.registerWrites > before.registerWrites);
        QVERIFY(after.registerReads > before.registerReads);
    } catch (const GenICam::GenericException& e) {
        QFAIL(e.what());
    }
}

void TestGenApiDevice::bitFieldsShareTheirWord_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<qlonglong>("word");

    QTest::newRow("low byte") << "LowField" << qlonglong(0x11) << qlonglong(0x8000A511);
    QTest::newRow("second byte") << "MiddleField" << qlonglong(0x3C) << qlonglong(0x80003C5A);
    QTest::newRow("top bit") << "TopBit" << qlonglong(0) << qlonglong(0x0000A55A);
}

void TestGenApiDevice::bitFieldsShareTheirWord()
{
    // Each field, written first after opening, changes only its own bits of
    // the word that its neighbours' initial values filled.
    QFETCH(QString, field);
    QFETCH(qlonglong, value);
    QFETCH(qlonglong, word);
    CIntegerPtr node(m_map->GetNode(field.toStdString().c_str()));
    CIntegerPtr whole(m_map->GetNode("FieldWord"));
    QVERIFY(node && whole);
    node->SetValue(value, false);
    QCOMPARE(qlonglong(whole->GetValue()), word);
    QCOMPARE(qlonglong(node->GetValue(false, true)), value);
}

void TestGenApiDevice::accessPastTheEndOfAddressSpaceThrows()
{
    const char* xml = R"(<?xml version="1.0"?>
<RegisterDescription ModelName="Wrap" VendorName="Tests" SchemaMajorVersion="1" SchemaMinorVersion="1"
    SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="0" VersionGuid="0" xmlns="http://www.genicam.org/GenApi/Version_1_1">
  <Category Name="Root"><pFeature>Wrapping</pFeature></Category>
  <IntReg Name="Wrapping">
    <Address>0xFFFFFFFFFFFFFFFE</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Cachable>NoCache</Cachable>
  </IntReg>
  <Port Name="Device"/>
</RegisterDescription>)";
    std::string error;
    auto device = CDeviceConnection::OpenSimulatedFromText(xml, "wrap", &error);
    QVERIFY2(device, error.c_str());
    CIntegerPtr wrapping(device->GetNodeMap()->GetNode("Wrapping"));
    QVERIFY(wrapping.IsValid());
    QVERIFY_EXCEPTION_THROWN(wrapping->GetValue(false, true), GenICam::GenericException);
    QVERIFY_EXCEPTION_THROWN(wrapping->SetValue(1, false), GenICam::GenericException);
    // A refused address is an answer, not a loss.
    QVERIFY(!device->IsLost());
}

void TestGenApiDevice::unusableInitialValuesAreSkipped()
{
    // Values that cannot be used are reported and left at zero; the
    // device opens and the registers around them keep theirs.
    const char* xml = R"(<?xml version="1.0"?>
<RegisterDescription ModelName="Odd" VendorName="Tests" SchemaMajorVersion="1" SchemaMinorVersion="1"
    SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="0" VersionGuid="0" xmlns="http://www.genicam.org/GenApi/Version_1_1"
    xmlns:dev="urn:campane:simulated-device">
  <Category Name="Root"><pFeature>Good</pFeature></Category>
  <IntReg Name="NotANumber" dev:Default="twelve">
    <Address>0x10</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
  <IntReg Name="Good" dev:Default="0x0C" dev:Varies="sine:1">
    <Address>0x14</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
  <StringReg Name="Text" dev:Default="ok" dev:Varies="sine:1:1">
    <Address>0x20</Address><Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </StringReg>
  <FloatReg Name="Odd" dev:Default="1,5">
    <Address>0x28</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </FloatReg>
  <IntReg Name="Ignored" sim:Default="5" xmlns:sim="urn:other">
    <Address>0x30</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
  <Port Name="Device"/>
</RegisterDescription>)";
    std::string error;
    auto device = CDeviceConnection::OpenSimulatedFromText(xml, "odd", &error);
    QVERIFY2(device, error.c_str());
    INodeMap* map = device->GetNodeMap();
    QCOMPARE(qlonglong(CIntegerPtr(map->GetNode("NotANumber"))->GetValue()), qlonglong(0));
    // A bad sim:Varies leaves the value fixed at its default (a different prefix works).
    CIntegerPtr good(map->GetNode("Good"));
    QCOMPARE(qlonglong(good->GetValue(false, true)), qlonglong(12));
    QThread::msleep(50);
    QCOMPARE(qlonglong(good->GetValue(false, true)), qlonglong(12));
    QCOMPARE(QString::fromUtf8(CStringPtr(map->GetNode("Text"))->GetValue().c_str()), QStringLiteral("ok"));
    QCOMPARE(CFloatPtr(map->GetNode("Odd"))->GetValue(), 0.0);
    // Only the simulated-device namespace counts, whatever its prefix.
    QCOMPARE(qlonglong(CIntegerPtr(map->GetNode("Ignored"))->GetValue()), qlonglong(0));
}

void TestGenApiDevice::varyingValuesChange_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<double>("center");
    QTest::addColumn<double>("amplitude");

    QTest::newRow("float feature over a FloatReg") << "Temperature" << 41.5 << 5.0;
    QTest::newRow("IntReg") << "CounterReg" << 1000.0 << 500.0;
}

void TestGenApiDevice::varyingValuesChange()
{
    QFETCH(QString, node);
    QFETCH(double, center);
    QFETCH(double, amplitude);
    CValuePtr value(m_map->GetNode(node.toStdString().c_str()));
    QVERIFY(value.IsValid());
    // Three samples a quarter period (0.1 s) apart cannot all be equal.
    QList<double> samples;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            QThread::msleep(100);
        const double v = std::stod(value->ToString(false, true).c_str());
        QVERIFY2(v >= center - amplitude - 1e-3 && v <= center + amplitude + 1e-3,
                 qPrintable(QString::number(v)));
        samples << v;
    }
    QVERIFY2(samples[0] != samples[1] || samples[1] != samples[2],
             qPrintable(QStringLiteral("%1 %2 %3").arg(samples[0]).arg(samples[1]).arg(samples[2])));
}

void TestGenApiDevice::statisticsCountDeviceAccess()
{
    CIntegerPtr word(m_map->GetNode("FieldWord")); // NoCache, 4 bytes
    CIntegerPtr high(m_map->GetNode("HighReg"));
    QVERIFY(word && high);
    m_device->ResetStatistics();
    const DeviceStatistics zero = m_device->GetStatistics();
    QCOMPARE(zero.registerReads, uint64_t(0));
    QCOMPARE(zero.registerWrites, uint64_t(0));

    for (int i = 0; i < 3; ++i)
        word->GetValue();
    const DeviceStatistics s = m_device->GetStatistics();
    QCOMPARE(s.registerReads, uint64_t(3));
    QCOMPARE(s.bytesRead, uint64_t(12));
    QCOMPARE(s.registerWrites, uint64_t(0));

    high->SetValue(42, false);
    const DeviceStatistics w = m_device->GetStatistics();
    QCOMPARE(w.registerWrites, uint64_t(1));
    QCOMPARE(w.bytesWritten, uint64_t(4));
}

void TestGenApiDevice::commandsRunAndDeviceKeepsRunning()
{
    CCommandPtr reset(m_map->GetNode("DeviceReset"));
    QVERIFY(reset.IsValid());
    reset->Execute();
    QVERIFY(!m_device->IsLost());
    QVERIFY(m_device->Ping());
    QCOMPARE(qlonglong(CIntegerPtr(m_map->GetNode("HighReg"))->GetValue(false, true)), qlonglong(0x12345678));
}

void TestGenApiDevice::markLostFailsEveryAccessAtOnce()
{
    QVERIFY(m_device->Ping());
    QVERIFY(!m_device->IsLost());
    m_device->MarkLost();
    QVERIFY(m_device->IsLost());
    QVERIFY(!m_device->Ping());

    m_device->ResetStatistics();
    const char* names[] = {"HighValue", "HighReg", "Float32Reg", "NameReg", "Temperature", "FieldWord"};
    for (const char* name : names) {
        CValuePtr value(m_map->GetNode(name));
        QVERIFY(value.IsValid());
        QVERIFY_EXCEPTION_THROWN(value->ToString(false, true), GenICam::GenericException);
        QVERIFY_EXCEPTION_THROWN(value->FromString("1", false), GenICam::GenericException);
    }
    QVERIFY_EXCEPTION_THROWN(CCommandPtr(m_map->GetNode("DeviceReset"))->Execute(),
                             GenICam::GenericException);
    const DeviceStatistics s = m_device->GetStatistics();
    QCOMPARE(s.registerReads, uint64_t(0));
    QCOMPARE(s.registerWrites, uint64_t(0));
}

void TestGenApiDevice::aravisFakeCameraDescription()
{
    const std::string xml = aravisFakeCameraXml();
    QVERIFY(!xml.empty());
    std::string error;
    auto device = CDeviceConnection::OpenSimulatedFromText(xml, "aravis-fake-camera", &error);
    QVERIFY2(device, error.c_str());
    INodeMap* map = device->GetNodeMap();
    QVERIFY(map->GetNumNodes() > 50);
    QVERIFY(map->GetNode("DeviceModelName"));

    // The whole map reads without escaping exceptions other than GenICam's.
    NodeList_t nodes;
    map->GetNodes(nodes);
    int read = 0;
    for (INode* node : nodes) {
        CValuePtr value(node);
        if (!value.IsValid())
            continue;
        try {
            const EAccessMode mode = value->GetAccessMode();
            if (mode != RO && mode != RW)
                continue;
            value->ToString();
            ++read;
        } catch (const GenICam::GenericException&) {
        }
    }
    QVERIFY2(read > 30, qPrintable(QString::number(read)));

    CIntegerPtr gain(map->GetNode("GainRaw"));
    QVERIFY(gain.IsValid());
    gain->SetValue(7);
    QCOMPARE(qlonglong(gain->GetValue(false, true)), qlonglong(7));
}

void TestGenApiDevice::devicesDescriptionsOpen_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(CAMPANE_DEVICES_DIR));
    const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        QTest::newRow(qPrintable(file)) << dir.filePath(file);
    if (files.isEmpty())
        QTest::newRow("none") << QString();
    // Generated: 500 features whose registers lie above 4 GiB.
    const QString high = QStringLiteral(CAMPANE_HIGH_ADDRESS_DESCRIPTION);
    if (QFileInfo::exists(high))
        QTest::newRow("large-high-address.xml") << high;
}

void TestGenApiDevice::devicesDescriptionsOpen()
{
    QFETCH(QString, path);
    if (path.isEmpty())
        QSKIP("no descriptions in the devices folder");
    std::string error;
    auto device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    QVERIFY2(device, error.c_str());
    INodeMap* map = device->GetNodeMap();
    QVERIFY(map->GetNode("Root"));
    CStringPtr model(map->GetNode("DeviceModelName"));
    if (model.IsValid())
        QVERIFY(!model->GetValue().empty()); // set by the description's sim:Default

    // Every feature reads back what is written to it: a register anywhere in
    // the address space is served, and no neighbour is overwritten.
    NodeList_t nodes;
    map->GetNodes(nodes);
    int written = 0;
    for (INode* node : nodes) {
        CIntegerPtr integer(node);
        if (!node->IsFeature() || !integer.IsValid() || integer->GetAccessMode() != RW)
            continue;
        try {
            const int64_t value = integer->GetMin();
            integer->SetValue(value);
            QCOMPARE(qlonglong(integer->GetValue(false, true)), qlonglong(value));
            ++written;
        } catch (const GenICam::GenericException& e) {
            // Selectors and locked features may refuse; the device must not.
            QVERIFY2(!device->IsLost(), e.what());
        }
    }
    QVERIFY(written > 0);
}

void TestGenApiDevice::brokenDescriptionsAreRefused_data()
{
    QTest::addColumn<QByteArray>("xml");

    QFile file(dataFile("sim-registers.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("white space") << QByteArray(" \n\t ");
    QTest::newRow("not XML") << QByteArray("Width=100\nHeight=200\n");
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QTest::newRow("unbalanced") << QByteArray(
        "<RegisterDescription><Category Name=\"Root\"></RegisterDescription>");
    QTest::newRow("another root") << QByteArray("<?xml version=\"1.0\"?><html><body/></html>");
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff\xfe", 5);
}

void TestGenApiDevice::brokenDescriptionsAreRefused()
{
    QFETCH(QByteArray, xml);
    std::string error;
    auto device = CDeviceConnection::OpenSimulatedFromText(xml.toStdString(), "broken", &error);
    QVERIFY(!device);
    QVERIFY(!error.empty());
}

void TestGenApiDevice::missingOrEmptyFilesAreRefused()
{
    std::string error;
    QVERIFY(!CDeviceConnection::OpenSimulated("/nonexistent/description.xml", &error));
    QVERIFY(!error.empty());

    QTemporaryFile empty;
    QVERIFY(empty.open());
    error.clear();
    QVERIFY(!CDeviceConnection::OpenSimulated(empty.fileName().toStdString(), &error));
    QVERIFY(!error.empty());

    // The error text is optional.
    QVERIFY(!CDeviceConnection::OpenSimulated(empty.fileName().toStdString()));
}

QTEST_GUILESS_MAIN(TestGenApiDevice)
#include "test_genapi_device.moc"
