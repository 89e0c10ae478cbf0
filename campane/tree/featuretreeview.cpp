#include "featuretreeview.h"

#include "featureeditdelegate.h"
#include "featurevalue.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/Corvid.h>

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QResizeEvent>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace GenApi;

bool FeatureTreeView::m_commandGuard = true;

namespace {

const int kRefreshIntervalMs = 1000;
// Time a command run from the tree is given before the tree goes on.
const unsigned long kCommandSettleMs = 100;

TreeItem* itemOf(const QModelIndex& index)
{
    const auto* model = qobject_cast<const TreeModel*>(index.model());
    return model && index.isValid() ? model->itemFromIndex(index) : nullptr;
}

} // namespace

FeatureTreeView::FeatureTreeView(QWidget* parent) : QTreeView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);

    m_delegate = new FeatureEditDelegate(this);
    setItemDelegateForColumn(1, m_delegate);

    // Each tick the visible values are read from the device again (once
    // each: the model keeps what it read until the next tick).
    m_refreshTimer = new QTimer(this);
    connect(m_refreshTimer, &QTimer::timeout, this, &FeatureTreeView::onRefreshTimerTimeout);
    m_refreshTimer->start(kRefreshIntervalMs);

    connect(m_delegate, &FeatureEditDelegate::CommandClicked, this,
            &FeatureTreeView::onDelegateCommandClicked);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (m_filterOnExpand)
            applyFilter(index);
    });

    header()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

FeatureTreeView::~FeatureTreeView()
{
    m_refreshTimer->stop();
    delete m_refreshTimer;
}

void FeatureTreeView::setModel(QAbstractItemModel* model)
{
    if (model)
        connect(model, &QAbstractItemModel::dataChanged, this, &FeatureTreeView::onModelDataChanged);
    QTreeView::setModel(model);
}

void FeatureTreeView::setFilter(int level, const QString& text, PreparedFilter prepared)
{
    m_level = level;
    m_filter = text;
    if (prepared.level == level && prepared.text == text)
        m_prepared = std::move(prepared.answers);
    m_nextPrepared = 0;
    if (model())
        applyFilter(model()->index(0, 0));
    // Read for this filter only: the device's answers change.
    m_prepared = {};
}

PreparedFilter FeatureTreeView::prepareFilter(const TreeItem* root, int level, const QString& text)
{
    PreparedFilter prepared;
    prepared.level = level;
    prepared.text = text;
    // The questions applyFilter asks, in its order: below the first top-level
    // row, a row without rows below it at the search text, a feature with
    // rows below it without, after the rows below it.
    std::function<void(const TreeItem*)> walk = [&](const TreeItem* parent) {
        for (int row = 0; row < parent->childCount(); ++row) {
            TreeItem* item = parent->child(row);
            if (item->childCount() == 0) {
                prepared.answers.emplace_back(item, item->isVisible(level, text));
            } else {
                walk(item);
                if (!item->isCategory())
                    prepared.answers.emplace_back(item, item->isVisible(level, QString()));
            }
        }
    };
    if (root && root->childCount() > 0)
        walk(root->child(0));
    return prepared;
}

void FeatureTreeView::expandTopLevel()
{
    m_filterOnExpand = false;
    expandToDepth(0);
    m_filterOnExpand = true;
}

bool FeatureTreeView::rowVisible(TreeItem* item, const QString& text)
{
    if (m_nextPrepared < m_prepared.size()) {
        const auto& answer = m_prepared[m_nextPrepared];
        if (answer.first == item) {
            ++m_nextPrepared;
            return answer.second;
        }
        // Another question than prepared: the device answers from here on.
        m_prepared = {};
    }
    return item->isVisible(m_level, text);
}

void FeatureTreeView::hideRow(int row, const QModelIndex& parent, bool hide)
{
    // Each change marks the layout for a rebuild: only changes are made.
    if (isRowHidden(row, parent) != hide)
        setRowHidden(row, parent, hide);
}

void FeatureTreeView::expandAllBelow(const QModelIndex& parent)
{
    QAbstractItemModel* itemModel = model();
    if (!itemModel)
        return;
    // With a layout pending, an expansion is only noted: the rows are laid
    // out once, after the last one, instead of once per expanded row (the
    // scroll bars' update lays out every visible row again). And the rows
    // are filtered once, after the last expansion, instead of once per
    // expanded level: the rows below each row that had children, as its
    // expansion would.
    scheduleDelayedItemsLayout();
    m_filterOnExpand = false;
    expandRowsBelow(parent);
    m_filterOnExpand = true;
    const int rows = itemModel->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = itemModel->index(row, 0, parent);
        if (itemModel->hasChildren(child))
            applyFilter(child);
    }
}

void FeatureTreeView::expandRowsBelow(const QModelIndex& parent)
{
    QAbstractItemModel* itemModel = model();
    const int rows = itemModel->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = itemModel->index(row, 0, parent);
        if (itemModel->hasChildren(child)) {
            expand(child);
            expandRowsBelow(child);
        }
    }
}

void FeatureTreeView::disableDevice()
{
    m_delegate->setDeviceDisabled();
}

void FeatureTreeView::setFeatureHints(const QStringList& wholeTree, const QStringList& fineFloats)
{
    m_wholeTreeFeatures = wholeTree;
    m_delegate->setFineFloats(fineFloats);
}

int FeatureTreeView::sizeHintForColumn(int column) const
{
    return QTreeView::sizeHintForColumn(column);
}

void FeatureTreeView::onRefreshTimerTimeout()
{
    if (auto* treeModel = qobject_cast<TreeModel*>(model()))
        treeModel->startRefreshTick();
    viewport()->update();
}

