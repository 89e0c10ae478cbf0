#include "arverrorprobe.h"

#include "arverror.h"

#include <arv.h>

#include <cstring>

void throwConvertedAravisError(AravisErrorDomain domain, int code, bool deviceLost)
{
    GError* error = g_error_new(domain == AravisErrorDomain::Description ? ARV_GC_ERROR : ARV_DEVICE_ERROR,
                                code, "probe error %d", code);
    GenApi::Internal::throwFromGError(error, "Probe", deviceLost, __FILE__, __LINE__);
}

int aravisErrorCode(const std::string& name)
{
    static const struct
    {
        const char* name;
        int code;
    } codes[] = {
        {"ARV_GC_ERROR_OUT_OF_RANGE", ARV_GC_ERROR_OUT_OF_RANGE},
        {"ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND", ARV_GC_ERROR_ENUM_ENTRY_NOT_FOUND},
        {"ARV_GC_ERROR_INVALID_SYNTAX", ARV_GC_ERROR_INVALID_SYNTAX},
        {"ARV_GC_ERROR_READ_ONLY", ARV_GC_ERROR_READ_ONLY},
        {"ARV_GC_ERROR_NODE_NOT_FOUND", ARV_GC_ERROR_NODE_NOT_FOUND},
        {"ARV_DEVICE_ERROR_TIMEOUT", ARV_DEVICE_ERROR_TIMEOUT},
        {"ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT", ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT},
        {"ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED", ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED},
        {"ARV_DEVICE_ERROR_TRANSFER_ERROR", ARV_DEVICE_ERROR_TRANSFER_ERROR},
        {"ARV_DEVICE_ERROR_NOT_CONNECTED", ARV_DEVICE_ERROR_NOT_CONNECTED},
    };
    for (const auto& entry : codes) {
        if (name == entry.name)
            return entry.code;
    }
    return -1;
}
