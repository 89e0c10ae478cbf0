#include "devicelistupdate.h"

#include "featuretext.h"

#include <QThread>

namespace {

QStringList toStringList(const std::vector<std::string>& ids)
{
    QStringList list;
    list.reserve(int(ids.size()));
    for (const std::string& id : ids)
        list.append(fromStd(id));
    return list;
}

} // namespace

DeviceListUpdate::DeviceListUpdate() = default;

void DeviceListUpdate::DeviceListUpdated(int source, std::vector<std::string> cardList,
                                         std::vector<std::string> camList)
{
    const QStringList cards = toStringList(cardList);
    const QStringList cams = toStringList(camList);
    // The shared pointer keeps the flag alive for a slot that runs after this
    // call has given up waiting.
    QSharedPointer<bool> finishFlag(new bool(false));
    emit updateCams(source, cards, cams, finishFlag);

    // Called on the GUI thread the slot has already run; from the service's
    // thread wait until the manager has handled the list.
    int waits = 0;
    while (!isFinished(finishFlag) && waits < MaxWaits) {
        QThread::msleep(WaitStepMs);
        ++waits;
    }
}
