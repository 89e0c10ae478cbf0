#pragma once

#include "logsink.h"
#include "options.h"

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>

class CamPane;
class HostEvents;
class ImageView;
class LanguageCatalogue;
class LogPanel;
class ProblemArea;
class QDockWidget;
class QLabel;
class QTimer;
class QToolButton;
class QTreeWidgetItem;

namespace Ui {
class MainWindow;
}

// camview's window: the device list of the camera service on the left, the
// embedded CamPane on the right, and the host's events (focus, language,
// lock, usability, import notices, tab visibility) in menus and a tool bar.
//
// The pane shows no failure itself; the window does: the status bar holds the
// last problem logged for the shown device (or for none), and the log panel
// (View menu) lists the log with time and device. The window owns the
// selection: after every device list and every language switch it sends the
// focus of the selected device again, so the pane shows that device's board.
//
// The camera service and the log sink (LogSink::install) must exist before
// the window is created.
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
    //! device; then emits ready(). A device named with --focus is waited for
    //! (--wait seconds); when it does not come, focusTimedOut() instead.
    void start();

    //! Writes a PNG of the window; false when it cannot be written.
    bool saveScreenshot(const QString& fileName);

    //! What start() could not do (devices of the command line that could
    //! not be added), one message each.
    QStringList startErrors() const { return m_startErrors; }
    //! The text of the status bar's problem area ("" when it shows none).
    QString problemText() const;
    LogPanel* logPanel() const { return m_logPanel; }

signals:
    //! Every device list so far is handled and the focused board is shown.
    void ready();
    //! The device named with --focus was not listed with a board in time.
    void focusTimedOut(const QString& message);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void onDeviceListChanged(const QStringList& cards, const QStringList& cameras);
    void onLogEntryAdded(const LogEntry& entry);
    void onServiceFocusChanged(int type, const QString& id);
    void onDeviceTreeSelectionChanged();
    void onLanguageActionTriggered();
    void onSaveScreenshotTriggered();
    void onSaveImageTriggered();
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
    void refreshDeviceList();
    //! Focuses the device of --focus (or the first camera) once a handled
    //! device list holds it usable; `allHandled`: every list so far is.
    void sendPendingFocus(const QStringList& cards, const QStringList& cameras, bool allHandled = false);
    void finishStart();
    void sendFocusOfSelection();
    void reportLostSelection(const QString& id);
    void addStartError(const QString& message, const QString& file, QString reason = QString());
    void setLock(const char* lockText);
    void setUsable(bool usable);
    void retranslateTree();
    //! Shares the width between the list, the image and the pane.
    void fitSplitter();

    static constexpr int kPaneMinimumWidth = 370;
    static constexpr int kListMinimumWidth = 130;

    Ui::MainWindow* ui;
    CamviewOptions m_options;
    LanguageCatalogue* m_catalogue;
    CamPane* m_pane = nullptr;
    ImageView* m_imageView = nullptr;
    HostEvents* m_hostEvents = nullptr;
    QTreeWidgetItem* m_camerasItem = nullptr;
    QTreeWidgetItem* m_cardsItem = nullptr;
    LogPanel* m_logPanel = nullptr;
    QDockWidget* m_logDock = nullptr;
    ProblemArea* m_problemArea = nullptr;
    QToolButton* m_logButton = nullptr;
    QTimer* m_focusTimer = nullptr;
    bool m_splitterMovedByUser = false;
    bool m_started = false;
    bool m_finishing = false;
    //! The focus the command line asked for waits for its device.
    bool m_focusPending = true;
    //! Usability of each device at the last refresh of the list.
    QHash<QString, bool> m_usable;
    //! The device whose focus the service announced last ("" for none).
    QString m_shownId;
    int m_problemCount = 0;
    QStringList m_startErrors;
};
