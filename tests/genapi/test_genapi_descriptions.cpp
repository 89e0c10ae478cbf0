// The node layer on real cameras' constructs and on every description we
// have: values, access and registers of the constructs, and full walks of the
// device descriptions, the generated ones and data/'s.
#include "descriptionwalk.h"
#include "documentprobe.h"
#include "nodetestsupport.h"

#include <QDir>
#include <QtTest>

#include <algorithm>

class TestGenApiDescriptions : public QObject, private SimulatedNodes
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_map = nullptr;
        m_device.reset();
    }

    // Constructs of cameras' own descriptions (data/node-real.xml): each
    // node's value text, access and, for register-backed nodes, the register
    // interface with the address as the device sees it.
    void realConstructs_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("selector"); // TriggerSelector entry set first, if any
        QTest::addColumn<QString>("value");    // ToString; "-" when it throws
        QTest::addColumn<int>("access");
        QTest::addColumn<qlonglong>("address"); // -1: no IRegister
        QTest::addColumn<qlonglong>("length");

        row("base + pAddress", "AddressedByPointer", "", "7", int(RW), 0x1050LL, 4LL);
        row("base + inline swiss knife", "AddressedInline", "", "9", int(RW), 0x20ffLL, 4LL);
        row("inline swiss knife is a node", "AddressedInlineOffset", "", "255", int(RO), -1LL, 0LL);
        row("pIndex with Offset, first", "TriggerDelay", "FrameStart", "0", int(RW), 0x300LL, 4LL);
        row("pIndex with Offset, last", "TriggerDelay", "AcquisitionStart", "0", int(RW), 0x30cLL, 4LL);
        row("pIndex with pOffset", "TriggerDivider", "ExposureStart", "0", int(RW), 0x320LL, 4LL);
        row("bit field", "StatusBit", "", "1", int(RO), 0x400LL, 4LL);
        row("struct entry", "StructLow", "", "0", int(RW), 0x1f0LL, 4LL);
        row("32-bit float register", "GainReg", "", "3.3", int(RW), 0x508LL, 4LL);
        row("float over a 32-bit register", "Gain", "", "3.3", int(RW), -1LL, 0LL);
        row("float over a 32-bit register, 0.337", "BlackLevel", "", "0.337", int(RW), -1LL, 0LL);
        row("fixed notation, precision 1", "DeviceTemperature", "", "36.5", int(RO), -1LL, 0LL);
        row("maximum from a feature", "Width", "", "512", int(RW), -1LL, 0LL);
        row("text of pLength 0", "DeviceUserID", "", "", int(RW), 0x600LL, 0LL);
        row("string over a text of pLength 0", "DeviceUserName", "", "", int(RW), -1LL, 0LL);
        row("chunk register", "ChunkWidth", "", "-", int(NA), 0x0LL, 4LL);
        row("float over a chunk register", "ChunkExposureTime", "", "-", int(NA), -1LL, 0LL);
        row("event register", "EventExposureEndTimestamp", "", "-", int(NA), 0x0LL, 8LL);
    }

    void realConstructs()
    {
        QFETCH(QString, node);
        QFETCH(QString, selector);
        QFETCH(QString, value);
        QFETCH(int, access);
        QFETCH(qlonglong, address);
        QFETCH(qlonglong, length);

        QVERIFY(reopen("node-real.xml"));
        if (!selector.isEmpty())
            CEnumerationPtr(m_map->GetNode("TriggerSelector"))->FromString(selector.toUtf8().constData());
        INode* found = m_map->GetNode(node.toUtf8().constData());
        QVERIFY(found);
        NodeList_t nodes;
        m_map->GetNodes(nodes);
        QVERIFY(std::find(nodes.begin(), nodes.end(), found) != nodes.end());
        QCOMPARE(int(found->GetAccessMode()), access);
        QString shown = QStringLiteral("-"); // kept when ToString throws
        thrownKind([&] { shown = text(CValuePtr(found)->ToString()); });
        QCOMPARE(shown, value);

        CRegisterPtr reg(found);
        QCOMPARE(reg.IsValid(), address >= 0);
        if (!reg.IsValid())
            return;
        QCOMPARE(qlonglong(reg->GetAddress()), address);
        QCOMPARE(qlonglong(reg->GetLength()), length);
        if (access == int(NA))
            return;
        if (length == 0) {
            reg->Get(nullptr, 0); // nothing to read, and no complaint
            return;
        }
        // The bytes as the device holds them, a whole big-endian word; bytes
        // written through the register are the value read.
        if (node.startsWith(QLatin1String("Addressed"))) {
            std::vector<uint8_t> bytes(static_cast<size_t>(length));
            reg->Get(bytes.data(), length);
            qlonglong word = 0;
            for (uint8_t byte : bytes)
                word = word << 8 | byte;
            QCOMPARE(word, value.toLongLong());
            const uint8_t written[4] = {0, 0, 1, 2};
            reg->Set(written, 4);
            QCOMPARE(CIntegerPtr(found)->GetValue(), int64_t(0x102));
            QCOMPARE(thrownKind([&] { reg->Set(written, 2); }), QStringLiteral("InvalidArgument"));
        }
    }

    void walkDeviceDescriptions_data()
    {
        QTest::addColumn<QString>("path");
        const QString env = qEnvironmentVariable("CAMPANE_DEVICES_DIR");
        const QDir devices(env.isEmpty() ? QStringLiteral(CAMPANE_DEVICES_DIR) : env);
        for (const QString& file : devices.entryList({"*.xml"}, QDir::Files, QDir::Name))
            row(qPrintable(file), devices.filePath(file));
        for (const QString generated : {CAMPANE_LARGE_DESCRIPTION, CAMPANE_HIGH_ADDRESS_DESCRIPTION})
            row(qPrintable(QFileInfo(generated).fileName()), generated);
        const QDir data(QFileInfo(QFINDTESTDATA("data/node-values.xml")).absolutePath());
        for (const QString& file : data.entryList({"node-*.xml"}, QDir::Files, QDir::Name))
            row(qPrintable(file), data.filePath(file));
    }

    // Every node of every description reads without an exception, the values
    // the device starts with are valid (within the limits, an existing entry),
    // and every writable integer feature reads back what is written to it: a
    // register anywhere in the address space is served and no neighbour
    // overwrites it.
    void walkDeviceDescriptions()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string xml = file.readAll().toStdString();
        // Aravis gets the same document from our one parse as from its own.
        const std::string own = campane::DescribeOwnParse(xml);
        QVERIFY(!own.empty());
        QCOMPARE(own, campane::DescribeAravisParse(xml));

        const campane::WalkResult walk = campane::LoadAndWalk(xml);
        QVERIFY2(walk.loaded, walk.error.c_str());
        QStringList problems;
        for (const std::string& failure : walk.failures) {
            if (failure.rfind("Portless:", 0) != 0) // a node without a port, on purpose
                problems << QString::fromStdString(failure);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

        std::string error;
        auto device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
        QVERIFY2(device, error.c_str());
        INodeMap* map = device->GetNodeMap();
        NodeList_t nodes;
        map->GetNodes(nodes);
        QVERIFY(std::any_of(nodes.begin(), nodes.end(), [](INode* node) { return node->IsFeature(); }));
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
};

QTEST_MAIN(TestGenApiDescriptions)
#include "test_genapi_descriptions.moc"
