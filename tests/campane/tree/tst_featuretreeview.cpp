#include "featureeditdelegate.h"
#include "tests.h"

#include <Corvid/CorvidHost.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace GenApi;

// Opens the value's editor in the view and clicks its button.
static void clickExecute(const TreeFixture& tree, const QString& feature)
{
    const QModelIndex index = tree.value(feature);
    tree.view->setCurrentIndex(index);
    tree.view->edit(index);
    auto* button = tree.view->viewport()->findChild<QPushButton*>();
    QVERIFY(button);
    button->click();
}

void TestTree::filterByLevelAndText_data()
{
    QTest::addColumn<QString>("description"); // empty: the tree test device
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    // Shown and hidden features, separated by spaces.
    const auto row = [](const char* tag, int level, const char* text, const char* shown, const char* hidden,
                        const QString& description = QString()) {
        const auto list = [](const char* names) {
            return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        };
        QTest::newRow(tag) << description << level << QString::fromLatin1(text) << list(shown)
                           << list(hidden);
    };
    row("Beginner", 0, "", "ExposureTime Controls Network OptionValue",
        "ExpertValue GuruValue Levels ExpertOnly ExtraValue");
    row("Expert", 1, "", "ExpertValue Levels ExpertOnly", "GuruValue");
    row("Guru", 2, "", "ExpertValue GuruValue Levels", "");
    row("gain", 0, "gain", "Gain GainAuto Controls", "ExposureTime Network Status Commands");
    row("category names are not matched", 2, "network", "", "Network GevCurrentIPAddress");
    row("text and level", 1, "VALUE", "ExpertValue OptionValue", "GuruValue ExposureTime Network");
    // A feature whose reading children are features is a row of its own: its
    // level and name decide, its rows below do not hide it. Height reads the
    // Expert feature HeightRaw, Width the Beginner SensorWidth.
    const QString real = QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/node-real.xml");
    row("a feature above its rows' level", 0, "", "Height Width SensorWidth", "HeightRaw", real);
    row("text matches the feature", 2, "height", "Height HeightRaw", "Width", real);
    row("text matches a row below", 2, "raw", "Height HeightRaw", "Width SensorWidth", real);
}

void TestTree::filterByLevelAndText()
{
    QFETCH(QString, description);
    QFETCH(int, level);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    if (!description.isEmpty()) {
        m_tree.reset();
        QVERIFY(m_tree.open(description));
    }
    m_tree.view->setFilter(level, text);
    for (const QString& feature : shown)
        QVERIFY2(m_tree.isShown(feature), qPrintable(feature));
    for (const QString& feature : hidden)
        QVERIFY2(!m_tree.isShown(feature), qPrintable(feature));
    // Back to everything.
    m_tree.view->setFilter(2, QString());
    for (const QString& feature : hidden)
        QVERIFY2(m_tree.isShown(feature) || feature == QLatin1String("ExtraValue"), qPrintable(feature));
}

void TestTree::unavailableFeatureHiddenUntilRefiltered()
{
    QVERIFY(m_tree.isShown(QStringLiteral("OptionValue")));
    QVERIFY(!m_tree.isShown(QStringLiteral("ExtraValue")));
    m_tree.write("ExtraEnable", 1);
    QVERIFY(!m_tree.isShown(QStringLiteral("ExtraValue")));
    m_tree.view->commandRefreshing(QStringLiteral("Network")); // another category: no change here
    QVERIFY(!m_tree.isShown(QStringLiteral("ExtraValue")));
    m_tree.view->commandRefreshing(QStringLiteral("Availability"));
    QVERIFY(m_tree.isShown(QStringLiteral("ExtraValue")));
    m_tree.view->commandRefreshing(QStringLiteral("NoSuchRow"));
    QVERIFY(m_tree.isShown(QStringLiteral("ExtraValue")));
}

void TestTree::missingAvailabilityNodeHidesNothing()
{
    TreeFixture tree;
    QTest::ignoreMessage(QtWarningMsg, "Orphan: pIsAvailable names the missing node \"NoSuchNode\"; shown");
    QVERIFY(tree.open(treeTestData(QStringLiteral("tree-missing-availability.xml"))));
    tree.view->setFilter(0, QString()); // reported once
    QVERIFY(tree.isShown(QStringLiteral("Orphan")));
    QVERIFY(tree.isShown(QStringLiteral("Neighbour")));
    QCOMPARE(tree.value(QStringLiteral("Neighbour")).data().toLongLong(), qlonglong(6));
}

