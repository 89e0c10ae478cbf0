// Panel rows and groups bound to the nodes of the simulated structured-light
// camera: editors by node kind, writes and their read-back, rollback and
// logging of rejected writes, availability, group refresh, the real-time
// refresh through the camera service, and languages.

#include "ccombobox.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace GenApi;

namespace {

const QString kCamera = QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml");
const char* const kRowTag = "ToolPageWidgetItem";

// Lines that the rows log through the camera service's logger.
QStringList g_rowLog;
QtMessageHandler g_previousHandler = nullptr;

void collectRowLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && qstrcmp(context.category, kRowTag) == 0) {
        g_rowLog.append(message);
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

const QStringList kTitle{QStringLiteral("Title"), QStringLiteral("标题")};
const QStringList kDescription{QStringLiteral("Description"), QStringLiteral("描述")};

// A description whose float feature shares its name with the camera's
// model-name string, so that the camera service answers with a text that is
// no number.
const QString kModelNameAsFloat = QStringLiteral(ROWS_TEST_DATA "/model-name-as-float.xml");

} // namespace

class TestRows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void editorFollowsNodeKind_data();
    void editorFollowsNodeKind();
    void spinBoxBounds_data();
    void spinBoxBounds();
    void writeIsReadBack_data();
    void writeIsReadBack();
    void rejectedIntegerWriteRollsBack();

    void rowAppearsWhenNodeBecomesUsable();
    void writeRefreshesOwnGroupOnly();
    void shownGroupRechecksHiddenRows();

    void realTimeRefreshSkipsFocusedEditor();
    void realTimeRefreshIgnoresNonNumericText();

    void languageSwitch();

private:
    INode* node(const char* name) const { return m_device->GetNodeMap()->GetNode(name); }
    std::unique_ptr<ToolPageWidgetItem> makeRow(const char* name, bool hiddenAuto = true) const;

    std::unique_ptr<CDeviceConnection> m_device;
    // Parent of the rows a test makes: a row hides itself, and only a child
    // widget tells an explicit hide from not being shown yet.
    std::unique_ptr<QWidget> m_host;
    QTemporaryDir m_settings;
    std::string m_cameraId;
    INodeMap* m_serviceMap = nullptr;
};

void TestRows::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(collectRowLog);

    Corvid::ServiceOptions options;
    options.defaultDevices = false;
    options.settingsFile = m_settings.filePath(QStringLiteral("settings.ini")).toStdString();
    QCOMPARE(Corvid::StartService(options), 0);
    m_cameraId = Corvid::AddSimulatedCamera(kCamera.toStdString());
    QVERIFY(!m_cameraId.empty());
    m_serviceMap = Corvid::GetAttrNodeMap(Corvid::FOCUS_CAMERA, m_cameraId, Corvid::NODEMAP_REMOTE_DEVICE);
    QVERIFY(m_serviceMap);
}

void TestRows::cleanupTestCase()
{
    Corvid::StopService();
    qInstallMessageHandler(g_previousHandler);
}

void TestRows::init()
{
    std::string error;
    m_device = CDeviceConnection::OpenSimulated(kCamera.toStdString(), &error);
    QVERIFY2(m_device, error.c_str());
    m_host = std::make_unique<QWidget>();
    g_rowLog.clear();
}

void TestRows::cleanup()
{
    m_host.reset();
    m_device.reset();
}

std::unique_ptr<ToolPageWidgetItem> TestRows::makeRow(const char* name, bool hiddenAuto) const
{
    auto row = std::make_unique<ToolPageWidgetItem>(m_host.get());
    row->setupNode(kTitle, kDescription, node(name), hiddenAuto);
    row->setLanguageType(0);
    return row;
}

