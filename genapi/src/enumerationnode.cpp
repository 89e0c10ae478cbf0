#include "enumerationnode.h"

#include "enumentrynode.h"

namespace GenApi {
namespace Internal {

std::vector<EnumEntryNode*> EnumerationNode::entries() const
{
    std::vector<EnumEntryNode*> list;
    for (int index : record().entries()) {
        if (auto* entry = dynamic_cast<EnumEntryNode*>(m_map->nodeAt(index)))
            list.push_back(entry);
    }
    return list;
}

EnumEntryNode* EnumerationNode::entryWithValue(int64_t value) const
{
    for (EnumEntryNode* entry : entries()) {
        if (entry->GetValue() == value)
            return entry;
    }
    return nullptr;
}

EAccessMode EnumerationNode::ownAccessMode() const
{
    return accessOfReference({"pValue"}, RW);
}

void EnumerationNode::GetSymbolics(StringList_t& Symbolics)
{
    Lock guard = lock();
    Symbolics.clear();
    for (EnumEntryNode* entry : entries()) {
        if (entry->isAvailable())
            Symbolics.push_back(entry->GetSymbolic());
    }
}

void EnumerationNode::GetEntries(NodeList_t& Entries)
{
    Lock guard = lock();
    Entries.clear();
    for (EnumEntryNode* entry : entries())
        Entries.push_back(entry);
}

int64_t EnumerationNode::GetIntValue(bool Verify, bool IgnoreCache)
{
    Lock guard = lock();
    checkReadable(); // access from the cache: IgnoreCache is about the value
    ReadScope scope(*this, IgnoreCache);
    GError* error = nullptr;
    int64_t value = arv_gc_enumeration_get_int_value(ARV_GC_ENUMERATION(m_arv), &error);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
    if (Verify && !entryWithValue(value)) {
        std::string text = "Node '" + name() + "': value " + std::to_string(value) + " matches no entry";
        GENICAM_THROW(OutOfRangeException, text.c_str());
    }
    return value;
}

void EnumerationNode::SetIntValue(int64_t Value, bool Verify)
{
    Lock guard = lock();
    // A write may read first (bit fields): from the device when the cache is stale.
    ReadScope scope(*this, false);
    checkWritable();
    if (Verify) {
        EnumEntryNode* entry = entryWithValue(Value);
        if (!entry) {
            std::string text = "Node '" + name() + "': value " + std::to_string(Value) + " matches no entry";
            GENICAM_THROW(InvalidArgumentException, text.c_str());
        }
        if (!entry->isAvailable()) {
            std::string text =
                "Node '" + name() + "': entry '" + entry->GetSymbolic().toStdString() + "' is not available";
            GENICAM_THROW(InvalidArgumentException, text.c_str());
        }
    }
    GError* error = nullptr;
    arv_gc_enumeration_set_int_value(ARV_GC_ENUMERATION(m_arv), Value, &error);
    noteWritten(error != nullptr);
    if (error)
        GENAPI_NODE_THROW_GERROR(error);
}

IEnumEntry* EnumerationNode::GetEntryByName(const gcstring& Symbolic)
{
    Lock guard = lock();
    for (EnumEntryNode* entry : entries()) {
        if (entry->GetSymbolic() == Symbolic)
            return entry;
    }
    return nullptr;
}

IEnumEntry* EnumerationNode::GetEntry(int64_t IntValue)
{
    Lock guard = lock();
    return entryWithValue(IntValue);
}

IEnumEntry* EnumerationNode::GetCurrentEntry(bool Verify, bool IgnoreCache)
{
    Lock guard = lock();
    return entryWithValue(GetIntValue(Verify, IgnoreCache));
}

IEnumeration& EnumerationNode::operator=(const gcstring& ValueStr)
{
    FromString(ValueStr);
    return *this;
}

std::string EnumerationNode::valueToString(bool verify, bool ignoreCache)
{
    const int64_t value = GetIntValue(verify, ignoreCache);
    if (EnumEntryNode* entry = entryWithValue(value))
        return entry->GetSymbolic().toStdString();
    // A value that matches no entry still shows what the device holds.
    return std::to_string(value);
}

void EnumerationNode::valueFromString(const std::string& text, bool verify)
{
    IEnumEntry* entry = GetEntryByName(text);
    if (!entry) {
        std::string message = "Node '" + name() + "': '" + text + "' is not one of its entries";
        GENICAM_THROW(InvalidArgumentException, message.c_str());
    }
    SetIntValue(entry->GetValue(), verify);
}

} // namespace Internal
} // namespace GenApi
