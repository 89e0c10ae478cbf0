#include "nodemap.h"

#include "arverror.h"
#include "booleannode.h"
#include "categorynode.h"
#include "commandnode.h"
#include "enumentrynode.h"
#include "enumerationnode.h"
#include "floatnode.h"
#include "integernode.h"
#include "registernode.h"
#include "stringnode.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace GenApi {
namespace Internal {

namespace {

bool isOneOf(std::string_view type, std::initializer_list<const char*> types)
{
    for (const char* candidate : types) {
        if (type == candidate)
            return true;
    }
    return false;
}

// Elements whose node takes part in evaluating a node's value, limits,
// address or access: the dependencies that the cache bookkeeping follows.
bool isDependency(std::string_view element)
{
    return isNodeReference(element) && element != "pFeature" && element != "pInvalidator" &&
           element != "pSelected" && element != "pAlias" && element != "pCastAlias" && element != "pPort";
}

// The entry of an Aravis enumeration with that Name attribute.
ArvGcNode* findArvEntry(ArvGcNode* enumeration, std::string_view symbolic)
{
    if (!ARV_IS_GC_ENUMERATION(enumeration))
        return nullptr;
    for (const GSList* item = arv_gc_enumeration_get_entries(ARV_GC_ENUMERATION(enumeration)); item;
         item = item->next) {
        auto* entry = static_cast<ArvGcFeatureNode*>(item->data);
        const char* name = arv_gc_feature_node_get_name(entry);
        if (name && symbolic == name)
            return ARV_GC_NODE(entry);
    }
    return nullptr;
}

// The context's checked description: the device layer checked it in the
// same parse that built Aravis's document.
std::shared_ptr<const CheckedDescription> checkedDescription(DeviceContext* ctx)
{
    if (!ctx || !ctx->gc || !ctx->checked) {
        GENICAM_THROW(RuntimeException, "No checked description to build a node map from");
    }
    return ctx->checked;
}

} // namespace

NodeMap::NodeMap(std::shared_ptr<DeviceContext> ctx)
    : m_ctx(std::move(ctx)), m_checked(checkedDescription(m_ctx.get())), m_description(m_checked->nodes)
{
    // Registers are read once and kept until written, invalidated or polled,
    // as the description's Cachable elements allow.
    arv_gc_set_register_cache_policy(m_ctx->gc, ARV_REGISTER_CACHE_POLICY_ENABLE);
    buildNodes();
    buildLinks();
}

NodeMap::~NodeMap() = default;

void NodeMap::buildNodes()
{
    const std::vector<NodeRecord>& records = m_description.records;
    m_nodes.resize(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const NodeRecord& record = records[i];
        const int index = static_cast<int>(i);
        const std::string_view type = record.type;
        ArvGcNode* arv = nullptr;
        if (type == "EnumEntry") {
            const Node* enumeration = nodeAt(record.enumeration);
            arv = findArvEntry(enumeration ? enumeration->arvNode() : nullptr, record.symbolic);
        } else {
            arv = arv_gc_get_node(m_ctx->gc, std::string(record.name).c_str());
        }

        Node* node = nullptr;
        if (type == "EnumEntry")
            node = new EnumEntryNode(this, index, arv);
        else if (type == "Category")
            node = new CategoryNode(this, index, arv);
        else if (type == "Enumeration" && ARV_IS_GC_ENUMERATION(arv))
            node = new EnumerationNode(this, index, arv);
        else if (type == "Command" && ARV_IS_GC_COMMAND(arv))
            node = new CommandNode(this, index, arv);
        else if (type == "Boolean" && ARV_IS_GC_BOOLEAN(arv))
            node = new BooleanNode(this, index, arv);
        else if (type == "Register" && ARV_IS_GC_REGISTER(arv))
            node = new RegisterNode(this, index, arv);
        // Value registers give IRegister besides their value interface.
        else if (type == "StringReg" && ARV_IS_GC_STRING(arv) && ARV_IS_GC_REGISTER(arv))
            node = new StringRegNode(this, index, arv);
        else if (isOneOf(type, {"IntReg", "MaskedIntReg", "StructEntry"}) && ARV_IS_GC_INTEGER(arv) &&
                 ARV_IS_GC_REGISTER(arv))
            node = new IntRegNode(this, index, arv);
        else if (type == "FloatReg" && ARV_IS_GC_FLOAT(arv) && ARV_IS_GC_REGISTER(arv))
            node = new FloatRegNode(this, index, arv);
        else if (isOneOf(type, {"String", "StringReg"}) && ARV_IS_GC_STRING(arv))
            node = new StringNode(this, index, arv);
        else if (isOneOf(type, {"Integer", "IntReg", "MaskedIntReg", "IntSwissKnife", "IntConverter",
                                "StructEntry"}) &&
                 ARV_IS_GC_INTEGER(arv))
            node = new IntegerNode(this, index, arv);
        else if (isOneOf(type, {"Float", "FloatReg", "SwissKnife", "Converter"}) && ARV_IS_GC_FLOAT(arv))
            node = new FloatNode(this, index, arv);
        else
            node = new Node(this, index, arv);
        m_nodes[i].reset(node);
    }
}

void NodeMap::buildLinks()
{
    const std::vector<NodeRecord>& records = m_description.records;
    const size_t count = records.size();
    m_isFeature.assign(count, false);
    m_spans.assign(count, Span());
    m_spanKnown.assign(count, false);
    m_registers.clear();
    m_lengthEvaluated.assign(count, false);
    for (size_t i = 0; i < count; ++i) {
        if (isRegisterType(records[i].type) && m_nodes[i] && ARV_IS_GC_REGISTER(m_nodes[i]->arvNode())) {
            m_registers.push_back(static_cast<int>(i));
            m_lengthEvaluated[i] = records[i].has("pLength") && !records[i].has("Length");
        }
    }
    // Chunk and event data: registers on a port that a chunk or event
    // attaches data to. Nothing attaches any here, so they are not available.
    m_detachedPort.assign(count, false);
    for (size_t i = 0; i < count; ++i)
        m_detachedPort[i] = IsChunkOrEventRegister(m_description, static_cast<int>(i));
    m_dependencies.clear();
    m_dependencies.resize(count);
    m_pollingTime.assign(count, -1);
    m_stale.assign(count, false);
    m_lastRead.assign(count, std::chrono::steady_clock::time_point());
    m_polledFor.assign(count, 0);

    auto addUnique = [](std::vector<int>& list, int value) {
        if (std::find(list.begin(), list.end(), value) == list.end())
            list.push_back(value);
    };

    std::vector<std::vector<int>> parents(count);
    std::vector<std::vector<int>> invalidated(count);
    std::vector<std::vector<int>> selectors(count);
    std::vector<std::vector<int>> readers(count);
    for (size_t i = 0; i < count; ++i) {
        const NodeRecord& record = records[i];
        const int index = static_cast<int>(i);
        for (const NodeProperty& property : record.properties()) {
            const bool link = property.name == "pFeature" || property.name == "pInvalidator" ||
                              property.name == "pSelected" || isDependency(property.name);
            const int target = link ? m_description.indexOf(property.value) : -1;
            if (property.name == "pFeature" && record.type == "Category" && target >= 0 && target != index)
                addUnique(parents[target], index);
            else if (property.name == "pInvalidator" && target >= 0)
                addUnique(invalidated[target], index);
            else if (property.name == "pSelected" && target >= 0)
                addUnique(selectors[target], index);
            else if (property.name == "PollingTime")
                m_pollingTime[i] = std::strtoll(std::string(property.value).c_str(), nullptr, 10);
            if (isDependency(property.name) && target >= 0)
                addUnique(readers[target], index);
        }
        for (int entry : record.entries())
            addUnique(readers[entry], index);
    }
    m_parents.assign(parents);
    m_invalidated.assign(invalidated);
    m_selectors.assign(selectors);
    m_readers.assign(readers);

    // Features: everything reachable from the Root category through categories.
    const int root = m_description.indexOf("Root");
    if (root >= 0) {
        std::vector<int> pending{root};
        m_isFeature[root] = true;
        while (!pending.empty()) {
            const int category = pending.back();
            pending.pop_back();
            for (const std::string& feature : records[category].all("pFeature")) {
                const int target = m_description.indexOf(feature);
                if (target < 0 || m_isFeature[target])
                    continue;
                m_isFeature[target] = true;
                if (records[target].type == "Category")
                    pending.push_back(target);
            }
        }
    }
}

void IndexLists::assign(std::vector<std::vector<int>>& lists)
{
    m_starts.assign(lists.size() + 1, 0);
    size_t total = 0;
    for (size_t i = 0; i < lists.size(); ++i) {
        m_starts[i] = static_cast<uint32_t>(total);
        total += lists[i].size();
    }
    m_starts[lists.size()] = static_cast<uint32_t>(total);
    m_items.clear();
    m_items.reserve(total);
    for (std::vector<int>& list : lists) {
        m_items.insert(m_items.end(), list.begin(), list.end());
        std::vector<int>().swap(list);
    }
}

Node* NodeMap::nodeAt(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_nodes.size()))
        return nullptr;
    return m_nodes[index].get();
}

