#pragma once

#include "logsink.h"

#include <QHash>
#include <QString>
#include <QWidget>

class QLabel;

// The status bar's problem: the last problem logged for the shown device (or
// for none, camview's own), with its time and a warning icon, until it is
// over. Icon and text are one widget, so that a transient message of the
// status bar hides both.
class ProblemArea : public QWidget
{
    Q_OBJECT

public:
    explicit ProblemArea(QWidget* parent = nullptr);

    //! The device whose board the pane shows ("" for none).
    void setShownDevice(const QString& id);
    //! Keeps a problem of a device (camview's own for every device).
    void addProblem(const LogEntry& entry);
    //! Forgets the problems of a device that is usable again.
    void clearProblemsOf(const QString& id);
    //! Forgets the shown device's refused write of that feature, which was
    //! written since.
    void featureWritten(const QString& feature);

    //! The text shown ("" when none).
    QString text() const;

private:
    void showProblem();

    QLabel* m_icon = nullptr;
    QLabel* m_label = nullptr;
    QString m_shownId;
    //! The last problem per device ("" for problems that name none).
    QHash<QString, LogEntry> m_lastProblem;
};
