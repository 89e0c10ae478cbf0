// The GenApi node layer on simulated devices: access composition, verify,
// the register cache, exceptions, enumerations, links, properties, string
// conversion and full walks of the device descriptions and of Aravis's own
// fake camera.
#include "aravisfakecamera.h"
#include "arverrorprobe.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using namespace GenApi;
using namespace GenICam;

namespace {

// The kind of GenICam exception that f throws, "none" when it returns.
QString thrownKind(const std::function<void()>& f, QString* description = nullptr)
{
    try {
        f();
    } catch (const GenericException& e) {
        if (description)
            *description = QString::fromUtf8(e.GetDescription());
        if (dynamic_cast<const OutOfRangeException*>(&e))
            return QStringLiteral("OutOfRange");
        if (dynamic_cast<const InvalidArgumentException*>(&e))
            return QStringLiteral("InvalidArgument");
        if (dynamic_cast<const AccessException*>(&e))
            return QStringLiteral("Access");
        if (dynamic_cast<const LogicalErrorException*>(&e))
            return QStringLiteral("LogicalError");
        if (dynamic_cast<const TimeoutException*>(&e))
            return QStringLiteral("Timeout");
        if (dynamic_cast<const RuntimeException*>(&e))
            return QStringLiteral("Runtime");
        return QStringLiteral("Generic");
    } catch (const std::exception& e) {
        if (description)
            *description = QString::fromUtf8(e.what());
        return QStringLiteral("std");
    }
    return QStringLiteral("none");
}

QString text(const gcstring& s)
{
    return QString::fromUtf8(s.c_str());
}

QStringList names(const NodeList_t& nodes)
{
    QStringList list;
    for (INode* node : nodes)
        list << text(node->GetName());
    return list;
}

QStringList names(const FeatureList_t& values)
{
    QStringList list;
    for (IValue* value : values)
        list << text(value->GetNode()->GetName());
    return list;
}

QStringList texts(const StringList_t& strings)
{
    QStringList list;
    for (const gcstring& s : strings)
        list << text(s);
    return list;
}

// Reads everything a feature tree reads of a node; returns the exceptions
// that escaped from calls that must not throw on a healthy device. With
// verify, values must also lie within their limits and match an entry.
QStringList walkNode(INode* node, bool verify = false)
{
    QStringList problems;
    const QString name = text(node->GetName());
    auto guard = [&](const char* what, const std::function<void()>& f) {
        QString description;
        const QString kind = thrownKind(f, &description);
        if (kind != QLatin1String("none"))
            problems << QStringLiteral("%1 %2: %3 %4").arg(name, QLatin1String(what), kind, description);
    };
    guard("info", [&] {
        node->GetDisplayName();
        node->GetToolTip();
        node->GetDescription();
        node->GetVisibility();
        node->GetNameSpace();
        node->IsFeature();
        node->GetPrincipalInterfaceType();
        NodeList_t list;
        node->GetChildren(list, ctReadingChildren);
        node->GetParents(list);
        gcstring value, attribute;
        node->GetProperty("NodeType", value, attribute);
        node->GetProperty("Visibility", value, attribute);
    });
    const EAccessMode mode = node->GetAccessMode();
    if (mode != RO && mode != RW)
        return problems;
    CValuePtr value(node);
    if (value.IsValid() && node->GetPrincipalInterfaceType() != intfICommand)
        guard("ToString", [&] { value->ToString(); });
    CIntegerPtr integer(node);
    if (integer)
        guard("limits", [&] {
            integer->GetMin();
            integer->GetMax();
            integer->GetInc();
            integer->GetValue(verify, true);
        });
    CFloatPtr floating(node);
    if (floating)
        guard("limits", [&] {
            floating->GetMin();
            floating->GetMax();
            if (floating->HasInc())
                floating->GetInc();
            floating->GetValue(verify, true);
        });
    CEnumerationPtr enumeration(node);
    if (enumeration)
        guard("entries", [&] {
            StringList_t symbolics;
            enumeration->GetSymbolics(symbolics);
            enumeration->GetCurrentEntry();
            enumeration->GetIntValue(verify, true);
        });
    return problems;
}

} // namespace

// Every test starts on a fresh device over data/node-values.xml (m_map);
// the access and cache tests open their own descriptions.
class TestGenApiNodes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void accessComposition_data();
    void accessComposition();
    void notReadableNotWritable_data();
    void notReadableNotWritable();
    void verify_data();
    void verify();
    void verifyOnRead();
    void cacheCountsRegisterReads();
    void invalidatorAndInvalidateNode();
    void sharedWordStaysConsistent();
    void pollingTime();
    void exceptionDetails_data();
    void exceptionDetails();
    void aravisErrorKinds_data();
    void aravisErrorKinds();
    void enumerationOrderAndEntries();
    void enumerationValues();
    void linksAndFeatures();
    void properties_data();
    void properties();
    void documentation();
    void nodesInDocumentOrder();
    void pointers();
    void imposedLimits();
    void selectors();
    void stringConversion_data();
    void stringConversion();
    void command();
    void registerBytes();
    void lostDeviceFailsAtOnce();
    void concurrentAccess();
    void walkDeviceDescriptions_data();
    void walkDeviceDescriptions();
    void walkAravisFakeCamera_data();
    void walkAravisFakeCamera();

private:
    //! Replaces the device with one over data/<file>; its node map, or null.
    INodeMap* reopen(const char* file)
    {
        const QString path = QFINDTESTDATA(QStringLiteral("data/") + QLatin1String(file));
        std::string error;
        m_device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
        if (!m_device)
            qWarning("cannot open %s: %s", qPrintable(path), error.c_str());
        m_map = m_device ? m_device->GetNodeMap() : nullptr;
        return m_map;
    }

    std::unique_ptr<CDeviceConnection> m_device;
    INodeMap* m_map = nullptr;
};

void TestGenApiNodes::init()
{
    QVERIFY(reopen("node-values.xml"));
}

void TestGenApiNodes::cleanup()
{
    m_map = nullptr;
    m_device.reset();
}

// --- access -------------------------------------------------------------------