void TestTree::writesRefilter()
{
    m_tree.write("ExtraEnable", 1);
    // Another enumeration, written with the current row in Controls: the
    // Availability rows are not tested again.
    const QModelIndex gainAuto = m_tree.value(QStringLiteral("GainAuto"));
    m_tree.view->setCurrentIndex(gainAuto);
    QVERIFY(m_tree.model->setData(gainAuto, QStringLiteral("Once")));
    QVERIFY(!m_tree.isShown(QStringLiteral("ExtraValue")));

    // An integer written in Availability: its siblings are.
    const QModelIndex optionEnable = m_tree.value(QStringLiteral("OptionEnable"));
    m_tree.view->setCurrentIndex(optionEnable);
    QVERIFY(m_tree.model->setData(optionEnable, 0.0));
    QVERIFY(!m_tree.isShown(QStringLiteral("OptionValue")));
    QVERIFY(m_tree.isShown(QStringLiteral("ExtraValue")));

    // The working mode refilters the whole tree, wherever the current row is.
    QVERIFY(!m_tree.isShown(QStringLiteral("PreciseIterations")));
    m_tree.view->setCurrentIndex(m_tree.value(QStringLiteral("ExposureTime")));
    QVERIFY(m_tree.model->setData(m_tree.value(QStringLiteral("WorkingMode")), QStringLiteral("Precise")));
    QVERIFY(m_tree.isShown(QStringLiteral("PreciseIterations")));
}

void TestTree::expandingRefilters()
{
    const QModelIndex availability = m_tree.feature(QStringLiteral("Availability"));
    m_tree.view->collapse(availability);
    m_tree.write("OptionEnable", 0);
    QVERIFY(m_tree.isShown(QStringLiteral("OptionValue")));
    m_tree.view->expand(availability);
    QVERIFY(!m_tree.isShown(QStringLiteral("OptionValue")));
    // Expanding every row at once filters them once, after the last one.
    m_tree.view->collapseAll();
    m_tree.write("OptionEnable", 1);
    m_tree.view->expandAllBelow();
    QVERIFY(m_tree.view->isExpanded(availability));
    QVERIFY(m_tree.isShown(QStringLiteral("OptionValue")));
}

void TestTree::commands_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QStringList>("announced");
    QTest::newRow("TriggerSoftware runs directly") << "TriggerSoftware" << QStringList{};
    QTest::newRow("other commands are announced") << "ClearCounters" << QStringList{"ClearCounters"};
}

void TestTree::commands()
{
    QFETCH(QString, feature);
    QFETCH(QStringList, announced);
    QSignalSpy executed(m_tree.view.get(), &FeatureTreeView::commandExecute);
    clickExecute(m_tree, feature);
    QStringList names;
    for (const QList<QVariant>& arguments : executed)
        names << arguments.at(0).toString();
    QCOMPARE(names, announced);
    QCOMPARE(m_tree.onDevice(feature), QVariant(qlonglong(1)));
    QVERIFY(FeatureTreeView::commandGuard());
}

void TestTree::commandGuardIgnoresASecondRun()
{
    // A read-only command does nothing.
    FeatureTreeView* view = m_tree.view.get();
    view->setCurrentIndex(m_tree.value(QStringLiteral("ReadOnlyCommand")));
    auto* delegate = qobject_cast<FeatureEditDelegate*>(view->itemDelegateForColumn(1));
    QSignalSpy executed(view, &FeatureTreeView::commandExecute);
    m_tree.device->ResetStatistics();
    emit delegate->CommandClicked(false);
    QCOMPARE(executed.count(), 0);
    QCOMPARE(m_tree.device->GetStatistics().registerWrites, uint64_t(0));

    // While a command runs, a second click (its button's signal is blocked)
    // and a second run of the slot both do nothing.
    int nested = 0;
    bool guardDuringRun = true;
    connect(view, &FeatureTreeView::commandExecute, this, [&] {
        guardDuringRun = FeatureTreeView::commandGuard();
        emit delegate->CommandClicked(false);
        QMetaObject::invokeMethod(view, "onDelegateCommandClicked", Q_ARG(bool, false));
        ++nested;
    });
    clickExecute(m_tree, QStringLiteral("ClearCounters"));
    QCOMPARE(nested, 1);
    QCOMPARE(executed.count(), 1);
    QVERIFY(!guardDuringRun);
    QVERIFY(FeatureTreeView::commandGuard());
}

