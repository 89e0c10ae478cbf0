#pragma once

#include "featuretreeview.h"
#include "treemodel.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QModelIndex>
#include <QString>

#include <memory>

// The test descriptions of this folder and the project's device descriptions.
QString treeTestData(const QString& fileName);
QString deviceDescription(const QString& fileName);

// A simulated device (or another node map), the model built over every node
// of it as the board builds it, and a view over that model with every branch
// expanded and every level shown.
struct TreeFixture
{
    std::unique_ptr<GenApi::CDeviceConnection> device;
    std::unique_ptr<TreeModel> model;
    std::unique_ptr<FeatureTreeView> view;
    GenApi::INodeMap* nodeMap = nullptr;

    // False (with a warning) when the description cannot be opened.
    bool open(const QString& path = treeTestData(QStringLiteral("tree-features.xml")));
    void build(GenApi::INodeMap* map);
    void reset();

    // The first index, depth first, whose node has this name, and its value cell.
    QModelIndex feature(const QString& name) const;
    QModelIndex value(const QString& name) const;
    // Neither the row nor any row above it is hidden in the view.
    bool isShown(const QString& name) const;
    // What the device holds for a feature: its register "<name>Reg" (or the
    // string node itself), read past every cache.
    QVariant onDevice(const QString& name) const;
    void write(const char* node, int64_t value) const;
};
