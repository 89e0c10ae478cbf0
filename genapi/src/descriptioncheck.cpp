#include "descriptioncheck.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace GenApi {
namespace Internal {

namespace {

// A link that evaluating the node follows: reading or writing it reads the
// linked node. Categories' features, invalidators, selected features and
// aliases are not evaluated, and a port only carries the bytes.
bool isFollowedLink(std::string_view element)
{
    return isNodeReference(element) && element != "pFeature" && element != "pInvalidator" &&
           element != "pSelected" && element != "pAlias" && element != "pCastAlias" && element != "pPort";
}

bool isIntegerRegister(std::string_view type)
{
    return type == "IntReg" || type == "MaskedIntReg" || type == "StructEntry" || type == "FloatReg";
}

std::string quoted(std::string_view name)
{
    return "'" + std::string(name) + "'";
}

// The defect of one register's <Length>, or empty.
std::string lengthDefect(const NodeRecord& record)
{
    if (!isRegisterType(record.type))
        return std::string();
    const std::optional<NodeProperty> length = record.find("Length");
    if (!length)
        return record.has("pLength") ? std::string() : "a register without <Length> or <pLength>";
    const std::string text(length->value);
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || end == text.c_str() || *end != '\0' || errno == ERANGE)
        return "register length " + quoted(text) + " is not a number";
    long long minimum = 0;
    long long maximum = 0;
    RegisterLengthBounds(record.type, &minimum, &maximum);
    if (value < minimum || value > maximum)
        return "register length " + text + " is outside " + std::to_string(minimum) + " to " +
               std::to_string(maximum) + " bytes for a " + std::string(record.type);
    if (record.type == "FloatReg" && value != 4 && value != 8)
        return "a FloatReg must be 4 or 8 bytes long, not " + text;
    // A bit field lies inside its register.
    for (const char* element : {"Bit", "LSB", "MSB"}) {
        const std::optional<NodeProperty> bit = record.find(element);
        if (!bit)
            continue;
        const std::string bitText(bit->value);
        const long long position = std::strtoll(bitText.c_str(), &end, 0);
        if (bitText.empty() || *end != '\0' || position < 0 || position >= 8 * value)
            return "bit " + bitText + " (<" + element + ">) lies outside a register of " + text + " bytes";
    }
    return std::string();
}

// The defect of a register's port, or empty. Aravis asserts on a register
// whose bytes have no port to come from (a GLib-CRITICAL, then an error), so
// such a register is never handed to it.
std::string portDefect(const NodeDescription& nodes, const NodeRecord& record)
{
    if (!isRegisterType(record.type))
        return std::string();
    const std::optional<NodeProperty> port = record.find("pPort");
    if (!port)
        return "a register without <pPort>";
    const int target = nodes.indexOf(port->value);
    if (target < 0)
        return "<pPort> names " + quoted(port->value) + ", which is not in the description";
    if (nodes.records[static_cast<size_t>(target)].type != "Port")
        return "<pPort> names " + quoted(port->value) + ", which is not a <Port>";
    return std::string();
}

// The links of every record, as record indexes; unresolved ones are noted.
std::vector<std::vector<int>> followedLinks(const NodeDescription& nodes, std::vector<std::string>* defects)
{
    std::vector<std::vector<int>> links(nodes.records.size());
    for (size_t i = 0; i < nodes.records.size(); ++i) {
        const NodeRecord& record = nodes.records[i];
        for (const NodeProperty& property : record.properties()) {
            // Aravis looks an invalidator up when the node is evaluated and
            // asserts when it is missing: the node is confined instead.
            if (property.name == "pInvalidator" && nodes.indexOf(property.value) < 0 && (*defects)[i].empty())
                (*defects)[i] =
                    "<pInvalidator> names " + quoted(property.value) + ", which is not in the description";
            if (!isFollowedLink(property.name))
                continue;
            const int target = nodes.indexOf(property.value);
            if (target < 0) {
                if ((*defects)[i].empty())
                    (*defects)[i] = "<" + std::string(property.name) + "> names " + quoted(property.value) +
                                    ", which is not in the description";
                continue;
            }
            links[i].push_back(target);
        }
        for (int entry : record.entries())
            links[i].push_back(entry);
    }
    return links;
}

// Tarjan's strongly connected components, without recursion: a description
// may chain thousands of nodes. Components come out dependencies first.
std::vector<std::vector<int>> components(const std::vector<std::vector<int>>& links)
{
    const int count = static_cast<int>(links.size());
    std::vector<int> order(count, -1);
    std::vector<int> low(count, 0);
    std::vector<bool> onStack(count, false);
    std::vector<int> stack;
    std::vector<std::vector<int>> result;
    int counter = 0;
    struct Frame
    {
        int node;
        size_t next;
    };
    std::vector<Frame> calls;
    for (int start = 0; start < count; ++start) {
        if (order[start] >= 0)
            continue;
        calls.push_back({start, 0});
        order[start] = low[start] = counter++;
        stack.push_back(start);
        onStack[start] = true;
        while (!calls.empty()) {
            Frame& frame = calls.back();
            const int node = frame.node;
            if (frame.next < links[node].size()) {
                const int target = links[node][frame.next++];
                if (order[target] < 0) {
                    order[target] = low[target] = counter++;
                    stack.push_back(target);
                    onStack[target] = true;
                    calls.push_back({target, 0});
                } else if (onStack[target] && order[target] < low[node]) {
                    low[node] = order[target];
                }
                continue;
            }
            if (low[node] == order[node]) {
                std::vector<int> component;
                int member = -1;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[member] = false;
                    component.push_back(member);
                } while (member != node);
                result.push_back(std::move(component));
            }
            calls.pop_back();
            if (!calls.empty()) {
                const int caller = calls.back().node;
                if (low[node] < low[caller])
                    low[caller] = low[node];
            }
        }
    }
    return result;
}

