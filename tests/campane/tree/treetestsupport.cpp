#include "treetestsupport.h"

#include "treeitem.h"
#include "treemodel.h"

#include <QDir>
#include <QtTest>

QString treeTestData(const QString& fileName)
{
    return QDir(QStringLiteral(CAMPANE_TREE_TEST_DATA)).filePath(fileName);
}

QString deviceDescription(const QString& fileName)
{
    return QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(fileName);
}

std::unique_ptr<GenApi::CDeviceConnection> openSimulated(const QString& path)
{
    std::string error;
    auto connection = GenApi::CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    if (!connection)
        qWarning("Cannot open %s: %s", qPrintable(path), error.c_str());
    return connection;
}

std::unique_ptr<TreeModel> buildModel(GenApi::INodeMap* nodeMap)
{
    auto model = std::make_unique<TreeModel>(QStringList{QStringLiteral("Feature"), QStringLiteral("Value")});
    GenApi::NodeList_t nodes;
    nodeMap->GetNodes(nodes);
    model->setupModelData(nodes);
    return model;
}

QModelIndex findFeature(const TreeModel& model, const QString& name, const QModelIndex& parent)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        if (model.itemFromIndex(child)->name() == name)
            return child;
        const QModelIndex found = findFeature(model, name, child);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

QModelIndex findValue(const TreeModel& model, const QString& name)
{
    const QModelIndex feature = findFeature(model, name);
    return feature.isValid() ? feature.sibling(feature.row(), 1) : QModelIndex();
}

int64_t deviceInteger(GenApi::INodeMap* nodeMap, const char* name)
{
    GenApi::CIntegerPtr integer(nodeMap->GetNode(name));
    return integer->GetValue(true, true);
}

double deviceFloat(GenApi::INodeMap* nodeMap, const char* name)
{
    GenApi::CFloatPtr floating(nodeMap->GetNode(name));
    return floating->GetValue(true, true);
}
