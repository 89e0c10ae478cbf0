// Turning an Aravis GError into the GenICam exception of the matching kind.
#pragma once

#include <glib.h>

#include <string>

namespace GenApi {
namespace Internal {

//! Throws the GenICam exception that matches error (and frees it): range
//! errors give OutOfRangeException, bad values InvalidArgumentException,
//! read-only and write-protect errors AccessException, transport timeouts
//! TimeoutException, everything else RuntimeException. The description names
//! the node and, when the device is lost, says so.
[[noreturn]] void throwFromGError(GError* error, const std::string& nodeName, bool deviceLost,
                                  const char* file, unsigned int line);

} // namespace Internal
} // namespace GenApi

#define GENAPI_THROW_GERROR(error, nodeName, lost)                                                           \
    GenApi::Internal::throwFromGError((error), (nodeName), (lost), __FILE__, __LINE__)
