// Node: its properties (the elements of its description) and its links to
// other nodes (children, parents, aliases, selectors).
#include "node.h"

#include <algorithm>

namespace GenApi {
namespace Internal {

namespace {

// Elements whose node is read to evaluate this one (value, limits, address,
// access). Categories list their features instead.
bool isReadingReference(std::string_view element)
{
    return isNodeReference(element) && element != "pFeature" && element != "pInvalidator" &&
           element != "pSelected" && element != "pAlias" && element != "pCastAlias";
}

} // namespace

// --- properties -------------------------------------------------------------

void Node::GetPropertyNames(gcstring_vector& PropertyNames) const
{
    PropertyNames.clear();
    PropertyNames.push_back("NodeType");
    PropertyNames.push_back("Name");
    PropertyNames.push_back("NameSpace");
    for (const NodeProperty& property : record().properties()) {
        gcstring name(std::string(property.name));
        if (std::find(PropertyNames.begin(), PropertyNames.end(), name) == PropertyNames.end())
            PropertyNames.push_back(name);
    }
}

bool Node::GetProperty(const gcstring& PropertyName, gcstring& ValueStr, gcstring& AttributeStr)
{
    const NodeRecord& rec = record();
    const std::string& wanted = PropertyName.toStdString();
    AttributeStr.clear();
    if (wanted == "NodeType") {
        ValueStr = std::string(rec.type);
        return true;
    }
    if (wanted == "Name") {
        ValueStr = std::string(rec.name);
        return true;
    }
    if (wanted == "NameSpace") {
        ValueStr = rec.nameSpace.empty() ? std::string("Custom") : std::string(rec.nameSpace);
        return true;
    }
    // Repeated elements (pFeature, pInvalidator, ...) come tab-separated.
    std::string values;
    std::string attributes;
    bool found = false;
    for (const NodeProperty& property : rec.properties()) {
        if (property.name != wanted)
            continue;
        if (found) {
            values += '\t';
            attributes += '\t';
        }
        values += property.value;
        attributes += property.attribute;
        found = true;
    }
    if (!found) {
        ValueStr.clear();
        return false;
    }
    ValueStr = values;
    AttributeStr = attributes;
    return true;
}

// --- links ------------------------------------------------------------------

void Node::GetChildren(NodeList_t& Children, ELinkType LinkType) const
{
    Lock guard = lock();
    Children.clear();
    const NodeRecord& rec = record();
    auto add = [&](int index) {
        Node* node = m_map->nodeAt(index);
        if (node && std::find(Children.begin(), Children.end(), node) == Children.end())
            Children.push_back(node);
    };
    auto addNamed = [&](std::string_view target) {
        int index = m_map->description().indexOf(target);
        if (index >= 0)
            add(index);
    };

    switch (LinkType) {
    case ctReadingChildren:
        if (rec.type == "Category") {
            // A category never contains itself.
            for (const std::string& feature : rec.all("pFeature")) {
                if (feature != rec.name)
                    addNamed(feature);
            }
            break;
        }
        for (int entry : rec.entries())
            add(entry);
        for (const NodeProperty& property : rec.properties()) {
            if (isReadingReference(property.name))
                addNamed(property.value);
        }
        break;
    case ctWritingChildren:
    case ctValueChildren:
        for (const NodeProperty& property : rec.properties()) {
            if (property.name == "pValue" || property.name == "pValueIndexed" ||
                property.name == "pValueDefault")
                addNamed(property.value);
        }
        break;
    case ctInvalidatingChildren:
        for (int index : m_map->invalidatedBy(m_index))
            add(index);
        break;
    case ctParentNodes:
        for (int index : m_map->parentsOf(m_index))
            add(index);
        break;
    case ctDependingNodes:
        for (int index : m_map->invalidatedBy(m_index))
            add(index);
        for (int index : m_map->parentsOf(m_index))
            add(index);
        break;
    case ctTerminalNodes:
        for (int index : m_map->dependenciesOf(m_index)) {
            if (index != m_index && isRegisterType(m_map->description().records[index].type))
                add(index);
        }
        break;
    default:
        break;
    }
}

void Node::GetParents(NodeList_t& Parents) const
{
    Lock guard = lock();
    Parents.clear();
    for (int index : m_map->parentsOf(m_index)) {
        if (Node* node = m_map->nodeAt(index))
            Parents.push_back(node);
    }
}

INode* Node::GetAlias() const
{
    return m_map->nodeNamed(record().text("pAlias"));
}

INode* Node::GetCastAlias() const
{
    return m_map->nodeNamed(record().text("pCastAlias"));
}

bool Node::IsFeature() const
{
    return m_map->isFeature(m_index);
}

bool Node::IsSelector() const
{
    return record().has("pSelected");
}

void Node::GetSelectedFeatures(FeatureList_t& Features) const
{
    Lock guard = lock();
    Features.clear();
    for (const std::string& target : record().all("pSelected")) {
        if (Node* node = m_map->nodeNamed(target))
            Features.push_back(node);
    }
}

void Node::GetSelectingFeatures(FeatureList_t& Features) const
{
    Lock guard = lock();
    Features.clear();
    for (int index : m_map->selectorsOf(m_index)) {
        if (Node* node = m_map->nodeAt(index))
            Features.push_back(node);
    }
}

} // namespace Internal
} // namespace GenApi
