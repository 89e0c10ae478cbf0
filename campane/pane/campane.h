#pragma once

#include "campane_export.h"

#include <QString>
#include <QWidget>

namespace Ui {
class CamPane;
}

// The camera-parameter window that a host application embeds.
//
// It shows the parameters of the camera or frame-grabber card that has the
// host's focus: a "Param Setting" tab with the simplified panel and an
// "All Attribute" tab with every GenICam feature of the device. It follows the
// host's device list, focus, language, lock and import notices through the
// camera service by itself; the host only creates it, places it and uses the
// operations below.
//
// The host supplies the Qt application and the icons
// ":/Resources/icons/camera/fold.png" and ":/Resources/icons/camera/unfold.png"
// in its own resources.
class CAMPANE_EXPORT CamPane : public QWidget
{
    Q_OBJECT

public:
    explicit CamPane(QWidget* parent = nullptr);
    ~CamPane() override;

    //! Shows or removes the "Param Setting" tab of every board. With both tabs
    //! removed the whole pane is hidden.
    void setPanelWidgetVisiable(bool visible);
    //! Shows or removes the "All Attribute" tab of every board. With both tabs
    //! removed the whole pane is hidden.
    void setAllDetailWidgetVisiable(bool visible);
    //! The camera's board releases its feature tree and stops reading the
    //! device; for an id without a board nothing happens.
    void setParamterViewDisable(QString id);
    //! Builds the panel of the board shown when no device is focused; the mode
    //! has no further effect.
    void setDefaultCamPaneMode(int mode);

private:
    Ui::CamPane* ui;
    QWidget* m_manager;
};
