// Saving a device's settings to persistence text and loading them back:
// round trips on every device of devices/ (in process and over loopback GigE
// Vision), values written in the wrong order, selector-dependent features, a
// file from the other camera model and malformed files.
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <sstream>
#include <streambuf>

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
            const int64_t value = integer->GetValue();
            const int64_t inc = std::max<int64_t>(1, integer->GetInc());
            integer->SetValue(value <= integer->GetMax() - inc ? value + inc : value - inc);
            break;
        }
        case intfIFloat: {
            CFloatPtr number(node);
            const double value = number->GetValue();
            const double other = value == number->GetMin() ? number->GetMax() : number->GetMin();
            number->SetValue(other);
            break;
        }
        case intfIBoolean:
            CBooleanPtr(node)->SetValue(!CBooleanPtr(node)->GetValue());
            break;
        case intfIEnumeration: {
            CEnumerationPtr enumeration(node);
            StringList_t symbolics;
            enumeration->GetSymbolics(symbolics);
            const gcstring current = enumeration->GetCurrentEntry()->GetSymbolic();
            for (const gcstring& symbolic : symbolics) {
                if (symbolic != current) {
                    enumeration->FromString(symbolic);
                    break;
                }
            }
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
    for (const CFeatureBag::Entry& entry : bag.GetEntries()) {
        INode* node = map->GetNode(entry.Name);
        if (node->IsSelector())
            CValuePtr(node)->FromString(entry.Value);
        else
            changeValue(node);
    }
    for (const CFeatureBag::Entry& entry : bag.GetEntries()) {
        INode* node = map->GetNode(entry.Name);
        if (node->IsSelector())
            changeValue(node);
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
    const bool ok = loaded.LoadFromBag(map, true, &errors);
    for (const gcstring& error : errors)
        qWarning("%s", error.c_str());
    QVERIFY(ok);
    QVERIFY(loaded.GetNumPasses() <= 2);
    for (const CFeatureBag::LineResult& result : loaded.GetLineResults())
        QVERIFY(result.Status == CFeatureBag::Verified || result.Status == CFeatureBag::Written);

    CFeatureBag again;
    again.StoreToBag(map);
    QCOMPARE(again.ToString().toStdString(), text);
}

// A stream of `size` bytes: head, then body repeated, made as it is read.
class RepeatingBuffer : public std::streambuf
{
public:
    RepeatingBuffer(QByteArray head, QByteArray body, qint64 size)
        : m_head(std::move(head)), m_body(std::move(body)), m_left(size)
    {
    }

protected:
    int_type underflow() override
    {
        if (m_left <= 0)
            return traits_type::eof();
        m_chunk = m_head.isEmpty() ? m_body.repeated(qMax(1, 65536 / qMax(1, m_body.size()))) : m_head;
        m_head.clear();
        m_chunk.truncate(int(qMin<qint64>(m_chunk.size(), m_left)));
        m_left -= m_chunk.size();
        setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + m_chunk.size());
        return traits_type::to_int_type(m_chunk[0]);
    }

private:
    QByteArray m_head;
    QByteArray m_body;
    QByteArray m_chunk;
    qint64 m_left;
};

} // namespace

class TestFeatureBag : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void roundTripOverGige();
    void writeOrder_data();
    void writeOrder();
    void selectorDependentFeature();
    void fileOfTheOtherModel();
    void malformedFiles_data();
    void malformedFiles();
};

void TestFeatureBag::roundTrip_data()
{
    QTest::addColumn<QString>("file");
    for (const char* file : {"kvx-slp-camera.xml", "sl-camera-dual.xml", "frame-grabber-card.xml"})
        QTest::newRow(file) << QString::fromLatin1(file);
}

void TestFeatureBag::roundTrip()
{
    QFETCH(QString, file);
    auto device = openDevice(file.toLatin1().constData());
    QVERIFY(device);
    checkRoundTrip(device->GetNodeMap());
}

void TestFeatureBag::roundTripOverGige()
{
    if (GigeEmulator::binary().isEmpty())
        QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
    GigeEmulator emulator;
    QString error;
    auto device = emulator.start(devicePath("kvx-slp-camera.xml"), &error);
    QVERIFY2(device, qPrintable(error));
    // The emulator starts with every register 0: the simulated camera's
    // settings make it a camera of the model first.
    auto simulated = openDevice("kvx-slp-camera.xml");
    QVERIFY(simulated);
    setValue(simulated->GetNodeMap(), "CalibrationLock", "0"); // saves DepthScale and DepthOffset too
    CFeatureBag settings;
    settings.StoreToBag(simulated->GetNodeMap());
    QVERIFY(settings.LoadFromBag(device->GetNodeMap()));
    checkRoundTrip(device->GetNodeMap());
}

