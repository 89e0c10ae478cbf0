// The camera-service library as the plug-ins see it: listener interfaces the
// service calls (from its own thread) and free functions for device
// information, node maps, feature values as text, the image view, the user
// level and logging. Strings cross as UTF-8 std::string; ids are the
// service's device ids; an int result is 0 on success. Nothing throws.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#define CORVID_API __attribute__((visibility("default")))

namespace GenApi {
struct INodeMap;
}

namespace Corvid {

//! Results of the int calls: 0 on success, one of these otherwise.
enum RESULT_CODE
{
    RESULT_OK = 0,
    RESULT_NOT_RUNNING = -1,     //!< the service is not started
    RESULT_UNKNOWN_DEVICE = -2,  //!< no device of that id
    RESULT_UNKNOWN_NODE = -3,    //!< the device has no feature of that name
    RESULT_ACCESS_DENIED = -4,   //!< not readable / not writable now, or the device is lost
    RESULT_BAD_VALUE = -5,       //!< a text the feature or key does not take (format, range, entry)
    RESULT_DEVICE_ERROR = -6,    //!< any other failure of the device or its node map
    RESULT_BAD_KEY = -7,         //!< an information or parameter key that cannot be set
    RESULT_NO_VIEW = -8,         //!< no image view registered
    RESULT_STORAGE_ERROR = -9,   //!< the settings file could not be written
    RESULT_ALREADY_RUNNING = -10 //!< StartService while the service runs
};

enum FOCUS_TYPE
{
    FOCUS_NONE = 0,
    FOCUS_SYSTEM = 1,
    FOCUS_CARD = 2,
    FOCUS_CAMERA = 3
};

enum NodeMapType
{
    NODEMAP_SYSTEM = 0,
    NODEMAP_INTERFACE = 1,
    NODEMAP_LOCAL_DEVICE = 2,
    NODEMAP_REMOTE_DEVICE = 3, //!< the device's own GenICam node map
    NODEMAP_STREAM = 4
};

enum CAM_INFO
{
    CAM_INFO_ID = 0,
    CAM_INFO_MODEL = 1,
    CAM_INFO_SERIAL = 2,
    CAM_INFO_OPENED = 3,    //!< "1" while the device is open
    CAM_INFO_CONNECTED = 4, //!< "1" while the device answers
    CAM_INFO_VENDOR = 5,
    CAM_INFO_KIND = 6, //!< device family: "1" or "5" for the structured-light cameras
    CAM_INFO_ADDRESS = 7,
    CAM_INFO_ERROR = 8, //!< why the device cannot be opened (a refused description); empty when it opened
    CAM_INFO_LOCK = 10, //!< lock text set by the host: "1" locks, "0" unlocks the panel
    CAM_INFO_PANEL_50 = 50,
    CAM_INFO_SAMPLING_RATE = 51, //!< "0" until first set
    CAM_INFO_PANEL_52 = 52,
    CAM_INFO_PANEL_53 = 53,
    CAM_INFO_PANEL_54 = 54,
    CAM_INFO_PANEL_55 = 55,
    CAM_INFO_PANEL_56 = 56
};

enum CARD_INFO
{
    CARD_INFO_ID = 0,
    CARD_INFO_KIND = 1, //!< "4" for our frame-grabber cards
    CARD_INFO_MODEL = 2,
    CARD_INFO_USABLE = 3, //!< "1" while usable
    CARD_INFO_ERROR = 4   //!< why the card cannot be opened; empty when it opened
};

enum PARAMETER_INFO
{
    PARAMETER_USER_LEVEL = 24 //!< feature-tree user level as decimal text
};

// Listener interfaces: one pure operation each, no virtual destructor; the
// service never deletes a listener.
class IDeviceListUpdate
{
public:
    //! The set of devices or their usability changed. source 1: the device
    //! service. The service waits for the call to return.
    virtual void DeviceListUpdated(int source, std::vector<std::string> cardList,
                                   std::vector<std::string> camList) = 0;
};

class IFocusUpdate
{
public:
    virtual void FocusUpdated(FOCUS_TYPE type, std::string id) = 0;
};

class ILangUpdate
{
public:
    //! "English" or "Chinese".
    virtual void LangUpdated(std::string language) = 0;
};

class IROIDrawUpdate
{
public:
    virtual void ROIDrawUpdated(std::string id, int leftX, int leftY, int rightX, int rightY, int operation,
                                int& roiId, bool& status) = 0;
};

class IImageModeUpdate
{
public:
    virtual void ImageModeUpdated(std::string id, int mode) = 0;
};

class IImportUpdate
{
public:
    virtual void ImportUpdated(std::string id) = 0;
};

// Registration: safe from any thread, also while notifications are under way;
// after UnRegister returns, the listener is not called again.
// UnRegister waits for a call to the listener running on another thread (at
// most 10 s; a listener that waits for the unregistering thread must give up
// before that); from inside a listener call it returns at once. Registrations
// outlive a restart of the service. A device-list listener registered while
// the service runs is sent the cards on their own, then the whole list.
CORVID_API int RegisterDeviceListUpdateListener(IDeviceListUpdate* listener);
CORVID_API int UnRegisterDeviceListUpdateListener(IDeviceListUpdate* listener);
CORVID_API int RegisterFocusUpdateListener(IFocusUpdate* listener);
CORVID_API int UnRegisterFocusUpdateListener(IFocusUpdate* listener);
CORVID_API int RegisterLangUpdateListener(ILangUpdate* listener);
CORVID_API int UnRegisterLangUpdateListener(ILangUpdate* listener);
CORVID_API int RegisterROIUpdateListener(IROIDrawUpdate* listener);
CORVID_API int UnRegisterROIUpdateListener(IROIDrawUpdate* listener);
CORVID_API int RegisterImageModeUpdateListener(IImageModeUpdate* listener);
CORVID_API int UnRegisterImageModeUpdateListener(IImageModeUpdate* listener);
CORVID_API int RegisterImportUpdateListener(IImportUpdate* listener);
CORVID_API int UnRegisterImportUpdateListener(IImportUpdate* listener);

// Device information as decimal text; "" for an unknown id or key. In every
// call that takes a camera id, "" means the camera focused last (SetFocus).
CORVID_API std::string GetCameraInfo(const std::string& id, CAM_INFO key);
CORVID_API std::string GetCardInfo(const std::string& id, CARD_INFO key);
CORVID_API int SetCameraInfo(const std::string& id, CAM_INFO key, const std::string& value);

//! The device's node map (owned by the service, valid while the device is
//! listed; it may go as soon as the device is removed or opened again), or
//! null for an unknown id or another node-map type.
CORVID_API GenApi::INodeMap* GetAttrNodeMap(FOCUS_TYPE type, const std::string& id, NodeMapType mapType);
//! The same node map, shared: it and the device's connection stay valid for
//! as long as a holder keeps the pointer. Once the device is removed or
//! opened again the service closes that connection: the held map stays
//! readable as memory, but every access to a feature's value through it
//! throws a GenApi exception at once, without waiting for the device.
CORVID_API std::shared_ptr<GenApi::INodeMap> AcquireAttrNodeMap(FOCUS_TYPE type, const std::string& id,
                                                                NodeMapType mapType);

//! The feature's value as text (booleans "True"/"False").
CORVID_API int GetCameraNodeValue(const std::string& id, const std::string& node, std::string& value);
//! Writes the feature from text (booleans "1"/"0"/"True"/"False"); an empty
//! value executes a command feature. Called on the application's GUI thread
//! it waits for the device 40 ms at most: a write not answered by then gives
//! RESULT_DEVICE_ERROR and a record of kind "not-confirmed" (the device may
//! still take it; its value is read from the device once it answers).
CORVID_API int SetCameraNodeValue(const std::string& id, const std::string& node, const std::string& value);

//! Host parameters kept in the host's settings; key 24 is the user level.
CORVID_API std::string GetParamterInfo(PARAMETER_INFO key);
CORVID_API int SetParamterInfo(PARAMETER_INFO key, const std::string& value);

// The host's image view. Without a registered view DrawROI fails (non-zero,
// ok false) and the others are recorded and return 0.
CORVID_API int DrawROI(const std::string& id, int x1, int y1, int x2, int y2, int& roiId, bool& ok, int shape,
                       int flags);
CORVID_API int SetROIPos(const std::string& id, int roiId, int x1, int y1, int x2, int y2);
CORVID_API int RomoveROI(const std::string& id, int roiId);
CORVID_API int NotifyCorrection(const std::string& id, int enable, float value, void* data);
CORVID_API int SetSLImageShowMode(const std::string& id, int mode);
CORVID_API int SetCameraImageMode(const std::string& id, int mode, bool enable);
CORVID_API int StartGrab(const std::string& id);

//! Logs message under the tag (a logging category per tag). level 0 info,
//! 1 warning, 2 error.
CORVID_API void VLogInfo(const std::string& tag, const std::string& message, int level);

//! One logged problem or event as fields, so that a host can show the device,
//! the feature and the kind of failure without reading the text.
struct LogRecord
{
    std::string tag;       //!< the logging category ("TreeItem", "Corvid", a feature's name, ...)
    int level = 0;         //!< as VLogInfo's: below 0 debug, 0 info, 1 warning, 2 error
    std::string device;    //!< the device's id; empty when the record names none
    std::string feature;   //!< the feature's name; empty when none
    std::string operation; //!< "read", "write", "execute", "open", ...; empty when none
    std::string kind;      //!< the failure's kind ("AccessException", "lost", ...); empty when none
    std::string text;      //!< the message, as VLogInfo logs it
    std::string detail;    //!< the reason alone (the device's or the system's words); empty when none
};

//! Logs record.text under record.tag at record.level, as VLogInfo does, and
//! hands the record to the host's record sink.
CORVID_API void VLogRecord(const LogRecord& record);
//! The host's record sink: called, from the logging thread, with every record
//! (a VLogInfo message arrives as a record with only tag, level and text). An
//! empty function removes it.
CORVID_API void SetLogRecordSink(std::function<void(const LogRecord&)> sink);
//! True while the calling thread prints a record's text through Qt's message
//! handler: a handler that takes the records from the sink leaves that
//! message alone.
CORVID_API bool IsPrintingLogRecord();

} // namespace Corvid