// "A -> B -> A" for a cycle through node, following links inside the component.
std::string cycleText(const NodeDescription& nodes, const std::vector<std::vector<int>>& links,
                      const std::vector<int>& componentOf, int node)
{
    std::vector<int> path{node};
    std::vector<bool> seen(links.size(), false);
    seen[node] = true;
    int current = node;
    while (path.size() <= links.size()) {
        int next = -1;
        for (int target : links[current]) {
            if (target == node) {
                next = node;
                break;
            }
            if (next < 0 && componentOf[target] == componentOf[node] && !seen[target])
                next = target;
        }
        if (next < 0)
            break;
        path.push_back(next);
        if (next == node)
            break;
        seen[next] = true;
        current = next;
    }
    std::string text;
    const size_t shown = path.size() > 8 ? 8 : path.size();
    for (size_t i = 0; i < shown; ++i)
        text += (i ? " -> " : "") + quoted(nodes.records[path[i]].name);
    if (shown < path.size())
        text += " -> ...";
    return text;
}

} // namespace

std::string DescriptionText(const std::string& raw)
{
    std::string text(raw.data(), ::strnlen(raw.data(), raw.size()));
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return text;
}

void RegisterLengthBounds(std::string_view type, long long* minimum, long long* maximum)
{
    // A text of no bytes is a text: a StringReg whose <pLength> evaluates to
    // 0 reads as "" (devices size optional texts that way).
    *minimum = type == "StringReg" ? 0 : 1;
    *maximum = isIntegerRegister(type) ? kMaxIntegerRegisterLength : kMaxRegisterLength;
}

bool IsChunkOrEventRegister(const NodeDescription& nodes, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= nodes.records.size())
        return false;
    const NodeRecord& record = nodes.records[static_cast<size_t>(index)];
    if (!isRegisterType(record.type))
        return false;
    const int port = nodes.indexOf(record.text("pPort"));
    if (port < 0)
        return false;
    const NodeRecord& portRecord = nodes.records[static_cast<size_t>(port)];
    return portRecord.has("ChunkID") || portRecord.has("EventID");
}

std::shared_ptr<const CheckedDescription> CheckDescription(const std::string& xml, std::string* error,
                                                           const std::vector<MarkupSink*>& sinks)
{
    auto checked = std::make_shared<CheckedDescription>();
    NodeDescription& nodes = checked->nodes;
    std::string reason;
    if (!nodes.parse(xml, &reason, sinks)) {
        *error = reason;
        return nullptr;
    }

    // Structure: one node per name.
    for (size_t i = 0; i < nodes.records.size(); ++i) {
        const NodeRecord& record = nodes.records[i];
        if (record.name.empty()) {
            *error = "a <" + std::string(record.type) + "> on line " + std::to_string(record.line) +
                     " has an empty Name; every node needs a name";
            return nullptr;
        }
        const int first = nodes.indexOf(record.name);
        if (first != static_cast<int>(i)) {
            *error = "node " + quoted(record.name) + " is defined twice (lines " +
                     std::to_string(nodes.records[first].line) + " and " + std::to_string(record.line) +
                     "); node names must be unique";
            return nullptr;
        }
    }

    std::vector<std::string> defects(nodes.records.size());
    for (size_t i = 0; i < nodes.records.size(); ++i) {
        defects[i] = lengthDefect(nodes.records[i]);
        if (defects[i].empty())
            defects[i] = portDefect(nodes, nodes.records[i]);
    }
    const std::vector<std::vector<int>> links = followedLinks(nodes, &defects);

    // Cycles, then the nodes that reach a defect or chain too deep.
    const std::vector<std::vector<int>> parts = components(links);
    std::vector<int> componentOf(links.size(), -1);
    for (size_t c = 0; c < parts.size(); ++c) {
        for (int node : parts[c])
            componentOf[node] = static_cast<int>(c);
    }
    std::vector<int> depth(links.size(), 0);
    std::vector<int> causeOf(links.size(), -1); // the node whose own defect a reader inherits
    for (const std::vector<int>& part : parts) {
        bool cyclic = part.size() > 1;
        for (int node : part) {
            for (int target : links[node])
                cyclic = cyclic || target == node;
        }
        for (int node : part) {
            if (cyclic) {
                defects[node] = "reference cycle " + cycleText(nodes, links, componentOf, node);
                continue;
            }
            if (!defects[node].empty())
                continue;
            for (int target : links[node]) {
                if (depth[target] + 1 > depth[node])
                    depth[node] = depth[target] + 1;
                if (causeOf[node] < 0 && !defects[target].empty())
                    causeOf[node] = causeOf[target] >= 0 ? causeOf[target] : target;
            }
            if (causeOf[node] >= 0) {
                const int cause = causeOf[node];
                defects[node] =
                    "it depends on node " + quoted(nodes.records[cause].name) + " (" + defects[cause] + ")";
                continue;
            }
            if (defects[node].empty() && depth[node] > kMaxReferenceDepth)
                defects[node] =
                    "its references nest deeper than " + std::to_string(kMaxReferenceDepth) + " levels";
        }
    }
    for (size_t i = 0; i < defects.size(); ++i) {
        if (!defects[i].empty())
            checked->defects.emplace(static_cast<int>(i), std::move(defects[i]));
    }
    return checked;
}

const std::string& CheckedDescription::defectOf(int index) const
{
    static const std::string none;
    const auto it = defects.find(index);
    return it == defects.end() ? none : it->second;
}

} // namespace Internal
} // namespace GenApi