void TestFeatureBag::writeOrder_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("passes");

    QTest::newRow("offset before the width that allows it")
        << QStringList() << "OffsetX\t448\nWidth\t2000\nOffsetY\t1048\nHeight\t1000\n"
        << QStringList{"Width=2000", "OffsetX=448", "Height=1000", "OffsetY=1048"} << 2;
    QTest::newRow("width before the offset that allows it")
        << QStringList{"Width=2000", "OffsetX=448"} << "Width\t2448\nOffsetX\t0\n"
        << QStringList{"Width=2448", "OffsetX=0"} << 2;
    QTest::newRow("locked feature unlocked by a later line")
        << QStringList() << "DepthScale\t1.5\nCalibrationLock\t0\n"
        << QStringList{"DepthScale=1.5", "CalibrationLock=0"} << 2;
    QTest::newRow("available only after a later line")
        << QStringList{"Denoising=0"} << "Radius\t7\nDenoising\t1\n"
        << QStringList{"Radius=7", "Denoising=1"} << 2;
    QTest::newRow("right order takes one pass") << QStringList() << "Width\t2000\nOffsetX\t448\n"
                                                << QStringList{"Width=2000", "OffsetX=448"} << 1;
    QTest::newRow("hand-edited: spaces, carriage returns, comments")
        << QStringList() << "# edited\r\nWidth\t 2000 \r\n\r\n  # more\nOffsetX\t448\r\n"
        << QStringList{"Width=2000", "OffsetX=448"} << 1;
}

void TestFeatureBag::writeOrder()
{
    QFETCH(QStringList, before);
    QFETCH(QString, lines);
    QFETCH(QStringList, after);
    QFETCH(int, passes);

    auto device = openDevice("kvx-slp-camera.xml");
    QVERIFY(device);
    INodeMap* map = device->GetNodeMap();
    for (const QString& setting : before)
        setValue(map, setting.section('=', 0, 0).toLatin1(), setting.section('=', 1).toLatin1());

    CFeatureBag bag = bagFromText(kHeader + lines.toStdString());
    gcstring_vector errors;
    QVERIFY(bag.LoadFromBag(map, true, &errors));
    QVERIFY(errors.empty());
    QCOMPARE(bag.GetNumPasses(), passes);
    for (const QString& setting : after) {
        const std::string value = valueOf(map, setting.section('=', 0, 0).toLatin1());
        QCOMPARE(QString::fromStdString(value).toDouble(), setting.section('=', 1).toDouble());
    }
}

void TestFeatureBag::selectorDependentFeature()
{
    auto device = openDevice("frame-grabber-card.xml");
    QVERIFY(device);
    INodeMap* map = device->GetNodeMap();
    setValue(map, "ChannelSelector", "Channel1");
    setValue(map, "CameraLinkClock", "Clock40MHz");
    setValue(map, "ChannelSelector", "Channel0");
    setValue(map, "CameraLinkClock", "Clock85MHz");

    CFeatureBag saved;
    saved.StoreToBag(map);
    const std::string text = saved.ToString().toStdString();
    const size_t channel0 = text.find("ChannelSelector\tChannel0\n");
    const size_t clock0 = text.find("CameraLinkClock\tClock85MHz\n", channel0);
    const size_t channel1 = text.find("ChannelSelector\tChannel1\n", clock0);
    const size_t clock1 = text.find("CameraLinkClock\tClock40MHz\n", channel1);
    const size_t restored = text.find("ChannelSelector\tChannel0\n", clock1);
    QVERIFY2(restored != std::string::npos, text.c_str());
    QCOMPARE(valueOf(map, "ChannelSelector"), std::string("Channel0"));

    // Channel 1's clock changes and the selector is left on channel 1.
    setValue(map, "ChannelSelector", "Channel1");
    setValue(map, "CameraLinkClock", "Clock66MHz");
    QVERIFY(bagFromText(text).LoadFromBag(map));
    QCOMPARE(valueOf(map, "ChannelSelector"), std::string("Channel0"));
    QCOMPARE(valueOf(map, "CameraLinkClock"), std::string("Clock85MHz"));
    setValue(map, "ChannelSelector", "Channel1");
    QCOMPARE(valueOf(map, "CameraLinkClock"), std::string("Clock40MHz"));

    // The three-column form names the selector value on the line itself.
    setValue(map, "ChannelSelector", "Channel0");
    QVERIFY(bagFromText(std::string(kHeader) + "CameraLinkClock\t{ChannelSelector=Channel1}\tClock66MHz\n")
                .LoadFromBag(map));
    QCOMPARE(valueOf(map, "CameraLinkClock"), std::string("Clock85MHz"));
    setValue(map, "ChannelSelector", "Channel1");
    QCOMPARE(valueOf(map, "CameraLinkClock"), std::string("Clock66MHz"));

    // A selector value this card lacks: its block is not written under
    // another channel.
    CFeatureBag foreign =
        bagFromText(std::string(kHeader) + "ChannelSelector\tChannel7\nCameraLinkClock\tClock40MHz\n"
                                           "ChannelSelector\tChannel1\n");
    gcstring_vector errors;
    QVERIFY(!foreign.LoadFromBag(map, true, &errors));
    QCOMPARE(int(errors.size()), 2);
    QVERIFY(QByteArray(errors[1].c_str()).contains("waits for line 2"));
    QCOMPARE(valueOf(map, "CameraLinkClock"), std::string("Clock66MHz"));
    setValue(map, "ChannelSelector", "Channel0");
    QCOMPARE(valueOf(map, "CameraLinkClock"), std::string("Clock85MHz"));
}

