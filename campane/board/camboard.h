#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

namespace Ui {
class CamBoard;
}

// The widget that shows one device: a camera or a frame-grabber card of the
// camera service, or no device at all (the manager's default board).
//
// The board manager creates boards, sets m_restricted and m_isCard right after
// construction, binds each board once to its device with setDeviceId and then
// drives it through the operations below, all on the GUI thread (apart from
// setRoiPosition, see there). A board is deleted with deleteLater() after
// disableView().
//
// This board shows the device's identity on its "Param Setting" tab and the
// search field and user-level selector of its "All Attribute" tab.
class CamBoard : public QWidget
{
    Q_OBJECT

public:
    explicit CamBoard(QWidget* parent = nullptr);
    ~CamBoard() override;

    //! Binds the board to the device (once) and builds its panel.
    void setDeviceId(QString id);
    //! Builds the panel again for the bound device.
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
    //! Stops reading the device; called before the board is deleted.
    void disableView();
    //! Puts the user level stored in the host into the level selector.
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

private slots:
    void onFilterChanged();
    void onRealUpdateTimerTimeout();

private:
    void retranslateTabs();
    void showDeviceSummary();

    Ui::CamBoard* ui;
    int m_language = 0;
    QWidget* m_lockWidget = nullptr;
    QString m_deviceId;
    QWidget* m_panelPage = nullptr;
    QWidget* m_attributePage = nullptr;
    QTimer m_realUpdateTimer;
};
