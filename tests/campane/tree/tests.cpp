#include "tests.h"

#include "featureeditdelegate.h"
#include "treeitem.h"

#include <QDir>
#include <QtTest>

using namespace GenApi;

QString treeTestData(const QString& fileName)
{
    return QDir(QStringLiteral(CAMPANE_TREE_TEST_DATA)).filePath(fileName);
}

QString deviceDescription(const QString& fileName)
{
    return QDir(QStringLiteral(CAMPANE_DEVICES_DIR)).filePath(fileName);
}

bool TreeFixture::open(const QString& path)
{
    std::string error;
    device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
    if (!device) {
        qWarning("Cannot open %s: %s", qPrintable(path), error.c_str());
        return false;
    }
    build(device->GetNodeMap());
    return true;
}

void TreeFixture::build(INodeMap* map)
{
    nodeMap = map;
    model = std::make_unique<TreeModel>(QStringList{QStringLiteral("Feature"), QStringLiteral("Value")});
    NodeList_t nodes;
    nodeMap->GetNodes(nodes);
    model->setupModelData(nodes);
    view = std::make_unique<FeatureTreeView>();
    // The features the test device shares with the structured-light cameras,
    // named as their board names them.
    view->setFeatureHints({QStringLiteral("WorkingMode")},
                          {QStringLiteral("SinData"), QStringLiteral("CosData")});
    view->setModel(model.get());
    view->resize(600, 900);
    view->expandAllBelow();
    view->setFilter(2, QString());
}

void TreeFixture::reset()
{
    view.reset();
    model.reset();
    device.reset();
    nodeMap = nullptr;
}

QModelIndex TreeFixture::feature(const QString& name) const
{
    // A label's tool tip is its node's name.
    const QModelIndexList found =
        model->match(model->index(0, 0), Qt::ToolTipRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.value(0);
}

QModelIndex TreeFixture::value(const QString& name) const
{
    const QModelIndex label = feature(name);
    return label.isValid() ? label.sibling(label.row(), 1) : QModelIndex();
}

bool TreeFixture::isShown(const QString& name) const
{
    QModelIndex index = feature(name);
    for (; index.isValid(); index = index.parent()) {
        if (view->isRowHidden(index.row(), index.parent()))
            return false;
    }
    return feature(name).isValid();
}

QVariant TreeFixture::onDevice(const QString& name) const
{
    INode* node = nodeMap->GetNode((name + QStringLiteral("Reg")).toUtf8().constData());
    if (!node)
        node = nodeMap->GetNode(name.toUtf8().constData());
    if (CFloatPtr floating = node)
        return floating->GetValue(true, true);
    if (CIntegerPtr integer = node)
        return qlonglong(integer->GetValue(true, true));
    if (CStringPtr string = node)
        return QString::fromUtf8(string->GetValue(true, true).c_str());
    return QVariant();
}

void TreeFixture::write(const char* node, int64_t value) const
{
    CIntegerPtr(nodeMap->GetNode(node))->SetValue(value);
}

void TestTree::init()
{
    QVERIFY(m_tree.open());
}

FeatureEditDelegate* TestTree::delegate() const
{
    return qobject_cast<FeatureEditDelegate*>(m_tree.view->itemDelegateForColumn(1));
}

QTEST_MAIN(TestTree)
