// Device ids made from what devices report about themselves.
//
// An id is shown to users, written in settings files and scripts, used as a
// map key and converted to and from UTF-16 by every host: it must be one
// printable word of valid UTF-8 whatever bytes a device sends, and two
// different reports must not give the same id.
#pragma once

#include <GenApi/DeviceConnection.h>

#include <functional>
#include <string>
#include <string_view>

namespace Corvid {
namespace Internal {

//! The bytes as one printable word: valid UTF-8 that prints is kept;
//! blanks, '/' and '\' become '-'; '%', control characters, invisible
//! format characters and bytes that are not UTF-8 become %XX. At most
//! kMaxIdPartBytes of the input are used.
std::string idPart(std::string_view bytes);

//! The id of a device reached through Aravis: from its serial number (or
//! its MAC address when it reports none), else from what it was opened with.
std::string aravisDeviceId(const std::string& serialOrMac, const std::string& openedWith);

//! The id of a simulated device: from its description file's name.
std::string simulatedDeviceId(const std::string& path);

constexpr size_t kMaxIdPartBytes = 64;

//! Looks for the device of an id made by aravisDeviceId among the devices
//! that answer discovery now: true with what discovery says about it.
//! cancelled is asked while the search runs.
bool discoverDeviceById(const std::string& id, const std::function<bool()>& cancelled,
                        GenApi::DeviceDescriptor* found);

} // namespace Internal
} // namespace Corvid
