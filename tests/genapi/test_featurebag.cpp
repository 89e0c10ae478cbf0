// Saving a device's settings to persistence text and loading them back:
// round trips on every device of devices/ (in process and over loopback GigE
// Vision), values written in the wrong order, selector-dependent features and
// malformed files.
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <sstream>

using namespace GenApi;

namespace {

const char* const kHeader = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n";

QString devicePath(const char* file)
{
    return QStringLiteral(CAMPANE_DEVICES_DIR "/%1").arg(QLatin1String(file));
}

std::unique_ptr<CDeviceConnection> openDevice(const char* file)
{
    std::string error;
    auto device = CDeviceConnection::OpenSimulated(devicePath(file).toStdString(), &error);
    if (!device)
        qWarning("%s: %s", file, error.c_str());
    return device;
}

std::string valueOf(INodeMap* map, const char* name)
{
    return CValuePtr(map->GetNode(name))->ToString().toStdString();
}

void setValue(INodeMap* map, const char* name, const char* value)
{
    CValuePtr(map->GetNode(name))->FromString(value);
}

CFeatureBag bagFromText(const std::string& text)
{
    CFeatureBag bag;
    std::istringstream stream(text);
    stream >> bag;
    return bag;
}

// Writes another valid value to a feature, when it takes one.
void changeValue(INode* node)
{
    try {
        switch (node->GetPrincipalInterfaceType()) {
        case intfIInteger: {
            CIntegerPtr integer(node);
            const int64_t inc = std::max<int64_t>(1, integer->GetInc());
            integer->SetValue(integer->GetValue() <= integer->GetMax() - inc ? integer->GetValue() + inc
                                                                             : integer->GetValue() - inc);
            break;
        }
        case intfIFloat: {
            CFloatPtr number(node);
            number->SetValue(number->GetValue() == number->GetMin() ? number->GetMax() : number->GetMin());
            break;
        }
        case intfIBoolean:
            CBooleanPtr(node)->SetValue(!CBooleanPtr(node)->GetValue());
            break;
        case intfIEnumeration: {
            CEnumerationPtr enumeration(node);
            StringList_t symbolics;
            enumeration->GetSymbolics(symbolics);
            for (const gcstring& symbolic : symbolics)
                if (symbolic != enumeration->GetCurrentEntry()->GetSymbolic())
                    return enumeration->FromString(symbolic);
            break;
        }
        case intfIString:
            CStringPtr(node)->SetValue("changed");
            break;
        default:
            break;
        }
    } catch (const GenICam::GenericException&) {
        // A value that cannot change now stays.
    }
}

// Changes every saved value, replaying the bag's selector lines so that
// selector-dependent values change under each selector value; the selectors
// end on another value than the saved one.
int changeEverything(INodeMap* map, const CFeatureBag& bag)
{
    for (bool selectors : {false, true}) {
        for (const CFeatureBag::Entry& entry : bag.GetEntries()) {
            INode* node = map->GetNode(entry.Name);
            if (node->IsSelector() && !selectors)
                CValuePtr(node)->FromString(entry.Value);
            else if (node->IsSelector() == selectors)
                changeValue(node);
        }
    }
    CFeatureBag changed;
    changed.StoreToBag(map);
    int differing = 0;
    for (size_t i = 0; i < std::min(bag.GetEntries().size(), changed.GetEntries().size()); ++i)
        differing += bag.GetEntries()[i].Value != changed.GetEntries()[i].Value;
    return differing;
}

// Saves, changes every value, loads the saved text back and saves again.
void checkRoundTrip(INodeMap* map)
{
    CFeatureBag saved;
    QVERIFY(saved.StoreToBag(map) > 0);
    const std::string text = saved.ToString().toStdString();
    QVERIFY(text.rfind(kHeader, 0) == 0);
    QVERIFY(text.find("\n# GenApi persistence file (version 3.0.1)\n# Device = ") != std::string::npos);

    QVERIFY2(changeEverything(map, saved) > int(saved.GetEntries().size()) / 2, "too few values changed");

    CFeatureBag loaded = bagFromText(text);
    QVERIFY(loaded == saved);
    QCOMPARE(loaded.ToString().toStdString(), text);
    gcstring_vector errors;
    QVERIFY2(loaded.LoadFromBag(map, true, &errors), errors.empty() ? "" : errors.front().c_str());
    QVERIFY(loaded.GetNumPasses() <= 2);
    for (const CFeatureBag::LineResult& result : loaded.GetLineResults())
        QVERIFY(result.Status == CFeatureBag::Verified || result.Status == CFeatureBag::Written);

    CFeatureBag again;
    again.StoreToBag(map);
    QCOMPARE(again.ToString().toStdString(), text);
}

// A description of a Text string, a Value integer and `body`, all streamable
// under Root.
std::string hostileDescription(const QString& features, const QString& body)
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<RegisterDescription ModelName="Hostile" VendorName="Campane_Tests"
    xmlns="http://www.genicam.org/GenApi/Version_1_1" xmlns:sim="urn:campane:simulated-device">
  <Category Name="Root"><pFeature>Text</pFeature><pFeature>Value</pFeature>%1</Category>
  <StringReg Name="Text" sim:Default="plain"><Streamable>Yes</Streamable><Address>0x0</Address>
    <Length>16</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></StringReg>
  <IntReg Name="Value" sim:Default="5"><Streamable>Yes</Streamable><Address>0x10</Address><Length>4</Length>
    <AccessMode>RW</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  %2
  <Port Name="Device"/>
</RegisterDescription>)")
        .arg(features, body)
        .toStdString();
}

