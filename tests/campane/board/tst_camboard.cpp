// A board over the real camera service and its simulated devices: the
// description text, the feature tree by user level, search and languages.
// (Its "Param Setting" panel is in tst_camboard_panel.cpp.)
#include "boardtestsupport.h"

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

class TestCamBoard : public BoardFixture
{
    Q_OBJECT

private slots:
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

    // A tree gathered on a worker thread shows what one built at once shows:
    // the same rows, first values and hidden rows, at the stored level and
    // with a search text typed before the build.
    void treeGatheredOnAWorker_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("search");
        QTest::newRow("camera, Beginner") << 0 << "0"
                                          << "";
        QTest::newRow("camera, Guru, search") << 0 << "2"
                                              << "Width";
        QTest::newRow("dual camera, Expert") << 1 << "1"
                                             << "";
    }
    void treeGatheredOnAWorker()
    {
        QFETCH(int, device);
        QFETCH(QString, level);
        QFETCH(QString, search);
        QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, level.toStdString()), 0);
        QStringList trees[2];
        for (const int workerNodes : {1 << 30, 0}) {
            CamBoard board;
            board.m_treeWorkerNodes = workerNodes;
            part<QLineEdit>(&board, "edit_search")->setText(search);
            board.setDeviceId(device == 0 ? m_camera : m_dual);
            QTRY_VERIFY(treeModel(&board));
            QAbstractItemModelTester tester(treeModel(&board));
            QStringList& rows = trees[workerNodes == 0 ? 1 : 0];
            std::function<void(const QModelIndex&, int)> dump = [&](const QModelIndex& parent, int depth) {
                for (int row = 0; row < treeModel(&board)->rowCount(parent); ++row) {
                    const QModelIndex index = treeModel(&board)->index(row, 0, parent);
                    TreeItem* item = treeModel(&board)->itemFromIndex(index);
                    // The simulated temperatures move between two reads.
                    const bool moving = item->name().contains("Temperature");
                    rows << QString(depth, '-') + item->cachedData(0).toString() + " = " +
                                (moving ? "?" : item->cachedData(1).toString()) +
                                (treeView(&board)->isRowHidden(row, parent) ? " (hidden)" : "");
                    dump(index, depth + 1);
                }
            };
            dump(QModelIndex(), 0);
        }
        QVERIFY(trees[0].size() > 50);
        QCOMPARE(trees[1], trees[0]);
        // A board that goes while its tree is gathered stops the gathering.
        auto gone = std::make_unique<CamBoard>();
        gone->m_treeWorkerNodes = 0;
        gone->setDeviceId(m_camera);
        gone.reset();
        QTest::qWait(50);
    }
};

QTEST_MAIN(TestCamBoard)

#include "tst_camboard.moc"
