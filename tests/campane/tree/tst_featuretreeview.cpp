#include "featureeditdelegate.h"
#include "featuretreeview.h"
#include "tests.h"
#include "treeitem.h"
#include "treemodel.h"
#include "treetestsupport.h"

#include <Corvid/CorvidHost.h>

#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace GenApi;

class TestFeatureTreeView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void filterByLevelAndText_data();
    void filterByLevelAndText();
    void unavailableFeatureHiddenUntilRefiltered();
    void missingAvailabilityNodeHidesNothing();
    void workingModeRefiltersTheWholeTree();
    void otherWritesRefilterTheCurrentRowsSiblings();
    void expandingRefilters();
    void commands_data();
    void commands();
    void commandGuardIgnoresASecondRun();
    void deviceResetGoesThroughTheCameraService();
    void headerRetranslated();
    void columnsShareTheWidth();
    void selectionReported();
    void tickReadsEachVisibleValueOnce_data();
    void tickReadsEachVisibleValueOnce();

private:
    bool isShown(const QString& feature) const;
    void clickExecute(const QString& feature);

    std::unique_ptr<CDeviceConnection> m_device;
    std::unique_ptr<TreeModel> m_model;
    std::unique_ptr<FeatureTreeView> m_view;
};

void TestFeatureTreeView::init()
{
    m_device = openSimulated(treeTestData(QStringLiteral("tree-features.xml")));
    QVERIFY(m_device);
    m_model = buildModel(m_device->GetNodeMap());
    m_view = std::make_unique<FeatureTreeView>();
    m_view->setModel(m_model.get());
    m_view->resize(600, 900);
    m_view->expandAllBelow();
    m_view->setFilter(0, QString());
}

void TestFeatureTreeView::cleanup()
{
    m_view.reset();
    m_model.reset();
    m_device.reset();
}

// Shown: neither the row nor any row above it is hidden.
bool TestFeatureTreeView::isShown(const QString& feature) const
{
    QModelIndex index = findFeature(*m_model, feature);
    if (!index.isValid())
        return false;
    for (; index.isValid(); index = index.parent()) {
        if (m_view->isRowHidden(index.row(), index.parent()))
            return false;
    }
    return true;
}

void TestFeatureTreeView::clickExecute(const QString& feature)
{
    const QModelIndex index = findValue(*m_model, feature);
    m_view->setCurrentIndex(index);
    m_view->edit(index);
    auto* button = m_view->viewport()->findChild<QPushButton*>();
    QVERIFY(button);
    button->click();
}

void TestFeatureTreeView::filterByLevelAndText_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    QTest::newRow("Beginner") << 0 << QString()
                              << QStringList{"ExposureTime", "Controls", "Network", "OptionValue"}
                              << QStringList{"ExpertValue", "GuruValue", "Levels", "ExpertOnly",
                                             "ExtraValue"};
    QTest::newRow("Expert") << 1 << QString() << QStringList{"ExpertValue", "Levels", "ExpertOnly"}
                            << QStringList{"GuruValue"};
    QTest::newRow("Guru") << 2 << QString() << QStringList{"ExpertValue", "GuruValue", "Levels"}
                          << QStringList{};
    QTest::newRow("gain") << 0 << QStringLiteral("gain") << QStringList{"Gain", "GainAuto", "Controls"}
                          << QStringList{"ExposureTime", "Network", "Status", "Commands"};
    QTest::newRow("category names are not matched")
        << 2 << QStringLiteral("network") << QStringList{} << QStringList{"Network", "GevCurrentIPAddress"};
    QTest::newRow("text and level") << 1 << QStringLiteral("VALUE")
                                    << QStringList{"ExpertValue", "OptionValue"}
                                    << QStringList{"GuruValue", "ExposureTime", "Network"};
}

void TestFeatureTreeView::filterByLevelAndText()
{
    QFETCH(int, level);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    m_view->setFilter(level, text);
    for (const QString& feature : shown)
        QVERIFY2(isShown(feature), qPrintable(feature));
    for (const QString& feature : hidden)
        QVERIFY2(!isShown(feature), qPrintable(feature));
    // Back to everything.
    m_view->setFilter(2, QString());
    for (const QString& feature : hidden)
        QVERIFY2(isShown(feature) || feature == QLatin1String("ExtraValue"), qPrintable(feature));
}

void TestFeatureTreeView::unavailableFeatureHiddenUntilRefiltered()
{
    QVERIFY(isShown(QStringLiteral("OptionValue")));
    QVERIFY(!isShown(QStringLiteral("ExtraValue")));
    CIntegerPtr(m_device->GetNodeMap()->GetNode("ExtraEnable"))->SetValue(1);
    QVERIFY(!isShown(QStringLiteral("ExtraValue")));
    m_view->commandRefreshing(QStringLiteral("Network")); // another category: no change here
    QVERIFY(!isShown(QStringLiteral("ExtraValue")));
    m_view->commandRefreshing(QStringLiteral("Availability"));
    QVERIFY(isShown(QStringLiteral("ExtraValue")));
    m_view->commandRefreshing(QStringLiteral("NoSuchRow"));
    QVERIFY(isShown(QStringLiteral("ExtraValue")));
}

