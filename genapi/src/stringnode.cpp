#include "stringnode.h"

namespace GenApi {
namespace Internal {

EAccessMode StringNode::ownAccessMode() const
{
    if (record().type == "StringReg")
        return accessFromText(record().text("AccessMode"), RO);
    return accessOfReference({"pValue"}, RW);
}

gcstring StringNode::GetValue(bool, bool IgnoreCache)
{
    Lock guard = lock();
    checkReadable(); // access from the cache: IgnoreCache is about the value
    ReadScope scope(*this, IgnoreCache);
    if (isEmptyRegister())
        return gcstring();
    GError* error = nullptr;
    // The text belongs to the Aravis node: copy it.
    const char* value = arv_gc_string_get_value(arvString(), &error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return gcstring(value ? value : "");
}

void StringNode::SetValue(const gcstring& Value, bool Verify)
{
    Lock guard = lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    ReadScope scope(*this, false);
    checkWritable();
    if (Verify) {
        const int64_t maximum = GetMaxLength();
        if (maximum >= 0 && static_cast<int64_t>(Value.size()) > maximum) {
            std::string text = "Node '" + name() + "': the text is " + std::to_string(Value.size()) +
                               " bytes long, longer than the maximum " + std::to_string(maximum);
            GENICAM_THROW(OutOfRangeException, text.c_str());
        }
    }
    if (isEmptyRegister()) {
        // Nothing to write into a register of no bytes; only "" fits.
        if (!Value.empty()) {
            std::string text = "Node '" + name() + "': a register of 0 bytes holds no text";
            GENICAM_THROW(OutOfRangeException, text.c_str());
        }
        return;
    }
    GError* error = nullptr;
    arv_gc_string_set_value(arvString(), Value.c_str(), &error);
    noteWritten(error != nullptr);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
}

IString& StringNode::operator=(const gcstring& Value)
{
    SetValue(Value);
    return *this;
}

bool StringNode::isEmptyRegister() const
{
    // A String's text lives in the node its pValue names (a chain is bounded:
    // the description check refuses loops and chains deeper than 100).
    const StringNode* node = this;
    for (int depth = 0; node && node->record().type == "String" && depth < 100; ++depth)
        node = dynamic_cast<const StringNode*>(m_map->nodeNamed(node->record().text("pValue")));
    if (!node || node->record().type != "StringReg" || !ARV_IS_GC_REGISTER(node->m_arv))
        return false;
    GError* error = nullptr;
    const guint64 length = arv_gc_register_get_length(ARV_GC_REGISTER(node->m_arv), &error);
    if (error) {
        g_error_free(error);
        return false; // the read reports it
    }
    return length == 0;
}

int64_t StringNode::GetMaxLength()
{
    Lock guard = lock();
    checkLost();
    GError* error = nullptr;
    int64_t length = arv_gc_string_get_max_length(arvString(), &error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    return length;
}

std::string StringNode::valueToString(bool verify, bool ignoreCache)
{
    return GetValue(verify, ignoreCache).toStdString();
}

void StringNode::valueFromString(const std::string& text, bool verify)
{
    SetValue(text, verify);
}

} // namespace Internal
} // namespace GenApi
