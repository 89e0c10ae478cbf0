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

// A row whose description loads with the node Bad refusing access with a
// message that holds defect (with no defect, Bad is not in the map at all).
void badNodeRow(const char* tag, const QString& nodes, const QString& defect)
{
    QTest::newRow(tag) << description(nodes) << QString() << QStringLiteral("Bad") << defect;
}

// A row for a text as a whole: refused with a message that holds refusal,
// or, with none, loaded.
void textRow(const char* tag, const QByteArray& xml, const QString& refusal)
{
    QTest::newRow(tag) << xml << refusal << QString() << QString();
}

} // namespace

class TestGenApiCrafted : public QObject
{
    Q_OBJECT

private slots:
    void crafted_data()
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
        badNodeRow("entry at the top level", "<EnumEntry Name=\"Bad\"><Value>1</Value></EnumEntry>", "");
        badNodeRow(
            "entry of a nameless enumeration",
            "<Enumeration><EnumEntry Name=\"Bad\"><Value>0</Value></EnumEntry><Value>0</Value></Enumeration>",
            "");

        // Reference cycles over every link a read follows.
        badNodeRow("value is its own node", "<Integer Name=\"Bad\"><pValue>Bad</pValue></Integer>", cycle);
        badNodeRow("two nodes read each other",
                   "<Integer Name=\"Bad\"><pValue>Other</pValue></Integer><Integer "
                   "Name=\"Other\"><pValue>Bad</pValue></Integer>",
                   "'Bad' -> 'Other' -> 'Bad'");
        badNodeRow("formula variable is its own node",
                   "<IntSwissKnife Name=\"Bad\"><pVariable "
                   "Name=\"X\">Bad</pVariable><Formula>X+1</Formula></IntSwissKnife>",
                   cycle);
        badNodeRow("register address read through the register",
                   intReg("Bad", "<Length>4</Length>")
                       .replace("<Address>0x200</Address>", "<pAddress>Bad</pAddress>"),
                   cycle);
        badNodeRow("converter of itself",
                   "<Converter Name=\"Bad\"><pVariable "
                   "Name=\"X\">Bad</pVariable><FormulaTo>FROM</FormulaTo><FormulaFrom>TO</"
                   "FormulaFrom><pValue>Bad</pValue></Converter>",
                   cycle);
        badNodeRow("enumeration value is itself",
                   "<Enumeration Name=\"Bad\"><EnumEntry "
                   "Name=\"A\"><Value>0</Value></EnumEntry><pValue>Bad</pValue></Enumeration>",
                   cycle);
        badNodeRow("availability read through itself",
                   "<Integer Name=\"Bad\"><pIsAvailable>Bad</pIsAvailable><Value>1</Value></Integer>", cycle);
        badNodeRow("entry availability leads back to its enumeration",
                   "<Enumeration Name=\"Bad\"><EnumEntry "
                   "Name=\"A\"><pIsAvailable>Bad</pIsAvailable><Value>0</Value></EnumEntry><Value>0</Value></"
                   "Enumeration>",
                   cycle);
        badNodeRow("limit read through itself",
                   "<Integer Name=\"Bad\"><Value>1</Value><pMax>Bad</pMax></Integer>", cycle);
        badNodeRow("register index read through the register",
                   intReg("Bad", "<Length>4</Length>", "<pIndex Offset=\"4\">Bad</pIndex>"), cycle);
        badNodeRow("reader of a cycle",
                   "<Integer Name=\"Bad\"><pValue>Loop</pValue></Integer><Integer "
                   "Name=\"Loop\"><pValue>Loop</pValue></Integer>",
                   "depends on node 'Loop'");
        badNodeRow("references nested too deep", chain(150), "nest deeper");
        badNodeRow("reference to a missing node",
                   "<Integer Name=\"Bad\"><pMax>Missing</pMax><Value>1</Value></Integer>",
                   "'Missing', which is not in the description");

        badNodeRow("register without a port",
                   intReg("Bad", "<Length>4</Length>").replace("<pPort>Device</pPort>", ""),
                   "without <pPort>");
        badNodeRow(
            "register whose port is no port",
            intReg("Bad", "<Length>4</Length>").replace("<pPort>Device</pPort>", "<pPort>Good</pPort>"),
            "not a <Port>");
        badNodeRow("invalidator that is not in the description",
                   intReg("Bad", "<Length>4</Length>", "<pInvalidator>Missing</pInvalidator>"),
                   "'Missing', which is not in the description");