void TestGenApiNodes::accessComposition_data()
{
    QTest::addColumn<int>("implemented");
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("locked");
    QTest::addColumn<int>("guarded");  // RW register behind all three switches
    QTest::addColumn<int>("lockedWO"); // WO register behind pIsLocked
    QTest::addColumn<int>("chained");  // its register is behind pIsAvailable

    QTest::newRow("all on") << 1 << 1 << 0 << int(RW) << int(WO) << int(RW);
    QTest::newRow("locked") << 1 << 1 << 1 << int(RO) << int(NA) << int(RW);
    QTest::newRow("unavailable") << 1 << 0 << 0 << int(NA) << int(WO) << int(NA);
    QTest::newRow("unavailable and locked") << 1 << 0 << 1 << int(NA) << int(NA) << int(NA);
    QTest::newRow("not implemented") << 0 << 1 << 0 << int(NI) << int(WO) << int(RW);
    QTest::newRow("not implemented wins") << 0 << 0 << 1 << int(NI) << int(NA) << int(NA);
}

void TestGenApiNodes::accessComposition()
{
    QFETCH(int, implemented);
    QFETCH(int, available);
    QFETCH(int, locked);
    QFETCH(int, guarded);
    QFETCH(int, lockedWO);
    QFETCH(int, chained);

    INodeMap* map = reopen("node-access.xml");
    QVERIFY(map);
    CIntegerPtr(map->GetNode("Implemented"))->SetValue(implemented);
    CIntegerPtr(map->GetNode("Available"))->SetValue(available);
    CIntegerPtr(map->GetNode("Locked"))->SetValue(locked);

    QCOMPARE(int(map->GetNode("Guarded")->GetAccessMode()), guarded);
    QCOMPARE(int(map->GetNode("LockedWO")->GetAccessMode()), lockedWO);
    QCOMPARE(int(map->GetNode("ChainedToUnavailable")->GetAccessMode()), chained);
    // Nodes that no switch touches.
    QCOMPARE(map->GetNode("ImposedWOOnRO")->GetAccessMode(), NA);
    QCOMPARE(map->GetNode("Root")->GetAccessMode(), RO);
}

void TestGenApiNodes::notReadableNotWritable_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<int>("available");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("writable");

    QTest::newRow("RW") << "ValueRW" << 1 << true << true;
    QTest::newRow("RO") << "ValueRO" << 1 << true << false;
    QTest::newRow("WO") << "ValueWO" << 1 << false << true;
    QTest::newRow("imposed RO") << "ImposedRO" << 1 << true << false;
    QTest::newRow("NA") << "Guarded" << 0 << false << false;
}

void TestGenApiNodes::notReadableNotWritable()
{
    QFETCH(QString, node);
    QFETCH(int, available);
    QFETCH(bool, readable);
    QFETCH(bool, writable);

    INodeMap* map = reopen("node-access.xml");
    QVERIFY(map);
    CIntegerPtr(map->GetNode("Available"))->SetValue(available);
    CIntegerPtr value(map->GetNode(node.toUtf8().constData()));
    QVERIFY(value);
    QCOMPARE(value->GetNode()->GetAccessMode(), readable ? (writable ? RW : RO) : (writable ? WO : NA));

    QString description;
    QCOMPARE(thrownKind([&] { value->GetValue(); }, &description), readable ? "none" : "Access");
    if (!readable)
        QVERIFY2(description.contains("Node is not readable"), qPrintable(description));
    QCOMPARE(thrownKind([&] { value->ToString(); }), readable ? "none" : "Access");

    QCOMPARE(thrownKind([&] { value->SetValue(5); }, &description), writable ? "none" : "Access");
    if (!writable)
        QVERIFY2(description.contains("Node is not writable"), qPrintable(description));
    if (readable && writable)
        QCOMPARE(value->GetValue(), 5);
}

// --- verify -------------------------------------------------------------------

void TestGenApiNodes::verify_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("verify");
    QTest::addColumn<QString>("kind");

    const struct
    {
        const char *tag, *node, *text;
        bool verify;
        const char* kind;
    } rows[] = {
        {"int in range", "Width", "648", true, "none"},
        {"int minimum", "Width", "16", true, "none"},
        {"int maximum", "Width", "4096", true, "none"},
        {"int below minimum", "Width", "8", true, "OutOfRange"},
        {"int above maximum", "Width", "4104", true, "OutOfRange"},
        {"int off increment", "Width", "641", true, "OutOfRange"},
        {"int off increment unverified", "Width", "641", false, "none"},
        {"int not a number", "Width", "wide", true, "InvalidArgument"},
        {"float on increment", "Gain", "6.5", true, "none"},
        {"float off increment", "Gain", "6.25", true, "OutOfRange"},
        {"float above maximum", "Gain", "24.5", true, "OutOfRange"},
        {"float above maximum unverified", "Gain", "24.5", false, "none"},
        {"float without increment", "ExposureTime", "1234.567", true, "none"},
        {"float below minimum", "ExposureTime", "1", true, "OutOfRange"},
        {"float not a number", "ExposureTime", "1.2.3", true, "InvalidArgument"},
        {"enum entry", "PixelFormat", "RGB8", true, "none"},
        {"enum missing entry", "PixelFormat", "YUV422", true, "InvalidArgument"},
        {"enum unavailable entry", "PixelFormat", "Mono12", true, "InvalidArgument"},
        {"bool word", "ReverseX", "True", true, "none"},
        {"bool garbage", "ReverseX", "yes please", true, "InvalidArgument"},
        {"string fits", "DeviceLabel", "left camera", true, "none"},
        {"string too long", "DeviceLabel", "a label far too long", true, "OutOfRange"},
        {"swiss knife is read-only", "DoubleWidth", "10", true, "Access"},
    };
    for (const auto& r : rows)
        QTest::newRow(r.tag) << QString(r.node) << QString(r.text) << r.verify << QString(r.kind);
}

void TestGenApiNodes::verify()
{
    QFETCH(QString, node);
    QFETCH(QString, text);
    QFETCH(bool, verify);
    QFETCH(QString, kind);

    CValuePtr value(m_map->GetNode(node.toUtf8().constData()));
    QVERIFY(value);
    const gcstring before = value->ToString();
    QString description;
    QCOMPARE(thrownKind([&] { value->FromString(text.toUtf8().constData(), verify); }, &description), kind);
    if (kind == QLatin1String("none")) {
        if (node != QLatin1String("ReverseX"))
            QCOMPARE(::text(value->ToString(false, true)), text);
    } else {
        QVERIFY2(description.contains(node), qPrintable(description));
        QCOMPARE(value->ToString(false, true), before);
    }
}

