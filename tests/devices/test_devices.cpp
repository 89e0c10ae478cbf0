// Checks the GenICam descriptions of the simulated devices as XML: structure,
// references, reachability, the simulation's attributes and register layout.
// (That the initial values are valid ones is checked through the GenApi
// layer, in the genapi tests; the features and relations the panel relies
// on, by the panel's and the region of interest's tests driving them.)

#include <QtTest>

#include <algorithm>

namespace {

const QString kSimNamespace = QStringLiteral("urn:campane:simulated-device");
const QSet<QString> kRegisterElements = {"IntReg", "MaskedIntReg", "FloatReg", "StringReg", "Register"};
const QString kSlp = QStringLiteral("kvx-slp-camera.xml");
const QString kDual = QStringLiteral("sl-camera-dual.xml");
const QString kCard = QStringLiteral("frame-grabber-card.xml");

struct Node
{
    QString element, name;
    qint64 line = 0;
    QHash<QString, QString> sim;           // attributes of the sim namespace, by local name
    QHash<QString, QString> values;        // simple child elements: element -> text
    QVector<QPair<QString, QString>> refs; // (p-element, target) in document order
    QHash<QString, QString> indexOffsets;  // pIndex target -> Offset attribute
    QVector<QPair<QString, qint64>> entries;

    QStringList refsOf(const QString& element) const
    {
        QStringList out;
        for (const auto& r : refs)
            if (r.first == element)
                out << r.second;
        return out;
    }
    QString ref(const QString& element) const { return refsOf(element).value(0); }
};

struct Description
{
    QString error;
    QHash<QString, Node> nodes;
    QStringList duplicates;
};

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

qint64 integer(const QString& text)
{
    qint64 v = 0;
    parseInteger(text, v);
    return v;
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
    xml.readNextStartElement(); // RegisterDescription, which the GenApi layer checks when it opens
    while (xml.readNextStartElement()) {
        Node node;
        node.element = xml.name().toString();
        node.line = xml.lineNumber();
        node.name = xml.attributes().value(QLatin1String("Name")).toString();
        for (const QXmlStreamAttribute& a : xml.attributes())
            if (a.namespaceUri() == kSimNamespace)
                node.sim.insert(a.name().toString(), a.value().toString());
        while (xml.readNextStartElement()) {
            const QString element = xml.name().toString();
            if (element == QLatin1String("EnumEntry")) {
                const QString name = xml.attributes().value(QLatin1String("Name")).toString();
                qint64 value = 0;
                while (xml.readNextStartElement())
                    if (xml.name() == QLatin1String("Value"))
                        value = integer(xml.readElementText());
                    else
                        xml.skipCurrentElement();
                node.entries << qMakePair(name, value);
            } else if (element.size() > 1 && element.at(0) == 'p' && element.at(1).isUpper()) {
                const QString offset = xml.attributes().value(QLatin1String("Offset")).toString();
                const QString target = xml.readElementText().trimmed();
                node.refs << qMakePair(element, target);
                if (element == QLatin1String("pIndex"))
                    node.indexOffsets.insert(target, offset);
            } else {
                node.values.insert(element,
                                   xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed());
            }
        }
        if (d.nodes.contains(node.name))
            d.duplicates << node.name;
        d.nodes.insert(node.name, node);
    }
    if (xml.hasError())
        d.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return d;
}

QString devicePath(const QString& file)
{
    const QString env = qEnvironmentVariable("CAMPANE_DEVICES_DIR");
    return (env.isEmpty() ? QStringLiteral(CAMPANE_DEVICES_DIR) : env) + QLatin1Char('/') + file;
}

// Bits a MaskedIntReg occupies, in the register's own bit numbering.
quint64 fieldMask(const Node& reg)
{
    const bool bit = reg.values.contains(QStringLiteral("Bit"));
    const int lsb = reg.values.value(bit ? QStringLiteral("Bit") : QStringLiteral("LSB")).toInt();
    const int msb = reg.values.value(bit ? QStringLiteral("Bit") : QStringLiteral("MSB")).toInt();
    quint64 mask = 0;
    for (int b = qMin(lsb, msb); b <= qMax(lsb, msb); ++b)
        mask |= quint64(1) << b;
    return mask;
}

} // namespace

