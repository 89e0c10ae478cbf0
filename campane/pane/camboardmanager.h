#pragma once

#include "panemetatypes.h"

#include <QMap>
#include <QMutex>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <string>

class CamBoard;
class DeviceListUpdate;
class FocusUpdate;
class LanguageUpdate;
class ROIUpdate;
class ImageModeUpdate;
class ImportUpdate;

namespace Ui {
class CamBoardManager;
}

// The widget inside CamPane that turns the camera service's notifications
// into boards: one CamBoard per usable camera and per usable frame-grabber
// card, plus a default board shown when no device board applies. It shows the
// focused device's board and passes language, import, lock and visibility
// changes on to every board. A device board is made at the device-list
// update but reads its panel rows and feature tree only when it is first
// shown, so that a list of many large devices does not hold up the GUI.
//
// The service calls the listener adapters on its own threads; they re-emit
// Qt signals over automatic connections, so all board work happens on the
// GUI thread. The ROI event is the exception: it is routed on the caller's
// thread, with the board lookup under m_mutex.
class CamBoardManager : public QWidget
{
    Q_OBJECT

public:
    explicit CamBoardManager(QWidget* parent = nullptr);
    ~CamBoardManager() override;

    void setPanelWidgetVisiable(bool visible);
    void setAllDetailWidgetVisiable(bool visible);
    void setParamterViewDisable(QString id);
    void setDefaultMode(int mode);

public slots:
    void onDeviceListUpdate(int source, QStringList cardList, QStringList camList,
                            QSharedPointer<bool> finishPointer);
    void onFoucusChanged(Corvid::FOCUS_TYPE type, QString id);
    void onImageModeUpdate(std::string id, int mode);
    void onROIPosChanged(std::string id, int leftX, int leftY, int rightX, int rightY, int operation,
                         int& roiId, bool& status);
    void onImportChanged(QString id);

private:
    CamBoard* createBoard(const QString& id, bool isCard, bool restricted);
    void removeBoard(QMap<QString, CamBoard*>& boards, const QString& id);
    void showBoard(CamBoard* board);
    void setLanguage(int language);

    DeviceListUpdate* m_deviceListUpdate;
    FocusUpdate* m_focusUpdate;
    LanguageUpdate* m_languageUpdate;
    ROIUpdate* m_roiUpdate;
    ImageModeUpdate* m_imageModeUpdate;
    ImportUpdate* m_importUpdate;
    CamBoard* m_defaultBoard;
    CamBoard* m_currentBoard = nullptr;
    QMap<QString, CamBoard*> m_cameraBoards;
    QMap<QString, CamBoard*> m_cardBoards;
    QMutex m_mutex;
    bool m_panelVisible = true;
    bool m_detailVisible = true;
    int m_language = 0;
    Ui::CamBoardManager* ui;

    friend class TestCamBoardManager;
};
