#include "devicecontext.h"

namespace GenApi {
namespace Internal {

DeviceContext::~DeviceContext()
{
    // The description first: its nodes point at the device.
    g_clear_object(&gc);
    g_clear_object(&device);
}

bool LoadDescription(DeviceContext* ctx, std::string* error)
{
    ctx->xml = DescriptionText(ctx->xml);
    ctx->checked = CheckDescription(ctx->xml, error);
    return ctx->checked != nullptr;
}

bool RegisterLengthUsable(ArvGcNode* node, const std::string& type, std::string* why)
{
    if (!ARV_IS_GC_REGISTER(node))
        return true;
    GError* error = nullptr;
    const auto length = static_cast<gint64>(arv_gc_register_get_length(ARV_GC_REGISTER(node), &error));
    if (error) {
        *why = std::string("its length cannot be evaluated: ") + error->message;
        g_error_free(error);
        return false;
    }
    long long minimum = 0;
    long long maximum = 0;
    RegisterLengthBounds(type, &minimum, &maximum);
    if (length < minimum || length > maximum) {
        *why = "register length " + std::to_string(length) + " is outside " + std::to_string(minimum) +
               " to " + std::to_string(maximum) + " bytes for a " + type;
        return false;
    }
    return true;
}

} // namespace Internal
} // namespace GenApi
