#pragma once

// Rows and groups over the simulated structured-light camera, as the panel's
// tests build them.

#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <memory>
#include <utility>

inline const QString kCamera = QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml");

// A simulated device opened directly, without the camera service.
inline std::unique_ptr<GenApi::CDeviceConnection> openDevice(const QString& file = kCamera)
{
    std::string error;
    auto device = GenApi::CDeviceConnection::OpenSimulated(file.toStdString(), &error);
    if (!device)
        qWarning("%s", error.c_str());
    return device;
}

// A row for the feature `name`, titled with the name in English and
// `chinese` in Chinese, shown in English.
inline ToolPageWidgetItem* makeRow(GenApi::INodeMap* map, const char* name, QWidget* parent = nullptr,
                                   const QString& chinese = QStringLiteral("标题"))
{
    auto* row = new ToolPageWidgetItem(parent);
    row->setupNode({QString::fromUtf8(name), chinese}, {QStringLiteral("About %1").arg(name), QString()},
                   map->GetNode(name), true);
    row->setLanguageType(0);
    return row;
}

// A group of rows: pairs of a feature name and its Chinese title.
inline ToolPageWidget* makeGroup(GenApi::INodeMap* map,
                                 std::initializer_list<std::pair<const char*, const char*>> rows)
{
    auto* group = new ToolPageWidget;
    for (const auto& [name, chinese] : rows)
        group->addItem(makeRow(map, name, nullptr, QString::fromUtf8(chinese)));
    group->setLanguageType(0);
    return group;
}

template <typename Editor> Editor* editorOf(QWidget* row)
{
    return qobject_cast<Editor*>(qobject_cast<ToolPageWidgetItem*>(row)->widget());
}
