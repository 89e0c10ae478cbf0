#pragma once

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QModelIndex>
#include <QString>

#include <memory>

class TreeModel;

// The test descriptions of this folder and the project's device descriptions.
QString treeTestData(const QString& fileName);
QString deviceDescription(const QString& fileName);

// An in-process simulated device; fails the test (returns null) when the
// description cannot be opened.
std::unique_ptr<GenApi::CDeviceConnection> openSimulated(const QString& path);

// A model built over every node of the node map, as the board builds it.
std::unique_ptr<TreeModel> buildModel(GenApi::INodeMap* nodeMap);

// The first index, depth first, whose item's node has this name (column 0).
QModelIndex findFeature(const TreeModel& model, const QString& name,
                        const QModelIndex& parent = QModelIndex());
// The value cell of that feature.
QModelIndex findValue(const TreeModel& model, const QString& name);

// Register values read straight from the device, bypassing every cache.
int64_t deviceInteger(GenApi::INodeMap* nodeMap, const char* name);
double deviceFloat(GenApi::INodeMap* nodeMap, const char* name);
