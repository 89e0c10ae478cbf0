#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QModelIndex;
class QPushButton;
class QSpinBox;
class QTextBrowser;
class QTimer;
class SelectedButton;
class SwitchButton;
class ToolPageWidgetItem;
class TreeModel;

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

    //! Binds the board to the device and builds its panel and feature tree.
    void setDeviceId(QString id);
    //! Adds the panel's tool boxes and builds the feature tree for the bound
    //! device (only the tool boxes when the device has no node map).
    void buildPanel();
    //! Shows or removes the "Param Setting" tab.
    void setPanelTabVisible(bool visible);
    //! Shows or removes the "All Attribute" tab.
    void setAttributeTabVisible(bool visible);
    //! Retranslates the board: 0 English, 1 Chinese.
    void setLanguage(int language);
    //! Fills the panel again from the device; the argument has no effect.
    void reloadPanel(bool);
    //! Disables, enables the lockable controls of the panel.
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
    //! ROI position notice; no effect. Called on the image view's thread, so it
    //! must not touch the widgets.
    void setRoiPosition(int leftX, int leftY, int rightX, int rightY);

    //! The device is of a kind whose panel slots return at once.
    bool m_restricted = false;
    //! The board shows a frame-grabber card.
    bool m_isCard = false;

signals:
    //! A panel row changed a feature that others depend on; the tree filters
    //! the rows below that feature again.
    void paramterRefreshing(QString nodeName);

private slots:
    void onSigSelectItemClick(const QModelIndex& index);
    void onCollapseButtonClicked();
    void onRealUpdateTimerTimeout();
    void onMainTabChanged(int index);

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
    void refreshPanel();
    int storedUserLevel() const;

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
    // Rows that the real-time timer refreshes.
    QList<ToolPageWidgetItem*> m_realTimeRows;

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
    QTimer* m_realUpdateTimer = nullptr;
    Ui::CamBoard* ui;

    friend class TestCamBoardManager;
};
