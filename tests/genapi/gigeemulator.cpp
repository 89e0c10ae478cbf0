#include "gigeemulator.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/types.h>

namespace {
const char* const kAddress = "127.0.0.1";
}

namespace {

// Runs in the child between fork and exec.
void killWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
}

} // namespace

EmulatorProcess::EmulatorProcess()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    setChildProcessModifier(killWithParent);
#endif
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
void EmulatorProcess::setupChildProcess()
{
    killWithParent();
}
#endif

GigeEmulator::GigeEmulator() : m_lock(QDir::temp().filePath(QStringLiteral("campane-gige-loopback.lock")))
{
    m_lock.setStaleLockTime(0);
}

GigeEmulator::~GigeEmulator()
{
    stop();
}

QString GigeEmulator::binary()
{
    return QStandardPaths::findExecutable(QStringLiteral("arv-fake-gv-camera-0.8"));
}

std::unique_ptr<GenApi::CDeviceConnection> GigeEmulator::start(const QString& description, QString* error)
{
    stop();
    if (!m_lock.isLocked() && !m_lock.tryLock(120000)) {
        *error = QStringLiteral("another emulator kept the loopback interface for two minutes");
        return nullptr;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    QStringList arguments{QStringLiteral("-i"), QLatin1String(kAddress)};
    if (!description.isEmpty())
        arguments << QStringLiteral("-g") << description;
    m_process.start(binary(), arguments);
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("the emulator does not start: %1").arg(m_process.errorString());
        return nullptr;
    }
    // The emulator needs a moment before it answers; each failed attempt
    // already waits for Aravis's discovery timeout.
    std::string reason;
    for (int attempt = 0; attempt < 10; ++attempt) {
        QThread::msleep(attempt == 0 ? 300 : 200);
        if (m_process.state() != QProcess::Running) {
            *error = QStringLiteral("the emulator ended at start (exit code %1)").arg(m_process.exitCode());
            return nullptr;
        }
        if (auto device = GenApi::CDeviceConnection::OpenAravis(kAddress, &reason))
            return device;
    }
    *error = QStringLiteral("the emulator does not answer: %1").arg(QString::fromStdString(reason));
    return nullptr;
}

void GigeEmulator::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        thaw();
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool GigeEmulator::freeze()
{
    if (m_process.state() != QProcess::Running)
        return false;
    const qint64 id = m_process.processId();
    ::kill(static_cast<pid_t>(id), SIGSTOP);
    // The signal takes effect when each thread next runs: until then one of
    // them may still answer.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(id));
    for (int i = 0; i < 1000; ++i) {
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray text = stat.readAll();
            stat.close();
            const int end = text.lastIndexOf(')');
            if (end > 0 && text.mid(end + 2, 1) == "T")
                return true;
        }
        QThread::msleep(1);
    }
    return false;
}

void GigeEmulator::thaw()
{
    if (m_process.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
}

qint64 GigeEmulator::pid() const
{
    return m_process.processId();
}

bool GigeEmulator::isRunning() const
{
    return m_process.state() == QProcess::Running;
}
