#include "servicesupport.h"

#include <Corvid/CorvidHost.h>

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <thread>

const char* const kCard = "SIM-frame-grabber-card";
const char* const kCamera = "SIM-kvx-slp-camera";
const char* const kSecondCamera = "SIM-sl-camera-dual";

ServiceForTests::ServiceForTests()
{
    Corvid::ServiceOptions options;
    options.devicesDir = CAMPANE_DEVICES_DIR;
    options.settingsFile = m_settingsDir.filePath(QStringLiteral("host.ini")).toStdString();
    m_running = Corvid::StartService(options) == 0;
    if (!m_running)
        std::fprintf(stderr, "the camera service does not start\n");
}

ServiceForTests::~ServiceForTests()
{
    Corvid::StopService();
}

void runOffGuiThread(const std::function<void()>& call)
{
    std::atomic<bool> done{false};
    std::thread thread([&] {
        call();
        done = true;
    });
    while (!done)
        QTest::qWait(1);
    thread.join();
    QTest::qWait(1);
}

void settle()
{
    runOffGuiThread([] { Corvid::WaitForIdle(); });
}

void resetDevices()
{
    for (const char* id : {kCard, kCamera, kSecondCamera})
        Corvid::SetDeviceUsable(id, true);
    for (const char* id : {kCamera, kSecondCamera})
        Corvid::SetCameraLock(id, "");
    Corvid::SetLanguage("English");
    Corvid::SetFocus(Corvid::FOCUS_NONE, "");
    settle();
}
