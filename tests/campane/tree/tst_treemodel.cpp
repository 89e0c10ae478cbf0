#include "tests.h"
#include "treeitem.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QtTest>

using namespace GenApi;

using Translations = QHash<QString, QString>;
Q_DECLARE_METATYPE(Translations)

// The devices of devices/ are checked the same way on the board's real trees.
void TestTree::modelContract_data()
{
    QTest::addColumn<QString>("description");
    QTest::newRow("tree test device") << treeTestData(QStringLiteral("tree-features.xml"));
    QTest::newRow("missing availability node")
        << treeTestData(QStringLiteral("tree-missing-availability.xml"));
    QTest::newRow("5000 features") << QStringLiteral(CAMPANE_LARGE_DESCRIPTION);
}

void TestTree::modelContract()
{
    QFETCH(QString, description);
    const auto device = CDeviceConnection::OpenSimulated(description.toStdString());
    QVERIFY(device);
    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    NodeList_t nodes;
    device->GetNodeMap()->GetNodes(nodes);
    model.setupModelData(nodes);
    QVERIFY(model.rowCount(model.index(0, 0)) > 0);
    model.setLanguage(1);
    model.setLanguage(0);
}

void TestTree::structuralEdits()
{
    TreeModel* model = m_tree.model.get();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QModelIndex network = m_tree.feature(QStringLiteral("Network"));
    const int rows = model->rowCount(network);
    QVERIFY(model->insertRows(rows, 2, network));
    QVERIFY(!model->itemFromIndex(model->index(rows, 0, network))->node());
    QVERIFY(!model->insertRows(rows + 3, 1, network));
    QVERIFY(model->removeRows(rows, 2, network));
    QVERIFY(!model->removeRows(rows - 1, 2, network));
    QCOMPARE(model->rowCount(network), rows);
    QVERIFY(model->insertColumns(2, 1));
    QCOMPARE(model->itemFromIndex(network)->columnCount(), 3);
    // Removing every column leaves no rows.
    QVERIFY(model->removeColumns(0, 3));
    QCOMPARE(model->rowCount(), 0);
}

void TestTree::displayTexts_data()
{
    // Writable values are answered by the model; read-only ones (and
    // categories) are left to the delegate, which paints deviceValue().
    // (Addresses and hex values by feature name: camview's tree dumps.)
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QVariant>("display");
    QTest::addColumn<QVariant>("deviceValue");
    const auto row = [](const char* tag, const char* feature, const QVariant& display,
                        const QVariant& device = QVariant()) {
        QTest::newRow(tag) << QString::fromLatin1(feature) << display << device;
    };
    row("IPV4Address", "PeerAddress", QStringLiteral("10.0.1.2"));
    row("MACAddress", "PeerMac", QStringLiteral("A1:B2:C3:D4:E5:F6"));
    row("integer", "ExposureTime", qlonglong(1000));
    row("float", "Gain", 2.5);
    row("enumeration", "GainAuto", QStringLiteral("Off"));
    row("boolean", "ReverseX", QStringLiteral("False"));
    row("string", "DeviceUserID", QStringLiteral("cam-1"));
    row("command", "ClearCounters", QStringLiteral("{Execute}"));
    row("read-only integer", "FrameCount", QVariant(), qlonglong(42));
    row("read-only float", "SensorTemperature", QVariant(), 36.4567);
    row("category", "Network", QVariant());
}

void TestTree::displayTexts()
{
    QFETCH(QString, feature);
    QFETCH(QVariant, display);
    QFETCH(QVariant, deviceValue);
    const QModelIndex label = m_tree.feature(feature);
    const QModelIndex value = label.sibling(label.row(), 1);
    QCOMPARE(value.data(Qt::DisplayRole), display);
    QCOMPARE(value.data(Qt::EditRole), display);
    QVERIFY(!value.data(Qt::ToolTipRole).isValid());
    if (display.isValid())
        QCOMPARE(m_tree.model->itemFromIndex(value)->data(1), display);
    else
        QCOMPARE(m_tree.model->deviceValue(value), deviceValue);
    QCOMPARE(label.data(Qt::ToolTipRole).toString(), feature);
    QVERIFY(m_tree.model->flags(value) & Qt::ItemIsEditable);
    QVERIFY(!(m_tree.model->flags(label) & Qt::ItemIsEditable));
}

void TestTree::unreadableValueIsNotAvailableAndNotKept()
{
    // ExtraValue is unavailable while ExtraEnable is 0.
    TreeItem* item = m_tree.model->itemFromIndex(m_tree.value(QStringLiteral("ExtraValue")));
    QCOMPARE(item->data(1).toString(), QStringLiteral("{Not Available}"));
    QVERIFY(!item->cachedData(1).isValid());
    m_tree.write("ExtraEnable", 1);
    QCOMPARE(item->data(1), QVariant(qlonglong(12)));
    QCOMPARE(item->cachedData(1), QVariant(qlonglong(12)));
}

