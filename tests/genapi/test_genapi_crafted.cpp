// Descriptions crafted to break the loader and the node evaluation: each one
// is either refused with a message that names its cause, or loads with the
// defective nodes refusing access while the rest of the device stays usable.
// Every loaded one is walked node by node as the feature tree does.
#include "descriptionwalk.h"

#include <GenApi/DeviceConnection.h>
#include <GenICam.h>

#include <QtTest>

using namespace GenApi;

namespace {

// A description with one good register (Good = 7) and the row's nodes.
QByteArray description(const QString& nodes)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<RegisterDescription ModelName="Crafted" VendorName="Campane_Tests" StandardNameSpace="None"
    SchemaMajorVersion="1" SchemaMinorVersion="1" SchemaSubMinorVersion="0"
    MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    xmlns="http://www.genicam.org/GenApi/Version_1_1" xmlns:sim="urn:campane:simulated-device">
  <Category Name="Root"><pFeature>Good</pFeature><pFeature>Bad</pFeature></Category>
  <IntReg Name="Good" sim:Default="7"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  %1
  <Port Name="Device"/>
</RegisterDescription>
)")
        .arg(nodes)
        .toUtf8();
}

// An integer register at 0x200 with the given length elements.
QString intReg(const QString& name, const QString& length, const QString& extra = QString())
{
    return QStringLiteral(
               "<IntReg Name=\"%1\" sim:Default=\"1\"><Address>0x200</Address>%2<AccessMode>RW</AccessMode>"
               "<pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess>%3</IntReg>")
        .arg(name, length, extra);
}

QString chain(int links)
{
    QString nodes = QStringLiteral("<Integer Name=\"Bad\"><pValue>Link1</pValue></Integer>");
    for (int i = 1; i < links; ++i)
        nodes +=
            QStringLiteral("<Integer Name=\"Link%1\"><pValue>Link%2</pValue></Integer>").arg(i).arg(i + 1);
    return nodes + QStringLiteral("<Integer Name=\"Link%1\"><Value>1</Value></Integer>").arg(links);
}

} // namespace

class TestGenApiCrafted : public QObject
{
    Q_OBJECT

private slots:
    void crafted_data();
    void crafted();
    void categoryNeverContainsItself();
};

