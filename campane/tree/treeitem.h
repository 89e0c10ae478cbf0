#pragma once

#include <GenApi/GenApi.h>

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

class FeatureValue;

// One row of the feature tree: a GenApi node with two columns, the label
// (column 0) and the value (column 1).
//
// The item keeps the last value it read in its column data, so that it can
// still answer when the device stops answering; data() reads column 1 from the
// device every time it is asked. The model asks through refreshedData(),
// which reads at most once per refresh tick.
//
// An item owns its children. It is not a QObject; the model owns the root.
class TreeItem
{
public:
    explicit TreeItem(const QVector<QVariant>& data, TreeItem* parent = nullptr);
    ~TreeItem();
    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

    TreeItem* child(int row) const;
    int childCount() const;
    int columnCount() const;
    // Row of this item in its parent; 0 for the root.
    int childNumber() const;
    TreeItem* parent() const;

    bool insertChildren(int position, int count, int columns);
    // Moves every child of `other` to the end of this item's children.
    void adoptChildren(TreeItem& other);
    bool removeChildren(int position, int count);
    bool insertColumns(int position, int columns);
    bool removeColumns(int position, int columns);

    // Column 1 of an item with a node is read from the device (and kept when
    // it could be read); every other column is the stored data.
    QVariant data(int column);
    // Column 1 of an item with a node is written to the device and read back;
    // see the .cpp for the exact flow. False only for a bad column or value.
    bool setData(int column, const QVariant& value);

    void setNode(GenApi::INode* node);
    // The node, null when none is set.
    GenApi::INode* node() const;
    // The node's name, GetName(false).
    QString name() const;

    // Whether the row is shown at user level `level` (0 Beginner, 1 Expert,
    // 2 Guru) with the search text `filter`, and the device reports the
    // feature available.
    bool isVisible(int level, const QString& filter);
    // Whether the node is a category (or there is no node): a row that has no
    // value of its own and is shown only for the rows below it.
    bool isCategory() const;

    // The stored data of a column, without touching the node.
    QVariant cachedData(int column) const;

    // data(column), read from the device at most once per refresh tick:
    // asked again with the same tick, the item answers what it read then.
    QVariant refreshedData(int column, quint64 tick);
    // The node's access mode, read at most once per refresh tick. Throws what
    // GetAccessMode() throws (and then remembers nothing).
    GenApi::EAccessMode refreshedAccessMode(quint64 tick);

    // Whether a failure with this description is news: the same failure
    // repeated at every repaint is reported once, until a read succeeds.
    bool isNewFailure(const char* description);
    void clearFailure() { m_reportedFailure.clear(); }

private:
    QVariant readValue();
    static QVariant writtenValue(const FeatureValue& feature, const QVariant& readBack);

    QList<TreeItem*> m_childItems;
    QVector<QVariant> m_itemData;
    TreeItem* m_parentItem;
    GenApi::CNodePtr m_node;
    QString m_name;

    // What the current refresh tick read; tick 0 is never current.
    quint64 m_valueTick = 0;
    QVariant m_tickValue;
    quint64 m_accessTick = 0;
    GenApi::EAccessMode m_tickAccessMode = GenApi::NI;
    QByteArray m_reportedFailure;
    // A pIsAvailable naming a missing node is reported once per item.
    bool m_missingAvailabilityReported = false;
};