void TestTree::refusedWrites_data()
{
    // ExposureTime was read as 1000 and the device has since taken 1500.
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QVariant>("written");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("shown");
    const int edit = Qt::EditRole;
    QTest::newRow("above the maximum: the device's value")
        << "ExposureTime" << QVariant(1.0e9) << edit << true << QVariant(qlonglong(1500));
    QTest::newRow("tool tip role") << "ExposureTime" << QVariant(5) << int(Qt::ToolTipRole) << false
                                   << QVariant(qlonglong(1000));
    QTest::newRow("enumeration text without entry")
        << "GainAuto" << QVariant("Sometimes") << edit << true << QVariant("Off");
    QTest::newRow("category") << "Network" << QVariant("text") << edit << true << QVariant();
    QTest::newRow("no value") << "GevCurrentIPAddress" << QVariant() << edit << false
                              << QVariant("192.168.0.1");
}

void TestTree::refusedWrites()
{
    QFETCH(QString, feature);
    QFETCH(QVariant, written);
    QFETCH(int, role);
    QFETCH(bool, accepted);
    QFETCH(QVariant, shown);
    if (feature == QLatin1String("GainAuto"))
        QTest::ignoreMessage(QtWarningMsg, "GainAuto has no entry \"Sometimes\"; nothing written");
    const QModelIndex value = m_tree.value(feature);
    value.data();
    QCOMPARE(m_tree.value(QStringLiteral("ExposureTime")).data(), QVariant(qlonglong(1000)));
    m_tree.write("ExposureTime", 1500);
    m_tree.device->ResetStatistics();
    QCOMPARE(m_tree.model->setData(value, written, role), accepted);
    QCOMPARE(m_tree.device->GetStatistics().registerWrites, uint64_t(0));
    QCOMPARE(m_tree.model->itemFromIndex(value)->cachedData(1), shown);
    QCOMPARE(m_tree.onDevice(QStringLiteral("ExposureTime")), QVariant(qlonglong(1500)));
}

void TestTree::realDescription_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<int>("rows");         // rows under the feature's row
    QTest::addColumn<QString>("shown");    // the value cell's text
    QTest::addColumn<QVariant>("written"); // edited in the tree, if valid
    QTest::addColumn<QString>("refusal");  // the reason logged, when refused
    QTest::addColumn<QString>("after");    // the cell's text afterwards

    const auto row = [](const char* tag, const char* feature, int rows, const char* shown,
                        const QVariant& written = {}, const char* refusal = "", const char* after = "") {
        QTest::newRow(tag) << QString::fromLatin1(feature) << rows << QString::fromLatin1(shown) << written
                           << QString::fromLatin1(refusal) << QString::fromLatin1(after);
    };
    row("maximum from a feature", "Width", 1, "512");
    row("value through a feature", "Height", 1, "384");
    row("32-bit float 3.3", "Gain", 0, "3.3");
    row("32-bit float 0.337", "BlackLevel", 0, "0.337");
    row("fixed notation, read-only", "DeviceTemperature", 0, "36.5");
    row("text of no bytes", "DeviceUserID", 0, "");
    row("chunk data", "ChunkWidth", 0, "{Not Available}");
    row("float off the increment", "ExposureTime", 0, "10000", 12345.6, "does not match the increment 10",
        "10000");
    row("float on the increment", "ExposureTime", 0, "10000", 12340.0, "", "12340");
    row("float above the maximum", "Gain", 0, "3.3", 30.0, "out of range", "3.3");
    row("float in range", "BlackLevel", 0, "0.337", 0.5, "", "0.5");
}

