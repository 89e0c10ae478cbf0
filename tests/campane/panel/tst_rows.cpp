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
    void integerBoundsNarrowTo32Bits_data();
    void integerBoundsNarrowTo32Bits();
    void floatStep_data();
    void floatStep();

    void integerWriteIsReadBack();
    void rejectedIntegerWriteRollsBack();
    void floatWriteIsReadBack();
    void switchWritesBoolean();
    void comboWritesEntryName_data();
    void comboWritesEntryName();
    void commandExecutes();

    void rowAppearsWhenNodeBecomesUsable();
    void writeRefreshesOwnGroupOnly();
    void shownGroupRechecksHiddenRows();

    void realTimeRefresh();
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
    QTest::addColumn<QString>("editor"); // class of the editor, empty for none
    QTest::addColumn<bool>("enabled");

    QTest::newRow("integer") << "Light1Value"
                             << "QSpinBox" << true;
    QTest::newRow("float") << "SensorGain"
                           << "QDoubleSpinBox" << true;
    QTest::newRow("boolean") << "Denoising"
                             << "SwitchButton" << true;
    QTest::newRow("command") << "TriggerSoftware"
                             << "QPushButton" << true;
    QTest::newRow("enumeration") << "WorkingMode"
                                 << "QComboBox" << true;
    QTest::newRow("read-only integer") << "PayloadSize"
                                       << "QSpinBox" << false;
    QTest::newRow("locked float") << "DepthScale"
                                  << "QDoubleSpinBox" << false;
    QTest::newRow("string") << "DeviceUserID"
                            << "" << false;
    QTest::newRow("invisible") << "TLParamsLocked"
                               << "" << false;
    QTest::newRow("unavailable") << "Radius"
                                 << "" << false;
    QTest::newRow("write-only integer") << "ServiceUnlockCode"
                                        << "" << false;
    QTest::newRow("missing") << "NoSuchFeature"
                             << "" << false;
}

void TestRows::editorFollowsNodeKind()
{
    QFETCH(QString, feature);
    QFETCH(QString, editor);
    QFETCH(bool, enabled);

    auto row = makeRow(qPrintable(feature));
    QCOMPARE(row->isHidden(), editor.isEmpty());
    QCOMPARE(row->height(), 40);
    QVERIFY(row->label());
    QCOMPARE(row->label()->text(), QStringLiteral("Title"));
    if (editor.isEmpty()) {
        QVERIFY(!row->widget());
        QCOMPARE(row->layout()->count(), 1);
        // Nothing to bring back: the row stays as it is.
        row->refresh(false);
        QVERIFY(row->isHidden());
        return;
    }

    QWidget* widget = row->widget();
    QVERIFY(widget);
    QCOMPARE(row->layout()->indexOf(widget), 1);
    QCOMPARE(widget->isEnabled(), enabled);
    if (editor == QLatin1String("SwitchButton")) {
        // The switch sits in a transparent container.
        QCOMPARE(widget->objectName(), QStringLiteral("widget"));
        auto* button = widget->findChild<SwitchButton*>();
        QVERIFY(button);
        QCOMPARE(button->size(), QSize(44, 20));
        QVERIFY(!button->isSwitchOn());
    } else {
        QCOMPARE(widget->metaObject()->className(), qPrintable(editor));
        QCOMPARE(widget->height(), 34);
        QCOMPARE(widget->minimumWidth(), 150);
    }
    if (editor == QLatin1String("QPushButton"))
        QCOMPARE(qobject_cast<QPushButton*>(widget)->text(), QStringLiteral("Execute"));
    if (editor == QLatin1String("QComboBox")) {
        auto* combo = qobject_cast<QComboBox*>(widget);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QStringLiteral("Standard"));
    }
}

void TestRows::integerBoundsNarrowTo32Bits_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("value");

    QTest::newRow("percent") << "Light1Value" << 0 << 100 << 1 << 80;
    QTest::newRow("stepped") << "Width" << 64 << 2448 << 16 << 2448;
    // 2^48 - 1 keeps an all-ones low word, which would read as -1.
    QTest::newRow("48-bit maximum") << "EncoderCountLimit" << 1 << 2147483647 << 1 << 1;
}

