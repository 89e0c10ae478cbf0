// What the benchmarks that show a pane share: the camera service started
// with no device of its own, the pane's boards counted, the "All Attribute"
// tab of the shown board chosen, and its tree found.
#pragma once

#include <Corvid/CorvidHost.h>

#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWidget>

namespace bench {

//! Starts the camera service without its default devices, its settings
//! file in dir.
inline void startEmptyService(const QTemporaryDir& dir)
{
    Corvid::ServiceOptions options;
    options.defaultDevices = false;
    options.settingsFile = dir.filePath(QStringLiteral("host.ini")).toStdString();
    Corvid::StartService(options);
}

inline int boardCount(const QWidget& pane)
{
    int count = 0;
    for (QWidget* widget : pane.findChildren<QWidget*>()) {
        if (qstrcmp(widget->metaObject()->className(), "CamBoard") == 0)
            ++count;
    }
    return count;
}

//! Chooses the "All Attribute" tab wherever a shown tab widget has one;
//! true when one did.
inline bool chooseAllAttributeTab(const QWidget& pane)
{
    bool chosen = false;
    for (QTabWidget* tabs : pane.findChildren<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->isVisible() && tabs->tabText(i) == QLatin1String("All Attribute")) {
                tabs->setCurrentIndex(i);
                chosen = true;
            }
        }
    }
    return chosen;
}

//! The shown board's feature tree, once it has rows; null before.
inline QTreeView* shownFeatureTree(const QWidget& pane)
{
    for (QTreeView* tree : pane.findChildren<QTreeView*>(QStringLiteral("widget_featrue"))) {
        if (tree->isVisible() && tree->model() && tree->model()->rowCount() > 0)
            return tree;
    }
    return nullptr;
}

} // namespace bench
