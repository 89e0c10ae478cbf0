#define G_LOG_DOMAIN "genapi"

#include "transportidentity.h"

#include "devicecontext.h"
#include "gvcpdiscovery.h"
#include "proxydevice.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace GenApi {
namespace Internal {

namespace {

// A discovery acknowledge carries the first 0xf8 bytes of the bootstrap
// registers after an 8-byte header.
constexpr size_t kHeaderSize = 8;
constexpr uint32_t kBootstrapSize = 0xf8;

} // namespace

bool ReadTransportIdentity(DeviceContext* ctx, DeviceDescriptor* out)
{
    if (!ctx || ctx->lost.load())
        return false;
    ArvDevice* transport = ProxyTransportDevice(ctx);
    if (!transport)
        return false;
    const bool gige = ARV_IS_GV_DEVICE(transport);
    g_object_unref(transport);
    if (!gige)
        return false;

    // The registers go through the same deadline-bound path as every read.
    std::vector<uint8_t> packet(kHeaderSize + kBootstrapSize, 0);
    GError* error = nullptr;
    bool read = false;
    {
        std::lock_guard<std::recursive_mutex> lock(ctx->mutex);
        read = arv_device_read_memory(ctx->device, 0, kBootstrapSize, packet.data() + kHeaderSize, &error);
    }
    if (!read) {
        g_clear_error(&error);
        return false;
    }
    // Parsed as a discovery acknowledge, so that a device opened by address
    // and the same device found by discovery describe themselves alike.
    const uint8_t header[kHeaderSize] = {0, 0, 0, 0x03, 0, uint8_t(kBootstrapSize), 0xff, 0xff};
    std::copy(header, header + kHeaderSize, packet.begin());
    GvcpAnnouncement announcement;
    if (!parseDiscoveryAck(packet.data(), packet.size(), &announcement))
        return false;
    out->vendor = announcement.vendor;
    out->model = announcement.model;
    out->serial = announcement.serial;
    out->protocol = "GigEVision";
    out->address = announcement.address;
    return true;
}

} // namespace Internal
} // namespace GenApi
