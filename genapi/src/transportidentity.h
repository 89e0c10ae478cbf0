// What a GigE Vision device says about itself in its bootstrap registers,
// read from an opened device.
#pragma once

#include <GenApi/DeviceConnection.h>

namespace GenApi {
namespace Internal {

struct DeviceContext;

//! Fills vendor, model, serial (the MAC address when the device has no
//! serial number), protocol and address from the bootstrap registers of
//! the GigE Vision device behind ctx, exactly as discovery reads them from
//! its acknowledge. False when the device is no GigE Vision device or the
//! registers cannot be read.
bool ReadTransportIdentity(DeviceContext* ctx, DeviceDescriptor* out);

} // namespace Internal
} // namespace GenApi
