#include "arverror.h"

#include <Base/GCException.h>

#include <arv.h>

namespace GenApi {
namespace Internal {

bool isUndefinedProperty(const GError* error)
{
    return error && error->domain == ARV_GC_ERROR && error->code == ARV_GC_ERROR_PROPERTY_NOT_DEFINED;
}

void throwFromGError(GError* error, const std::string& nodeName, bool deviceLost, const char* file,
                     unsigned int line)
{
    std::string message = error && error->message ? error->message : "unknown error";
    const GQuark domain = error ? error->domain : 0;
    const int code = error ? error->code : 0;
    if (error)
        g_error_free(error);

    std::string description = "Node '" + nodeName + "': ";
    if (deviceLost) {
        description += "the device is lost (" + message + ")";
        throw GenICam::AccessException(description.c_str(), file, line);
    }
    description += message;

    if (domain == ARV_GC_ERROR) {
        switch (code) {
        case ARV_GC_ERROR_OUT_OF_RANGE:
            throw GenICam::OutOfRangeException(description.c_str(), file, line);
        case ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND:
        case ARV_GC_ERROR_INVALID_LENGTH:
        case ARV_GC_ERROR_SET_FROM_STRING_UNDEFINED:
        case ARV_GC_ERROR_INVALID_BIT_RANGE:
        case ARV_GC_ERROR_INVALID_SYNTAX:
            throw GenICam::InvalidArgumentException(description.c_str(), file, line);
        case ARV_GC_ERROR_READ_ONLY:
            throw GenICam::AccessException(description.c_str(), file, line);
        default:
            break;
        }
    } else if (domain == ARV_DEVICE_ERROR) {
        switch (code) {
        case ARV_DEVICE_ERROR_TIMEOUT:
            throw GenICam::TimeoutException(description.c_str(), file, line);
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT:
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED:
        case ARV_DEVICE_ERROR_NOT_CONTROLLER:
            throw GenICam::AccessException(description.c_str(), file, line);
        case ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER:
            throw GenICam::InvalidArgumentException(description.c_str(), file, line);
        default:
            break;
        }
    }
    throw GenICam::RuntimeException(description.c_str(), file, line);
}

} // namespace Internal
} // namespace GenApi