void TestGenApiNodes::verifyOnRead()
{
    CIntegerPtr width(m_map->GetNode("Width"));
    CIntegerPtr(m_map->GetNode("WidthReg"))->SetValue(5000);
    QCOMPARE(width->GetValue(), 5000);
    QCOMPARE(thrownKind([&] { width->GetValue(true); }), "OutOfRange");

    CFloatPtr gain(m_map->GetNode("Gain"));
    gain->SetValue(30.0, false);
    QCOMPARE(gain->GetValue(), 30.0);
    QCOMPARE(thrownKind([&] { gain->GetValue(true); }), "OutOfRange");

    CEnumerationPtr format(m_map->GetNode("PixelFormat"));
    CIntegerPtr(m_map->GetNode("PixelFormatReg"))->SetValue(5);
    QCOMPARE(format->GetIntValue(), 5);
    QCOMPARE(thrownKind([&] { format->GetIntValue(true); }), "OutOfRange");
}

// --- cache --------------------------------------------------------------------

void TestGenApiNodes::cacheCountsRegisterReads()
{
    INodeMap* map = reopen("node-cache.xml");
    QVERIFY(map);
    CIntegerPtr cached(map->GetNode("Cached"));
    CIntegerPtr uncached(map->GetNode("Uncached"));
    auto reads = [&] { return m_device->GetStatistics().registerReads; };

    // The initial values were written through the registers: known already.
    m_device->ResetStatistics();
    QCOMPARE(cached->GetValue(), 1);
    QCOMPARE(reads(), 0u);
    map->InvalidateNodes();
    QCOMPARE(cached->GetValue(), 1);
    QCOMPARE(reads(), 1u);
    QCOMPARE(cached->GetValue(), 1);
    QCOMPARE(cached->ToString(), gcstring("1"));
    QCOMPARE(reads(), 1u);
    QVERIFY(cached->IsValueCacheValid());
    QVERIFY(map->GetNode("Cached")->IsCachable());

    // IgnoreCache goes to the device every time, and refreshes the cache.
    QCOMPARE(cached->GetValue(false, true), 1);
    QCOMPARE(cached->ToString(false, true), gcstring("1"));
    QCOMPARE(reads(), 3u);
    cached->GetValue();
    QCOMPARE(reads(), 3u);

    // A written WriteThrough register is known without reading it.
    cached->SetValue(9);
    QCOMPARE(cached->GetValue(), 9);
    QCOMPARE(reads(), 3u);
    QCOMPARE(m_device->GetStatistics().registerWrites, 1u);

    // NoCache: every read reaches the device.
    m_device->ResetStatistics();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(uncached->GetValue(), 2);
    QCOMPARE(reads(), 3u);
    QVERIFY(!map->GetNode("Uncached")->IsCachable());
    QCOMPARE(map->GetNode("Uncached")->GetCachingMode(), NoCache);
    QCOMPARE(map->GetNode("CachedReg")->GetCachingMode(), WriteThrough);
    QVERIFY(!uncached->IsValueCacheValid());
}

void TestGenApiNodes::invalidatorAndInvalidateNode()
{
    INodeMap* map = reopen("node-cache.xml");
    QVERIFY(map);
    CIntegerPtr payload(map->GetNode("PayloadSize"));
    CIntegerPtr width(map->GetNode("Width"));
    auto reads = [&] { return m_device->GetStatistics().registerReads; };

    QCOMPARE(payload->GetValue(), 10000);
    m_device->ResetStatistics();
    payload->GetValue();
    QCOMPARE(reads(), 0u);

    // Writing Width invalidates the payload register (pInvalidator).
    width->SetValue(200);
    QVERIFY(!payload->IsValueCacheValid());
    payload->GetValue();
    payload->GetValue();
    QCOMPARE(reads(), 1u);

    NodeList_t invalidated;
    map->GetNode("Width")->GetChildren(invalidated, ctInvalidatingChildren);
    QCOMPARE(names(invalidated), (QStringList{"PayloadReg", "OffsetXMaxReg"}));

    // Limits too: after Width changes, the register of OffsetX's maximum is
    // read again once, whether the value or the maximum is asked first.
    CIntegerPtr offset(map->GetNode("OffsetX"));
    QCOMPARE(offset->GetMax(), 1000);
    m_device->ResetStatistics();
    QCOMPARE(offset->GetMax(), 1000);
    QCOMPARE(reads(), 0u);
    width->SetValue(250);
    QCOMPARE(offset->GetValue(), 0);
    QCOMPARE(offset->GetMax(), 1000);
    QCOMPARE(reads(), 1u);
    width->SetValue(260);
    QCOMPARE(offset->GetMax(), 1000);
    QCOMPARE(offset->GetValue(), 0);
    QCOMPARE(reads(), 2u);

    // A write to the register behind Width invalidates as well.
    payload->GetValue();
    m_device->ResetStatistics();
    CIntegerPtr(map->GetNode("WidthReg"))->SetValue(300);
    payload->GetValue();
    QCOMPARE(reads(), 1u);

    // InvalidateNode forces the next read (InvalidateNodes: see above).
    m_device->ResetStatistics();
    map->GetNode("PayloadSize")->InvalidateNode();
    payload->GetValue();
    payload->GetValue();
    QCOMPARE(reads(), 1u);
}

void TestGenApiNodes::sharedWordStaysConsistent()
{
    CIntegerPtr low(m_map->GetNode("FieldLow"));
    CIntegerPtr high(m_map->GetNode("FieldHigh"));
    CIntegerPtr word(m_map->GetNode("FieldWord"));
    QCOMPARE(low->GetValue(), 0x11);
    QCOMPARE(high->GetValue(), 0x22);
    QCOMPARE(word->GetValue(), 0x2211);

    // Each write modifies its bits of the word the device holds now.
    low->SetValue(0x12);
    high->SetValue(0x34);
    QCOMPARE(word->GetValue(), 0x3412);
    QCOMPARE(low->GetValue(), 0x12);
    QCOMPARE(word->GetValue(false, true), 0x3412);

    word->SetValue(0xabcd);
    QCOMPARE(low->GetValue(), 0xcd);
    QCOMPARE(high->GetValue(), 0xab);
}

void TestGenApiNodes::pollingTime()
{
    INodeMap* map = reopen("node-cache.xml");
    QVERIFY(map);
    CIntegerPtr polled(map->GetNode("Polled"));
    auto reads = [&] { return m_device->GetStatistics().registerReads; };

    QCOMPARE(map->GetNode("Polled")->GetPollingTime(), 600000);
    QCOMPARE(map->GetNode("Cached")->GetPollingTime(), -1);
    polled->GetValue();
    m_device->ResetStatistics();
    polled->GetValue();
    map->Poll(1000);
    polled->GetValue();
    QCOMPARE(reads(), 0u);
    // Poll() reports that the polling time has passed: read again once.
    map->Poll(600000);
    polled->GetValue();
    polled->GetValue();
    QCOMPARE(reads(), 1u);

    // A value older than its polling time (1 ms) is read again.
    CIntegerPtr fast(map->GetNode("FastPolled"));
    fast->GetValue();
    const uint64_t before = reads();
    QTest::qWait(5);
    fast->GetValue();
    QCOMPARE(reads(), before + 1);
}

