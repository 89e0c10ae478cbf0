#include "treeitem.h"

#include "featurepolicy.h"
#include "treelog.h"

Q_LOGGING_CATEGORY(lcFeatureTree, "campane.tree", QtInfoMsg)

using namespace GenApi;

namespace {

const char* const kTag = "TreeItem";
const char* const kTreeCategory = "campane.tree";

// Line-rate features change with the device's timing: they bypass the cache.
bool readsUncached(const QString& name)
{
    return name == QLatin1String("AcquisitionLineRate") || name == QLatin1String("ResultingLineRateAbs");
}

} // namespace

TreeItem::TreeItem(const QVector<QVariant>& data, TreeItem* parent) : m_itemData(data), m_parentItem(parent)
{
}

TreeItem::~TreeItem()
{
    qDeleteAll(m_childItems);
}

TreeItem* TreeItem::child(int row) const
{
    return row >= 0 && row < m_childItems.size() ? m_childItems.at(row) : nullptr;
}

int TreeItem::childCount() const
{
    return m_childItems.size();
}

int TreeItem::columnCount() const
{
    return m_itemData.size();
}

int TreeItem::childNumber() const
{
    return m_parentItem ? m_parentItem->m_childItems.indexOf(const_cast<TreeItem*>(this)) : 0;
}

TreeItem* TreeItem::parent() const
{
    return m_parentItem;
}

bool TreeItem::insertChildren(int position, int count, int columns)
{
    if (position < 0 || position > m_childItems.size() || count < 0 || columns < 0)
        return false;
    for (int row = 0; row < count; ++row)
        m_childItems.insert(position, new TreeItem(QVector<QVariant>(columns), this));
    return true;
}

void TreeItem::adoptChildren(TreeItem& other)
{
    for (TreeItem* child : qAsConst(other.m_childItems))
        child->m_parentItem = this;
    m_childItems.append(other.m_childItems);
    other.m_childItems.clear();
}

bool TreeItem::removeChildren(int position, int count)
{
    if (position < 0 || count < 0 || position + count > m_childItems.size())
        return false;
    for (int row = 0; row < count; ++row)
        delete m_childItems.takeAt(position);
    return true;
}

bool TreeItem::insertColumns(int position, int columns)
{
    if (position < 0 || position > m_itemData.size() || columns < 0)
        return false;
    for (int column = 0; column < columns; ++column)
        m_itemData.insert(position, QVariant());
    for (TreeItem* child : qAsConst(m_childItems))
        child->insertColumns(position, columns);
    return true;
}

bool TreeItem::removeColumns(int position, int columns)
{
    if (position < 0 || columns < 0 || position + columns > m_itemData.size())
        return false;
    m_itemData.remove(position, columns);
    for (TreeItem* child : qAsConst(m_childItems))
        child->removeColumns(position, columns);
    return true;
}

QVariant TreeItem::cachedData(int column) const
{
    return column >= 0 && column < m_itemData.size() ? m_itemData.at(column) : QVariant();
}

QVariant TreeItem::data(int column)
{
    if (column < 0 || column >= m_itemData.size())
        return QVariant();
    if (column != 1 || !m_node.IsValid())
        return m_itemData.at(column);

    QVariant value;
    bool keep = true;
    genApiCall(
        kTag, [&] { value = readValue(); },
        [&](const GenICam::GenericException& e) {
            if (featureError(e, m_name, QStringLiteral("read")).isUnreadable()) {
                value = QStringLiteral("{Not Available}");
                keep = false;
            }
        });
    if (!value.isValid())
        return m_itemData.at(column);
    if (keep)
        m_itemData[column] = value;
    return value;
}

QVariant TreeItem::readValue()
{
    const FeatureValue feature(m_node.get(), m_name);
    const bool uncached = feature.kind() == FeatureKind::Float && readsUncached(m_name);
    return feature.text(TextStyle::Tree,
                        uncached ? FeaturePolicy::treeUncached() : FeaturePolicy::treeCell());
}

