#include "tests.h"

#include "camboard.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "descriptiontext.h"
#include "featuretreeview.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/CorvidHost.h>

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

QString devicePath(const QString& fileName)
{
    return QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(fileName);
}

template <typename T> T* part(QWidget* board, const char* name)
{
    T* widget = board->findChild<T*>(QLatin1String(name));
    if (!widget)
        qWarning("board has no %s", name);
    return widget;
}

QStringList tabTexts(QTabWidget* tabs)
{
    QStringList texts;
    for (int index = 0; index < tabs->count(); ++index)
        texts << tabs->tabText(index);
    return texts;
}

QStringList comboTexts(QComboBox* combo)
{
    QStringList texts;
    for (int index = 0; index < combo->count(); ++index)
        texts << combo->itemText(index);
    return texts;
}

} // namespace

class TestCamBoard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void treeFollowsStoredLevel_data();
    void treeFollowsStoredLevel();
    void emptyStoredLevelSelectsBeginner();
    void levelStoredWithoutModel();
    void tabVisibilitySettersTwice_data();
    void tabVisibilitySettersTwice();
    void languageSwitch();
    void languageSwitchKeepsTreeFilter();
    void searchExpandsAndFilters();
    void collapseButtonToggles();
    void selectionShowsDescription();
    void disableViewStopsTimersAndReads();
    void deviceWithoutNodeMap();
    void secondBuildReplacesTheTree();
    void featureEditedInTheTree();

private:
    void startService(const QString& settingsFile);
    std::unique_ptr<CamBoard> boardFor(const QString& id, bool isCard = false);
    QModelIndex featureIndex(CamBoard* board, const QString& name, const QModelIndex& parent = QModelIndex());
    bool featureShown(CamBoard* board, const QString& name);

    QTemporaryDir m_settings;
    QString m_camera;
    QString m_dualCamera;
    QString m_card;
};

void TestCamBoard::initTestCase()
{
    startService(m_settings.filePath(QStringLiteral("settings.ini")));
}

void TestCamBoard::startService(const QString& settingsFile)
{
    Corvid::ServiceOptions options;
    options.defaultDevices = false;
    options.settingsFile = settingsFile.toStdString();
    QCOMPARE(Corvid::StartService(options), 0);
    m_camera = QString::fromStdString(
        Corvid::AddSimulatedCamera(devicePath(QStringLiteral("kvx-slp-camera.xml")).toStdString()));
    m_dualCamera = QString::fromStdString(
        Corvid::AddSimulatedCamera(devicePath(QStringLiteral("sl-camera-dual.xml")).toStdString()));
    m_card = QString::fromStdString(
        Corvid::AddSimulatedCard(devicePath(QStringLiteral("frame-grabber-card.xml")).toStdString()));
    QVERIFY(!m_camera.isEmpty());
    QVERIFY(!m_dualCamera.isEmpty());
    QVERIFY(!m_card.isEmpty());
}

void TestCamBoard::cleanupTestCase()
{
    Corvid::StopService();
}

void TestCamBoard::init()
{
    QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "0"), 0);
}

std::unique_ptr<CamBoard> TestCamBoard::boardFor(const QString& id, bool isCard)
{
    auto board = std::make_unique<CamBoard>();
    board->m_isCard = isCard;
    board->setPanelTabVisible(true);
    board->setAttributeTabVisible(true);
    board->setDeviceId(id);
    board->resize(751, 598);
    return board;
}

QModelIndex TestCamBoard::featureIndex(CamBoard* board, const QString& name, const QModelIndex& parent)
{
    auto* model = qobject_cast<TreeModel*>(part<FeatureTreeView>(board, "widget_featrue")->model());
    if (!model)
        return QModelIndex();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (model->itemFromIndex(child)->name() == name)
            return child;
        const QModelIndex found = featureIndex(board, name, child);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

// The row and every row above it are shown.
bool TestCamBoard::featureShown(CamBoard* board, const QString& name)
{
    auto* view = part<FeatureTreeView>(board, "widget_featrue");
    QModelIndex index = featureIndex(board, name);
    if (!index.isValid())
        return false;
    for (; index.isValid(); index = index.parent()) {
        if (view->isRowHidden(index.row(), index.parent()))
            return false;
    }
    return true;
}

void TestCamBoard::treeFollowsStoredLevel_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("isCard");
    QTest::addColumn<QString>("beginnerFeature");
    QTest::addColumn<QString>("expertFeature");
    QTest::newRow("structured-light camera") << "camera" << false << "RayExpTime"
                                             << "SensorWidth";
    QTest::newRow("dual-projector camera") << "dual" << false << "Width"
                                           << "DeviceVersion";
    QTest::newRow("frame-grabber card") << "card" << true << "TriggerInputLine"
                                        << "DebounceTime";
}