Node* NodeMap::nodeNamed(std::string_view name) const
{
    return nodeAt(m_description.indexOf(name));
}

const std::vector<int>& NodeMap::dependenciesOf(int index) const
{
    if (m_dependencies[index])
        return *m_dependencies[index];
    const std::vector<NodeRecord>& records = m_description.records;
    std::vector<int> found{index};
    std::vector<bool> seen(records.size(), false);
    seen[index] = true;
    for (size_t next = 0; next < found.size(); ++next) {
        const NodeRecord& record = records[found[next]];
        auto visit = [&](int target) {
            if (target >= 0 && !seen[target]) {
                seen[target] = true;
                found.push_back(target);
            }
        };
        for (const NodeProperty& property : record.properties()) {
            if (isDependency(property.name))
                visit(m_description.indexOf(property.value));
        }
        for (int entry : record.entries())
            visit(entry);
    }
    found.shrink_to_fit();
    m_dependencies[index] = std::make_unique<const std::vector<int>>(std::move(found));
    return *m_dependencies[index];
}

bool NodeMap::readsDetachedPort(int index) const
{
    for (int dependency : dependenciesOf(index)) {
        if (m_detachedPort[dependency])
            return true;
    }
    return false;
}

void NodeMap::checkEvaluable(int index) const
{
    const std::string& defect = defectOf(index);
    if (!defect.empty()) {
        // Worded like any other refused access, so that callers show the
        // value as unavailable; the rest names the node and the defect.
        std::string text = "Node is not readable and not writable: node '" +
                           std::string(m_description.records[index].name) + "' cannot be used: " + defect;
        GENICAM_THROW(AccessException, text.c_str());
    }
    for (int dependency : dependenciesOf(index)) {
        if (!m_lengthEvaluated[dependency])
            continue;
        std::string why;
        const NodeRecord& record = m_description.records[dependency];
        if (!RegisterLengthUsable(m_nodes[dependency]->arvNode(), record.type, &why)) {
            std::string text = "Node is not readable and not writable: node '" +
                               std::string(m_description.records[index].name) + "' cannot be used: node '" +
                               std::string(record.name) + "': " + why;
            GENICAM_THROW(AccessException, text.c_str());
        }
    }
}