// --- exceptions -----------------------------------------------------------------

void TestGenApiNodes::exceptionDetails_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"Access", "OutOfRange", "InvalidArgument", "LogicalError", "Runtime"})
        QTest::newRow(kind) << QString(kind);
}

void TestGenApiNodes::exceptionDetails()
{
    QFETCH(QString, kind);
    INodeMap* map = m_map;
    const QHash<QString, std::function<void()>> faults = {
        {"Access", [&] { CIntegerPtr(map->GetNode("ChipId"))->SetValue(1); }},
        {"OutOfRange", [&] { CIntegerPtr(map->GetNode("Width"))->SetValue(1); }},
        {"InvalidArgument", [&] { CEnumerationPtr(map->GetNode("PixelFormat"))->FromString("Bayer"); }},
        {"LogicalError", [&] { CIntegerPtr(map->GetNode("Gain"))->GetValue(); }},
        {"Runtime", [&] { CIntegerPtr(map->GetNode("Portless"))->GetValue(); }},
    };
    const std::function<void()> fault = faults.value(kind);

    QCOMPARE(thrownKind(fault), kind);
    try {
        fault();
        QFAIL("no exception");
    } catch (const GenericException& e) {
        const QString description = QString::fromUtf8(e.GetDescription());
        const QString what = QString::fromUtf8(e.what());
        QVERIFY(!description.isEmpty());
        QVERIFY2(what.contains(description), qPrintable(what));
        QVERIFY2(what.contains(kind), qPrintable(what));
        const QString file = QString::fromUtf8(e.GetSourceFileName());
        QVERIFY2(file.endsWith(".cpp") || file.endsWith(".h"), qPrintable(file));
        QVERIFY(what.contains(QFileInfo(file).fileName()));
        QVERIFY(e.GetSourceLine() > 0);
        QVERIFY(what.contains(QString::number(e.GetSourceLine())));
    }
}

void TestGenApiNodes::aravisErrorKinds_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("lost");
    QTest::addColumn<QString>("kind");

    QTest::newRow("range") << false << "ARV_GC_ERROR_OUT_OF_RANGE" << false << "OutOfRange";
    QTest::newRow("entry") << false << "ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND" << false << "InvalidArgument";
    QTest::newRow("syntax") << false << "ARV_GC_ERROR_INVALID_SYNTAX" << false << "InvalidArgument";
    QTest::newRow("read-only") << false << "ARV_GC_ERROR_READ_ONLY" << false << "Access";
    QTest::newRow("missing node") << false << "ARV_GC_ERROR_NODE_NOT_FOUND" << false << "Runtime";
    QTest::newRow("timeout") << true << "ARV_DEVICE_ERROR_TIMEOUT" << false << "Timeout";
    QTest::newRow("write protect") << true << "ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT" << false
                                   << "Access";
    QTest::newRow("access denied") << true << "ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED" << false
                                   << "Access";
    QTest::newRow("transfer") << true << "ARV_DEVICE_ERROR_TRANSFER_ERROR" << false << "Runtime";
    QTest::newRow("lost") << true << "ARV_DEVICE_ERROR_NOT_CONNECTED" << true << "Access";
    QTest::newRow("timeout once lost") << true << "ARV_DEVICE_ERROR_TIMEOUT" << true << "Access";
}

void TestGenApiNodes::aravisErrorKinds()
{
    QFETCH(bool, device);
    QFETCH(QString, code);
    QFETCH(bool, lost);
    QFETCH(QString, kind);

    const int value = aravisErrorCode(code.toStdString());
    QVERIFY(value >= 0);
    QString description;
    const auto domain = device ? AravisErrorDomain::Device : AravisErrorDomain::Description;
    QCOMPARE(thrownKind([&] { throwConvertedAravisError(domain, value, lost); }, &description), kind);
    QVERIFY2(description.contains("Probe"), qPrintable(description));
    QVERIFY2(description.contains(QStringLiteral("probe error %1").arg(value)), qPrintable(description));
    QCOMPARE(description.contains("lost"), lost);
}

// --- enumerations -----------------------------------------------------------------

void TestGenApiNodes::enumerationOrderAndEntries()
{
    CEnumerationPtr format(m_map->GetNode("PixelFormat"));
    QVERIFY(format);
    StringList_t symbolics;
    format->GetSymbolics(symbolics);
    QCOMPARE(texts(symbolics), (QStringList{"Mono8", "RGB8", "Mono16"}));
    CIntegerPtr(m_map->GetNode("Mono12Allowed"))->SetValue(1);
    format->GetSymbolics(symbolics);
    QCOMPARE(texts(symbolics), (QStringList{"Mono8", "RGB8", "Mono16", "Mono12"}));

    NodeList_t entries;
    format->GetEntries(entries);
    QCOMPARE(names(entries), (QStringList{"EnumEntry_PixelFormat_Mono8", "EnumEntry_PixelFormat_RGB8",
                                          "EnumEntry_PixelFormat_Mono16", "EnumEntry_PixelFormat_Mono12"}));
    NodeList_t children;
    m_map->GetNode("PixelFormat")->GetChildren(children, ctReadingChildren);
    QVERIFY(names(children).startsWith("EnumEntry_PixelFormat_Mono8"));

    QVERIFY(!format->GetEntryByName("YUV422"));
    IEnumEntry* rgb = format->GetEntryByName("RGB8");
    QVERIFY(rgb);
    QCOMPARE(rgb->GetValue(), 35127316);
    QCOMPARE(rgb->GetNumericValue(), 24.0);
    QVERIFY(!rgb->IsSelfClearing());
    QCOMPARE(rgb->GetNode(), m_map->GetNode("EnumEntry_PixelFormat_RGB8"));
    IEnumEntry* mono16 = format->GetEntryByName("Mono16");
    QCOMPARE(mono16->GetNumericValue(), 17825799.0); // no NumericValue: the integer value
    QVERIFY(mono16->IsSelfClearing());
    QCOMPARE(format->GetEntry(17301505), format->GetEntryByName("Mono8"));
    QVERIFY(!format->GetEntry(1));
    QCOMPARE(format->GetEntryByName("Mono8")->GetNode()->GetToolTip(), gcstring("8 bits per pixel."));
}

