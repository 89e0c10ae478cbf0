#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Saving a device's settings to a file and loading them back (GenApi
// feature-persistence text), for camview's File menu and its
// --save-settings / --load-settings options.
//
// Both run on any thread (the device's node map serialises its calls); after a
// load, the device's boards are told to show the new values (an import notice).

//! What a save or load did, ready to show.
struct SettingsReport
{
    bool ok = false;
    int succeeded = 0; //!< lines saved, or lines loaded
    //! One text per line that failed (or feature not saved), with its reason:
    //! the first 100, then one that counts the rest.
    QStringList failed;
    QString listTitle; //!< what the failed lines are, as a title
    QString summary;   //!< one sentence
    QString note;      //!< a remark (the file comes from another model), or empty
    //! The summary, the note and the failed lines, one a line.
    QString text() const;
};

//! Finds a device by id (empty: the first usable camera); false when absent.
bool findSettingsDevice(QString& id, bool& isCard);

//! Saves all or nothing: the file is written under a temporary name beside
//! it and renamed only when every value was read; otherwise the report lists
//! what was not read and any earlier file stays as it was. A path that is a
//! directory, a FIFO or a device is refused.
SettingsReport saveDeviceSettings(const QString& id, bool isCard, const QString& fileName);
//! Loads a regular file only (a directory, a FIFO or a device is refused
//! unread); every line that failed is reported, the first 100 of them listed.
SettingsReport loadDeviceSettings(const QString& id, bool isCard, const QString& fileName);

//! camview's --load-settings and --save-settings on the device `focusId`
//! (empty: the first usable camera): the load first, then the save; prints
//! each report. Returns 0 when every line succeeded, 1 otherwise. On the GUI
//! thread: it waits until the service has delivered the load's import notice.
int runSettingsOptions(const QString& focusId, const QString& loadFile, const QString& saveFile);

//! A dialog with the report: the summary, the note and the failed lines.
void showSettingsReport(QWidget* parent, const QString& title, const SettingsReport& report);