void TestRows::integerBoundsNarrowTo32Bits()
{
    QFETCH(QString, feature);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, step);
    QFETCH(int, value);

    auto row = makeRow(qPrintable(feature));
    auto* spin = qobject_cast<QSpinBox*>(row->widget());
    QVERIFY(spin);
    QCOMPARE(spin->minimum(), minimum);
    QCOMPARE(spin->maximum(), maximum);
    QCOMPARE(spin->singleStep(), step);
    QCOMPARE(spin->value(), value);
    QCOMPARE(spin->property("preValue").userType(), int(QMetaType::Int));
    QCOMPARE(spin->contextMenuPolicy(), Qt::NoContextMenu);

    // An update in place keeps the editor and its bounds.
    row->refresh(false);
    QCOMPARE(row->widget(), spin);
    QCOMPARE(spin->maximum(), maximum);
}

void TestRows::floatStep_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("value");

    QTest::newRow("fixed increment") << "SensorExposure" << 10.0 << 8000.0;
    QTest::newRow("no increment") << "SensorGain" << 0.01 << 2.0;
    QTest::newRow("small increment") << "QualityScoreThreshold" << 0.01 << 0.3;
}

void TestRows::floatStep()
{
    QFETCH(QString, feature);
    QFETCH(double, step);
    QFETCH(double, value);

    auto row = makeRow(qPrintable(feature));
    auto* spin = qobject_cast<QDoubleSpinBox*>(row->widget());
    QVERIFY(spin);
    QCOMPARE(spin->singleStep(), double(float(step)));
    QCOMPARE(spin->value(), value);
    QCOMPARE(spin->decimals(), 2);
    QCOMPARE(spin->property("preValue").userType(), int(QMetaType::Float));

    // Updates step by hundredths whatever the node says.
    row->refresh(false);
    QCOMPARE(spin->singleStep(), 0.01);
}

namespace {

void typeInto(QAbstractSpinBox* spin, const QString& text)
{
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Return);
}

} // namespace

void TestRows::integerWriteIsReadBack()
{
    auto row = makeRow("Light1Value");
    auto* spin = qobject_cast<QSpinBox*>(row->widget());
    QSignalSpy written(row.get(), &ToolPageWidgetItem::valueChanged);

    typeInto(spin, QStringLiteral("55"));

    QCOMPARE(written.count(), 1);
    QVERIFY(!written.first().first().isValid());
    QCOMPARE(CIntegerPtr(node("Light1Value"))->GetValue(true, true), int64_t(55));
    QCOMPARE(spin->value(), 55);
    QCOMPARE(spin->property("preValue").toInt(), 55);
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
    QVERIFY2(g_rowLog.first().startsWith(QStringLiteral("Set Width value failed, message = ")),
             qPrintable(g_rowLog.first()));
    QVERIFY(g_rowLog.first().size() > QStringLiteral("Set Width value failed, message = ").size());

    // The next accepted write moves the rollback point.
    typeInto(spin, QStringLiteral("2000"));
    QCOMPARE(written.count(), 1);
    typeInto(spin, QStringLiteral("1999"));
    QCOMPARE(spin->value(), 2000);
    QCOMPARE(g_rowLog.size(), 2);
}

void TestRows::floatWriteIsReadBack()
{
    auto row = makeRow("SensorGain");
    auto* spin = qobject_cast<QDoubleSpinBox*>(row->widget());
    QSignalSpy written(row.get(), &ToolPageWidgetItem::valueChanged);

    typeInto(spin, QStringLiteral("3.5"));

    QCOMPARE(written.count(), 1);
    QCOMPARE(CFloatPtr(node("SensorGain"))->GetValue(true, true), 3.5);
    QCOMPARE(spin->value(), 3.5);
    QCOMPARE(spin->property("preValue").toDouble(), 3.5);
}

