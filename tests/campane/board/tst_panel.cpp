// The "Param Setting" panel of a board over the real camera service and its
// simulated cameras: the layout, and what its special widgets do.

#include "camboard.h"
#include "ccombobox.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/CorvidHost.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

const char* const kToolBoxes[] = {"firstToolBox", "secondToolBox", "thirdToolBox"};

QList<ToolPageWidgetItem*> rowsOf(const CToolPage* page)
{
    QList<ToolPageWidgetItem*> rows;
    for (QWidget* content : page->widgets()) {
        if (auto* group = qobject_cast<ToolPageWidget*>(content)) {
            for (QWidget* item : group->items()) {
                if (auto* row = qobject_cast<ToolPageWidgetItem*>(item))
                    rows << row;
            }
        }
    }
    return rows;
}

QList<ToolPageWidgetItem*> allRows(QWidget* board)
{
    QList<ToolPageWidgetItem*> rows;
    for (const char* name : kToolBoxes) {
        for (CToolPage* page : board->findChild<CToolBox*>(name)->pages())
            rows << rowsOf(page);
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
    for (const char* name : kToolBoxes) {
        QStringList groups;
        for (CToolPage* page : board->findChild<CToolBox*>(name)->pages()) {
            QStringList titles;
            for (ToolPageWidgetItem* item : rowsOf(page))
                titles << (item->isHidden() ? "[" + item->titleName(0) + "]" : item->titleName(0));
            groups << page->title() + ": " + titles.join(", ");
        }
        tabs << groups.join(" | ");
    }
    return tabs;
}

QStringList comboTexts(const QComboBox* combo)
{
    QStringList texts;
    for (int index = 0; index < combo->count(); ++index)
        texts << combo->itemText(index);
    return texts;
}

// The check-list as "text" or "text*" for a checked entry, placeholder left out.
QStringList checkList(const CComboBox* list)
{
    QStringList texts;
    const auto items = list->items();
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

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_camera, m_dual, m_other;

    // A copy of the structured-light camera's description with another model
    // name and without the Radius feature.
    QString writeOtherCamera()
    {
        QFile in(QDir(CAMPANE_DEVICES_DIR).filePath("kvx-slp-camera.xml"));
        if (!in.open(QIODevice::ReadOnly))
            return QString();
        QString xml = QString::fromUtf8(in.readAll());
        xml.replace("sim:Default=\"KVX-SLP3000\"", "sim:Default=\"LAB-KVX-SLP3000\"");
        xml.replace(">Radius<", ">SearchRadius<").replace("\"Radius\"", "\"SearchRadius\"");
        const QString path = m_dir.filePath("other-camera.xml");
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return QString();
        out.write(xml.toUtf8());
        return path;
    }

    std::unique_ptr<CamBoard> boardFor(const QString& id)
    {
        auto board = std::make_unique<CamBoard>();
        board->setPanelTabVisible(true);
        board->setAttributeTabVisible(true);
        board->setDeviceId(id);
        return board;
    }

private slots:
    void initTestCase()
    {
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = m_dir.filePath("settings.ini").toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        const QDir dir(CAMPANE_DEVICES_DIR);
        m_camera = QString::fromStdString(
            Corvid::AddSimulatedCamera(dir.filePath("kvx-slp-camera.xml").toStdString()));
        m_dual = QString::fromStdString(
            Corvid::AddSimulatedCamera(dir.filePath("sl-camera-dual.xml").toStdString()));
        m_other = QString::fromStdString(Corvid::AddSimulatedCamera(writeOtherCamera().toStdString()));
        QVERIFY(!m_camera.isEmpty() && !m_dual.isEmpty() && !m_other.isEmpty());
    }

    void cleanupTestCase() { Corvid::StopService(); }

    void layout_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("showMode");

        QTest::newRow("structured-light camera")
            << m_camera
            << QStringList{"Trigger Control: AcquisitionMode, TriggerSoftware | Image Control: SensorMethod, "
                           "2D "
                           "Acquisition Output, 2D Image Show, Binning | Working Engine: WorkingMode, "
                           "VisionEngine, "
                           "Sampling Rate",
                           "Brightness Control: Light1Selector, Light1Mode, Light1Value, Light2Selector, "
                           "Light2Mode, "
                           "Light2Value, Light3Selector, Light3Mode, Light3Value, SensorGain, "
                           "SensorExposure, "
                           "LeftRayExpTime, RayExpTime | Imgage Process: Contrast, Modulation, "
                           "QualityScoreThreshold, LowBrightness, Brightness, FilterThreshold, "
                           "HighFilteringThreshold, SmoothingMethod, WindowDiameter, HighTruncation, "
                           "LowTruncation, "
                           "FillThreshold, Denoising, [Radius], [Neighborhoods]",
                           "User Control: UserSetSelector, UserSetLoad, UserSetSave"}
            << QStringList{"GSImage*", "SrcImage", "FrontImage*", "BackImage", "Quality Image"}
            << QStringList{"-", "GSImage", "FrontImage"} << 2;
        QTest::newRow("dual-projector camera")
            << m_dual
            << QStringList{"Trigger Control: AcquisitionMode, TriggerSoftware | Image Control: SensorMethod, "
                           "2D "
                           "Acquisition Output, 2D Image Show, [Binning] | Working Engine: WorkingMode, "
                           "VisionEngine, Sampling Rate",
                           "Brightness Control: Light1Selector, Light1Mode, Light1Value, [Light2Selector], "
                           "[Light2Mode], [Light2Value], [Light3Selector], [Light3Mode], [Light3Value], "
                           "SensorGain, "
                           "SensorExposure, LeftRayExpTime, RightRayExpTime | Imgage Process: Contrast, "
                           "[Modulation], QualityScoreThreshold, [LowBrightness], [Brightness], "
                           "[FilterThreshold], "
                           "[HighFilteringThreshold], SmoothingMethod, [WindowDiameter], [HighTruncation], "
                           "[LowTruncation], [FillThreshold], Denoising, Radius, Neighborhoods",
                           "User Control: UserSetSelector, UserSetLoad, UserSetSave"}
            << QStringList{"2D Left*",         "2D Right",          "Left Streak",
                           "Right Streak",     "2.5D Left Shot*",   "2.5D Right Shot",
                           "2.5D Left Reflex", "2.5D Right Reflex", "Quality Image"}
            << QStringList{"-", "2D Left", "2.5D Left Shot"} << 1;
        // "KVX-SLP" after other characters is the other family; none of its
        // nine kinds exists on this camera, so all read as off. Nothing is
        // sent to the image view at build.
        QTest::newRow("prefix not at the start")
            << m_other
            << QStringList{"Trigger Control: AcquisitionMode, TriggerSoftware | Image Control: SensorMethod, "
                           "2D "
                           "Acquisition Output, 2D Image Show, Binning | Working Engine: WorkingMode, "
                           "VisionEngine, "
                           "Sampling Rate",
                           "Brightness Control: Light1Selector, Light1Mode, Light1Value, Light2Selector, "
                           "Light2Mode, "
                           "Light2Value, Light3Selector, Light3Mode, Light3Value, SensorGain, "
                           "SensorExposure, "
                           "LeftRayExpTime, [RightRayExpTime] | Imgage Process: Contrast, Modulation, "
                           "QualityScoreThreshold, LowBrightness, Brightness, FilterThreshold, "
                           "HighFilteringThreshold, SmoothingMethod, WindowDiameter, HighTruncation, "
                           "LowTruncation, "
                           "FillThreshold, Denoising, [Radius], [Neighborhoods]",
                           "User Control: UserSetSelector, UserSetLoad, UserSetSave"}
            << QStringList{"2D Left",          "2D Right",
                           "Left Streak",      "Right Streak",
                           "2.5D Left Shot",   "2.5D Right Shot",
                           "2.5D Left Reflex", "2.5D Right Reflex",
                           "Quality Image",    "-*"}
            << QStringList{"-"} << 7;
    }

    void layout()
    {
        QFETCH(QString, device);
        QFETCH(QStringList, layout);
        QFETCH(QStringList, outputs);
        QFETCH(QStringList, shown);
        QFETCH(int, showMode);
        Corvid::SetSLImageShowMode(device.toStdString(), 7);
        auto board = boardFor(device);
        QCOMPARE(layoutOf(board.get()), layout);
        QCOMPARE(allRows(board.get()).size(), 40);
        auto* outputList = board->findChild<CComboBox*>("grabOutputList");
        QAbstractItemModelTester tester(outputList->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(checkList(outputList), outputs);
        auto* showList = board->findChild<QComboBox*>("showTypeList");
        QCOMPARE(comboTexts(showList), shown);
        QCOMPARE(showList->currentIndex(), shown.size() > 1 ? 1 : 0);
        QCOMPARE(Corvid::GetImageViewRecord(device.toStdString()).slImageShowMode, showMode);

        // A reload builds the same panel again, not a second one.
        board->reloadPanel(false);
        QCOMPARE(layoutOf(board.get()), layout);
    }
};

QTEST_MAIN(TestPanel)

#include "tst_panel.moc"
