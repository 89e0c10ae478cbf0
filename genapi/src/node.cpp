// Node: access, identity and documentation, cache and values. Its properties
// and links to other nodes are in nodelinks.cpp.
#include "node.h"

#include <algorithm>

namespace GenApi {
namespace Internal {

namespace {

int accessRank(EAccessMode mode)
{
    switch (mode) {
    case NI:
        return 0;
    case NA:
        return 1;
    default:
        return 2;
    }
}

} // namespace

EAccessMode combineAccess(EAccessMode a, EAccessMode b)
{
    if (accessRank(a) < 2 || accessRank(b) < 2)
        return accessRank(a) <= accessRank(b) ? a : b;
    if (a == RW)
        return b;
    if (b == RW)
        return a;
    if (a == b)
        return a;
    return NA; // RO with WO
}

EAccessMode accessFromText(std::string_view text, EAccessMode fallback)
{
    if (text == "RO")
        return RO;
    if (text == "WO")
        return WO;
    if (text == "RW")
        return RW;
    return fallback;
}

const char* accessModeName(EAccessMode mode)
{
    switch (mode) {
    case NI:
        return "NI";
    case NA:
        return "NA";
    case WO:
        return "WO";
    case RO:
        return "RO";
    case RW:
        return "RW";
    default:
        return "undefined";
    }
}

ERepresentation representationFromText(std::string_view text, ERepresentation fallback)
{
    static const struct
    {
        const char* text;
        ERepresentation value;
    } table[] = {{"Linear", Linear},         {"Logarithmic", Logarithmic}, {"Boolean", Boolean},
                 {"PureNumber", PureNumber}, {"HexNumber", HexNumber},     {"IPV4Address", IPV4Address},
                 {"MACAddress", MACAddress}};
    for (const auto& entry : table) {
        if (text == entry.text)
            return entry.value;
    }
    return fallback;
}

Node::Node(NodeMap* map, int index, ArvGcNode* arvNode) : m_map(map), m_index(index), m_arv(arvNode) {}

Node::~Node() = default;

const NodeRecord& Node::record() const
{
    return m_map->description().records[m_index];
}

namespace {

// How many node evaluations this thread has open. The description check
// bounds every chain of references; this stops our own recursion (access
// modes through references) should a chain slip through anyway.
thread_local int evaluationDepth = 0;
constexpr int kMaxEvaluationDepth = 2 * kMaxReferenceDepth;

} // namespace

Node::EvaluationGuard::EvaluationGuard(const Node& node)
{
    if (evaluationDepth >= kMaxEvaluationDepth) {
        std::string text = "Node '" + node.name() + "': evaluation nests deeper than " +
                           std::to_string(kMaxEvaluationDepth) + " nodes";
        GENICAM_THROW(LogicalErrorException, text.c_str());
    }
    ++evaluationDepth;
}

Node::EvaluationGuard::~EvaluationGuard()
{
    --evaluationDepth;
}

void Node::checkLost() const
{
    m_map->checkEvaluable(m_index);
    if (deviceLost()) {
        std::string text = "Node '" + name() + "': the device is lost; nothing can be read or written";
        GENICAM_THROW(AccessException, text.c_str());
    }
}

std::string Node::describe(const char* what) const
{
    return std::string(what) + ": node '" + name() + "' (access mode " + accessModeName(GetAccessMode()) +
           ")";
}

void Node::checkReadable() const
{
    checkLost();
    EAccessMode mode = GetAccessMode();
    if (mode != RO && mode != RW) {
        std::string text = describe("Node is not readable");
        GENICAM_THROW(AccessException, text.c_str());
    }
}

void Node::checkWritable() const
{
    checkLost();
    EAccessMode mode = GetAccessMode();
    if (mode != WO && mode != RW) {
        std::string text = describe("Node is not writable");
        GENICAM_THROW(AccessException, text.c_str());
    }
}

void Node::throwGError(GError* error, const char* file, unsigned int line) const
{
    throwFromGError(error, name(), deviceLost(), file, line);
}

// --- access ---------------------------------------------------------------

EAccessMode Node::accessOfReference(std::initializer_list<const char*> elements, EAccessMode fallback) const
{
    for (const char* element : elements) {
        const std::optional<NodeProperty> property = record().find(element);
        if (!property)
            continue;
        Node* target = m_map->nodeNamed(property->value);
        return target ? target->GetAccessMode() : NI;
    }
    return fallback;
}

EAccessMode Node::ownAccessMode() const
{
    const std::string_view type = record().type;
    if (type == "Category")
        return RO;
    if (type == "Port")
        return RW;
    if (!m_arv)
        return NI;
    if (isRegisterType(type))
        return accessFromText(record().text("AccessMode"), RO);
    return RO;
}

bool Node::keepable() const
{
    if (m_keepable < 0)
        m_keepable = m_map->pollingTimeOf(m_index) > 0 ? 0 : 1;
    return m_keepable == 1;
}

EAccessMode Node::GetAccessMode() const
{
    Lock guard = lock();
    // A lost device answers nothing: report the node unavailable without
    // touching the transport (value calls throw).
    if (deviceLost())
        return NA;
    // A description whose access depends on itself: read-only breaks the loop.
    if (m_computingAccess)
        return RO;
    // A node that cannot be evaluated is not available; its value calls say why.
    try {
        m_map->checkEvaluable(m_index);
    } catch (const GenICam::GenericException&) {
        return NA;
    }
    m_computingAccess = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_computingAccess};

