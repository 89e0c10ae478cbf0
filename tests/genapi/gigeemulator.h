// Aravis's GigE Vision camera emulator (arv-fake-gv-camera-0.8) serving a
// description on the loopback interface, for tests and benchmarks. Only one
// emulator can listen on 127.0.0.1, so every user takes a lock file first.
#pragma once

#include <GenApi/DeviceConnection.h>

#include <QLockFile>
#include <QProcess>
#include <QString>

#include <memory>

// The emulator's process, ended by the kernel when its parent ends however
// it ends: an emulator left behind would answer for the next user's.
class EmulatorProcess : public QProcess
{
public:
    EmulatorProcess();

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
protected:
    void setupChildProcess() override;
#endif
};

class GigeEmulator
{
public:
    GigeEmulator();
    ~GigeEmulator();

    //! The emulator's path, empty when it is not installed.
    static QString binary();

    //! Starts the emulator on description (empty: the emulator's own, which
    //! streams test images) and opens it through Aravis, retrying a bounded
    //! number of times while it starts. Null with the reason in *error.
    std::unique_ptr<GenApi::CDeviceConnection> start(const QString& description, QString* error);
    //! Stops the emulator by its process id and waits for it to end.
    void stop();
    qint64 pid() const;
    //! Stops the emulator's process (SIGSTOP) and waits until it is stopped:
    //! the device goes silent with its port still open. False when it does
    //! not stop within a second.
    bool freeze();
    //! Lets a frozen emulator run again.
    void thaw();
    bool isRunning() const;

private:
    EmulatorProcess m_process;
    QLockFile m_lock;
};