// Hides the rows below `parent` that are not to be shown, and `parent`'s own
// row when none below it is shown.
void FeatureTreeView::applyFilter(const QModelIndex& parent)
{
    QAbstractItemModel* itemModel = model();
    if (!itemModel)
        return;
    const int rows = itemModel->rowCount(parent);
    int hidden = 0;
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = itemModel->index(row, 0, parent);
        if (itemModel->rowCount(child) == 0) {
            TreeItem* item = itemOf(child);
            const bool visible = item && rowVisible(item, m_filter);
            hideRow(row, parent, !visible);
            if (!visible)
                ++hidden;
        } else {
            applyFilter(child);
            // A category is shown for its rows alone. A feature with rows
            // below it (the features it reads) is a row of its own: shown
            // at its level while available, when its name matches the search
            // text or a row below it is shown.
            TreeItem* item = itemOf(child);
            if (item && !item->isCategory()) {
                const bool matches =
                    m_filter.isEmpty() || item->name().contains(m_filter, Qt::CaseInsensitive);
                const bool shown = (matches || !isRowHidden(row, parent)) && rowVisible(item, QString());
                hideRow(row, parent, !shown);
            }
            if (isRowHidden(row, parent))
                ++hidden;
        }
    }
    if (parent.isValid())
        hideRow(parent.row(), parent.parent(), hidden >= rows);
}

void FeatureTreeView::commandRefreshing(const QString& nodeName)
{
    if (!qobject_cast<TreeModel*>(model()))
        return;
    const QModelIndex found = findLabel(QModelIndex(), nodeName);
    if (found.isValid())
        applyFilter(found);
}

// Depth first, in row order, column 0 only.
QModelIndex FeatureTreeView::findLabel(const QModelIndex& parent, const QString& label) const
{
    QAbstractItemModel* itemModel = model();
    const int rows = itemModel->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = itemModel->index(row, 0, parent);
        if (child.data(Qt::DisplayRole).toString() == label)
            return child;
        if (itemModel->hasChildren(child)) {
            const QModelIndex found = findLabel(child, label);
            if (found.isValid())
                return found;
        }
    }
    return QModelIndex();
}

void FeatureTreeView::onModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QVector<int>& roles)
{
    Q_UNUSED(bottomRight)
    Q_UNUSED(roles)
    TreeItem* item = itemOf(topLeft);
    INode* node = item ? item->node() : nullptr;
    if (!node)
        return;
    FeatureKind kind = FeatureKind::None;
    if (genApiCall("FeatureTreeView", [&] { kind = FeatureValue(node, item->name()).kind(); }) !=
        GenApiOutcome::Done)
        return;
    switch (kind) {
    case FeatureKind::Enumeration:
        // A mode that decides which features exist at all.
        if (m_wholeTreeFeatures.contains(item->name())) {
            applyFilter(model()->index(0, 0));
            break;
        }
        Q_FALLTHROUGH();
    case FeatureKind::Integer:
    case FeatureKind::Boolean:
        applyFilter(currentIndex().parent());
        break;
    default:
        break;
    }
}

void FeatureTreeView::onDelegateCommandClicked(bool checked)
{
    Q_UNUSED(checked)
    if (!m_commandGuard)
        return;
    TreeItem* item = itemOf(currentIndex());
    INode* node = item ? item->node() : nullptr;
    if (!node)
        return;
    const QString name = item->name();
    const FeatureValue command(node, name);
    bool writable = false;
    genApiCall("FeatureTreeView", [&] { writable = isWritableMode(command.accessMode()); });
    if (!writable)
        return;
    const auto warn = [&](const FeatureError& error) {
        if (error.isGeneric())
            reportFeature({name.toUtf8(), 1, m_deviceId}, error, raisedErrorText(error));
    };

    if (name == QLatin1String("TriggerSoftware")) {
        warn(command.execute(true, "FeatureTreeView"));
        return;
    }

    // While the command runs (including its wait, during which events may be
    // handled) no other command starts.
    m_commandGuard = false;
    m_delegate->blockSignals(true);
    FeatureError error;
    // Whatever the receivers of commandExecute throw ends here too, so that
    // the guard is lifted again.
    genApiCall("FeatureTreeView", [&] {
        if (name != QLatin1String("DeviceReset")) {
            emit commandExecute(name);
            error = command.execute(true, "FeatureTreeView");
            if (!error.failed())
                QThread::msleep(kCommandSettleMs);
        } else {
            // The camera service resets the device: it knows the device goes
            // away and comes back.
            Corvid::SetCameraNodeValue(toStd(m_deviceId), "DeviceReset", "");
            emit commandExecute(name);
        }
    });
    warn(error);
    m_delegate->blockSignals(false);
    m_commandGuard = true;
}

void FeatureTreeView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        if (QAbstractItemModel* headerModel = header()->model()) {
            headerModel->setHeaderData(0, Qt::Horizontal, QCoreApplication::translate("CamBoard", "Feature"),
                                       Qt::EditRole);
            headerModel->setHeaderData(1, Qt::Horizontal, QCoreApplication::translate("CamBoard", "Value"),
                                       Qt::EditRole);
        }
        return;
    }
    QTreeView::changeEvent(event);
}

void FeatureTreeView::resizeEvent(QResizeEvent* event)
{
    const int half = event->size().width() / 2;
    setColumnWidth(0, half);
    setColumnWidth(1, half);
    QTreeView::resizeEvent(event);
}

void FeatureTreeView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (!selected.isEmpty())
        emit SigSelectItem(selected.indexes().first());
}
