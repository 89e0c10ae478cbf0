#include "treemodel.h"

#include "featurevalue.h"
#include "treebuilder.h"
#include "treeitem.h"
#include "treelog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextDocument>

using namespace GenApi;

namespace {

// Valid UTF-8 survives decoding and encoding unchanged; an invalid or
// truncated sequence comes back as U+FFFD and so differs.
bool isValidUtf8(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

TreeModel::TreeModel(const QStringList& headers, const GenApi::NodeList_t* nodes, QObject* parent)
    : QAbstractItemModel(parent)
{
    Q_UNUSED(nodes)
    QVector<QVariant> rootData;
    for (const QString& header : headers)
        rootData << header;
    m_rootItem = new TreeItem(rootData);
    loadTranslations();
}

TreeModel::~TreeModel()
{
    delete m_rootItem;
}

TreeItem* TreeModel::itemFromIndex(const QModelIndex& index) const
{
    if (index.isValid()) {
        if (auto* item = static_cast<TreeItem*>(index.internalPointer()))
            return item;
    }
    return m_rootItem;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return QModelIndex();
    if (column < 0 || column >= m_rootItem->columnCount())
        return QModelIndex();
    TreeItem* childItem = itemFromIndex(parent)->child(row);
    return childItem ? createIndex(row, column, childItem) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return QModelIndex();
    TreeItem* parentItem = itemFromIndex(index)->parent();
    if (!parentItem || parentItem == m_rootItem)
        return QModelIndex();
    return createIndex(parentItem->childNumber(), 0, parentItem);
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    // Only the first column has children, as in every tree model.
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return itemFromIndex(parent)->childCount();
}

int TreeModel::columnCount(const QModelIndex& parent) const
{
    Q_UNUSED(parent)
    return m_rootItem->columnCount();
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == FeatureNameRole)
        return index.column() == 0 ? QVariant(itemFromIndex(index)->name()) : QVariant();
    if (role == DeviceTextRole) {
        if (index.column() != 1 || !itemFromIndex(index)->node())
            return QVariant();
        const QVariant value = deviceValue(index);
        return value.isValid() ? QVariant(deviceValueText(value)) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return QVariant();
    if (role == Qt::ToolTipRole && index.column() != 0)
        return QVariant();

    TreeItem* item = itemFromIndex(index);
    const int column = index.column();
    if (m_deviceDisabled)
        return item->cachedData(column);

    QVariant value;
    INode* node = item->node();
    const auto outcome = genApiCall(
        "TreeModel",
        [&] {
            if (column == 1 && node) {
                // Values that cannot be written are painted by the delegate.
                if (!node->IsFeature())
                    return;
                const EAccessMode mode = item->refreshedAccessMode(m_tick);
                if (mode != WO && mode != RW)
                    return;
            }
            value = item->refreshedData(column, m_tick);
        },
        [&](const GenICam::GenericException& e) {
            if (item->isNewFailure(e.GetDescription()))
                warnGenericException(item->name(), e);
        });
    if (outcome != GenApiOutcome::Done)
        return column == 0 ? item->cachedData(0) : QVariant();
    if (column == 1)
        item->clearFailure();

    if (m_language == 1 && value.isValid()) {
        const auto it = m_translations.constFind(value.toString());
        if (it != m_translations.constEnd())
            value = it.value();
    }
    // A tool tip that looks like markup is shown as rich text: a device's
    // name or tool tip is shown as it is.
    if (role == Qt::ToolTipRole && value.type() == QVariant::String && Qt::mightBeRichText(value.toString()))
        return Qt::convertFromPlainText(value.toString(), Qt::WhiteSpacePre);
    return value;
}

QHash<int, QByteArray> TreeModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(FeatureNameRole, QByteArrayLiteral("featureName"));
    names.insert(DeviceTextRole, QByteArrayLiteral("deviceText"));
    return names;
}

QVariant TreeModel::deviceValue(const QModelIndex& index) const
{
    if (!index.isValid())
        return QVariant();
    TreeItem* item = itemFromIndex(index);
    if (m_deviceDisabled)
        return index.column() == 1 ? QVariant() : item->cachedData(index.column());
    return item->refreshedData(index.column(), m_tick);
}

void TreeModel::startRefreshTick()
{
    ++m_tick;
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole && role != Qt::DisplayRole)
        return false;
    TreeItem* item = itemFromIndex(index);
    if (m_deviceDisabled && index.column() != 0 && item->node()) {
        FeatureError gone;
        gone.feature = item->name();
        gone.operation = QStringLiteral("write");
        reportFeature({QByteArrayLiteral("campane.tree"), -1, QString()}, gone,
                      QStringLiteral("The device of %1 is gone; nothing written").arg(item->name()));
        return false;
    }
    if (!item->setData(index.column(), value))
        return false;
    // A write can change other features (limits, availability, selected
    // values): everything is read again at the next paint.
    if (index.column() != 0 && item->node())
        startRefreshTick();
    emit dataChanged(index, index);
    return true;
}

