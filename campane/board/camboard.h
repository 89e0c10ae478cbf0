#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include "featuretreeview.h"
#include "treebuilder.h"

#include <atomic>
#include <memory>

class CComboBox;
class CToolBox;
class QComboBox;
class QModelIndex;
class QPushButton;
class QSpinBox;
class QTextBrowser;
class QThread;
class QTimer;
class SelectedButton;
class SwitchButton;
class ToolPageWidgetItem;
class ToolPageWidget;
class TreeModel;

namespace GenApi {
struct INodeMap;
}

namespace Ui {
class CamBoard;
}

// The widget that shows one device, a camera or a frame-grabber card of the
// camera service, or no device at all (the manager's default board).
//
// Two tabs sit above a foldable description page: "Param Setting", the
// simplified panel of tool boxes, and "All Attribute", every feature of the
// device's node map in a tree that can be searched by name and filtered by
// user level. Selecting a feature shows its description below.
//
// The board manager creates boards, sets m_restricted and m_isCard right after
// construction, binds each board once to its device with setDeviceId and then
// drives it through the public operations, all on the GUI thread (apart from
// setRoiPosition, see there). A board is deleted with deleteLater() after
// disableView().
class CamBoard : public QWidget
{
    Q_OBJECT

public:
    explicit CamBoard(QWidget* parent = nullptr);
    ~CamBoard() override;

    //! Binds the board to the device and builds its panel and feature tree
    //! (a hidden board with m_deferBuild: when it is first shown).
    void setDeviceId(QString id);
    //! Adds the panel's tool boxes and builds their rows and the feature tree
    //! for the bound device (only the tool boxes when the device has no node
    //! map, or while a deferred build waits).
    void buildPanel();
    //! Builds the rows and the tree that a deferred board left for later;
    //! nothing when they are built, were never deferred, or the view is
    //! disabled. The manager calls it just before the board is shown.
    void buildDeferredParts();
    //! Shows or removes the "Param Setting" tab.
    void setPanelTabVisible(bool visible);
    //! Shows or removes the "All Attribute" tab.
    void setAttributeTabVisible(bool visible);
    //! Retranslates the board: 0 English, 1 Chinese.
    void setLanguage(int language);
    //! Empties the panel's tool boxes and builds their groups and rows again
    //! from the device; the argument has no effect.
    void reloadPanel(bool);
    //! Disables, enables the lockable controls of the panel: every row's
    //! editor and the periodic trigger. The state outlasts a reload.
    void lockPanel();
    void unlockPanel();
    //! Stops reading the device and the board's timers; called before the
    //! board is deleted.
    void disableView();
    //! Puts the user level stored in the host into the level selector, which
    //! filters the tree.
    void loadUserLevel();
    //! Image-mode notice; no effect.
    void setImageMode(int mode);
    //! ROI position notice: the region drawn on the host's image view, in
    //! image coordinates. During the drawing phase the four rows take it, as
    //! if they were edited, on the GUI thread (it may be called on another).
    void setRoiPosition(int leftX, int leftY, int rightX, int rightY);
    //! The host's image view ended the drawing phase (Escape): as if the
    //! selection button went off. Thread-safe like setRoiPosition.
    void endRoiDrawing();

    //! The device is of a kind whose panel slots return at once.
    bool m_restricted = false;
    //! The board shows a frame-grabber card.
    bool m_isCard = false;
    //! A hidden board builds its panel rows and its feature tree (every
    //! feature's item and first value) only when it is first shown: boards of
    //! devices nobody looks at cost the GUI thread next to nothing. Set by the
    //! manager before setDeviceId.
    bool m_deferBuild = false;
    //! A node map of more nodes than this has its tree's items and first
    //! values gathered on a worker thread, and the tree shows them once they
    //! are all read: the GUI thread goes on handling events meanwhile. A
    //! smaller one is built at once, so that the board's first paint has it.
    //! At 10,000 nodes (a camera of some 5,000 features) the first values
    //! alone are hundreds of register reads: over GigE Vision on a busy
    //! machine they held the GUI thread for 110 to 260 ms.
    int m_treeWorkerNodes = 8000;

signals:
    //! A panel row changed a feature that others depend on; the tree filters
    //! the rows below that feature again.
    void paramterRefreshing(QString nodeName);

private slots:
    void onSigSelectItemClick(const QModelIndex& index);
    void onCollapseButtonClicked();
    void onRealUpdateTimerTimeout();
    void onMainTabChanged(int index);

    // The panel's behaviours.
    void onToolPageWidgetItemClicked();
    void onTriggerSwitchButtonClicked();
    void onTriggerTimeout();
    void onUserSetLoadButtonClicked();
    void on2DGrabOutputChanged(int index, bool status, bool isSingleMachine = false);
    void on2DShowTypeChanged(int index);
    void onRoiSelectedButtonClicked();
    void onDrawParametersButtonClicked();
    void onExecDrawButtonClicked();
    void onResetImageSizeButtonClicked();
    //! setRoiPosition on the GUI thread.
    void applyRoiPosition(int leftX, int leftY, int rightX, int rightY);

private:
    // Connected to the search text and the level selector by the
    // constructor (not a slot: its name would look like an automatic
    // connection to an object called "filter").
    void on_filter_changed();
    void createPanelControls();
    void setUpSearchButton();
    void setUpCollapseButton();
    void showCollapseState(bool collapsed);
    void buildFeatureTree();
    //! Shows gathered items as the board's tree, filtered at the selected
    //! level and search text.
    void attachFeatureTree(TreeBuilder::Result built, PreparedFilter filter = PreparedFilter());
    //! Stops a gathering under way; its items are dropped.
    void cancelTreeGathering();
    //! Stops it and waits for its worker thread to end.
    void endTreeGathering();
    void disableSpinBoxMenus();
    void refreshPanel();
    int storedUserLevel() const;

