#include "booleannode.h"

namespace GenApi {
namespace Internal {

EAccessMode BooleanNode::ownAccessMode() const
{
    return accessOfReference({"pValue"}, RW);
}

bool BooleanNode::GetValue(bool, bool IgnoreCache) const
{
    Lock guard = lock();
    checkReadable(); // access from the cache: IgnoreCache is about the value
    ReadScope scope(*this, IgnoreCache);
    GError* error = nullptr;
    gboolean value = arv_gc_boolean_get_value(boolean(), &error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return value != FALSE;
}

void BooleanNode::SetValue(bool Value, bool)
{
    Lock guard = lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    ReadScope scope(*this, false);
    checkWritable();
    GError* error = nullptr;
    arv_gc_boolean_set_value(boolean(), Value, &error);
    noteWritten(error != nullptr);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
}

IBoolean& BooleanNode::operator=(bool Value)
{
    SetValue(Value);
    return *this;
}

std::string BooleanNode::valueToString(bool verify, bool ignoreCache)
{
    return GetValue(verify, ignoreCache) ? "1" : "0";
}

void BooleanNode::valueFromString(const std::string& text, bool verify)
{
    if (text == "1" || g_ascii_strcasecmp(text.c_str(), "true") == 0) {
        SetValue(true, verify);
    } else if (text == "0" || g_ascii_strcasecmp(text.c_str(), "false") == 0) {
        SetValue(false, verify);
    } else {
        std::string message = "Node '" + name() + "': '" + text + "' is not a boolean (1, 0, true or false)";
        GENICAM_THROW(InvalidArgumentException, message.c_str());
    }
}

} // namespace Internal
} // namespace GenApi
