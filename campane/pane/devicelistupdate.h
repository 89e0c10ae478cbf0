#pragma once

#include "panemetatypes.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>

// Receives the camera service's device lists on the service's thread and
// hands them to the GUI thread as `updateCams`, then holds the service until
// the list has been handled (or about five seconds have passed).
class DeviceListUpdate : public QObject, public Corvid::IDeviceListUpdate
{
    Q_OBJECT

public:
    DeviceListUpdate();

    void DeviceListUpdated(int source, std::vector<std::string> cardList,
                           std::vector<std::string> camList) override;

    //! How long the callback waits for the slot: at most this many steps.
    static constexpr int MaxWaits = 1000;
    //! One waiting step, in milliseconds.
    static constexpr int WaitStepMs = 5;

signals:
    void updateCams(int source, QStringList cardList, QStringList camList, QSharedPointer<bool> finishFlag);
};
