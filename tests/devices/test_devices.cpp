// Checks the GenICam descriptions of the simulated devices as XML: structure,
// references, reachability, initial register values, register layout, and the
// features the panel and the feature tree rely on.

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

const QString kGenApiNamespace = QStringLiteral("http://www.genicam.org/GenApi/Version_1_1");
const QString kSimNamespace = QStringLiteral("urn:campane:simulated-device");

struct Entry
{
    QString name;
    qint64 value = 0;
};

struct Node
{
    QString element;
    QString name;
    qint64 line = 0;
    QHash<QString, QString> attributes;    // attributes of the sim namespace, by local name
    QHash<QString, QString> values;        // simple child elements: element -> text
    QVector<QPair<QString, QString>> refs; // (p-element, target) in document order
    QHash<QString, QString> indexOffsets;  // pIndex target -> Offset attribute
    QVector<Entry> entries;

    QString ref(const QString& element) const
    {
        for (const auto& r : refs)
            if (r.first == element)
                return r.second;
        return {};
    }
    QStringList refsOf(const QString& element) const
    {
        QStringList out;
        for (const auto& r : refs)
            if (r.first == element)
                out << r.second;
        return out;
    }
};

struct Description
{
    QString error;
    QString rootElement;
    QString rootNamespace;
    QHash<QString, QString> rootAttributes;
    QHash<QString, Node> nodes;
    QStringList order;
    QStringList duplicates;
};

bool isReference(const QStringRef& element)
{
    return element.size() > 1 && element.at(0) == QLatin1Char('p') && element.at(1).isUpper();
}

bool parseInteger(const QString& text, qint64& value)
{
    bool ok = false;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = static_cast<qint64>(t.mid(2).toULongLong(&ok, 16));
    else
        value = t.toLongLong(&ok, 10);
    return ok;
}

void readEntry(QXmlStreamReader& xml, Node& node)
{
    Entry entry;
    entry.name = xml.attributes().value(QLatin1String("Name")).toString();
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("Value"))
            parseInteger(xml.readElementText(), entry.value);
        else
            xml.skipCurrentElement();
    }
    node.entries << entry;
}

Description parse(const QString& path)
{
    Description d;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        d.error = QStringLiteral("cannot open");
        return d;
    }
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement()) {
        d.error = xml.errorString();
        return d;
    }
    d.rootElement = xml.name().toString();
    d.rootNamespace = xml.namespaceUri().toString();
    for (const QXmlStreamAttribute& a : xml.attributes())
        d.rootAttributes.insert(a.qualifiedName().toString(), a.value().toString());
    for (const QXmlStreamNamespaceDeclaration& ns : xml.namespaceDeclarations())
        d.rootAttributes.insert(QStringLiteral("xmlns:") + ns.prefix().toString(),
                                ns.namespaceUri().toString());

    while (xml.readNextStartElement()) {
        Node node;
        node.element = xml.name().toString();
        node.line = xml.lineNumber();
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            if (a.name() == QLatin1String("Name") && a.namespaceUri().isEmpty())
                node.name = a.value().toString();
            else if (a.namespaceUri() == kSimNamespace)
                node.attributes.insert(a.name().toString(), a.value().toString());
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("EnumEntry")) {
                readEntry(xml, node);
            } else if (isReference(xml.name())) {
                const QString element = xml.name().toString();
                const QString offset = xml.attributes().value(QLatin1String("Offset")).toString();
                const QString target = xml.readElementText().trimmed();
                node.refs << qMakePair(element, target);
                if (element == QLatin1String("pIndex"))
                    node.indexOffsets.insert(target, offset);
            } else {
                const QString element = xml.name().toString();
                node.values.insert(element,
                                   xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed());
            }
        }
        if (d.nodes.contains(node.name))
            d.duplicates << node.name;
        d.order << node.name;
        d.nodes.insert(node.name, node);
    }
    if (xml.hasError())
        d.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return d;
}

const QSet<QString> kRegisterElements = {QStringLiteral("IntReg"), QStringLiteral("MaskedIntReg"),
                                         QStringLiteral("FloatReg"), QStringLiteral("StringReg"),
                                         QStringLiteral("Register")};

QString devicesDir()
{
    const QString env = qEnvironmentVariable("CAMPANE_DEVICES_DIR");
    return env.isEmpty() ? QStringLiteral(CAMPANE_DEVICES_DIR) : env;
}

