#include "devicecontext.h"

namespace GenApi {
namespace Internal {

DeviceContext::~DeviceContext()
{
    // The description first: its nodes point at the device.
    g_clear_object(&gc);
    g_clear_object(&device);
}

} // namespace Internal
} // namespace GenApi
