#include "treedump.h"

#include <Corvid/Corvid.h>

#include <QAbstractItemModel>
#include <QTextStream>
#include <QTreeView>

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

void dumpRows(const QTreeView& tree, const QString& deviceId, const QModelIndex& parent, int depth,
              QTextStream& out)
{
    const QAbstractItemModel* model = tree.model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex label = model->index(row, 0, parent);
        out << QString(depth * 2, QLatin1Char(' ')) << label.data(Qt::DisplayRole).toString();
        if (!model->hasChildren(label)) {
            QString value = model->index(row, 1, parent).data(Qt::DisplayRole).toString();
            // The model leaves the values that cannot be written to the
            // tree's painter, which reads them from the device.
            std::string deviceValue;
            if (value.isEmpty() && !deviceId.isEmpty() &&
                Corvid::GetCameraNodeValue(deviceId.toStdString(),
                                           label.data(Qt::DisplayRole).toString().toStdString(),
                                           deviceValue) == 0)
                value = QString::fromStdString(deviceValue);
            out << ": " << value;
        }
        if (tree.isRowHidden(row, parent))
            out << " [hidden]";
        out << '\n';
        dumpRows(tree, deviceId, label, depth + 1, out);
    }
}

} // namespace

QString dumpShownFeatureTree(QWidget* window)
{
    QString text;
    QTextStream out(&text);
    for (QTreeView* tree : window->findChildren<QTreeView*>(QStringLiteral("widget_featrue"))) {
        QWidget* board = boardOf(tree);
        if (!board || !board->isVisibleTo(window) || !tree->model())
            continue;
        // Boards name their device in their accessible name.
        dumpRows(*tree, board->accessibleName(), QModelIndex(), 0, out);
        break;
    }
    return text;
}
