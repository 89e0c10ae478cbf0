// What the image view benchmarks share: the offscreen platform unless one
// is chosen, the camera service without its default devices, and a camera
// played in the view until its first frame.
#pragma once

#include "imageview.h"

#include <Corvid/CorvidHost.h>

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <string>

//! Before the application: offscreen unless QT_QPA_PLATFORM says otherwise.
inline void useOffscreenUnlessChosen()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

//! Starts the camera service with its settings in dir and no default
//! devices; false when it does not start.
inline bool startBenchService(const QTemporaryDir& dir)
{
    Corvid::ServiceOptions options;
    options.defaultDevices = false;
    options.settingsFile = dir.filePath(QStringLiteral("host.ini")).toStdString();
    return Corvid::StartService(options) == 0;
}

//! Plays the camera in the view until its first frame is shown (10 s at
//! most).
inline void playUntilFirstFrame(ImageView& view, const std::string& id)
{
    view.setDeviceId(QString::fromStdString(id));
    view.play();
    QEventLoop loop;
    QObject::connect(&view, &ImageView::frameShown, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
}
