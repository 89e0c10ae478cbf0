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
    return kGreen + name + "</span><br>" + description + "<br><br>";
}

QString line(const QString& label, const QString& value)
{
    return label + ":" + kGreen + " " + value + "</span><br>";
}

QString properties(const QString& type, const QString& nameSpace, const QString& visibility,
                   const QString& streamable)
{
    return line("NodeType", type) + line("NameSpace", nameSpace) + line("Visibility", visibility) +
           line("Streamable", streamable);
}

QString entry(const QString& displayName, const QString& description, const QString& symbolic,
              const QString& value)
{
    return "<br>" + kGreen + " " + displayName + "</span><br>" + line("Description", description) +
           line("Enum Entry Name", symbolic) + line("Enum Entry Value", value) + line("NameSpace", "Custom");
}

} // namespace

class TestDescriptionText : public QObject
{
    Q_OBJECT

private slots:
    void nodeKinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deviceLost");
        QTest::addColumn<QString>("expected");

        // A property the node does not have shows the one read before it.
        QTest::newRow("enumeration with three entries")
            << "SensorMethod" << false
            << header("SensorMethod", "Both projectors, the left one only, or the right one only.") +
                   properties("Enumeration", "Custom", "Custom", "Yes") +
                   entry("Sensor Merge", "Both projectors work and their point clouds are merged.",
                         "SensorMerge", "0") +
                   entry("Sensor Left", "Only the left projector works.", "SensorLeft", "1") +
                   entry("Sensor Right", "Only the right projector works.", "SensorRight", "2");
        QTest::newRow("hex integer: no limits")
            << "DeviceStatusFlags" << false
            << header("DeviceStatusFlags",
                      "Bit field of the camera's self-test results; all ones means every test passed.") +
                   properties("Integer", "Custom", "Guru", "Guru");
        QTest::newRow("float without unit")
            << "QualityScoreThreshold" << false
            << header("QualityScoreThreshold",
                      "Pixels whose quality score is below this value are set invalid.") +
                   properties("Float", "Custom", "Custom", "Yes") + line("Min", "0") + line("Max", "1");
        QTest::newRow("integer with unit us")
            << "RayExpTime" << false
            << header("RayExpTime",
                      "Time from the start to the end of the projector's exposure for each pattern.") +
                   properties("Integer", "Custom", "Custom", "Yes") + line("Min", "1000") +
                   line("Max", "100000") + line("Inc", "100") + line("Unit", "us");
        QTest::newRow("category")
            << "StructuredLightControl" << false
            << header("StructuredLightControl",
                      "Settings of the projector and of the image sensor, and the reconstruction engine.") +
                   properties("Category", "Custom", "Custom", "Custom");
        // Width's maximum is computed from registers: with the device gone the
        // limits cannot be read, and the text ends with the property lines.
        QTest::newRow("lost device keeps what was read")
            << "Width" << true
            << header("Width", "Width of the region of interest, in pixels.") +
                   properties("Integer", "Standard", "Standard", "Yes");
        QTest::newRow("no node") << QString() << false << QString();
    }

    void nodeKinds()
    {
        QFETCH(QString, name);
        QFETCH(bool, deviceLost);
        QFETCH(QString, expected);
        std::string error;
        const QString path = QDir(CAMPANE_DEVICES_DIR).filePath("kvx-slp-camera.xml");
        auto connection = GenApi::CDeviceConnection::OpenSimulated(path.toStdString(), &error);
        QVERIFY2(connection, error.c_str());
        if (deviceLost)
            connection->MarkLost();
        GenApi::INode* node =
            name.isEmpty() ? nullptr : connection->GetNodeMap()->GetNode(name.toStdString().c_str());
        QVERIFY(name.isEmpty() || node);
        QCOMPARE(featureDescriptionHtml(node), expected);
    }
};

int runDescriptionTextTests(int argc, char** argv)
{
    TestDescriptionText test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_descriptiontext.moc"