QString nestedSelectors(int levels, int entries)
{
    QString body;
    for (int level = 0; level < levels; ++level) {
        body += QStringLiteral("<Enumeration Name=\"S%1\"><pSelected>%2</pSelected>")
                    .arg(level)
                    .arg(level + 1 < levels ? QStringLiteral("S%1").arg(level + 1) : QStringLiteral("Value"));
        for (int entry = 0; entry < entries; ++entry)
            body += QStringLiteral("<EnumEntry Name=\"E%1\"><Value>%1</Value></EnumEntry>").arg(entry);
        body += QStringLiteral("<pValue>S%1Reg</pValue></Enumeration>"
                               "<IntReg Name=\"S%1Reg\"><Address>0x%2</Address><Length>4</Length>"
                               "<AccessMode>RW</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign>"
                               "<Endianess>LittleEndian</Endianess></IntReg>")
                    .arg(level)
                    .arg(0x100 + 4 * level, 0, 16);
    }
    return body;
}

QString namedInteger(const QString& name)
{
    return QStringLiteral(
               "<IntReg Name=\"%1\"><Streamable>Yes</Streamable><Address>0x20</Address><Length>4</Length>"
               "<AccessMode>RW</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign>"
               "<Endianess>LittleEndian</Endianess></IntReg>")
        .arg(name);
}

} // namespace

