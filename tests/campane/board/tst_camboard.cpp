#include "camboard.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "descriptiontext.h"
#include "featuretreeview.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>
#include <QtWidgets>

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

template <typename T> T* part(QWidget* board, const char* name)
{
    T* widget = board->findChild<T*>(QLatin1String(name));
    if (!widget)
        qWarning("board has no %s", name);
    return widget;
}

FeatureTreeView* treeView(QWidget* board)
{
    return part<FeatureTreeView>(board, "widget_featrue");
}

TreeModel* treeModel(QWidget* board)
{
    return qobject_cast<TreeModel*>(treeView(board)->model());
}

// The tab texts of a tab widget, or the item texts of a combo box.
QStringList texts(QWidget* board, const char* name)
{
    QWidget* widget = part<QWidget>(board, name);
    auto* tabs = qobject_cast<QTabWidget*>(widget);
    auto* combo = qobject_cast<QComboBox*>(widget);
    QStringList texts;
    for (int index = 0; index < (tabs ? tabs->count() : combo->count()); ++index)
        texts << (tabs ? tabs->tabText(index) : combo->itemText(index));
    return texts;
}

QModelIndex featureIndex(QWidget* board, const QString& name, const QModelIndex& parent = QModelIndex())
{
    TreeModel* model = treeModel(board);
    for (int row = 0; model && row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        const QModelIndex found =
            model->itemFromIndex(child)->name() == name ? child : featureIndex(board, name, child);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

// The row and every row above it are shown.
bool featureShown(QWidget* board, const QString& name)
{
    QModelIndex index = featureIndex(board, name);
    bool shown = index.isValid();
    for (; shown && index.isValid(); index = index.parent())
        shown = !treeView(board)->isRowHidden(index.row(), index.parent());
    return shown;
}

std::string storedLevel()
{
    return Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL);
}

} // namespace

class TestCamBoard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    QStringList m_devices; // structured-light camera, dual-projector camera, frame-grabber card

    void startService(const QString& settingsFile)
    {
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = settingsFile.toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        const QDir dir(CAMPANE_DEVICES_DIR);
        auto path = [&](const char* file) { return dir.filePath(file).toStdString(); };
        m_devices =
            QStringList{QString::fromStdString(Corvid::AddSimulatedCamera(path("kvx-slp-camera.xml"))),
                        QString::fromStdString(Corvid::AddSimulatedCamera(path("sl-camera-dual.xml"))),
                        QString::fromStdString(Corvid::AddSimulatedCard(path("frame-grabber-card.xml")))};
        QVERIFY(!m_devices.contains(QString()));
    }

    std::unique_ptr<CamBoard> boardFor(const QString& id)
    {
        auto board = std::make_unique<CamBoard>();
        board->m_isCard = id == m_devices.value(2);
        board->setPanelTabVisible(true);
        board->setAttributeTabVisible(true);
        board->setDeviceId(id);
        board->resize(751, 598);
        return board;
    }

