// The in-process simulated device: registers anywhere in the 64-bit address
// space, initial values and varying values from the description. (Loss,
// register statistics and the walk over every description are in the node
// tests; broken descriptions in the crafted-description tests.)
#include "nodetestsupport.h"

#include <QThread>

namespace {

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
class TestGenApiDevice : public QObject, private SimulatedNodes
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(reopen("sim-registers.xml")); }

    void registerValues_data()
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
            {"top of the space, largest", "TopReg", qlonglong(-5), qlonglong(0x7FFFFFFFFFFFFFFF)},
            {"top of the space, smallest", "TopReg", qlonglong(-5), qlonglong(INT64_MIN)},
            {"big-endian", "BigEndianReg", qlonglong(0x01020304), none},
            {"little-endian", "LittleEndianReg", qlonglong(0x01020304), none},
            {"read-only register", "ReadOnlyReg", qlonglong(7), none},
            {"signed 2 bytes", "NegativeReg", qlonglong(-1000), qlonglong(-32768)},
            {"masked low byte", "LowField", qlonglong(0x5A), none},
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
    void registerValues()
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

    void accessPastTheEndOfAddressSpaceThrows()
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

    void unusableInitialValuesAreSkipped()
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
        QCOMPARE(QString::fromUtf8(CStringPtr(map->GetNode("Text"))->GetValue().c_str()),
                 QStringLiteral("ok"));
        QCOMPARE(CFloatPtr(map->GetNode("Odd"))->GetValue(), 0.0);
        // Only the simulated-device namespace counts, whatever its prefix.
        QCOMPARE(qlonglong(CIntegerPtr(map->GetNode("Ignored"))->GetValue()), qlonglong(0));
    }

    void varyingValuesChange_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<double>("center");
        QTest::addColumn<double>("amplitude");

        QTest::newRow("float feature over a FloatReg") << "Temperature" << 41.5 << 5.0;
        QTest::newRow("IntReg") << "CounterReg" << 1000.0 << 500.0;
    }

    void varyingValuesChange()
    {
        QFETCH(QString, node);
        QFETCH(double, center);
        QFETCH(double, amplitude);
        CValuePtr value(this->node(node));
        QVERIFY(value.IsValid());
        // Three samples a quarter period (0.1 s) apart cannot all be equal.
        QList<double> samples;
        for (int i = 0; i < 3; ++i) {
            QThread::msleep(i > 0 ? 100 : 0);
            samples << std::stod(value->ToString(false, true).c_str());
            QVERIFY2(qAbs(samples.last() - center) <= amplitude + 1e-3,
                     qPrintable(QString::number(samples.last())));
        }
        QVERIFY(samples[0] != samples[1] || samples[1] != samples[2]);
    }

private:
    INode* node(const QString& name) const { return m_map->GetNode(name.toStdString().c_str()); }
};

QTEST_GUILESS_MAIN(TestGenApiDevice)
#include "test_genapi_device.moc"
