#pragma once

#include "treebuilder.h"

#include <GenApi/GenApi.h>

#include <QAbstractItemModel>
#include <QHash>
#include <QStringList>

class QIODevice;
class TreeItem;

// The GenICam node map of a device as a two-column item model: the feature
// (its label) and its value.
//
// Values are read from the device when a view asks for them. A view that
// repaints periodically calls startRefreshTick() before each repaint; within
// one tick every value and access mode is read from the device at most once,
// however many roles the view asks and whether the delegate paints the value.
// Writes go through GenApi, wait for the device and read the value back; a
// refused write returns the item to the value the device held before. From
// the GUI thread a write waits for the device only briefly: one it has not
// answered by then is reported not confirmed, and the first tick after the
// device answers shows what it holds.
//
// Feature labels and enumeration entries can be shown translated: the table
// is read from "<application directory>/translate/feature.txt" at
// construction, and shown when the language is 1.
class TreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // Roles beyond the display, named in roleNames() so that a host can ask
    // for them without this header: the feature's node name (column 0), and
    // the value as the tree shows a value read from the device (column 1,
    // deviceValueText() of deviceValue()).
    enum Role
    {
        FeatureNameRole = Qt::UserRole + 1,
        DeviceTextRole
    };

    // `headers` are the column titles; `nodes` is not read (the tree is built
    // by setupModelData()).
    TreeModel(const QStringList& headers, const GenApi::NodeList_t* nodes = nullptr,
              QObject* parent = nullptr);
    ~TreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool insertRows(int position, int rows, const QModelIndex& parent = QModelIndex()) override;
    bool insertColumns(int position, int columns, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int position, int rows, const QModelIndex& parent = QModelIndex()) override;
    bool removeColumns(int position, int columns, const QModelIndex& parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Builds the items from the node map's nodes (INodeMap::GetNodes), as
    // TreeBuilder gathers them, and appends them to the top level.
    void setupModelData(const GenApi::NodeList_t& nodes);
    // Appends items gathered by TreeBuilder (on any thread) to the top
    // level: one model reset, as setupModelData makes.
    void adoptTree(TreeBuilder::Result built);
    static constexpr int maxRows = TreeBuilder::maxRows;
    // True when the last build stopped at maxRows.
    bool isTruncated() const { return m_truncated; }
    // 1 shows the translations of feature.txt, 0 the names as they are.
    void setLanguage(int language);
    // The device is gone: from now on every answer comes from the values
    // already read, and no node is touched.
    void disableDevice();
    bool isDeviceDisabled() const { return m_deviceDisabled; }

    // The item of an index; the root for an invalid index.
    TreeItem* itemFromIndex(const QModelIndex& index) const;

    // Starts a refresh tick: values are read from the device again when next
    // asked, once each.
    void startRefreshTick();
    quint64 refreshTick() const { return m_tick; }
    // The value the item reads from the device for the index's column, during
    // the current tick (what the delegate paints for read-only features).
    // Invalid after disableDevice() for column 1.
    QVariant deviceValue(const QModelIndex& index) const;

    // Reads a translation table: one "name>translation" pair per line (LF,
    // CR LF or CR), both sides trimmed of surrounding blanks.
    static QHash<QString, QString> readTranslations(QIODevice& file);

private:
    void loadTranslations();

    TreeItem* m_rootItem;
    QHash<QString, QString> m_translations;
    int m_language = 0;
    bool m_deviceDisabled = false;
    // Whether the last build stopped at maxRows.
    bool m_truncated = false;
    // The current refresh tick; items compare it with what they read last.
    quint64 m_tick = 1;
};
