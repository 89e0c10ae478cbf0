#pragma once

#include <QStyledItemDelegate>

// Item delegate of the check-list combo box's popup. Row 0 (the placeholder)
// has no height and is not painted. A left press on an entry is reported
// through pressed() and consumed, so the owner decides what a press does;
// the toolkit's own check-box toggling never runs on top of it.
class CustomItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CustomItemDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

signals:
    void pressed(const QModelIndex& index);
};
