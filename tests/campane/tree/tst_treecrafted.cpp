// The feature tree over descriptions whose categories are wrong: Root listed
// by another category, a category that lists itself, two categories that list
// each other. The tree still shows Root's features at the top, each once.
#include "treemodel.h"

#include <GenApi/DeviceConnection.h>
#include <GenICam.h>

#include <QAbstractItemModelTester>
#include <QtTest>

#include <memory>

using namespace GenApi;

class TestTreeCrafted : public QObject
{
    Q_OBJECT

private slots:
    void categoriesThatLoop_data();
    void categoriesThatLoop();
};

void TestTreeCrafted::categoriesThatLoop_data()
{
    QTest::addColumn<QString>("categories");
    QTest::newRow("another category lists Root")
        << "<Category Name=\"Root\"><pFeature>Gain</pFeature><pFeature>Extra</pFeature></Category>"
           "<Category Name=\"Extra\"><pFeature>Root</pFeature></Category>";
    QTest::newRow("a category lists itself")
        << "<Category Name=\"Root\"><pFeature>Gain</pFeature><pFeature>Extra</pFeature></Category>"
           "<Category Name=\"Extra\"><pFeature>Extra</pFeature></Category>";
    QTest::newRow("two categories list each other")
        << "<Category Name=\"Root\"><pFeature>Gain</pFeature><pFeature>Extra</pFeature></Category>"
           "<Category Name=\"Extra\"><pFeature>Other</pFeature></Category>"
           "<Category Name=\"Other\"><pFeature>Extra</pFeature></Category>";
    QTest::newRow("Root lists itself")
        << "<Category "
           "Name=\"Root\"><pFeature>Root</pFeature><pFeature>Gain</pFeature><pFeature>Extra</pFeature>"
           "</Category><Category Name=\"Extra\"/>";
}

void TestTreeCrafted::categoriesThatLoop()
{
    QFETCH(QString, categories);
    const QString xml = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<RegisterDescription ModelName="Crafted" VendorName="Campane_Tests"
    xmlns="http://www.genicam.org/GenApi/Version_1_1" xmlns:sim="urn:campane:simulated-device">
  %1
  <IntReg Name="Gain" sim:Default="3"><Address>0x10</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <Port Name="Device"/>
</RegisterDescription>)")
                            .arg(categories);
    std::string error;
    std::unique_ptr<CDeviceConnection> device =
        CDeviceConnection::OpenSimulatedFromText(xml.toStdString(), "crafted", &error);
    QVERIFY2(device, error.c_str());
    NodeList_t nodes;
    device->GetNodeMap()->GetNodes(nodes);

    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setupModelData(nodes);

    // One top-level row, Root, with Gain and Extra under it.
    QCOMPARE(model.rowCount(), 1);
    const QModelIndex root = model.index(0, 0);
    QCOMPARE(model.rowCount(root), 2);
    QCOMPARE(model.index(0, 0, root).data().toString(), QStringLiteral("Gain"));
    QCOMPARE(model.index(0, 1, root).data(), QVariant(qlonglong(3)));
    // Nothing nests deeper than Extra and what it lists once.
    const QModelIndex extra = model.index(1, 0, root);
    QCOMPARE(extra.data().toString(), QStringLiteral("Extra"));
    for (int row = 0; row < model.rowCount(extra); ++row)
        QCOMPARE(model.rowCount(model.index(row, 0, extra)), 0);
}

QTEST_MAIN(TestTreeCrafted)
#include "tst_treecrafted.moc"
