#include "tests.h"
#include "treeitem.h"
#include "treemodel.h"
#include "treetestsupport.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QtTest>

using namespace GenApi;

using Translations = QHash<QString, QString>;
Q_DECLARE_METATYPE(Translations)

class TestTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modelContract_data();
    void modelContract();
    void structuralEdits();
    void topLevelLabelIsTheRootToolTip();
    void displayTexts_data();
    void displayTexts();
    void readOnlyValuesAreLeftToTheDelegate_data();
    void readOnlyValuesAreLeftToTheDelegate();
    void unreadableValueIsNotAvailableAndNotKept();
    void writeReachesTheDevice_data();
    void writeReachesTheDevice();
    void refusedWriteRollsBack();
    void enumerationTextWithoutEntryWritesNothing();
    void writesWithoutDeviceValue();
    void oneDeviceReadPerTick();
    void disabledDeviceAnswersFromTheCache();
    void lostDeviceAnswersOnlyLabels();
    void translationFile_data();
    void translationFile();
    void translationsShownInLanguageOne();

private:
    std::unique_ptr<CDeviceConnection> m_device;
    std::unique_ptr<TreeModel> m_model;
};

void TestTreeModel::init()
{
    m_device = openSimulated(treeTestData(QStringLiteral("tree-features.xml")));
    QVERIFY(m_device);
    m_model = buildModel(m_device->GetNodeMap());
}

void TestTreeModel::cleanup()
{
    m_model.reset();
    m_device.reset();
    QLoggingCategory::setFilterRules(QString());
}

void TestTreeModel::modelContract_data()
{
    QTest::addColumn<QString>("description");
    QTest::newRow("structured-light camera") << deviceDescription(QStringLiteral("kvx-slp-camera.xml"));
    QTest::newRow("dual-projector camera") << deviceDescription(QStringLiteral("sl-camera-dual.xml"));
    QTest::newRow("frame-grabber card") << deviceDescription(QStringLiteral("frame-grabber-card.xml"));
    QTest::newRow("tree test device") << treeTestData(QStringLiteral("tree-features.xml"));
    QTest::newRow("missing availability node")
        << treeTestData(QStringLiteral("tree-missing-availability.xml"));
    QTest::newRow("5000 features") << QStringLiteral(CAMPANE_LARGE_DESCRIPTION);
}

void TestTreeModel::modelContract()
{
    QFETCH(QString, description);
    auto device = openSimulated(description);
    QVERIFY(device);
    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    NodeList_t nodes;
    device->GetNodeMap()->GetNodes(nodes);
    model.setupModelData(nodes);
    QVERIFY(model.rowCount() >= 1);
    QCOMPARE(model.columnCount(), 2);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
    QVERIFY(model.rowCount(model.index(0, 0)) > 0);
    model.setLanguage(1);
    model.setLanguage(0);
}

