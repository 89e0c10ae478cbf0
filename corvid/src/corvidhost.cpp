// The host's side of the service (CorvidHost.h).
#include "listeners.h"
#include "logger.h"
#include "service.h"

#include <Corvid/CorvidHost.h>

namespace Corvid {

using Internal::listeners;
using Internal::Service;

namespace {

void logNotRunning(const char* call)
{
    Internal::Logger::instance().log("Corvid", std::string(call) + ": the service is not running", 1);
}

//! Runs f(service) when the service runs; otherwise gives fallback.
template <class Result, class F> Result withService(const char* call, Result fallback, F&& f)
{
    std::shared_ptr<Service> service = Service::current();
    if (!service) {
        logNotRunning(call);
        return fallback;
    }
    return f(*service);
}

} // namespace

int StartService(const ServiceOptions& options)
{
    return Service::startCurrent(options);
}

void StopService()
{
    Service::stopCurrent();
}

bool IsServiceRunning()
{
    return Service::current() != nullptr;
}

std::string AddSimulatedCamera(const std::string& xmlPath, const std::string& kind)
{
    return withService("AddSimulatedCamera", std::string(),
                       [&](Service& s) { return s.addSimulated(xmlPath, kind, false); });
}

std::string AddSimulatedCard(const std::string& xmlPath)
{
    return withService("AddSimulatedCard", std::string(),
                       [&](Service& s) { return s.addSimulated(xmlPath, std::string(), true); });
}

std::string AddAravisCamera(const std::string& idOrAddress, const std::string& kind)
{
    return withService("AddAravisCamera", std::string(),
                       [&](Service& s) { return s.addAravis(idOrAddress, kind); });
}

int RemoveDevice(const std::string& id)
{
    return withService("RemoveDevice", int(RESULT_NOT_RUNNING),
                       [&](Service& s) { return s.removeDevice(id); });
}

int SetDeviceUsable(const std::string& id, bool usable)
{
    return withService("SetDeviceUsable", int(RESULT_NOT_RUNNING),
                       [&](Service& s) { return s.setUsable(id, usable); });
}

int SimulateDeviceLoss(const std::string& id)
{
    return withService("SimulateDeviceLoss", int(RESULT_NOT_RUNNING),
                       [&](Service& s) { return s.simulateLoss(id); });
}

int SetCameraKind(const std::string& id, const std::string& kind)
{
    return withService("SetCameraKind", int(RESULT_NOT_RUNNING),
                       [&](Service& s) { return s.setKind(id, kind); });
}

int SetCameraLock(const std::string& id, const std::string& lockText)
{
    return withService("SetCameraLock", int(RESULT_NOT_RUNNING),
                       [&](Service& s) { return s.setLock(id, lockText); });
}

std::vector<DeviceEntry> ListDevices()
{
    std::shared_ptr<Service> service = Service::current();
    return service ? service->listDevices() : std::vector<DeviceEntry>();
}

void SetFocus(FOCUS_TYPE type, const std::string& id)
{
    withService("SetFocus", 0, [&](Service& s) {
        s.setFocus(type, id);
        return 0;
    });
}

void SetLanguage(const std::string& language)
{
    withService("SetLanguage", 0, [&](Service& s) {
        s.post([language](bool deliver) {
            if (deliver)
                listeners().language.forEach([&](ILangUpdate* l) { l->LangUpdated(language); });
        });
        return 0;
    });
}

void NotifyImport(const std::string& id)
{
    withService("NotifyImport", 0, [&](Service& s) {
        s.post([id](bool deliver) {
            if (deliver)
                listeners().import.forEach([&](IImportUpdate* l) { l->ImportUpdated(id); });
        });
        return 0;
    });
}

void NotifyImageMode(const std::string& id, int mode)
{
    withService("NotifyImageMode", 0, [&](Service& s) {
        s.post([id, mode](bool deliver) {
            if (deliver)
                listeners().imageMode.forEach([&](IImageModeUpdate* l) { l->ImageModeUpdated(id, mode); });
        });
        return 0;
    });
}

void NotifyROIDraw(const std::string& id, int leftX, int leftY, int rightX, int rightY, int operation,
                   int& roiId, bool& status)
{
    withService("NotifyROIDraw", 0, [&](Service& s) {
        // Each listener sees what the previous one left in roiId and status.
        int currentRoiId = roiId;
        bool currentStatus = status;
        s.postAndWait([&](bool deliver) {
            if (!deliver)
                return;
            listeners().roi.forEach([&](IROIDrawUpdate* l) {
                l->ROIDrawUpdated(id, leftX, leftY, rightX, rightY, operation, currentRoiId, currentStatus);
            });
        });
        roiId = currentRoiId;
        status = currentStatus;
        return 0;
    });
}

void RepublishDeviceList()
{
    withService("RepublishDeviceList", 0, [&](Service& s) {
        s.publishDeviceList();
        s.postAndWait([](bool) {});
        return 0;
    });
}

void RegisterImageView(IImageView* view)
{
    if (!view)
        return;
    // One view at a time: a new one replaces the previous.
    while (IImageView* previous = listeners().imageView.first()) {
        if (previous == view)
            return;
        listeners().imageView.remove(previous);
    }
    listeners().imageView.add(view);
}

void UnRegisterImageView(IImageView* view)
{
    listeners().imageView.remove(view);
}

ImageViewRecord GetImageViewRecord(const std::string& id)
{
    std::shared_ptr<Service> service = Service::current();
    return service ? service->imageViewRecord(id) : ImageViewRecord();
}

void WaitForIdle()
{
    std::shared_ptr<Service> service = Service::current();
    if (service)
        service->postAndWait([](bool) {});
}

} // namespace Corvid
