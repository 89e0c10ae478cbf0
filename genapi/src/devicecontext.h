// Internal: what the node map needs of the device it was built for. The
// device layer (simulated device, Aravis devices) fills it; the node layer
// builds the GenApi nodes over its ArvGc. Included only by genapi's own
// sources (it pulls in arv.h).
#pragma once

#include <GenApi/DeviceConnection.h>
#include <GenApi/Interfaces.h>

#include <arv.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace GenApi {
namespace Internal {

struct DeviceContext
{
    ArvDevice* device = nullptr; //!< the device the ArvGc reads and writes through (owned, a GObject ref)
    ArvGc* gc = nullptr;         //!< the evaluated description (owned, a GObject ref)
    std::string xml;             //!< the description text, for the elements that Aravis drops
    std::string name;            //!< for messages: file name or device id
    //! Serialises every access to the device and its ArvGc from any thread.
    std::recursive_mutex mutex;
    //! Set once the device is gone; every access then throws at once.
    std::atomic<bool> lost{false};
    //! Register traffic, counted by the device layer.
    std::atomic<uint64_t> registerReads{0};
    std::atomic<uint64_t> registerWrites{0};
    std::atomic<uint64_t> bytesRead{0};
    std::atomic<uint64_t> bytesWritten{0};

    ~DeviceContext();
};

//! Builds the GenApi node map over ctx->gc (the node layer). The node map
//! keeps ctx alive. Throws GenICam::RuntimeException when the description
//! cannot be used.
std::unique_ptr<INodeMap, void (*)(INodeMap*)> CreateNodeMap(std::shared_ptr<DeviceContext> ctx);

} // namespace Internal
} // namespace GenApi
