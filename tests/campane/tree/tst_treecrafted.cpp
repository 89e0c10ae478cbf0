// The feature tree over descriptions whose categories are wrong: Root listed
// by another category, a category that lists itself, two categories that list
// each other. The tree still shows Root's features at the top, each once.
// Categories listed by several categories show under each, within a bound on
// the rows of the whole tree.
#include "treemodel.h"

#include <GenApi/DeviceConnection.h>
#include <GenICam.h>

#include <QAbstractItemModelTester>
#include <QTextDocumentFragment>
#include <QtTest>

#include <memory>

using namespace GenApi;

class TestTreeCrafted : public QObject
{
    Q_OBJECT

private slots:
    void categoriesThatLoop_data();
    void categoriesThatLoop();
    void sharedCategories_data();
    void sharedCategories();
    void markupInNames();
};

namespace {

QString description(const QString& categories)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<RegisterDescription ModelName="Crafted" VendorName="Campane_Tests"
    xmlns="http://www.genicam.org/GenApi/Version_1_1" xmlns:sim="urn:campane:simulated-device">
  %1
  <IntReg Name="Gain" sim:Default="3"><Address>0x10</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <Port Name="Device"/>
</RegisterDescription>)")
        .arg(categories);
}

// The nodes of a simulated device over the description with these
// categories; the device stays open in *device (null when refused).
NodeList_t nodesOf(const QString& categories, std::unique_ptr<CDeviceConnection>* device)
{
    std::string error;
    *device =
        CDeviceConnection::OpenSimulatedFromText(description(categories).toStdString(), "crafted", &error);
    NodeList_t nodes;
    if (*device)
        (*device)->GetNodeMap()->GetNodes(nodes);
    else
        qWarning("%s", error.c_str());
    return nodes;
}

int countRows(const QAbstractItemModel& model, const QModelIndex& parent = QModelIndex())
{
    int rows = model.rowCount(parent);
    for (int row = model.rowCount(parent) - 1; row >= 0; --row)
        rows += countRows(model, model.index(row, 0, parent));
    return rows;
}

} // namespace

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
    std::unique_ptr<CDeviceConnection> device;
    const NodeList_t nodes = nodesOf(categories, &device);
    QVERIFY(device);

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

void TestTreeCrafted::sharedCategories_data()
{
    QTest::addColumn<QString>("categories");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("truncated");
    QTest::newRow("a category listed by two shows under both")
        << "<Category Name=\"Root\"><pFeature>A</pFeature><pFeature>B</pFeature></Category>"
           "<Category Name=\"A\"><pFeature>C</pFeature></Category>"
           "<Category Name=\"B\"><pFeature>C</pFeature></Category>"
           "<Category Name=\"C\"><pFeature>Gain</pFeature></Category>"
        << 7 << false;
    // 30 levels, each listing the next level's two categories: 2^31 rows
    // when every listing is followed.
    QString levels = QStringLiteral("<Category Name=\"Root\"><pFeature>L0a</pFeature><pFeature>L0b</pFeature>"
                                    "</Category>");
    for (int level = 0; level < 30; ++level) {
        const QString next =
            level < 29 ? QStringLiteral("<pFeature>L%1a</pFeature><pFeature>L%1b</pFeature>").arg(level + 1)
                       : QStringLiteral("<pFeature>Gain</pFeature>");
        for (const char* half : {"a", "b"})
            levels += QStringLiteral("<Category Name=\"L%1%2\">%3</Category>").arg(level).arg(half, next);
    }
    QTest::newRow("30 levels sharing two categories") << levels << int(TreeModel::maxRows) << true;
}

void TestTreeCrafted::sharedCategories()
{
    QFETCH(QString, categories);
    QFETCH(int, rows);
    QFETCH(bool, truncated);
    std::unique_ptr<CDeviceConnection> device;
    const NodeList_t nodes = nodesOf(categories, &device);
    QVERIFY(device);

    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    if (truncated)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("more than \\d+ rows")));
    model.setupModelData(nodes);
    QCOMPARE(model.isTruncated(), truncated);
    QCOMPARE(countRows(model), rows);
}

// A name that looks like markup shows as it is, in the tool tip too.
void TestTreeCrafted::markupInNames()
{
    std::unique_ptr<CDeviceConnection> device;
    const NodeList_t nodes =
        nodesOf("<Category Name=\"Root\"><pFeature>&lt;b&gt;Bold&lt;/b&gt;</pFeature></Category>"
                "<Category Name=\"&lt;b&gt;Bold&lt;/b&gt;\"><pFeature>Gain</pFeature></Category>",
                &device);
    QVERIFY(device);
    TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
    model.setupModelData(nodes);
    const QModelIndex bold = model.index(0, 0, model.index(0, 0));
    QCOMPARE(bold.data().toString(), QStringLiteral("<b>Bold</b>"));
    QCOMPARE(QTextDocumentFragment::fromHtml(bold.data(Qt::ToolTipRole).toString()).toPlainText(),
             QStringLiteral("<b>Bold</b>"));
}

QTEST_MAIN(TestTreeCrafted)
#include "tst_treecrafted.moc"