void TestFeatureTreeView::missingAvailabilityNodeHidesNothing()
{
    auto device = openSimulated(treeTestData(QStringLiteral("tree-missing-availability.xml")));
    QVERIFY(device);
    auto model = buildModel(device->GetNodeMap());
    FeatureTreeView view;
    view.setModel(model.get());
    QTest::ignoreMessage(QtWarningMsg, "Orphan: pIsAvailable names the missing node \"NoSuchNode\"; shown");
    view.expandAllBelow();
    view.setFilter(2, QString());
    view.setFilter(0, QString()); // reported once
    const QModelIndex orphan = findFeature(*model, QStringLiteral("Orphan"));
    const QModelIndex neighbour = findFeature(*model, QStringLiteral("Neighbour"));
    QVERIFY(!view.isRowHidden(orphan.row(), orphan.parent()));
    QVERIFY(!view.isRowHidden(neighbour.row(), neighbour.parent()));
    QVERIFY(!view.isRowHidden(orphan.parent().row(), orphan.parent().parent()));
    QCOMPARE(findValue(*model, QStringLiteral("Neighbour")).data().toLongLong(), qlonglong(6));
}

void TestFeatureTreeView::workingModeRefiltersTheWholeTree()
{
    QVERIFY(!isShown(QStringLiteral("PreciseIterations")));
    CIntegerPtr(m_device->GetNodeMap()->GetNode("ExtraEnable"))->SetValue(1);
    // The current row is elsewhere: only the working mode refilters everything.
    m_view->setCurrentIndex(findValue(*m_model, QStringLiteral("ExposureTime")));
    QVERIFY(m_model->setData(findValue(*m_model, QStringLiteral("WorkingMode")), QStringLiteral("Precise")));
    QVERIFY(isShown(QStringLiteral("PreciseIterations")));
    QVERIFY(isShown(QStringLiteral("ExtraValue")));
}

void TestFeatureTreeView::otherWritesRefilterTheCurrentRowsSiblings()
{
    CIntegerPtr(m_device->GetNodeMap()->GetNode("ExtraEnable"))->SetValue(1);
    // Another enumeration, written with the current row in Controls: the
    // Availability rows are not tested again.
    const QModelIndex gainAuto = findValue(*m_model, QStringLiteral("GainAuto"));
    m_view->setCurrentIndex(gainAuto);
    QVERIFY(m_model->setData(gainAuto, QStringLiteral("Once")));
    QVERIFY(!isShown(QStringLiteral("ExtraValue")));

    // An integer written in Availability: its siblings are.
    const QModelIndex optionEnable = findValue(*m_model, QStringLiteral("OptionEnable"));
    m_view->setCurrentIndex(optionEnable);
    QVERIFY(m_model->setData(optionEnable, 0.0));
    QVERIFY(!isShown(QStringLiteral("OptionValue")));
    QVERIFY(isShown(QStringLiteral("ExtraValue")));
}

void TestFeatureTreeView::expandingRefilters()
{
    const QModelIndex availability = findFeature(*m_model, QStringLiteral("Availability"));
    m_view->collapse(availability);
    CIntegerPtr(m_device->GetNodeMap()->GetNode("OptionEnable"))->SetValue(0);
    QVERIFY(isShown(QStringLiteral("OptionValue")));
    m_view->expand(availability);
    QVERIFY(!isShown(QStringLiteral("OptionValue")));
}

void TestFeatureTreeView::commands_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<qlonglong>("onDevice");
    QTest::addColumn<QStringList>("announced");
    QTest::newRow("TriggerSoftware runs directly") << "TriggerSoftware" << qlonglong(1) << QStringList{};
    QTest::newRow("other commands are announced")
        << "ClearCounters" << qlonglong(1) << QStringList{"ClearCounters"};
}

void TestFeatureTreeView::commands()
{
    QFETCH(QString, feature);
    QFETCH(qlonglong, onDevice);
    QFETCH(QStringList, announced);
    QSignalSpy executed(m_view.get(), &FeatureTreeView::commandExecute);
    clickExecute(feature);
    QStringList names;
    for (const QList<QVariant>& arguments : executed)
        names << arguments.at(0).toString();
    QCOMPARE(names, announced);
    const QByteArray reg = (feature + QStringLiteral("Reg")).toUtf8();
    QCOMPARE(qlonglong(deviceInteger(m_device->GetNodeMap(), reg.constData())), onDevice);
    QVERIFY(FeatureTreeView::commandGuard());
}