void TestGenApiNodes::enumerationValues()
{
    CEnumerationPtr format(m_map->GetNode("PixelFormat"));
    CIntegerPtr reg(m_map->GetNode("PixelFormatReg"));
    QCOMPARE(format->GetCurrentEntry()->GetSymbolic(), gcstring("Mono8"));
    format->SetIntValue(35127316);
    QCOMPARE(format->GetIntValue(true, true), 35127316);
    QCOMPARE(format->ToString(), gcstring("RGB8"));
    QCOMPARE(format->GetCurrentEntry(false, false)->GetSymbolic(), gcstring("RGB8"));
    *format = "Mono16";
    QCOMPARE(reg->GetValue(), 17825799);
    QCOMPARE(thrownKind([&] { format->SetIntValue(12345); }), "InvalidArgument");

    // A value that matches no entry: no current entry, the number as text.
    reg->SetValue(12345);
    QVERIFY(!format->GetCurrentEntry());
    QCOMPARE(format->ToString(), gcstring("12345"));

    // An enumeration held in memory (Value, no register).
    CEnumerationPtr gainAuto(m_map->GetNode("GainAuto"));
    QCOMPARE(gainAuto->ToString(), gcstring("Off"));
    gainAuto->FromString("Continuous");
    QCOMPARE(gainAuto->GetIntValue(), 2);
}

// --- links, properties, order ------------------------------------------------------

void TestGenApiNodes::linksAndFeatures()
{
    NodeList_t list;
    m_map->GetNode("ImageFormat")->GetChildren(list, ctReadingChildren);
    QCOMPARE(names(list), (QStringList{"Width", "Gain", "ExposureTime", "PixelFormat", "ReverseX", "Sub"}));
    FeatureList_t features;
    CCategoryPtr(m_map->GetNode("Sub"))->GetFeatures(features);
    QCOMPARE(names(features), (QStringList{"DeviceLabel", "Width"}));

    const QList<QPair<const char*, QStringList>> parents = {
        {"Width", {"ImageFormat", "Sub"}}, {"Sub", {"ImageFormat"}}, {"Root", {}}, {"WidthReg", {}}};
    for (const auto& p : parents) {
        m_map->GetNode(p.first)->GetParents(list);
        QCOMPARE(names(list), p.second);
    }
    m_map->GetNode("Width")->GetChildren(list, ctReadingChildren);
    QCOMPARE(names(list), QStringList{"WidthReg"});
    m_map->GetNode("GainPercent")->GetChildren(list, ctReadingChildren);
    QCOMPARE(names(list), QStringList{"GainReg"});

    for (const char* feature : {"Root", "Sub", "DeviceLabel", "GainAuto"})
        QVERIFY2(m_map->GetNode(feature)->IsFeature(), feature);
    for (const char* other : {"Hidden", "WidthReg", "Mono12Allowed"})
        QVERIFY2(!m_map->GetNode(other)->IsFeature(), other);
    QCOMPARE(m_map->GetNode("Width")->GetNodeMap(), m_map);
}

void TestGenApiNodes::properties_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("property");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("attribute");

    const struct
    {
        const char *tag, *node, *property;
        bool found;
        const char *value, *attribute;
    } rows[] = {
        {"NodeType integer", "Width", "NodeType", true, "Integer", ""},
        {"NodeType register", "GainReg", "NodeType", true, "FloatReg", ""},
        {"NodeType entry", "EnumEntry_PixelFormat_RGB8", "NodeType", true, "EnumEntry", ""},
        {"NameSpace given", "Width", "NameSpace", true, "Standard", ""},
        {"NameSpace missing", "Gain", "NameSpace", true, "Custom", ""},
        {"Visibility", "Gain", "Visibility", true, "Expert", ""},
        {"Visibility absent", "Hidden", "Visibility", false, "", ""},
        {"Streamable", "Width", "Streamable", true, "Yes", ""},
        {"Streamable absent", "Gain", "Streamable", false, "", ""},
        {"pIsAvailable", "EnumEntry_PixelFormat_Mono12", "pIsAvailable", true, "Mono12Allowed", ""},
        {"pIsAvailable absent", "Width", "pIsAvailable", false, "", ""},
        {"Unit", "Width", "Unit", true, "px", ""},
        {"repeated", "Root", "pFeature", true, "ImageFormat\tNetwork\tControl", "\t\t"},
        {"attribute", "GainPercent", "pVariable", true, "GainReg", "G"},
        {"unknown", "Width", "NoSuchElement", false, "", ""},
    };
    for (const auto& r : rows)
        QTest::newRow(r.tag) << QString(r.node) << QString(r.property) << r.found << QString(r.value)
                             << QString(r.attribute);
}

void TestGenApiNodes::properties()
{
    QFETCH(QString, node);
    QFETCH(QString, property);
    QFETCH(bool, found);
    QFETCH(QString, value);
    QFETCH(QString, attribute);

    INode* n = m_map->GetNode(node.toUtf8().constData());
    QVERIFY(n);
    gcstring valueText("stale"), attributeText("stale");
    QCOMPARE(n->GetProperty(property.toUtf8().constData(), valueText, attributeText), found);
    QCOMPARE(text(valueText), value);
    QCOMPARE(text(attributeText), attribute);
    if (found) {
        gcstring_vector propertyNames;
        n->GetPropertyNames(propertyNames);
        QVERIFY(std::find(propertyNames.begin(), propertyNames.end(),
                          gcstring(property.toUtf8().constData())) != propertyNames.end());
    }
}