void TestCamBoard::treeFollowsStoredLevel()
{
    QFETCH(QString, device);
    QFETCH(bool, isCard);
    QFETCH(QString, beginnerFeature);
    QFETCH(QString, expertFeature);
    const QString id = device == QLatin1String("camera") ? m_camera
                       : device == QLatin1String("dual") ? m_dualCamera
                                                         : m_card;

    auto beginnerBoard = boardFor(id, isCard);
    auto* model =
        qobject_cast<TreeModel*>(part<FeatureTreeView>(beginnerBoard.get(), "widget_featrue")->model());
    QVERIFY(model);
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(model->rowCount() > 0);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Feature"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
    QCOMPARE(part<QComboBox>(beginnerBoard.get(), "cboboxLevel")->currentIndex(), 0);
    QVERIFY(featureShown(beginnerBoard.get(), beginnerFeature));
    QVERIFY(featureIndex(beginnerBoard.get(), expertFeature).isValid());
    QVERIFY(!featureShown(beginnerBoard.get(), expertFeature));
    QCOMPARE(tabTexts(part<QTabWidget>(beginnerBoard.get(), "tabWidget")),
             (QStringList{QStringLiteral("Shoot"), QStringLiteral("Image"), QStringLiteral("Advance")}));

    QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "1"), 0);
    auto expertBoard = boardFor(id, isCard);
    QCOMPARE(part<QComboBox>(expertBoard.get(), "cboboxLevel")->currentIndex(), 1);
    QVERIFY(featureShown(expertBoard.get(), beginnerFeature));
    QVERIFY(featureShown(expertBoard.get(), expertFeature));
}

void TestCamBoard::emptyStoredLevelSelectsBeginner()
{
    // A host that never stored a level gives an empty text.
    Corvid::StopService();
    QTemporaryDir settings;
    startService(settings.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string());

    auto board = boardFor(m_camera);
    auto* level = part<QComboBox>(board.get(), "cboboxLevel");
    QCOMPARE(level->currentIndex(), 0);
    QVERIFY(!featureShown(board.get(), QStringLiteral("SensorWidth")));
    {
        const QSignalBlocker blocker(level);
        level->setCurrentIndex(2);
    }
    // Building read the level without storing it; loading it changes the
    // selection, which filters the tree and stores the level.
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string());
    board->loadUserLevel();
    QCOMPARE(level->currentIndex(), 0);
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("0"));
    QVERIFY(!featureShown(board.get(), QStringLiteral("SensorWidth")));
    board.reset();
    Corvid::StopService();
    startService(m_settings.filePath(QStringLiteral("settings.ini")));
}

void TestCamBoard::levelStoredWithoutModel()
{
    CamBoard board;
    QVERIFY(!part<FeatureTreeView>(&board, "widget_featrue")->model());
    part<QComboBox>(&board, "cboboxLevel")->setCurrentIndex(2);
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("2"));
    part<QComboBox>(&board, "cboboxLevel")->setCurrentIndex(1);
    part<QLineEdit>(&board, "edit_search")->setText(QStringLiteral("Gain"));
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("1"));
}

void TestCamBoard::tabVisibilitySettersTwice_data()
{
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("attribute");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("both") << true << true << QStringList{"Param Setting", "All Attribute"};
    QTest::newRow("panel only") << true << false << QStringList{"Param Setting"};
    QTest::newRow("attribute only") << false << true << QStringList{"All Attribute"};
    QTest::newRow("none") << false << false << QStringList();
}

void TestCamBoard::tabVisibilitySettersTwice()
{
    QFETCH(bool, panel);
    QFETCH(bool, attribute);
    QFETCH(QStringList, tabs);
    CamBoard board;
    auto* mainTabs = part<QTabWidget>(&board, "tabMainWidget");
    for (int round = 0; round < 2; ++round) {
        board.setPanelTabVisible(panel);
        board.setPanelTabVisible(panel);
        board.setAttributeTabVisible(attribute);
        board.setAttributeTabVisible(attribute);
        QCOMPARE(tabTexts(mainTabs), tabs);
        // Back to both, the panel first.
        board.setAttributeTabVisible(false);
        board.setPanelTabVisible(true);
        board.setAttributeTabVisible(true);
        QCOMPARE(tabTexts(mainTabs), (QStringList{"Param Setting", "All Attribute"}));
    }
}