void TestRows::editorFollowsNodeKind_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("editor"); // class of the editor, empty for none

    QTest::newRow("integer") << "Light1Value" << true << QStringLiteral("QSpinBox");
    QTest::newRow("float") << "SensorGain" << true << QStringLiteral("QDoubleSpinBox");
    QTest::newRow("boolean") << "Denoising" << true << QStringLiteral("SwitchButton");
    QTest::newRow("command") << "TriggerSoftware" << true << QStringLiteral("QPushButton");
    QTest::newRow("enumeration") << "WorkingMode" << true << QStringLiteral("QComboBox");
    QTest::newRow("read-only integer") << "PayloadSize" << false << QStringLiteral("QSpinBox");
    QTest::newRow("locked float") << "DepthScale" << false << QStringLiteral("QDoubleSpinBox");
    QTest::newRow("string") << "DeviceUserID" << false << QString();
    QTest::newRow("invisible") << "TLParamsLocked" << false << QString();
    QTest::newRow("unavailable") << "Radius" << false << QString();
    QTest::newRow("write-only integer") << "ServiceUnlockCode" << false << QString();
    QTest::newRow("missing") << "NoSuchFeature" << false << QString();
}

void TestRows::editorFollowsNodeKind()
{
    QFETCH(QString, feature);
    QFETCH(bool, enabled);
    QFETCH(QString, editor);

    auto row = makeRow(qPrintable(feature));
    QCOMPARE(row->isHidden(), editor.isEmpty());
    QCOMPARE(row->label()->text(), QStringLiteral("Title"));
    QWidget* widget = row->widget();
    if (editor.isEmpty()) {
        QVERIFY(!widget);
        row->refresh(false); // nothing to bring back: the row stays hidden
        QVERIFY(row->isHidden());
        return;
    }
    QVERIFY(widget);
    QCOMPARE(row->layout()->indexOf(widget), 1);
    QCOMPARE(widget->isEnabled(), enabled);
    // The switch sits in a transparent container.
    if (auto* button = widget->findChild<SwitchButton*>())
        widget = button;
    QCOMPARE(widget->metaObject()->className(), qPrintable(editor));
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        QCOMPARE(combo->currentText(), QStringLiteral("Standard"));
}

// Spin boxes of both kinds, compared through their common properties.
void TestRows::spinBoxBounds_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("stepAfterRefresh");
    QTest::addColumn<double>("value");

    QTest::newRow("percent") << "Light1Value" << 0.0 << 100.0 << 1.0 << 1.0 << 80.0;
    QTest::newRow("stepped") << "Width" << 64.0 << 2448.0 << 16.0 << 16.0 << 2448.0;
    // 2^48 - 1 keeps an all-ones low word, which would read as -1.
    QTest::newRow("48-bit maximum") << "EncoderCountLimit" << 1.0 << 2147483647.0 << 1.0 << 1.0 << 1.0;
    // Float updates step by hundredths whatever the node says.
    QTest::newRow("fixed float increment") << "SensorExposure" << 0.0 << 0.0 << 10.0 << 0.01 << 8000.0;
    QTest::newRow("no float increment") << "SensorGain" << 0.0 << 0.0 << 0.01 << 0.01 << 2.0;
    QTest::newRow("small float increment") << "QualityScoreThreshold" << 0.0 << 0.0 << 0.01 << 0.01 << 0.3;
}

void TestRows::spinBoxBounds()
{
    QFETCH(QString, feature);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, step);
    QFETCH(double, stepAfterRefresh);
    QFETCH(double, value);

    auto row = makeRow(qPrintable(feature));
    auto* spin = qobject_cast<QAbstractSpinBox*>(row->widget());
    QVERIFY(spin);
    const bool isInteger = qobject_cast<QSpinBox*>(spin);
    if (isInteger) {
        QCOMPARE(spin->property("minimum").toDouble(), minimum);
        QCOMPARE(spin->property("maximum").toDouble(), maximum);
    } else {
        QCOMPARE(spin->property("decimals").toInt(), 2);
    }
    QCOMPARE(float(spin->property("singleStep").toDouble()), float(step));
    QCOMPARE(spin->property("value").toDouble(), value);
    QCOMPARE(spin->property("preValue").userType(), int(isInteger ? QMetaType::Int : QMetaType::Float));
    QCOMPARE(spin->contextMenuPolicy(), Qt::NoContextMenu);

    // An update in place keeps the editor and its bounds.
    row->refresh(false);
    QCOMPARE(row->widget(), spin);
    QCOMPARE(spin->property("singleStep").toDouble(), stepAfterRefresh);
    if (isInteger)
        QCOMPARE(spin->property("maximum").toDouble(), maximum);
}