QString devicePath(const QString& file)
{
    return devicesDir() + QLatin1Char('/') + file;
}

// Every description: the committed ones and the generated ones.
QStringList allDescriptions()
{
    QStringList files;
    const QDir dir(devicesDir());
    for (const QString& f : dir.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        files << dir.filePath(f);
    const QDir test(dir.filePath(QStringLiteral("test")));
    for (const QString& f : test.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        files << test.filePath(f);
    files << QStringLiteral(CAMPANE_LARGE_DESCRIPTION) << QStringLiteral(CAMPANE_HIGH_ADDRESS_DESCRIPTION);
    return files;
}

// The three devices, which must also run in the GigE Vision emulator.
const QStringList kDeviceFiles = {QStringLiteral("kvx-slp-camera.xml"), QStringLiteral("sl-camera-dual.xml"),
                                  QStringLiteral("frame-grabber-card.xml")};

// Value of a register when the simulated device opens.
qint64 initialValue(const Node& reg)
{
    qint64 v = 0;
    parseInteger(reg.attributes.value(QStringLiteral("Default")), v);
    return v;
}

// Follows pValue from a feature down to the register that holds its value.
const Node* valueRegister(const Description& d, const Node& node)
{
    const Node* n = &node;
    for (int hops = 0; hops < 8; ++hops) {
        if (kRegisterElements.contains(n->element))
            return n;
        const auto it = d.nodes.constFind(n->ref(QStringLiteral("pValue")));
        if (it == d.nodes.constEnd())
            return nullptr;
        n = &it.value();
    }
    return nullptr;
}

// Bits a MaskedIntReg occupies, in the register's own bit numbering.
quint64 fieldMask(const Node& reg)
{
    int lsb = 0, msb = 0;
    if (reg.values.contains(QStringLiteral("Bit"))) {
        lsb = msb = reg.values.value(QStringLiteral("Bit")).toInt();
    } else {
        lsb = reg.values.value(QStringLiteral("LSB")).toInt();
        msb = reg.values.value(QStringLiteral("MSB")).toInt();
    }
    const int low = qMin(lsb, msb), high = qMax(lsb, msb);
    quint64 mask = 0;
    for (int b = low; b <= high; ++b)
        mask |= quint64(1) << b;
    return mask;
}

int fieldWidth(const Node& reg)
{
    return qPopulationCount(fieldMask(reg));
}

} // namespace

class TestDevices : public QObject
{
    Q_OBJECT

private slots:
    void wellFormed_data();
    void wellFormed();
    void structure_data() { wellFormed_data(); }
    void structure();
    void referencesResolve_data() { wellFormed_data(); }
    void referencesResolve();
    void everyFeatureReachable_data() { wellFormed_data(); }
    void everyFeatureReachable();
    void simulationAttributes_data() { wellFormed_data(); }
    void simulationAttributes();
    void initialValuesAreValid_data() { wellFormed_data(); }
    void initialValuesAreValid();

    void deviceRegisterLayout_data();
    void deviceRegisterLayout();

    void panelFeatures_data();
    void panelFeatures();
    void enumerationEntries_data();
    void enumerationEntries();
    void modelNames_data();
    void modelNames();
    void denoisingGatesItsParameters_data();
    void denoisingGatesItsParameters();
    void offsetsLimitedBySize_data();
    void offsetsLimitedBySize();
    void featureTreeStimuli();

    void largeDescription();
    void highAddressDescriptions();

private:
    const Description& load(const QString& path)
    {
        auto it = m_cache.find(path);
        if (it == m_cache.end())
            it = m_cache.insert(path, parse(path));
        return it.value();
    }
    QHash<QString, Description> m_cache;
};

void TestDevices::wellFormed_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& path : allDescriptions())
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

void TestDevices::wellFormed()
{
    QFETCH(QString, path);
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    const Description& d = load(path);
    QVERIFY2(d.error.isEmpty(), qPrintable(d.error));

    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        QSKIP("xmllint not installed; parsed with QXmlStreamReader only");
    QProcess process;
    process.start(xmllint, {QStringLiteral("--noout"), path});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
}

