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