void TestTreeModel::structuralEdits()
{
    QAbstractItemModelTester tester(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QModelIndex network = findFeature(*m_model, QStringLiteral("Network"));
    const int rows = m_model->rowCount(network);
    QVERIFY(m_model->insertRows(rows, 2, network));
    QCOMPARE(m_model->rowCount(network), rows + 2);
    QVERIFY(!m_model->itemFromIndex(m_model->index(rows, 0, network))->node());
    QVERIFY(!m_model->insertRows(rows + 3, 1, network));
    QVERIFY(m_model->removeRows(rows, 2, network));
    QVERIFY(!m_model->removeRows(rows - 1, 2, network));
    QCOMPARE(m_model->rowCount(network), rows);

    QVERIFY(m_model->insertColumns(2, 1));
    QCOMPARE(m_model->columnCount(), 3);
    QCOMPARE(m_model->itemFromIndex(network)->columnCount(), 3);
    // Removing every column leaves no rows.
    QVERIFY(m_model->removeColumns(0, 3));
    QCOMPARE(m_model->columnCount(), 0);
    QCOMPARE(m_model->rowCount(), 0);
}

void TestTreeModel::topLevelLabelIsTheRootToolTip()
{
    QCOMPARE(m_model->rowCount(), 1);
    const QModelIndex root = m_model->index(0, 0);
    QCOMPARE(root.data().toString(), QStringLiteral("Feature tree test device"));
    // Below the top level the label is the node's name.
    QCOMPARE(m_model->index(0, 0, root).data().toString(), QStringLiteral("Network"));
}

void TestTreeModel::displayTexts_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("IPv4 by name") << "GevCurrentIPAddress" << QVariant(QStringLiteral("192.168.0.1"));
    QTest::newRow("MAC by name") << "GevMACAddress" << QVariant(QStringLiteral("00:11:22:33:44:AA"));
    QTest::newRow("IPV4Address") << "PeerAddress" << QVariant(QStringLiteral("10.0.1.2"));
    QTest::newRow("MACAddress") << "PeerMac" << QVariant(QStringLiteral("A1:B2:C3:D4:E5:F6"));
    QTest::newRow("hex") << "StatusBits" << QVariant(QStringLiteral("0xff"));
    QTest::newRow("integer") << "ExposureTime" << QVariant(qlonglong(1000));
    QTest::newRow("float") << "Gain" << QVariant(2.5);
    QTest::newRow("enumeration") << "GainAuto" << QVariant(QStringLiteral("Off"));
    QTest::newRow("boolean") << "ReverseX" << QVariant(QStringLiteral("False"));
    QTest::newRow("string") << "DeviceUserID" << QVariant(QStringLiteral("cam-1"));
    QTest::newRow("command") << "ClearCounters" << QVariant(QStringLiteral("{Execute}"));
}

void TestTreeModel::displayTexts()
{
    QFETCH(QString, feature);
    QFETCH(QVariant, expected);
    const QModelIndex value = findValue(*m_model, feature);
    QVERIFY(value.isValid());
    // Every one of these is writable, so the model answers the value itself.
    QCOMPARE(value.data(Qt::DisplayRole), expected);
    QCOMPARE(value.data(Qt::EditRole), expected);
    QVERIFY(!value.data(Qt::ToolTipRole).isValid());
    QCOMPARE(m_model->itemFromIndex(value)->data(1), expected);
}

void TestTreeModel::readOnlyValuesAreLeftToTheDelegate_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QVariant>("deviceValue");
    QTest::newRow("read-only integer") << "FrameCount" << QVariant(qlonglong(42));
    QTest::newRow("read-only float") << "SensorTemperature" << QVariant(36.4567);
    QTest::newRow("category") << "Network" << QVariant();
}

void TestTreeModel::readOnlyValuesAreLeftToTheDelegate()
{
    QFETCH(QString, feature);
    QFETCH(QVariant, deviceValue);
    const QModelIndex label = findFeature(*m_model, feature);
    const QModelIndex value = label.sibling(label.row(), 1);
    QVERIFY(!value.data(Qt::DisplayRole).isValid());
    QVERIFY(!value.data(Qt::EditRole).isValid());
    QCOMPARE(label.data(Qt::DisplayRole).toString(), feature);
    QCOMPARE(label.data(Qt::ToolTipRole).toString(), feature);
    QCOMPARE(m_model->deviceValue(value), deviceValue);
    QVERIFY(m_model->flags(value) & Qt::ItemIsEditable);
    QVERIFY(!(m_model->flags(label) & Qt::ItemIsEditable));
}

void TestTreeModel::unreadableValueIsNotAvailableAndNotKept()
{
    // ExtraValue is unavailable while ExtraEnable is 0.
    const QModelIndex value = findValue(*m_model, QStringLiteral("ExtraValue"));
    TreeItem* item = m_model->itemFromIndex(value);
    QCOMPARE(item->data(1).toString(), QStringLiteral("{Not Available}"));
    QVERIFY(!item->cachedData(1).isValid());

    CIntegerPtr(m_device->GetNodeMap()->GetNode("ExtraEnable"))->SetValue(1);
    QCOMPARE(item->data(1), QVariant(qlonglong(12)));
    QCOMPARE(item->cachedData(1), QVariant(qlonglong(12)));
}