void TestDevices::structure()
{
    QFETCH(QString, path);
    const Description& d = load(path);
    QCOMPARE(d.rootElement, QStringLiteral("RegisterDescription"));
    QCOMPARE(d.rootNamespace, kGenApiNamespace);
    for (const char* attribute :
         {"ModelName", "VendorName", "SchemaMajorVersion", "SchemaMinorVersion", "SchemaSubMinorVersion",
          "MajorVersion", "MinorVersion", "SubMinorVersion", "ProductGuid", "VersionGuid", "xmlns:sim"})
        QVERIFY2(d.rootAttributes.contains(QLatin1String(attribute)), attribute);
    QCOMPARE(d.rootAttributes.value(QStringLiteral("xmlns:sim")), kSimNamespace);

    QVERIFY2(d.duplicates.isEmpty(), qPrintable(d.duplicates.join(QLatin1Char(' '))));
    static const QRegularExpression validName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    int ports = 0;
    for (const Node& node : d.nodes) {
        QVERIFY2(validName.match(node.name).hasMatch(), qPrintable(node.name));
        QSet<QString> entryNames;
        QSet<qint64> entryValues;
        for (const Entry& e : node.entries) {
            QVERIFY2(validName.match(e.name).hasMatch(), qPrintable(node.name + ':' + e.name));
            QVERIFY2(!entryNames.contains(e.name), qPrintable(node.name + ':' + e.name));
            QVERIFY2(!entryValues.contains(e.value), qPrintable(node.name + ':' + e.name));
            entryNames << e.name;
            entryValues << e.value;
        }
        if (node.element == QLatin1String("Enumeration"))
            QVERIFY2(!node.entries.isEmpty(), qPrintable(node.name));
        if (node.element == QLatin1String("Port")) {
            ++ports;
            QCOMPARE(node.name, QStringLiteral("Device"));
        }
        if (kRegisterElements.contains(node.element)) {
            QCOMPARE(node.ref(QStringLiteral("pPort")), QStringLiteral("Device"));
            QVERIFY2(node.values.value(QStringLiteral("Length")).toInt() > 0, qPrintable(node.name));
        }
    }
    QCOMPARE(ports, 1);
    QVERIFY(d.nodes.contains(QStringLiteral("Root")));
    QCOMPARE(d.nodes.value(QStringLiteral("Root")).element, QStringLiteral("Category"));
}

void TestDevices::referencesResolve()
{
    QFETCH(QString, path);
    const Description& d = load(path);
    QStringList dangling;
    for (const Node& node : d.nodes)
        for (const auto& r : node.refs)
            if (!d.nodes.contains(r.second))
                dangling << QStringLiteral("%1.%2 -> %3").arg(node.name, r.first, r.second);
    QVERIFY2(dangling.isEmpty(), qPrintable(dangling.join(QStringLiteral(", "))));
}

// Features (nodes with a display name) hang in the category tree and carry
// a tool tip, a description and a display name; every other node is reached
// from there through some reference.
void TestDevices::everyFeatureReachable()
{
    QFETCH(QString, path);
    const Description& d = load(path);

    QSet<QString> inTree{QStringLiteral("Root")};
    QStringList queue{QStringLiteral("Root")};
    QSet<QString> reached = inTree;
    while (!queue.isEmpty()) {
        const Node& node = d.nodes.constFind(queue.takeFirst()).value();
        for (const auto& r : node.refs) {
            if (!d.nodes.contains(r.second) || reached.contains(r.second))
                continue;
            reached << r.second;
            queue << r.second;
            if (r.first == QLatin1String("pFeature"))
                inTree << r.second;
        }
    }
    // A node reached through a reference before its category is still a
    // category member; collect the members directly.
    for (const Node& node : d.nodes)
        if (node.element == QLatin1String("Category") && reached.contains(node.name))
            for (const QString& f : node.refsOf(QStringLiteral("pFeature")))
                inTree << f;

    QStringList unreached, outsideTree, undocumented;
    for (const QString& name : inTree) {
        const Node& node = d.nodes.constFind(name).value();
        for (const char* text : {"ToolTip", "Description", "DisplayName"})
            if (node.values.value(QLatin1String(text)).isEmpty())
                undocumented << name + QLatin1Char('.') + QLatin1String(text);
    }
    QVERIFY2(undocumented.isEmpty(),
             qPrintable(QStringLiteral("missing: ") + undocumented.join(QLatin1Char(' '))));
    for (const Node& node : d.nodes) {
        if (!reached.contains(node.name))
            unreached << node.name;
        else if (node.values.contains(QStringLiteral("DisplayName")) && !inTree.contains(node.name))
            outsideTree << node.name;
    }
    QVERIFY2(unreached.isEmpty(),
             qPrintable(QStringLiteral("unreached: ") + unreached.join(QLatin1Char(' '))));
    QVERIFY2(outsideTree.isEmpty(),
             qPrintable(QStringLiteral("not in a category: ") + outsideTree.join(QLatin1Char(' '))));
}

