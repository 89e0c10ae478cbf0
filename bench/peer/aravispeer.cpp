#include "aravispeer.h"

#include <arv.h>
#include <malloc.h>

#include <chrono>
#include <cstring>
#include <map>
#include <vector>

// A device that is only memory, for Aravis's document to read from.
#define PEER_TYPE_MEMORY_DEVICE (peer_memory_device_get_type())
G_DECLARE_FINAL_TYPE(PeerMemoryDevice, peer_memory_device, PEER, MEMORY_DEVICE, ArvDevice)

struct _PeerMemoryDevice
{
    ArvDevice parent;
    std::map<guint64, std::vector<guint8>>* pages; // 4 KiB pages, created on first write
    ArvGc* gc;                                     // not owned
};

G_DEFINE_TYPE(PeerMemoryDevice, peer_memory_device, ARV_TYPE_DEVICE)

static gboolean peer_read_memory(ArvDevice* device, guint64 address, guint32 size, void* buffer, GError**)
{
    auto* self = PEER_MEMORY_DEVICE(device);
    auto* out = static_cast<guint8*>(buffer);
    for (guint32 i = 0; i < size; ++i) {
        const auto page = self->pages->find((address + i) / 4096);
        out[i] = page == self->pages->end() ? 0 : page->second[(address + i) % 4096];
    }
    return TRUE;
}

static gboolean peer_write_memory(ArvDevice* device, guint64 address, guint32 size, void* buffer, GError**)
{
    auto* self = PEER_MEMORY_DEVICE(device);
    const auto* in = static_cast<const guint8*>(buffer);
    for (guint32 i = 0; i < size; ++i) {
        std::vector<guint8>& page = (*self->pages)[(address + i) / 4096];
        page.resize(4096);
        page[(address + i) % 4096] = in[i];
    }
    return TRUE;
}

static gboolean peer_read_register(ArvDevice* device, guint64 address, guint32* value, GError** error)
{
    return peer_read_memory(device, address, 4, value, error);
}

static gboolean peer_write_register(ArvDevice* device, guint64 address, guint32 value, GError** error)
{
    return peer_write_memory(device, address, 4, &value, error);
}

static ArvGc* peer_get_genicam(ArvDevice* device)
{
    return PEER_MEMORY_DEVICE(device)->gc;
}

static void peer_memory_device_init(PeerMemoryDevice* self)
{
    self->pages = new std::map<guint64, std::vector<guint8>>;
    self->gc = nullptr;
}

static void peer_memory_device_finalize(GObject* object)
{
    delete PEER_MEMORY_DEVICE(object)->pages;
    G_OBJECT_CLASS(peer_memory_device_parent_class)->finalize(object);
}

static void peer_memory_device_class_init(PeerMemoryDeviceClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = peer_memory_device_finalize;
    ArvDeviceClass* deviceClass = ARV_DEVICE_CLASS(klass);
    deviceClass->get_genicam = peer_get_genicam;
    deviceClass->read_memory = peer_read_memory;
    deviceClass->write_memory = peer_write_memory;
    deviceClass->read_register = peer_read_register;
    deviceClass->write_register = peer_write_register;
}

namespace AravisPeer {

namespace {
using Clock = std::chrono::steady_clock;

double elapsedUs(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}
} // namespace

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

Parse parse(const std::string& xml)
{
    Parse result;
    const std::size_t before = heapInUse();
    const auto start = Clock::now();
    ArvGc* gc = arv_gc_new(nullptr, xml.data(), xml.size());
    result.ms = elapsedUs(start) / 1000.0;
    result.bytes = heapInUse() - before;
    result.ok = gc != nullptr;
    g_clear_object(&gc);
    return result;
}

namespace {

// Reads every feature below node, as a walk of the whole tree does.
void readAll(ArvDomNode* node)
{
    for (ArvDomNode* child = arv_dom_node_get_first_child(node); child;
         child = arv_dom_node_get_next_sibling(child)) {
        if (ARV_IS_GC_FEATURE_NODE(child) && !ARV_IS_GC_CATEGORY(child) && !ARV_IS_GC_COMMAND(child) &&
            !ARV_IS_GC_PORT(child)) {
            GError* error = nullptr;
            arv_gc_feature_node_is_available(ARV_GC_FEATURE_NODE(child), &error);
            g_clear_error(&error);
            arv_gc_feature_node_get_value_as_string(ARV_GC_FEATURE_NODE(child), &error);
            g_clear_error(&error);
        }
        readAll(child);
    }
}

} // namespace

std::size_t evaluatedDocumentBytes(const std::string& xml)
{
    const std::size_t before = heapInUse();
    auto* device = static_cast<PeerMemoryDevice*>(g_object_new(PEER_TYPE_MEMORY_DEVICE, nullptr));
    ArvGc* gc = arv_gc_new(ARV_DEVICE(device), xml.data(), xml.size());
    std::size_t bytes = 0;
    if (gc) {
        device->gc = gc;
        arv_gc_set_register_cache_policy(gc, ARV_REGISTER_CACHE_POLICY_ENABLE);
        readAll(ARV_DOM_NODE(gc));
        bytes = heapInUse() - before;
    }
    g_clear_object(&gc);
    g_object_unref(device);
    return bytes;
}

Reads directReads(const char* address, const char* feature, int cachedCount, int uncachedCount)
{
    Reads result;
    GError* error = nullptr;
    ArvDevice* device = arv_open_device(address, &error);
    if (!device) {
        result.error = error ? error->message : "cannot open the device";
        g_clear_error(&error);
        return result;
    }
    auto timeReads = [&](ArvRegisterCachePolicy policy, int count) {
        arv_device_set_register_cache_policy(device, policy);
        arv_device_get_integer_feature_value(device, feature, &error); // fills the cache
        const auto start = Clock::now();
        for (int i = 0; i < count && !error; ++i)
            arv_device_get_integer_feature_value(device, feature, &error);
        return elapsedUs(start) / count;
    };
    result.cachedUs = timeReads(ARV_REGISTER_CACHE_POLICY_ENABLE, cachedCount);
    result.uncachedUs = timeReads(ARV_REGISTER_CACHE_POLICY_DISABLE, uncachedCount);
    if (error) {
        result.error = error->message;
        g_clear_error(&error);
    } else {
        result.ok = true;
    }
    g_object_unref(device);
    return result;
}

double readAfterLoss(const char* address, const char* feature, const std::function<void()>& lose)
{
    GError* error = nullptr;
    ArvDevice* device = arv_open_device(address, &error);
    if (!device) {
        g_clear_error(&error);
        return -1.0;
    }
    arv_device_set_register_cache_policy(device, ARV_REGISTER_CACHE_POLICY_DISABLE);
    arv_device_get_integer_feature_value(device, feature, &error);
    g_clear_error(&error);
    lose();
    const auto start = Clock::now();
    arv_device_get_integer_feature_value(device, feature, &error);
    const double ms = elapsedUs(start) / 1000.0;
    g_clear_error(&error);
    g_object_unref(device);
    return ms;
}

} // namespace AravisPeer