    const uint64_t stamp = m_map->cacheStamp();
    if (keepable() && m_lastAccessStamp == stamp)
        return m_lastAccess;
    EAccessMode mode = NA;
    try {
        EvaluationGuard nesting(*this);
        mode = accessMode();
    } catch (const GenICam::TimeoutException&) {
        // No answer yet (a write not confirmed, a device being checked): the
        // access last known stands, and the value calls say why they fail.
        return m_lastAccess == NI ? NA : m_lastAccess;
    } catch (const GenICam::GenericException&) {
        return NA;
    }
    // An evaluation that went to the device (NoCache registers, stale ones)
    // is not kept: the next one goes there again.
    if (m_map->cacheStamp() == stamp) {
        m_lastAccess = mode;
        m_lastAccessStamp = stamp;
    }
    return mode;
}

EAccessMode Node::accessMode() const
{
    // Chunk or event data without a chunk or event attached (GenApi's
    // detached port): not available, and nothing is read.
    if (m_map->readsDetachedPort(m_index))
        return NA;
    m_map->refreshStale(m_index);

    const NodeRecord& rec = record();
    ArvGcFeatureNode* feature = ARV_IS_GC_FEATURE_NODE(m_arv) ? ARV_GC_FEATURE_NODE(m_arv) : nullptr;
    if (feature && rec.has("pIsImplemented")) {
        GError* error = nullptr;
        gboolean implemented = arv_gc_feature_node_is_implemented(feature, &error);
        if (error) {
            g_error_free(error);
            return NA;
        }
        if (!implemented)
            return NI;
    }
    if (feature && rec.has("pIsAvailable")) {
        GError* error = nullptr;
        gboolean available = arv_gc_feature_node_is_available(feature, &error);
        if (error) {
            g_error_free(error);
            return NA;
        }
        if (!available)
            return NA;
    }

    EAccessMode mode = ownAccessMode();
    if (mode == NI || mode == NA)
        return mode;
    if (const std::optional<NodeProperty> imposed = rec.find("ImposedAccessMode"))
        mode = combineAccess(mode, accessFromText(imposed->value, RW));
    mode = combineAccess(mode, m_imposedAccess);

    if (feature && (mode == RW || mode == WO) && rec.has("pIsLocked")) {
        GError* error = nullptr;
        gboolean locked = arv_gc_feature_node_is_locked(feature, &error);
        if (error) {
            g_error_free(error);
            locked = TRUE;
        }
        if (locked)
            mode = mode == RW ? RO : NA;
    }
    return mode;
}

void Node::ImposeAccessMode(EAccessMode ImposedAccessMode)
{
    Lock guard = lock();
    m_imposedAccess = ImposedAccessMode;
    m_map->noteChange(); // the access of the nodes that read this one too
}

// --- identity and documentation --------------------------------------------

gcstring Node::GetName(bool FullQualified) const
{
    Lock guard = lock();
    if (!FullQualified)
        return name();
    return (GetNameSpace() == Standard ? "Std::" : "Cust::") + name();
}

ENameSpace Node::GetNameSpace() const
{
    return record().nameSpace == "Standard" ? Standard : Custom;
}

EVisibility Node::GetVisibility() const
{
    Lock guard = lock();
    const std::string text = record().text("Visibility");
    EVisibility own = Beginner;
    if (text == "Expert")
        own = Expert;
    else if (text == "Guru")
        own = Guru;
    else if (text == "Invisible")
        own = Invisible;
    return m_imposedVisibility > own ? m_imposedVisibility : own;
}

void Node::ImposeVisibility(EVisibility ImposedVisibility)
{
    Lock guard = lock();
    m_imposedVisibility = ImposedVisibility;
}

gcstring Node::GetToolTip() const
{
    return record().text("ToolTip");
}

gcstring Node::GetDescription() const
{
    return record().text("Description");
}

gcstring Node::GetDisplayName() const
{
    const NodeRecord& rec = record();
    return rec.text("DisplayName", std::string(rec.symbolic));
}

gcstring Node::GetDeviceName() const
{
    return m_map->GetDeviceName();
}

gcstring Node::GetEventID() const
{
    return record().text("EventID");
}

bool Node::IsStreamable() const
{
    return record().text("Streamable") == "Yes";
}

gcstring Node::GetDocuURL() const
{
    return record().text("DocuURL");
}

bool Node::IsDeprecated() const
{
    return record().text("IsDeprecated") == "Yes";
}

EInterfaceType Node::GetPrincipalInterfaceType() const
{
    return record().type == "Port" ? intfIPort : intfIBase;
}

INodeMap* Node::GetNodeMap() const
{
    return m_map;
}

// --- cache ------------------------------------------------------------------

void Node::InvalidateNode()
{
    Lock guard = lock();
    m_map->invalidate(m_index);
}

bool Node::IsCachable() const
{
    Lock guard = lock();
    return !m_map->anyDependencyNoCache(m_index);
}

EYesNo Node::IsAccessModeCacheable() const
{
    return Yes;
}

ECachingMode Node::GetCachingMode() const
{
    Lock guard = lock();
    const std::string own = record().text("Cachable");
    if (own == "NoCache")
        return NoCache;
    if (own == "WriteThrough")
        return WriteThrough;
    if (own == "WriteAround")
        return WriteAround;
    return m_map->anyDependencyNoCache(m_index) ? NoCache : WriteThrough;
}

int64_t Node::GetPollingTime() const
{
    Lock guard = lock();
    return m_map->pollingTimeOf(m_index);
}

bool Node::IsValueCacheValid() const
{
    Lock guard = lock();
    return !m_map->anyDependencyNoCache(m_index) && !m_map->needsDeviceRead(m_index);
}

Node::ReadScope::ReadScope(const Node& node, bool ignoreCache)
    : m_nesting(node), m_node(node), m_bypass(ignoreCache)
{
    node.checkLost();
    node.m_map->refreshStale(node.m_index);
    if (m_bypass) {
        ArvGc* gc = node.m_map->context().gc;
        m_previousPolicy = arv_gc_get_register_cache_policy(gc);
        arv_gc_set_register_cache_policy(gc, ARV_REGISTER_CACHE_POLICY_DISABLE);
    }
}

Node::ReadScope::~ReadScope()
{
    if (m_bypass)
        arv_gc_set_register_cache_policy(m_node.m_map->context().gc,
                                         static_cast<ArvRegisterCachePolicy>(m_previousPolicy));
}

// --- values -----------------------------------------------------------------

INode* Node::GetNode()
{
    return this;
}

gcstring Node::ToString(bool Verify, bool IgnoreCache)
{
    Lock guard = lock();
    checkLost();
    return valueToString(Verify, IgnoreCache);
}

void Node::FromString(const gcstring& ValueStr, bool Verify)
{
    Lock guard = lock();
    checkLost();
    valueFromString(ValueStr.toStdString(), Verify);
}

std::string Node::valueToString(bool, bool)
{
    return std::string();
}

void Node::valueFromString(const std::string&, bool)
{
    std::string text = "Node '" + name() + "' has no value to set from a string";
    GENICAM_THROW(AccessException, text.c_str());
}

} // namespace Internal
} // namespace GenApi
