#pragma once

#include "options.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

class CamPane;
class DeviceList;
class HostEvents;
class ImageView;
class LanguageCatalogue;
class LogPanel;
class ProblemIndicator;
class StartSequence;

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
// Its parts: the device list (DeviceList), the log and the status bar's
// problem (ProblemIndicator) and the start (StartSequence).
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
    QStringList startErrors() const;
    //! The text of the status bar's problem area ("" when it shows none).
    QString problemText() const;
    LogPanel* logPanel() const;

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
    void onServiceFocusChanged(int type, const QString& id);
    void onDeviceTreeSelectionChanged();
    void onLanguageActionTriggered();
    void onSaveScreenshotTriggered();
    void onSaveImageTriggered();
    void onSettingsActionTriggered();

private:
    void updateActions();
    void refreshDeviceList();
    void sendFocusOfSelection();
    void reportLostSelection(const QString& id);
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
    DeviceList* m_devices = nullptr;
    ProblemIndicator* m_problems = nullptr;
    StartSequence* m_start = nullptr;
    bool m_splitterMovedByUser = false;
};
