// The in-process simulated device: registers anywhere in the 64-bit address
// space, initial values and varying values from the description, register
// statistics and refusal of broken descriptions. (Loss, and the walk over
// every description, are in the node tests.)
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QFile>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>

using namespace GenApi;

namespace {

QString dataFile(const char* name)
{
    return QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/") + QLatin1String(name);
}

// A description with the given nodes, a Root category and the Device port.
std::unique_ptr<CDeviceConnection> openText(const char* nodes)
{
    static const char* const header = R"(<?xml version="1.0"?>
<RegisterDescription ModelName="Inline" VendorName="Tests" SchemaMajorVersion="1" SchemaMinorVersion="1"
    SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="0" VersionGuid="0" xmlns="http://www.genicam.org/GenApi/Version_1_1"
    xmlns:dev="urn:campane:simulated-device">
  <Category Name="Root"/>)";
    const std::string xml = header + std::string(nodes) + "<Port Name=\"Device\"/></RegisterDescription>";
    std::string error;
    auto device = CDeviceConnection::OpenSimulatedFromText(xml, "inline", &error);
    if (!device)
        qWarning("cannot open the inline description: %s", error.c_str());
    return device;
}

// Reads the node as the variant's type: integer, float or string.
QVariant readValue(INode* node, QVariant::Type type)
{
    if (type == QVariant::LongLong)
        return qlonglong(CIntegerPtr(node)->GetValue(false, true));
    if (type == QVariant::Double)
        return CFloatPtr(node)->GetValue(false, true);
    return QString::fromUtf8(CStringPtr(node)->GetValue(false, true).c_str());
}

void writeValue(INode* node, const QVariant& value)
{
    if (value.type() == QVariant::LongLong)
        CIntegerPtr(node)->SetValue(value.toLongLong(), false);
    else if (value.type() == QVariant::Double)
        CFloatPtr(node)->SetValue(value.toDouble(), false);
    else
        CStringPtr(node)->SetValue(value.toString().toStdString().c_str(), false);
}

} // namespace

// Every test starts on a fresh device over data/sim-registers.xml.
class TestGenApiDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registerValues_data();
    void registerValues();
    void byteOrderFollowsDescription();
    void bitFieldsShareTheirWord_data();
    void bitFieldsShareTheirWord();
    void accessPastTheEndOfAddressSpaceThrows();
    void unusableInitialValuesAreSkipped();
    void varyingValuesChange_data();
    void varyingValuesChange();
    void statisticsCountDeviceAccess();
    void commandsRunAndDeviceKeepsRunning();
    void brokenDescriptionsAreRefused_data();
    void brokenDescriptionsAreRefused();
    void missingOrEmptyFilesAreRefused();

private:
    INode* node(const QString& name) const { return m_map->GetNode(name.toStdString().c_str()); }

    std::unique_ptr<CDeviceConnection> m_device;
    INodeMap* m_map = nullptr;
};

void TestGenApiDevice::init()
{
    std::string error;
    m_device = CDeviceConnection::OpenSimulated(dataFile("sim-registers.xml").toStdString(), &error);
    QVERIFY2(m_device, error.c_str());
    m_map = m_device->GetNodeMap();
}

void TestGenApiDevice::cleanup()
{
    m_map = nullptr;
    m_device.reset();
}

void TestGenApiDevice::registerValues_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QVariant>("initial"); // its sim:Default, or 0
    QTest::addColumn<QVariant>("written"); // invalid: only read

    const QVariant none;
    const struct
    {
        const char *tag, *node;
        QVariant initial, written;
    } rows[] = {
        {"IntReg above 4 GiB", "HighReg", qlonglong(0x12345678), qlonglong(0xFEDCBA98)},
        {"Integer over it", "HighValue", qlonglong(0x12345678), none},
        {"top of the space, largest", "TopReg", qlonglong(-5), qlonglong(0x7FFFFFFFFFFFFFFF)},
        {"top of the space, smallest", "TopReg", qlonglong(-5), qlonglong(INT64_MIN)},
        {"big-endian", "BigEndianReg", qlonglong(0x01020304), none},
        {"little-endian", "LittleEndianReg", qlonglong(0x01020304), none},
        {"read-only register", "ReadOnlyReg", qlonglong(7), none},
        {"signed 2 bytes", "NegativeReg", qlonglong(-1000), qlonglong(-32768)},
        {"masked low byte", "LowField", qlonglong(0x5A), none},
        {"masked second byte", "MiddleField", qlonglong(0xA5), none},
        {"masked single bit", "TopBit", qlonglong(1), none},
        {"the word holding the fields", "FieldWord", qlonglong(0x8000A55A), none},
        {"no default", "NoDefaultReg", qlonglong(0), none},
        {"float 4 bytes", "Float32Reg", 1.5, -0.125},
        {"float 8 bytes big-endian", "Float64Reg", -2250.0, 1.0e-300},
        {"string", "NameReg", QStringLiteral("hello, device"), QStringLiteral("written")},
        {"string in the last bytes of the space", "TopString", QStringLiteral("end of space"),
         QStringLiteral("0123456789abcdef")},
    };
    for (const auto& r : rows)
        QTest::newRow(r.tag) << QString(r.node) << r.initial << r.written;
}

// The value the device starts with, and what it reads back after a write.
void TestGenApiDevice::registerValues()
{
    QFETCH(QString, node);
    QFETCH(QVariant, initial);
    QFETCH(QVariant, written);
    INode* n = this->node(node);
    QVERIFY2(n, qPrintable(node));
    try {
        QCOMPARE(readValue(n, initial.type()), initial);
        if (!written.isValid())
            return;
        const DeviceStatistics before = m_device->GetStatistics();
        writeValue(n, written);
        m_map->InvalidateNodes();
        QCOMPARE(readValue(n, written.type()), written);
        // The value came back from the device's memory, not from a cache.
        const DeviceStatistics after = m_device->GetStatistics();
        QVERIFY(after.registerWrites > before.registerWrites);
        QVERIFY(after.registerReads > before.registerReads);
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
    CIntegerPtr node(this->node(field));
    CIntegerPtr whole(m_map->GetNode("FieldWord"));
    QVERIFY(node && whole);
    node->SetValue(value, false);
    QCOMPARE(qlonglong(whole->GetValue()), word);
    QCOMPARE(qlonglong(node->GetValue(false, true)), value);
}

void TestGenApiDevice::accessPastTheEndOfAddressSpaceThrows()
{
    auto device = openText(R"(<IntReg Name="Wrapping">
    <Address>0xFFFFFFFFFFFFFFFE</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Cachable>NoCache</Cachable></IntReg>)");
    QVERIFY(device);
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
    auto device = openText(R"(
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
  </IntReg>)");
    QVERIFY(device);
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
    CValuePtr value(this->node(node));
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
    QTemporaryFile empty;
    QVERIFY(empty.open());
    for (const QString& path : {QStringLiteral("/nonexistent/description.xml"), empty.fileName()}) {
        std::string error;
        QVERIFY(!CDeviceConnection::OpenSimulated(path.toStdString(), &error));
        QVERIFY(!error.empty());
        // The error text is optional.
        QVERIFY(!CDeviceConnection::OpenSimulated(path.toStdString()));
    }
}

QTEST_GUILESS_MAIN(TestGenApiDevice)
#include "test_genapi_device.moc"