void TestDevices::simulationAttributes()
{
    QFETCH(QString, path);
    const Description& d = load(path);
    static const QRegularExpression varies(QStringLiteral("^sine:([-+0-9.eE]+):([-+0-9.eE]+)$"));
    for (const Node& node : d.nodes) {
        const QString label = QStringLiteral("%1 (line %2)").arg(node.name).arg(node.line);
        for (auto it = node.attributes.cbegin(); it != node.attributes.cend(); ++it)
            QVERIFY2(it.key() == QLatin1String("Default") || it.key() == QLatin1String("Varies"),
                     qPrintable(label));
        if (node.attributes.contains(QStringLiteral("Default"))) {
            QVERIFY2(kRegisterElements.contains(node.element) && node.element != QLatin1String("Register"),
                     qPrintable(label));
            const QString value = node.attributes.value(QStringLiteral("Default"));
            const int length = node.values.value(QStringLiteral("Length")).toInt();
            if (node.element == QLatin1String("StringReg")) {
                QVERIFY2(value.toUtf8().size() <= length, qPrintable(label));
            } else if (node.element == QLatin1String("FloatReg")) {
                bool ok = false;
                value.toDouble(&ok);
                QVERIFY2(ok, qPrintable(label));
            } else {
                qint64 v = 0;
                QVERIFY2(parseInteger(value, v), qPrintable(label));
                const int bits =
                    node.element == QLatin1String("MaskedIntReg") ? fieldWidth(node) : 8 * length;
                if (bits < 64)
                    QVERIFY2(v >= 0 && quint64(v) < (quint64(1) << bits), qPrintable(label));
            }
        }
        if (node.attributes.contains(QStringLiteral("Varies"))) {
            QVERIFY2(node.element == QLatin1String("IntReg") || node.element == QLatin1String("FloatReg"),
                     qPrintable(label));
            const auto m = varies.match(node.attributes.value(QStringLiteral("Varies")));
            QVERIFY2(m.hasMatch(), qPrintable(label));
            QVERIFY2(m.captured(2).toDouble() > 0, qPrintable(label));
        }
    }
}

// What the device holds when it opens must be a valid value of the feature:
// an existing enumeration entry, a number within the feature's limits.
void TestDevices::initialValuesAreValid()
{
    QFETCH(QString, path);
    const Description& d = load(path);
    for (const Node& node : d.nodes) {
        const Node* reg = valueRegister(d, node);
        if (!reg || reg == &node || node.element == QLatin1String("Command"))
            continue;
        const QString label = node.name + QLatin1Char('/') + reg->name;
        if (node.element == QLatin1String("Enumeration")) {
            const qint64 v = initialValue(*reg);
            const bool found = std::any_of(node.entries.cbegin(), node.entries.cend(),
                                           [v](const Entry& e) { return e.value == v; });
            QVERIFY2(found, qPrintable(label + QStringLiteral(" starts at %1, which no entry has").arg(v)));
        } else if (node.element == QLatin1String("Integer") && reg->element != QLatin1String("FloatReg")) {
            // Registers without sim:Default start at 0, which must be valid too.
            const qint64 v = initialValue(*reg);
            qint64 min = 0, max = 0, inc = 1;
            const bool hasMin = parseInteger(node.values.value(QStringLiteral("Min")), min);
            if (hasMin)
                QVERIFY2(v >= min, qPrintable(label + QStringLiteral(" below Min")));
            if (parseInteger(node.values.value(QStringLiteral("Max")), max))
                QVERIFY2(v <= max, qPrintable(label + QStringLiteral(" above Max")));
            if (hasMin && parseInteger(node.values.value(QStringLiteral("Inc")), inc) && inc > 0)
                QVERIFY2((v - min) % inc == 0, qPrintable(label + QStringLiteral(" off the increment")));
        } else if (node.element == QLatin1String("Float") && reg->element == QLatin1String("FloatReg") &&
                   reg->attributes.contains(QStringLiteral("Default"))) {
            const double v = reg->attributes.value(QStringLiteral("Default")).toDouble();
            QVERIFY2(v >= node.values.value(QStringLiteral("Min")).toDouble() &&
                         v <= node.values.value(QStringLiteral("Max")).toDouble(),
                     qPrintable(label));
        }
    }
}

