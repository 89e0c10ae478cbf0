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

//! True for Aravis's "element not defined" error, which it also gives for
//! limits a node simply does not have (a SwissKnife's Min, a register's Inc);
//! the value it returns with it is then the natural default.
bool isUndefinedProperty(const GError* error);

} // namespace Internal
} // namespace GenApi

#define GENAPI_THROW_GERROR(error, nodeName, lost)                                                           \
    GenApi::Internal::throwFromGError((error), (nodeName), (lost), __FILE__, __LINE__)
