#pragma once

#include <Corvid/Corvid.h>

#include <QObject>
#include <QString>
#include <QStringList>

// camview's own listeners: the window shows the device list and keeps its
// selection on the focused device. The service calls these on its thread;
// they only emit (queued to the GUI thread) and return at once.
class HostEvents : public QObject, public Corvid::IDeviceListUpdate, public Corvid::IFocusUpdate
{
    Q_OBJECT

public:
    explicit HostEvents(QObject* parent = nullptr);
    ~HostEvents() override;

    void DeviceListUpdated(int source, std::vector<std::string> cardList,
                           std::vector<std::string> camList) override;
    void FocusUpdated(Corvid::FOCUS_TYPE type, std::string id) override;

signals:
    //! The ids of the list the service delivered; the pane has handled it.
    void deviceListChanged(const QStringList& cards, const QStringList& cameras);
    void focusChanged(int type, QString id);
};
