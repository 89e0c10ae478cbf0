#include "aravispeer.h"

#include <arv.h>
#include <malloc.h>

#include <chrono>

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