class TestDevices : public QObject
{
    Q_OBJECT

private slots:
    // Every description: the committed ones and the generated ones.
    void descriptions_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QFileInfo(devicePath(kSlp)).absolutePath());
        QStringList files;
        for (const QString& f : dir.entryList({"*.xml"}, QDir::Files, QDir::Name))
            files << dir.filePath(f);
        for (const QString& f : QDir(dir.filePath("test")).entryList({"*.xml"}, QDir::Files, QDir::Name))
            files << dir.filePath("test/" + f);
        files << QStringLiteral(CAMPANE_LARGE_DESCRIPTION)
              << QStringLiteral(CAMPANE_HIGH_ADDRESS_DESCRIPTION);
        for (const QString& path : files)
            QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
    }
    void structure_data() { descriptions_data(); }

    // A GenICam register description that parses, with unique, valid names, one
    // port named Device that every register uses, and references that resolve.
    void structure()
    {
        QFETCH(QString, path);
        const Description& d = load(path);
        QVERIFY2(d.error.isEmpty(), qPrintable(d.error));
        QVERIFY2(d.duplicates.isEmpty(), qPrintable(d.duplicates.join(' ')));
        QCOMPARE(d.nodes.value(QStringLiteral("Root")).element, QStringLiteral("Category"));

        static const QRegularExpression validName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        QStringList ports, problems;
        for (const Node& node : d.nodes) {
            if (!validName.match(node.name).hasMatch())
                problems << "bad name " + node.name;
            QSet<QString> entryNames;
            QSet<qint64> entryValues;
            for (const auto& e : node.entries) {
                if (!validName.match(e.first).hasMatch() || entryNames.contains(e.first) ||
                    entryValues.contains(e.second))
                    problems << "bad or repeated entry " + node.name + ':' + e.first;
                entryNames << e.first;
                entryValues << e.second;
            }
            if (node.element == QLatin1String("Enumeration") && node.entries.isEmpty())
                problems << "no entries in " + node.name;
            if (node.element == QLatin1String("Port"))
                ports << node.name;
            if (kRegisterElements.contains(node.element) &&
                (node.ref(QStringLiteral("pPort")) != QLatin1String("Device") ||
                 node.values.value(QStringLiteral("Length")).toInt() <= 0))
                problems << "bad port or length in " + node.name;
            for (const auto& r : node.refs)
                if (!d.nodes.contains(r.second))
                    problems << QStringLiteral("dangling %1.%2 -> %3").arg(node.name, r.first, r.second);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(", ")));
        QCOMPARE(ports, QStringList{"Device"});
    }
    void everyFeatureReachable_data() { descriptions_data(); }

    // Features (nodes with a display name) hang in the category tree and carry
    // a tool tip, a description and a display name; every other node is reached
    // from there through some reference.
    void everyFeatureReachable()
    {
        QFETCH(QString, path);
        const Description& d = load(path);
        QSet<QString> reached{QStringLiteral("Root")};
        QStringList queue{QStringLiteral("Root")};
        while (!queue.isEmpty()) {
            for (const auto& r : d.nodes.value(queue.takeFirst()).refs) {
                if (d.nodes.contains(r.second) && !reached.contains(r.second)) {
                    reached << r.second;
                    queue << r.second;
                }
            }
        }
        QSet<QString> inTree{QStringLiteral("Root")};
        for (const Node& node : d.nodes)
            if (node.element == QLatin1String("Category") && reached.contains(node.name))
                for (const QString& f : node.refsOf(QStringLiteral("pFeature")))
                    inTree << f;

        QStringList problems;
        // Root leaves its tool tip out, as real cameras' descriptions do: the
        // tree's top row then shows the device's name.
        for (const QString& name : inTree)
            for (const char* text : {"ToolTip", "Description", "DisplayName"})
                if (d.nodes.value(name).values.value(QLatin1String(text)).isEmpty() &&
                    !(name == QLatin1String("Root") && qstrcmp(text, "ToolTip") == 0))
                    problems << "missing " + name + '.' + text;
        for (const Node& node : d.nodes) {
            if (!reached.contains(node.name))
                problems << "unreached " + node.name;
            else if (node.values.contains(QStringLiteral("DisplayName")) && !inTree.contains(node.name))
                problems << "not in a category: " + node.name;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(", ")));
    }
    void simulationAttributes_data() { descriptions_data(); }

    void simulationAttributes()
    {
        QFETCH(QString, path);
        const Description& d = load(path);
        static const QRegularExpression varies(QStringLiteral("^sine:([-+0-9.eE]+):([-+0-9.eE]+)$"));
        for (const Node& node : d.nodes) {
            const QString label = QStringLiteral("%1 (line %2)").arg(node.name).arg(node.line);
            for (auto it = node.sim.cbegin(); it != node.sim.cend(); ++it)
                QVERIFY2(QStringList({"Default", "Varies", "OnWrite", "UserSet"}).contains(it.key()),
                         qPrintable(label));
            if (node.sim.contains(QStringLiteral("Default"))) {
                QVERIFY2(kRegisterElements.contains(node.element) &&
                             node.element != QLatin1String("Register"),
                         qPrintable(label));
                const QString value = node.sim.value(QStringLiteral("Default"));
                const int length = node.values.value(QStringLiteral("Length")).toInt();
                bool ok = true;
                if (node.element == QLatin1String("StringReg")) {
                    ok = value.toUtf8().size() <= length;
                } else if (node.element == QLatin1String("FloatReg")) {
                    value.toDouble(&ok);
                } else {
                    qint64 v = 0;
                    const int bits = node.element == QLatin1String("MaskedIntReg")
                                         ? qPopulationCount(fieldMask(node))
                                         : 8 * length;
                    ok = parseInteger(value, v) &&
                         (bits >= 64 || (v >= 0 && quint64(v) < (quint64(1) << bits)));
                }
                QVERIFY2(ok, qPrintable(label));
            }
            if (node.sim.contains(QStringLiteral("Varies"))) {
                QVERIFY2(node.element == QLatin1String("IntReg") || node.element == QLatin1String("FloatReg"),
                         qPrintable(label));
                const auto m = varies.match(node.sim.value(QStringLiteral("Varies")));
                QVERIFY2(m.hasMatch() && m.captured(2).toDouble() > 0, qPrintable(label));
            }
        }
    }

    void deviceRegisterLayout_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString& f : {kSlp, kDual, kCard})
            QTest::newRow(qPrintable(f)) << f;
    }

    // Registers of the devices (which also run in the GigE Vision emulator) fit
    // its free memory, 0x8000-0xEFFF, and do not overlap, except bit fields that
    // share a register on purpose and use disjoint bits.
    void deviceRegisterLayout()
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
            QVERIFY2(parseInteger(node.values.value(QStringLiteral("Address")), address),
                     qPrintable(node.name));
            const qint64 length = node.values.value(QStringLiteral("Length")).toLongLong();
            // An indexed register repeats at Offset steps over the selector's values.
            qint64 offset = 0, maxIndex = 0;
            for (auto it = node.indexOffsets.cbegin(); it != node.indexOffsets.cend(); ++it) {
                QVERIFY2(parseInteger(it.value(), offset), qPrintable(node.name));
                for (const Node& selector : d.nodes)
                    if (selector.ref(QStringLiteral("pValue")) == it.key())
                        for (const auto& e : selector.entries)
                            maxIndex = qMax(maxIndex, e.second);
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
                QVERIFY2(a.element == QLatin1String("MaskedIntReg") &&
                             b.element == QLatin1String("MaskedIntReg"),
                         qPrintable(pair + QStringLiteral(" overlap")));
                QVERIFY2(spans[i].begin == spans[j].begin && spans[i].end == spans[j].end,
                         qPrintable(pair + QStringLiteral(" share part of a register")));
                QVERIFY2((fieldMask(a) & fieldMask(b)) == 0,
                         qPrintable(pair + QStringLiteral(" share bits")));
            }
        }
    }

    // The generated description: 5,000 features in all four visibilities.
    // (Registers above 4 GiB: the simulated device's register tests.)
    void generatedDescriptions()
    {
        const Description& d = load(QStringLiteral(CAMPANE_LARGE_DESCRIPTION));
        int features = 0;
        QSet<QString> visibilities;
        for (const Node& node : d.nodes) {
            if (node.values.contains(QStringLiteral("DisplayName")) &&
                node.element != QLatin1String("Category")) {
                ++features;
                visibilities << node.values.value(QStringLiteral("Visibility"), QStringLiteral("Beginner"));
            }
        }
        QVERIFY2(features >= 5000, qPrintable(QString::number(features)));
        QCOMPARE(visibilities.size(), 4);
    }

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

QTEST_GUILESS_MAIN(TestDevices)
#include "test_devices.moc"
