#include "descriptionwalk.h"

#include <GenApi/DeviceConnection.h>
#include <GenICam.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace campane {

namespace {

using namespace GenApi;

// Where the exceptions of one node's calls are noted: only for a node that
// is readable, whose calls a healthy device must all answer.
struct Recorder
{
    std::vector<std::string>* failures = nullptr;
    std::string node;
};

// Runs one GenApi call; an exception is an answer too.
template <typename Call> bool attempt(const Recorder& recorder, Call&& call)
{
    std::string why;
    try {
        call();
        return true;
    } catch (const GenICam::GenericException& e) {
        why = e.GetDescription();
    } catch (const std::exception& e) {
        why = e.what();
    }
    if (recorder.failures)
        recorder.failures->push_back(recorder.node + ": " + why);
    return false;
}

void walkValue(const Recorder& r, INode* node, WalkResult* result)
{
    CValuePtr value(node);
    if (!value.IsValid())
        return;
    gcstring text;
    if (attempt(r, [&] { text = value->ToString(false, false); }))
        ++result->readable;
    attempt(r, [&] { value->ToString(true, true); });
    const EAccessMode mode = node->GetAccessMode();
    // Writing back what was read may be refused (a value the device rounds
    // differs on verify): exercised, never noted.
    if (mode == RW && node->GetPrincipalInterfaceType() != intfICommand)
        attempt(Recorder{}, [&] { value->FromString(text, true); });
}

void walkKind(const Recorder& r, INode* node)
{
    switch (node->GetPrincipalInterfaceType()) {
    case intfIInteger: {
        CIntegerPtr integer(node);
        attempt(r, [&] { integer->GetMin(); });
        attempt(r, [&] { integer->GetMax(); });
        attempt(r, [&] { integer->GetInc(); });
        attempt(r, [&] { integer->GetIncMode(); });
        attempt(r, [&] { integer->GetRepresentation(); });
        attempt(r, [&] { integer->GetUnit(); });
        break;
    }
    case intfIFloat: {
        CFloatPtr floating(node);
        attempt(r, [&] { floating->GetMin(); });
        attempt(r, [&] { floating->GetMax(); });
        attempt(r, [&] {
            if (floating->HasInc())
                floating->GetInc();
        });
        attempt(r, [&] { floating->GetUnit(); });
        break;
    }
    case intfIString: {
        CStringPtr string(node);
        attempt(r, [&] { string->GetMaxLength(); });
        break;
    }
    case intfIRegister: {
        CRegisterPtr reg(node);
        attempt(r, [&] { reg->GetLength(); });
        attempt(r, [&] { reg->GetAddress(); });
        break;
    }
    case intfIEnumeration: {
        CEnumerationPtr enumeration(node);
        attempt(r, [&] {
            StringList_t symbolics;
            enumeration->GetSymbolics(symbolics);
            for (const gcstring& symbolic : symbolics)
                enumeration->GetEntryByName(symbolic);
        });
        attempt(r, [&] {
            NodeList_t entries;
            enumeration->GetEntries(entries);
            for (INode* entry : entries) {
                CEnumEntryPtr item(entry);
                attempt(r, [&] { item->GetValue(); });
                attempt(r, [&] { item->GetNumericValue(); });
                attempt(r, [&] { item->GetSymbolic(); });
            }
        });
        attempt(r, [&] { enumeration->GetCurrentEntry(false, false); });
        attempt(r, [&] { enumeration->GetIntValue(true, true); });
        break;
    }
    default:
        break;
    }
}

void walkNode(INode* node, WalkResult* result)
{
    EAccessMode mode = NI;
    attempt(Recorder{}, [&] { mode = node->GetAccessMode(); });
    Recorder r;
    if (mode == RO || mode == RW)
        r = Recorder{&result->failures, node->GetName().c_str()};
    attempt(r, [&] {
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
    attempt(r, [&] { node->GetAccessMode(); });
    for (ELinkType link : {ctReadingChildren, ctWritingChildren, ctInvalidatingChildren, ctTerminalNodes}) {
        attempt(r, [&] {
            NodeList_t children;
            node->GetChildren(children, link);
        });
    }
    attempt(r, [&] {
        NodeList_t parents;
        node->GetParents(parents);
    });
    walkKind(r, node);
    walkValue(r, node, result);
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