class TestFeatureBag : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("overGige");
        for (const char* file : {"kvx-slp-camera.xml", "sl-camera-dual.xml", "frame-grabber-card.xml"})
            QTest::newRow(file) << QString::fromLatin1(file) << false;
        QTest::newRow("kvx-slp-camera.xml over GigE Vision") << QStringLiteral("kvx-slp-camera.xml") << true;
    }

    void roundTrip()
    {
        QFETCH(QString, file);
        QFETCH(bool, overGige);
        auto device = openDevice(file.toLatin1().constData());
        QVERIFY(device);
        if (!overGige)
            return checkRoundTrip(device->GetNodeMap());
        if (GigeEmulator::binary().isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
        // The emulator starts with every register 0: the simulated camera's
        // settings make it a camera of the model first.
        setValue(device->GetNodeMap(), "CalibrationLock", "0"); // saves DepthScale and DepthOffset too
        CFeatureBag settings;
        settings.StoreToBag(device->GetNodeMap());
        GigeEmulator emulator;
        QString error;
        auto remote = emulator.start(devicePath("kvx-slp-camera.xml"), &error);
        QVERIFY2(remote, qPrintable(error));
        QVERIFY(settings.LoadFromBag(remote->GetNodeMap()));
        checkRoundTrip(remote->GetNodeMap());
    }

    void writeOrder_data()
    {
        QTest::addColumn<QString>("before"); // lines loaded first
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("passes");
        const auto row = [](const char* tag, const char* before, const char* lines, int passes) {
            QTest::newRow(tag) << QString::fromLatin1(before) << QString::fromLatin1(lines) << passes;
        };
        row("offset before the width that allows it", "",
            "OffsetX\t448\nWidth\t2000\nOffsetY\t1048\nHeight\t1000\n", 2);
        row("width before the offset that allows it", "Width\t2000\nOffsetX\t448\n",
            "Width\t2448\nOffsetX\t0\n", 2);
        row("available only after a later line", "Denoising\t0\n", "Radius\t7\nDenoising\t1\n", 2);
        row("right order takes one pass", "", "Width\t2000\nOffsetX\t448\n", 1);
        row("hand-edited: spaces, carriage returns, comments", "",
            "# edited\r\nWidth\t 2000 \r\n\r\n  # more\nOffsetX\t448\r\n", 1);
    }

    void writeOrder()
    {
        QFETCH(QString, before);
        QFETCH(QString, lines);
        auto device = openDevice("kvx-slp-camera.xml");
        QVERIFY(device);
        INodeMap* map = device->GetNodeMap();
        QVERIFY(bagFromText(kHeader + before.toStdString()).LoadFromBag(map));

        CFeatureBag bag = bagFromText(kHeader + lines.toStdString());
        gcstring_vector errors;
        QVERIFY(bag.LoadFromBag(map, true, &errors));
        QVERIFY(errors.empty());
        QTEST(bag.GetNumPasses(), "passes");
        for (const CFeatureBag::Entry& entry : bag.GetEntries())
            QCOMPARE(std::stod(valueOf(map, entry.Name.c_str())), std::stod(entry.Value.c_str()));
    }

    void selectorDependentFeature()
    {
        auto device = openDevice("frame-grabber-card.xml");
        QVERIFY(device);
        INodeMap* map = device->GetNodeMap();
        auto set = [map](const char* channel, const char* clock) {
            setValue(map, "ChannelSelector", channel);
            if (clock)
                setValue(map, "CameraLinkClock", clock);
        };
        auto clockOf = [map, &set](const char* channel) {
            set(channel, nullptr);
            return valueOf(map, "CameraLinkClock");
        };
        set("Channel1", "Clock40MHz");
        set("Channel0", "Clock85MHz");

        // Each channel's clock under its selector line, the selector restored.
        CFeatureBag saved;
        saved.StoreToBag(map);
        const std::string text = saved.ToString().toStdString();
        size_t at = 0;
        for (const char* line :
             {"ChannelSelector\tChannel0\n", "CameraLinkClock\tClock85MHz\n", "ChannelSelector\tChannel1\n",
              "CameraLinkClock\tClock40MHz\n", "ChannelSelector\tChannel0\n"})
            QVERIFY2((at = text.find(line, at)) != std::string::npos, text.c_str());

        set("Channel1", "Clock66MHz");
        QVERIFY(bagFromText(text).LoadFromBag(map));
        QCOMPARE(valueOf(map, "ChannelSelector"), std::string("Channel0"));
        QCOMPARE(clockOf("Channel0"), std::string("Clock85MHz"));
        QCOMPARE(clockOf("Channel1"), std::string("Clock40MHz"));

        // The three-column form names the selector value on the line itself.
        set("Channel0", nullptr);
        QVERIFY(
            bagFromText(std::string(kHeader) + "CameraLinkClock\t{ChannelSelector=Channel1}\tClock66MHz\n")
                .LoadFromBag(map));
        QCOMPARE(clockOf("Channel0"), std::string("Clock85MHz"));
        QCOMPARE(clockOf("Channel1"), std::string("Clock66MHz"));

        // A selector value this card lacks: its block is not written under
        // another channel.
        CFeatureBag foreign = bagFromText(
            std::string(kHeader) +
            "ChannelSelector\tChannel7\nCameraLinkClock\tClock40MHz\nChannelSelector\tChannel1\n");
        gcstring_vector errors;
        QVERIFY(!foreign.LoadFromBag(map, true, &errors));
        QCOMPARE(int(errors.size()), 2);
        QVERIFY(QByteArray(errors[1].c_str()).contains("waits for line 2"));
        QCOMPARE(clockOf("Channel1"), std::string("Clock66MHz"));
        QCOMPARE(clockOf("Channel0"), std::string("Clock85MHz"));
    }

    void malformedFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("readable"); // a persistence text, with bad lines
        QTest::addColumn<QString>("error");
        // The text: head, then body repeated up to size bytes.
        auto row = [](const char* name, QByteArray head, bool readable, const char* error,
                      const QByteArray& body = {}, int size = 0) {
            while (head.size() < size)
                head += body;
            QTest::newRow(name) << (size > 0 ? head.left(size) : head) << readable
                                << QString::fromUtf8(error);
        };
        const QByteArray h(kHeader);
        const QByteArray garbage = QByteArray::fromHex("00ff13f2a9e7007b0a8d43c10909fe01");
        row("bad header", "# settings\nWidth\t2000\n", false, "not a settings file");
        row("empty", "", false, "the file is empty");
        row("missing tab", h + "Width 2000\nHeight\t1000\n", true, "line 2: malformed: no tab");
        row("unknown feature", h + "NoSuchFeature\t1\nHeight\t1000\n", true,
            "line 2: NoSuchFeature 1: unknown feature");
        row("wrong kind: integer", h + "Width\t20x0\n", true, "bad value: '20x0' is not an integer");
        row("wrong kind: entry", h + "PixelFormat\tMono99\n", true, "'Mono99' is no entry");
        row("wrong kind: boolean", h + "GSImage\t2\n", true, "'2' is not a boolean");
        row("wrong kind: float", h + "SensorGain\t1,5\n", true, "'1,5' is not a float");
        row("wrong kind: command", h + "AcquisitionStart\t1\n", true, "holds no value");
        row("out of range", h + "Contrast\t256\n", true,
            "refused: Node 'Contrast': value 256 is out of range");
        row("locked", h + "DepthScale\t1.5\n", true, "not writable: the feature is read-only");
        // A file sets settings only: no command runs, no user set is saved.
        row("not streamable", h + "SensorWidth\t100\nCalibrationLock\t0\n", true,
            "SensorWidth 100: not a setting");
        row("a command's register", h + "TriggerSoftwareReg\t1\n", true,
            "TriggerSoftwareReg 1: not a setting");
        row("a user set's register", h + "UserSetSaveReg\t1\nUserSetLoadReg\t1\n", true,
            "UserSetSaveReg 1: not a setting");
        row("a selector of another feature", h + "Width\t{Light1Selector=Light1}\t2000\n", true,
            "Light1Selector is no selector of Width");
        row("control character in a name", h + "Hei\x1bght\t1000\nHeight\t1000\n", true,
            "line 2: malformed: the line holds a control character: \"Hei?ght");
        row("control character in a value", h + "Width\t20\x07" + "00\n", true, "holds a control character");
        row("C1 control in a value", h + "Width\t20\xc2\x9b" + "00\n", true, "holds a control character");
        row("huge file", h, false, "larger than 16 MiB", "Height\t1000\n", 17 << 20);
        row("binary garbage", garbage, false, "not a settings file", garbage, 1 << 20);
        row("binary after the header", h, true, "line 2: malformed: the line holds binary data", garbage,
            1 << 20);
        row("endless line", h + "DeviceUserID\t", true, "longer than 64 KiB", "x", 200000);
    }

    void malformedFiles()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, readable);
        QFETCH(QString, error);

        auto device = openDevice("kvx-slp-camera.xml");
        QVERIFY(device);
        INodeMap* map = device->GetNodeMap();
        std::istringstream stream(text.toStdString());
        CFeatureBag bag;
        stream >> bag;
        QCOMPARE(bag.IsValid(), readable);
        QCOMPARE(stream.fail(), !readable);

        gcstring_vector errors;
        QVERIFY(!bag.LoadFromBag(map, true, &errors));
        QVERIFY(!errors.empty());
        QVERIFY2(QString::fromUtf8(errors.front().c_str()).contains(error), errors.front().c_str());
        // Good lines of a readable file load; an unreadable one writes nothing.
        QCOMPARE(valueOf(map, "Height"),
                 std::string(readable && text.contains("Height\t1000") ? "1000" : "2048"));
        QCOMPARE(valueOf(map, "Width"), std::string("2448"));
        QCOMPARE(valueOf(map, "TriggerSoftwareCount"), std::string("0"));
    }

    // Descriptions that would make a save endless or its text unsafe: the save
    // ends with a bounded number of lines, every line is Name<TAB>Value with no
    // control character, and what was left out is said.
    void hostileDescriptions_data()
    {
        QTest::addColumn<QString>("features"); // pFeature elements of Root
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("text"); // written to Text before the save
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<QString>("skipped"); // what the results say was left out
        QTest::newRow("four nested enumeration selectors of 60 entries")
            << "<pFeature>S0</pFeature>" << nestedSelectors(4, 60) << QByteArray("plain") << 30000
            << "more than 4096 combinations";
        QTest::newRow("a selector of 300 entries") << "<pFeature>S0</pFeature>" << nestedSelectors(1, 300)
                                                   << QByteArray("plain") << 10 << "has 300 entries";
        for (const char* name : {"C&#9;D", "C&#10;D", "C&#13;D", "C&#155;D"})
            QTest::newRow(qPrintable(QStringLiteral("a name holding %1").arg(QLatin1String(name))))
                << QStringLiteral("<pFeature>%1</pFeature>").arg(QLatin1String(name))
                << namedInteger(QLatin1String(name)) << QByteArray("plain") << 10
                << "the name cannot be written";
        QTest::newRow("a value holding ESC")
            << ""
            << "" << QByteArray("a\x1b[2Jb") << 10 << "Text: the value cannot be written on one line";
    }

    void hostileDescriptions()
    {
        QFETCH(QString, features);
        QFETCH(QString, body);
        QFETCH(QByteArray, text);
        QFETCH(int, maxLines);
        QFETCH(QString, skipped);
        std::string error;
        auto device =
            CDeviceConnection::OpenSimulatedFromText(hostileDescription(features, body), "hostile", &error);
        if (!device && body.contains(QLatin1String("&#")))
            QSKIP("the description is refused at load, which keeps the name out as well");
        QVERIFY2(device, error.c_str());
        INodeMap* map = device->GetNodeMap();
        CStringPtr(map->GetNode("Text"))->SetValue(text.constData());

        CFeatureBag bag;
        const int64_t lines = bag.StoreToBag(map);
        QVERIFY2(lines > 0 && lines <= maxLines, qPrintable(QString::number(lines)));
        QString said;
        for (const CFeatureBag::LineResult& result : bag.GetLineResults()) {
            QCOMPARE(result.Status, CFeatureBag::Skipped);
            said += QString::fromUtf8(result.Name.c_str()) + QStringLiteral(": ") +
                    QString::fromUtf8(result.Message.c_str());
        }
        QVERIFY2(said.contains(skipped), qPrintable(said));
        const QList<QByteArray> written = QByteArray(bag.ToString().c_str()).split('\n');
        QCOMPARE(written.size(), int(lines) + 4);
        for (const QByteArray& line : written.mid(3, int(lines))) {
            QCOMPARE(line.count('\t'), 1);
            for (const char c : line)
                QVERIFY2(uchar(c) >= 0x20 || c == '\t', line.constData());
            QVERIFY2(!line.contains("\xc2\x9b"), line.constData());
        }
    }

    // A device that stops answering during a save: the results say what was not
    // read.
    void lostDeviceIsNotSaved()
    {
        auto device = openDevice("kvx-slp-camera.xml");
        QVERIFY(device);
        device->MarkLost();
        CFeatureBag bag;
        bag.StoreToBag(device->GetNodeMap());
        QVERIFY(!bag.GetLineResults().empty());
        for (const CFeatureBag::LineResult& result : bag.GetLineResults())
            QCOMPARE(result.Status, CFeatureBag::NotRead);
    }
};

QTEST_GUILESS_MAIN(TestFeatureBag)
#include "test_featurebag.moc"
