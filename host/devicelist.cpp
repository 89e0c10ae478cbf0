#include "devicelist.h"

#include "printable.h"
#include "stdtext.h"

#include <Corvid/CorvidHost.h>

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTreeWidget>

namespace {

enum Column
{
    ColumnDevice = 0,
    ColumnModel = 1,
    ColumnState = 2
};

enum Role
{
    RoleId = Qt::UserRole,
    RoleIsCard
};

// A small round state light for the device list.
QIcon stateIcon(bool usable)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(usable ? QColor(75, 210, 149) : QColor(190, 190, 190));
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(pixmap);
}

} // namespace

DeviceList::DeviceList(QTreeWidget* tree, QObject* parent) : QObject(parent), m_tree(tree)
{
    tree->setIndentation(14);
    tree->header()->setStretchLastSection(true);
    // The list is as wide as its columns when there is room; in a narrow
    // window the texts are elided (the tooltips hold them whole).
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->header()->setSectionResizeMode(ColumnDevice, QHeaderView::ResizeToContents);
    tree->header()->setSectionResizeMode(ColumnModel, QHeaderView::ResizeToContents);
    m_camerasItem = new QTreeWidgetItem(tree);
    m_cardsItem = new QTreeWidgetItem(tree);
    for (QTreeWidgetItem* group : {m_camerasItem, m_cardsItem}) {
        group->setFlags(Qt::ItemIsEnabled);
        QFont font = group->font(ColumnDevice);
        font.setBold(true);
        group->setFont(ColumnDevice, font);
        group->setExpanded(true);
    }
}

std::string DeviceList::errorOf(const std::string& id)
{
    if (id.empty())
        return std::string();
    const std::string cameraError = Corvid::GetCameraInfo(id, Corvid::CAM_INFO_ERROR);
    return cameraError.empty() ? Corvid::GetCardInfo(id, Corvid::CARD_INFO_ERROR) : cameraError;
}

void DeviceList::refresh()
{
    const QString selectedId = selected().id;
    const QSignalBlocker blocker(m_tree);
    m_usable.clear();

    qDeleteAll(m_camerasItem->takeChildren());
    qDeleteAll(m_cardsItem->takeChildren());
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString id = fromStd(device.id);
        QStringList state;
        if (device.usable)
            state << tr("usable");
        else if (!device.error.empty())
            state << tr("refused: %1").arg(fromStd(device.error));
        else if (!device.isCard && Corvid::GetCameraInfo(device.id, Corvid::CAM_INFO_CONNECTED) == "0")
            state << tr("lost");
        else
            state << tr("unusable");
        if (!device.isCard) {
            const std::string lock = Corvid::GetCameraInfo(device.id, Corvid::CAM_INFO_LOCK);
            if (lock == "1")
                state << tr("locked");
            else if (lock == "0")
                state << tr("unlocked");
        }
        auto* item = new QTreeWidgetItem(device.isCard ? m_cardsItem : m_camerasItem);
        item->setText(ColumnDevice, id);
        item->setToolTip(ColumnModel, fromStd(device.model));
        item->setIcon(ColumnDevice, stateIcon(device.usable));
        item->setText(ColumnModel, fromStd(device.model));
        item->setText(ColumnState, state.join(QStringLiteral(", ")));
        item->setToolTip(ColumnState, plainToolTip(item->text(ColumnState)));
        item->setToolTip(ColumnDevice, plainToolTip(fromStd(device.description)));
        if (!device.error.empty()) {
            // The reason the device cannot be used, where the user looks.
            const QString error = tr("Cannot be used: %1").arg(fromStd(device.error));
            item->setToolTip(ColumnDevice,
                             plainToolTip(fromStd(device.description) + QLatin1Char('\n') + error));
            item->setToolTip(ColumnState, plainToolTip(error));
        }
        item->setData(ColumnDevice, RoleId, id);
        item->setData(ColumnDevice, RoleIsCard, device.isCard);
        if (id == selectedId) {
            item->setSelected(true);
            m_tree->setCurrentItem(item);
        }
        m_usable.insert(id, device.usable);
    }
}

DeviceList::Selection DeviceList::selected() const
{
    Selection selection;
    const QList<QTreeWidgetItem*> items = m_tree->selectedItems();
    if (!items.isEmpty()) {
        selection.id = items.first()->data(ColumnDevice, RoleId).toString();
        selection.isCard = items.first()->data(ColumnDevice, RoleIsCard).toBool();
    }
    return selection;
}

void DeviceList::select(const QString& id)
{
    m_tree->clearSelection();
    for (QTreeWidgetItem* group : {m_camerasItem, m_cardsItem}) {
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            if (item->data(ColumnDevice, RoleId).toString() == id) {
                item->setSelected(true);
                m_tree->setCurrentItem(item);
            }
        }
    }
}

void DeviceList::retranslate()
{
    m_camerasItem->setText(ColumnDevice, tr("Cameras (%1)").arg(m_camerasItem->childCount()));
    m_cardsItem->setText(ColumnDevice, tr("Cards (%1)").arg(m_cardsItem->childCount()));
}

int DeviceList::contentWidth() const
{
    const QAbstractItemModel* model = m_tree->model();
    // Frame, scroll bar and a little room for a longer state text.
    int columns = m_tree->frameWidth() * 2 + m_tree->verticalScrollBar()->sizeHint().width() + 12;
    for (int c = 0; c < m_tree->columnCount(); ++c) {
        int widest = m_tree->header()->sectionSizeHint(c);
        for (int group = 0; group < model->rowCount(); ++group) {
            const QModelIndex parent = model->index(group, 0);
            widest = qMax(widest, m_tree->sizeHintForIndex(model->index(group, c)).width());
            for (int row = 0; row < model->rowCount(parent); ++row)
                widest = qMax(widest, m_tree->sizeHintForIndex(model->index(row, c, parent)).width() +
                                          (c == 0 ? m_tree->indentation() : 0));
        }
        columns += widest;
    }
    return columns;
}