void TestTree::deviceResetGoesThroughTheCameraService()
{
    QTemporaryDir dir;
    Corvid::ServiceOptions options;
    options.defaultDevices = false;
    options.settingsFile = dir.filePath(QStringLiteral("settings.ini")).toStdString();
    QCOMPARE(Corvid::StartService(options), 0);
    const std::string id =
        Corvid::AddSimulatedCamera(treeTestData(QStringLiteral("tree-features.xml")).toStdString());
    QVERIFY(!id.empty());
    INodeMap* nodeMap = Corvid::GetAttrNodeMap(Corvid::FOCUS_CAMERA, id, Corvid::NODEMAP_REMOTE_DEVICE);
    QVERIFY(nodeMap);
    {
        TreeFixture tree;
        tree.build(nodeMap);
        tree.view->setDeviceId(QString::fromStdString(id));
        QSignalSpy executed(tree.view.get(), &FeatureTreeView::commandExecute);
        clickExecute(tree, QStringLiteral("DeviceReset"));
        QCOMPARE(executed.count(), 1);
        QCOMPARE(executed.at(0).at(0).toString(), QStringLiteral("DeviceReset"));
        QCOMPARE(tree.onDevice(QStringLiteral("DeviceReset")), QVariant(qlonglong(1)));
    }
    Corvid::StopService();
}

void TestTree::headerRetranslated()
{
    QVERIFY(m_tree.model->setHeaderData(0, Qt::Horizontal, QStringLiteral("x"), Qt::EditRole));
    QEvent languageChange(QEvent::LanguageChange);
    QCoreApplication::sendEvent(m_tree.view.get(), &languageChange);
    QCOMPARE(m_tree.model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Feature"));
}

void TestTree::columnsShareTheWidth()
{
    FeatureTreeView* view = m_tree.view.get();
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    // The resize events of a scroll area are its viewport's.
    view->resize(703, 500);
    QCOMPARE(view->viewport()->width() % 2, 1);
    QCOMPARE(view->columnWidth(0), view->viewport()->width() / 2);
    QVERIFY(view->columnWidth(1) >= view->viewport()->width() / 2); // the last section stretches
    QCOMPARE(view->header()->sectionResizeMode(0), QHeaderView::Fixed);
}

void TestTree::tickReadsEachVisibleValueOnce_data()
{
    QTest::addColumn<QString>("description");
    QTest::newRow("structured-light camera") << deviceDescription(QStringLiteral("kvx-slp-camera.xml"));
    QTest::newRow("tree test device") << treeTestData(QStringLiteral("tree-features.xml"));
}

void TestTree::tickReadsEachVisibleValueOnce()
{
    QFETCH(QString, description);
    TreeFixture tree;
    QVERIFY(tree.open(description));
    tree.view->resize(800, 4000); // every row on screen
    tree.view->grab();
    int shownValues = 0;
    for (QModelIndex index = tree.view->indexAt(QPoint(1, 1)); index.isValid();
         index = tree.view->indexBelow(index)) {
        if (tree.model->rowCount(index) == 0)
            ++shownValues;
    }
    QVERIFY(shownValues > 5);

    // One tick, painted twice (as a hover or an expand would repaint it).
    tree.model->startRefreshTick();
    tree.device->ResetStatistics();
    tree.view->grab();
    const uint64_t firstPaint = tree.device->GetStatistics().registerReads;
    tree.view->grab();
    QCOMPARE(tree.device->GetStatistics().registerReads, firstPaint);
    QVERIFY2(firstPaint <= uint64_t(shownValues),
             qPrintable(QStringLiteral("%1 reads for %2 values").arg(firstPaint).arg(shownValues)));
    qInfo("%s: %d values shown, %llu register reads per tick", qPrintable(QFileInfo(description).fileName()),
          shownValues, static_cast<unsigned long long>(firstPaint));
}
