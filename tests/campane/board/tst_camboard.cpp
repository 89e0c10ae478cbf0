// A board over the real camera service and its simulated devices: the
// description text, the feature tree by user level, search and languages,
// and its "Param Setting" panel: the layout, and what its special widgets do.

#include "camboard.h"
#include "ccombobox.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "descriptiontext.h"
#include "featuretreeview.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

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

// The panel's pages, tab by tab.
QList<QList<CToolPage*>> pagesOf(QWidget* board)
{
    QList<QList<CToolPage*>> tabs;
    for (const char* name : {"firstToolBox", "secondToolBox", "thirdToolBox"})
        tabs << part<CToolBox>(board, name)->pages();
    return tabs;
}

QList<ToolPageWidgetItem*> allRows(QWidget* board)
{
    QList<ToolPageWidgetItem*> rows;
    for (const QList<CToolPage*>& pages : pagesOf(board)) {
        for (CToolPage* page : pages)
            rows << page->findChildren<ToolPageWidgetItem*>();
    }
    return rows;
}

ToolPageWidgetItem* row(QWidget* board, const QString& title)
{
    for (ToolPageWidgetItem* candidate : allRows(board)) {
        if (candidate->titleName(0) == title)
            return candidate;
    }
    qWarning() << "no row" << title;
    return nullptr;
}

// The layout as text: per tab "Group: Row, Row, ..." with hidden rows in
// brackets.
QStringList layoutOf(QWidget* board)
{
    QStringList tabs;
    for (const QList<CToolPage*>& pages : pagesOf(board)) {
        QStringList groups;
        for (CToolPage* page : pages) {
            QStringList titles;
            for (ToolPageWidgetItem* item : page->findChildren<ToolPageWidgetItem*>())
                titles << (item->isHidden() ? "[" + item->titleName(0) + "]" : item->titleName(0));
            groups << page->title() + ": " + titles.join(", ");
        }
        tabs << groups.join(" | ");
    }
    return tabs;
}

QStringList hiddenRows(QWidget* board)
{
    QStringList titles;
    for (ToolPageWidgetItem* item : allRows(board)) {
        if (item->isHidden())
            titles << item->titleName(0);
    }
    return titles;
}

// The check-list as "text" or "text*" for a checked entry, placeholder left out.
QStringList checkList(QWidget* board)
{
    QStringList texts;
    const auto items = part<CComboBox>(board, "grabOutputList")->items();
    for (int index = 1; index < items.size(); ++index)
        texts << items[index].first + (items[index].second ? "*" : "");
    return texts;
}

std::string nodeValue(const QString& id, const char* node)
{
    std::string value;
    Corvid::GetCameraNodeValue(id.toStdString(), node, value);
    return value;
}

void setNode(const QString& id, const char* node, const char* value)
{
    QCOMPARE(Corvid::SetCameraNodeValue(id.toStdString(), node, value), 0);
}

} // namespace

// A description whose texts hold markup.
const char* const kMarkupDescription =
    "<RegisterDescription ModelName='Markup' VendorName='Campane_Tests'"
    " xmlns='http://www.genicam.org/GenApi/Version_1_1' xmlns:sim='urn:campane:simulated-device'>"
    "<Category Name='Root'><pFeature>Mode</pFeature></Category>"
    "<Enumeration Name='Mode'><Description>&lt;b&gt;bold&lt;/b&gt; &amp;amp; &lt;img "
    "src='x'&gt;</Description>"
    "<EnumEntry "
    "Name='On'><Description>&lt;i&gt;on&lt;/i&gt;</Description><DisplayName>&lt;u&gt;On</DisplayName>"
    "<Value>1</Value></EnumEntry><pValue>ModeReg</pValue></Enumeration>"
    "<IntReg Name='ModeReg' "
    "sim:Default='1'><Address>0x0</Address><Length>4</Length><AccessMode>RW</AccessMode>"
    "<pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>"
    "<Port Name='Device'/></RegisterDescription>";

