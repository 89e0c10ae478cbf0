#include "treebuilder.h"

#include "featurevalue.h"
#include "treeitem.h"
#include "treelog.h"

#include <algorithm>
#include <cstdio>

using namespace GenApi;

namespace {

// Deeper than any real description nests; stops a description whose reading
// links loop.
const int kMaxDepth = 64;

// A node the tree could not read while it was built. The reason is a record
// (debug, "campane.tree") like every feature's failure, and a line on the
// standard output as well, where the tree's printed dump shows it among the
// rows.
void reportBuildFailure(INode* node, const GenICam::GenericException& e)
{
    reportFeature({QByteArrayLiteral("campane.tree"), -1, QString()},
                  featureError(e, FeatureValue(node).name(), QStringLiteral("read")),
                  QString::fromUtf8(e.GetDescription()));
    // The description quotes the device's names: its control characters
    // would reach the terminal.
    QByteArray text(e.GetDescription());
    for (int i = 0; i < text.size(); ++i) {
        const uchar c = uchar(text.at(i));
        // C0 controls, DEL, and the C1 controls in their UTF-8 form.
        if (c < 0x20 || c == 0x7f)
            text[i] = '?';
        else if (c == 0xc2 && i + 1 < text.size() && (uchar(text.at(i + 1)) & 0xe0) == 0x80)
            text.replace(i, 2, "?");
    }
    std::fprintf(stdout, "%s\n", text.constData());
    std::fflush(stdout);
}

// The value an item starts with, read while the tree is built: a float as its
// node's text, every other kind as it is.
QVariant buildValue(INode* node)
{
    const FeatureValue feature(node);
    const FeatureKind kind = feature.kind();
    ReadPolicy policy;
    if (kind == FeatureKind::String) {
        // Transport-layer paths come from the file system, in its code page.
        const QString name = fromGc(node->GetName(false));
        policy.localEncoding = name == QLatin1String("TLPath") || name == QLatin1String("TLID");
    }
    const QVariant value = feature.value(policy);
    return kind == FeatureKind::Float ? feature.styled(TextStyle::Tree, value) : value;
}

} // namespace

TreeBuilder::Result TreeBuilder::build(const NodeList_t& nodes, int columns, const std::atomic<bool>* cancel)
{
    TreeBuilder builder(columns, cancel);
    Result result;
    result.root = std::make_unique<TreeItem>(QVector<QVariant>(columns));
    builder.addNodes(nodes, result.root.get());
    result.truncated = builder.m_truncated;
    return result;
}

void TreeBuilder::addNodes(const NodeList_t& nodes, TreeItem* parent)
{
    if (m_depth > kMaxDepth) {
        qCWarning(lcFeatureTree, "The feature tree nests deeper than %d levels; the rest is left out",
                  kMaxDepth);
        return;
    }
    for (INode* node : nodes) {
        if (m_truncated || cancelled())
            return;
        if (!node || std::find(m_path.begin(), m_path.end(), node) != m_path.end())
            continue;
        if (m_depth == 0) {
            // The top level holds the nodes nothing refers to: the root
            // category (even when a category lists it by mistake), and
            // features outside every category.
            bool topLevel = false;
            genApiCall(
                "TreeItem",
                [&] {
                    NodeList_t parents;
                    node->GetParents(parents);
                    topLevel = parents.empty() || node->GetName(false) == "Root";
                },
                [&](const GenICam::GenericException& e) { reportBuildFailure(node, e); });
            if (!topLevel)
                continue;
        }
        appendNode(node, parent);
    }
}

void TreeBuilder::appendNode(INode* node, TreeItem* parent)
{
    QVariant label;
    QVariant value;
    NodeList_t children;
    bool skip = false;
    genApiCall(
        "TreeItem",
        [&] {
            if (!node->IsFeature() || node->GetVisibility() > Guru) {
                skip = true;
                return;
            }
            if (m_depth == 0) {
                const gcstring toolTip = node->GetToolTip();
                label = fromGc(toolTip.empty() ? node->GetDeviceName() : toolTip);
            } else {
                label = fromGc(node->GetName(false));
            }
            node->GetChildren(children, ctReadingChildren);
            // A feature with rows below it (the features it reads) has a
            // value as well; categories have none.
            value = buildValue(node);
        },
        [&](const GenICam::GenericException& e) { reportBuildFailure(node, e); });
    if (skip)
        return;
    if (m_rows >= maxRows) {
        m_truncated = true;
        qCWarning(lcFeatureTree, "The feature tree holds more than %d rows; the rest is left out", maxRows);
        return;
    }

    const int row = parent->childCount();
    if (!parent->insertChildren(row, 1, m_columns))
        return;
    ++m_rows;
    TreeItem* item = parent->child(row);
    // Stored before the node is attached, so the values are kept as read.
    item->setData(0, label);
    item->setData(1, value);
    item->setNode(node);

    if (!children.empty()) {
        ++m_depth;
        m_path.push_back(node);
        addNodes(children, item);
        m_path.pop_back();
        --m_depth;
    }
}
