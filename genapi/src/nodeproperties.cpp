// The node records of a description: their elements, entries and lookup by
// name. Reading them from the XML text is in nodedescriptionparse.cpp.
#include "nodeproperties.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <string_view>

namespace GenApi {
namespace Internal {

NodeProperty NodeRecord::Properties::iterator::operator*() const
{
    NodeProperty property;
    property.name = m_owner->elementName(m_slot->element);
    property.value = std::string_view(m_slot->value, m_slot->size);
    if (m_slot->hasAttribute)
        property.attribute = std::string_view(m_slot->value + m_slot->size + 1);
    return property;
}

NodeRecord::Properties NodeRecord::properties() const
{
    const PropertySlot* first = m_owner ? m_owner->m_properties.data() + m_firstProperty : nullptr;
    return Properties(m_owner, first, first ? first + m_propertyCount : nullptr);
}

NodeRecord::Entries NodeRecord::entries() const
{
    const int* first = m_owner ? m_owner->m_entries.data() + m_firstEntry : nullptr;
    return Entries(first, first ? first + m_entryCount : nullptr);
}

std::optional<NodeProperty> NodeRecord::find(std::string_view element) const
{
    for (const NodeProperty& property : properties()) {
        if (property.name == element)
            return property;
    }
    return std::nullopt;
}

std::string NodeRecord::text(std::string_view element, const std::string& fallback) const
{
    const std::optional<NodeProperty> property = find(element);
    return property ? std::string(property->value) : fallback;
}

std::vector<std::string> NodeRecord::all(std::string_view element) const
{
    std::vector<std::string> texts;
    for (const NodeProperty& property : properties()) {
        if (property.name == element)
            texts.emplace_back(property.value);
    }
    return texts;
}

bool isNodeReference(std::string_view element)
{
    return element.size() > 1 && element[0] == 'p' && std::isupper(static_cast<unsigned char>(element[1]));
}

bool isRegisterType(std::string_view type)
{
    return type == "IntReg" || type == "MaskedIntReg" || type == "FloatReg" || type == "StringReg" ||
           type == "Register" || type == "StructEntry";
}

int NodeDescription::indexOf(std::string_view name) const
{
    if (m_byName.empty())
        return -1;
    const size_t mask = m_byName.size() - 1;
    for (size_t slot = std::hash<std::string_view>()(name) & mask;; slot = (slot + 1) & mask) {
        const int index = m_byName[slot];
        if (index < 0 || records[size_t(index)].name == name)
            return index;
    }
}

} // namespace Internal
} // namespace GenApi
