#pragma once

#include "options.h"

#include <QHash>
#include <QMainWindow>
#include <QString>

class CamPane;
class HostEvents;
class ImageView;
class LanguageCatalogue;
class QTreeWidgetItem;

namespace Ui {
class MainWindow;
}

// camview's window: the device list of the camera service on the left, the
// embedded CamPane on the right, and the host's events (focus, language,
// lock, usability, import notices, tab visibility) in menus and a tool bar.
//
// The camera service must run before the window is created.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(const CamviewOptions& options, LanguageCatalogue* catalogue, QWidget* parent = nullptr);
    ~MainWindow() override;

    CamPane* pane() const { return m_pane; }
    ImageView* imageView() const { return m_imageView; }

    //! Adds the devices of the command line, announces the language and,
    //! once the service has delivered its device lists, focuses the chosen
    //! device; then emits ready().
    void start();

    //! Writes a PNG of the window; false when it cannot be written.
    bool saveScreenshot(const QString& fileName);

signals:
    //! Every device list so far is handled and the focused board is shown.
    void ready();

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void onDeviceListChanged();
    void onServiceFocusChanged(int type, const QString& id);
    void onDeviceTreeSelectionChanged();
    void onLanguageActionTriggered();
    void onSaveScreenshotTriggered();
    void onSettingsActionTriggered();

private:
    struct Selection
    {
        QString id;
        bool isCard = false;
    };

    Selection selectedDevice() const;
    void updateActions();
    void selectDevice(const QString& id);
    void sendPendingFocus();
    void setLock(const char* lockText);
    void setUsable(bool usable);
    void retranslateTree();

    Ui::MainWindow* ui;
    CamviewOptions m_options;
    LanguageCatalogue* m_catalogue;
    CamPane* m_pane = nullptr;
    ImageView* m_imageView = nullptr;
    HostEvents* m_hostEvents = nullptr;
    QTreeWidgetItem* m_camerasItem = nullptr;
    QTreeWidgetItem* m_cardsItem = nullptr;
    bool m_started = false;
    //! The focus the command line asked for waits for its device.
    bool m_focusPending = true;
    //! Usability of each device at the last refresh of the list.
    QHash<QString, bool> m_usable;
};
