// The plug-ins' side of the service (Corvid.h).
#include "listeners.h"
#include "logger.h"
#include "nodetext.h"
#include "service.h"

#include <Corvid/Corvid.h>
#include <GenApi/DeviceConnection.h>

#include <QCoreApplication>
#include <QThread>

namespace Corvid {

using Internal::listeners;
using Internal::Logger;
using Internal::Service;

namespace {

//! How long a write made on the GUI thread waits for the device's answer (as
//! the pane's own writes).
constexpr int kGuiWriteWaitMs = 40;

void warn(const std::string& message)
{
    Logger::instance().log("Corvid", message, 1);
}

//! Registration of a listener of any kind; the result as the calls give it.
template <class Listener> int registerIn(Internal::ListenerList<Listener>& list, Listener* listener)
{
    if (!listener)
        return RESULT_BAD_VALUE;
    return list.add(listener) ? RESULT_OK : RESULT_BAD_VALUE;
}

template <class Listener> int unregisterFrom(Internal::ListenerList<Listener>& list, Listener* listener)
{
    return list.remove(listener) ? RESULT_OK : RESULT_BAD_VALUE;
}

//! Forwards an image-view call to the registered view and records it.
//! Without a view the call is only recorded, and gives noViewResult.
template <class Call>
int forwardToView(const std::string& id, const char* what, int noViewResult,
                  const std::function<void(ImageViewRecord&)>& record, Call&& call)
{
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return RESULT_NOT_RUNNING;
    int result = noViewResult;
    bool called = false;
    if (IImageView* view = listeners().imageView.first()) {
        int viewResult = RESULT_DEVICE_ERROR; // stays when the view throws
        called = listeners().imageView.callOne(view, [&](IImageView* v) { viewResult = call(v); });
        if (called)
            result = viewResult;
    }
    if (!called && noViewResult != RESULT_OK)
        Internal::logDeviceEvent(id, "no-view",
                                 std::string(what) + " for " + id + ": no image view is registered", 1);
    if (result == RESULT_OK)
        service->recordImageView(id, record);
    return result;
}

} // namespace

// --- listeners -------------------------------------------------------------------------

int RegisterDeviceListUpdateListener(IDeviceListUpdate* listener)
{
    const int result = registerIn(listeners().deviceList, listener);
    // A listener that comes while the service runs is brought up to date.
    if (result == RESULT_OK) {
        if (std::shared_ptr<Service> service = Service::current())
            service->catchUpDeviceListListener(listener);
    }
    return result;
}

int UnRegisterDeviceListUpdateListener(IDeviceListUpdate* listener)
{
    return unregisterFrom(listeners().deviceList, listener);
}

int RegisterFocusUpdateListener(IFocusUpdate* listener)
{
    return registerIn(listeners().focus, listener);
}

int UnRegisterFocusUpdateListener(IFocusUpdate* listener)
{
    return unregisterFrom(listeners().focus, listener);
}

int RegisterLangUpdateListener(ILangUpdate* listener)
{
    return registerIn(listeners().language, listener);
}

int UnRegisterLangUpdateListener(ILangUpdate* listener)
{
    return unregisterFrom(listeners().language, listener);
}

int RegisterROIUpdateListener(IROIDrawUpdate* listener)
{
    return registerIn(listeners().roi, listener);
}

int UnRegisterROIUpdateListener(IROIDrawUpdate* listener)
{
    return unregisterFrom(listeners().roi, listener);
}

int RegisterImageModeUpdateListener(IImageModeUpdate* listener)
{
    return registerIn(listeners().imageMode, listener);
}

int UnRegisterImageModeUpdateListener(IImageModeUpdate* listener)
{
    return unregisterFrom(listeners().imageMode, listener);
}

int RegisterImportUpdateListener(IImportUpdate* listener)
{
    return registerIn(listeners().import, listener);
}

int UnRegisterImportUpdateListener(IImportUpdate* listener)
{
    return unregisterFrom(listeners().import, listener);
}

// --- device information ----------------------------------------------------------------

std::string GetCameraInfo(const std::string& id, CAM_INFO key)
{
    std::shared_ptr<Service> service = Service::current();
    return service ? service->cameraInfo(id, key) : std::string();
}

std::string GetCardInfo(const std::string& id, CARD_INFO key)
{
    std::shared_ptr<Service> service = Service::current();
    return service ? service->cardInfo(id, key) : std::string();
}

int SetCameraInfo(const std::string& id, CAM_INFO key, const std::string& value)
{
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return RESULT_NOT_RUNNING;
    const int result = service->setCameraInfo(id, key, value);
    if (result != RESULT_OK)
        Internal::logDeviceEvent(id, "refused",
                                 "SetCameraInfo " + std::to_string(key) + " of camera \"" + id +
                                     "\" refused (" + std::to_string(result) + ")",
                                 1);
    return result;
}

GenApi::INodeMap* GetAttrNodeMap(FOCUS_TYPE type, const std::string& id, NodeMapType mapType)
{
    return AcquireAttrNodeMap(type, id, mapType).get();
}

std::shared_ptr<GenApi::INodeMap> AcquireAttrNodeMap(FOCUS_TYPE, const std::string& id, NodeMapType mapType)
{
    // The focus type is not needed: ids are unique over cameras and cards.
    if (mapType != NODEMAP_REMOTE_DEVICE)
        return nullptr;
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return nullptr;
    std::shared_ptr<GenApi::CDeviceConnection> connection = service->connection(id);
    if (!connection)
        return nullptr;
    // The map belongs to the connection: whoever holds it holds both.
    GenApi::INodeMap* nodeMap = connection->GetNodeMap();
    return std::shared_ptr<GenApi::INodeMap>(std::move(connection), nodeMap);
}

// --- feature values as text ------------------------------------------------------------

int GetCameraNodeValue(const std::string& id, const std::string& node, std::string& value)
{
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return RESULT_NOT_RUNNING;
    std::shared_ptr<GenApi::CDeviceConnection> connection = service->connection(id);
    if (!connection) {
        Internal::logDeviceEvent(id, "unknown-device", "Get " + node + " failed: no device \"" + id + "\"", 1,
                                 "read", node);
        return RESULT_UNKNOWN_DEVICE;
    }
    std::string error;
    std::string text;
    const int result = Internal::readNodeText(connection->GetNodeMap(), node, text, &error);
    if (result != RESULT_OK) {
        Internal::logDeviceEvent(service->resolveId(id), "failed",
                                 "Get " + node + " of " + service->resolveId(id) + " failed: " + error, 1,
                                 "read", node);
        return result;
    }
    value = text;
    return RESULT_OK;
}

int SetCameraNodeValue(const std::string& id, const std::string& node, const std::string& value)
{
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return RESULT_NOT_RUNNING;
    std::shared_ptr<GenApi::CDeviceConnection> connection = service->connection(id);
    if (!connection) {
        Internal::logDeviceEvent(id, "unknown-device", "Set " + node + " failed: no device \"" + id + "\"", 1,
                                 "write", node);
        return RESULT_UNKNOWN_DEVICE;
    }
    std::string error;
    bool notConfirmed = false;
    int result = RESULT_OK;
    {
        // On the GUI thread a device that stopped answering holds the caller
        // briefly: the write is then not confirmed, and the device's I/O
        // thread keeps it going.
        const QCoreApplication* application = QCoreApplication::instance();
        const bool gui = application && QThread::currentThread() == application->thread();
        const int previous = gui ? GenApi::CDeviceConnection::SetThreadWriteWait(kGuiWriteWaitMs) : 0;
        result = Internal::writeNodeText(connection->GetNodeMap(), node, value, &error, &notConfirmed);
        if (gui)
            GenApi::CDeviceConnection::SetThreadWriteWait(previous);
    }
    if (result != RESULT_OK)
        Internal::logDeviceEvent(service->resolveId(id), notConfirmed ? "not-confirmed" : "failed",
                                 "Set " + node + " of " + service->resolveId(id) + " to \"" + value +
                                     "\" failed: " + error,
                                 1, "write", node);
    return result;
}

// --- host parameters -------------------------------------------------------------------

std::string GetParamterInfo(PARAMETER_INFO key)
{
    std::shared_ptr<Service> service = Service::current();
    return service ? service->settings().value(key) : std::string();
}

int SetParamterInfo(PARAMETER_INFO key, const std::string& value)
{
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return RESULT_NOT_RUNNING;
    const int result = service->settings().setValue(key, value);
    if (result != RESULT_OK)
        warn("SetParamterInfo " + std::to_string(key) + " to \"" + value + "\" refused (" +
             std::to_string(result) + "), settings file " + service->settings().path().toStdString());
    return result;
}

// --- image view ----------------------------------------------------------------------------

int DrawROI(const std::string& id, int x1, int y1, int x2, int y2, int& roiId, bool& ok, int shape, int flags)
{
    ok = false;
    bool accepted = false;
    int drawnId = roiId;
    const int result = forwardToView(
        id, "DrawROI", RESULT_NO_VIEW,
        [&](ImageViewRecord& r) {
            if (!accepted)
                return;
            r.roiId = drawnId;
            r.roiX1 = x1;
            r.roiY1 = y1;
            r.roiX2 = x2;
            r.roiY2 = y2;
            r.roiRemoved = false;
        },
        [&](IImageView* view) { return view->DrawROI(id, x1, y1, x2, y2, drawnId, accepted, shape, flags); });
    if (result == RESULT_NOT_RUNNING || result == RESULT_NO_VIEW)
        return result;
    roiId = drawnId;
    ok = accepted;
    return result;
}

int SetROIPos(const std::string& id, int roiId, int x1, int y1, int x2, int y2)
{
    return forwardToView(
        id, "SetROIPos", RESULT_OK,
        [&](ImageViewRecord& r) {
            r.roiId = roiId;
            r.roiX1 = x1;
            r.roiY1 = y1;
            r.roiX2 = x2;
            r.roiY2 = y2;
            r.roiRemoved = false;
        },
        [&](IImageView* view) { return view->SetROIPos(id, roiId, x1, y1, x2, y2); });
}

int RomoveROI(const std::string& id, int roiId)
{
    return forwardToView(
        id, "RomoveROI", RESULT_OK,
        [&](ImageViewRecord& r) {
            r.roiId = roiId;
            r.roiRemoved = true;
        },
        [&](IImageView* view) { return view->RomoveROI(id, roiId); });
}

int NotifyCorrection(const std::string& id, int enable, float value, void* data)
{
    return forwardToView(
        id, "NotifyCorrection", RESULT_OK,
        [&](ImageViewRecord& r) {
            r.correctionEnable = enable;
            r.correctionValue = value;
        },
        [&](IImageView* view) { return view->NotifyCorrection(id, enable, value, data); });
}

int SetSLImageShowMode(const std::string& id, int mode)
{
    return forwardToView(
        id, "SetSLImageShowMode", RESULT_OK, [&](ImageViewRecord& r) { r.slImageShowMode = mode; },
        [&](IImageView* view) { return view->SetSLImageShowMode(id, mode); });
}

int SetCameraImageMode(const std::string& id, int mode, bool enable)
{
    return forwardToView(
        id, "SetCameraImageMode", RESULT_OK,
        [&](ImageViewRecord& r) {
            r.cameraImageMode = mode;
            r.cameraImageModeEnabled = enable;
        },
        [&](IImageView* view) { return view->SetCameraImageMode(id, mode, enable); });
}

int StartGrab(const std::string& id)
{
    return forwardToView(
        id, "StartGrab", RESULT_OK, [&](ImageViewRecord& r) { ++r.grabCount; },
        [&](IImageView* view) { return view->StartGrab(id); });
}

// --- logging ---------------------------------------------------------------------------------

void VLogInfo(const std::string& tag, const std::string& message, int level)
{
    VLogRecord(LogRecord{tag, level, {}, {}, {}, {}, message, {}});
}

void VLogRecord(const LogRecord& record)
{
    try {
        Logger::instance().log(record);
    } catch (...) {
        // Logging never makes a caller fail.
    }
}

void SetLogRecordSink(std::function<void(const LogRecord&)> sink)
{
    Logger::instance().setSink(std::move(sink));
}

bool IsPrintingLogRecord()
{
    return Logger::printingRecord();
}

} // namespace Corvid