namespace {

void typeInto(QAbstractSpinBox* spin, const QString& text)
{
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Return);
}

} // namespace

void TestRows::writeIsReadBack_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("input"); // typed or chosen; clicked when empty
    QTest::addColumn<QString>("readBack");

    QTest::newRow("integer") << "Light1Value" << 0 << "55" << QStringLiteral("55");
    QTest::newRow("float") << "SensorGain" << 0 << "3.5" << QStringLiteral("3.5");
    QTest::newRow("boolean") << "Denoising" << 0 << "" << QStringLiteral("1");
    QTest::newRow("command") << "TriggerSoftware" << 0 << "" << QString();
    QTest::newRow("enumeration") << "WorkingMode" << 0 << "Fast" << QStringLiteral("Fast");
    QTest::newRow("enumeration in Chinese") << "WorkingMode" << 1 << "快速" << QStringLiteral("Fast");
    // "高精度" stands for two entry names; the device is written the one it has.
    QTest::newRow("enumeration, shared Chinese text")
        << "WorkingMode" << 1 << "高精度" << QStringLiteral("SuperPrecise");
}

void TestRows::writeIsReadBack()
{
    QFETCH(QString, feature);
    QFETCH(int, language);
    QFETCH(QString, input);
    QFETCH(QString, readBack);

    auto row = makeRow(qPrintable(feature));
    row->setLanguageType(language);
    QSignalSpy written(row.get(), &ToolPageWidgetItem::valueChanged);
    QWidget* editor = row->widget();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(editor)) {
        typeInto(spin, input);
        QCOMPARE(spin->property("value").toString(), input);
        QCOMPARE(spin->property("preValue").toString(), input);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int index = combo->findText(input);
        QVERIFY(index > 0);
        combo->setCurrentIndex(index);
        QCOMPARE(combo->currentText(), input);
    } else {
        auto* button = editor->findChild<SwitchButton*>();
        QTest::mouseClick(button ? button : qobject_cast<QPushButton*>(editor), Qt::LeftButton);
    }

    QCOMPARE(written.count(), 1);
    QVERIFY(!written.first().first().isValid());
    if (!readBack.isEmpty())
        QCOMPARE(QString::fromUtf8(CValuePtr(node(qPrintable(feature)))->ToString(true, true).c_str()),
                 readBack);
    QVERIFY(g_rowLog.isEmpty());
}

void TestRows::rejectedIntegerWriteRollsBack()
{
    auto row = makeRow("Width");
    auto* spin = qobject_cast<QSpinBox*>(row->widget());
    QSignalSpy written(row.get(), &ToolPageWidgetItem::valueChanged);

    // In range, but off the 16-pixel grid: the device refuses it.
    typeInto(spin, QStringLiteral("100"));

    QCOMPARE(written.count(), 0);
    QCOMPARE(spin->value(), 2448);
    QCOMPARE(spin->property("preValue").toInt(), 2448);
    QCOMPARE(CIntegerPtr(node("Width"))->GetValue(true, true), int64_t(2448));
    QCOMPARE(g_rowLog.size(), 1);
    const QString prefix = QStringLiteral("Set Width value failed, message = ");
    QVERIFY2(g_rowLog.first().startsWith(prefix) && g_rowLog.first().size() > prefix.size(),
             qPrintable(g_rowLog.first()));

    // The next accepted write moves the rollback point.
    typeInto(spin, QStringLiteral("2000"));
    QCOMPARE(written.count(), 1);
    typeInto(spin, QStringLiteral("1999"));
    QCOMPARE(spin->value(), 2000);
    QCOMPARE(g_rowLog.size(), 2);
}

