// Panel rows and groups bound to the nodes of the simulated structured-light
// camera: editors by node kind, writes and their read-back, rollback and
// logging of rejected writes, availability, group refresh, the real-time
// refresh through the camera service, and languages; and the tool box of
// foldable pages holding the groups: folding, refresh, the spacer and the
// arrow icons. (The pages' titles in both languages show in camview's panel
// dumps.)

#include "ccombobox.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <utility>

using namespace GenApi;

namespace {

const QString kCamera = QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml");

// A simulated device opened directly, without the camera service.
std::unique_ptr<GenApi::CDeviceConnection> openDevice(const QString& file = kCamera)
{
    std::string error;
    auto device = GenApi::CDeviceConnection::OpenSimulated(file.toStdString(), &error);
    if (!device)
        qWarning("%s", error.c_str());
    return device;
}

// A row for the feature `name`, titled with the name in English and
// `chinese` in Chinese, shown in English.
ToolPageWidgetItem* makeRow(GenApi::INodeMap* map, const char* name, QWidget* parent = nullptr,
                            const QString& chinese = QStringLiteral("标题"))
{
    auto* row = new ToolPageWidgetItem(parent);
    row->setupNode({QString::fromUtf8(name), chinese}, {QStringLiteral("About %1").arg(name), QString()},
                   map->GetNode(name), true);
    row->setLanguageType(0);
    return row;
}

// A group of rows: pairs of a feature name and its Chinese title.
ToolPageWidget* makeGroup(GenApi::INodeMap* map,
                          std::initializer_list<std::pair<const char*, const char*>> rows)
{
    auto* group = new ToolPageWidget;
    for (const auto& [name, chinese] : rows)
        group->addItem(makeRow(map, name, nullptr, QString::fromUtf8(chinese)));
    group->setLanguageType(0);
    return group;
}

template <typename Editor> Editor* editorOf(QWidget* row)
{
    return qobject_cast<Editor*>(qobject_cast<ToolPageWidgetItem*>(row)->widget());
}

// Lines that the rows log through the camera service's logger.
QStringList g_rowLog;
QtMessageHandler g_previousHandler = nullptr;

void collectRowLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && qstrcmp(context.category, "ToolPageWidgetItem") == 0)
        g_rowLog.append(message);
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}

void typeInto(QAbstractSpinBox* spin, const QString& text)
{
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Return);
}

} // namespace

