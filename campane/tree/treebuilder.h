#pragma once

#include <GenApi/GenApi.h>

#include <atomic>
#include <memory>
#include <vector>

class TreeItem;

// The items of a feature tree, gathered from a node map's nodes
// (INodeMap::GetNodes) with each feature's first value: the nodes without
// parents at the top, their children below. A category listed by several
// categories is shown under each of them, but the whole tree holds at most
// maxRows rows; past the bound the rest is left out with a warning.
//
// The items are plain data (TreeItem is no QObject), so they may be gathered
// on any thread that may use the node map, and handed to a TreeModel on the
// GUI thread (TreeModel::adoptTree). A set cancel flag stops the walk between
// two nodes; what was gathered so far is returned.
class TreeBuilder
{
public:
    static constexpr int maxRows = 100000;

    struct Result
    {
        //! Holds the gathered rows as its children; its own columns are empty.
        std::unique_ptr<TreeItem> root;
        //! The walk stopped at maxRows.
        bool truncated = false;
    };

    static Result build(const GenApi::NodeList_t& nodes, int columns,
                        const std::atomic<bool>* cancel = nullptr);

private:
    TreeBuilder(int columns, const std::atomic<bool>* cancel) : m_columns(columns), m_cancel(cancel) {}
    void addNodes(const GenApi::NodeList_t& nodes, TreeItem* parent);
    void appendNode(GenApi::INode* node, TreeItem* parent);
    bool cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed); }

    int m_columns;
    const std::atomic<bool>* m_cancel;
    // Nesting of the walk: 0 is the top level.
    int m_depth = 0;
    //! The nodes being built, outermost first: a category that lists one of
    //! them (itself, or a category above it) does not get it again.
    std::vector<GenApi::INode*> m_path;
    int m_rows = 0;
    bool m_truncated = false;
};