int64_t NodeMap::pollingTimeOf(int index) const
{
    int64_t shortest = -1;
    for (int dependency : dependenciesOf(index)) {
        const int64_t polling = m_pollingTime[dependency];
        if (polling > 0 && (shortest < 0 || polling < shortest))
            shortest = polling;
    }
    return shortest;
}

bool NodeMap::anyDependencyNoCache(int index) const
{
    for (int dependency : dependenciesOf(index)) {
        if (m_description.records[dependency].text("Cachable") == "NoCache")
            return true;
    }
    return false;
}

bool NodeMap::expired(int index, std::chrono::steady_clock::time_point now) const
{
    const int64_t polling = m_pollingTime[index];
    if (polling <= 0)
        return false;
    const auto age = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_lastRead[index]).count();
    return age >= polling || m_polledFor[index] >= polling;
}

bool NodeMap::needsDeviceRead(int index) const
{
    const auto now = std::chrono::steady_clock::now();
    for (int dependency : dependenciesOf(index)) {
        if (m_stale[dependency] || expired(dependency, now))
            return true;
    }
    return false;
}

void NodeMap::refreshStale(int index) const
{
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> registers;
    for (int dependency : dependenciesOf(index)) {
        if (!m_stale[dependency] && !expired(dependency, now))
            continue;
        // Cleared first: a failed read leaves the node to the register cache
        // rules instead of failing every later call.
        m_stale[dependency] = false;
        m_lastRead[dependency] = now;
        m_polledFor[dependency] = 0;
        for (int behind : dependenciesOf(dependency)) {
            if (isRegisterType(m_description.records[behind].type) &&
                std::find(registers.begin(), registers.end(), behind) == registers.end())
                registers.push_back(behind);
        }
    }
    try {
        for (int reg : registers)
            refreshRegister(reg);
    } catch (const GenICam::TimeoutException&) {
        // No answer (yet): what the cache holds is still not to be trusted.
        for (int reg : registers)
            m_stale[reg] = true;
        throw;
    }
}