private slots:
    void initTestCase() { startService(m_settings.filePath("settings.ini")); }
    void cleanupTestCase() { Corvid::StopService(); }
    void init() { QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "0"), 0); }

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

    void treeFollowsStoredLevel_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<QStringList>("features"); // one shown to beginners, one to experts only
        QTest::newRow("structured-light camera") << 0 << QStringList{"RayExpTime", "SensorWidth"};
        QTest::newRow("dual-projector camera") << 1 << QStringList{"Width", "DeviceVersion"};
        QTest::newRow("frame-grabber card") << 2 << QStringList{"TriggerInputLine", "DebounceTime"};
    }

    void treeFollowsStoredLevel()
    {
        QFETCH(int, device);
        QFETCH(QStringList, features);
        const QString beginnerFeature = features[0], expertFeature = features[1];
        auto beginner = boardFor(m_devices[device]);
        QVERIFY(treeModel(beginner.get()));
        QAbstractItemModelTester tester(treeModel(beginner.get()),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(part<QComboBox>(beginner.get(), "cboboxLevel")->currentIndex(), 0);
        QVERIFY(featureShown(beginner.get(), beginnerFeature));
        QVERIFY(featureIndex(beginner.get(), expertFeature).isValid());
        QVERIFY(!featureShown(beginner.get(), expertFeature));

        QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "1"), 0);
        auto expert = boardFor(m_devices[device]);
        QCOMPARE(part<QComboBox>(expert.get(), "cboboxLevel")->currentIndex(), 1);
        QVERIFY(featureShown(expert.get(), beginnerFeature));
        QVERIFY(featureShown(expert.get(), expertFeature));
    }

    void emptyStoredLevelSelectsBeginner()
    {
        // A host that never stored a level gives an empty text.
        Corvid::StopService();
        QTemporaryDir settings;
        startService(settings.filePath("settings.ini"));
        QCOMPARE(storedLevel(), std::string());

        auto board = boardFor(m_devices[0]);
        auto* level = part<QComboBox>(board.get(), "cboboxLevel");
        QCOMPARE(level->currentIndex(), 0);
        QVERIFY(!featureShown(board.get(), "SensorWidth"));
        {
            const QSignalBlocker blocker(level);
            level->setCurrentIndex(2);
        }
        // Building read the level without storing it; loading it changes the
        // selection, which filters the tree and stores the level.
        QCOMPARE(storedLevel(), std::string());
        board->loadUserLevel();
        QCOMPARE(level->currentIndex(), 0);
        QCOMPARE(storedLevel(), std::string("0"));
        board.reset();
        Corvid::StopService();
        startService(m_settings.filePath("settings.ini"));
    }

    void tabVisibilitySettersTwice_data()
    {
        QTest::addColumn<bool>("panel");
        QTest::addColumn<bool>("attribute");
        QTest::addColumn<QStringList>("tabs");
        QTest::newRow("both") << true << true << QStringList{"Param Setting", "All Attribute"};
        QTest::newRow("panel only") << true << false << QStringList{"Param Setting"};
        QTest::newRow("attribute only") << false << true << QStringList{"All Attribute"};
        QTest::newRow("none") << false << false << QStringList();
    }

    void tabVisibilitySettersTwice()
    {
        QFETCH(bool, panel);
        QFETCH(bool, attribute);
        QFETCH(QStringList, tabs);
        CamBoard board;
        for (int round = 0; round < 2; ++round) {
            board.setPanelTabVisible(panel);
            board.setPanelTabVisible(panel);
            board.setAttributeTabVisible(attribute);
            board.setAttributeTabVisible(attribute);
            QCOMPARE(texts(&board, "tabMainWidget"), tabs);
            // Back to both, the panel first.
            board.setAttributeTabVisible(false);
            board.setPanelTabVisible(true);
            board.setAttributeTabVisible(true);
            QCOMPARE(texts(&board, "tabMainWidget"), (QStringList{"Param Setting", "All Attribute"}));
        }
    }

    void languageSwitch()
    {
        QTranslator translator;
        QVERIFY(translator.load(CAMPANE_ZH_CN_QM));
        auto board = boardFor(m_devices[0]);
        auto* level = part<QComboBox>(board.get(), "cboboxLevel");
        auto* collapse = part<QToolButton>(board.get(), "toolButton");
        auto* description = part<CToolPage>(board.get(), "widget_attrInfo");
        QCOMPARE(collapse->width(), 85);
        level->setCurrentIndex(2);
        QVERIFY(featureShown(board.get(), "DeviceStatusFlags"));

        QCoreApplication::installTranslator(&translator);
        board->setLanguage(1);
        QCOMPARE(texts(board.get(), "tabMainWidget"), (QStringList{"参数设置", "全部属性"}));
        QCOMPARE(texts(board.get(), "tabWidget"), (QStringList{"拍摄", "图像", "高级"}));
        QCOMPARE(texts(board.get(), "cboboxLevel"), (QStringList{"初级", "专家", "大师"}));
        QCOMPARE(description->title(), QStringLiteral("参数描述"));
        QCOMPARE(collapse->text(), QStringLiteral("展开"));
        QCOMPARE(collapse->minimumWidth(), 60);
        QCOMPARE(collapse->maximumWidth(), 60);
        QCOMPARE(part<QLineEdit>(board.get(), "edit_search")->placeholderText(),
                 QStringLiteral("请输入参数名称"));
        // The combo is refilled at its first entry, but the tree keeps the
        // stored level's filter.
        QCOMPARE(level->currentIndex(), 0);
        QVERIFY(featureShown(board.get(), "DeviceStatusFlags"));
        QCOMPARE(storedLevel(), std::string("2"));

        QCoreApplication::removeTranslator(&translator);
        board->setLanguage(0);
        QCOMPARE(texts(board.get(), "tabMainWidget"), (QStringList{"Param Setting", "All Attribute"}));
        // The second panel tab reads "Graphics" after every switch.
        QCOMPARE(texts(board.get(), "tabWidget"), (QStringList{"Shoot", "Graphics", "Advance"}));
        QCOMPARE(texts(board.get(), "cboboxLevel"), (QStringList{"Beginner", "Expert", "Guru"}));
        QCOMPARE(description->title(), QStringLiteral("Parameter Description"));
        QCOMPARE(collapse->minimumWidth(), 85);
        QCOMPARE(collapse->maximumWidth(), 85);
        level->setCurrentIndex(1);
        QVERIFY(!featureShown(board.get(), "DeviceStatusFlags"));
    }

    void collapseButtonAndSearch()
    {
        auto board = boardFor(m_devices[0]);
        auto* view = treeView(board.get());
        auto* collapse = part<QToolButton>(board.get(), "toolButton");
        const QModelIndex root = view->model()->index(0, 0);
        const QModelIndex deep = featureIndex(board.get(), "EncoderControl");
        QVERIFY(view->isExpanded(root));
        QVERIFY(!view->isExpanded(deep));
        QCOMPARE(collapse->text(), QStringLiteral("Expand"));

        collapse->click();
        QVERIFY(view->isExpanded(deep));
        QCOMPARE(collapse->text(), QStringLiteral("Collapse"));

        collapse->click();
        QVERIFY(view->isExpanded(root));
        QVERIFY(!view->isExpanded(deep));
        QCOMPARE(collapse->text(), QStringLiteral("Expand"));

        // A search expands the whole tree and shows the matching rows only.
        const QModelIndex light1 = featureIndex(board.get(), "Light1Control");
        QVERIFY(!view->isExpanded(light1));
        part<QLineEdit>(board.get(), "edit_search")->setText("Light1");
        QVERIFY(view->isExpanded(light1));
        QCOMPARE(collapse->text(), QStringLiteral("Collapse"));
        QVERIFY(featureShown(board.get(), "Light1Value"));
        QVERIFY(!featureShown(board.get(), "Light2Value"));
        QVERIFY(!featureShown(board.get(), "Width"));
        part<QLineEdit>(board.get(), "edit_search")->clear();
        QVERIFY(featureShown(board.get(), "Width"));
    }

    void selectionShowsDescription()
    {
        auto board = boardFor(m_devices[0]);
        auto* browser = part<QTextBrowser>(board.get(), "descriptionBrowser");
        treeView(board.get())->setCurrentIndex(featureIndex(board.get(), "SensorMethod"));
        QVERIFY(browser->toPlainText().contains("Enum Entry Name: SensorRight"));

        // An index without item leaves the text alone.
        const QString shown = browser->toHtml();
        QMetaObject::invokeMethod(board.get(), "onSigSelectItemClick", Q_ARG(QModelIndex, QModelIndex()));
        QCOMPARE(browser->toHtml(), shown);
    }

    void disableViewStopsTimersAndReads()
    {
        auto board = boardFor(m_devices[0]);
        auto* realUpdate = part<QTimer>(board.get(), "realUpdateTimer");
        auto* trigger = part<QTimer>(board.get(), "triggerTimer");
        QVERIFY(realUpdate->isActive());
        trigger->start();

        board->disableView();
        QVERIFY(!realUpdate->isActive());
        QVERIFY(!trigger->isActive());
        QVERIFY(treeModel(board.get())->isDeviceDisabled());
        // The tree paints from what it read, and asks the device nothing more.
        board->grab();
        QVERIFY(!treeModel(board.get())
                     ->deviceValue(featureIndex(board.get(), "Width").siblingAtColumn(1))
                     .isValid());
    }

    void deviceWithoutNodeMap()
    {
        auto board = boardFor("no-such-device");
        for (const char* name : {"firstToolBox", "secondToolBox", "thirdToolBox"})
            QVERIFY(part<CToolBox>(board.get(), name)->pages().isEmpty());
        QVERIFY(!treeModel(board.get()));
        board->buildPanel();
        // Nothing to filter or search, but the level is still stored.
        part<QComboBox>(board.get(), "cboboxLevel")->setCurrentIndex(2);
        QCOMPARE(storedLevel(), std::string("2"));
        part<QComboBox>(board.get(), "cboboxLevel")->setCurrentIndex(1);
        part<QLineEdit>(board.get(), "edit_search")->setText("Gain");
        QCOMPARE(storedLevel(), std::string("1"));
    }

    void secondBuildReplacesTheTree()
    {
        auto board = boardFor(m_devices[0]);
        QPointer<QAbstractItemModel> first = treeModel(board.get());
        part<QComboBox>(board.get(), "cboboxLevel")->setCurrentIndex(1);
        board->buildPanel();
        QVERIFY(!first);
        QCOMPARE(texts(board.get(), "tabWidget"), (QStringList{"Shoot", "Image", "Advance"}));
        QCOMPARE(part<QComboBox>(board.get(), "cboboxLevel")->currentIndex(), 1);
        QVERIFY(featureShown(board.get(), "SensorWidth"));
    }

    void featureEditedInTheTree()
    {
        auto board = boardFor(m_devices[0]);
        board->show();
        QVERIFY(QTest::qWaitForWindowExposed(board.get()));
        auto* view = treeView(board.get());
        part<QLineEdit>(board.get(), "edit_search")->setText("Light2Value");
        const QModelIndex value = featureIndex(board.get(), "Light2Value").siblingAtColumn(1);
        QVERIFY(featureShown(board.get(), "Light2Value"));

        view->setCurrentIndex(value);
        view->edit(value);
        auto* editor = view->viewport()->findChild<QDoubleSpinBox*>();
        QVERIFY(editor);
        QCOMPARE(editor->value(), 60.0);
        editor->setValue(55);
        emit view->itemDelegateForColumn(1)->commitData(editor);
        std::string text;
        QCOMPARE(Corvid::GetCameraNodeValue(m_devices[0].toStdString(), "Light2Value", text), 0);
        QCOMPARE(text, std::string("55"));
    }
};

QTEST_MAIN(TestCamBoard)

#include "tst_camboard.moc"