void TestTreeModel::writeReachesTheDevice_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QVariant>("written");
    QTest::addColumn<QVariant>("onDevice");
    QTest::newRow("integer") << "ExposureTime" << QVariant(2000.0) << QVariant(qlonglong(2000));
    QTest::newRow("hex integer") << "StatusBits" << QVariant(qlonglong(31)) << QVariant(qlonglong(31));
    QTest::newRow("float") << "Gain" << QVariant(4.5) << QVariant(4.5);
    QTest::newRow("boolean") << "ReverseX" << QVariant(true) << QVariant(qlonglong(1));
    QTest::newRow("string") << "DeviceUserID" << QVariant(QByteArray("line-2 \xc3\xa9")) << QVariant();
    QTest::newRow("enumeration") << "GainAuto" << QVariant(QStringLiteral("Continuous"))
                                 << QVariant(qlonglong(2));
}

void TestTreeModel::writeReachesTheDevice()
{
    QFETCH(QString, feature);
    QFETCH(QVariant, written);
    QFETCH(QVariant, onDevice);
    INodeMap* nodeMap = m_device->GetNodeMap();
    const QModelIndex value = findValue(*m_model, feature);
    QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);

    QVERIFY(m_model->setData(value, written, Qt::EditRole));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), value);

    if (feature == QLatin1String("DeviceUserID")) {
        const gcstring text = CStringPtr(nodeMap->GetNode("DeviceUserID"))->GetValue(true, true);
        QCOMPARE(QString::fromUtf8(text.c_str()), QString::fromUtf8("line-2 \xc3\xa9"));
        QCOMPARE(value.data().toString(), QString::fromUtf8("line-2 \xc3\xa9"));
        return;
    }
    const QByteArray reg = (feature + QStringLiteral("Reg")).toUtf8();
    if (onDevice.type() == QVariant::Double)
        QCOMPARE(deviceFloat(nodeMap, reg.constData()), onDevice.toDouble());
    else
        QCOMPARE(qlonglong(deviceInteger(nodeMap, reg.constData())), onDevice.toLongLong());
}

void TestTreeModel::refusedWriteRollsBack()
{
    QLoggingCategory::setFilterRules(QStringLiteral("campane.tree.debug=true"));
    INodeMap* nodeMap = m_device->GetNodeMap();
    const QModelIndex value = findValue(*m_model, QStringLiteral("ExposureTime"));
    TreeItem* item = m_model->itemFromIndex(value);
    QCOMPARE(value.data(), QVariant(qlonglong(1000)));
    // The device holds 1500 while the item still holds what it read before.
    CIntegerPtr(nodeMap->GetNode("ExposureTime"))->SetValue(1500);
    QCOMPARE(item->cachedData(1), QVariant(qlonglong(1000)));

    QTest::ignoreMessage(QtDebugMsg, "Failed to set data for ExposureTime");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral(".")));
    // Above the maximum: the device refuses it.
    QVERIFY(m_model->setData(value, QVariant(1.0e9), Qt::EditRole));
    QCOMPARE(qlonglong(deviceInteger(nodeMap, "ExposureTimeReg")), qlonglong(1500));
    QCOMPARE(item->cachedData(1), QVariant(qlonglong(1500)));
}

void TestTreeModel::enumerationTextWithoutEntryWritesNothing()
{
    const QModelIndex value = findValue(*m_model, QStringLiteral("GainAuto"));
    QTest::ignoreMessage(QtWarningMsg, "GainAuto has no entry \"Sometimes\"; nothing written");
    QVERIFY(m_model->setData(value, QStringLiteral("Sometimes"), Qt::EditRole));
    QCOMPARE(qlonglong(deviceInteger(m_device->GetNodeMap(), "GainAutoReg")), qlonglong(0));
    QCOMPARE(value.data().toString(), QStringLiteral("Off"));
}