void TestFeatureBag::fileOfTheOtherModel()
{
    auto dual = openDevice("sl-camera-dual.xml");
    auto kvx = openDevice("kvx-slp-camera.xml");
    QVERIFY(dual && kvx);
    setValue(dual->GetNodeMap(), "SensorGain", "7.25");
    setValue(dual->GetNodeMap(), "Contrast", "42");
    CFeatureBag saved;
    saved.StoreToBag(dual->GetNodeMap());
    QVERIFY(QByteArray(saved.GetInfo().c_str()).startsWith("DSL-2400"));

    CFeatureBag bag = bagFromText(saved.ToString().toStdString());
    gcstring_vector errors;
    QVERIFY(!bag.LoadFromBag(kvx->GetNodeMap(), true, &errors));
    QStringList failed;
    int written = 0;
    for (const CFeatureBag::LineResult& result : bag.GetLineResults()) {
        if (result.Status == CFeatureBag::UnknownFeature)
            failed << QString::fromLatin1(result.Name.c_str());
        written += result.Status == CFeatureBag::Verified;
    }
    QCOMPARE(int(errors.size()), failed.size());
    QVERIFY(failed.contains("Left2DImage") && failed.contains("RightRayExpTime"));
    QVERIFY(!failed.contains("SensorGain"));
    QCOMPARE(written + failed.size(), int(bag.GetEntries().size()));
    QCOMPARE(valueOf(kvx->GetNodeMap(), "SensorGain"), std::string("7.25"));
    QCOMPARE(valueOf(kvx->GetNodeMap(), "Contrast"), std::string("42"));
}

void TestFeatureBag::malformedFiles_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("readable"); // a persistence text, with bad lines
    QTest::addColumn<QString>("error");

    const QByteArray header(kHeader);
    const QByteArray garbage = QByteArray::fromHex("00ff13f2a9e7007b0a8d43c10909fe01");
    QTest::newRow("bad header") << QByteArray("# settings\nWidth\t2000\n") << QByteArray() << qint64(-1)
                                << false << "not a settings file";
    QTest::newRow("empty") << QByteArray() << QByteArray() << qint64(0) << false << "the file is empty";
    QTest::newRow("missing tab") << header + "Width 2000\nHeight\t1000\n"
                                 << QByteArray() << qint64(-1) << true << "line 2: malformed: no tab";
    QTest::newRow("unknown feature") << header + "NoSuchFeature\t1\nHeight\t1000\n"
                                     << QByteArray() << qint64(-1) << true
                                     << "line 2: NoSuchFeature 1: unknown feature";
    QTest::newRow("wrong kind: integer")
        << header + "Width\t20x0\n"
        << QByteArray() << qint64(-1) << true << "bad value: '20x0' is not an integer";
    QTest::newRow("wrong kind: entry") << header + "PixelFormat\tMono99\n"
                                       << QByteArray() << qint64(-1) << true << "'Mono99' is no entry";
    QTest::newRow("wrong kind: boolean") << header + "GSImage\t2\n"
                                         << QByteArray() << qint64(-1) << true << "'2' is not a boolean";
    QTest::newRow("wrong kind: float") << header + "SensorGain\t1,5\n"
                                       << QByteArray() << qint64(-1) << true << "'1,5' is not a float";
    QTest::newRow("wrong kind: command") << header + "AcquisitionStart\t1\n"
                                         << QByteArray() << qint64(-1) << true << "holds no value";
    QTest::newRow("out of range") << header + "Contrast\t256\n"
                                  << QByteArray() << qint64(-1) << true
                                  << "refused: Node 'Contrast': value 256 is out of range";
    QTest::newRow("read-only") << header + "SensorWidth\t100\n"
                               << QByteArray() << qint64(-1) << true
                               << "not writable: the feature is read-only";
    QTest::newRow("huge file") << header << QByteArray("Height\t1000\n") << qint64(100) * 1024 * 1024 << false
                               << "larger than 16 MiB";
    QTest::newRow("binary garbage") << garbage << garbage << qint64(1024 * 1024) << false
                                    << "not a settings file";
    QTest::newRow("binary after the header") << header << garbage << qint64(1024 * 1024) << true
                                             << "line 2: malformed: the line holds binary data";
    QTest::newRow("endless line") << header + "DeviceUserID\t" << QByteArray("x") << qint64(200000) << true
                                  << "longer than 64 KiB";
}

void TestFeatureBag::malformedFiles()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, body);
    QFETCH(qint64, size);
    QFETCH(bool, readable);
    QFETCH(QString, error);

    auto device = openDevice("kvx-slp-camera.xml");
    QVERIFY(device);
    INodeMap* map = device->GetNodeMap();
    RepeatingBuffer buffer(head, body, size < 0 ? head.size() : size);
    std::istream stream(&buffer);
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
             std::string(readable && head.contains("Height\t1000") ? "1000" : "2048"));
    QCOMPARE(valueOf(map, "Width"), std::string("2448"));
}

QTEST_GUILESS_MAIN(TestFeatureBag)
#include "test_featurebag.moc"