QVariant TreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_rootItem->data(section);
    return QVariant();
}

bool TreeModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (role != Qt::EditRole || orientation != Qt::Horizontal)
        return false;
    const bool result = m_rootItem->setData(section, value);
    if (result)
        emit headerDataChanged(orientation, section, section);
    return result;
}

bool TreeModel::insertRows(int position, int rows, const QModelIndex& parent)
{
    TreeItem* parentItem = itemFromIndex(parent);
    if (position < 0 || position > parentItem->childCount() || rows <= 0)
        return false;
    beginInsertRows(parent, position, position + rows - 1);
    const bool success = parentItem->insertChildren(position, rows, m_rootItem->columnCount());
    endInsertRows();
    return success;
}

bool TreeModel::insertColumns(int position, int columns, const QModelIndex& parent)
{
    if (position < 0 || position > m_rootItem->columnCount() || columns <= 0)
        return false;
    beginInsertColumns(parent, position, position + columns - 1);
    const bool success = m_rootItem->insertColumns(position, columns);
    endInsertColumns();
    return success;
}

bool TreeModel::removeRows(int position, int rows, const QModelIndex& parent)
{
    TreeItem* parentItem = itemFromIndex(parent);
    if (position < 0 || rows <= 0 || position + rows > parentItem->childCount())
        return false;
    beginRemoveRows(parent, position, position + rows - 1);
    const bool success = parentItem->removeChildren(position, rows);
    endRemoveRows();
    return success;
}

bool TreeModel::removeColumns(int position, int columns, const QModelIndex& parent)
{
    if (position < 0 || columns <= 0 || position + columns > m_rootItem->columnCount())
        return false;
    beginRemoveColumns(parent, position, position + columns - 1);
    const bool success = m_rootItem->removeColumns(position, columns);
    endRemoveColumns();
    if (m_rootItem->columnCount() == 0)
        removeRows(0, rowCount());
    return success;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 1)
        return QAbstractItemModel::flags(index) | Qt::ItemIsEditable;
    return QAbstractItemModel::flags(index) | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}

void TreeModel::setupModelData(const GenApi::NodeList_t& nodes)
{
    if (nodes.empty())
        return;
    adoptTree(TreeBuilder::build(nodes, m_rootItem->columnCount()));
}

void TreeModel::adoptTree(TreeBuilder::Result built)
{
    if (!built.root)
        return;
    beginResetModel();
    m_rootItem->adoptChildren(*built.root);
    m_truncated = built.truncated;
    endResetModel();
}

void TreeModel::setLanguage(int language)
{
    m_language = language;
    // Every label and value may read differently now. The range covers the
    // top-level rows (dataChanged takes valid indexes only); a view repaints
    // its whole viewport for a range of several rows, the rows below included.
    const int rows = rowCount();
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
}

void TreeModel::disableDevice()
{
    m_deviceDisabled = true;
}

void TreeModel::loadTranslations()
{
    QFile file(QStringLiteral("%1/translate/feature.txt").arg(QCoreApplication::applicationDirPath()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_translations = readTranslations(file);
}

QHash<QString, QString> TreeModel::readTranslations(QIODevice& file)
{
    QHash<QString, QString> table;
    // Files written on any system: CR LF, CR and LF end a line alike.
    QByteArray content = file.readAll();
    content.replace("\r\n", "\n");
    content.replace('\r', '\n');
    const QList<QByteArray> lines = content.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const int lineNumber = i + 1;
        const QList<QByteArray> parts = line.split('>');
        if (parts.size() != 2) {
            if (!line.trimmed().isEmpty())
                qCInfo(lcFeatureTree, "feature.txt line %d skipped: %s", lineNumber,
                       parts.size() < 2 ? "no '>'" : "more than one '>'");
            continue;
        }
        // Blanks around the name and the translation are layout, not text.
        const QByteArray key = parts.at(0).trimmed();
        const QByteArray translation = parts.at(1).trimmed();
        if (!isValidUtf8(key) || !isValidUtf8(translation))
            qCWarning(lcFeatureTree,
                      "feature.txt line %d is not valid UTF-8; read with replacement characters", lineNumber);
        table.insert(QString::fromUtf8(key), QString::fromUtf8(translation));
    }
    return table;
}
