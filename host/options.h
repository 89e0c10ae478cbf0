#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// What camview was asked to do on its command line.
struct CamviewOptions
{
    QStringList simulatedFiles;                   //!< --sim FILE.xml, in order
    QStringList simulatedCards;                   //!< --sim-card FILE.xml, in order
    QStringList cameraAddresses;                  //!< --camera ADDRESS, in order
    bool defaultDevices = true;                   //!< off with --no-default-devices
    bool discover = false;                        //!< --discover
    QString language = QStringLiteral("English"); //!< --lang en|zh, as the service names it
    QString focusId;                              //!< --focus ID; empty: the first camera
    int waitSeconds = 10;                         //!< --wait SECONDS for the --focus device
    QString screenshotFile;                       //!< --screenshot FILE
    bool dumpTree = false;                        //!< --dump-tree
    bool play = false;                            //!< --play
    bool dumpPanel = false;                       //!< --dump-panel
    QString loadSettingsFile;                     //!< --load-settings FILE
    QString saveSettingsFile;                     //!< --save-settings FILE
    QString saveImageFile;                        //!< --save-image FILE
    QSize windowSize;                             //!< --size WIDTHxHEIGHT; invalid: the default
};

// Parses camview's arguments (arguments[0] is the program). On a bad
// argument returns false and puts the message in `error`; --help and
// --version print and exit.
bool parseCamviewOptions(const QStringList& arguments, CamviewOptions& options, QString& error);