void TestDevices::deviceRegisterLayout_data()
{
    QTest::addColumn<QString>("file");
    for (const QString& f : kDeviceFiles)
        QTest::newRow(qPrintable(f)) << f;
}

// Registers of the devices fit the emulator's free memory and do not overlap,
// except bit fields that share a register on purpose and use disjoint bits.
void TestDevices::deviceRegisterLayout()
{
    QFETCH(QString, file);
    const Description& d = load(devicePath(file));
    struct Span
    {
        qint64 begin, end;
        const Node* node;
    };
    QVector<Span> spans;
    for (const Node& node : d.nodes) {
        if (!kRegisterElements.contains(node.element))
            continue;
        qint64 address = 0;
        QVERIFY2(parseInteger(node.values.value(QStringLiteral("Address")), address), qPrintable(node.name));
        const qint64 length = node.values.value(QStringLiteral("Length")).toLongLong();
        // An indexed register repeats at Offset steps over the selector's values.
        qint64 offset = 0, maxIndex = 0;
        for (auto it = node.indexOffsets.cbegin(); it != node.indexOffsets.cend(); ++it) {
            QVERIFY2(parseInteger(it.value(), offset), qPrintable(node.name));
            for (const Node& selector : d.nodes)
                if (selector.ref(QStringLiteral("pValue")) == it.key())
                    for (const Entry& e : selector.entries)
                        maxIndex = qMax(maxIndex, e.value);
            QVERIFY2(maxIndex > 0, qPrintable(node.name + QStringLiteral(": selector without entries")));
        }
        for (qint64 index = 0; index <= maxIndex; ++index) {
            const qint64 begin = address + index * offset;
            QVERIFY2(begin >= 0x8000 && begin + length <= 0xF000,
                     qPrintable(QStringLiteral("%1 at 0x%2").arg(node.name).arg(begin, 0, 16)));
            spans.append({begin, begin + length, &node});
        }
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    for (int i = 0; i < spans.size(); ++i) {
        for (int j = i + 1; j < spans.size() && spans[j].begin < spans[i].end; ++j) {
            const Node& a = *spans[i].node;
            const Node& b = *spans[j].node;
            const QString pair = a.name + QLatin1Char('/') + b.name;
            QVERIFY2(a.element == QLatin1String("MaskedIntReg") && b.element == QLatin1String("MaskedIntReg"),
                     qPrintable(pair + QStringLiteral(" overlap")));
            QVERIFY2(spans[i].begin == spans[j].begin && spans[i].end == spans[j].end,
                     qPrintable(pair + QStringLiteral(" share part of a register")));
            QVERIFY2((fieldMask(a) & fieldMask(b)) == 0, qPrintable(pair + QStringLiteral(" share bits")));
        }
    }
}

void TestDevices::panelFeatures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("element");
    const QString slp = QStringLiteral("kvx-slp-camera.xml");
    const QString dual = QStringLiteral("sl-camera-dual.xml");
    const QString card = QStringLiteral("frame-grabber-card.xml");
    const auto add = [](const QString& file, const char* name, const char* element) {
        QTest::addRow("%s:%s", qPrintable(file.section(QLatin1Char('-'), 0, 1)), name)
            << file << QString::fromLatin1(name) << QString::fromLatin1(element);
    };
    // The panel of the structured-light camera, its ROI and its behaviours.
    for (const char* n : {"AcquisitionMode", "SensorMethod", "Bining", "WorkingMode", "VisionEngine",
                          "Light1Selector", "Light1Mode", "Light2Selector", "Light2Mode", "Light3Selector",
                          "Light3Mode", "SmoothingMethod", "UserSetSelector", "PixelFormat"})
        add(slp, n, "Enumeration");
    for (const char* n :
         {"Light1Value", "Light2Value", "Light3Value", "LeftRayExpTime", "RayExpTime", "Contrast",
          "Modulation", "LowBrightness", "HighBrightness", "FilterThreshold", "WindowDiameter",
          "FillThreshold", "Radius", "Neighborhoods", "Width", "Height", "OffsetX", "OffsetY"})
        add(slp, n, "Integer");
    for (const char* n : {"SensorGain", "SensorExposure", "QualityScoreThreshold", "HighFilteringThreshold",
                          "HighTruncation", "LowTruncation"})
        add(slp, n, "Float");
    for (const char* n : {"Denoising", "GSImage", "SrcImage", "FrontImage", "BackImage", "QualityImage"})
        add(slp, n, "Boolean");
    for (const char* n : {"TriggerSoftware", "UserSetLoad", "UserSetSave", "DeviceReset"})
        add(slp, n, "Command");
    add(slp, "DeviceModelName", "StringReg");
    // The feature tree's special cases.
    for (const char* n : {"GevCurrentIPAddress", "GevCurrentSubnetMask", "GevCurrentDefaultGateway",
                          "GevMACAddress", "DeviceStatusFlags", "ProjectorIPAddress", "ProjectorMACAddress",
                          "TLParamsLocked", "ServiceUnlockCode", "EncoderCountLimit"})
        add(slp, n, "Integer");
    for (const char* n : {"SinData", "CosData", "AcquisitionLineRate", "DeviceTemperature"})
        add(slp, n, "Float");
    for (const char* n : {"TLID", "TLPath", "DeviceUserID"})
        add(slp, n, "StringReg");
    add(slp, "CalibrationTable", "Register");
    // The second camera of the family.
    for (const char* n : {"Left2DImage", "Right2DImage", "Left2DSrcImage", "Right2DSrcImage", "Left2_5DFront",
                          "Right2_5DFront", "Left2_5DBack", "Right2_5DBack", "QualityImage", "Denoising"})
        add(dual, n, "Boolean");
    for (const char* n :
         {"LeftRayExpTime", "RightRayExpTime", "Width", "Height", "OffsetX", "OffsetY", "Radius"})
        add(dual, n, "Integer");
    for (const char* n : {"AcquisitionMode", "SensorMethod", "WorkingMode", "UserSetSelector"})
        add(dual, n, "Enumeration");
    add(dual, "TriggerSoftware", "Command");
    add(dual, "DeviceTemperature", "Float");
    // The card.
    for (const char* n : {"ChannelSelector", "TriggerInputLine", "TriggerActivation", "CameraLinkClock"})
        add(card, n, "Enumeration");
    add(card, "DebounceTime", "Integer");
    add(card, "PoCLEnable", "Boolean");
    add(card, "DeviceTemperature", "Float");
}

