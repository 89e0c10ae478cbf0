#include "customitemmodel.h"

CustomItemModel::CustomItemModel(QObject* parent) : QStandardItemModel(parent) {}

QVariant CustomItemModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DisplayRole && index.isValid() && index.row() == 0)
        return QString();
    return QStandardItemModel::data(index, role);
}