void TestTreeModel::writesWithoutDeviceValue()
{
    qRegisterMetaType<Qt::Orientation>();
    QLoggingCategory::setFilterRules(QStringLiteral("campane.tree.debug=true"));
    // A category has nothing to write: its cache stays as it is.
    const QModelIndex category = findValue(*m_model, QStringLiteral("Network"));
    QVERIFY(m_model->setData(category, QStringLiteral("text"), Qt::EditRole));
    QVERIFY(!m_model->itemFromIndex(category)->cachedData(1).isValid());

    // The root has no node: the header text is simply stored.
    QSignalSpy headerChanged(m_model.get(), &QAbstractItemModel::headerDataChanged);
    QTest::ignoreMessage(QtDebugMsg, "Feature is invalid!");
    QVERIFY(m_model->setHeaderData(1, Qt::Horizontal, QStringLiteral("Wert"), Qt::EditRole));
    QCOMPARE(m_model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Wert"));
    QCOMPARE(headerChanged.count(), 1);
    QVERIFY(!m_model->setHeaderData(1, Qt::Vertical, QStringLiteral("x"), Qt::EditRole));
    QVERIFY(!m_model->setHeaderData(1, Qt::Horizontal, QStringLiteral("x"), Qt::DisplayRole));

    // No value at all, or a column that does not exist.
    QTest::ignoreMessage(QtDebugMsg, "Data is invalid!");
    QVERIFY(!m_model->setData(findValue(*m_model, QStringLiteral("GevCurrentIPAddress")), QVariant()));
    QVERIFY(!m_model->setData(findValue(*m_model, QStringLiteral("ExposureTime")), 5, Qt::ToolTipRole));
    QCOMPARE(qlonglong(deviceInteger(m_device->GetNodeMap(), "GevCurrentIPAddressReg")),
             qlonglong(0xC0A80001));
}

void TestTreeModel::oneDeviceReadPerTick()
{
    // ExposureTime's register is not cached: every device read is counted.
    const QModelIndex value = findValue(*m_model, QStringLiteral("ExposureTime"));
    m_model->startRefreshTick();
    m_device->ResetStatistics();
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(value.data(Qt::DisplayRole), QVariant(qlonglong(1000)));
        QCOMPARE(value.data(Qt::EditRole), QVariant(qlonglong(1000)));
        QCOMPARE(m_model->deviceValue(value), QVariant(qlonglong(1000)));
    }
    QCOMPARE(m_device->GetStatistics().registerReads, uint64_t(1));

    CIntegerPtr(m_device->GetNodeMap()->GetNode("ExposureTimeReg"))->SetValue(1200);
    QCOMPARE(value.data().toLongLong(), qlonglong(1000)); // still this tick's value
    m_model->startRefreshTick();
    m_device->ResetStatistics();
    QCOMPARE(value.data().toLongLong(), qlonglong(1200));
    QCOMPARE(value.data().toLongLong(), qlonglong(1200));
    QCOMPARE(m_device->GetStatistics().registerReads, uint64_t(1));
}

void TestTreeModel::disabledDeviceAnswersFromTheCache()
{
    const QModelIndex exposure = findValue(*m_model, QStringLiteral("ExposureTime"));
    const QModelIndex frames = findValue(*m_model, QStringLiteral("FrameCount"));
    QCOMPARE(exposure.data().toLongLong(), qlonglong(1000));
    QCOMPARE(m_model->deviceValue(frames), QVariant(qlonglong(42)));
    m_model->disableDevice();
    // Once the device is gone every access would throw; nothing may try.
    m_device->MarkLost();
    m_device->ResetStatistics();
    QCOMPARE(exposure.data().toLongLong(), qlonglong(1000));
    QCOMPARE(frames.data(), QVariant(qlonglong(42))); // the value read last
    QCOMPARE(frames.sibling(frames.row(), 0).data().toString(), QStringLiteral("FrameCount"));
    QVERIFY(!m_model->setData(exposure, 5.0, Qt::EditRole));
    QCOMPARE(m_device->GetStatistics().registerReads, uint64_t(0));
    QCOMPARE(m_device->GetStatistics().registerWrites, uint64_t(0));
}