void TestDevices::panelFeatures()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(QString, element);
    const Description& d = load(devicePath(file));
    QVERIFY2(d.nodes.contains(name), qPrintable(name + QStringLiteral(" missing")));
    QCOMPARE(d.nodes.value(name).element, element);
}

void TestDevices::enumerationEntries_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");
    const QString slp = QStringLiteral("kvx-slp-camera.xml");
    QTest::newRow("AcquisitionMode") << slp << "AcquisitionMode" << QStringList{"Software", "Auto", "Device"};
    QTest::newRow("SensorMethod") << slp << "SensorMethod"
                                  << QStringList{"SensorMerge", "SensorLeft", "SensorRight"};
    QTest::newRow("WorkingMode") << slp << "WorkingMode" << QStringList{"Standard", "Fast", "SuperPrecise"};
    QTest::newRow("VisionEngine") << slp << "VisionEngine" << QStringList{"PhaseEngine", "StripeEngine"};
    QTest::newRow("Light2Mode") << slp << "Light2Mode" << QStringList{"Off", "AcqTrigger", "AlwaysOn"};
    QTest::newRow("SmoothingMethod") << slp << "SmoothingMethod"
                                     << QStringList{"MeanSmoothing", "GaussianSmoothing"};
    QTest::newRow("UserSetSelector") << slp << "UserSetSelector"
                                     << QStringList{"Default",  "UserSet1", "UserSet2",
                                                    "UserSet3", "UserSet4", "UserSet5"};
    QTest::newRow("SensorResponseMode")
        << slp << "SensorResponseMode" << QStringList{"LinearSensing", "HDRLevel1", "HDRLevel2", "HDRLevel3"};
    QTest::newRow("dual AcquisitionMode") << QStringLiteral("sl-camera-dual.xml") << "AcquisitionMode"
                                          << QStringList{"Software", "Auto", "Device"};
}