void NodeMap::refreshRegister(int index) const
{
    const NodeRecord& record = m_description.records[index];
    ArvGcNode* arv = m_nodes[index] ? m_nodes[index]->arvNode() : nullptr;
    // Write-only registers are not read; NoCache ones are read at every use anyway.
    const std::string access = record.text("AccessMode", "RO");
    if (!ARV_IS_GC_REGISTER(arv) || access == "WO" || record.text("Cachable") == "NoCache")
        return;

    ArvGc* gc = m_ctx->gc;
    const ArvRegisterCachePolicy previous = arv_gc_get_register_cache_policy(gc);
    arv_gc_set_register_cache_policy(gc, ARV_REGISTER_CACHE_POLICY_DISABLE);
    GError* error = nullptr;
    std::string why;
    if (!defectOf(index).empty() || !RegisterLengthUsable(arv, record.type, &why)) {
        arv_gc_set_register_cache_policy(gc, previous);
        return; // the node refuses every access of its own
    }
    guint64 length = arv_gc_register_get_length(ARV_GC_REGISTER(arv), &error);
    if (!error && length > 0) {
        std::vector<guint8> buffer(length);
        arv_gc_register_get(ARV_GC_REGISTER(arv), buffer.data(), length, &error);
    }
    arv_gc_set_register_cache_policy(gc, previous);
    if (error)
        throwFromGError(error, std::string(record.name), m_ctx->lost.load(), __FILE__, __LINE__);

    // Aravis checks a register's pInvalidator elements only on cached reads:
    // tell them the value is fresh so that the next read uses the cache.
    for (ArvDomNode* child = arv_dom_node_get_first_child(ARV_DOM_NODE(arv)); child;
         child = arv_dom_node_get_next_sibling(child)) {
        if (ARV_IS_GC_INVALIDATOR_NODE(child))
            arv_gc_invalidator_has_changed(ARV_GC_INVALIDATOR_NODE(child));
    }
}

void NodeMap::noteWritten(int index, bool failed) const
{
    if (failed) {
        for (int dependency : dependenciesOf(index)) {
            if (isRegisterType(m_description.records[dependency].type))
                m_stale[dependency] = true;
        }
    }
    // What changed: the node, what it writes through, and every node that
    // reads any of those. Each of them invalidates the nodes that name it.
    std::vector<int> changed = dependenciesOf(index);
    std::vector<bool> seen(m_description.records.size(), false);
    for (int node : changed)
        seen[node] = true;
    for (size_t next = 0; next < changed.size(); ++next) {
        for (int reader : m_readers[changed[next]]) {
            if (!seen[reader]) {
                seen[reader] = true;
                changed.push_back(reader);
            }
        }
    }
    ++m_changes;
    for (int node : changed) {
        for (int invalidated : m_invalidated[node])
            m_stale[invalidated] = true;
    }
    for (int dependency : dependenciesOf(index)) {
        if (isRegisterType(m_description.records[dependency].type))
            invalidateOverlaps(dependency);
    }
}

