// The base of every GenApi node object: INode and IValue over one node of the
// description (its parsed elements) and, when Aravis built it, its ArvGcNode.
// The typed nodes (IntegerNode, FloatNode, ...) add their interface.
#pragma once

#include "arverror.h"
#include "nodemap.h"

#include <mutex>
#include <string>

namespace GenApi {
namespace Internal {

class Node : public virtual INode, public virtual IValue
{
public:
    Node(NodeMap* map, int index, ArvGcNode* arvNode);
    ~Node() override;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // IBase
    EAccessMode GetAccessMode() const override;

    // INode
    gcstring GetName(bool FullQualified = false) const override;
    ENameSpace GetNameSpace() const override;
    EVisibility GetVisibility() const override;
    void InvalidateNode() override;
    bool IsCachable() const override;
    EYesNo IsAccessModeCacheable() const override;
    ECachingMode GetCachingMode() const override;
    int64_t GetPollingTime() const override;
    gcstring GetToolTip() const override;
    gcstring GetDescription() const override;
    gcstring GetDisplayName() const override;
    gcstring GetDeviceName() const override;
    void GetChildren(NodeList_t& Children, ELinkType LinkType = ctReadingChildren) const override;
    void GetParents(NodeList_t& Parents) const override;
    INodeMap* GetNodeMap() const override;
    gcstring GetEventID() const override;
    bool IsStreamable() const override;
    void GetPropertyNames(gcstring_vector& PropertyNames) const override;
    bool GetProperty(const gcstring& PropertyName, gcstring& ValueStr, gcstring& AttributeStr) override;
    void ImposeAccessMode(EAccessMode ImposedAccessMode) override;
    void ImposeVisibility(EVisibility ImposedVisibility) override;
    INode* GetAlias() const override;
    INode* GetCastAlias() const override;
    gcstring GetDocuURL() const override;
    bool IsDeprecated() const override;
    EInterfaceType GetPrincipalInterfaceType() const override;
    bool IsFeature() const override;
    bool IsSelector() const override;
    void GetSelectedFeatures(FeatureList_t& Features) const override;
    void GetSelectingFeatures(FeatureList_t& Features) const override;

    // IValue
    INode* GetNode() override;
    gcstring ToString(bool Verify = false, bool IgnoreCache = false) override;
    void FromString(const gcstring& ValueStr, bool Verify = true) override;
    bool IsValueCacheValid() const override;

    int index() const { return m_index; }
    const NodeRecord& record() const;
    ArvGcNode* arvNode() const { return m_arv; }
    std::string name() const { return std::string(record().name); }

protected:
    //! The node's own access before availability, imposition and locking:
    //! a register's AccessMode, the access of the node its value lives in.
    virtual EAccessMode ownAccessMode() const;
    virtual std::string valueToString(bool verify, bool ignoreCache);
    virtual void valueFromString(const std::string& text, bool verify);

    // Counts one open evaluation on this thread; throws when too many nest.
    class EvaluationGuard
    {
    public:
        explicit EvaluationGuard(const Node& node);
        ~EvaluationGuard();
        EvaluationGuard(const EvaluationGuard&) = delete;
        EvaluationGuard& operator=(const EvaluationGuard&) = delete;
    };

    using Lock = std::unique_lock<std::recursive_mutex>;
    Lock lock() const { return Lock(m_map->context().mutex); }
    //! Throws when the node cannot be evaluated (a defect of the description)
    //! or the device is lost, before anything touches the device.
    void checkLost() const;
    void checkReadable() const;
    void checkWritable() const;
    //! Access of the node named by the first of these elements that the node
    //! has, or fallback when it has none.
    EAccessMode accessOfReference(std::initializer_list<const char*> elements, EAccessMode fallback) const;
    [[noreturn]] void throwGError(GError* error, const char* file, unsigned int line) const;
    std::string describe(const char* what) const;
    bool deviceLost() const { return m_map->context().lost.load(); }
    //! Whether what the node evaluates from the register cache may be kept
    //! while the map's cache stamp stays the same: not when polled registers
    //! are behind it (time alone makes those stale).
    bool keepable() const;
    //! Records a write through this node (invalidates the nodes that depend
    //! on it); a failed one leaves its own registers to be read again.
    void noteWritten(bool failed = false) const { m_map->noteWritten(m_index, failed); }

    // Makes the register cache trustworthy for one evaluation of the node:
    // registers behind invalidated or expired dependencies are read again
    // first, and with IgnoreCache every register the evaluation touches is
    // read from the device while the scope lives.
    class ReadScope
    {
    public:
        ReadScope(const Node& node, bool ignoreCache);
        ~ReadScope();
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;

    private:
        EvaluationGuard m_nesting;
        const Node& m_node;
        bool m_bypass = false;
        int m_previousPolicy = 0;
    };

    NodeMap* m_map;
    int m_index;
    ArvGcNode* m_arv; // owned by the ArvGc

private:
    //! GetAccessMode once the node is known to be evaluable.
    EAccessMode accessMode() const;

    EAccessMode m_imposedAccess = RW;
    EVisibility m_imposedVisibility = Beginner;
    mutable bool m_computingAccess = false;
    // The last access mode computed, valid while the map's cache stamp is
    // the one it was computed at (0: none). Nodes whose access depends on
    // polled registers keep nothing: time alone makes their access stale.
    mutable EAccessMode m_lastAccess = NI;
    mutable uint64_t m_lastAccessStamp = 0;
    mutable signed char m_keepable = -1; // unknown yet
};

//! GenApi's combination of two access modes: the most restrictive wins, and
//! read-only with write-only gives not available.
EAccessMode combineAccess(EAccessMode a, EAccessMode b);
EAccessMode accessFromText(std::string_view text, EAccessMode fallback);
ERepresentation representationFromText(std::string_view text, ERepresentation fallback);
const char* accessModeName(EAccessMode mode);

} // namespace Internal
} // namespace GenApi

#define GENAPI_NODE_THROW_GERROR(error) throwGError((error), __FILE__, __LINE__)
