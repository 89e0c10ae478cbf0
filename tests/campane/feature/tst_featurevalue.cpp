#include "featurepolicy.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <memory>

using namespace GenApi;

namespace {

// The views' policies, by row.
enum Policy
{
    TreeCell,
    TreeUncached,
    PanelNewNumber,
    PanelChoice,
    TreeWrite,
    PanelNumberWrite,
    PanelChoiceWrite,
    RegionWrite
};

ReadPolicy readPolicy(int policy)
{
    switch (policy) {
    case TreeUncached:
        return FeaturePolicy::treeUncached();
    case PanelNewNumber:
        return FeaturePolicy::panelNumber(false);
    case PanelChoice:
        return FeaturePolicy::panelChoice();
    default:
        return FeaturePolicy::treeCell();
    }
}

WritePolicy writePolicy(int policy)
{
    switch (policy) {
    case PanelNumberWrite:
        return FeaturePolicy::panelNumberWrite();
    case PanelChoiceWrite:
        return FeaturePolicy::panelChoiceWrite();
    case RegionWrite:
        return FeaturePolicy::regionWrite();
    default:
        return FeaturePolicy::treeWrite();
    }
}

const int kRaw = -1; // the value itself, no text style

} // namespace

class TestFeatureValue : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        std::string error;
        m_device = CDeviceConnection::OpenSimulated(FEATURE_TEST_DEVICE, &error);
        QVERIFY2(m_device, error.c_str());
    }
    void cleanup() { m_device.reset(); }

    void read_data()
    {
        QTest::addColumn<QString>("feature");
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("style");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("errorKind");
        QTest::addColumn<int>("registerReads");

        const int tree = int(TextStyle::Tree);
        const int spin = int(TextStyle::PanelSpinBox);
        // A second read of a cachable register reads nothing; a NoCache one
        // (ExposureTime, SensorTemperature) or a fresh read reads it again.
        QTest::newRow("integer, number")
            << "ExposureTime" << int(TreeCell) << tree << QVariant(1000LL) << true << "" << 1;
        QTest::newRow("integer, hex named IPv4")
            << "GevCurrentIPAddress" << int(TreeCell) << tree << QVariant("192.168.0.1") << true << "" << 0;
        QTest::newRow("integer, hex named MAC")
            << "GevMACAddress" << int(TreeCell) << tree << QVariant("00:11:22:33:44:AA") << true << "" << 0;
        QTest::newRow("integer, IPv4")
            << "PeerAddress" << int(TreeUncached) << tree << QVariant("10.0.1.2") << true << "" << 1;
        QTest::newRow("integer, MAC")
            << "PeerMac" << int(TreeCell) << tree << QVariant("A1:B2:C3:D4:E5:F6") << true << "" << 0;
        QTest::newRow("integer, hex")
            << "StatusBits" << int(TreeCell) << tree << QVariant("0xff") << true << "" << 0;
        QTest::newRow("integer, low 32 bits")
            << "GevMACAddress" << int(PanelNewNumber) << kRaw << QVariant(0x223344AA) << true << "" << 1;
        QTest::newRow("float, node's notation")
            << "Gain" << int(TreeCell) << tree << QVariant("2.5") << true << "" << 0;
        QTest::newRow("float, fresh")
            << "Gain" << int(TreeUncached) << tree << QVariant("2.5") << true << "" << 1;
        QTest::newRow("float, single precision") << "SensorTemperature" << int(PanelNewNumber) << spin
                                                 << QVariant(double(36.4567f)) << true << "" << 1;
        QTest::newRow("boolean") << "ReverseX" << int(TreeCell) << tree << QVariant("False") << true << ""
                                 << 0;
        QTest::newRow("enumeration, entry")
            << "GainAuto" << int(PanelChoice) << kRaw << QVariant("Off") << true << "" << 0;
        QTest::newRow("string") << "DeviceUserID" << int(TreeCell) << tree << QVariant("cam-1") << true << ""
                                << 0;
        QTest::newRow("command") << "TriggerSoftware" << int(TreeCell) << tree << QVariant("{Execute}")
                                 << true << "" << 0;
        QTest::newRow("read-only") << "FrameCount" << int(PanelNewNumber) << kRaw << QVariant(42) << true
                                   << "" << 1;
        QTest::newRow("write-only, access checked")
            << "SecretKey" << int(PanelNewNumber) << kRaw << QVariant() << false << "" << 0;
        QTest::newRow("write-only, read anyway")
            << "SecretKey" << int(TreeCell) << kRaw << QVariant() << true << "AccessException" << 0;
    }

    void read()
    {
        QFETCH(QString, feature);
        QFETCH(int, policy);
        QFETCH(int, style);
        QFETCH(QVariant, expected);
        QFETCH(bool, readable);
        QFETCH(QString, errorKind);
        QFETCH(int, registerReads);

        const FeatureValue value(m_device->GetNodeMap()->GetNode(feature.toUtf8().constData()), feature);
        QVERIFY(value.isValid());
        // The first read fills the cache; the second is counted.
        value.read(readPolicy(policy), "test");
        m_device->ResetStatistics();
        const FeatureRead read = value.read(readPolicy(policy), "test");
        QCOMPARE(int(m_device->GetStatistics().registerReads), registerReads);
        QCOMPARE(read.readable, readable);
        QCOMPARE(read.error.kind, errorKind);
        if (!errorKind.isEmpty()) {
            QCOMPARE(read.error.feature, feature);
            QCOMPARE(read.error.operation, QStringLiteral("read"));
            QVERIFY(read.error.isUnreadable());
            return;
        }
        const QVariant shown = style == kRaw ? read.value : value.styled(TextStyle(style), read.value);
        QCOMPARE(shown, expected);
    }

    void write_data()
    {
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("policy");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QVariant>("readBack");
        QTest::addColumn<QVariant>("rollback");
        QTest::addColumn<QString>("errorKind");
        QTest::addColumn<int>("registerWrites");

        // A refused value never reaches the device.
        QTest::newRow("integer") << "ExposureTime" << QVariant(1200) << int(TreeWrite) << true
                                 << QVariant(1200LL) << QVariant(1000LL) << "" << 1;
        QTest::newRow("integer off the increment")
            << "ExposureTime" << QVariant(1203) << int(TreeWrite) << false << QVariant() << QVariant(1000LL)
            << "OutOfRangeException" << 0;
        QTest::newRow("integer above the maximum")
            << "ExposureTime" << QVariant(100005) << int(PanelNumberWrite) << false << QVariant()
            << QVariant() << "OutOfRangeException" << 0;
        QTest::newRow("float, tree text rollback") << "Gain" << QVariant(4.0) << int(TreeWrite) << true
                                                   << QVariant(4.0) << QVariant("2.5") << "" << 1;
        QTest::newRow("boolean") << "ReverseX" << QVariant(true) << int(PanelChoiceWrite) << true
                                 << QVariant(true) << QVariant() << "" << 1;
        QTest::newRow("string") << "DeviceUserID" << QVariant("cam-2") << int(TreeWrite) << true
                                << QVariant("cam-2") << QVariant("cam-1") << "" << 1;
        QTest::newRow("entry by name") << "GainAuto" << QVariant("Continuous") << int(TreeWrite) << true
                                       << QVariant() << QVariant() << "" << 1;
        QTest::newRow("entry by name, unknown") << "GainAuto" << QVariant("Sometimes") << int(TreeWrite)
                                                << true << QVariant() << QVariant() << "" << 0;
        QTest::newRow("entry from string, unknown")
            << "GainAuto" << QVariant("Sometimes") << int(PanelChoiceWrite) << false << QVariant()
            << QVariant() << "InvalidArgumentException" << 0;
        QTest::newRow("read-only, access checked") << "FrameCount" << QVariant(5) << int(RegionWrite) << false
                                                   << QVariant() << QVariant() << "" << 0;
        QTest::newRow("read-only, written anyway")
            << "FrameCount" << QVariant(5) << int(PanelNumberWrite) << false << QVariant() << QVariant()
            << "AccessException" << 0;
        // Written, but its read-back is refused: the tree takes that as a refusal.
        QTest::newRow("write-only, no rollback") << "SecretKey" << QVariant(7) << int(TreeWrite) << false
                                                 << QVariant() << QVariant() << "AccessException" << 1;
        // A command takes no value: it runs through execute() alone.
        QTest::newRow("command") << "ClearCounters" << QVariant(1) << int(TreeWrite) << true << QVariant()
                                 << QVariant() << "" << 0;
    }

    void write()
    {
        QFETCH(QString, feature);
        QFETCH(QVariant, value);
        QFETCH(int, policy);
        QFETCH(bool, written);
        QFETCH(QVariant, readBack);
        QFETCH(QVariant, rollback);
        QFETCH(QString, errorKind);
        QFETCH(int, registerWrites);

        const FeatureValue feature_(m_device->GetNodeMap()->GetNode(feature.toUtf8().constData()), feature);
        m_device->ResetStatistics();
        const FeatureWrite write = feature_.write(value, writePolicy(policy), "test");
        QCOMPARE(int(m_device->GetStatistics().registerWrites), registerWrites);
        QCOMPARE(write.written, written);
        QCOMPARE(write.writable, policy != RegionWrite || written);
        QCOMPARE(write.missingEntry, QByteArray(QTest::currentDataTag()) == "entry by name, unknown");
        if (written)
            QCOMPARE(write.readBack, readBack);
        QCOMPARE(write.rollback, rollback);
        QCOMPARE(write.error.kind, errorKind);
        if (write.error.failed()) {
            QCOMPARE(write.error.feature, feature);
            QVERIFY(write.error.isGeneric());
            QVERIFY(!refusedWriteText(write.error).isEmpty());
        }
    }

    void execute()
    {
        const FeatureValue command(m_device->GetNodeMap()->GetNode("ClearCounters"));
        m_device->ResetStatistics();
        QVERIFY(!command.execute(true, "test").failed());
        QCOMPARE(int(m_device->GetStatistics().registerWrites), 1);
        const FeatureError refused =
            FeatureValue(m_device->GetNodeMap()->GetNode("ReadOnlyCommand"), "ReadOnlyCommand")
                .execute(true, "test");
        QCOMPARE(refused.kind, QStringLiteral("AccessException"));
        QCOMPARE(refused.operation, QStringLiteral("execute"));
        QCOMPARE(int(m_device->GetStatistics().registerWrites), 1);
    }

    void floatTexts_data()
    {
        QTest::addColumn<int>("notation");
        QTest::addColumn<int>("precision");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("automatic") << int(FloatDisplay::Automatic) << 6 << 3.299999952316284 << "3.3";
        QTest::newRow("automatic, small") << int(FloatDisplay::Automatic) << 6 << 0.0001 << "0.0001";
        QTest::newRow("fixed") << int(FloatDisplay::Fixed) << 3 << 1.0 << "1.000";
        QTest::newRow("scientific") << int(FloatDisplay::Scientific) << 2 << 12345.0 << "1.23e+04";
        QTest::newRow("precision bounded") << int(FloatDisplay::Fixed) << 99 << 0.5 << "0.50000000000000000";
        QTest::newRow("negative precision") << int(FloatDisplay::Fixed) << -3 << 2.4 << "2";
    }

    void floatTexts()
    {
        QFETCH(int, notation);
        QFETCH(int, precision);
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(floatText(FloatDisplay{FloatDisplay::Notation(notation), precision}, value), text);
    }

private:
    std::unique_ptr<CDeviceConnection> m_device;
};

QTEST_MAIN(TestFeatureValue)
#include "tst_featurevalue.moc"