    // The structured-light layout (structuredlightlayout.cpp).
    bool buildLayout();
    void buildStructuredLightLayout(GenApi::INodeMap* nodeMap);
    void clearPanel();
    ToolPageWidgetItem* addNodeRow(ToolPageWidget* group, GenApi::INodeMap* nodeMap, const QString& node,
                                   const QStringList& title, const QStringList& description);
    ToolPageWidgetItem* addWidgetRow(ToolPageWidget* group, const QStringList& title,
                                     const QStringList& description, QWidget* widget);
    void createOutputWidgets();
    void createSamplingRateBox();
    void createUserSetButton();
    QWidget* createTriggerLine(ToolPageWidgetItem* triggerRow);
    void onGrabOutputPopupShown();
    void onGrabOutputPopupHidden();
    void onDenoisingChanged();
    void refresh2DOutputState();
    //! Whether the camera has the feature of an output kind and reads it on.
    //! A kind the camera lacks (any camera outside the structured-light
    //! family, every card) reads off and is noted at debug level once.
    bool outputKindOn(const char* feature);
    //! Hides the groups of the panel that have no row the device can show.
    void hideEmptyGroups();
    void rebuildShowTypeList();
    void applyLock();
    void retranslateTriggerLine();

    // The region of interest (roiselection.cpp).
    void setUpRoiControls();
    void addRoiRows(ToolPageWidget* group, GenApi::INodeMap* nodeMap);
    void retranslateRoiControls();
    //! Reads an integer feature of the camera: value (from the cache),
    //! minimum, maximum and increment. Returns 0 (also for a node that is
    //! not an integer, nothing read), -1 no node map, -2 no such node, -3 not
    //! readable, -4 a GenApi exception.
    int readIntegerFeature(const QString& name, qint64& value, qint64& minimum, qint64& maximum,
                           qint64& increment) const;
    //! Writes an integer feature with verification; statuses as above (-3
    //! not writable).
    int writeIntegerFeature(const QString& name, qint64 value);

    // Panel controls that the board owns outside every layout: the ROI
    // selection and the periodic software trigger.
    QSpinBox* roiWidthBox = nullptr;
    QSpinBox* roiHeightBox = nullptr;
    QSpinBox* roiOffsetXBox = nullptr;
    QSpinBox* roiOffsetYBox = nullptr;
    QPushButton* resetImageSizeButton = nullptr;
    QSpinBox* triggerIntervalBox = nullptr;
    SwitchButton* triggerSwitch = nullptr;
    SelectedButton* roiSelectButton = nullptr;
    QPushButton* roiExecuteButton = nullptr;
    QTimer* m_triggerTimer = nullptr;
    // The region that DrawROI handed out, and how far it may reach: Width
    // plus OffsetX and Height plus OffsetY when the drawing started.
    int roiId = 0;
    int roiRightLimit = 0;
    int roiBottomLimit = 0;
    // The camera's image-size rows, hidden while a region is drawn, and the
    // rows of the four spin boxes, shown only then.
    QList<ToolPageWidgetItem*> m_roiRows;
    QList<QWidget*> m_roiWidgets;
    QWidget* m_roiLine = nullptr;
    // Rows that the real-time timer refreshes.
    QList<ToolPageWidgetItem*> m_realTimeRows;

    // Widgets of the structured-light layout, rebuilt with it.
    CComboBox* grabOutputList = nullptr;
    QComboBox* showTypeList = nullptr;
    QComboBox* samplingRateBox = nullptr;
    QPushButton* userSetExecuteButton = nullptr;
    ToolPageWidgetItem* m_radiusRow = nullptr;
    ToolPageWidgetItem* m_neighborhoodsRow = nullptr;
    // The periodic trigger's line below the "TriggerSoftware" row.
    QWidget* m_triggerLine = nullptr;
    bool m_locked = false;
    // The output-kind features that the device lacks, noted once.
    QSet<QByteArray> m_absentKinds;

    ToolPageWidgetItem* m_selectedRow = nullptr;
    ToolPageWidgetItem* m_lockRow = nullptr;
    int m_language = 0;
    QWidget* m_lockWidget = nullptr;
    bool m_isStructuredLight = false;
    QString m_deviceId;
    QTextBrowser* m_descriptionBrowser = nullptr;
    QWidget* m_panelPage = nullptr;
    QWidget* m_attributePage = nullptr;
    TreeModel* m_treeModel = nullptr;
    // The node map the rows and the tree were built from: they hold raw
    // pointers to its nodes, so the board keeps it (and its device's
    // connection) for as long as they live.
    std::shared_ptr<GenApi::INodeMap> m_nodeMap;
    // Set to stop the tree's gathering under way on its worker thread.
    std::shared_ptr<std::atomic<bool>> m_treeCancel;
    QPointer<QThread> m_treeWorker;
    // The rows and the tree wait for buildDeferredParts().
    bool m_buildPending = false;
    bool m_reloadPending = false;
    QTimer* m_realUpdateTimer = nullptr;
    Ui::CamBoard* ui;

    friend class TestCamBoardManager;
    friend class TestRoi;
};
