#include "customitemdelegate.h"

#include <QMouseEvent>

namespace {

constexpr int kVerticalPadding = 8;

} // namespace

CustomItemDelegate::CustomItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CustomItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    if (!index.isValid() || index.row() == 0)
        return;
    // The row under the mouse is highlighted already; a focus frame around
    // its text only adds noise.
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
}

QSize CustomItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // Entries get a little air above and below so the list is easy to hit.
    size.setHeight(index.row() == 0 ? 0 : size.height() + kVerticalPadding);
    return size;
}

bool CustomItemDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                     const QStyleOptionViewItem& option, const QModelIndex& index)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A quick second click arrives as a double click; it ticks like any
        // other press.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && option.rect.contains(mouse->pos())) {
            emit pressed(index);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        // The press already ticked the entry; the release must not toggle the
        // check box a second time.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && option.rect.contains(mouse->pos()))
            return true;
        break;
    }
    default:
        break;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
