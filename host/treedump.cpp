#include "treedump.h"

#include "printable.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QStyledItemDelegate>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

#include <memory>

namespace {

// The board that holds `tree`; boards carry their form's object name.
QWidget* boardOf(QWidget* tree)
{
    for (QWidget* widget = tree; widget; widget = widget->parentWidget()) {
        if (widget->objectName() == QLatin1String("CamBoard"))
            return widget;
    }
    return nullptr;
}

// How one tree shows its values: a value the model gives for display goes
// through the view's delegate, as the view paints it; a value the model
// leaves to the delegate (a feature that cannot be written) is the model's
// "deviceText", the text the delegate paints for it. Both are read from the
// feature's node, never looked up by the row's (possibly translated) label.
class ValueTexts
{
public:
    explicit ValueTexts(const QTreeView& tree)
        : m_tree(tree), m_delegate(qobject_cast<QStyledItemDelegate*>(tree.itemDelegate())),
          m_deviceTextRole(tree.model()->roleNames().key(QByteArrayLiteral("deviceText"), -1)),
          m_locale(tree.locale())
    {
        // Item views paint numbers without group separators.
        m_locale.setNumberOptions(QLocale::OmitGroupSeparator);
    }

    QString text(const QModelIndex& value) const
    {
        const QVariant shown = value.data(Qt::DisplayRole);
        if (shown.isValid())
            return m_delegate ? m_delegate->displayText(shown, m_locale) : shown.toString();
        return m_deviceTextRole >= 0 ? value.data(m_deviceTextRole).toString() : QString();
    }

private:
    const QTreeView& m_tree;
    QStyledItemDelegate* m_delegate;
    int m_deviceTextRole;
    QLocale m_locale;
};

void dumpRows(const QTreeView& tree, const ValueTexts& values, const QModelIndex& parent, int depth,
              QTextStream& out)
{
    const QAbstractItemModel* model = tree.model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex label = model->index(row, 0, parent);
        // Labels and values are the device's texts: one line each, whatever
        // they hold.
        out << QString(depth * 2, QLatin1Char(' ')) << printableText(label.data(Qt::DisplayRole).toString());
        // Leaves always carry their value; a row with rows below carries it
        // when it has one (a feature whose reading children are features),
        // categories none.
        const QString value = values.text(model->index(row, 1, parent));
        if (!model->hasChildren(label) || !value.isEmpty())
            out << ": " << printableText(value);
        if (tree.isRowHidden(row, parent))
            out << " [hidden]";
        out << '\n';
        dumpRows(tree, values, label, depth + 1, out);
    }
}

// The board shown inside `window`, if any.
QWidget* shownBoard(QWidget* window)
{
    for (QWidget* board : window->findChildren<QWidget*>(QStringLiteral("CamBoard"))) {
        if (board->isVisibleTo(window))
            return board;
    }
    return nullptr;
}

} // namespace

void whenShownTreeIsFilled(QWidget* window, int boundMs, std::function<void()> then)
{
    // The board says by its "featureTreeGathering" property that its tree is
    // still being gathered; it is looked at again every few milliseconds.
    const auto gathering = [window] {
        QWidget* board = shownBoard(window);
        return board && board->property("featureTreeGathering").toBool();
    };
    auto* poll = new QTimer(window);
    poll->setInterval(20);
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    const auto look = [poll, elapsed, gathering, boundMs, then] {
        if (gathering() && elapsed->elapsed() < boundMs) {
            poll->start();
            return;
        }
        poll->stop();
        poll->deleteLater();
        then();
    };
    QObject::connect(poll, &QTimer::timeout, poll, look);
    // The first look is on the next turn of the event loop: the board
    // filters its tree as it is shown.
    QTimer::singleShot(0, poll, look);
}

QString dumpShownFeatureTree(QWidget* window)
{
    QString text;
    QTextStream out(&text);
    for (QTreeView* tree : window->findChildren<QTreeView*>(QStringLiteral("widget_featrue"))) {
        QWidget* board = boardOf(tree);
        if (!board || !board->isVisibleTo(window) || !tree->model())
            continue;
        dumpRows(*tree, ValueTexts(*tree), QModelIndex(), 0, out);
        break;
    }
    return text;
}
