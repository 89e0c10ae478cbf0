#include "tests.h"

#include "descriptiontext.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QDir>
#include <QtTest>

#include <memory>

namespace {

const QString kGreen = QStringLiteral("<span style='color: green;'>");

QString header(const QString& name, const QString& description)
{
    return kGreen + name + QStringLiteral("</span><br>") + description + QStringLiteral("<br><br>");
}

QString line(const QString& label, const QString& value)
{
    return label + QStringLiteral(":") + kGreen + QStringLiteral(" ") + value + QStringLiteral("</span><br>");
}

QString properties(const QString& type, const QString& nameSpace, const QString& visibility,
                   const QString& streamable)
{
    return line(QStringLiteral("NodeType"), type) + line(QStringLiteral("NameSpace"), nameSpace) +
           line(QStringLiteral("Visibility"), visibility) + line(QStringLiteral("Streamable"), streamable);
}

QString entry(const QString& displayName, const QString& description, const QString& symbolic,
              const QString& value)
{
    return QStringLiteral("<br>") + kGreen + QStringLiteral(" ") + displayName +
           QStringLiteral("</span><br>") + line(QStringLiteral("Description"), description) +
           line(QStringLiteral("Enum Entry Name"), symbolic) +
           line(QStringLiteral("Enum Entry Value"), value) +
           line(QStringLiteral("NameSpace"), QStringLiteral("Custom"));
}

} // namespace

class TestDescriptionText : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void nodeKinds_data();
    void nodeKinds();
    void enumerationHasOneBlockPerAvailableEntry();
    void nullNodeGivesNoText();
    void lostDeviceKeepsWhatWasRead();

private:
    GenApi::INode* node(const char* name) const;

    std::unique_ptr<GenApi::CDeviceConnection> m_connection;
};

GenApi::INode* TestDescriptionText::node(const char* name) const
{
    return m_connection->GetNodeMap()->GetNode(name);
}

void TestDescriptionText::init()
{
    std::string error;
    const QString path =
        QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(QStringLiteral("kvx-slp-camera.xml"));
    m_connection = GenApi::CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    QVERIFY2(m_connection, error.c_str());
}

void TestDescriptionText::nodeKinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    // A property the node does not have shows the one read before it.
    QTest::newRow("enumeration with three entries")
        << "SensorMethod"
        << header(QStringLiteral("SensorMethod"),
                  QStringLiteral("Both projectors, the left one only, or the right one only.")) +
               properties(QStringLiteral("Enumeration"), QStringLiteral("Custom"), QStringLiteral("Custom"),
                          QStringLiteral("Yes")) +
               entry(QStringLiteral("Sensor Merge"),
                     QStringLiteral("Both projectors work and their point clouds are merged."),
                     QStringLiteral("SensorMerge"), QStringLiteral("0")) +
               entry(QStringLiteral("Sensor Left"), QStringLiteral("Only the left projector works."),
                     QStringLiteral("SensorLeft"), QStringLiteral("1")) +
               entry(QStringLiteral("Sensor Right"), QStringLiteral("Only the right projector works."),
                     QStringLiteral("SensorRight"), QStringLiteral("2"));
    QTest::newRow("hex integer: no limits")
        << "DeviceStatusFlags"
        << header(QStringLiteral("DeviceStatusFlags"),
                  QStringLiteral(
                      "Bit field of the camera's self-test results; all ones means every test passed.")) +
               properties(QStringLiteral("Integer"), QStringLiteral("Custom"), QStringLiteral("Guru"),
                          QStringLiteral("Guru"));
    QTest::newRow("float without unit")
        << "QualityScoreThreshold"
        << header(QStringLiteral("QualityScoreThreshold"),
                  QStringLiteral("Pixels whose quality score is below this value are set invalid.")) +
               properties(QStringLiteral("Float"), QStringLiteral("Custom"), QStringLiteral("Custom"),
                          QStringLiteral("Yes")) +
               line(QStringLiteral("Min"), QStringLiteral("0")) +
               line(QStringLiteral("Max"), QStringLiteral("1"));
    QTest::newRow("integer with unit us")
        << "RayExpTime"
        << header(QStringLiteral("RayExpTime"),
                  QStringLiteral(
                      "Time from the start to the end of the projector's exposure for each pattern.")) +
               properties(QStringLiteral("Integer"), QStringLiteral("Custom"), QStringLiteral("Custom"),
                          QStringLiteral("Yes")) +
               line(QStringLiteral("Min"), QStringLiteral("1000")) +
               line(QStringLiteral("Max"), QStringLiteral("100000")) +
               line(QStringLiteral("Inc"), QStringLiteral("100")) +
               line(QStringLiteral("Unit"), QStringLiteral("us"));
    QTest::newRow("category")
        << "StructuredLightControl"
        << header(QStringLiteral("StructuredLightControl"),
                  QStringLiteral(
                      "Settings of the projector and of the image sensor, and the reconstruction engine.")) +
               properties(QStringLiteral("Category"), QStringLiteral("Custom"), QStringLiteral("Custom"),
                          QStringLiteral("Custom"));
}

void TestDescriptionText::nodeKinds()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    GenApi::INode* feature = node(name.toLatin1().constData());
    QVERIFY(feature);
    QCOMPARE(featureDescriptionHtml(feature), expected);
}

void TestDescriptionText::enumerationHasOneBlockPerAvailableEntry()
{
    // Six entries, each block starting with a line break after the properties.
    const QString text = featureDescriptionHtml(node("UserSetSelector"));
    QCOMPARE(text.count(QStringLiteral("Enum Entry Name:")), 6);
    QCOMPARE(text.count(QStringLiteral("<br><br>")), 1 + 6);
    QVERIFY(text.contains(line(QStringLiteral("Enum Entry Name"), QStringLiteral("UserSet5")) +
                          line(QStringLiteral("Enum Entry Value"), QStringLiteral("5"))));
}

void TestDescriptionText::nullNodeGivesNoText()
{
    QVERIFY(featureDescriptionHtml(nullptr).isEmpty());
}

void TestDescriptionText::lostDeviceKeepsWhatWasRead()
{
    // Width's maximum is computed from registers: with the device gone the
    // limits cannot be read, and the text ends with the property lines.
    m_connection->MarkLost();
    const QString text = featureDescriptionHtml(node("Width"));
    QCOMPARE(text,
             header(QStringLiteral("Width"), QStringLiteral("Width of the region of interest, in pixels.")) +
                 properties(QStringLiteral("Integer"), QStringLiteral("Standard"), QStringLiteral("Standard"),
                            QStringLiteral("Yes")));
}

int runDescriptionTextTests(int argc, char** argv)
{
    TestDescriptionText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_descriptiontext.moc"