void TestGenApiCrafted::crafted_data()
{
    QTest::addColumn<QByteArray>("xml");
    // Non-empty: the description is refused with a message containing it.
    QTest::addColumn<QString>("refusal");
    // The node that must refuse access with a message containing defect;
    // with an empty defect, the node must not be in the map at all.
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("defect");

    const QString cycle = QStringLiteral("reference cycle");
    const QString length = QStringLiteral("register length");

    // An EnumEntry outside a named Enumeration belongs to nothing.
    QTest::newRow("entry at the top level")
        << description("<EnumEntry Name=\"Bad\"><Value>1</Value></EnumEntry>") << ""
        << "Bad"
        << "";
    QTest::newRow("entry of a nameless enumeration")
        << description("<Enumeration><EnumEntry "
                       "Name=\"Bad\"><Value>0</Value></EnumEntry><Value>0</Value></Enumeration>")
        << ""
        << "Bad"
        << "";

    // Reference cycles over every link a read follows.
    QTest::newRow("value is its own node")
        << description("<Integer Name=\"Bad\"><pValue>Bad</pValue></Integer>") << ""
        << "Bad" << cycle;
    QTest::newRow("two nodes read each other")
        << description("<Integer Name=\"Bad\"><pValue>Other</pValue></Integer>"
                       "<Integer Name=\"Other\"><pValue>Bad</pValue></Integer>")
        << ""
        << "Bad"
        << "'Bad' -> 'Other' -> 'Bad'";
    QTest::newRow("formula variable is its own node")
        << description("<IntSwissKnife Name=\"Bad\"><pVariable "
                       "Name=\"X\">Bad</pVariable><Formula>X+1</Formula></IntSwissKnife>")
        << ""
        << "Bad" << cycle;
    QTest::newRow("register address read through the register")
        << description(intReg("Bad", "<Length>4</Length>")
                           .replace("<Address>0x200</Address>", "<pAddress>Bad</pAddress>"))
        << ""
        << "Bad" << cycle;
    QTest::newRow("converter of itself")
        << description(
               "<Converter Name=\"Bad\"><pVariable Name=\"X\">Bad</pVariable><FormulaTo>FROM</FormulaTo>"
               "<FormulaFrom>TO</FormulaFrom><pValue>Bad</pValue></Converter>")
        << ""
        << "Bad" << cycle;
    QTest::newRow("enumeration value is itself")
        << description("<Enumeration Name=\"Bad\"><EnumEntry "
                       "Name=\"A\"><Value>0</Value></EnumEntry><pValue>Bad</pValue></Enumeration>")
        << ""
        << "Bad" << cycle;
    QTest::newRow("availability read through itself")
        << description("<Integer Name=\"Bad\"><pIsAvailable>Bad</pIsAvailable><Value>1</Value></Integer>")
        << ""
        << "Bad" << cycle;
    QTest::newRow("entry availability leads back to its enumeration")
        << description("<Enumeration Name=\"Bad\"><EnumEntry "
                       "Name=\"A\"><pIsAvailable>Bad</pIsAvailable><Value>0</Value>"
                       "</EnumEntry><Value>0</Value></Enumeration>")
        << ""
        << "Bad" << cycle;
    QTest::newRow("limit read through itself")
        << description("<Integer Name=\"Bad\"><Value>1</Value><pMax>Bad</pMax></Integer>") << ""
        << "Bad" << cycle;
    QTest::newRow("register index read through the register")
        << description(intReg("Bad", "<Length>4</Length>", "<pIndex Offset=\"4\">Bad</pIndex>")) << ""
        << "Bad" << cycle;
    QTest::newRow("reader of a cycle")
        << description("<Integer Name=\"Bad\"><pValue>Loop</pValue></Integer><Integer "
                       "Name=\"Loop\"><pValue>Loop</pValue></Integer>")
        << ""
        << "Bad"
        << "depends on node 'Loop'";
    QTest::newRow("references nested too deep") << description(chain(150)) << ""
                                                << "Bad"
                                                << "nest deeper";
    QTest::newRow("reference to a missing node")
        << description("<Integer Name=\"Bad\"><pMax>Missing</pMax><Value>1</Value></Integer>") << ""
        << "Bad"
        << "'Missing', which is not in the description";

    QTest::newRow("register without a port")
        << description(intReg("Bad", "<Length>4</Length>").replace("<pPort>Device</pPort>", "")) << ""
        << "Bad"
        << "without <pPort>";
    QTest::newRow("register whose port is no port")
        << description(
               intReg("Bad", "<Length>4</Length>").replace("<pPort>Device</pPort>", "<pPort>Good</pPort>"))
        << ""
        << "Bad"
        << "not a <Port>";
    QTest::newRow("invalidator that is not in the description")
        << description(intReg("Bad", "<Length>4</Length>", "<pInvalidator>Missing</pInvalidator>")) << ""
        << "Bad"
        << "'Missing', which is not in the description";

    // Register lengths.
    QTest::newRow("integer register of length -1") << description(intReg("Bad", "<Length>-1</Length>")) << ""
                                                   << "Bad" << length;
    QTest::newRow("integer register of length 2^63-1")
        << description(intReg("Bad", "<Length>9223372036854775807</Length>")) << ""
        << "Bad" << length;
    QTest::newRow("integer register of length 0") << description(intReg("Bad", "<Length>0</Length>")) << ""
                                                  << "Bad" << length;
    QTest::newRow("length that is not a number") << description(intReg("Bad", "<Length>four</Length>")) << ""
                                                 << "Bad"
                                                 << "is not a number";
    QTest::newRow("register without a length") << description(intReg("Bad", "")) << ""
                                               << "Bad"
                                               << "without <Length>";
    QTest::newRow("string register of 4 GiB")
        << description(
               "<StringReg Name=\"Bad\" sim:Default=\"x\"><Address>0x300</Address><Length>4294967296</Length>"
               "<AccessMode>RW</AccessMode><pPort>Device</pPort></StringReg>")
        << ""
        << "Bad" << length;
    QTest::newRow("float register of 3 bytes")
        << description(
               "<FloatReg Name=\"Bad\"><Address>0x300</Address><Length>3</Length><AccessMode>RO</AccessMode>"
               "<pPort>Device</pPort><Endianess>LittleEndian</Endianess></FloatReg>")
        << ""
        << "Bad"
        << "4 or 8 bytes";
    QTest::newRow("length read from a node, out of bounds")
        << description(intReg("Bad", "<pLength>Size</pLength>") +
                       "<Integer Name=\"Size\"><Value>100000</Value></Integer>")
        << ""
        << "Bad" << length;
    QTest::newRow("bit field past its register")
        << description("<MaskedIntReg "
                       "Name=\"Bad\"><Address>0x200</Address><Length>4</Length><AccessMode>RW</AccessMode>"
                       "<pPort>Device</pPort><Bit>200</Bit></MaskedIntReg>")
        << ""
        << "Bad"
        << "bit 200";

    // Refused as a whole.
    QTest::newRow("duplicate names") << description("<Integer Name=\"Good\"><Value>1</Value></Integer>")
                                     << "node 'Good' is defined twice"
                                     << ""
                                     << "";
    QTest::newRow("two entries of one name")
        << description("<Enumeration Name=\"Bad\"><EnumEntry Name=\"A\"><Value>0</Value></EnumEntry>"
                       "<EnumEntry Name=\"A\"><Value>1</Value></EnumEntry><Value>0</Value></Enumeration>")
        << "node 'EnumEntry_Bad_A' is defined twice"
        << ""
        << "";
    QTest::newRow("groups nested ten thousand deep")
        << description(QString("<Group Comment=\"g\">").repeated(10000) + QString("</Group>").repeated(10000))
        << "nest deeper than 64 levels"
        << ""
        << "";
    QTest::newRow("empty name") << description("<Integer Name=\"\"><Value>1</Value></Integer>")
                                << "empty Name"
                                << ""
                                << "";
    QTest::newRow("not XML") << QByteArray("<RegisterDescription><Integer") << "not well-formed"
                             << ""
                             << "";
    // What XML forbids and GLib's markup parser would let through.
    QTest::newRow("attribute given twice (fuzzer)")
        << QByteArray("<RegisterDescription Name=\"\" Name=\"\">") << "gives the attribute Name twice"
        << ""
        << "";
    QTest::newRow("attribute given twice in a node")
        << description("<Integer Name=\"Bad\" Name=\"Other\"><Value>1</Value></Integer>")
        << "gives the attribute Name twice"
        << ""
        << "";
    QTest::newRow("second root element") << description(QString()) + "<RegisterDescription/>"
                                         << "second root element"
                                         << ""
                                         << "";
    QTest::newRow("'<' in an attribute")
        << description("<Integer Name=\"B<d\"><Value>1</Value></Integer>") << "holds a '<'"
        << ""
        << "";
    QTest::newRow("control character referenced in a text")
        << description("<Integer Name=\"Bad\"><Value>1</Value><ToolTip>&#27;[2J</ToolTip></Integer>")
        << "control character"
        << ""
        << "";
    QTest::newRow("raw control character in a name") << description("<Integer Name=\"B\x07"
                                                                    "d\"><Value>1</Value></Integer>")
                                                     << "control character"
                                                     << ""
                                                     << "";
    QTest::newRow("another root element") << QByteArray("<html></html>") << "RegisterDescription"
                                          << ""
                                          << "";
    QTest::newRow("empty") << QByteArray() << "empty"
                           << ""
                           << "";
    QTest::newRow("only NULs") << QByteArray(64, '\0') << "empty"
                               << ""
                               << "";

    // Byte-order mark and trailing NULs load like the plain text.
    const QByteArray plain = description(QString());
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") + plain << ""
                                     << ""
                                     << "";
    QTest::newRow("trailing NULs") << plain + QByteArray(100, '\0') << ""
                                   << ""
                                   << "";
    QTest::newRow("byte-order mark and trailing NULs")
        << QByteArray("\xEF\xBB\xBF") + plain + QByteArray(3, '\0') << ""
        << ""
        << "";
}