void TestRows::rowAppearsWhenNodeBecomesUsable()
{
    auto row = makeRow("Radius");
    QVERIFY(row->isHidden());
    QVERIFY(!row->widget());
    row->refresh(false);
    QVERIFY(row->isHidden());

    CBooleanPtr(node("Denoising"))->SetValue(true);
    row->refresh(false);

    QVERIFY(!row->isHidden());
    auto* spin = qobject_cast<QSpinBox*>(row->widget());
    QVERIFY(spin);
    QCOMPARE(spin->value(), 4);
    QCOMPARE(row->layout()->indexOf(spin), 1);

    // Unusable again: hidden, the editor kept for the next time.
    CBooleanPtr(node("Denoising"))->SetValue(false);
    row->refresh(false);
    QVERIFY(row->isHidden());
    QCOMPARE(row->widget(), spin);
}

void TestRows::writeRefreshesOwnGroupOnly()
{
    ToolPageWidget denoise;
    auto* denoising = new ToolPageWidgetItem;
    denoising->setupNode(kTitle, kDescription, node("Denoising"), true);
    auto* radius = new ToolPageWidgetItem;
    radius->setupNode(kTitle, kDescription, node("Radius"), true);
    auto* note = new QLabel(QStringLiteral("not a row"));
    denoise.addItem(denoising);
    denoise.addItem(note);
    denoise.addItem(radius);

    ToolPageWidget other;
    auto* otherRadius = new ToolPageWidgetItem;
    otherRadius->setupNode(kTitle, kDescription, node("Radius"), true);
    auto* light = new ToolPageWidgetItem;
    light->setupNode(kTitle, kDescription, node("Light1Value"), true);
    other.addItem(otherRadius);
    other.addItem(light);
    QCOMPARE(other.items().size(), 2);

    CIntegerPtr(node("Light1Value"))->SetValue(33);
    QTest::mouseClick(denoising->widget()->findChild<SwitchButton*>(), Qt::LeftButton);

    QVERIFY(!radius->isHidden());
    QVERIFY(qobject_cast<QSpinBox*>(radius->widget()));
    QVERIFY(otherRadius->isHidden());
    QVERIFY(!otherRadius->widget());
    QCOMPARE(qobject_cast<QSpinBox*>(light->widget())->value(), 80);

    other.refreshItems();
    QVERIFY(!otherRadius->isHidden());
    QCOMPARE(qobject_cast<QSpinBox*>(light->widget())->value(), 33);
}

void TestRows::shownGroupRechecksHiddenRows()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* group = new ToolPageWidget;
    auto* radius = new ToolPageWidgetItem;
    radius->setupNode(kTitle, kDescription, node("Radius"), true);
    group->addItem(radius);
    layout->addWidget(group);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(radius->isHidden());

    CBooleanPtr(node("Denoising"))->SetValue(true);
    group->hide();
    group->show();
    QVERIFY(radius->isVisible());
    QVERIFY(radius->widget());
    QTRY_VERIFY(radius->widget()->isVisible());
}

