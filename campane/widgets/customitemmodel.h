#pragma once

#include <QStandardItemModel>

// Item model of the check-list combo box. Row 0 is the box's placeholder: it
// reports no display text, whatever its item holds.
class CustomItemModel : public QStandardItemModel
{
    Q_OBJECT

public:
    explicit CustomItemModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};