void TestCamBoard::languageSwitch()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(CAMPANE_ZH_CN_QM)));
    auto board = boardFor(m_camera);
    auto* mainTabs = part<QTabWidget>(board.get(), "tabMainWidget");
    auto* panelTabs = part<QTabWidget>(board.get(), "tabWidget");
    auto* level = part<QComboBox>(board.get(), "cboboxLevel");
    auto* collapse = part<QToolButton>(board.get(), "toolButton");
    auto* description = part<CToolPage>(board.get(), "widget_attrInfo");
    QCOMPARE(collapse->width(), 85);

    QCoreApplication::installTranslator(&translator);
    board->setLanguage(1);
    QCOMPARE(tabTexts(mainTabs), (QStringList{QStringLiteral("参数设置"), QStringLiteral("全部属性")}));
    QCOMPARE(tabTexts(panelTabs),
             (QStringList{QStringLiteral("拍摄"), QStringLiteral("图像"), QStringLiteral("高级")}));
    QCOMPARE(comboTexts(level),
             (QStringList{QStringLiteral("初级"), QStringLiteral("专家"), QStringLiteral("大师")}));
    QCOMPARE(description->title(), QStringLiteral("参数描述"));
    QCOMPARE(collapse->text(), QStringLiteral("展开"));
    QCOMPARE(collapse->minimumWidth(), 60);
    QCOMPARE(collapse->maximumWidth(), 60);
    QCOMPARE(part<QLineEdit>(board.get(), "edit_search")->placeholderText(),
             QStringLiteral("请输入参数名称"));

    QCoreApplication::removeTranslator(&translator);
    board->setLanguage(0);
    QCOMPARE(tabTexts(mainTabs), (QStringList{"Param Setting", "All Attribute"}));
    // The second panel tab reads "Graphics" after every switch.
    QCOMPARE(tabTexts(panelTabs), (QStringList{"Shoot", "Graphics", "Advance"}));
    QCOMPARE(comboTexts(level), (QStringList{"Beginner", "Expert", "Guru"}));
    QCOMPARE(description->title(), QStringLiteral("Parameter Description"));
    QCOMPARE(collapse->minimumWidth(), 85);
    QCOMPARE(collapse->maximumWidth(), 85);
}

void TestCamBoard::languageSwitchKeepsTreeFilter()
{
    auto board = boardFor(m_camera);
    auto* level = part<QComboBox>(board.get(), "cboboxLevel");
    level->setCurrentIndex(2);
    QVERIFY(featureShown(board.get(), QStringLiteral("DeviceStatusFlags")));
    board->setLanguage(1);
    QCOMPARE(level->currentIndex(), 0);
    QCOMPARE(level->currentText(), QStringLiteral("Beginner"));
    QVERIFY(featureShown(board.get(), QStringLiteral("DeviceStatusFlags")));
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("2"));
    level->setCurrentIndex(1);
    QVERIFY(!featureShown(board.get(), QStringLiteral("DeviceStatusFlags")));
}

void TestCamBoard::searchExpandsAndFilters()
{
    auto board = boardFor(m_camera);
    auto* view = part<FeatureTreeView>(board.get(), "widget_featrue");
    auto* collapse = part<QToolButton>(board.get(), "toolButton");
    const QModelIndex light1 = featureIndex(board.get(), QStringLiteral("Light1Control"));
    QVERIFY(light1.isValid());
    QVERIFY(!view->isExpanded(light1));

    part<QLineEdit>(board.get(), "edit_search")->setText(QStringLiteral("Light1"));
    QVERIFY(view->isExpanded(light1));
    QVERIFY(!collapse->property("collapse").toBool());
    QCOMPARE(collapse->text(), QStringLiteral("Collapse"));
    QVERIFY(featureShown(board.get(), QStringLiteral("Light1Value")));
    QVERIFY(!featureShown(board.get(), QStringLiteral("Light2Value")));
    QVERIFY(!featureShown(board.get(), QStringLiteral("Width")));

    part<QLineEdit>(board.get(), "edit_search")->clear();
    QVERIFY(featureShown(board.get(), QStringLiteral("Width")));
}

void TestCamBoard::collapseButtonToggles()
{
    auto board = boardFor(m_camera);
    auto* view = part<FeatureTreeView>(board.get(), "widget_featrue");
    auto* collapse = part<QToolButton>(board.get(), "toolButton");
    const QModelIndex root = view->model()->index(0, 0);
    const QModelIndex deep = featureIndex(board.get(), QStringLiteral("EncoderControl"));
    QVERIFY(view->isExpanded(root));
    QVERIFY(!view->isExpanded(deep));
    QCOMPARE(collapse->text(), QStringLiteral("Expand"));

    collapse->click();
    QVERIFY(view->isExpanded(deep));
    QCOMPARE(collapse->text(), QStringLiteral("Collapse"));
    QVERIFY(!collapse->property("collapse").toBool());
    QVERIFY(!collapse->icon().isNull());

    collapse->click();
    QVERIFY(view->isExpanded(root));
    QVERIFY(!view->isExpanded(deep));
    QCOMPARE(collapse->text(), QStringLiteral("Expand"));
    QVERIFY(collapse->property("collapse").toBool());
}

