// A board's "Param Setting" panel over the real camera service and its
// simulated devices: the layout, and what its special widgets do (outputs,
// denoising, descriptions, the periodic trigger, user sets, the lock).
#include "boardtestsupport.h"

#include <QtTest>
#include <QtWidgets>

class TestCamBoardPanel : public BoardFixture
{
    Q_OBJECT

private slots:
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
        const auto row = [](const char* tag, int language, int clicked, const char* chosen, const char* shown,
                            int showMode, const char* feature, const char* value) {
            QTest::newRow(tag) << language << clicked << QString::fromUtf8(chosen) << QString::fromUtf8(shown)
                               << showMode << QString::fromLatin1(feature) << QString::fromLatin1(value);
        };
        row("unchecking the shown kind", 0, 1, "", "-", 0, "GSImage", "False");
        row("unchecking another kind", 0, 3, "", "GSImage", 2, "FrontImage", "False");
        row("Chinese text", 1, 5, "质量图", "质量图", 9, "QualityImage", "True");
        row("English text under Chinese", 1, 5, "Quality Image", "Quality Image", 0, "QualityImage", "True");
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

QTEST_MAIN(TestCamBoardPanel)

#include "tst_camboard_panel.moc"