// What the typed getters read from the description (the limits show in
// verify()).
void TestGenApiNodes::documentation()
{
    INode* width = m_map->GetNode("Width");
    INode* gainNode = m_map->GetNode("Gain");
    QCOMPARE(width->GetName(true), gcstring("Std::Width"));
    QCOMPARE(gainNode->GetName(true), gcstring("Cust::Gain"));
    QCOMPARE(width->GetToolTip(), gcstring("Width of the image."));
    QCOMPARE(width->GetDescription(), gcstring("Width of the image provided by the device (in pixels)."));
    QCOMPARE(width->GetDisplayName(), gcstring("Image Width"));
    QCOMPARE(gainNode->GetDisplayName(), gcstring("Gain")); // none given: the name
    QCOMPARE(width->GetDocuURL(), gcstring("https://example.invalid/width"));
    QCOMPARE(width->GetEventID(), gcstring("9001"));
    QVERIFY(width->IsStreamable() && !gainNode->IsStreamable());
    QVERIFY(m_map->GetNode("ChipId")->IsDeprecated() && !width->IsDeprecated());
    QCOMPARE(width->GetDeviceName(), gcstring("NodeValues"));
    QCOMPARE(m_map->GetDeviceName(), gcstring("NodeValues"));

    QVERIFY(width->GetNameSpace() == Standard && gainNode->GetNameSpace() == Custom);
    QCOMPARE(width->GetVisibility(), Beginner);
    QCOMPARE(gainNode->GetVisibility(), Expert);
    QCOMPARE(m_map->GetNode("ReverseX")->GetVisibility(), Guru);
    QCOMPARE(m_map->GetNode("DeviceLabel")->GetVisibility(), Invisible);
    QCOMPARE(m_map->GetNode("Hidden")->GetVisibility(), Beginner);

    QCOMPARE(CIntegerPtr(width)->GetInc(), 8);
    QCOMPARE(CIntegerPtr(width)->GetIncMode(), fixedIncrement);
    QCOMPARE(CIntegerPtr(width)->GetUnit(), gcstring("px"));
    QCOMPARE(CIntegerPtr(width)->GetRepresentation(), Linear);
    QCOMPARE(CIntegerPtr(m_map->GetNode("ChipId"))->GetRepresentation(), HexNumber);
    QCOMPARE(CIntegerPtr(m_map->GetNode("Hidden"))->GetRepresentation(), PureNumber);
    CFloatPtr gain(gainNode);
    QVERIFY(gain->HasInc());
    QCOMPARE(gain->GetInc(), 0.5);
    QCOMPARE(gain->GetIncMode(), fixedIncrement);
    QCOMPARE(gain->GetDisplayNotation(), fnFixed);
    QCOMPARE(gain->GetDisplayPrecision(), 2);
    CFloatPtr exposure(m_map->GetNode("ExposureTime"));
    QVERIFY(!exposure->HasInc());
    QCOMPARE(exposure->GetIncMode(), noIncrement);
    QCOMPARE(exposure->GetUnit(), gcstring("us"));
    QCOMPARE(CStringPtr(m_map->GetNode("DeviceLabel"))->GetMaxLength(), 16);
}

void TestGenApiNodes::nodesInDocumentOrder()
{
    NodeList_t nodes;
    m_map->GetNodes(nodes);
    const QStringList all = names(nodes);
    QCOMPARE(all.mid(0, 10), (QStringList{"Root", "ImageFormat", "Sub", "Network", "Control", "Width", "Gain",
                                          "ExposureTime", "PixelFormat", "EnumEntry_PixelFormat_Mono8"}));
    QCOMPARE(all.last(), QStringLiteral("Device"));
    QCOMPARE(uint64_t(nodes.size()), m_map->GetNumNodes());
    QStringList unique = all;
    QCOMPARE(unique.removeDuplicates(), 0);
    for (INode* node : nodes)
        QCOMPARE(m_map->GetNode(node->GetName()), node);
    QVERIFY(!m_map->GetNode("NoSuchNode"));
    QVERIFY(!m_map->GetNode(""));
}

void TestGenApiNodes::pointers()
{
    CIntegerPtr empty;
    QVERIFY(!empty.IsValid());
    QCOMPARE(thrownKind([&] { empty->GetValue(); }), "LogicalError");
    CValuePtr fromNull(static_cast<INode*>(nullptr));
    QVERIFY(!fromNull.IsValid());
    QCOMPARE(thrownKind([&] { fromNull->ToString(); }), "LogicalError");
    QVERIFY(!CIntegerPtr(m_map->GetNode("NoSuchNode")).IsValid());

    // Cross-casts between the kinds of one node.
    INode* gainNode = m_map->GetNode("Gain");
    CFloatPtr gain(gainNode);
    QCOMPARE(CNodePtr(gain).get(), gainNode);
    CValuePtr value(gainNode);
    QCOMPARE(value->GetNode(), gainNode);
    QCOMPARE(CFloatPtr(value).get(), gain.get());

    const QList<QPair<const char*, EInterfaceType>> kinds = {{"Width", intfIInteger},
                                                             {"Gain", intfIFloat},
                                                             {"ReverseX", intfIBoolean},
                                                             {"DeviceLabel", intfIString},
                                                             {"PixelFormat", intfIEnumeration},
                                                             {"TriggerSoftware", intfICommand},
                                                             {"Raw", intfIRegister},
                                                             {"Root", intfICategory},
                                                             {"GainPercent", intfIFloat},
                                                             {"DoubleWidth", intfIInteger},
                                                             {"Device", intfIPort},
                                                             {"WidthReg", intfIInteger},
                                                             {"EnumEntry_PixelFormat_RGB8", intfIEnumEntry}};
    for (const auto& kind : kinds) {
        INode* node = m_map->GetNode(kind.first);
        QVERIFY2(node, kind.first);
        QCOMPARE(node->GetPrincipalInterfaceType(), kind.second);
        QCOMPARE(CIntegerPtr(node).IsValid(), kind.second == intfIInteger);
        QCOMPARE(CFloatPtr(node).IsValid(), kind.second == intfIFloat);
        QCOMPARE(CBooleanPtr(node).IsValid(), kind.second == intfIBoolean);
        QCOMPARE(CStringPtr(node).IsValid(), kind.second == intfIString);
        QCOMPARE(CEnumerationPtr(node).IsValid(), kind.second == intfIEnumeration);
        QCOMPARE(CCommandPtr(node).IsValid(), kind.second == intfICommand);
        QCOMPARE(CRegisterPtr(node).IsValid(), kind.second == intfIRegister);
        QCOMPARE(CCategoryPtr(node).IsValid(), kind.second == intfICategory);
    }
}

void TestGenApiNodes::imposedLimits()
{
    INode* node = m_map->GetNode("Width");
    CIntegerPtr width(node);
    width->ImposeMin(32);
    width->ImposeMax(1024);
    QCOMPARE(width->GetMin(), 32);
    QCOMPARE(width->GetMax(), 1024);
    QCOMPARE(thrownKind([&] { width->SetValue(16); }), "OutOfRange");
    QCOMPARE(thrownKind([&] { width->SetValue(2048); }), "OutOfRange");
    width->SetValue(40);
    QCOMPARE(width->GetValue(), 40);

    CFloatPtr gain(m_map->GetNode("Gain"));
    gain->ImposeMax(12.0);
    QCOMPARE(gain->GetMax(), 12.0);
    QCOMPARE(thrownKind([&] { gain->SetValue(12.5); }), "OutOfRange");

    node->ImposeVisibility(Guru);
    QCOMPARE(node->GetVisibility(), Guru);
    m_map->GetNode("ReverseX")->ImposeVisibility(Beginner);
    QCOMPARE(m_map->GetNode("ReverseX")->GetVisibility(), Guru); // the stricter one stays

    node->ImposeAccessMode(RO);
    QCOMPARE(node->GetAccessMode(), RO);
    QCOMPARE(thrownKind([&] { width->SetValue(48); }), "Access");
    node->ImposeAccessMode(RW);
    QCOMPARE(node->GetAccessMode(), RW);
}

