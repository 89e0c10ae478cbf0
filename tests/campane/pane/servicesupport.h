#pragma once

#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <memory>

// The camera service with its default simulated devices (the card
// "SIM-frame-grabber-card", the cameras "SIM-kvx-slp-camera" and
// "SIM-sl-camera-dual") and a settings file of its own, for the lifetime of
// the object.
class ServiceForTests
{
public:
    ServiceForTests();
    ~ServiceForTests();
    bool isRunning() const { return m_running; }

private:
    QTemporaryDir m_settingsDir;
    bool m_running = false;
};

extern const char* const kCard;
extern const char* const kCamera;
extern const char* const kSecondCamera;

// Runs `call` on a thread of its own while this thread keeps handling
// events, then handles what was posted before the call returned (deferred
// deletions included). For the service calls that wait for the listeners,
// which in turn wait for the GUI thread.
void runOffGuiThread(const std::function<void()>& call);

// Waits until every event queued in the service so far has been delivered
// and handled by the GUI thread.
void settle();

// Puts the devices back as the service starts them: usable, no lock text,
// English, no focus.
void resetDevices();

// A shown host window with a `T` in its layout, as a host embeds the pane.
// The service brings the new listener up to date (the card's list, then the
// full one) before the constructor returns.
template <class T> struct HostWindow
{
    HostWindow()
    {
        widget->resize(700, 500);
        (new QVBoxLayout(widget.get()))->addWidget(child);
        widget->show();
        settle();
    }
    std::unique_ptr<QWidget> widget{new QWidget};
    T* child = new T(widget.get());
};