void TestDevices::enumerationEntries()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(QStringList, entries);
    const Node node = load(devicePath(file)).nodes.value(name);
    QStringList actual;
    for (const Entry& e : node.entries)
        actual << e.name;
    QCOMPARE(actual, entries);
}

void TestDevices::modelNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("structuredLight");
    QTest::newRow("slp") << "kvx-slp-camera.xml"
                         << "KVX-SLP3000" << true;
    QTest::newRow("dual") << "sl-camera-dual.xml"
                          << "DSL-2400" << false;
    QTest::newRow("card") << "frame-grabber-card.xml"
                          << "FGC-2CL" << false;
}

void TestDevices::modelNames()
{
    QFETCH(QString, file);
    QFETCH(QString, model);
    QFETCH(bool, structuredLight);
    const Node node = load(devicePath(file)).nodes.value(QStringLiteral("DeviceModelName"));
    const QString name = node.attributes.value(QStringLiteral("Default"));
    QCOMPARE(name, model);
    QCOMPARE(name.startsWith(QLatin1String("KVX-SLP")), structuredLight);
}

void TestDevices::denoisingGatesItsParameters_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("slp") << "kvx-slp-camera.xml";
    QTest::newRow("dual") << "sl-camera-dual.xml";
}

void TestDevices::denoisingGatesItsParameters()
{
    QFETCH(QString, file);
    const Description& d = load(devicePath(file));
    const QString denoising = d.nodes.value(QStringLiteral("Denoising")).ref(QStringLiteral("pValue"));
    QVERIFY(!denoising.isEmpty());
    for (const char* name : {"Radius", "Neighborhoods"})
        QCOMPARE(d.nodes.value(QLatin1String(name)).ref(QStringLiteral("pIsAvailable")), denoising);
}

void TestDevices::offsetsLimitedBySize_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("sensor");
    for (const char* file : {"kvx-slp-camera.xml", "sl-camera-dual.xml"}) {
        QTest::addRow("%s:X", file) << file << "OffsetX"
                                    << "Width"
                                    << "SensorWidth";
        QTest::addRow("%s:Y", file) << file << "OffsetY"
                                    << "Height"
                                    << "SensorHeight";
    }
}

// Offset max = sensor - size and size max = sensor - offset, both formulas
// reading the other feature's register, so each limit follows the other.
void TestDevices::offsetsLimitedBySize()
{
    QFETCH(QString, file);
    QFETCH(QString, offset);
    QFETCH(QString, size);
    QFETCH(QString, sensor);
    const Description& d = load(devicePath(file));
    const auto check = [&](const QString& feature, const QString& other) {
        const Node max = d.nodes.value(d.nodes.value(feature).ref(QStringLiteral("pMax")));
        QCOMPARE(max.element, QStringLiteral("IntSwissKnife"));
        const QStringList variables = max.refsOf(QStringLiteral("pVariable"));
        QVERIFY2(variables.contains(sensor), qPrintable(feature));
        QVERIFY2(variables.contains(d.nodes.value(other).ref(QStringLiteral("pValue"))), qPrintable(feature));
    };
    check(offset, size);
    check(size, offset);
    QCOMPARE(d.nodes.value(size).ref(QStringLiteral("pIsLocked")), QStringLiteral("TLParamsLocked"));
}