void TestRows::switchWritesBoolean()
{
    auto row = makeRow("Denoising");
    auto* button = row->widget()->findChild<SwitchButton*>();
    QSignalSpy written(row.get(), &ToolPageWidgetItem::valueChanged);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(written.count(), 1);
    QVERIFY(CBooleanPtr(node("Denoising"))->GetValue(true, true));

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(written.count(), 2);
    QVERIFY(!CBooleanPtr(node("Denoising"))->GetValue(true, true));

    // The device's state reaches the switch on the next refresh.
    CBooleanPtr(node("Denoising"))->SetValue(true);
    row->refresh(false);
    QVERIFY(button->isSwitchOn());
    QCOMPARE(written.count(), 2);
}

void TestRows::comboWritesEntryName_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("written");

    QTest::newRow("English") << 0 << "Fast"
                             << "Fast";
    QTest::newRow("Chinese") << 1 << "快速"
                             << "Fast";
    // "高精度" stands for two entry names; the device is written the one it has.
    QTest::newRow("Chinese, shared text") << 1 << "高精度"
                                          << "SuperPrecise";
}

void TestRows::comboWritesEntryName()
{
    QFETCH(int, language);
    QFETCH(QString, shown);
    QFETCH(QString, written);

    auto row = makeRow("WorkingMode");
    row->setLanguageType(language);
    auto* combo = qobject_cast<QComboBox*>(row->widget());
    QSignalSpy changed(row.get(), &ToolPageWidgetItem::valueChanged);

    const int index = combo->findText(shown);
    QVERIFY(index > 0);
    combo->setCurrentIndex(index);

    QCOMPARE(changed.count(), 1);
    QCOMPARE(QString::fromUtf8(CEnumerationPtr(node("WorkingMode"))->ToString(true, true).c_str()), written);
    QCOMPARE(combo->currentText(), shown);
    QVERIFY(g_rowLog.isEmpty());
}

void TestRows::commandExecutes()
{
    auto row = makeRow("TriggerSoftware");
    QSignalSpy executed(row.get(), &ToolPageWidgetItem::valueChanged);
    QTest::mouseClick(qobject_cast<QPushButton*>(row->widget()), Qt::LeftButton);
    QCOMPARE(executed.count(), 1);
    QVERIFY(g_rowLog.isEmpty());
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
    QCOMPARE(row->layout()->contentsMargins(), QMargins(30, 3, 10, 3));

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

void TestRows::realTimeRefresh()
{
    ToolPageWidgetItem gain;
    gain.setupNode(kTitle, kDescription, m_serviceMap->GetNode("SensorGain"), true);
    gain.setCamId(QString::fromStdString(m_cameraId));
    ToolPageWidgetItem mode;
    mode.setupNode(kTitle, kDescription, m_serviceMap->GetNode("WorkingMode"), true);
    mode.setCamId(QString::fromStdString(m_cameraId));
    mode.setLanguageType(1);
    QSignalSpy written(&gain, &ToolPageWidgetItem::valueChanged);

    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "SensorGain", "5.5"), 0);
    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "WorkingMode", "Fast"), 0);
    gain.refresh(true);
    mode.refresh(true);

    QCOMPARE(qobject_cast<QDoubleSpinBox*>(gain.widget())->value(), 5.5);
    QCOMPARE(qobject_cast<QComboBox*>(mode.widget())->currentText(), QStringLiteral("快速"));
    // Showing a value writes nothing.
    QCOMPARE(written.count(), 0);
    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "WorkingMode", "Standard"), 0);
}

void TestRows::realTimeRefreshSkipsFocusedEditor()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* gain = new ToolPageWidgetItem;
    gain->setupNode(kTitle, kDescription, m_serviceMap->GetNode("SensorGain"), true);
    gain->setCamId(QString::fromStdString(m_cameraId));
    layout->addWidget(gain);
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

    // Leaving the editor commits what it shows; later device values show.
    spin->clearFocus();
    QCOMPARE(Corvid::SetCameraNodeValue(m_cameraId, "SensorGain", "7.5"), 0);
    gain->refresh(true);
    QCOMPARE(spin->value(), 7.5);
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
