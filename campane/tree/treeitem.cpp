#include "treeitem.h"

#include "genapicall.h"
#include "treelog.h"
#include "valueformat.h"

#include <QThread>

Q_LOGGING_CATEGORY(lcFeatureTree, "campane.tree", QtInfoMsg)

using namespace GenApi;

namespace {

// How long a write waits before the value is read back: the device may take a
// moment to apply it.
const unsigned long kWriteSettleMs = 50;

// Line-rate features change with the device's timing; they bypass the cache.
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
        "TreeItem", [&] { value = readValue(); },
        [&](const GenICam::GenericException& e) {
            if (QByteArray(e.GetDescription()).contains("Node is not readable")) {
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
    switch (m_node->GetPrincipalInterfaceType()) {
    case intfIInteger: {
        CIntegerPtr integer(m_node.get());
        const int64_t value = integer->GetValue(false, false);
        switch (integerTextOf(*integer, m_name)) {
        case IntegerText::Mac:
            return formatMac(value);
        case IntegerText::IPv4:
            return formatIPv4(value);
        case IntegerText::Hex:
            return formatHex(value);
        case IntegerText::Number:
            return QVariant(qlonglong(value));
        }
        return QVariant();
    }
    case intfIBoolean:
        return CBooleanPtr(m_node.get())->GetValue(false, false) ? QStringLiteral("True")
                                                                 : QStringLiteral("False");
    case intfICommand:
        return QStringLiteral("{Execute}");
    case intfIFloat: {
        CFloatPtr floating(m_node.get());
        return floatText(*floating, readsUncached(m_name) ? floating->GetValue(true, true)
                                                          : floating->GetValue(false, false));
    }
    case intfIString:
        return QString::fromUtf8(CStringPtr(m_node.get())->GetValue(false, false).c_str());
    case intfIEnumeration:
        if (IEnumEntry* entry = CEnumerationPtr(m_node.get())->GetCurrentEntry(false, false))
            return QString::fromUtf8(entry->GetSymbolic().c_str());
        return QVariant();
    default:
        return QVariant();
    }
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

    QVariant rollback = m_itemData.at(column);
    genApiCall(
        "TreeItem",
        [&] {
            // The value the device holds before the write is what a refused
            // write returns to.
            switch (m_node->GetPrincipalInterfaceType()) {
            case intfIInteger:
                rollback = qlonglong(CIntegerPtr(m_node.get())->GetValue(false, false));
                break;
            case intfIBoolean:
                rollback = CBooleanPtr(m_node.get())->GetValue(false, false);
                break;
            case intfIFloat: {
                CFloatPtr floating(m_node.get());
                rollback = floatText(*floating, floating->GetValue(false, false));
                break;
            }
            case intfIString:
                rollback = QString::fromUtf8(CStringPtr(m_node.get())->GetValue(false, false).c_str());
                break;
            case intfIEnumeration:
                rollback = QVariant();
                break;
            default:
                break;
            }
        },
        [&](const GenICam::GenericException&) {
            // Unreadable before the write (write-only): the stored value stays
            // the rollback value.
        });

    genApiCall(
        "TreeItem",
        [&] {
            const QVariant written = writeValue(value);
            if (written.isValid())
                m_itemData[column] = written;
        },
        [&](const GenICam::GenericException& e) {
            m_itemData[column] = rollback;
            qCDebug(lcFeatureTree, "Failed to set data for %s", qUtf8Printable(m_name));
            // The reason goes where the panel's refused writes go: the user
            // asked for this value and needs to know why it did not take.
            logRefusedWrite("TreeItem", m_name, e);
        });
    m_tickValue = QVariant();
    m_valueTick = 0;
    return true;
}

// Writes `value` by the node's kind, waits for the device, reads the value
// back; returns what is to be kept (invalid: keep the stored value).
QVariant TreeItem::writeValue(const QVariant& value)
{
    switch (m_node->GetPrincipalInterfaceType()) {
    case intfIInteger: {
        CIntegerPtr integer(m_node.get());
        integer->SetValue(value.toLongLong(), true);
        QThread::msleep(kWriteSettleMs);
        return qlonglong(integer->GetValue(true, true));
    }
    case intfIBoolean: {
        CBooleanPtr boolean(m_node.get());
        boolean->SetValue(value.toBool(), true);
        QThread::msleep(kWriteSettleMs);
        return boolean->GetValue(true, true);
    }
    case intfIFloat: {
        CFloatPtr floating(m_node.get());
        // Written with verification: a value outside the limits or off the
        // increment grid is refused here as the panel refuses it, instead of
        // reaching the device (which would round or clamp it silently).
        floating->SetValue(double(value.toFloat()), true);
        QThread::msleep(kWriteSettleMs);
        return floatText(*floating, floating->GetValue(true, true));
    }
    case intfIString: {
        CStringPtr string(m_node.get());
        string->SetValue(gcstring(value.toString().toUtf8().constData()), true);
        QThread::msleep(kWriteSettleMs);
        return QString::fromUtf8(string->GetValue(true, true).c_str());
    }
    case intfIEnumeration: {
        CEnumerationPtr enumeration(m_node.get());
        const QString symbolic = value.toString();
        IEnumEntry* entry = enumeration->GetEntryByName(gcstring(symbolic.toUtf8().constData()));
        if (!entry) {
            qCWarning(lcFeatureTree, "%s has no entry \"%s\"; nothing written", qUtf8Printable(m_name),
                      qUtf8Printable(symbolic));
            return QVariant();
        }
        enumeration->SetIntValue(int32_t(entry->GetValue()), true);
        QThread::msleep(kWriteSettleMs);
        enumeration->GetIntValue(true, true);
        return QVariant();
    }
    default:
        return QVariant();
    }
}

void TreeItem::setNode(GenApi::INode* node)
{
    m_node = node;
    m_name.clear();
    m_valueTick = 0;
    m_accessTick = 0;
    if (node)
        genApiCall("TreeItem", [&] { m_name = QString::fromUtf8(node->GetName(false).c_str()); });
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
        "TreeItem",
        [&] {
            if (int(m_node->GetVisibility()) > level) {
                visible = false;
                return;
            }
            if (!filter.isEmpty() && m_node->GetPrincipalInterfaceType() != intfICategory &&
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
                    qCWarning(lcFeatureTree, "%s: pIsAvailable names the missing node \"%s\"; shown",
                              qUtf8Printable(m_name), availability.c_str());
                }
                return;
            }
            if (available->GetPrincipalInterfaceType() != intfIInteger)
                return;
            CIntegerPtr integer(available);
            visible = integer.IsValid() && integer->GetValue(true, true) != 0;
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
    genApiCall("TreeItem", [&] { category = m_node->GetPrincipalInterfaceType() == intfICategory; });
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
