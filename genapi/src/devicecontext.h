// Internal: what the node map needs of the device it was built for. The
// device layer (simulated device, Aravis devices) fills it; the node layer
// builds the GenApi nodes over its ArvGc. Included only by genapi's own
// sources (it pulls in arv.h).
#pragma once

#include "descriptioncheck.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/Interfaces.h>

#include <arv.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace GenApi {
namespace Internal {

//! A description text compressed with zlib.
struct PackedText
{
    std::vector<unsigned char> bytes;
    size_t size = 0; //!< the text's length before compression
};

struct DeviceContext
{
    ArvDevice* device = nullptr; //!< the device the ArvGc reads and writes through (owned, a GObject ref)
    ArvGc* gc = nullptr;         //!< the evaluated description (owned, a GObject ref)
    //! The description text (DescriptionText of what the device gave) while
    //! the device opens. Once its node map is built the text is only handed
    //! back on request, so it is kept compressed (packDescription) and
    //! unpacked when asked for.
    std::string xml;
    //! The packed text, shared by every open device of the same text.
    std::shared_ptr<const PackedText> packedXml;
    //! The checked description, set by BuildDescription with Aravis's document;
    //! shared by every open device of the same text (it never changes once
    //! built; what a device reads and caches is kept apart, per device).
    std::shared_ptr<const CheckedDescription> checked;
    //! Names the text among open devices' texts (its digest and length), once checked.
    std::string textKey;
    std::string name; //!< for messages: file name or device id
    //! Serialises every access to the device and its ArvGc from any thread.
    mutable std::recursive_mutex mutex;
    //! Set once the device is gone; every access then throws at once.
    std::atomic<bool> lost{false};
    //! Register traffic, counted by the device layer.
    std::atomic<uint64_t> registerReads{0};
    std::atomic<uint64_t> registerWrites{0};
    std::atomic<uint64_t> bytesRead{0};
    std::atomic<uint64_t> bytesWritten{0};

    ~DeviceContext();

    //! Compresses xml into packedXml (or takes the packed text of another open
    //! device with the same text) and frees xml (keeps xml when it cannot be
    //! compressed).
    void packDescription();
    //! The description text, whether packed or not.
    std::string descriptionText() const;
    //! The description text, unpacked into xml (and kept there) when packed:
    //! for Aravis's get_genicam_xml, which hands out a pointer.
    const std::string& unpackedDescription();
};

//! Whether an open device has that text (passed through DescriptionText):
//! such a text was checked and accepted already.
bool IsKnownDescription(const std::string& text);

//! Reads ctx->xml once (normalised first): checks it into ctx->checked and
//! builds Aravis's document of it over ctx->device into ctx->gc from the
//! same parse, which `also` (when given) sees too. False, with the reason
//! in *error, when the description is refused.
bool BuildDescription(DeviceContext* ctx, std::string* error, MarkupSink* also = nullptr);

//! False, with the reason in *why, when a register node's length (from
//! <Length> or evaluated through <pLength>) is outside the bounds of its
//! type; true for nodes that are not registers.
bool RegisterLengthUsable(ArvGcNode* node, std::string_view type, std::string* why);

//! Builds the GenApi node map over ctx->gc (the node layer). The node map
//! keeps ctx alive. Throws GenICam::RuntimeException when the description
//! cannot be used.
std::unique_ptr<INodeMap, void (*)(INodeMap*)> CreateNodeMap(std::shared_ptr<DeviceContext> ctx);

} // namespace Internal
} // namespace GenApi
