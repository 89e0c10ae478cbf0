#pragma once

#include <QStringList>
#include <QTreeView>

#include <utility>
#include <vector>

class FeatureEditDelegate;
class QTimer;
class TreeItem;

// What a filter at `level` and `text` asks of the device, read ahead (on any
// thread that may use the node map, before the items reach a model): each
// row's TreeItem::isVisible answer, in the order the filter asks.
struct PreparedFilter
{
    int level = -1;
    QString text;
    std::vector<std::pair<const TreeItem*, bool>> answers;
};

// The tree of every feature of a device.
//
// It shows a TreeModel with the feature editors on the value column, hides
// the rows above the chosen user level, those that do not match the search
// text and those the device reports unavailable, repaints once a second so
// that the values follow the device, and runs command features.
class FeatureTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit FeatureTreeView(QWidget* parent = nullptr);
    ~FeatureTreeView() override;

    void setModel(QAbstractItemModel* model) override;

    // The device whose features are shown (used to reset it).
    void setDeviceId(const QString& deviceId) { m_deviceId = deviceId; }
    QString deviceId() const { return m_deviceId; }

    // Reads ahead what a filter at `level` and `text` asks of the device.
    static PreparedFilter prepareFilter(const TreeItem* root, int level, const QString& text);

    // Shows the rows up to user level `level` (0 Beginner, 1 Expert, 2 Guru)
    // whose name contains `text`, from the first top-level row down. Answers
    // prepared for the same level and text are used instead of reading the
    // device again.
    void setFilter(int level, const QString& text, PreparedFilter prepared = PreparedFilter());
    // Expands the top-level rows without filtering the rows below them (the
    // caller filters next).
    void expandTopLevel();
    // Expands every row below `parent` that has children.
    void expandAllBelow(const QModelIndex& parent = QModelIndex());
    // The device is gone: the delegate stops touching it.
    void disableDevice();

    // What the owner knows of the device's features. A write of one of
    // `wholeTree` (a camera's working mode, say) refilters the whole tree,
    // since it decides which features exist at all; any other write refilters
    // the rows beside it. The floats of `fineFloats` hold fractions of one and
    // are edited with six decimals. Neither names any feature by default.
    void setFeatureHints(const QStringList& wholeTree, const QStringList& fineFloats);

    int sizeHintForColumn(int column) const override;

    // Whether a command may start now; one flag for the whole process.
    static bool commandGuard() { return m_commandGuard; }

signals:
    void SigSelectItem(const QModelIndex& index);
    // A command feature (other than "TriggerSoftware") is being run.
    void commandExecute(const QString& nodeName);

public slots:
    // Filters the rows below the row labelled `nodeName` again.
    void commandRefreshing(const QString& nodeName);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private slots:
    void onModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                            const QVector<int>& roles = QVector<int>());
    void onDelegateCommandClicked(bool checked);
    void onRefreshTimerTimeout();

private:
    void applyFilter(const QModelIndex& parent);
    void expandRowsBelow(const QModelIndex& parent);
    bool rowVisible(TreeItem* item, const QString& text);
    void hideRow(int row, const QModelIndex& parent, bool hide);
    QModelIndex findLabel(const QModelIndex& parent, const QString& label) const;

    QString m_deviceId;
    QTimer* m_refreshTimer;
    FeatureEditDelegate* m_delegate;
    int m_level = 0;
    QString m_filter;
    // Answers for the filter under way, if prepared, and the next one.
    std::vector<std::pair<const TreeItem*, bool>> m_prepared;
    size_t m_nextPrepared = 0;
    bool m_filterOnExpand = true;
    QStringList m_wholeTreeFeatures;

    static bool m_commandGuard;
};