class TestPanelRows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        g_previousHandler = qInstallMessageHandler(collectRowLog);
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = m_settings.filePath(QStringLiteral("settings.ini")).toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        m_cameraId = Corvid::AddSimulatedCamera(kCamera.toStdString());
        QVERIFY(!m_cameraId.empty());
        m_serviceMap =
            Corvid::GetAttrNodeMap(Corvid::FOCUS_CAMERA, m_cameraId, Corvid::NODEMAP_REMOTE_DEVICE);
        QVERIFY(m_serviceMap);
    }

    void cleanupTestCase()
    {
        Corvid::StopService();
        qInstallMessageHandler(g_previousHandler);
    }

    void init()
    {
        m_device = openDevice();
        QVERIFY(m_device);
        m_host = std::make_unique<QWidget>();
        g_rowLog.clear();
    }

    void cleanup()
    {
        m_host.reset();
        m_device.reset();
    }

    void editorFollowsNodeKind_data()
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

    void editorFollowsNodeKind()
    {
        QFETCH(QString, feature);
        QFETCH(bool, enabled);
        QFETCH(QString, editor);

        ToolPageWidgetItem* row = this->row(qPrintable(feature));
        QCOMPARE(row->isHidden(), editor.isEmpty());
        QCOMPARE(row->label()->text(), feature);
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
    }

    // Spin boxes of both kinds, compared through their common properties.
    void spinBoxBounds_data()
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
        QTest::newRow("small float increment")
            << "QualityScoreThreshold" << 0.0 << 0.0 << 0.01 << 0.01 << 0.3;
    }

    void spinBoxBounds()
    {
        QFETCH(QString, feature);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, step);
        QFETCH(double, stepAfterRefresh);
        QFETCH(double, value);

        ToolPageWidgetItem* row = this->row(qPrintable(feature));
        auto* spin = qobject_cast<QAbstractSpinBox*>(row->widget());
        QVERIFY(spin);
        const bool isInteger = qobject_cast<QSpinBox*>(spin);
        if (isInteger) {
            QCOMPARE(spin->property("minimum").toDouble(), minimum);
            QCOMPARE(spin->property("maximum").toDouble(), maximum);
        }
        QCOMPARE(float(spin->property("singleStep").toDouble()), float(step));
        QCOMPARE(spin->property("value").toDouble(), value);
        QCOMPARE(spin->property("preValue").userType(), int(isInteger ? QMetaType::Int : QMetaType::Float));

        // An update in place keeps the editor and its bounds.
        row->refresh(false);
        QCOMPARE(row->widget(), spin);
        QCOMPARE(spin->property("singleStep").toDouble(), stepAfterRefresh);
        if (isInteger)
            QCOMPARE(spin->property("maximum").toDouble(), maximum);
    }

    void writeIsReadBack_data()
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

    void writeIsReadBack()
    {
        QFETCH(QString, feature);
        QFETCH(int, language);
        QFETCH(QString, input);
        QFETCH(QString, readBack);

        ToolPageWidgetItem* row = this->row(qPrintable(feature));
        row->setLanguageType(language);
        QSignalSpy written(row, &ToolPageWidgetItem::valueChanged);
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
        if (!readBack.isEmpty())
            QCOMPARE(QString::fromUtf8(CValuePtr(node(qPrintable(feature)))->ToString(true, true).c_str()),
                     readBack);
        QVERIFY(g_rowLog.isEmpty());
        // The device's state reaches a switch on the next refresh.
        if (auto* button = editor->findChild<SwitchButton*>()) {
            CBooleanPtr(node(qPrintable(feature)))->SetValue(false);
            row->refresh(false);
            QVERIFY(!button->isSwitchOn());
        }
    }

    void rejectedIntegerWriteRollsBack()
    {
        ToolPageWidgetItem* row = this->row("Width");
        auto* spin = qobject_cast<QSpinBox*>(row->widget());
        QSignalSpy written(row, &ToolPageWidgetItem::valueChanged);

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

    // A write refreshes its own group, which shows the rows it made usable;
    // another group catches up when shown again or refreshed. A row made
    // unusable again hides and keeps its editor for the next time.
    void groupsRefreshTheirRows()
    {
        ToolPageWidget* denoise = makeGroup(m_device->GetNodeMap(), {{"Denoising", "去噪"}});
        denoise->addItem(new QLabel(QStringLiteral("not a row")));
        ToolPageWidgetItem* radius = row("Radius");
        denoise->addItem(radius);
        ToolPageWidget* other =
            makeGroup(m_device->GetNodeMap(), {{"Radius", "搜索半径"}, {"Light1Value", "光机亮度值1"}});
        auto* layout = new QVBoxLayout(m_host.get());
        layout->addWidget(denoise);
        layout->addWidget(other);
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
        auto* otherRadius = qobject_cast<ToolPageWidgetItem*>(other->items().at(0));
        auto* light = editorOf<QSpinBox>(other->items().at(1));
        QVERIFY(radius->isHidden() && otherRadius->isHidden());

        CIntegerPtr(node("Light1Value"))->SetValue(33);
        QTest::mouseClick(denoise->items().at(0)->findChild<SwitchButton*>(), Qt::LeftButton);
        QVERIFY(radius->isVisible());
        auto* spin = qobject_cast<QSpinBox*>(radius->widget());
        QVERIFY(spin);
        QCOMPARE(spin->value(), 4);
        QCOMPARE(radius->layout()->indexOf(spin), 1);
        QVERIFY(otherRadius->isHidden());
        QCOMPARE(light->value(), 80);

        other->hide();
        other->show();
        QVERIFY(otherRadius->isVisible());
        QTRY_VERIFY(otherRadius->widget() && otherRadius->widget()->isVisible());
        other->refreshItems();
        QCOMPARE(light->value(), 33);

        CBooleanPtr(node("Denoising"))->SetValue(false);
        radius->refresh(false);
        QVERIFY(radius->isHidden());
        QCOMPARE(radius->widget(), spin);
    }

    void realTimeRefreshSkipsFocusedEditor()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* gain = makeRow(m_serviceMap, "SensorGain");
        auto* mode = makeRow(m_serviceMap, "WorkingMode");
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

    void realTimeRefreshIgnoresNonNumericText()
    {
        // A float feature named like the camera's model-name string, so that the
        // camera service answers with a text that is no number.
        auto device = openDevice(QStringLiteral(ROWS_TEST_DATA "/model-name-as-float.xml"));
        QVERIFY(device);
        std::unique_ptr<ToolPageWidgetItem> row(makeRow(device->GetNodeMap(), "DeviceModelName"));
        auto* spin = qobject_cast<QDoubleSpinBox*>(row->widget());
        QVERIFY(spin);
        QCOMPARE(spin->value(), 12.5);

        // The camera's DeviceModelName is its model text.
        row->setCamId(QString::fromStdString(m_cameraId));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("DeviceModelName.*not a number"));
        row->refresh(true);
        QCOMPARE(spin->value(), 12.5);

        // An unknown camera leaves it as well.
        row->setCamId(QStringLiteral("no-such-camera"));
        row->refresh(true);
        QCOMPARE(spin->value(), 12.5);
    }

    void languageSwitch()
    {
        ToolPageWidgetItem* mode = row("WorkingMode");
        CEnumerationPtr(node("WorkingMode"))->FromString("SuperPrecise");
        mode->refresh(false);
        auto* combo = qobject_cast<QComboBox*>(mode->widget());
        QSignalSpy written(mode, &ToolPageWidgetItem::valueChanged);
        // A supplied check list keeps its ticks; its data follows the text.
        auto* list = new CComboBox;
        list->addItem(QStringLiteral("GSImage"), true, QStringLiteral("GSImage"));
        list->addItem(QStringLiteral("SrcImage"), false, QStringLiteral("SrcImage"));
        ToolPageWidgetItem outputs;
        outputs.setupWidget({QStringLiteral("Outputs"), QStringLiteral("输出")}, {}, list);

        for (int language : {1, 0}) {
            mode->setLanguageType(language);
            outputs.setLanguageType(language);
            QCOMPARE(mode->label()->text(),
                     language ? QStringLiteral("标题") : QStringLiteral("WorkingMode"));
            QCOMPARE(combo->currentIndex(), 2);
            QCOMPARE(combo->currentText(),
                     language ? QStringLiteral("高精度") : QStringLiteral("SuperPrecise"));
            const QStringList shown =
                language ? QStringList{"灰度图", "条纹图"} : QStringList{"GSImage", "SrcImage"};
            QCOMPARE(list->items(),
                     (QList<QPair<QString, bool>>{{QString(), false}, {shown[0], true}, {shown[1], false}}));
            QCOMPARE(list->checkedData(), QStringList{shown[0]});
        }
        QCOMPARE(written.count(), 0);
    }

    void foldedPageIsNotRefreshed()
    {
        // Never shown: no show event refreshes the rows behind the test's back.
        CToolBox box;
        ToolPageWidget* first = makeGroup(m_device->GetNodeMap(), {{"Light1Value", "光机亮度值1"}});
        ToolPageWidget* second = makeGroup(m_device->GetNodeMap(), {{"Light2Value", "光机亮度值2"}});
        box.addPage(QStringLiteral("First"), QStringLiteral("第一"), first, 0);
        CToolPage* folded = box.addPage(QStringLiteral("Second"), QStringLiteral("第二"), second, 0);
        // Other content widgets take no part in refreshes; a page of type 1 has
        // no title bar and stays unfolded.
        CToolPage* bare = box.addPage(QStringLiteral("Other"), QStringLiteral("其他"), new QLabel, 1);
        QVERIFY(bare->findChild<QPushButton*>(QStringLiteral("pushButtonFold"))->isHidden());
        QVERIFY(bare->isExpanded());
        folded->collapse();
        CIntegerPtr(m_device->GetNodeMap()->GetNode("Light1Value"))->SetValue(11);
        CIntegerPtr(m_device->GetNodeMap()->GetNode("Light2Value"))->SetValue(22);

        box.refresh();
        QCOMPARE(editorOf<QSpinBox>(first->items().at(0))->value(), 11);
        QCOMPARE(editorOf<QSpinBox>(second->items().at(0))->value(), 60);
        folded->expand();
        box.refresh();
        QCOMPARE(editorOf<QSpinBox>(second->items().at(0))->value(), 22);
    }

    void spacerFollowsFold_data()
    {
        QTest::addColumn<bool>("follows");
        QTest::addColumn<QSize>("foldedSize");
        QTest::addColumn<QSizePolicy::Policy>("foldedPolicy");

        QTest::newRow("follows the fold") << true << QSize(20, 40) << QSizePolicy::Expanding;
        QTest::newRow("stays collapsed") << false << QSize(0, 0) << QSizePolicy::Minimum;
    }

    // The spacer below a page, and the arrow beside its title, as it folds.
    void spacerFollowsFold()
    {
        QFETCH(bool, follows);
        QFETCH(QSize, foldedSize);
        QFETCH(QSizePolicy::Policy, foldedPolicy);

        CToolBox box;
        CToolPage* page = box.addPage(QStringLiteral("Group"), QStringLiteral("组"), new QLabel, 0);
        page->setSpacerFollowsFold(follows);
        auto* layout = page->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
        QSpacerItem* spacer = layout->itemAt(2)->spacerItem();
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), QSize(0, 0));
        // Without the host's icons the page draws its arrows itself.
        QVERIFY(!QFile::exists(QStringLiteral(":/Resources/icons/camera/fold.png")));
        auto* icon = page->findChild<QLabel*>(QStringLiteral("iconLabel"));
        const QImage unfolded = icon->pixmap(Qt::ReturnByValue).toImage();

        page->collapse();
        const QImage folded = icon->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY(!unfolded.isNull() && !folded.isNull() && unfolded != folded);
        bool inked = false; // something is drawn: not every pixel is transparent
        for (int i = 0; i < folded.width() * folded.height() && !inked; ++i)
            inked = qAlpha(folded.pixel(i % folded.width(), i / folded.width())) > 128;
        QVERIFY(inked);
        QCOMPARE(spacer->sizeHint(), foldedSize);
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), foldedPolicy);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), foldedPolicy);

        page->expand();
        QCOMPARE(spacer->sizeHint(), QSize(0, 0));
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }

private:
    INode* node(const char* name) const { return m_device->GetNodeMap()->GetNode(name); }
    // Rows are children of m_host: a row hides itself, and only a child
    // widget tells an explicit hide from not being shown yet.
    ToolPageWidgetItem* row(const char* name) const
    {
        return makeRow(m_device->GetNodeMap(), name, m_host.get());
    }

    std::unique_ptr<CDeviceConnection> m_device;
    std::unique_ptr<QWidget> m_host;
    QTemporaryDir m_settings;
    std::string m_cameraId;
    INodeMap* m_serviceMap = nullptr;
};

QTEST_MAIN(TestPanelRows)
#include "tst_rows.moc"
