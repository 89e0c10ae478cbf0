#include "startsequence.h"

#include "background.h"
#include "devicelist.h"
#include "logsink.h"
#include "stdtext.h"

#include <Corvid/CorvidHost.h>

#include <QLoggingCategory>
#include <QTimer>

#include <memory>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcCamview)

StartSequence::StartSequence(const CamviewOptions& options, QObject* parent)
    : QObject(parent), m_options(options)
{
    m_focusTimer = new QTimer(this);
    m_focusTimer->setSingleShot(true);
    connect(m_focusTimer, &QTimer::timeout, this, [this] {
        if (!m_focusPending)
            return;
        m_focusPending = false;
        const QString message =
            tr("Device %1 was not listed within %2 s").arg(m_options.focusId).arg(m_options.waitSeconds);
        LogSink::logAbout(lcCamview(), QtWarningMsg, m_options.focusId, message);
        emit focusTimedOut(message);
    });
}

void StartSequence::start()
{
    // A file that cannot be read gives no device; a description that is
    // refused gives one that is listed unusable, with the reason.
    const auto check = [this](const std::string& id, const QString& message, const QString& file) {
        const std::string error = DeviceList::errorOf(id);
        if (id.empty() || !error.empty())
            addError(message, file, fromStd(error));
    };
    // Descriptions are parsed, and devices on the network opened (which may
    // take an open's whole deadline, or be refused only then), on a thread of
    // their own: a description of 100,000 features takes seconds to parse,
    // and the window does not wait for it. They are added in the command
    // line's order, files first, and their errors reported in that order.
    const QStringList files = m_options.simulatedFiles;
    const QStringList cards = m_options.simulatedCards;
    const QStringList addresses = m_options.cameraAddresses;
    const std::string language = toStd(m_options.language);
    auto added = std::make_shared<std::vector<std::string>>();

    // When the service is idle, every device list so far has been handled by
    // the pane: the boards exist and the focus can be sent.
    runInBackground(
        this,
        [files, cards, addresses, language, added] {
            for (const QString& file : files)
                added->push_back(Corvid::AddSimulatedCamera(toStd(file)));
            for (const QString& file : cards)
                added->push_back(Corvid::AddSimulatedCard(toStd(file)));
            for (const QString& address : addresses)
                added->push_back(Corvid::AddAravisCamera(toStd(address)));
            Corvid::SetLanguage(language);
            Corvid::WaitForIdle();
        },
        [this, files, cards, addresses, added, check] {
            size_t next = 0;
            const auto checkAll = [&](const QStringList& names, const QString& message) {
                for (const QString& name : names) {
                    if (next < added->size())
                        check((*added)[next++], message.arg(name), name);
                }
            };
            checkAll(files, tr("Cannot add the simulated camera %1"));
            checkAll(cards, tr("Cannot add the simulated card %1"));
            checkAll(addresses, tr("Cannot open the camera %1"));
            m_started = true;
            emit devicesAdded();
            sendPendingFocus(QStringList(), QStringList(), true);
            if (m_focusPending && !m_options.focusId.isEmpty())
                m_focusTimer->start(m_options.waitSeconds * 1000);
            else
                finish();
        });
}

void StartSequence::finish()
{
    // Once the focus sent last is delivered, the chosen board is shown.
    if (m_finishing)
        return;
    m_finishing = true;
    m_focusTimer->stop();
    runInBackground(
        this, [] { Corvid::WaitForIdle(); }, [this] { emit ready(); });
}

void StartSequence::addError(const QString& message, const QString& file, QString reason)
{
    // Without a reason from the device, the service logged why it could not
    // open the file or address.
    if (reason.isEmpty())
        reason = LogSink::instance()->lastEntryAbout(file, QStringLiteral("open")).detail;
    const QString text = reason.isEmpty() ? message : message + QStringLiteral(": ") + reason;
    m_errors << text;
    qCCritical(lcCamview).noquote() << text;
}

void StartSequence::sendPendingFocus(const QStringList& cards, const QStringList& cameras, bool allHandled)
{
    // The device must be usable in a list the pane has handled: then its
    // board exists. At start every list so far is handled.
    QString id = m_options.focusId;
    bool isCard = false;
    bool found = false;
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString deviceId = fromStd(device.id);
        // The device may be named by its id or by its address.
        const bool named = !id.isEmpty() && (deviceId == id || fromStd(device.description) == id);
        if (named && !device.usable && !device.error.empty()) {
            // A device that was refused will not come: no use waiting.
            m_focusPending = false;
            m_focusTimer->stop();
            const QString message = tr("Device %1 cannot be used: %2").arg(deviceId, fromStd(device.error));
            LogSink::logAbout(lcCamview(), QtWarningMsg, deviceId, message);
            emit focusTimedOut(message);
            return;
        }
        const bool handled = allHandled || (device.isCard ? cards : cameras).contains(deviceId);
        if (!handled || !device.usable)
            continue;
        if (id.isEmpty() ? !device.isCard : named) {
            id = deviceId;
            isCard = device.isCard;
            found = true;
            break;
        }
    }
    if (!found)
        return; // not there yet: a later device list may bring it
    m_focusPending = false;
    Corvid::SetFocus(isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(id));
    finish();
}