void TestFeatureTreeView::commandGuardIgnoresASecondRun()
{
    // A read-only command does nothing.
    const QModelIndex readOnly = findValue(*m_model, QStringLiteral("ReadOnlyCommand"));
    m_view->setCurrentIndex(readOnly);
    auto* delegate = qobject_cast<FeatureEditDelegate*>(m_view->itemDelegateForColumn(1));
    QSignalSpy executed(m_view.get(), &FeatureTreeView::commandExecute);
    m_device->ResetStatistics();
    emit delegate->CommandClicked(false);
    QCOMPARE(executed.count(), 0);
    QCOMPARE(m_device->GetStatistics().registerWrites, uint64_t(0));

    // While a command runs, a second click (its button's signal is blocked)
    // and a second run of the slot both do nothing.
    int nested = 0;
    bool guardDuringRun = true;
    connect(m_view.get(), &FeatureTreeView::commandExecute, this, [&] {
        guardDuringRun = FeatureTreeView::commandGuard();
        emit delegate->CommandClicked(false);
        QMetaObject::invokeMethod(m_view.get(), "onDelegateCommandClicked", Q_ARG(bool, false));
        ++nested;
    });
    clickExecute(QStringLiteral("ClearCounters"));
    QCOMPARE(nested, 1);
    QCOMPARE(executed.count(), 1);
    QVERIFY(!guardDuringRun);
    QVERIFY(FeatureTreeView::commandGuard());
}

void TestFeatureTreeView::deviceResetGoesThroughTheCameraService()
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
        auto model = buildModel(nodeMap);
        FeatureTreeView view;
        view.setModel(model.get());
        view.setDeviceId(QString::fromStdString(id));
        view.expandAllBelow();
        QSignalSpy executed(&view, &FeatureTreeView::commandExecute);
        const QModelIndex index = findValue(*model, QStringLiteral("DeviceReset"));
        view.setCurrentIndex(index);
        view.edit(index);
        auto* button = view.viewport()->findChild<QPushButton*>();
        QVERIFY(button);
        button->click();
        QCOMPARE(executed.count(), 1);
        QCOMPARE(executed.at(0).at(0).toString(), QStringLiteral("DeviceReset"));
        QCOMPARE(qlonglong(deviceInteger(nodeMap, "DeviceResetReg")), qlonglong(1));
    }
    Corvid::StopService();
}

void TestFeatureTreeView::headerRetranslated()
{
    QVERIFY(m_model->setHeaderData(0, Qt::Horizontal, QStringLiteral("x"), Qt::EditRole));
    QEvent languageChange(QEvent::LanguageChange);
    QCoreApplication::sendEvent(m_view.get(), &languageChange);
    QCOMPARE(m_model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Feature"));
    QCOMPARE(m_model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
}

void TestFeatureTreeView::columnsShareTheWidth()
{
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    // The resize events of a scroll area are its viewport's.
    m_view->resize(703, 500);
    QCOMPARE(m_view->viewport()->width() % 2, 1);
    QCOMPARE(m_view->columnWidth(0), m_view->viewport()->width() / 2);
    QVERIFY(m_view->columnWidth(1) >= m_view->viewport()->width() / 2); // the last section stretches
    QCOMPARE(m_view->header()->sectionResizeMode(0), QHeaderView::Fixed);
}

void TestFeatureTreeView::selectionReported()
{
    QSignalSpy selected(m_view.get(), &FeatureTreeView::SigSelectItem);
    const QModelIndex gain = findFeature(*m_model, QStringLiteral("Gain"));
    m_view->selectionModel()->select(gain, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toModelIndex(), gain);
}

void TestFeatureTreeView::tickReadsEachVisibleValueOnce_data()
{
    QTest::addColumn<QString>("description");
    QTest::newRow("structured-light camera") << deviceDescription(QStringLiteral("kvx-slp-camera.xml"));
    QTest::newRow("tree test device") << treeTestData(QStringLiteral("tree-features.xml"));
}

void TestFeatureTreeView::tickReadsEachVisibleValueOnce()
{
    QFETCH(QString, description);
    auto device = openSimulated(description);
    QVERIFY(device);
    auto model = buildModel(device->GetNodeMap());
    FeatureTreeView view;
    view.setModel(model.get());
    view.resize(800, 4000); // every row on screen
    view.expandAllBelow();
    view.setFilter(2, QString());
    view.grab();

    int shownValues = 0;
    for (QModelIndex index = view.indexAt(QPoint(1, 1)); index.isValid(); index = view.indexBelow(index)) {
        if (model->rowCount(index) == 0)
            ++shownValues;
    }
    QVERIFY(shownValues > 5);

    // One tick, painted twice (as a hover or an expand would repaint it).
    model->startRefreshTick();
    device->ResetStatistics();
    view.grab();
    const uint64_t firstPaint = device->GetStatistics().registerReads;
    view.grab();
    QCOMPARE(device->GetStatistics().registerReads, firstPaint);
    QVERIFY2(firstPaint <= uint64_t(shownValues),
             qPrintable(QStringLiteral("%1 reads for %2 values").arg(firstPaint).arg(shownValues)));
    qInfo("%s: %d values shown, %llu register reads per tick", qPrintable(QFileInfo(description).fileName()),
          shownValues, static_cast<unsigned long long>(firstPaint));
}

int runFeatureTreeViewTests(int argc, char** argv)
{
    TestFeatureTreeView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_featuretreeview.moc"
