#pragma once

#include "logsink.h"

#include <QObject>
#include <QString>

class LogPanel;
class ProblemArea;
class QDockWidget;
class QMainWindow;
class QMenu;
class QToolButton;

// How a window shows the log: the log panel in a dock at the bottom (in the
// View menu and behind the status bar's button, which counts the problems),
// and the last problem of the shown device in the status bar. The pane's
// messages are about the board the user works on: they name the shown device.
class ProblemIndicator : public QObject
{
    Q_OBJECT

public:
    //! Adds the dock to `window`, its action to `viewMenu` and the problem
    //! area and the log button to the window's status bar, and shows the
    //! entries the log sink kept so far.
    ProblemIndicator(QMainWindow* window, QMenu* viewMenu);

    //! The device whose board the pane shows ("" for none).
    void setShownDevice(const QString& id);
    //! Forgets the problems of a device that is usable again.
    void clearProblemsOf(const QString& id);
    //! The text of the status bar's problem area ("" when it shows none).
    QString problemText() const;
    LogPanel* logPanel() const { return m_logPanel; }
    //! The dock's title and the log action's text, in the current language.
    void retranslate();

private:
    void addEntry(const LogEntry& logged);

    LogPanel* m_logPanel = nullptr;
    QDockWidget* m_logDock = nullptr;
    ProblemArea* m_problemArea = nullptr;
    QToolButton* m_logButton = nullptr;
    //! The device whose focus the service announced last ("" for none).
    QString m_shownId;
    int m_problemCount = 0;
};