void TestTreeModel::lostDeviceAnswersOnlyLabels()
{
    const QModelIndex exposure = findValue(*m_model, QStringLiteral("ExposureTime"));
    QCOMPARE(exposure.data().toLongLong(), qlonglong(1000));
    m_device->MarkLost();
    for (int tick = 0; tick < 3; ++tick) {
        m_model->startRefreshTick();
        QVERIFY(!exposure.data().isValid());
        QCOMPARE(exposure.sibling(exposure.row(), 0).data().toString(), QStringLiteral("ExposureTime"));
    }
}

void TestTreeModel::translationFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Translations>("expected");
    QTest::newRow("one pair") << QByteArray("ExposureTime>X\n") << Translations{{"ExposureTime", "X"}};
    QTest::newRow("last line without line end")
        << QByteArray("A>B\nGain>G") << Translations{{"A", "B"}, {"Gain", "G"}};
    QTest::newRow("CR LF keeps the CR") << QByteArray("Gain>G\r\n") << Translations{{"Gain", "G\r"}};
    QTest::newRow("two '>' and none are skipped")
        << QByteArray("A>B>C\nno separator\nD>E\n") << Translations{{"D", "E"}};
    QTest::newRow("empty translation") << QByteArray("Gain>\n") << Translations{{"Gain", ""}};
    QTest::newRow("nothing trimmed") << QByteArray(" Gain > G \n") << Translations{{" Gain ", " G "}};
    QTest::newRow("later line replaces") << QByteArray("A>1\nA>2\n") << Translations{{"A", "2"}};
    QTest::newRow("UTF-8") << QByteArray("Gain>\xe5\xa2\x9e\xe7\x9b\x8a\n")
                           << Translations{{"Gain", QString::fromUtf8("\xe5\xa2\x9e\xe7\x9b\x8a")}};
    QTest::newRow("invalid UTF-8 is replaced")
        << QByteArray("Gain>\xff\xfeok\n") << Translations{{"Gain", QString::fromUtf8("\xff\xfeok")}};
    const QByteArray longText(1 << 20, 'x');
    QTest::newRow("very long line") << QByteArray("Long>" + longText + "\nShort>s\n")
                                    << Translations{{"Long", QString::fromLatin1(longText)}, {"Short", "s"}};
    QTest::newRow("empty file") << QByteArray() << Translations{};
}

void TestTreeModel::translationFile()
{
    QFETCH(QByteArray, content);
    QFETCH(Translations, expected);
    if (QByteArray(QTest::currentDataTag()) == "invalid UTF-8 is replaced")
        QTest::ignoreMessage(QtWarningMsg,
                             "feature.txt line 1 is not valid UTF-8; read with replacement characters");
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const Translations table = TreeModel::readTranslations(buffer);
    QCOMPARE(table, expected);
}

void TestTreeModel::translationsShownInLanguageOne()
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/translate");
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + QStringLiteral("/feature.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Network>\xe7\xbd\x91\xe7\xbb\x9c\nOff>Aus\n");
    file.close();

    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    NodeList_t nodes;
    m_device->GetNodeMap()->GetNodes(nodes);
    model.setupModelData(nodes);
    QVERIFY(file.remove());

    const QModelIndex network = findFeature(model, QStringLiteral("Network"));
    const QModelIndex gainAuto = findValue(model, QStringLiteral("GainAuto"));
    QCOMPARE(network.data().toString(), QStringLiteral("Network"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setLanguage(1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(network.data().toString(), QString::fromUtf8("\xe7\xbd\x91\xe7\xbb\x9c"));
    QCOMPARE(gainAuto.data().toString(), QStringLiteral("Aus"));
    model.setLanguage(0);
    QCOMPARE(gainAuto.data().toString(), QStringLiteral("Off"));
}

int runTreeModelTests(int argc, char** argv)
{
    TestTreeModel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_treemodel.moc"
