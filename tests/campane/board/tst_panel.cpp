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

void setNode(const QString& id, const char* node, const char* value)
{
    QCOMPARE(Corvid::SetCameraNodeValue(id.toStdString(), node, value), 0);
}

int triggerCount(const QString& id)
{
    return QString::fromStdString(nodeValue(id, "TriggerSoftwareCount")).toInt();
}

QString description(QWidget* board)
{
    return board->findChild<QTextBrowser*>("descriptionBrowser")->toPlainText();
}

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_camera, m_dual, m_other;

    // A copy of the structured-light camera's description with another model
    // name and without the Radius and TriggerSoftware features.
    QString writeOtherCamera()
    {
        QFile in(QDir(CAMPANE_DEVICES_DIR).filePath("kvx-slp-camera.xml"));
        if (!in.open(QIODevice::ReadOnly))
            return QString();
        QString xml = QString::fromUtf8(in.readAll());
        xml.replace("sim:Default=\"KVX-SLP3000\"", "sim:Default=\"LAB-KVX-SLP3000\"");
        for (const char* name : {"Radius", "TriggerSoftware"})
            xml.replace(QString(">%1<").arg(name), QString(">Other%1<").arg(name))
                .replace(QString("\"%1\"").arg(name), QString("\"Other%1\"").arg(name));
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
                           "Acquisition Output, 2D Image Show, Binning, Region of Interest, Width, Height, "
                           "OffsetX, OffsetY, "
                           "[Width], [Height], [OffsetX], [OffsetY] | Working Engine: WorkingMode, "
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
                           "Acquisition Output, 2D Image Show, [Binning], Region of Interest, Width, Height, "
                           "OffsetX, OffsetY, "
                           "[Width], [Height], [OffsetX], [OffsetY] | Working Engine: WorkingMode, "
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
            << QStringList{"Trigger Control: AcquisitionMode, [TriggerSoftware] | Image Control: "
                           "SensorMethod, "
                           "2D "
                           "Acquisition Output, 2D Image Show, Binning, Region of Interest, Width, Height, "
                           "OffsetX, OffsetY, "
                           "[Width], [Height], [OffsetX], [OffsetY] | Working Engine: WorkingMode, "
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
        // Forty rows, and nine of the region of interest.
        QCOMPARE(allRows(board.get()).size(), 49);
        // The periodic trigger goes with the TriggerSoftware row.
        QCOMPARE(board->findChild<QWidget*>("triggerLine")->isHidden(),
                 row(board.get(), "TriggerSoftware")->isHidden());
        auto* outputList = board->findChild<CComboBox*>("grabOutputList");
        QAbstractItemModelTester tester(outputList->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(checkList(outputList), outputs);
        auto* showList = board->findChild<QComboBox*>("showTypeList");
        QCOMPARE(comboTexts(showList), shown);
        QCOMPARE(showList->currentIndex(), shown.size() > 1 ? 1 : 0);
        QCOMPARE(Corvid::GetImageViewRecord(device.toStdString()).slImageShowMode, showMode);

        // A stored sampling rate of "0" shows as "4"; a choice is stored.
        auto* samplingRate = board->findChild<QComboBox*>("samplingRateBox");
        QCOMPARE(comboTexts(samplingRate), (QStringList{"8", "4", "2"}));
        QCOMPARE(samplingRate->currentText(), QStringLiteral("4"));
        samplingRate->setCurrentText("2");
        QCOMPARE(Corvid::GetCameraInfo(device.toStdString(), Corvid::CAM_INFO_SAMPLING_RATE),
                 std::string("2"));

        // A reload builds the same panel again, not a second one.
        board->reloadPanel(false);
        QCOMPARE(layoutOf(board.get()), layout);
        QCOMPARE(board->findChild<QComboBox*>("samplingRateBox")->currentText(), QStringLiteral("2"));
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
        QCOMPARE(comboTexts(board.findChild<QComboBox*>("showTypeList")),
                 (QStringList{"-", "2D Left", "2.5D Left Shot"}));
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
        QFETCH(QString, shown);
        QFETCH(int, showMode);
        QFETCH(QString, feature);
        QFETCH(QString, featureValue);
        auto board = boardFor(m_camera);
        board->setLanguage(language);
        auto* outputList = board->findChild<CComboBox*>("grabOutputList");
        auto* showList = board->findChild<QComboBox*>("showTypeList");
        outputList->onListViewClicked(outputList->model()->index(clickedRow, 0));
        QCOMPARE(QString::fromStdString(nodeValue(m_camera, qPrintable(feature))), featureValue);
        if (!chosen.isEmpty()) {
            if (showList->findText(chosen) < 0)
                showList->addItem(chosen);
            showList->setCurrentText(chosen);
        }
        QCOMPARE(showList->currentText(), shown);
        QCOMPARE(Corvid::GetImageViewRecord(m_camera.toStdString()).slImageShowMode, showMode);
        // Back to what the camera opened with.
        setNode(m_camera, qPrintable(feature), featureValue == "True" ? "0" : "1");
    }

    void emptyCheckListOffersDash()
    {
        auto board = boardFor(m_other);
        board->show();
        auto* outputList = board->findChild<CComboBox*>("grabOutputList");
        outputList->showPopup();
        QCOMPARE(outputList->findText("-"), -1);
        QTest::keyClick(outputList->view(), Qt::Key_Escape);
        QCOMPARE(checkList(outputList).last(), QStringLiteral("-*"));
        QCOMPARE(comboTexts(board->findChild<QComboBox*>("showTypeList")), QStringList{"-"});
    }

    void denoisingShowsItsRows()
    {
        // This camera has no Radius: its row shows, without editor.
        auto board = boardFor(m_other);
        ToolPageWidgetItem* radius = row(board.get(), "Radius");
        ToolPageWidgetItem* neighborhoods = row(board.get(), "Neighborhoods");
        QVERIFY(radius->isHidden() && neighborhoods->isHidden());
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
        QFETCH(QString, expected);
        auto board = boardFor(m_camera);
        QTest::mouseClick(row(board.get(), "SensorMethod"), Qt::LeftButton);
        board->setLanguage(language);
        QTest::mouseClick(row(board.get(), title), Qt::LeftButton);
        QCOMPARE(description(board.get()), expected);
    }

    void periodicTrigger()
    {
        auto board = boardFor(m_camera);
        auto* triggerSwitch = board->findChild<SwitchButton*>("triggerSwitch");
        auto* interval = board->findChild<QSpinBox*>("triggerIntervalBox");
        auto* timer = board->findChild<QTimer*>("triggerTimer");
        QCOMPARE(triggerSwitch->parentWidget()->objectName(), QStringLiteral("triggerLine"));
        interval->setValue(1);
        const int before = triggerCount(m_camera);
        triggerSwitch->click();
        QVERIFY(!interval->isEnabled());
        QTRY_VERIFY(triggerCount(m_camera) >= before + 3);

        triggerSwitch->click();
        QVERIFY(!timer->isActive());
        QVERIFY(interval->isEnabled());
        const int stopped = triggerCount(m_camera);
        QTest::qWait(30);
        QCOMPARE(triggerCount(m_camera), stopped);
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

        board->findChild<QPushButton*>("userSetExecuteButton")->click();
        QCOMPARE(nodeValue(m_camera, "Light1Value"), std::string("33"));
        QTRY_COMPARE(light1->value(), 33);
        QVERIFY(checkList(board->findChild<CComboBox*>("grabOutputList")).contains("Quality Image*"));

        // The factory set cannot be overwritten.
        setNode(m_camera, "UserSetSelector", "Default");
        setNode(m_camera, "UserSetSave", "");
        setNode(m_camera, "UserSetLoad", "");
        QCOMPARE(nodeValue(m_camera, "Light1Value"), std::string("80"));
        QCOMPARE(nodeValue(m_camera, "QualityImage"), std::string("False"));
    }

    void lockDisablesThePanel()
    {
        auto board = boardFor(m_camera);
        auto editors = [&] {
            QList<bool> enabled;
            for (ToolPageWidgetItem* item : allRows(board.get()))
                if (item->widget())
                    enabled << item->widget()->isEnabled();
            enabled << board->findChild<SwitchButton*>("triggerSwitch")->isEnabled();
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

QTEST_MAIN(TestPanel)

#include "tst_panel.moc"