void TestCamBoard::selectionShowsDescription()
{
    auto board = boardFor(m_camera);
    auto* view = part<FeatureTreeView>(board.get(), "widget_featrue");
    auto* browser = part<QTextBrowser>(board.get(), "descriptionBrowser");
    auto* model = qobject_cast<TreeModel*>(view->model());
    const QModelIndex index = featureIndex(board.get(), QStringLiteral("SensorMethod"));
    QVERIFY(index.isValid());

    view->setCurrentIndex(index);
    QTextBrowser expected;
    expected.setText(featureDescriptionHtml(model->itemFromIndex(index)->node()));
    QCOMPARE(browser->toHtml(), expected.toHtml());
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Enum Entry Name: SensorRight")));

    // An index without item leaves the text alone.
    QMetaObject::invokeMethod(board.get(), "onSigSelectItemClick", Q_ARG(QModelIndex, QModelIndex()));
    QCOMPARE(browser->toHtml(), expected.toHtml());
}

void TestCamBoard::disableViewStopsTimersAndReads()
{
    auto board = boardFor(m_camera);
    auto* realUpdate = part<QTimer>(board.get(), "realUpdateTimer");
    auto* trigger = part<QTimer>(board.get(), "triggerTimer");
    auto* model = qobject_cast<TreeModel*>(part<FeatureTreeView>(board.get(), "widget_featrue")->model());
    QVERIFY(realUpdate->isActive());
    QCOMPARE(realUpdate->interval(), 1500);
    trigger->start();

    board->disableView();
    QVERIFY(!realUpdate->isActive());
    QVERIFY(!trigger->isActive());
    QVERIFY(model->isDeviceDisabled());
    // The tree paints from what it read, and asks the device nothing more.
    board->grab();
    QVERIFY(
        !model->deviceValue(featureIndex(board.get(), QStringLiteral("Width")).siblingAtColumn(1)).isValid());
}

void TestCamBoard::deviceWithoutNodeMap()
{
    auto board = boardFor(QStringLiteral("no-such-device"));
    auto* panelTabs = part<QTabWidget>(board.get(), "tabWidget");
    QCOMPARE(tabTexts(panelTabs), (QStringList{"Shoot", "Image", "Advance"}));
    for (const char* name : {"firstToolBox", "secondToolBox", "thirdToolBox"})
        QVERIFY(part<CToolBox>(board.get(), name)->pages().isEmpty());
    QVERIFY(!part<FeatureTreeView>(board.get(), "widget_featrue")->model());
    board->buildPanel();
    QCOMPARE(tabTexts(panelTabs), (QStringList{"Shoot", "Image", "Advance"}));
    // Nothing to filter, but the level is still stored.
    part<QComboBox>(board.get(), "cboboxLevel")->setCurrentIndex(2);
    QCOMPARE(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL), std::string("2"));
}

void TestCamBoard::secondBuildReplacesTheTree()
{
    auto board = boardFor(m_camera);
    auto* view = part<FeatureTreeView>(board.get(), "widget_featrue");
    QPointer<QAbstractItemModel> first = view->model();
    part<QComboBox>(board.get(), "cboboxLevel")->setCurrentIndex(1);
    board->buildPanel();
    QVERIFY(!first);
    QVERIFY(view->model());
    QCOMPARE(tabTexts(part<QTabWidget>(board.get(), "tabWidget")),
             (QStringList{"Shoot", "Image", "Advance"}));
    QCOMPARE(part<QComboBox>(board.get(), "cboboxLevel")->currentIndex(), 1);
    QVERIFY(featureShown(board.get(), QStringLiteral("SensorWidth")));
}

void TestCamBoard::featureEditedInTheTree()
{
    auto board = boardFor(m_camera);
    board->show();
    QVERIFY(QTest::qWaitForWindowExposed(board.get()));
    auto* view = part<FeatureTreeView>(board.get(), "widget_featrue");
    part<QLineEdit>(board.get(), "edit_search")->setText(QStringLiteral("Light2Value"));
    const QModelIndex value = featureIndex(board.get(), QStringLiteral("Light2Value")).siblingAtColumn(1);
    QVERIFY(featureShown(board.get(), QStringLiteral("Light2Value")));

    view->setCurrentIndex(value);
    view->edit(value);
    auto* editor = view->viewport()->findChild<QDoubleSpinBox*>();
    QVERIFY(editor);
    QCOMPARE(editor->value(), 60.0);
    editor->setValue(55);
    emit view->itemDelegateForColumn(1)->commitData(editor);
    std::string text;
    QCOMPARE(Corvid::GetCameraNodeValue(m_camera.toStdString(), "Light2Value", text), 0);
    QCOMPARE(QString::fromStdString(text), QStringLiteral("55"));
}

int runCamBoardTests(int argc, char** argv)
{
    TestCamBoard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_camboard.moc"