// A description with the constructs of cameras' own: every feature row
// carries its value, floats read as their display precision gives them, and
// a float edit the panel would refuse is refused with the same reason.
void TestTree::realDescription()
{
    QFETCH(QString, feature);
    QFETCH(int, rows);
    QFETCH(QString, shown);
    QFETCH(QVariant, written);
    QFETCH(QString, refusal);
    QFETCH(QString, after);

    TreeFixture tree;
    QVERIFY(tree.open(QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/node-real.xml")));
    QAbstractItemModelTester tester(tree.model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(tree.model->rowCount(tree.feature(feature)), rows);
    const QModelIndex value = tree.value(feature);
    const auto text = [&] {
        tree.model->startRefreshTick();
        const QVariant editable = value.data();
        return editable.isValid() ? editable.toString() : value.data(TreeModel::DeviceTextRole).toString();
    };
    QCOMPARE(text(), shown);
    if (!written.isValid())
        return;
    if (!refusal.isEmpty())
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("Set " + feature + " value failed, .*" + refusal));
    QVERIFY(tree.model->setData(value, written, Qt::EditRole));
    QCOMPARE(text(), after);
}

void TestTree::oneDeviceReadPerTick()
{
    // ExposureTime's register is not cached: every device read is counted.
    const QModelIndex value = m_tree.value(QStringLiteral("ExposureTime"));
    for (const qlonglong expected : {1000, 1200}) {
        m_tree.model->startRefreshTick();
        m_tree.device->ResetStatistics();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(value.data(Qt::DisplayRole), QVariant(expected));
            QCOMPARE(value.data(Qt::EditRole), QVariant(expected));
            QCOMPARE(m_tree.model->deviceValue(value), QVariant(expected));
        }
        QCOMPARE(m_tree.device->GetStatistics().registerReads, uint64_t(1));
        m_tree.write("ExposureTimeReg", 1200);
        QCOMPARE(value.data(), QVariant(expected)); // still this tick's value
    }
}

void TestTree::goneDevice_data()
{
    // A disabled device answers the values read last; a device lost without
    // being disabled answers only the labels.
    QTest::addColumn<bool>("disabled");
    QTest::newRow("disabled, then lost") << true;
    QTest::newRow("lost") << false;
}

void TestTree::goneDevice()
{
    QFETCH(bool, disabled);
    const QModelIndex exposure = m_tree.value(QStringLiteral("ExposureTime"));
    const QModelIndex frames = m_tree.value(QStringLiteral("FrameCount"));
    QCOMPARE(exposure.data().toLongLong(), qlonglong(1000));
    QCOMPARE(m_tree.model->deviceValue(frames), QVariant(qlonglong(42)));
    if (disabled)
        m_tree.model->disableDevice();
    // Every access to the device throws now.
    m_tree.device->MarkLost();
    m_tree.device->ResetStatistics();
    for (int tick = 0; tick < 2; ++tick) {
        if (!disabled)
            m_tree.model->startRefreshTick();
        QCOMPARE(exposure.data(), disabled ? QVariant(qlonglong(1000)) : QVariant());
        QCOMPARE(frames.data(), disabled ? QVariant(qlonglong(42)) : QVariant());
        QCOMPARE(frames.sibling(frames.row(), 0).data().toString(), QStringLiteral("FrameCount"));
    }
    if (disabled) { // nothing even tries
        QVERIFY(!m_tree.model->setData(exposure, 5.0, Qt::EditRole));
        QCOMPARE(m_tree.device->GetStatistics().registerReads, uint64_t(0));
    }
    QCOMPARE(m_tree.device->GetStatistics().registerWrites, uint64_t(0));
}

void TestTree::translationFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Translations>("expected");
    QTest::newRow("last line without line end")
        << QByteArray("A>B\nGain>G") << Translations{{"A", "B"}, {"Gain", "G"}};
    QTest::newRow("CR LF, CR and LF end lines alike")
        << QByteArray("A>1\r\nB>2\rC>3\nD>4\r\n")
        << Translations{{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}};
    QTest::newRow("two '>' and none are skipped")
        << QByteArray("A>B>C\nno separator\nD>E\n") << Translations{{"D", "E"}};
    QTest::newRow("blanks around name and text trimmed")
        << QByteArray(" Gain \t>  G a \n") << Translations{{"Gain", "G a"}};
    QTest::newRow("invalid UTF-8 is replaced")
        << QByteArray("Gain>\xff\xfeok\n") << Translations{{"Gain", QString::fromUtf8("\xff\xfeok")}};
    const QByteArray longText(1 << 20, 'x');
    QTest::newRow("very long line") << QByteArray("Long>" + longText + "\nShort>s\n")
                                    << Translations{{"Long", QString::fromLatin1(longText)}, {"Short", "s"}};
}

void TestTree::translationFile()
{
    QFETCH(QByteArray, content);
    QFETCH(Translations, expected);
    if (QByteArray(QTest::currentDataTag()) == "invalid UTF-8 is replaced")
        QTest::ignoreMessage(QtWarningMsg,
                             "feature.txt line 1 is not valid UTF-8; read with replacement characters");
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(TreeModel::readTranslations(buffer), expected);
}

void TestTree::translationsShownInLanguageOne()
{
    // The model reads translate/feature.txt next to the program when it is built.
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/translate");
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + QStringLiteral("/feature.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Network>\xe7\xbd\x91\xe7\xbb\x9c\nOff>Aus\n");
    file.close();
    TreeFixture tree;
    tree.build(m_tree.nodeMap);
    QVERIFY(file.remove());

    const QModelIndex network = tree.feature(QStringLiteral("Network"));
    const QModelIndex gainAuto = tree.value(QStringLiteral("GainAuto"));
    QCOMPARE(network.data().toString(), QStringLiteral("Network"));
    QSignalSpy changed(tree.model.get(), &QAbstractItemModel::dataChanged);
    tree.model->setLanguage(1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(network.data().toString(), QString::fromUtf8("\xe7\xbd\x91\xe7\xbb\x9c"));
    QCOMPARE(gainAuto.data().toString(), QStringLiteral("Aus"));
    tree.model->setLanguage(0);
    QCOMPARE(gainAuto.data().toString(), QStringLiteral("Off"));
}