void TestGenApiNodes::selectors()
{
    INode* gainAuto = m_map->GetNode("GainAuto");
    QVERIFY(gainAuto->IsSelector());
    QVERIFY(!m_map->GetNode("Gain")->IsSelector());
    FeatureList_t features;
    gainAuto->GetSelectedFeatures(features);
    QCOMPARE(names(features), QStringList{"Gain"});
    m_map->GetNode("Gain")->GetSelectingFeatures(features);
    QCOMPARE(names(features), QStringList{"GainAuto"});
    m_map->GetNode("Width")->GetSelectingFeatures(features);
    QVERIFY(features.empty());
}

// --- text -------------------------------------------------------------------------

// Representations, formulas and spellings; plain round trips of each kind
// are checked by verify().
void TestGenApiNodes::stringConversion_data()
{
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("input");  // empty: only read
    QTest::addColumn<QString>("output"); // ToString afterwards

    const struct
    {
        const char *tag, *node, *input, *output;
    } rows[] = {
        {"hex reads as hex", "ChipId", "", "0xbeef"},
        {"hex register input", "WidthReg", "0x288", "648"},
        {"IPv4 read", "CurrentIP", "", "192.168.1.10"},
        {"IPv4 input", "CurrentIP", "10.0.0.254", "10.0.0.254"},
        {"IPv4 as number", "CurrentIP", "0x0A000001", "10.0.0.1"},
        {"MAC read", "MacAddress", "", "00:11:22:33:44:AB"},
        {"MAC input", "MacAddress", "A1:B2:C3:D4:E5:F6", "A1:B2:C3:D4:E5:F6"},
        {"bool 1", "ReverseX", "1", "1"},
        {"bool TRUE", "ReverseX", "TRUE", "1"},
        {"bool False", "ReverseX", "False", "0"},
        {"float precision", "ExposureTime", "1234.5678901", "1234.5678901"},
        {"float exponent", "ExposureTime", "1e5", "100000"},
        {"swiss knife", "GainPercent", "", "25"},
        {"int swiss knife", "DoubleWidth", "", "1280"},
        {"string", "FirmwareVersion", "2.0 beta", "2.0 beta"},
        {"register bytes", "Raw", "0x01020304", "0x01020304"},
        {"entry", "EnumEntry_PixelFormat_RGB8", "", "RGB8"},
    };
    for (const auto& r : rows)
        QTest::newRow(r.tag) << QString(r.node) << QString(r.input) << QString(r.output);
}

void TestGenApiNodes::stringConversion()
{
    QFETCH(QString, node);
    QFETCH(QString, input);
    QFETCH(QString, output);

    CValuePtr value(m_map->GetNode(node.toUtf8().constData()));
    QVERIFY(value);
    if (!input.isEmpty())
        value->FromString(input.toUtf8().constData());
    QCOMPARE(text(value->ToString()), output);
    QCOMPARE(text(value->ToString(false, true)), output);
}

void TestGenApiNodes::command()
{
    CCommandPtr trigger(m_map->GetNode("TriggerSoftware"));
    QVERIFY(trigger);
    CIntegerPtr reg(m_map->GetNode("TriggerReg"));
    QVERIFY(trigger->IsDone());
    trigger->Execute();
    QCOMPARE(reg->GetValue(false, true), 1);
    // The simulated register keeps the command value: not done until cleared.
    QVERIFY(!trigger->IsDone());
    reg->SetValue(0);
    QVERIFY(trigger->IsDone());
    QCOMPARE(trigger->ToString(), gcstring(""));
    trigger->FromString("1");
    QCOMPARE(reg->GetValue(false, true), 1);
    QCOMPARE(thrownKind([&] { trigger->FromString("now"); }), "InvalidArgument");
}

void TestGenApiNodes::registerBytes()
{
    CRegisterPtr raw(m_map->GetNode("Raw"));
    QVERIFY(raw);
    QCOMPARE(raw->GetLength(), 4);
    QCOMPARE(raw->GetAddress(), 0x2200);
    const uint8_t out[4] = {0xde, 0xad, 0xbe, 0xef};
    raw->Set(out, 4);
    uint8_t in[4] = {};
    raw->Get(in, 4, false, true);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(in), 4), QByteArray("\xde\xad\xbe\xef", 4));
    QCOMPARE(raw->ToString(), gcstring("0xdeadbeef"));
    QCOMPARE(thrownKind([&] { raw->Get(in, 2); }), "InvalidArgument");
    QCOMPARE(thrownKind([&] { raw->FromString("0x0102"); }), "InvalidArgument");
}

// A device marked lost fails every access at once, without a transfer.
void TestGenApiNodes::lostDeviceFailsAtOnce()
{
    CIntegerPtr width(m_map->GetNode("Width"));
    QCOMPARE(width->GetValue(), 640);
    QVERIFY(m_device->Ping());
    QVERIFY(!m_device->IsLost());
    m_device->MarkLost();
    QVERIFY(m_device->IsLost());
    QVERIFY(!m_device->Ping());
    m_device->ResetStatistics();

    QString description;
    QCOMPARE(thrownKind([&] { width->GetValue(); }, &description), "Access");
    QVERIFY2(description.contains("lost"), qPrintable(description));
    QCOMPARE(thrownKind([&] { width->SetValue(648); }), "Access");
    for (const char* name : {"Width", "Gain", "DeviceLabel", "PixelFormat", "ReverseX", "FieldWord"}) {
        CValuePtr value(m_map->GetNode(name));
        QCOMPARE(thrownKind([&] { value->ToString(false, true); }), "Access");
        QCOMPARE(thrownKind([&] { value->FromString("1", false); }), "Access");
    }
    QCOMPARE(thrownKind([&] { CEnumerationPtr(m_map->GetNode("PixelFormat"))->GetIntValue(); }), "Access");
    QCOMPARE(thrownKind([&] { CCommandPtr(m_map->GetNode("TriggerSoftware"))->Execute(); }), "Access");
    QCOMPARE(width->GetNode()->GetAccessMode(), NA);
    QCOMPARE(m_device->GetStatistics().registerReads, 0u);
    QCOMPARE(m_device->GetStatistics().registerWrites, 0u);
    // What the description alone says still answers.
    QCOMPARE(width->GetNode()->GetDisplayName(), gcstring("Image Width"));
}

