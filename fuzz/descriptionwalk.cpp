#include "descriptionwalk.h"

#include <GenApi/DeviceConnection.h>
#include <GenICam.h>

#include <exception>
#include <memory>

namespace campane {

namespace {

using namespace GenApi;

// Runs one GenApi call; an exception is an answer too.
template <typename Call> bool attempt(Call&& call)
{
    try {
        call();
        return true;
    } catch (const GenICam::GenericException&) {
    } catch (const std::exception&) {
    }
    return false;
}

void walkValue(INode* node, WalkResult* result)
{
    CValuePtr value(node);
    if (!value.IsValid())
        return;
    gcstring text;
    if (attempt([&] { text = value->ToString(false, false); }))
        ++result->readable;
    attempt([&] { value->ToString(true, true); });
    const EAccessMode mode = node->GetAccessMode();
    if (mode == RW && node->GetPrincipalInterfaceType() != intfICommand)
        attempt([&] { value->FromString(text, true); });
}

void walkKind(INode* node)
{
    switch (node->GetPrincipalInterfaceType()) {
    case intfIInteger: {
        CIntegerPtr integer(node);
        attempt([&] { integer->GetMin(); });
        attempt([&] { integer->GetMax(); });
        attempt([&] { integer->GetInc(); });
        attempt([&] { integer->GetIncMode(); });
        attempt([&] { integer->GetRepresentation(); });
        attempt([&] { integer->GetUnit(); });
        break;
    }
    case intfIFloat: {
        CFloatPtr floating(node);
        attempt([&] { floating->GetMin(); });
        attempt([&] { floating->GetMax(); });
        attempt([&] {
            if (floating->HasInc())
                floating->GetInc();
        });
        attempt([&] { floating->GetUnit(); });
        break;
    }
    case intfIString: {
        CStringPtr string(node);
        attempt([&] { string->GetMaxLength(); });
        break;
    }
    case intfIRegister: {
        CRegisterPtr reg(node);
        attempt([&] { reg->GetLength(); });
        attempt([&] { reg->GetAddress(); });
        break;
    }
    case intfIEnumeration: {
        CEnumerationPtr enumeration(node);
        attempt([&] {
            StringList_t symbolics;
            enumeration->GetSymbolics(symbolics);
            for (const gcstring& symbolic : symbolics)
                enumeration->GetEntryByName(symbolic);
        });
        attempt([&] {
            NodeList_t entries;
            enumeration->GetEntries(entries);
            for (INode* entry : entries) {
                CEnumEntryPtr item(entry);
                attempt([&] { item->GetValue(); });
                attempt([&] { item->GetNumericValue(); });
                attempt([&] { item->GetSymbolic(); });
            }
        });
        attempt([&] { enumeration->GetCurrentEntry(false, false); });
        attempt([&] { enumeration->GetIntValue(true, true); });
        break;
    }
    default:
        break;
    }
}

void walkNode(INode* node, WalkResult* result)
{
    attempt([&] {
        node->GetName(true);
        node->GetDisplayName();
        node->GetToolTip();
        node->GetDescription();
        node->GetVisibility();
        node->IsFeature();
        gcstring value;
        gcstring attribute;
        node->GetProperty("pIsAvailable", value, attribute);
    });
    attempt([&] { node->GetAccessMode(); });
    for (ELinkType link : {ctReadingChildren, ctWritingChildren, ctInvalidatingChildren, ctTerminalNodes}) {
        attempt([&] {
            NodeList_t children;
            node->GetChildren(children, link);
        });
    }
    attempt([&] {
        NodeList_t parents;
        node->GetParents(parents);
    });
    walkKind(node);
    walkValue(node, result);
}

} // namespace

WalkResult LoadAndWalk(const std::string& xml)
{
    WalkResult result;
    try {
        std::unique_ptr<CDeviceConnection> device =
            CDeviceConnection::OpenSimulatedFromText(xml, "walked description", &result.error);
        if (!device)
            return result;
        result.loaded = true;
        INodeMap* map = device->GetNodeMap();
        NodeList_t nodes;
        map->GetNodes(nodes);
        result.nodes = nodes.size();
        for (INode* node : nodes)
            walkNode(node, &result);
        map->InvalidateNodes();
        map->Poll(1000);
    } catch (const GenICam::GenericException& e) {
        result.error = std::string("exception out of the loader: ") + e.GetDescription();
    } catch (const std::exception& e) {
        result.error = std::string("exception out of the loader: ") + e.what();
    }
    return result;
}

} // namespace campane