bool NodeMap::spanOf(int index, Span* span) const
{
    ArvGcNode* arv = m_nodes[index] ? m_nodes[index]->arvNode() : nullptr;
    if (!ARV_IS_GC_REGISTER(arv) || !defectOf(index).empty())
        return false;
    GError* error = nullptr;
    span->address = arv_gc_register_get_address(ARV_GC_REGISTER(arv), &error);
    if (!error)
        span->length = arv_gc_register_get_length(ARV_GC_REGISTER(arv), &error);
    if (error) {
        g_error_free(error);
        return false;
    }
    return true;
}

void NodeMap::invalidateOverlaps(int written) const
{
    // Registers sharing a word (bit fields of one register, a whole-word
    // register over them) each keep their own cached copy in Aravis: after a
    // write to one, the others must be read again.
    if (!m_spansLearnt) {
        for (int index : m_registers)
            m_spanKnown[index] = spanOf(index, &m_spans[index]);
        m_spansLearnt = true;
    }
    Span span;
    if (!spanOf(written, &span))
        return;
    m_spans[written] = span;
    m_spanKnown[written] = true;
    for (int index : m_registers) {
        if (index == written || !m_spanKnown[index])
            continue;
        const Span& other = m_spans[index];
        if (other.address < span.address + span.length && span.address < other.address + other.length) {
            m_stale[index] = true;
            ++m_changes;
        }
    }
}

void NodeMap::invalidate(int index) const
{
    m_stale[index] = true;
    ++m_changes;
}

uint64_t NodeMap::cacheStamp() const
{
    return m_changes + m_ctx->registerReads.load() + m_ctx->registerWrites.load();
}

bool NodeMap::isStale(int index) const
{
    return m_stale[index];
}

// --- INodeMap -----------------------------------------------------------------

void NodeMap::GetNodes(NodeList_t& Nodes) const
{
    std::lock_guard<std::recursive_mutex> guard(m_ctx->mutex);
    Nodes.clear();
    Nodes.reserve(m_nodes.size());
    for (const auto& node : m_nodes)
        Nodes.push_back(node.get());
}

INode* NodeMap::GetNode(const gcstring& Name) const
{
    std::lock_guard<std::recursive_mutex> guard(m_ctx->mutex);
    return nodeNamed(Name.toStdString());
}

void NodeMap::InvalidateNodes() const
{
    std::lock_guard<std::recursive_mutex> guard(m_ctx->mutex);
    std::fill(m_stale.begin(), m_stale.end(), true);
    ++m_changes;
}

gcstring NodeMap::GetDeviceName()
{
    return m_description.modelName.empty() ? m_ctx->name : m_description.modelName;
}

void NodeMap::Poll(int64_t ElapsedTime)
{
    std::lock_guard<std::recursive_mutex> guard(m_ctx->mutex);
    if (ElapsedTime <= 0)
        return;
    for (size_t i = 0; i < m_pollingTime.size(); ++i) {
        if (m_pollingTime[i] > 0)
            m_polledFor[i] = std::min(m_polledFor[i] + ElapsedTime, std::numeric_limits<int64_t>::max() / 2);
    }
}

uint64_t NodeMap::GetNumNodes() const
{
    return m_nodes.size();
}

std::unique_ptr<INodeMap, void (*)(INodeMap*)> CreateNodeMap(std::shared_ptr<DeviceContext> ctx)
{
    return std::unique_ptr<INodeMap, void (*)(INodeMap*)>(
        new NodeMap(std::move(ctx)), [](INodeMap* map) { delete static_cast<NodeMap*>(map); });
}

} // namespace Internal
} // namespace GenApi