// The structured-light camera carries one of each case the feature tree
// treats specially.
void TestDevices::featureTreeStimuli()
{
    const Description& d = load(devicePath(QStringLiteral("kvx-slp-camera.xml")));
    QSet<QString> visibilities, nameSpaces, representations, imposed;
    bool locked = false, noCache = false, polled = false, invalidator = false, floatWithoutInc = false;
    for (const Node& node : d.nodes) {
        if (node.values.contains(QStringLiteral("DisplayName")))
            visibilities << node.values.value(QStringLiteral("Visibility"), QStringLiteral("Beginner"));
        representations << node.values.value(QStringLiteral("Representation"));
        imposed << node.values.value(QStringLiteral("ImposedAccessMode"));
        locked |= !node.ref(QStringLiteral("pIsLocked")).isEmpty();
        invalidator |= !node.ref(QStringLiteral("pInvalidator")).isEmpty();
        noCache |= node.values.value(QStringLiteral("Cachable")) == QLatin1String("NoCache");
        polled |= node.values.contains(QStringLiteral("PollingTime"));
        floatWithoutInc |= node.element == QLatin1String("Float") &&
                           !node.values.contains(QStringLiteral("Inc")) &&
                           node.values.value(QStringLiteral("ImposedAccessMode")) != QLatin1String("RO");
    }
    for (const char* v : {"Beginner", "Expert", "Guru", "Invisible"})
        QVERIFY2(visibilities.contains(QLatin1String(v)), v);
    for (const char* r : {"HexNumber", "IPV4Address", "MACAddress"})
        QVERIFY2(representations.contains(QLatin1String(r)), r);
    QVERIFY(imposed.contains(QStringLiteral("RO")) && imposed.contains(QStringLiteral("WO")));
    QVERIFY(locked && invalidator && noCache && polled && floatWithoutInc);

    const Node temperature = *valueRegister(d, d.nodes.value(QStringLiteral("DeviceTemperature")));
    QCOMPARE(temperature.values.value(QStringLiteral("Cachable")), QStringLiteral("NoCache"));
    QVERIFY(temperature.attributes.contains(QStringLiteral("Varies")));

    // PrecisionIterations depends on WorkingMode from another category.
    const Node knife = d.nodes.value(
        d.nodes.value(QStringLiteral("PrecisionIterations")).ref(QStringLiteral("pIsAvailable")));
    QCOMPARE(knife.refsOf(QStringLiteral("pVariable")),
             QStringList{d.nodes.value(QStringLiteral("WorkingMode")).ref(QStringLiteral("pValue"))});
}

void TestDevices::largeDescription()
{
    const Description& d = load(QStringLiteral(CAMPANE_LARGE_DESCRIPTION));
    QVERIFY2(d.error.isEmpty(), qPrintable(d.error));
    int features = 0;
    QSet<QString> elements, visibilities;
    for (const Node& node : d.nodes) {
        elements << node.element;
        if (node.values.contains(QStringLiteral("DisplayName")) &&
            node.element != QLatin1String("Category")) {
            ++features;
            visibilities << node.values.value(QStringLiteral("Visibility"), QStringLiteral("Beginner"));
        }
    }
    QVERIFY2(features >= 5000, qPrintable(QString::number(features)));
    for (const char* e :
         {"Category", "Integer", "IntReg", "MaskedIntReg", "Float", "FloatReg", "Boolean", "Enumeration",
          "Command", "StringReg", "Register", "IntSwissKnife", "Converter", "Port"})
        QVERIFY2(elements.contains(QLatin1String(e)), e);
    QCOMPARE(visibilities.size(), 4);

    // Depth of the category tree below Root.
    std::function<int(const QString&)> depth = [&](const QString& name) {
        int deepest = 0;
        for (const QString& f : d.nodes.value(name).refsOf(QStringLiteral("pFeature")))
            if (d.nodes.value(f).element == QLatin1String("Category"))
                deepest = qMax(deepest, 1 + depth(f));
        return deepest;
    };
    QVERIFY(depth(QStringLiteral("Root")) >= 3);
}

void TestDevices::highAddressDescriptions()
{
    for (const QString& path : {QStringLiteral(CAMPANE_HIGH_ADDRESS_DESCRIPTION),
                                devicePath(QStringLiteral("test/high-address.xml"))}) {
        const Description& d = load(path);
        qint64 lowest = std::numeric_limits<qint64>::max();
        for (const Node& node : d.nodes) {
            qint64 address = 0;
            if (kRegisterElements.contains(node.element) &&
                parseInteger(node.values.value(QStringLiteral("Address")), address))
                lowest = qMin(lowest, address);
        }
        QVERIFY2(lowest > 0xFFFFFFFFLL, qPrintable(path));
    }
}

QTEST_GUILESS_MAIN(TestDevices)
#include "test_devices.moc"
