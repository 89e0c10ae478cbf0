// The node map: one GenApi node object per node of the description, over the
// ArvGc of a device context. It owns the nodes, knows the links between them
// (categories, invalidators, selectors, value dependencies) and keeps the
// cache bookkeeping that Aravis lacks (invalidation by our own writes,
// polling times, IgnoreCache).
#pragma once

#include "devicecontext.h"
#include "nodeproperties.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace GenApi {
namespace Internal {

class Node;

//! One list of node indexes per node, stored end to end (a node map keeps
//! several of them for every node; most are empty).
class IndexLists
{
public:
    class Range
    {
    public:
        Range(const int* begin, const int* end) : m_begin(begin), m_end(end) {}
        const int* begin() const { return m_begin; }
        const int* end() const { return m_end; }
        bool empty() const { return m_begin == m_end; }
        size_t size() const { return static_cast<size_t>(m_end - m_begin); }

    private:
        const int* m_begin;
        const int* m_end;
    };

    //! Takes the lists, which are left empty.
    void assign(std::vector<std::vector<int>>& lists);
    Range operator[](int index) const
    {
        return Range(m_items.data() + m_starts[static_cast<size_t>(index)],
                     m_items.data() + m_starts[static_cast<size_t>(index) + 1]);
    }

private:
    std::vector<uint32_t> m_starts; // list i is m_items[m_starts[i], m_starts[i + 1])
    std::vector<int> m_items;
};

class NodeMap final : public INodeMap
{
public:
    //! Throws GenICam::RuntimeException when the description cannot be parsed.
    explicit NodeMap(std::shared_ptr<DeviceContext> ctx);
    ~NodeMap() override;
    NodeMap(const NodeMap&) = delete;
    NodeMap& operator=(const NodeMap&) = delete;

    // INodeMap
    void GetNodes(NodeList_t& Nodes) const override;
    INode* GetNode(const gcstring& Name) const override;
    void InvalidateNodes() const override;
    gcstring GetDeviceName() override;
    void Poll(int64_t ElapsedTime) override;
    uint64_t GetNumNodes() const override;

    // For the nodes.
    DeviceContext& context() const { return *m_ctx; }
    const NodeDescription& description() const { return m_description; }
    //! Empty when the node can be evaluated, else why it cannot (a defect of
    //! the description found when it was loaded).
    const std::string& defectOf(int index) const { return m_checked->defectOf(index); }
    Node* nodeAt(int index) const;
    Node* nodeNamed(std::string_view name) const;
    //! The categories that list the node, in document order.
    IndexLists::Range parentsOf(int index) const { return m_parents[index]; }
    bool isFeature(int index) const { return m_isFeature[index]; }
    //! The nodes whose pInvalidator names this one.
    IndexLists::Range invalidatedBy(int index) const { return m_invalidated[index]; }
    //! The selectors whose pSelected names this one.
    IndexLists::Range selectorsOf(int index) const { return m_selectors[index]; }
    //! The node and every node its value, limits or access depend on.
    const std::vector<int>& dependenciesOf(int index) const;
    //! The shortest PollingTime among the dependencies, or -1.
    int64_t pollingTimeOf(int index) const;
    //! Whether the node reads a chunk or event register: such data exists
    //! only while a buffer's chunk or an event is attached, never here.
    bool readsDetachedPort(int index) const;
    bool anyDependencyNoCache(int index) const;

    //! Throws a GenICam exception when the node cannot be evaluated: a defect
    //! of the description, or a register length evaluated through <pLength>
    //! that is out of bounds, on the node or anything its evaluation reads.
    void checkEvaluable(int index) const;

    //! True when a dependency of the node was invalidated or its polling
    //! time has passed: its cached registers are not to be trusted.
    bool needsDeviceRead(int index) const;
    //! Reads again from the device every register behind an invalidated or
    //! expired dependency of the node (each once), so that evaluating the node
    //! from the register cache gives what the device holds. Throws the
    //! GenICam exception of a failed read.
    void refreshStale(int index) const;
    //! After a write to the node: every node that names it (or one of its
    //! dependencies) as invalidator must be read again. After a failed one
    //! (refused, or not confirmed: the device may still take it) the
    //! registers it writes through are read from the device too, never
    //! taken from a cache that may hold the value that was sent.
    void noteWritten(int index, bool failed = false) const;
    void invalidate(int index) const;
    bool isStale(int index) const;
    //! Changes whenever what the register cache holds may have changed: any
    //! register traffic, invalidation or imposed access. Equal stamps mean
    //! that evaluating a node from the cache gives the same answer.
    uint64_t cacheStamp() const;
    void noteChange() const { ++m_changes; }

private:
    void buildNodes();
    void buildLinks();
    struct Span
    {
        uint64_t address = 0;
        uint64_t length = 0;
    };
    //! Where a register node lies now; false when Aravis cannot say.
    bool spanOf(int index, Span* span) const;
    //! Marks stale every other register that shares bytes with the written one.
    void invalidateOverlaps(int written) const;
    bool expired(int index, std::chrono::steady_clock::time_point now) const;
    void refreshRegister(int index) const;

    std::shared_ptr<DeviceContext> m_ctx;
    std::shared_ptr<const CheckedDescription> m_checked;
    const NodeDescription& m_description;
    std::vector<std::unique_ptr<Node>> m_nodes;
    IndexLists m_parents;
    std::vector<bool> m_isFeature;
    IndexLists m_invalidated;
    IndexLists m_selectors;
    IndexLists m_readers; // the nodes that read each node
    // Worked out when first asked, for the nodes that are evaluated.
    mutable std::vector<std::unique_ptr<const std::vector<int>>> m_dependencies;
    std::vector<int64_t> m_pollingTime; // own PollingTime element, -1 when none
    mutable std::vector<bool> m_stale;
    mutable uint64_t m_changes = 1;
    mutable std::vector<std::chrono::steady_clock::time_point> m_lastRead;
    mutable std::vector<int64_t> m_polledFor; // Poll() time since the last read, per polled node
    std::vector<bool> m_detachedPort;         // registers on a chunk or event port
    std::vector<int> m_registers;             // the register nodes
    std::vector<bool> m_lengthEvaluated;      // registers whose length comes from <pLength>
    mutable std::vector<Span> m_spans;        // their spans, learnt at the first write
    mutable std::vector<bool> m_spanKnown;
    mutable bool m_spansLearnt = false;
};

} // namespace Internal
} // namespace GenApi