class TestCamBoard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // The structured-light camera, the dual-projector camera, the frame-grabber
    // card, and a copy of the first camera with another model name and without
    // the Radius and TriggerSoftware features.
    QString m_camera, m_dual, m_card, m_other;

    void writeOtherCamera()
    {
        QFile in(QDir(CAMPANE_DEVICES_DIR).filePath("kvx-slp-camera.xml"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QString xml = QString::fromUtf8(in.readAll());
        xml.replace("sim:Default=\"KVX-SLP3000\"", "sim:Default=\"LAB-KVX-SLP3000\"");
        for (const char* name : {"Radius", "TriggerSoftware"})
            xml.replace(QString(">%1<").arg(name), QString(">Other%1<").arg(name))
                .replace(QString("\"%1\"").arg(name), QString("\"Other%1\"").arg(name));
        QFile out(m_dir.filePath("other-camera.xml"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(xml.toUtf8());
    }

    void startService(const QString& settingsFile)
    {
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = settingsFile.toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        const QDir dir(CAMPANE_DEVICES_DIR);
        auto add = [&](const QString& file) {
            return QString::fromStdString(Corvid::AddSimulatedCamera(file.toStdString()));
        };
        m_camera = add(dir.filePath("kvx-slp-camera.xml"));
        m_dual = add(dir.filePath("sl-camera-dual.xml"));
        m_card = QString::fromStdString(
            Corvid::AddSimulatedCard(dir.filePath("frame-grabber-card.xml").toStdString()));
        m_other = add(m_dir.filePath("other-camera.xml"));
        QVERIFY(!m_camera.isEmpty() && !m_dual.isEmpty() && !m_card.isEmpty() && !m_other.isEmpty());
    }

    std::unique_ptr<CamBoard> boardFor(const QString& id)
    {
        auto board = std::make_unique<CamBoard>();
        board->m_isCard = id == m_card;
        board->setPanelTabVisible(true);
        board->setAttributeTabVisible(true);
        board->setDeviceId(id);
        board->resize(751, 598);
        return board;
    }

private slots:
    void initTestCase()
    {
        writeOtherCamera();
        startService(m_dir.filePath("settings.ini"));
    }
    void cleanupTestCase() { Corvid::StopService(); }
    void init() { QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "0"), 0); }

    // The description as plain text, one line per " | ". A property the node
    // does not have shows the one read before it.
    void nodeKinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deviceLost");
        QTest::addColumn<QString>("expected");
        const QString custom = " | NodeType: %1 | NameSpace: Custom | Visibility: %2 | Streamable: %3";
        QTest::newRow("enumeration with three entries")
            << "SensorMethod" << false
            << "SensorMethod | Both projectors, the left one only, or the right one only. | " +
                   custom.arg("Enumeration", "Custom", "Yes") +
                   " |  | Sensor Merge | Description: Both projectors work and their point clouds are "
                   "merged. | Enum Entry Name: SensorMerge | Enum Entry Value: 0 | NameSpace: Custom |  | "
                   "Sensor Left | Description: Only the left projector works. | Enum Entry Name: SensorLeft "
                   "| "
                   "Enum Entry Value: 1 | NameSpace: Custom |  | Sensor Right | Description: Only the right "
                   "projector works. | Enum Entry Name: SensorRight | Enum Entry Value: 2 | NameSpace: "
                   "Custom";
        QTest::newRow("hex integer: no limits")
            << "DeviceStatusFlags" << false
            << "DeviceStatusFlags | Bit field of the camera's self-test results; all ones means every test "
               "passed. | " +
                   custom.arg("Integer", "Guru", "Guru");
        QTest::newRow("integer with unit us") << "RayExpTime" << false
                                              << "RayExpTime | Time from the start to the end of the "
                                                 "projector's exposure for each pattern. | " +
                                                     custom.arg("Integer", "Custom", "Yes") +
                                                     " | Min: 1000 | Max: 100000 | Inc: 100 | Unit: us";
        // Width's maximum is computed from registers: with the device gone the
        // limits cannot be read, and the text ends with the property lines.
        QTest::newRow("lost device keeps what was read")
            << "Width" << true
            << "Width | Width of the region of interest, in pixels. |  | NodeType: Integer | NameSpace: "
               "Standard | Visibility: Standard | Streamable: Yes";
        QTest::newRow("no node") << QString() << false << QString();
        // Of a description with real cameras' constructs: entry values as
        // integers, a float's limits in its display notation.
        const QString real =
            " | NodeType: %1 | NameSpace: Standard | Visibility: Standard | Streamable: Standard";
        QTest::newRow("entry values above a million")
            << "real:PixelFormat" << false
            << "PixelFormat |  | " + real.arg("Enumeration") +
                   " |  | Mono8 | Description: | Enum Entry Name: Mono8 | Enum Entry Value: 17301505 | "
                   "NameSpace: Standard |  | Mono16 | Description: | Enum Entry Name: Mono16 | Enum Entry "
                   "Value: 17825799 | NameSpace: Standard";
        QTest::newRow("float limits in fixed notation")
            << "real:DeviceTemperature" << false
            << "DeviceTemperature |  | " + real.arg("Float") + " | Min: -50.0 | Max: 150.0";
    }

    void nodeKinds()
    {
        QFETCH(QString, name);
        QFETCH(bool, deviceLost);
        std::string error;
        QString path = QDir(CAMPANE_DEVICES_DIR).filePath("kvx-slp-camera.xml");
        if (name.startsWith(QLatin1String("real:"))) {
            name = name.mid(5);
            path = QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/node-real.xml");
        }
        auto connection = GenApi::CDeviceConnection::OpenSimulated(path.toStdString(), &error);
        QVERIFY2(connection, error.c_str());
        if (deviceLost)
            connection->MarkLost();
        GenApi::INode* node =
            name.isEmpty() ? nullptr : connection->GetNodeMap()->GetNode(name.toStdString().c_str());
        QVERIFY(name.isEmpty() || node);
        const QString html = featureDescriptionHtml(node);
        QVERIFY(html.isEmpty() || html.contains(QLatin1String("<span")));
        QStringList lines = QTextDocumentFragment::fromHtml(html).toPlainText().trimmed().split('\n');
        for (QString& line : lines)
            line = line.trimmed();
        QTEST(lines.join(" | "), "expected");
    }

    // Names, descriptions and entries are the device's texts: shown as they
    // are, whatever markup they hold.
    void deviceTextsAreNotMarkup()
    {
        const std::string xml = kMarkupDescription;
        std::string error;
        auto connection = GenApi::CDeviceConnection::OpenSimulatedFromText(xml, "markup", &error);
        QVERIFY2(connection, error.c_str());
        const QString html = featureDescriptionHtml(connection->GetNodeMap()->GetNode("Mode"));
        QVERIFY(!html.contains(QLatin1String("<b>")) && !html.contains(QLatin1String("<img")));
        const QString text = QTextDocumentFragment::fromHtml(html).toPlainText();
        for (const char* shown : {"<b>bold</b> &amp; <img src='x'>", "<u>On", "Description: <i>on</i>"})
            QVERIFY2(text.contains(QLatin1String(shown)), qPrintable(text));
    }

    void treeFollowsStoredLevel_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("beginnerFeature");
        QTest::addColumn<QString>("expertFeature"); // shown to experts only
        QTest::newRow("structured-light camera") << m_camera << "RayExpTime"
                                                 << "SensorWidth";
        QTest::newRow("dual-projector camera") << m_dual << "Width"
                                               << "DeviceVersion";
        QTest::newRow("frame-grabber card") << m_card << "TriggerInputLine"
                                            << "DebounceTime";
    }

    void treeFollowsStoredLevel()
    {
        QFETCH(QString, device);
        QFETCH(QString, beginnerFeature);
        QFETCH(QString, expertFeature);
        auto beginner = boardFor(device);
        QVERIFY(treeModel(beginner.get()));
        QAbstractItemModelTester tester(treeModel(beginner.get()),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(part<QComboBox>(beginner.get(), "cboboxLevel")->currentIndex(), 0);
        QVERIFY(featureShown(beginner.get(), beginnerFeature));
        QVERIFY(featureIndex(beginner.get(), expertFeature).isValid());
        QVERIFY(!featureShown(beginner.get(), expertFeature));

        QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "1"), 0);
        auto expert = boardFor(device);
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

        auto board = boardFor(m_camera);
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
        startService(m_dir.filePath("settings.ini"));
    }

    void tabVisibilitySettersTwice()
    {
        CamBoard board;
        const QStringList both{"Param Setting", "All Attribute"};
        // Panel only, attribute only, none, twice over; each setter called twice.
        for (int round = 0; round < 6; ++round) {
            const bool panel = round % 3 == 0, attribute = round % 3 == 1;
            for (int twice = 0; twice < 2; ++twice) {
                board.setPanelTabVisible(panel);
                board.setAttributeTabVisible(attribute);
            }
            QCOMPARE(texts(&board, "tabMainWidget"), panel       ? both.mid(0, 1)
                                                     : attribute ? both.mid(1)
                                                                 : QStringList());
            // Back to both, the panel first.
            board.setAttributeTabVisible(false);
            board.setPanelTabVisible(true);
            board.setAttributeTabVisible(true);
            QCOMPARE(texts(&board, "tabMainWidget"), both);
        }
    }

    void languageSwitch()
    {
        QTranslator translator;
        QVERIFY(translator.load(CAMPANE_ZH_CN_QM));
        auto board = boardFor(m_camera);
        auto* level = part<QComboBox>(board.get(), "cboboxLevel");
        level->setCurrentIndex(2);
        QVERIFY(featureShown(board.get(), "DeviceStatusFlags"));

        QCoreApplication::installTranslator(&translator);
        board->setLanguage(1);
        QCOMPARE(texts(board.get(), "tabMainWidget"), (QStringList{"参数设置", "全部属性"}));
        QCOMPARE(texts(board.get(), "tabWidget"), (QStringList{"拍摄", "图像", "高级"}));
        QCOMPARE(texts(board.get(), "cboboxLevel"), (QStringList{"初级", "专家", "大师"}));
        QCOMPARE(part<QLineEdit>(board.get(), "edit_search")->placeholderText(),
                 QStringLiteral("请输入参数名称"));
        // The combo is refilled at its first entry, but the tree keeps the
        // stored level's filter.
        QCOMPARE(level->currentIndex(), 0);
        QVERIFY(featureShown(board.get(), "DeviceStatusFlags"));
        QCOMPARE(storedLevel(), std::string("2"));

        QCoreApplication::removeTranslator(&translator);
        board->setLanguage(0);
        // The second panel tab reads "Graphics" after every switch.
        QCOMPARE(texts(board.get(), "tabWidget"), (QStringList{"Shoot", "Graphics", "Advance"}));
        QCOMPARE(texts(board.get(), "cboboxLevel"), (QStringList{"Beginner", "Expert", "Guru"}));
        level->setCurrentIndex(1);
        QVERIFY(!featureShown(board.get(), "DeviceStatusFlags"));
    }

    void collapseButtonAndSearch()
    {
        auto board = boardFor(m_camera);
        auto* view = treeView(board.get());
        auto* collapse = part<QToolButton>(board.get(), "toolButton");
        const QModelIndex root = view->model()->index(0, 0);
        const QModelIndex deep = featureIndex(board.get(), "EncoderControl");
        QVERIFY(view->isExpanded(root) && !view->isExpanded(deep));
        QCOMPARE(collapse->text(), QStringLiteral("Expand"));
        collapse->click();
        QVERIFY(view->isExpanded(deep));
        QCOMPARE(collapse->text(), QStringLiteral("Collapse"));
        collapse->click();
        QVERIFY(view->isExpanded(root) && !view->isExpanded(deep));
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
        auto board = boardFor(m_camera);
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
        auto board = boardFor(m_camera);
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
        for (const QList<CToolPage*>& pages : pagesOf(board.get()))
            QVERIFY(pages.isEmpty());
        QVERIFY(!treeModel(board.get()));
        board->buildPanel();
        // Nothing to filter or search, but the level is still stored.
        auto* level = part<QComboBox>(board.get(), "cboboxLevel");
        level->setCurrentIndex(2);
        QCOMPARE(storedLevel(), std::string("2"));
        level->setCurrentIndex(1);
        part<QLineEdit>(board.get(), "edit_search")->setText("Gain");
        QCOMPARE(storedLevel(), std::string("1"));
    }

    void secondBuildReplacesTheTree()
    {
        auto board = boardFor(m_camera);
        QPointer<QAbstractItemModel> first = treeModel(board.get());
        part<QComboBox>(board.get(), "cboboxLevel")->setCurrentIndex(1);
        board->buildPanel();
        QVERIFY(!first);
        QCOMPARE(texts(board.get(), "tabWidget"), (QStringList{"Shoot", "Image", "Advance"}));
        QCOMPARE(part<QComboBox>(board.get(), "cboboxLevel")->currentIndex(), 1);
        QVERIFY(featureShown(board.get(), "SensorWidth"));
    }

    void panelLayout_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QString>("outputs");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("showMode");

        // Each has a second set of region-of-interest rows, hidden.
        QTest::newRow("structured-light camera")
            << m_camera << "Width, Height, OffsetX, OffsetY, Radius, Neighborhoods"
            << "GSImage*, SrcImage, FrontImage*, BackImage, Quality Image"
            << QStringList{"-", "GSImage", "FrontImage"} << 2;
        QTest::newRow("dual-projector camera")
            << m_dual
            << "Binning, Width, Height, OffsetX, OffsetY, Light2Selector, Light2Mode, Light2Value, "
               "Light3Selector, "
               "Light3Mode, Light3Value, Modulation, LowBrightness, Brightness, FilterThreshold, "
               "HighFilteringThreshold, WindowDiameter, HighTruncation, LowTruncation, FillThreshold"
            << "2D Left*, 2D Right, Left Streak, Right Streak, 2.5D Left Shot*, 2.5D Right Shot, 2.5D Left "
               "Reflex, "
               "2.5D Right Reflex, Quality Image"
            << QStringList{"-", "2D Left", "2.5D Left Shot"} << 1;
        // "KVX-SLP" after other characters is the other family; none of its
        // nine kinds exists on this camera, so all read as off. Nothing is
        // sent to the image view at build.
        QTest::newRow("prefix not at the start")
            << m_other
            << "TriggerSoftware, Width, Height, OffsetX, OffsetY, RightRayExpTime, Radius, Neighborhoods"
            << "2D Left, 2D Right, Left Streak, Right Streak, 2.5D Left Shot, 2.5D Right Shot, 2.5D Left "
               "Reflex, "
               "2.5D Right Reflex, Quality Image, -*"
            << QStringList{"-"} << 7;
    }

    void panelLayout()
    {
        QFETCH(QString, device);
        QFETCH(QStringList, shown);
        QFETCH(int, showMode);
        Corvid::SetSLImageShowMode(device.toStdString(), 7);
        auto board = boardFor(device);
        if (device == m_camera) {
            QCOMPARE(
                layoutOf(board.get()),
                (QStringList{
                    "Trigger Control: AcquisitionMode, TriggerSoftware | Image Control: SensorMethod, 2D "
                    "Acquisition Output, 2D Image Show, Binning, Region of Interest, Width, Height, OffsetX, "
                    "OffsetY, [Width], [Height], [OffsetX], [OffsetY] | Working Engine: WorkingMode, "
                    "VisionEngine, Sampling Rate",
                    "Brightness Control: Light1Selector, Light1Mode, Light1Value, Light2Selector, "
                    "Light2Mode, Light2Value, Light3Selector, Light3Mode, Light3Value, SensorGain, "
                    "SensorExposure, LeftRayExpTime, RayExpTime | Imgage Process: Contrast, Modulation, "
                    "QualityScoreThreshold, LowBrightness, Brightness, FilterThreshold, "
                    "HighFilteringThreshold, SmoothingMethod, WindowDiameter, HighTruncation, "
                    "LowTruncation, FillThreshold, Denoising, [Radius], [Neighborhoods]",
                    "User Control: UserSetSelector, UserSetLoad, UserSetSave"}));
        }
        QTEST(hiddenRows(board.get()).join(", "), "hidden");
        // Forty rows, and nine of the region of interest.
        QCOMPARE(allRows(board.get()).size(), 49);
        // The periodic trigger goes with the TriggerSoftware row.
        QCOMPARE(part<QWidget>(board.get(), "triggerLine")->isHidden(),
                 row(board.get(), "TriggerSoftware")->isHidden());
        QAbstractItemModelTester tester(part<CComboBox>(board.get(), "grabOutputList")->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTEST(checkList(board.get()).join(", "), "outputs");
        QCOMPARE(texts(board.get(), "showTypeList"), shown);
        QCOMPARE(part<QComboBox>(board.get(), "showTypeList")->currentIndex(), shown.size() > 1 ? 1 : 0);
        QCOMPARE(Corvid::GetImageViewRecord(device.toStdString()).slImageShowMode, showMode);

        // A stored sampling rate of "0" shows as "4"; a choice is stored.
        auto* samplingRate = part<QComboBox>(board.get(), "samplingRateBox");
        QCOMPARE(texts(board.get(), "samplingRateBox"), (QStringList{"8", "4", "2"}));
        QCOMPARE(samplingRate->currentText(), QStringLiteral("4"));
        samplingRate->setCurrentText("2");
        QCOMPARE(Corvid::GetCameraInfo(device.toStdString(), Corvid::CAM_INFO_SAMPLING_RATE),
                 std::string("2"));

        // A reload builds the same panel again, not a second one.
        const QStringList layout = layoutOf(board.get());
        board->reloadPanel(false);
        QCOMPARE(layoutOf(board.get()), layout);
        QCOMPARE(part<QComboBox>(board.get(), "samplingRateBox")->currentText(), QStringLiteral("2"));
        // Rebuilt in Chinese, the panel shows the same kind.
        board->setLanguage(1);
        Corvid::SetSLImageShowMode(device.toStdString(), 7);
        board->reloadPanel(false);
        QCOMPARE(Corvid::GetImageViewRecord(device.toStdString()).slImageShowMode, showMode);
    }

    void defaultBoardFollowsTheFocusedCamera()
    {
        // The host's default mode builds the panel of the board without device.
        Corvid::SetFocus(Corvid::FOCUS_CAMERA, m_dual.toStdString());
        CamBoard board;
        board.buildPanel();
        QCOMPARE(allRows(&board).size(), 49); // with the region of interest
        QVERIFY(!row(&board, "RightRayExpTime")->isHidden());
        QCOMPARE(texts(&board, "showTypeList"), (QStringList{"-", "2D Left", "2.5D Left Shot"}));
    }

    void outputKinds_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("clickedRow"); // of the check-list; 0 is its placeholder
        QTest::addColumn<QString>("chosen"); // then chosen in showTypeList, if any
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("showMode");
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QString>("featureValue");
        QTest::newRow("unchecking the shown kind") << 0 << 1 << ""
                                                   << "-" << 0 << "GSImage"
                                                   << "False";
        QTest::newRow("unchecking another kind") << 0 << 3 << ""
                                                 << "GSImage" << 2 << "FrontImage"
                                                 << "False";
        QTest::newRow("Chinese text") << 1 << 5 << "质量图"
                                      << "质量图" << 9 << "QualityImage"
                                      << "True";
        QTest::newRow("English text under Chinese") << 1 << 5 << "Quality Image"
                                                    << "Quality Image" << 0 << "QualityImage"
                                                    << "True";
    }

    void outputKinds()
    {
        QFETCH(int, language);
        QFETCH(int, clickedRow);
        QFETCH(QString, chosen);
        QFETCH(QString, feature);
        QFETCH(QString, featureValue);
        auto board = boardFor(m_camera);
        board->setLanguage(language);
        auto* outputList = part<CComboBox>(board.get(), "grabOutputList");
        auto* showList = part<QComboBox>(board.get(), "showTypeList");
        outputList->onListViewClicked(outputList->model()->index(clickedRow, 0));
        QCOMPARE(QString::fromStdString(nodeValue(m_camera, qPrintable(feature))), featureValue);
        if (!chosen.isEmpty()) {
            if (showList->findText(chosen) < 0)
                showList->addItem(chosen);
            showList->setCurrentText(chosen);
        }
        QTEST(showList->currentText(), "shown");
        QTEST(Corvid::GetImageViewRecord(m_camera.toStdString()).slImageShowMode, "showMode");
        // Back to what the camera opened with.
        setNode(m_camera, qPrintable(feature), featureValue == "True" ? "0" : "1");
    }

    void emptyCheckListOffersDash()
    {
        auto board = boardFor(m_other);
        board->show();
        auto* outputList = part<CComboBox>(board.get(), "grabOutputList");
        outputList->showPopup();
        QCOMPARE(outputList->findText("-"), -1);
        QTest::keyClick(outputList->view(), Qt::Key_Escape);
        QCOMPARE(checkList(board.get()).last(), QStringLiteral("-*"));
    }

    void denoisingShowsItsRows()
    {
        // This camera has no Radius: its row shows, without editor.
        auto board = boardFor(m_other);
        ToolPageWidgetItem* radius = row(board.get(), "Radius");
        ToolPageWidgetItem* neighborhoods = row(board.get(), "Neighborhoods");
        auto* denoising = row(board.get(), "Denoising")->findChild<SwitchButton*>();
        denoising->click();
        QVERIFY(!radius->isHidden() && !neighborhoods->isHidden());
        QVERIFY(!radius->widget());
        QVERIFY(qobject_cast<QSpinBox*>(neighborhoods->widget()));
        denoising->click();
        QVERIFY(radius->isHidden() && neighborhoods->isHidden());
    }

    void rowClickShowsDescription_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        const QString sensorMethod = "Can choose between dual light machine working mode, left light machine "
                                     "working mode, or right light machine working mode.";
        QTest::newRow("Sampling Rate leaves it") << "Sampling Rate" << 0 << sensorMethod;
        QTest::newRow("Chinese") << "TriggerSoftware" << 1 << "由外部程序控制给触发信号进行拍摄触发。";
        QTest::newRow("empty Chinese description") << "Binning" << 1 << "";
        QTest::newRow("shared description") << "Brightness" << 0
                                            << "Determine whether the pixel value is within the low "
                                               "brightness and high brightness range, and set "
                                               "it as an invalid point if it is not within the range.";
    }

    void rowClickShowsDescription()
    {
        QFETCH(QString, title);
        QFETCH(int, language);
        auto board = boardFor(m_camera);
        QTest::mouseClick(row(board.get(), "SensorMethod"), Qt::LeftButton);
        board->setLanguage(language);
        QTest::mouseClick(row(board.get(), title), Qt::LeftButton);
        QTEST(part<QTextBrowser>(board.get(), "descriptionBrowser")->toPlainText(), "expected");
    }

    void periodicTrigger()
    {
        auto board = boardFor(m_camera);
        auto* triggerSwitch = part<SwitchButton>(board.get(), "triggerSwitch");
        auto* interval = part<QSpinBox>(board.get(), "triggerIntervalBox");
        auto count = [&] {
            return QString::fromStdString(nodeValue(m_camera, "TriggerSoftwareCount")).toInt();
        };
        QCOMPARE(triggerSwitch->parentWidget()->objectName(), QStringLiteral("triggerLine"));
        interval->setValue(1);
        const int before = count();
        triggerSwitch->click();
        QVERIFY(!interval->isEnabled());
        QTRY_VERIFY(count() >= before + 3);

        triggerSwitch->click();
        QVERIFY(!part<QTimer>(board.get(), "triggerTimer")->isActive());
        QVERIFY(interval->isEnabled());
        const int stopped = count();
        QTest::qWait(30);
        QCOMPARE(count(), stopped);
    }

    void userSetLoadRefreshesRows()
    {
        auto board = boardFor(m_camera);
        setNode(m_camera, "Light1Value", "33");
        setNode(m_camera, "QualityImage", "1");
        setNode(m_camera, "UserSetSelector", "UserSet2");
        setNode(m_camera, "UserSetSave", "");
        setNode(m_camera, "Light1Value", "77");
        setNode(m_camera, "QualityImage", "0");
        board->reloadPanel(false);
        auto* light1 = qobject_cast<QSpinBox*>(row(board.get(), "Light1Value")->widget());
        QCOMPARE(light1->value(), 77);

        part<QPushButton>(board.get(), "userSetExecuteButton")->click();
        QCOMPARE(nodeValue(m_camera, "Light1Value"), std::string("33"));
        QTRY_COMPARE(light1->value(), 33);
        QVERIFY(checkList(board.get()).contains("Quality Image*"));

        // The factory set cannot be overwritten.
        setNode(m_camera, "UserSetSelector", "Default");
        setNode(m_camera, "UserSetSave", "");
        setNode(m_camera, "UserSetLoad", "");
        QCOMPARE(nodeValue(m_camera, "Light1Value"), std::string("80"));
        QCOMPARE(nodeValue(m_camera, "QualityImage"), std::string("False"));
    }

    // A camera outside the structured-light family: its board logs nothing
    // a user must act on (building, locking, unlocking, reloading), and the
    // groups it has no feature for are hidden.
    void genericCameraBoardIsQuiet()
    {
        const QString generic =
            QString::fromStdString(Corvid::AddSimulatedCamera(CAMPANE_GENAPI_TEST_DATA "/node-real.xml"));
        QVERIFY(!generic.isEmpty());
        static QStringList warnings;
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                // The style sheets' own parser warnings are Qt's, not ours.
                const QByteArray category(context.category ? context.category : "");
                if (type != QtDebugMsg && type != QtInfoMsg && category != "default" &&
                    !category.startsWith("qt."))
                    warnings << category + ": " + text;
            });
        {
            auto board = boardFor(generic);
            board->lockPanel();
            board->reloadPanel(false);
            board->unlockPanel();
            board->reloadPanel(false);
            QStringList groups;
            for (const QList<CToolPage*>& pages : pagesOf(board.get())) {
                for (CToolPage* page : pages) {
                    if (!page->isHidden())
                        groups << page->title();
                }
            }
            QCOMPARE(groups.join(", "), QStringLiteral("Image Control, Working Engine, User Control"));
        }
        qInstallMessageHandler(previous);
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
        Corvid::RemoveDevice(generic.toStdString());
    }

    void lockDisablesThePanel()
    {
        auto board = boardFor(m_camera);
        auto editors = [&] {
            QList<bool> enabled;
            for (ToolPageWidgetItem* item : allRows(board.get()))
                if (item->widget())
                    enabled << item->widget()->isEnabled();
            enabled << part<SwitchButton>(board.get(), "triggerSwitch")->isEnabled();
            return enabled;
        };
        board->lockPanel();
        // The manager reloads the panel after a lock.
        board->reloadPanel(false);
        QVERIFY(!editors().contains(true));
        board->unlockPanel();
        QVERIFY(!editors().contains(false));
    }
};

QTEST_MAIN(TestCamBoard)

#include "tst_camboard.moc"