void TestGenApiCrafted::crafted()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, refusal);
    QFETCH(QString, node);
    QFETCH(QString, defect);

    const std::string text(xml.constData(), static_cast<size_t>(xml.size()));
    std::string error;
    std::unique_ptr<CDeviceConnection> device =
        CDeviceConnection::OpenSimulatedFromText(text, "crafted", &error);
    if (!refusal.isEmpty()) {
        QVERIFY(!device);
        QVERIFY2(QString::fromStdString(error).contains(refusal), error.c_str());
        return;
    }
    QVERIFY2(device, error.c_str());
    INodeMap* map = device->GetNodeMap();

    // The device hands back the text it loaded (kept packed): no mark, no padding.
    QByteArray loaded = xml.left(xml.indexOf('\0') < 0 ? xml.size() : xml.indexOf('\0'));
    if (loaded.startsWith("\xEF\xBB\xBF"))
        loaded.remove(0, 3);
    QCOMPARE(QByteArray::fromStdString(device->GetDescriptionXml()), loaded);

    // The rest of the device is untouched.
    CIntegerPtr good(map->GetNode("Good"));
    QVERIFY(good.IsValid());
    QCOMPARE(good->GetValue(), int64_t(7));

    if (!node.isEmpty()) {
        INode* bad = map->GetNode(gcstring(node.toStdString()));
        if (defect.isEmpty()) {
            QVERIFY(!bad);
        } else {
            QVERIFY(bad);
            QCOMPARE(bad->GetAccessMode(), NA);
            CValuePtr value(bad);
            QVERIFY(value.IsValid());
            QString message;
            try {
                value->ToString();
            } catch (const GenICam::GenericException& e) {
                message = QString::fromUtf8(e.GetDescription());
            }
            QVERIFY2(message.contains(node) && message.contains(defect), qPrintable(message));
        }
    }

    const campane::WalkResult walk = campane::LoadAndWalk(text);
    QVERIFY2(walk.loaded, walk.error.c_str());
    QVERIFY(walk.readable >= 1);
}

void TestGenApiCrafted::categoryNeverContainsItself()
{
    const QByteArray xml = description(
        "<Category "
        "Name=\"Bad\"><pFeature>Bad</pFeature><pFeature>Root</pFeature><pFeature>Good</pFeature></Category>");
    std::unique_ptr<CDeviceConnection> device =
        CDeviceConnection::OpenSimulatedFromText(xml.toStdString(), "crafted");
    QVERIFY(device);
    INode* category = device->GetNodeMap()->GetNode("Bad");
    QVERIFY(category);
    NodeList_t children;
    category->GetChildren(children);
    QCOMPARE(int(children.size()), 2); // Root and Good
    QVERIFY(std::find(children.begin(), children.end(), category) == children.end());
}

QTEST_GUILESS_MAIN(TestGenApiCrafted)
#include "test_genapi_crafted.moc"
