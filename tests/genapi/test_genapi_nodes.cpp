// The GenApi node layer on simulated devices: access composition, verify,
// the register cache, exceptions, enumerations, string conversion, loss and
// threads. (Real cameras' constructs and walks of every description are in
// test_genapi_descriptions.cpp; what the descriptions say of a node shows in
// the tree's and the board's tests.)
#include "arverrorprobe.h"
#include "nodetestsupport.h"

#include <QtTest>

#include <algorithm>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// Every test starts on a fresh device over data/node-values.xml (m_map);
// the access and cache tests open their own descriptions.
class TestGenApiNodes : public QObject, private SimulatedNodes
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(reopen("node-values.xml")); }

    void cleanup()
    {
        m_map = nullptr;
        m_device.reset();
    }

    void accessComposition_data()
    {
        QTest::addColumn<int>("implemented");
        QTest::addColumn<int>("available");
        QTest::addColumn<int>("locked");
        QTest::addColumn<int>("guarded");  // RW register behind all three switches
        QTest::addColumn<int>("lockedWO"); // WO register behind pIsLocked
        QTest::addColumn<int>("chained");  // its register is behind pIsAvailable

        row("all on", 1, 1, 0, int(RW), int(WO), int(RW));
        row("locked", 1, 1, 1, int(RO), int(NA), int(RW));
        row("unavailable", 1, 0, 0, int(NA), int(WO), int(NA));
        row("unavailable and locked", 1, 0, 1, int(NA), int(NA), int(NA));
        row("not implemented", 0, 1, 0, int(NI), int(WO), int(RW));
        row("not implemented wins", 0, 0, 1, int(NI), int(NA), int(NA));
    }

    void accessComposition()
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

    void notReadableNotWritable_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("available");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("writable");

        row("RW", "ValueRW", 1, true, true);
        row("RO", "ValueRO", 1, true, false);
        row("WO", "ValueWO", 1, false, true);
        row("imposed RO", "ImposedRO", 1, true, false);
        row("NA", "Guarded", 0, false, false);
    }

    void notReadableNotWritable()
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

    void verify_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QString>("kind");

        row("int maximum", "Width", "4096", true, "none");
        row("int below minimum", "Width", "8", true, "OutOfRange");
        row("int above maximum", "Width", "4104", true, "OutOfRange");
        row("int off increment", "Width", "641", true, "OutOfRange");
        row("int off increment unverified", "Width", "641", false, "none");
        row("int not a number", "Width", "wide", true, "InvalidArgument");
        row("float on increment", "Gain", "6.50", true, "none");
        row("float off increment", "Gain", "6.25", true, "OutOfRange");
        row("float above maximum", "Gain", "24.5", true, "OutOfRange");
        row("float without increment", "ExposureTime", "1234.5", true, "none");
        row("float below minimum", "ExposureTime", "1", true, "OutOfRange");
        row("enum missing entry", "PixelFormat", "YUV422", true, "InvalidArgument");
        row("enum unavailable entry", "PixelFormat", "Mono12", true, "InvalidArgument");
        row("bool word", "ReverseX", "True", true, "none");
        row("bool garbage", "ReverseX", "yes please", true, "InvalidArgument");
        row("string too long", "DeviceLabel", "a label far too long", true, "OutOfRange");
        row("swiss knife is read-only", "DoubleWidth", "10", true, "Access");
    }

    void verify()
    {
        QFETCH(QString, node);
        QFETCH(QString, text);
        QFETCH(bool, verify);
        QFETCH(QString, kind);

        CValuePtr value(m_map->GetNode(node.toUtf8().constData()));
        QVERIFY(value);
        const gcstring before = value->ToString();
        QString description;
        QCOMPARE(thrownKind([&] { value->FromString(text.toUtf8().constData(), verify); }, &description),
                 kind);
        if (kind == QLatin1String("none")) {
            if (node != QLatin1String("ReverseX"))
                QCOMPARE(::text(value->ToString(false, true)), text);
        } else {
            QVERIFY2(description.contains(node), qPrintable(description));
            QCOMPARE(value->ToString(false, true), before);
        }
    }

    void verifyOnRead()
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

    void cacheCountsRegisterReads()
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
    }

    void invalidators()
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
        payload->GetValue();
        payload->GetValue();
        QCOMPARE(reads(), 1u);

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
    }

    void sharedWordStaysConsistent()
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

    // A value older than its polling time (1 ms) is read again.
    void pollingTime()
    {
        INodeMap* map = reopen("node-cache.xml");
        QVERIFY(map);
        CIntegerPtr fast(map->GetNode("FastPolled"));
        fast->GetValue();
        const uint64_t before = m_device->GetStatistics().registerReads;
        QTest::qWait(5);
        fast->GetValue();
        QCOMPARE(m_device->GetStatistics().registerReads, before + 1);
    }

    // Each kind of fault throws its exception, and what() names the kind, the
    // description, the source file and the line.
    void exceptionDetails()
    {
        INodeMap* map = m_map;
        const QList<QPair<QString, std::function<void()>>> faults = {
            {"Access", [&] { CIntegerPtr(map->GetNode("ChipId"))->SetValue(1); }},
            {"OutOfRange", [&] { CIntegerPtr(map->GetNode("Width"))->SetValue(1); }},
            {"InvalidArgument", [&] { CEnumerationPtr(map->GetNode("PixelFormat"))->FromString("Bayer"); }},
            {"LogicalError", [&] { CIntegerPtr(map->GetNode("Gain"))->GetValue(); }},
            // A register on a port the description lacks is confined at load.
            {"Access", [&] { CIntegerPtr(map->GetNode("Portless"))->GetValue(); }},
        };
        for (const auto& fault : faults) {
            QCOMPARE(thrownKind(fault.second), fault.first);
            try {
                fault.second();
            } catch (const GenericException& e) {
                const QString what = QString::fromUtf8(e.what());
                QVERIFY(*e.GetDescription());
                QVERIFY2(what.contains(e.GetDescription()) && what.contains(fault.first), qPrintable(what));
                QVERIFY2(what.contains(QFileInfo(e.GetSourceFileName()).fileName()), qPrintable(what));
                QVERIFY2(e.GetSourceLine() > 0 && what.contains(QString::number(e.GetSourceLine())),
                         qPrintable(what));
            }
        }
    }

    void aravisErrorKinds_data()
    {
        QTest::addColumn<bool>("device");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QString>("kind");

        row("range", false, "ARV_GC_ERROR_OUT_OF_RANGE", false, "OutOfRange");
        row("entry", false, "ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND", false, "InvalidArgument");
        row("syntax", false, "ARV_GC_ERROR_INVALID_SYNTAX", false, "InvalidArgument");
        row("read-only", false, "ARV_GC_ERROR_READ_ONLY", false, "Access");
        row("missing node", false, "ARV_GC_ERROR_NODE_NOT_FOUND", false, "Runtime");
        row("timeout", true, "ARV_DEVICE_ERROR_TIMEOUT", false, "Timeout");
        row("write protect", true, "ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT", false, "Access");
        row("access denied", true, "ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED", false, "Access");
        row("transfer", true, "ARV_DEVICE_ERROR_TRANSFER_ERROR", false, "Runtime");
        row("lost", true, "ARV_DEVICE_ERROR_NOT_CONNECTED", true, "Access");
        row("timeout once lost", true, "ARV_DEVICE_ERROR_TIMEOUT", true, "Access");
    }

    void aravisErrorKinds()
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

    void enumerationOrderAndEntries()
    {
        CEnumerationPtr format(m_map->GetNode("PixelFormat"));
        StringList_t symbolics;
        format->GetSymbolics(symbolics);
        QCOMPARE(texts(symbolics), (QStringList{"Mono8", "RGB8", "Mono16"}));
        CIntegerPtr(m_map->GetNode("Mono12Allowed"))->SetValue(1);
        format->GetSymbolics(symbolics);
        QCOMPARE(texts(symbolics), (QStringList{"Mono8", "RGB8", "Mono16", "Mono12"}));

        QVERIFY(!format->GetEntryByName("YUV422"));
        IEnumEntry* rgb = format->GetEntryByName("RGB8");
        QCOMPARE(rgb->GetValue(), 35127316);
        QCOMPARE(rgb->GetNumericValue(), 24.0);
        // No NumericValue: the integer value.
        QCOMPARE(format->GetEntryByName("Mono16")->GetNumericValue(), 17825799.0);
    }

    void enumerationValues()
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

    // GetProperty as the board's description text and the tree read it ("-"
    // where the node does not have the property; the attribute, when one is
    // expected), and the display name.
    void properties()
    {
        const QList<QStringList> rows = {
            {"GainReg", "NodeType", "FloatReg"},
            {"Gain", "NameSpace", "Custom"}, // none given
            {"PixelFormat", "NameSpace", "Standard"},
            {"Gain", "Visibility", "Expert"},
            {"Hidden", "Visibility", "-"},
            {"EnumEntry_PixelFormat_Mono12", "pIsAvailable", "Mono12Allowed"},
            {"PixelFormat", "pValue", "PixelFormatReg"}, // after the entries
            {"GainPercent", "pVariable", "GainReg", "G"},
            {"StatusLow", "Address", "0x2500"}, // the StructReg's
            {"StatusLow", "AccessMode", "RO"},
            {"StatusHigh", "AccessMode", "RW"}, // its own
            {"StatusHigh", "MSB", "15"},
            {"Width", "NoSuchElement", "-"},
        };
        for (const QStringList& row : rows) {
            gcstring value, attribute;
            INode* node = m_map->GetNode(row[0].toUtf8().constData());
            const bool found = node->GetProperty(row[1].toUtf8().constData(), value, attribute);
            QCOMPARE(found ? text(value) : QStringLiteral("-"), row[2]);
            QCOMPARE(text(attribute), row.value(3));
        }
        // No DisplayName given: the name.
        QCOMPARE(m_map->GetNode("Gain")->GetDisplayName(), gcstring("Gain"));
    }

    // Representations, formulas and spellings (plain round trips of each kind
    // are in the camera service's tests).
    void stringConversion_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("input");  // empty: only read
        QTest::addColumn<QString>("output"); // ToString afterwards

        row("hex reads as hex", "ChipId", "", "0xbeef");
        row("hex register input", "WidthReg", "0x288", "648");
        row("IPv4 input", "CurrentIP", "10.0.0.254", "10.0.0.254");
        row("IPv4 as number", "CurrentIP", "0x0A000001", "10.0.0.1");
        row("MAC input", "MacAddress", "A1:B2:C3:D4:E5:F6", "A1:B2:C3:D4:E5:F6");
        row("bool TRUE", "ReverseX", "TRUE", "1");
        row("float, default display precision", "ExposureTime", "1234.5678901", "1234.57");
        row("float, fixed notation", "Gain", "6.5", "6.50");
        row("swiss knife", "GainPercent", "", "25");
        row("int swiss knife", "DoubleWidth", "", "1280");
        row("register bytes", "Raw", "0x01020304", "0x01020304");
        row("entry", "EnumEntry_PixelFormat_RGB8", "", "RGB8");
    }

    void stringConversion()
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

    void command()
    {
        CCommandPtr trigger(m_map->GetNode("TriggerSoftware"));
        CIntegerPtr reg(m_map->GetNode("TriggerReg"));
        trigger->Execute();
        QCOMPARE(reg->GetValue(false, true), 1);
        reg->SetValue(0);
        trigger->FromString("1");
        QCOMPARE(reg->GetValue(false, true), 1);
        QCOMPARE(thrownKind([&] { trigger->FromString("now"); }), "InvalidArgument");
    }

    // A device marked lost fails every access at once, without a transfer.
    void lostDeviceFailsAtOnce()
    {
        CIntegerPtr width(m_map->GetNode("Width"));
        QCOMPARE(width->GetValue(), 640);
        QVERIFY(m_device->Ping() && !m_device->IsLost());
        m_device->MarkLost();
        QVERIFY(m_device->IsLost() && !m_device->Ping());
        m_device->ResetStatistics();

        QString description;
        QCOMPARE(thrownKind([&] { width->GetValue(); }, &description), "Access");
        QVERIFY2(description.contains("lost"), qPrintable(description));
        for (const char* name : {"Width", "Gain", "DeviceLabel", "PixelFormat", "ReverseX", "FieldWord"}) {
            CValuePtr value(m_map->GetNode(name));
            QCOMPARE(thrownKind([&] { value->ToString(false, true); }), "Access");
            QCOMPARE(thrownKind([&] { value->FromString("1", false); }), "Access");
        }
        QCOMPARE(thrownKind([&] { CCommandPtr(m_map->GetNode("TriggerSoftware"))->Execute(); }), "Access");
        QCOMPARE(width->GetNode()->GetAccessMode(), NA);
        QCOMPARE(m_device->GetStatistics().registerReads + m_device->GetStatistics().registerWrites, 0u);
        // What the description alone says still answers.
        QCOMPARE(width->GetNode()->GetDisplayName(), gcstring("Image Width"));
    }

    void concurrentAccess()
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
};

QTEST_MAIN(TestGenApiNodes)
#include "test_genapi_nodes.moc"
