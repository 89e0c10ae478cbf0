#pragma once

#include "options.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

// camview's start: adds the devices of the command line, announces the
// language and, once the service has delivered its device lists, focuses the
// chosen device (--focus, else the first camera). A device named with
// --focus is waited for (--wait seconds).
class StartSequence : public QObject
{
    Q_OBJECT

public:
    StartSequence(const CamviewOptions& options, QObject* parent);

    //! Adds the devices; devicesAdded(), then ready() or focusTimedOut()
    //! follow.
    void start();
    //! Every device of the command line is added (or failed).
    bool started() const { return m_started; }
    //! The focus the command line asked for still waits for its device.
    bool focusPending() const { return m_focusPending; }
    //! The user chose a device: the command line's focus is not sent any
    //! more.
    void cancelPendingFocus() { m_focusPending = false; }
    //! Focuses the pending device once a handled device list holds it
    //! usable; `allHandled`: every list so far is.
    void sendPendingFocus(const QStringList& cards, const QStringList& cameras, bool allHandled = false);

    //! What start() could not do (devices of the command line that could
    //! not be added), one message each.
    QStringList errors() const { return m_errors; }

signals:
    //! The devices of the command line are added: the window lists them
    //! before the focus is looked for.
    void devicesAdded();
    //! Every device list so far is handled and the focused board is shown.
    void ready();
    //! The device named with --focus was not listed with a board in time.
    void focusTimedOut(const QString& message);

private:
    void finish();
    void addError(const QString& message, const QString& file, QString reason = QString());

    CamviewOptions m_options;
    QTimer* m_focusTimer = nullptr;
    bool m_started = false;
    bool m_finishing = false;
    bool m_focusPending = true;
    QStringList m_errors;
};