bool TreeItem::setData(int column, const QVariant& value)
{
    if (column < 0 || column >= m_itemData.size() || !value.isValid()) {
        qCDebug(lcFeatureTree) << "Data is invalid!";
        return false;
    }
    if (column == 0) {
        m_itemData[column] = value;
        return true;
    }
    if (!m_node.IsValid()) {
        qCDebug(lcFeatureTree) << "Feature is invalid!";
        m_itemData[column] = value;
        return true;
    }

    const FeatureValue feature(m_node.get(), m_name);
    const FeatureWrite write = feature.write(value, FeaturePolicy::treeWrite(), kTag);
    // Unreadable before the write (write-only): the stored value stays the
    // rollback value.
    const QVariant rollback = write.hasRollback ? write.rollback : m_itemData.at(column);
    if (write.written) {
        if (write.missingEntry) {
            FeatureError none;
            none.feature = m_name;
            none.operation = QStringLiteral("write");
            reportFeature(
                {kTreeCategory, 1, QString()}, none,
                QStringLiteral("%1 has no entry \"%2\"; nothing written").arg(m_name, value.toString()));
        }
        const QVariant kept = writtenValue(feature, write.readBack);
        if (kept.isValid())
            m_itemData[column] = kept;
        reportWritten(m_name);
    } else if (write.error.isGeneric()) {
        m_itemData[column] = rollback;
        // The reason goes where the panel's refused writes go: the user asked
        // for this value and needs to know why it did not take.
        reportFeature({kTreeCategory, 0, QString()}, write.error,
                      QStringLiteral("Failed to set data for ") + m_name + QStringLiteral(": ") +
                          refusedWriteText(write.error));
    }
    m_tickValue = QVariant();
    m_valueTick = 0;
    return true;
}

// What the item keeps of a value read back after a write: a float as its
// node's text, an integer or boolean as it is; nothing for an enumeration
// (the next read shows its entry).
QVariant TreeItem::writtenValue(const FeatureValue& feature, const QVariant& readBack)
{
    if (!readBack.isValid())
        return QVariant();
    QVariant kept = readBack;
    genApiCall(kTag, [&] {
        if (feature.kind() == FeatureKind::Float)
            kept = feature.styled(TextStyle::Tree, readBack);
    });
    return kept;
}

void TreeItem::setNode(GenApi::INode* node)
{
    m_node = node;
    m_name.clear();
    m_valueTick = 0;
    m_accessTick = 0;
    if (node)
        genApiCall(kTag, [&] { m_name = fromGc(node->GetName(false)); });
    // Below the top level the label is the name: share its text.
    const QVariant& label = m_itemData.value(0);
    if (label.type() == QVariant::String && label.toString() == m_name)
        m_name = label.toString();
}

GenApi::INode* TreeItem::node() const
{
    return m_node.get();
}

QString TreeItem::name() const
{
    return m_name;
}

bool TreeItem::isVisible(int level, const QString& filter)
{
    if (!m_node.IsValid())
        return false;
    bool visible = true;
    genApiCall(
        kTag,
        [&] {
            if (int(m_node->GetVisibility()) > level) {
                visible = false;
                return;
            }
            if (!filter.isEmpty() && FeatureValue(m_node.get(), m_name).kind() != FeatureKind::Category &&
                !m_name.contains(filter, Qt::CaseInsensitive)) {
                visible = false;
                return;
            }
            gcstring availability;
            gcstring attribute;
            if (!m_node->GetProperty("pIsAvailable", availability, attribute))
                return;
            INode* available = m_node->GetNodeMap()->GetNode(availability);
            if (!available) {
                // A description error; the device cannot say, so the
                // feature is shown and the device decides when it is used.
                if (!m_missingAvailabilityReported) {
                    m_missingAvailabilityReported = true;
                    FeatureError missing;
                    missing.feature = m_name;
                    missing.operation = QStringLiteral("read");
                    reportFeature({kTreeCategory, 1, QString()}, missing,
                                  QStringLiteral("%1: pIsAvailable names the missing node \"%2\"; shown")
                                      .arg(m_name, fromGc(availability)));
                }
                return;
            }
            const FeatureValue availableValue(available);
            if (availableValue.kind() != FeatureKind::Integer)
                return;
            visible = availableValue.value(ReadPolicy{true, true}).toLongLong() != 0;
        },
        [&](const GenICam::GenericException&) { visible = false; });
    // A GenICam exception hides the row (the device could not confirm the
    // feature); any other exception leaves it shown, logged by genApiCall().
    return visible;
}

bool TreeItem::isCategory() const
{
    if (!m_node.IsValid())
        return true;
    bool category = false;
    genApiCall(kTag, [&] { category = FeatureValue(m_node.get(), m_name).kind() == FeatureKind::Category; });
    return category;
}

bool TreeItem::isNewFailure(const char* description)
{
    const QByteArray failure(description ? description : "");
    if (failure == m_reportedFailure)
        return false;
    m_reportedFailure = failure;
    return true;
}

QVariant TreeItem::refreshedData(int column, quint64 tick)
{
    if (column != 1 || !m_node.IsValid())
        return data(column);
    if (m_valueTick != tick || tick == 0) {
        m_tickValue = data(column);
        m_valueTick = tick;
    }
    return m_tickValue;
}

GenApi::EAccessMode TreeItem::refreshedAccessMode(quint64 tick)
{
    if (m_accessTick != tick || tick == 0) {
        m_tickAccessMode = m_node->GetAccessMode();
        m_accessTick = tick;
    }
    return m_tickAccessMode;
}
