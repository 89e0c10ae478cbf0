// Raises an Aravis error through the node layer's error conversion (kept
// apart from the Qt test: Aravis's headers and Qt's do not mix).
#pragma once

#include <string>

enum class AravisErrorDomain
{
    Description, //!< ARV_GC_ERROR
    Device       //!< ARV_DEVICE_ERROR
};

//! Converts the error (domain, code) as the node layer does and rethrows the
//! resulting GenICam exception.
[[noreturn]] void throwConvertedAravisError(AravisErrorDomain domain, int code, bool deviceLost);

//! Aravis's codes, by name, for the test's table.
int aravisErrorCode(const std::string& name);