void TestRows::realTimeRefreshSkipsFocusedEditor()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* gain = new ToolPageWidgetItem;
    gain->setupNode(kTitle, kDescription, m_serviceMap->GetNode("SensorGain"), true);
    auto* mode = new ToolPageWidgetItem;
    mode->setupNode(kTitle, kDescription, m_serviceMap->GetNode("WorkingMode"), true);
    mode->setLanguageType(1);
    for (ToolPageWidgetItem* row : {gain, mode}) {
        row->setCamId(QString::fromStdString(m_cameraId));
        layout->addWidget(row);
    }
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* spin = qobject_cast<QDoubleSpinBox*>(gain->widget());
    spin->setFocus();
    QTRY_VERIFY(spin->hasFocus());
    const double typed = spin->value();

    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "SensorGain", "7.25"), 0);
    gain->refresh(true);
    QCOMPARE(spin->value(), typed);

    // Leaving the editor commits what it shows; later device values show,
    // and showing a value writes nothing.
    spin->clearFocus();
    QSignalSpy written(gain, &ToolPageWidgetItem::valueChanged);
    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "SensorGain", "7.5"), 0);
    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "WorkingMode", "Fast"), 0);
    gain->refresh(true);
    mode->refresh(true);
    QCOMPARE(spin->value(), 7.5);
    QCOMPARE(qobject_cast<QComboBox*>(mode->widget())->currentText(), QStringLiteral("快速"));
    QCOMPARE(written.count(), 0);
    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "WorkingMode", "Standard"), 0);
}

void TestRows::realTimeRefreshIgnoresNonNumericText()
{
    std::string error;
    auto device = CDeviceConnection::OpenSimulated(kModelNameAsFloat.toStdString(), &error);
    QVERIFY2(device, error.c_str());
    ToolPageWidgetItem row;
    row.setupNode(kTitle, kDescription, device->GetNodeMap()->GetNode("DeviceModelName"), true);
    auto* spin = qobject_cast<QDoubleSpinBox*>(row.widget());
    QVERIFY(spin);
    QCOMPARE(spin->value(), 12.5);

    // The camera's DeviceModelName is its model text.
    row.setCamId(QString::fromStdString(m_cameraId));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("DeviceModelName.*not a number"));
    row.refresh(true);
    QCOMPARE(spin->value(), 12.5);

    // An unknown camera leaves it as well.
    row.setCamId(QStringLiteral("no-such-camera"));
    row.refresh(true);
    QCOMPARE(spin->value(), 12.5);
}

void TestRows::languageSwitch()
{
    auto mode = makeRow("WorkingMode");
    CEnumerationPtr(node("WorkingMode"))->FromString("SuperPrecise");
    mode->refresh(false);
    auto* combo = qobject_cast<QComboBox*>(mode->widget());
    QSignalSpy written(mode.get(), &ToolPageWidgetItem::valueChanged);

    mode->setLanguageType(1);
    QCOMPARE(mode->label()->text(), QStringLiteral("标题"));
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("高精度"));
    QCOMPARE(combo->itemText(0), QStringLiteral("标准"));
    mode->setLanguageType(0);
    QCOMPARE(mode->label()->text(), QStringLiteral("Title"));
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("SuperPrecise"));
    QCOMPARE(written.count(), 0);

    // A supplied check list keeps its ticks; its data follows the text.
    ToolPageWidgetItem outputs;
    auto* list = new CComboBox;
    list->addItem(QStringLiteral("GSImage"), true, QStringLiteral("GSImage"));
    list->addItem(QStringLiteral("SrcImage"), false, QStringLiteral("SrcImage"));
    outputs.setupWidget(kTitle, kDescription, list);
    QCOMPARE(outputs.widget(), list);
    outputs.setLanguageType(1);
    QCOMPARE(list->items().size(), 3);
    QCOMPARE(list->items().at(1), qMakePair(QStringLiteral("灰度图"), true));
    QCOMPARE(list->items().at(2), qMakePair(QStringLiteral("条纹图"), false));
    QCOMPARE(list->checkedData(), QStringList{QStringLiteral("灰度图")});
    outputs.setLanguageType(0);
    QCOMPARE(list->items().at(1), qMakePair(QStringLiteral("GSImage"), true));
}

QTEST_MAIN(TestRows)
#include "tst_rows.moc"
