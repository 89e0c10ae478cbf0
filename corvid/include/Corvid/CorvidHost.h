// The host application's side of the camera service: starting and stopping
// it, its devices, and the events a real host produces (focus, language,
// lock, import, ROI drawing). Each event reaches the registered listeners on
// the service's own thread, as the real service delivers them.
#pragma once

#include <Corvid/Corvid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Corvid {

struct ServiceOptions
{
    //! Load the simulated devices of the project's devices/ folder (the
    //! structured-light camera, the second camera of the family, the card).
    bool defaultDevices = true;
    //! Where the default descriptions are; empty: the built-in location.
    std::string devicesDir;
    //! Look for real GigE Vision / USB3 Vision devices through Aravis, now and
    //! then again (this also finds the loopback GigE Vision emulator).
    bool discover = false;
    //! Let GigE Vision devices name their description by a file on this
    //! computer ("File:" URL). Off: only descriptions in the device's own
    //! memory are read; a device could otherwise make us read any file.
    bool allowDeviceFileUrls = false;
    //! Settings file for the host parameters (user level); empty: the user's
    //! configuration directory.
    std::string settingsFile;
    //! Optional log file; empty: no file.
    std::string logFile;
    //! How often device health is checked, in milliseconds.
    int healthCheckIntervalMs = 1000;
};

struct DeviceEntry
{
    std::string id;
    bool isCard = false;
    std::string model;
    std::string description; //!< description file or transport address
    bool usable = false;
    //! Why the device cannot be used although it was found (its description
    //! was refused, ...); empty for a device that opened.
    std::string error;
};

//! The image view a host registers for the ROI and display calls.
class IImageView
{
public:
    virtual int DrawROI(const std::string& id, int x1, int y1, int x2, int y2, int& roiId, bool& ok,
                        int shape, int flags) = 0;
    virtual int SetROIPos(const std::string& id, int roiId, int x1, int y1, int x2, int y2) = 0;
    virtual int RomoveROI(const std::string& id, int roiId) = 0;
    virtual int NotifyCorrection(const std::string& id, int enable, float value, void* data) = 0;
    virtual int SetSLImageShowMode(const std::string& id, int mode) = 0;
    virtual int SetCameraImageMode(const std::string& id, int mode, bool enable) = 0;
    virtual int StartGrab(const std::string& id) = 0;

protected:
    ~IImageView() = default;
};

//! Starts the service (its thread, its default devices). Returns 0, or
//! non-zero when it already runs.
CORVID_API int StartService(const ServiceOptions& options = ServiceOptions());
//! Stops the service: its thread ends, its devices close.
CORVID_API void StopService();
CORVID_API bool IsServiceRunning();

//! Adds a simulated camera (or card) described by a GenICam XML file. The
//! id is stable for the file. Returns the id; "" when the file cannot be
//! read (logged). A description that is refused still gives a device: listed
//! unusable, with the reason in its error (DeviceEntry, CAM_INFO_ERROR,
//! CARD_INFO_ERROR), and named in no device list given to the listeners.
CORVID_API std::string AddSimulatedCamera(const std::string& xmlPath, const std::string& kind = "1");
CORVID_API std::string AddSimulatedCard(const std::string& xmlPath);
//! Opens a real device (Aravis id or GigE Vision IP address) as a camera.
CORVID_API std::string AddAravisCamera(const std::string& idOrAddress, const std::string& kind = "1");
//! The device is named in one more device list (its information then reads
//! empty, so hosts let go of it), then left out. Its node map stays valid,
//! failing every access, for a few seconds more.
CORVID_API int RemoveDevice(const std::string& id);
CORVID_API int SetDeviceUsable(const std::string& id, bool usable);
//! Marks the device's transport lost, as when the cable is pulled; the
//! health check then reports it like a real loss. Adding the same device
//! again opens it anew under the same id.
CORVID_API int SimulateDeviceLoss(const std::string& id);
CORVID_API int SetCameraKind(const std::string& id, const std::string& kind);
CORVID_API int SetCameraLock(const std::string& id, const std::string& lockText);
CORVID_API std::vector<DeviceEntry> ListDevices();

