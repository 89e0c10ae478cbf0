#pragma once

#include "featuretreeview.h"
#include "treemodel.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QModelIndex>
#include <QObject>
#include <QString>

#include <memory>

// The test descriptions of this folder and the project's device descriptions.
QString treeTestData(const QString& fileName);
QString deviceDescription(const QString& fileName);

// A simulated device (or another node map), the model built over every node
// of it as the board builds it, and a view over that model with every branch
// expanded and every level shown.
struct TreeFixture
{
    std::unique_ptr<GenApi::CDeviceConnection> device;
    std::unique_ptr<TreeModel> model;
    std::unique_ptr<FeatureTreeView> view;
    GenApi::INodeMap* nodeMap = nullptr;

    // False (with a warning) when the description cannot be opened.
    bool open(const QString& path = treeTestData(QStringLiteral("tree-features.xml")));
    void build(GenApi::INodeMap* map);
    void reset();

    // The first index, depth first, whose node has this name, and its value cell.
    QModelIndex feature(const QString& name) const;
    QModelIndex value(const QString& name) const;
    // Neither the row nor any row above it is hidden in the view.
    bool isShown(const QString& name) const;
    // What the device holds for a feature: its register "<name>Reg" (or the
    // string node itself), read past every cache.
    QVariant onDevice(const QString& name) const;
    void write(const char* node, int64_t value) const;
};

class FeatureEditDelegate;

// The tree's tests, each over a fresh fixture: the model in tst_treemodel.cpp,
// the editors in tst_featureeditdelegate.cpp, the view in tst_featuretreeview.cpp.
class TestTree : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_tree.reset(); }

    void modelContract_data();
    void modelContract();
    void structuralEdits();
    void displayTexts_data();
    void displayTexts();
    void unreadableValueIsNotAvailableAndNotKept();
    void refusedWrites_data();
    void refusedWrites();
    void realDescription_data();
    void realDescription();
    void oneDeviceReadPerTick();
    void goneDevice_data();
    void goneDevice();
    void translationFile_data();
    void translationFile();
    void translationsShownInLanguageOne();

    void editorFilledAndWrittenBack_data();
    void editorFilledAndWrittenBack();
    void noEditor_data();
    void noEditor();
    void typedValueIsNotReplaced();
    void lostDeviceOpensNoEditor();
    void readOnlyValuesPaintedGrey_data();
    void readOnlyValuesPaintedGrey();

    void filterByLevelAndText_data();
    void filterByLevelAndText();
    void unavailableFeatureHiddenUntilRefiltered();
    void missingAvailabilityNodeHidesNothing();
    void writesRefilter();
    void expandingRefilters();
    void commands_data();
    void commands();
    void commandGuardIgnoresASecondRun();
    void deviceResetGoesThroughTheCameraService();
    void headerRetranslated();
    void columnsShareTheWidth();
    void tickReadsEachVisibleValueOnce_data();
    void tickReadsEachVisibleValueOnce();

private:
    FeatureEditDelegate* delegate() const;
    QWidget* openEditor(const QString& feature, int column = 1) const;

    TreeFixture m_tree;
};