        // Register lengths.
        badNodeRow("integer register of length -1", intReg("Bad", "<Length>-1</Length>"), length);
        badNodeRow("integer register of length 2^63-1", intReg("Bad", "<Length>9223372036854775807</Length>"),
                   length);
        badNodeRow("integer register of length 0", intReg("Bad", "<Length>0</Length>"), length);
        badNodeRow("length that is not a number", intReg("Bad", "<Length>four</Length>"), "is not a number");
        badNodeRow("register without a length", intReg("Bad", ""), "without <Length>");
        badNodeRow("string register of 4 GiB",
                   "<StringReg Name=\"Bad\" "
                   "sim:Default=\"x\"><Address>0x300</Address><Length>4294967296</Length><AccessMode>RW</"
                   "AccessMode><pPort>Device</pPort></StringReg>",
                   length);
        badNodeRow("float register of 3 bytes",
                   "<FloatReg "
                   "Name=\"Bad\"><Address>0x300</Address><Length>3</Length><AccessMode>RO</"
                   "AccessMode><pPort>Device</pPort><Endianess>LittleEndian</Endianess></FloatReg>",
                   "4 or 8 bytes");
        badNodeRow("length read from a node, out of bounds",
                   intReg("Bad", "<pLength>Size</pLength>") +
                       "<Integer Name=\"Size\"><Value>100000</Value></Integer>",
                   length);
        badNodeRow("bit field past its register",
                   "<MaskedIntReg "
                   "Name=\"Bad\"><Address>0x200</Address><Length>4</Length><AccessMode>RW</"
                   "AccessMode><pPort>Device</pPort><Bit>200</Bit></MaskedIntReg>",
                   "bit 200");

        // Refused as a whole.
        textRow("duplicate names", description("<Integer Name=\"Good\"><Value>1</Value></Integer>"),
                "node 'Good' is defined twice");
        textRow("two entries of one name",
                description(
                    "<Enumeration Name=\"Bad\"><EnumEntry Name=\"A\"><Value>0</Value></EnumEntry><EnumEntry "
                    "Name=\"A\"><Value>1</Value></EnumEntry><Value>0</Value></Enumeration>"),
                "node 'EnumEntry_Bad_A' is defined twice");
        textRow("groups nested ten thousand deep",
                description(QString("<Group Comment=\"g\">").repeated(10000) +
                            QString("</Group>").repeated(10000)),
                "nest deeper than 64 levels");
        textRow("empty name", description("<Integer Name=\"\"><Value>1</Value></Integer>"), "empty Name");
        textRow("not XML", QByteArray("<RegisterDescription><Integer"), "not well-formed");
        // What XML forbids and GLib's markup parser would let through.
        textRow("attribute given twice (fuzzer)", QByteArray("<RegisterDescription Name=\"\" Name=\"\">"),
                "gives the attribute Name twice");
        textRow("attribute given twice in a node",
                description("<Integer Name=\"Bad\" Name=\"Other\"><Value>1</Value></Integer>"),
                "gives the attribute Name twice");
        textRow("second root element", description(QString()) + "<RegisterDescription/>",
                "second root element");
        textRow("'<' in an attribute", description("<Integer Name=\"B<d\"><Value>1</Value></Integer>"),
                "holds a '<'");
        textRow("control character referenced in a text",
                description("<Integer Name=\"Bad\"><Value>1</Value><ToolTip>&#27;[2J</ToolTip></Integer>"),
                "control character");
        textRow("raw control character in a name",
                description("<Integer Name=\"B\x07"
                            "d\"><Value>1</Value></Integer>"),
                "control character");
        textRow("another root element", QByteArray("<html></html>"), "RegisterDescription");
        textRow("empty", QByteArray(), "empty");
        textRow("only NULs", QByteArray(64, '\0'), "empty");

        // Byte-order mark and trailing NULs load like the plain text.
        const QByteArray plain = description(QString());
        textRow("byte-order mark", QByteArray("\xEF\xBB\xBF") + plain, "");
        textRow("trailing NULs", plain + QByteArray(100, '\0'), "");
        textRow("byte-order mark and trailing NULs", QByteArray("\xEF\xBB\xBF") + plain + QByteArray(3, '\0'),
                "");
    }

    void crafted()
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

    void categoryNeverContainsItself()
    {
        const QByteArray xml = description("<Category "
                                           "Name=\"Bad\"><pFeature>Bad</pFeature><pFeature>Root</"
                                           "pFeature><pFeature>Good</pFeature></Category>");
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
};

QTEST_GUILESS_MAIN(TestGenApiCrafted)
#include "test_genapi_crafted.moc"