CORVID_API void SetFocus(FOCUS_TYPE type, const std::string& id);
//! "English" or "Chinese".
CORVID_API void SetLanguage(const std::string& language);
CORVID_API void NotifyImport(const std::string& id);
CORVID_API void NotifyImageMode(const std::string& id, int mode);
//! A ROI drawing event of the image view; roiId and status as the listeners
//! leave them.
CORVID_API void NotifyROIDraw(const std::string& id, int leftX, int leftY, int rightX, int rightY,
                              int operation, int& roiId, bool& status);
//! Sends the device list again (source 1) and waits until the listeners
//! returned.
CORVID_API void RepublishDeviceList();

CORVID_API void RegisterImageView(IImageView* view);
CORVID_API void UnRegisterImageView(IImageView* view);

//! What the plug-ins last asked of the image view for one camera, kept
//! whether or not a view is registered.
struct ImageViewRecord
{
    int slImageShowMode = 0;             //!< last SetSLImageShowMode
    int cameraImageMode = 0;             //!< last SetCameraImageMode
    bool cameraImageModeEnabled = false; //!< its flag
    int grabCount = 0;                   //!< StartGrab calls so far
    int correctionEnable = 0;            //!< last NotifyCorrection
    float correctionValue = 0.0f;
    int roiId = -1; //!< region of the last DrawROI, SetROIPos or RomoveROI
    int roiX1 = 0, roiY1 = 0, roiX2 = 0, roiY2 = 0;
    bool roiRemoved = false; //!< RomoveROI came last
};
CORVID_API ImageViewRecord GetImageViewRecord(const std::string& id);

//! GenICam pixel format codes of the frames the image view shows.
enum PixelFormatCode : uint32_t
{
    PIXEL_MONO8 = 0x01080001,
    PIXEL_MONO16 = 0x01100007,
    PIXEL_RGB8 = 0x02180014,
    PIXEL_COORD3D_C16 = 0x011000B8 //!< 16-bit depth, shown as grey
};

//! One image of a camera: rows packed one after the other.
struct Frame
{
    std::string deviceId;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t offsetX = 0;
    uint32_t offsetY = 0;
    uint32_t pixelFormat = 0; //!< PixelFormatCode or another GenICam code
    uint64_t frameId = 0;
    //! The pixels, when the frame owns them.
    std::vector<uint8_t> data;
    //! Or the pixels in storage the frame shares, `sharedSize` bytes (a
    //! stream's buffer, lent without a copy and given back to the stream
    //! when the last holder lets go); used instead of data when set.
    std::shared_ptr<const uint8_t> shared;
    size_t sharedSize = 0;

    const uint8_t* bytes() const { return shared ? shared.get() : data.data(); }
    size_t byteCount() const { return shared ? sharedSize : data.size(); }
};

//! Receives the frames of one acquisition.
class IFrameListener
{
public:
    //! A new frame, on the acquisition's thread. Return quickly: hand the
    //! frame on, do not convert or show it here.
    virtual void FrameArrived(const std::shared_ptr<const Frame>& frame) = 0;
    //! The acquisition ended on its own (the device was removed, lost or made
    //! unusable, its stream failed, the service stopped); on the
    //! acquisition's thread. No frame follows.
    virtual void AcquisitionEnded(const std::string& id, const std::string& reason) = 0;

protected:
    ~IFrameListener() = default;
};

struct AcquisitionOptions
{
    //! Rate of the synthetic frames of a simulated camera.
    int syntheticFramesPerSecond = 25;
};

//! Starts sending the camera's frames ("" the focused camera) to listener,
//! from a thread of its own. A listener has one acquisition at a time: a
//! running one is stopped first. A camera reached through Aravis streams
//! (its AcquisitionStart is run); a simulated camera gives synthetic frames
//! made from its Width, Height, OffsetX, OffsetY and PixelFormat and the
//! last SetSLImageShowMode for it, one picture per mode (mode 0: no frames).
//! Returns 0, or non-zero when the camera is unknown or unusable.
CORVID_API int StartAcquisition(const std::string& id, IFrameListener* listener,
                                const AcquisitionOptions& options = AcquisitionOptions());
//! Stops the listener's acquisition (AcquisitionStop on a streaming
//! device); no listener call follows once it returns. Not to be called from
//! inside a listener call.
CORVID_API void StopAcquisition(IFrameListener* listener);

//! Blocks until every event queued so far has been delivered to the
//! listeners (for hosts and tests that need a known state).
CORVID_API void WaitForIdle();

} // namespace Corvid
