#include "problemindicator.h"

#include "logpanel.h"
#include "problemarea.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>

ProblemIndicator::ProblemIndicator(QMainWindow* window, QMenu* viewMenu) : QObject(window)
{
    m_logPanel = new LogPanel(window);
    m_logDock = new QDockWidget(window);
    m_logDock->setObjectName(QStringLiteral("logDock"));
    m_logDock->setWidget(m_logPanel);
    m_logDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    window->addDockWidget(Qt::BottomDockWidgetArea, m_logDock);
    m_logDock->hide();
    QAction* logAction = m_logDock->toggleViewAction();
    logAction->setObjectName(QStringLiteral("actionLogPanel"));
    logAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    viewMenu->addSeparator();
    viewMenu->addAction(logAction);
    m_problemArea = new ProblemArea(window);
    m_logButton = new QToolButton(window);
    m_logButton->setObjectName(QStringLiteral("logButton"));
    m_logButton->setAutoRaise(true);
    m_logButton->setDefaultAction(logAction);
    window->statusBar()->addWidget(m_problemArea, 1);
    window->statusBar()->addPermanentWidget(m_logButton);
    connect(LogSink::instance(), &LogSink::entryAdded, this, &ProblemIndicator::addEntry);
    connect(LogSink::instance(), &LogSink::featureWritten, m_problemArea, &ProblemArea::featureWritten);
    for (const LogEntry& entry : LogSink::instance()->entries()) {
        if (entry.source != LogEntry::Source::Qt)
            m_logPanel->addEntry(entry);
    }
}

void ProblemIndicator::setShownDevice(const QString& id)
{
    m_shownId = id;
    m_problemArea->setShownDevice(id);
}

void ProblemIndicator::clearProblemsOf(const QString& id)
{
    m_problemArea->clearProblemsOf(id);
}

QString ProblemIndicator::problemText() const
{
    return m_problemArea->text();
}

void ProblemIndicator::addEntry(const LogEntry& logged)
{
    LogEntry entry = logged;
    // The pane logs for the board the user works on.
    if (entry.device.isEmpty() && entry.source == LogEntry::Source::Pane)
        entry.device = m_shownId;
    // Qt's own messages (platform notes, style-sheet parsing) stay on
    // stderr: the panel is about the devices.
    if (entry.source == LogEntry::Source::Qt)
        return;
    m_logPanel->addEntry(entry);
    if (!entry.isProblem())
        return;
    m_problemArea->addProblem(entry);
    ++m_problemCount;
    retranslate();
}

void ProblemIndicator::retranslate()
{
    m_logDock->setWindowTitle(tr("Log"));
    m_logDock->toggleViewAction()->setText(m_problemCount > 0 ? tr("Log (%1)").arg(m_problemCount)
                                                              : tr("Log"));
    m_logDock->toggleViewAction()->setToolTip(tr("Show the log of the pane, the service and camview"));
}
