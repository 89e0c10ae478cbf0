#pragma once

#include <QPixmap>
#include <QWidget>

// Writes a picture of `widget` to $CAMPANE_SCREENSHOT_DIR/<name>.png when that
// variable is set, to look at the widget in the state a test left it in.
inline void keepShot(QWidget* widget, QString name)
{
    const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        widget->grab().save(dir + "/" + name.replace(' ', '-') + ".png");
}