void TestGenApiNodes::concurrentAccess()
{
    // A service thread reads while the GUI thread writes: every call is
    // serialised, values stay whole and nothing throws.
    CIntegerPtr width(m_map->GetNode("Width"));
    CFloatPtr gain(m_map->GetNode("Gain"));
    CEnumerationPtr format(m_map->GetNode("PixelFormat"));
    std::atomic<int> failures{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            try {
                const int64_t w = width->GetValue(false, true);
                if (w < 16 || w > 4096 || w % 8 != 0)
                    ++failures;
                gain->GetValue();
                format->GetCurrentEntry();
                StringList_t symbolics;
                format->GetSymbolics(symbolics);
            } catch (...) {
                ++failures;
            }
        }
    });
    for (int i = 0; i < 500; ++i) {
        width->SetValue(16 + 8 * (i % 100));
        gain->SetValue(0.5 * (i % 40));
        format->FromString(i % 2 ? "RGB8" : "Mono8");
    }
    done = true;
    reader.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(width->GetValue(), 16 + 8 * 99);
}

// --- whole descriptions -----------------------------------------------------------------

void TestGenApiNodes::walkDeviceDescriptions_data()
{
    QTest::addColumn<QString>("path");
    const QString env = qEnvironmentVariable("CAMPANE_DEVICES_DIR");
    const QDir devices(env.isEmpty() ? QStringLiteral(CAMPANE_DEVICES_DIR) : env);
    for (const QString& file : devices.entryList({"*.xml"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(file)) << devices.filePath(file);
    for (const QString generated : {CAMPANE_LARGE_DESCRIPTION, CAMPANE_HIGH_ADDRESS_DESCRIPTION})
        QTest::newRow(qPrintable(QFileInfo(generated).fileName())) << generated;
    const QDir data(QFileInfo(QFINDTESTDATA("data/node-values.xml")).absolutePath());
    for (const QString& file : data.entryList({"node-*.xml"}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(file)) << data.filePath(file);
}

// Every node of every description reads without an exception, the values
// the device starts with are valid (within the limits, an existing entry),
// and every writable integer feature reads back what is written to it: a
// register anywhere in the address space is served and no neighbour
// overwrites it.
void TestGenApiNodes::walkDeviceDescriptions()
{
    QFETCH(QString, path);
    std::string error;
    auto device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    QVERIFY2(device, error.c_str());
    INodeMap* map = device->GetNodeMap();
    NodeList_t nodes;
    map->GetNodes(nodes);
    QStringList problems;
    int features = 0;
    for (INode* node : nodes) {
        if (node->GetName() == gcstring("Portless"))
            continue;
        problems << walkNode(node, true);
        features += node->IsFeature() ? 1 : 0;
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    QVERIFY(features > 0);
    QVERIFY(map->GetNode("Root")->IsFeature());
    CStringPtr model(map->GetNode("DeviceModelName"));
    if (model.IsValid())
        QVERIFY(!model->GetValue().empty()); // set by the description's sim:Default

    int written = 0;
    for (INode* node : nodes) {
        CIntegerPtr integer(node);
        if (!node->IsFeature() || !integer.IsValid() || integer->GetAccessMode() != RW)
            continue;
        try {
            const int64_t value = integer->GetMin();
            integer->SetValue(value);
            QCOMPARE(qlonglong(integer->GetValue(false, true)), qlonglong(value));
            ++written;
        } catch (const GenericException& e) {
            // Selectors and locked features may refuse; the device must not.
            QVERIFY2(!device->IsLost(), e.what());
        }
    }
    QVERIFY(written > 0);
}

void TestGenApiNodes::walkAravisFakeCamera_data()
{
    QTest::addColumn<bool>("dumped");
    QTest::newRow("in-process Aravis device") << false;
    QTest::newRow("dumped description, simulated device") << true;
}

// Aravis's own fake camera: through Aravis, with the register contents it
// sets up, and its description dumped from the installed library on our
// simulated device. There every register starts at 0, so formulas may divide
// by zero and enumerations match no entry, but whatever fails reports a
// GenICam exception, and most values read.
void TestGenApiNodes::walkAravisFakeCamera()
{
    QFETCH(bool, dumped);
    std::string error;
    std::unique_ptr<CDeviceConnection> device;
    if (dumped) {
        const std::string xml = aravisFakeCameraXml();
        QVERIFY(!xml.empty());
        device = CDeviceConnection::OpenSimulatedFromText(xml, "aravis-fake-camera", &error);
    } else {
        enableAravisFakeInterface();
        device = CDeviceConnection::OpenAravis("Fake_1", &error);
    }
    QVERIFY2(device, error.c_str());
    INodeMap* map = device->GetNodeMap();
    NodeList_t nodes;
    map->GetNodes(nodes);
    QVERIFY(nodes.size() > 50);
    int categories = 0, read = 0;
    for (INode* node : nodes) {
        const QStringList problems = walkNode(node);
        for (const QString& problem : problems)
            QVERIFY2(dumped && !problem.contains(QLatin1String(": std ")), qPrintable(problem));
        categories += node->GetPrincipalInterfaceType() == intfICategory ? 1 : 0;
        const EAccessMode mode = node->GetAccessMode();
        read += CValuePtr(node).IsValid() && (mode == RO || mode == RW) && problems.isEmpty() ? 1 : 0;
    }
    QVERIFY(categories > 0);
    QVERIFY2(read > 30, qPrintable(QString::number(read)));

    // A few well-known features, through our layer.
    QVERIFY(map->GetNode("DeviceModelName"));
    CIntegerPtr gain(map->GetNode("GainRaw"));
    QVERIFY(gain.IsValid());
    gain->SetValue(7);
    QCOMPARE(qlonglong(gain->GetValue(false, true)), qlonglong(7));
    if (dumped)
        return;
    CIntegerPtr width(map->GetNode("Width"));
    QVERIFY(width && width->GetNode()->IsFeature());
    QVERIFY(width->GetValue() > 0);
    width->SetValue(width->GetMin());
    QCOMPARE(width->GetValue(false, true), width->GetMin());
    CEnumerationPtr format(map->GetNode("PixelFormat"));
    QVERIFY(format && format->GetCurrentEntry());
    StringList_t symbolics;
    format->GetSymbolics(symbolics);
    QVERIFY(!symbolics.empty());
    NodeList_t entries;
    format->GetEntries(entries);
    QCOMPARE(entries.front()->GetName(), gcstring("EnumEntry_PixelFormat_") + symbolics.front());
}

QTEST_MAIN(TestGenApiNodes)
#include "test_genapi_nodes.moc"
